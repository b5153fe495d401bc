#include "PlatformFiles.h"

#include "FolderPath.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pelmora::platform {

namespace {

FileFaultHook& Hook()
{
    static FileFaultHook hook;
    return hook;
}

bool Fails(FileStep step, const QString& path)
{
    return Hook() && Hook()(step, path);
}

} // namespace

void SetFileFaultHook(FileFaultHook hook)
{
    Hook() = std::move(hook);
}

bool FileStamp(const QString& path, qint64& bytes, qint64& modified)
{
    QFileInfo info(path);
    if (!info.exists() || info.isDir())
        return false;
    bytes = info.size();
    modified = info.lastModified().toSecsSinceEpoch();
    return true;
}

bool WriteFileReplacing(const QString& path, const std::function<void(QIODevice& file)>& write, QString& error)
{
    if (Fails(FileStep::Create, path)) {
        error = "Cannot create the file";
        return false;
    }
    // A temporary file beside the target, flushed to the medium and renamed
    // over it on commit; dropped (with the target untouched) otherwise.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = file.errorString();
        return false;
    }
    write(file);
    if (Fails(FileStep::Copy, path)) {
        file.cancelWriting();
        error = "No space left on the medium";
        return false;
    }
    if (Fails(FileStep::Flush, path) || Fails(FileStep::Rename, path)) {
        file.cancelWriting();
        error = "The file could not be put in place";
        return false;
    }
    if (!file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

bool RestoreFromTrash(const QString& pathInTrash, const QString& original)
{
    if (!MoveFileNoReplace(pathInTrash, original))
        return false;
    // The trash's record of the file: "$I..." beside "$R..." in the recycle
    // bin, "info/name.trashinfo" beside "files/name" in a freedesktop trash.
    QFileInfo inTrash(pathInTrash);
    QString name = inTrash.fileName();
#ifdef _WIN32
    if (name.startsWith("$R"))
        QFile::remove(inTrash.dir().filePath("$I" + name.mid(2)));
#else
    QDir trash = inTrash.dir();
    if (trash.dirName() == "files" && trash.cdUp())
        QFile::remove(trash.filePath("info/" + name + ".trashinfo"));
#endif
    return true;
}

#ifdef _WIN32

namespace {

std::wstring Wide(const QString& path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

struct ProgressContext {
    const CopyProgress* progress;
    QString target;
};

DWORD CALLBACK OnProgress(
    LARGE_INTEGER, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE, LPVOID data)
{
    auto* context = static_cast<ProgressContext*>(data);
    // A cancelled copy or move removes what it had written.
    if (Fails(FileStep::Copy, context->target))
        return PROGRESS_CANCEL;
    if (*context->progress)
        (*context->progress)(qint64(transferred.QuadPart));
    return PROGRESS_CONTINUE;
}

} // namespace

bool CopyFileNoReplace(const QString& from, const QString& to, const CopyProgress& progress)
{
    if (Fails(FileStep::Create, to))
        return false;
    ProgressContext context {&progress, to};
    BOOL cancel = FALSE;
    return CopyFileExW(Wide(from).c_str(), Wide(to).c_str(), OnProgress, &context, &cancel, COPY_FILE_FAIL_IF_EXISTS);
}

bool MoveFileNoReplace(const QString& from, const QString& to, const CopyProgress& progress)
{
    if (Fails(FileStep::Rename, to))
        return false;
    // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing target;
    // across volumes the system copies, flushes and only then deletes the source.
    ProgressContext context {&progress, to};
    return MoveFileWithProgressW(
        Wide(from).c_str(), Wide(to).c_str(), OnProgress, &context, MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
}

bool RenameFileNoReplace(const QString& from, const QString& to)
{
    if (Fails(FileStep::Rename, to))
        return false;
    return MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), 0);
}

bool DeleteFilePermanently(const QString& path)
{
    if (Fails(FileStep::Delete, path))
        return false;
    return DeleteFileW(Wide(path).c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool MoveFileToTrash(const QString& path, QString& pathInTrash)
{
    if (Fails(FileStep::Trash, path))
        return false;
    return QFile::moveToTrash(path, &pathInTrash);
}

#else

namespace {

QByteArray Native(const QString& path)
{
    return QFile::encodeName(path);
}

// A file descriptor closed when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd = -1)
        : fd_(fd)
    {
    }
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    void Reset(int fd)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }
    int Get() const { return fd_; }
    bool Valid() const { return fd_ >= 0; }
    // Closes now, reporting a failed close (a write the medium refused late).
    bool Close()
    {
        int fd = std::exchange(fd_, -1);
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int fd_;
};

constexpr size_t kBlockSize = size_t(1) << 20;

// An open source file that is a plain file, with its status.
bool OpenSource(const QString& from, Descriptor& in, struct stat& status)
{
    in.Reset(::open(Native(from).constData(), O_RDONLY | O_CLOEXEC));
    return in.Valid() && fstat(in.Get(), &status) == 0 && S_ISREG(status.st_mode);
}

bool WriteAll(int out, const char* data, size_t size)
{
    while (size > 0) {
        ssize_t written = ::write(out, data, size);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= size_t(written);
    }
    return true;
}

// The bytes of `in` into `out`, then the source's permissions and times.
bool CopyContent(int in, const struct stat& status, int out, const QString& target, const CopyProgress& progress)
{
    std::vector<char> block(kBlockSize);
    qint64 done = 0;
    for (;;) {
        ssize_t got = ::read(in, block.data(), block.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (got == 0)
            break;
        if (Fails(FileStep::Copy, target) || !WriteAll(out, block.data(), size_t(got)))
            return false;
        done += got;
        if (progress)
            progress(done);
    }
    struct timespec times[2] = {status.st_atim, status.st_mtim};
    return fchmod(out, status.st_mode & 0777) == 0 && futimens(out, times) == 0;
}

enum class Placed { Done, Failed, OtherFileSystem };

bool SameFile(const QByteArray& first, const QByteArray& second)
{
    struct stat a, b;
    return stat(first.constData(), &a) == 0 && stat(second.constData(), &b) == 0 && a.st_dev == b.st_dev
        && a.st_ino == b.st_ino;
}

// Gives a file a new name on its file system without ever replacing a file
// that has the new name: an atomic no-replace rename; where the file system
// refuses that, a hard link and the old name's removal; where it has no hard
// links either, a check and a plain rename as the last resort.
Placed Place(const QString& from, const QString& to)
{
    QByteArray source = Native(from), target = Native(to);
    if (renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return Placed::Done;
    int error = errno;
    if (error == EXDEV)
        return Placed::OtherFileSystem;
    if (error == EEXIST) {
        // The same file under a name differing only in letter case: a file
        // system that ignores case, where the rename changes the case.
        if (from.compare(to, Qt::CaseInsensitive) == 0 && from != to && SameFile(source, target))
            return ::rename(source.constData(), target.constData()) == 0 ? Placed::Done : Placed::Failed;
        return Placed::Failed;
    }
    if (error != EINVAL && error != ENOSYS && error != EOPNOTSUPP)
        return Placed::Failed;
    if (::link(source.constData(), target.constData()) == 0) {
        if (::unlink(source.constData()) == 0)
            return Placed::Done;
        ::unlink(target.constData());
        return Placed::Failed;
    }
    error = errno;
    if (error == EXDEV)
        return Placed::OtherFileSystem;
    if (error != EPERM && error != EOPNOTSUPP && error != ENOSYS)
        return Placed::Failed;
    struct stat taken;
    if (lstat(target.constData(), &taken) == 0 || errno != ENOENT)
        return Placed::Failed;
    return ::rename(source.constData(), target.constData()) == 0 ? Placed::Done : Placed::Failed;
}

Placed PlaceNoReplace(const QString& from, const QString& to)
{
    return Fails(FileStep::Rename, to) ? Placed::Failed : Place(from, to);
}

void FlushFolder(const QString& folder)
{
    Descriptor descriptor(::open(Native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (descriptor.Valid())
        fsync(descriptor.Get());
}

// A move to another file system: a hidden temporary copy in the target
// folder, flushed, renamed into place without replacing, then the source removed.
bool MoveAcrossFileSystems(const QString& from, const QString& to, const CopyProgress& progress)
{
    Descriptor in;
    struct stat status;
    if (!OpenSource(from, in, status) || Fails(FileStep::Create, to))
        return false;
    QString folder = FolderPart(to);
    QByteArray temporary = Native(folder + ".pelmora-move-XXXXXX");
    Descriptor out(mkostemp(temporary.data(), O_CLOEXEC));
    if (!out.Valid())
        return false;
    QString temporaryPath = QFile::decodeName(temporary);
    bool copied = CopyContent(in.Get(), status, out.Get(), to, progress) && !Fails(FileStep::Flush, to)
        && fsync(out.Get()) == 0;
    copied = out.Close() && copied;
    if (!copied || PlaceNoReplace(temporaryPath, to) != Placed::Done) {
        ::unlink(temporary.constData());
        return false;
    }
    FlushFolder(folder);
    if (Fails(FileStep::RemoveSource, from) || ::unlink(Native(from).constData()) != 0) {
        // The source stays; so must nothing else: the copy just made goes again.
        ::unlink(Native(to).constData());
        return false;
    }
    return true;
}

} // namespace

bool CopyFileNoReplace(const QString& from, const QString& to, const CopyProgress& progress)
{
    Descriptor in;
    struct stat status;
    if (!OpenSource(from, in, status) || Fails(FileStep::Create, to))
        return false;
    QByteArray target = Native(to);
    // Created here or not at all: an existing file, whenever it came, makes the copy fail.
    Descriptor out(::open(target.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.Valid())
        return false;
    bool copied = CopyContent(in.Get(), status, out.Get(), to, progress);
    copied = out.Close() && copied;
    if (!copied)
        ::unlink(target.constData());
    return copied;
}

bool MoveFileNoReplace(const QString& from, const QString& to, const CopyProgress& progress)
{
    struct stat source, folder;
    if (stat(Native(from).constData(), &source) != 0 || !S_ISREG(source.st_mode)
        || stat(Native(FolderPart(to).isEmpty() ? "." : FolderPart(to)).constData(), &folder) != 0)
        return false;
    if (source.st_dev == folder.st_dev) {
        Placed placed = PlaceNoReplace(from, to);
        // Two mounts of one file system are still two places for a rename.
        if (placed != Placed::OtherFileSystem)
            return placed == Placed::Done;
    }
    return MoveAcrossFileSystems(from, to, progress);
}

bool RenameFileNoReplace(const QString& from, const QString& to)
{
    return PlaceNoReplace(from, to) == Placed::Done;
}

bool DeleteFilePermanently(const QString& path)
{
    if (Fails(FileStep::Delete, path))
        return false;
    // A file already gone is as deleted as it gets.
    return ::unlink(Native(path).constData()) == 0 || errno == ENOENT;
}

namespace {

bool IsOwnFolder(const QByteArray& path)
{
    struct stat status;
    return lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == getuid();
}

// A trash folder with its "files" and "info" folders, made where missing.
bool MakeTrash(const QString& trash)
{
    for (const QString& folder : {trash, trash + "/files", trash + "/info"}) {
        QByteArray native = Native(folder);
        if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (!IsOwnFolder(native))
            return false;
    }
    return true;
}

// The top folder of the file system holding `folder` (its mount point).
QString TopFolder(QString folder, dev_t device)
{
    for (;;) {
        QString parent = QFileInfo(folder).path();
        struct stat status;
        if (parent == folder || stat(Native(parent).constData(), &status) != 0 || status.st_dev != device)
            return folder;
        folder = parent;
    }
}

// The trash for a file on `device`, made where missing, and the folder its
// records' paths are relative to ("" for absolute paths); empty when there is none.
std::pair<QString, QString> TrashFor(const QString& folder, dev_t device)
{
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty() || QDir::isRelativePath(data))
        data = QDir::homePath() + "/.local/share";
    QDir().mkpath(data);
    struct stat status;
    if (stat(Native(data).constData(), &status) == 0 && status.st_dev == device)
        return {MakeTrash(data + "/Trash") ? data + "/Trash" : QString(), QString()};
    QString top = TopFolder(folder, device);
    QString user = QString::number(getuid());
    // A shared .Trash counts only as a real folder with the sticky bit.
    QString shared = top + "/.Trash";
    if (lstat(Native(shared).constData(), &status) == 0 && S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX)
        && MakeTrash(shared + "/" + user))
        return {shared + "/" + user, top};
    QString own = top + "/.Trash-" + user;
    if (MakeTrash(own))
        return {own, top};
    return {};
}

} // namespace

// Not QFile::moveToTrash: where it cannot make the home trash, Qt 6.4 makes
// "files" and "info" folders in the working folder (the folder browsed) instead.
bool MoveFileToTrash(const QString& path, QString& pathInTrash)
{
    if (Fails(FileStep::Trash, path))
        return false;
    QFileInfo file(path);
    QString absolute = file.absoluteFilePath();
    struct stat status;
    if (lstat(Native(absolute).constData(), &status) != 0)
        return false;
    auto [trash, relativeTo] = TrashFor(file.absolutePath(), status.st_dev);
    if (trash.isEmpty())
        return false;
    QString recorded = relativeTo.isEmpty() ? absolute : QDir(relativeTo).relativeFilePath(absolute);
    QByteArray record = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(recorded, "/")
        + "\nDeletionDate=" + QDateTime::currentDateTime().toString("yyyy-MM-ddThh:mm:ss").toLatin1() + "\n";
    // The record is made first, exclusively, so its name is this file's in the trash.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        QString name = attempt == 0 ? file.fileName() : QString("%1.%2").arg(file.fileName()).arg(attempt);
        QByteArray info = Native(trash + "/info/" + name + ".trashinfo");
        Descriptor out(::open(info.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        if (!out.Valid()) {
            if (errno == EEXIST)
                continue;
            return false;
        }
        bool written = WriteAll(out.Get(), record.constData(), size_t(record.size()));
        if (!out.Close() || !written) {
            ::unlink(info.constData());
            return false;
        }
        QString target = trash + "/files/" + name;
        if (Place(absolute, target) == Placed::Done) {
            pathInTrash = target;
            return true;
        }
        ::unlink(info.constData());
        // A file of that name without a record: the next name.
        struct stat taken;
        if (lstat(Native(target).constData(), &taken) != 0)
            return false;
    }
    return false;
}

#endif

} // namespace pelmora::platform
