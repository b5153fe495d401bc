#include "Drives.h"

#include <QList>

#include <algorithm>
#include <initializer_list>

namespace pelmora {

namespace {

bool OneOf(const QString& name, std::initializer_list<const char*> names)
{
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return name == QLatin1String(n); });
}

bool InTree(const QString& path, const char* tree)
{
    QLatin1String root(tree);
    return path == root || (path.startsWith(root) && path.size() > root.size() && path[root.size()] == '/');
}

// "\040" for a blank, "\134" for a backslash ...: the kernel's escapes of the fields.
QString DecodeField(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        auto isOctal = [&](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            out.append(char((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0')));
            i += 3;
        } else {
            out.append(field[i]);
        }
    }
    return QString::fromUtf8(out);
}

} // namespace

std::vector<MountEntry> ParseMountTable(const QByteArray& text)
{
    std::vector<MountEntry> mounts;
    for (const QByteArray& line : text.split('\n')) {
        QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 3 || fields[1].isEmpty() || fields[1][0] != '/')
            continue;
        mounts.push_back({ DecodeField(fields[0]), DecodeField(fields[1]), DecodeField(fields[2]) });
    }
    return mounts;
}

DriveKind ClassifyMount(const MountEntry& mount, bool removableDevice)
{
    const QString& type = mount.fileSystem;
    const QString& at = mount.mountPoint;
    if (at == "/")
        return DriveKind::Fixed;
    if (InTree(at, "/proc") || InTree(at, "/sys") || InTree(at, "/dev"))
        return DriveKind::Unknown;
    if (OneOf(type, { "iso9660", "udf" }))
        return DriveKind::CdRom;
    if (OneOf(type,
            { "nfs", "nfs4", "cifs", "smbfs", "smb3", "ncpfs", "afs", "ceph", "glusterfs", "9p", "sshfs", "fuse.sshfs",
                "davfs", "fuse.davfs", "fuse.rclone", "lustre" }))
        return DriveKind::Remote;
    if (OneOf(type, { "tmpfs", "ramfs" }))
        return DriveKind::RamDisk;
    if (OneOf(type,
            { "ext2", "ext3", "ext4", "xfs", "btrfs", "zfs", "f2fs", "jfs", "reiserfs", "vfat", "msdos", "exfat",
                "ntfs", "ntfs3", "fuseblk", "hfs", "hfsplus", "apfs", "nilfs2", "bcachefs", "ufs", "minix" })) {
        bool mediaFolder = InTree(at, "/media") || InTree(at, "/run/media");
        return removableDevice || mediaFolder ? DriveKind::Removable : DriveKind::Fixed;
    }
    // Pseudo file systems (proc, sysfs, cgroup ...), overlay layers other than
    // the root, images of packages: none is a drive.
    return DriveKind::Unknown;
}

bool IsDriveListed(DriveKind kind, int driveTypesSetting)
{
    switch (kind) {
    case DriveKind::Fixed:
    case DriveKind::CdRom: return true;
    case DriveKind::Removable: return driveTypesSetting == 1;
    case DriveKind::Remote:
    case DriveKind::RamDisk: return driveTypesSetting > 0;
    default: return false;
    }
}

QString DriveCaption(const QString& label, DriveKind kind, const QString& volumeName)
{
    QString caption = "(" + label + ")";
    switch (kind) {
    case DriveKind::Removable: return caption + " Floppy Drive";
    case DriveKind::Fixed: return caption + " " + volumeName;
    case DriveKind::Remote: return caption + " Network Drive";
    case DriveKind::CdRom: return caption + " CD-ROM Drive";
    case DriveKind::RamDisk: return caption + " RAM Disk";
    default: return caption;
    }
}

} // namespace pelmora
