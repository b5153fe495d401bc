#include "Platform.h"

#include "FolderPath.h"
#include "formats/Exception.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QPushButton>
#include <QSysInfo>
#include <QUrl>

#include <algorithm>
#include <filesystem>
#include <map>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#else
#include <dirent.h>
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace pelmora::platform {

namespace {

std::filesystem::path NativePath(const QString& path)
{
#ifdef _WIN32
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

#ifndef _WIN32
// The device's own report of removable media, found through sysfs: the
// partition's folder or the disk's one above it holds "removable".
bool IsRemovableDevice(const QString& device)
{
    if (!device.startsWith("/dev/"))
        return false;
    QString name = QFileInfo(QFileInfo(device).canonicalFilePath()).fileName();
    if (name.isEmpty())
        return false;
    QString sysfs = QFileInfo("/sys/class/block/" + name).canonicalFilePath();
    for (const QString& folder : { sysfs, QFileInfo(sysfs).path() }) {
        QFile flag(folder + "/removable");
        if (flag.open(QIODevice::ReadOnly))
            return flag.readAll().trimmed() == "1";
    }
    return false;
}

// The label that /dev/disk/by-label gives the device ("" when none).
QString VolumeName(const QString& device)
{
    QString target = QFileInfo(device).canonicalFilePath();
    if (target.isEmpty())
        return {};
    QDir labels("/dev/disk/by-label");
    for (const QFileInfo& link : labels.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (link.canonicalFilePath() == target) {
            QString name = link.fileName();
            // udev writes a blank as \x20.
            return name.replace("\\x20", " ");
        }
    }
    return {};
}
#endif

} // namespace

#ifdef _WIN32

bool ListFolder(const QString& folder, bool (*wantsFile)(const QString&), std::vector<FolderEntry>& entries)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(reinterpret_cast<LPCWSTR>((folder + "*.*").utf16()), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    do {
        FolderEntry entry;
        entry.name = QString::fromWCharArray(found.cFileName);
        entry.folder = found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
        entry.hidden = found.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN;
        if (!entry.folder && !wantsFile(entry.name))
            continue;
        entry.bytes = (qint64(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
        ULARGE_INTEGER time;
        time.LowPart = found.ftLastWriteTime.dwLowDateTime;
        time.HighPart = found.ftLastWriteTime.dwHighDateTime;
        entry.modified = qint64(time.QuadPart / 10000000ULL) - 11644473600LL;
        entries.push_back(std::move(entry));
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return true;
}

std::vector<Drive> ListDrives(int driveTypesSetting)
{
    std::vector<Drive> drives;
    DWORD present = GetLogicalDrives();
    for (int letter = 0; letter < 26; ++letter) {
        if (!(present & (1u << letter)))
            continue;
        QString root = QString(QChar('A' + letter)) + ":\\";
        DriveKind kind = DriveKind::Unknown;
        switch (GetDriveTypeW(reinterpret_cast<LPCWSTR>(root.utf16()))) {
        case DRIVE_REMOVABLE: kind = DriveKind::Removable; break;
        case DRIVE_FIXED: kind = DriveKind::Fixed; break;
        case DRIVE_REMOTE: kind = DriveKind::Remote; break;
        case DRIVE_CDROM: kind = DriveKind::CdRom; break;
        case DRIVE_RAMDISK: kind = DriveKind::RamDisk; break;
        default: break;
        }
        if (!IsDriveListed(kind, driveTypesSetting))
            continue;
        QString volume;
        if (kind == DriveKind::Fixed) {
            wchar_t name[261] = {};
            if (GetVolumeInformationW(
                    reinterpret_cast<LPCWSTR>(root.utf16()), name, 261, nullptr, nullptr, nullptr, nullptr, 0))
                volume = QString::fromWCharArray(name);
        }
        drives.push_back({ root, DriveCaption(root.left(2), kind, volume), kind });
    }
    return drives;
}

#else

bool ListFolder(const QString& folder, bool (*wantsFile)(const QString&), std::vector<FolderEntry>& entries)
{
    QByteArray path = QFile::encodeName(folder);
    int descriptor = open(path.isEmpty() ? "." : path.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    DIR* listing = fdopendir(descriptor);
    if (!listing) {
        close(descriptor);
        return false;
    }
    while (dirent* item = readdir(listing)) {
        FolderEntry entry;
        entry.name = QFile::decodeName(item->d_name);
        entry.hidden = item->d_name[0] == '.';
        bool maybeFolder = item->d_type == DT_DIR || item->d_type == DT_LNK || item->d_type == DT_UNKNOWN;
        bool wanted = wantsFile(entry.name);
        if (!maybeFolder && !wanted)
            continue;
        // Links are followed: a link to a folder is a folder, a dangling one is skipped.
        struct stat info;
        if (fstatat(descriptor, item->d_name, &info, 0) != 0)
            continue;
        entry.folder = S_ISDIR(info.st_mode);
        if (!entry.folder && !wanted)
            continue;
        entry.bytes = qint64(info.st_size);
        entry.modified = qint64(info.st_mtime);
        entries.push_back(std::move(entry));
    }
    closedir(listing);
    return true;
}

std::vector<Drive> ListDrives(int driveTypesSetting)
{
    QFile table("/proc/self/mounts");
    if (!table.open(QIODevice::ReadOnly))
        return {};
    // A later mount over the same point hides the earlier one.
    std::map<QString, MountEntry> byMountPoint;
    for (MountEntry& mount : ParseMountTable(table.readAll()))
        byMountPoint[mount.mountPoint] = std::move(mount);
    std::vector<Drive> drives;
    for (const auto& [mountPoint, mount] : byMountPoint) {
        DriveKind kind = ClassifyMount(mount, IsRemovableDevice(mount.device));
        if (!IsDriveListed(kind, driveTypesSetting))
            continue;
        QString volume = kind == DriveKind::Fixed ? VolumeName(mount.device) : QString();
        drives.push_back({ WithTrailingSeparator(mountPoint), DriveCaption(mountPoint, kind, volume), kind });
    }
    return drives;
}

#endif

QString FileTypeName(const QString& path)
{
    QMimeDatabase types;
    return types.mimeTypeForFile(path).comment().left(79);
}

QIcon SmallIcon(const QString& path)
{
    static QFileIconProvider icons;
    return icons.icon(QFileInfo(path));
}

bool OpenDocument(const QString& path)
{
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void ShowMessage(QWidget* parent, const QString& text)
{
    QMessageBox::information(parent, QApplication::applicationName(), text, QMessageBox::Ok);
}

bool Confirm(QWidget* parent, const QString& question)
{
    QMessageBox box(QMessageBox::Question, "Confirm", question, QMessageBox::NoButton, parent);
    QPushButton* yes = box.addButton("&Yes", QMessageBox::YesRole);
    QPushButton* cancel = box.addButton("Cancel", QMessageBox::RejectRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == yes;
}

void Beep()
{
    QApplication::beep();
}

bool FolderExists(const QString& folder)
{
    return QFileInfo(folder).isDir();
}

void SetWorkingFolder(const QString& folder)
{
    std::error_code error;
    std::filesystem::current_path(NativePath(folder), error);
    if (error)
        throw Exception(error.message() + ": " + folder.toStdString());
}

QString DefaultOpenPath()
{
#ifdef _WIN32
    return "C:\\Windows\\";
#else
    return WithTrailingSeparator(QDir::homePath());
#endif
}

bool NeedsFocusCueRepaint()
{
#ifdef _WIN32
    return QSysInfo::kernelVersion().section('.', 0, 0).toInt() >= 6;
#else
    return false;
#endif
}

bool AppendAboutToWindowMenu(QWidget* window)
{
#ifdef _WIN32
    HMENU menu = GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE);
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING, kAboutCommand, L"&About...");
    return true;
#else
    Q_UNUSED(window);
    return false;
#endif
}

bool IsAboutCommand(const void* nativeMessage)
{
#ifdef _WIN32
    const MSG* message = static_cast<const MSG*>(nativeMessage);
    return message->message == WM_SYSCOMMAND && message->wParam == kAboutCommand;
#else
    Q_UNUSED(nativeMessage);
    return false;
#endif
}

void LowerThreadPriority()
{
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
#elif defined(__linux__)
    // On Linux a nice value belongs to the thread that sets it.
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, 0);
    if (errno == 0)
        setpriority(PRIO_PROCESS, pid_t(syscall(SYS_gettid)), std::min(nice + 10, 19));
#endif
}

} // namespace pelmora::platform
