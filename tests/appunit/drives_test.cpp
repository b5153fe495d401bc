// Drives from a mount table: parsing, what each mount is, which are listed,
// and their captions.
#include "app/Drives.h"

#include <gtest/gtest.h>

using namespace pelmora;

namespace {

TEST(ParseMountTable, ReadsTheFieldsAndDecodesEscapes)
{
    QByteArray table = "/dev/sda1 / ext4 rw,relatime 0 0\n"
                       "proc /proc proc rw 0 0\n"
                       "/dev/sdb1 /media/My\\040Stick vfat rw 0 0\n"
                       "\n"
                       "garbage\n"
                       "tmpfs relative tmpfs rw 0 0\n"
                       "server:/share /mnt/back\\134slash nfs4 rw 0 0\n";
    std::vector<MountEntry> mounts = ParseMountTable(table);
    ASSERT_EQ(mounts.size(), 4u);
    EXPECT_EQ(mounts[0].device.toStdString(), "/dev/sda1");
    EXPECT_EQ(mounts[0].mountPoint.toStdString(), "/");
    EXPECT_EQ(mounts[0].fileSystem.toStdString(), "ext4");
    EXPECT_EQ(mounts[2].mountPoint.toStdString(), "/media/My Stick");
    EXPECT_EQ(mounts[3].mountPoint.toStdString(), "/mnt/back\\slash");
}

struct MountCase {
    const char* mountPoint;
    const char* fileSystem;
    bool removableDevice;
    DriveKind kind;
};

class ClassifyMountTest : public testing::TestWithParam<MountCase> { };

TEST_P(ClassifyMountTest, GivesTheDriveKind)
{
    const MountCase& c = GetParam();
    EXPECT_EQ(ClassifyMount({ "/dev/x", c.mountPoint, c.fileSystem }, c.removableDevice), c.kind)
        << c.mountPoint << " " << c.fileSystem;
}

INSTANTIATE_TEST_SUITE_P(Mounts, ClassifyMountTest,
    testing::Values(MountCase { "/", "ext4", false, DriveKind::Fixed },
        MountCase { "/", "overlay", false, DriveKind::Fixed }, // a container's root
        MountCase { "/home", "btrfs", false, DriveKind::Fixed },
        MountCase { "/data", "xfs", true, DriveKind::Removable },
        MountCase { "/media/stick", "vfat", false, DriveKind::Removable },
        MountCase { "/run/media/me/card", "exfat", false, DriveKind::Removable },
        MountCase { "/mediastore", "ext4", false, DriveKind::Fixed },
        MountCase { "/media/cdrom", "iso9660", true, DriveKind::CdRom },
        MountCase { "/mnt/dvd", "udf", false, DriveKind::CdRom },
        MountCase { "/mnt/share", "cifs", false, DriveKind::Remote },
        MountCase { "/mnt/nfs", "nfs4", false, DriveKind::Remote },
        MountCase { "/mnt/ssh", "fuse.sshfs", false, DriveKind::Remote },
        MountCase { "/tmp", "tmpfs", false, DriveKind::RamDisk },
        MountCase { "/mnt/ram", "ramfs", false, DriveKind::RamDisk },
        MountCase { "/proc", "proc", false, DriveKind::Unknown },
        MountCase { "/sys/fs/cgroup", "cgroup2", false, DriveKind::Unknown },
        MountCase { "/dev/shm", "tmpfs", false, DriveKind::Unknown },
        MountCase { "/dev/pts", "devpts", false, DriveKind::Unknown },
        MountCase { "/var/lib/docker/overlay2/x/merged", "overlay", false, DriveKind::Unknown },
        MountCase { "/snap/core/1", "squashfs", false, DriveKind::Unknown },
        MountCase { "/proc/sys/fs/binfmt_misc", "binfmt_misc", false, DriveKind::Unknown }));

TEST(IsDriveListed, FollowsTheDriveTypesSetting)
{
    struct Row {
        DriveKind kind;
        bool atZero, atOne, atTwo;
    };
    const Row rows[] = {
        { DriveKind::Fixed, true, true, true },
        { DriveKind::CdRom, true, true, true },
        { DriveKind::Removable, false, true, false },
        { DriveKind::Remote, false, true, true },
        { DriveKind::RamDisk, false, true, true },
        { DriveKind::Unknown, false, false, false },
    };
    for (const Row& row : rows) {
        EXPECT_EQ(IsDriveListed(row.kind, 0), row.atZero) << int(row.kind);
        EXPECT_EQ(IsDriveListed(row.kind, 1), row.atOne) << int(row.kind);
        EXPECT_EQ(IsDriveListed(row.kind, 2), row.atTwo) << int(row.kind);
    }
}

TEST(DriveCaption, IsTheLabelAndTheWordsOfTheKind)
{
    EXPECT_EQ(DriveCaption("C:", DriveKind::Fixed, "System").toStdString(), "(C:) System");
    EXPECT_EQ(DriveCaption("/", DriveKind::Fixed, "").toStdString(), "(/) ");
    EXPECT_EQ(DriveCaption("/media/stick", DriveKind::Removable, "").toStdString(), "(/media/stick) Floppy Drive");
    EXPECT_EQ(DriveCaption("/mnt/share", DriveKind::Remote, "").toStdString(), "(/mnt/share) Network Drive");
    EXPECT_EQ(DriveCaption("D:", DriveKind::CdRom, "").toStdString(), "(D:) CD-ROM Drive");
    EXPECT_EQ(DriveCaption("/tmp", DriveKind::RamDisk, "").toStdString(), "(/tmp) RAM Disk");
}

} // namespace
