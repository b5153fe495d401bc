// Drives as the folder list shows them. Outside Windows a drive is a mounted
// volume: the mount table says what each mount is, and the kinds of the
// drive table are found from its file system and device. No widgets here.
#pragma once

#include <QByteArray>
#include <QString>

#include <vector>

namespace pelmora {

enum class DriveKind { Unknown, Removable, Fixed, Remote, CdRom, RamDisk };

struct MountEntry {
    QString device;
    QString mountPoint;
    QString fileSystem;
};

// The lines of /proc/self/mounts (device, mount point, type, ...), with the
// octal escapes of blanks and backslashes decoded. Malformed lines are skipped.
std::vector<MountEntry> ParseMountTable(const QByteArray& text);

// What kind of drive a mount is; Unknown for pseudo file systems and the
// kernel's own trees, which are never listed. `removableDevice` is the
// device's own report (a USB stick, a card reader).
DriveKind ClassifyMount(const MountEntry& mount, bool removableDevice);

// Whether a drive of the kind is listed: fixed and CD-ROM drives always,
// network and RAM drives for a setting above 0, removable ones for 1.
bool IsDriveListed(DriveKind kind, int driveTypesSetting);

// "(label)" followed by the words of the kind: "(C:) System", "(/media/cd) CD-ROM Drive".
QString DriveCaption(const QString& label, DriveKind kind, const QString& volumeName);

} // namespace pelmora
