#include "Stream.h"

#include "Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#ifdef _WIN32
#include <share.h>
#endif

namespace pelmora {

void Stream::ReadBuffer(void* buffer, size_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError();
}

void Stream::WriteBuffer(const void* buffer, size_t count)
{
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError();
}

int64_t Stream::Remaining() const
{
    return std::max<int64_t>(0, Size() - Position());
}

uint8_t Stream::ReadByte()
{
    uint8_t b;
    ReadBuffer(&b, 1);
    return b;
}

uint16_t Stream::ReadU16LE()
{
    uint8_t b[2];
    ReadBuffer(b, 2);
    return uint16_t(b[0] | b[1] << 8);
}

uint32_t Stream::ReadU32LE()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

uint16_t Stream::ReadU16BE()
{
    uint8_t b[2];
    ReadBuffer(b, 2);
    return uint16_t(b[0] << 8 | b[1]);
}

uint32_t Stream::ReadU32BE()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | uint32_t(b[3]);
}

// ---- MemoryStream ----

MemoryStream::MemoryStream(std::vector<uint8_t> bytes)
    : owned_(std::move(bytes))
{
}

MemoryStream::MemoryStream(std::span<const uint8_t> view)
    : view_(view)
    , isView_(true)
{
}

std::span<const uint8_t> MemoryStream::View() const
{
    return isView_ ? view_ : std::span<const uint8_t>(owned_);
}

int64_t MemoryStream::Size() const
{
    return int64_t(View().size());
}

size_t MemoryStream::Read(void* buffer, size_t count)
{
    auto bytes = View();
    if (position_ >= int64_t(bytes.size()))
        return 0;
    size_t n = std::min(count, size_t(int64_t(bytes.size()) - position_));
    if (n != 0)
        std::memcpy(buffer, bytes.data() + position_, n);
    position_ += int64_t(n);
    return n;
}

size_t MemoryStream::Write(const void* buffer, size_t count)
{
    if (isView_ || count == 0)
        return 0;
    size_t end = size_t(position_) + count;
    if (end > owned_.size())
        owned_.resize(end);
    std::memcpy(owned_.data() + position_, buffer, count);
    position_ = int64_t(end);
    return count;
}

void MemoryStream::SetPosition(int64_t position)
{
    position_ = std::max<int64_t>(0, position);
}

// ---- FileStream ----

namespace {

std::FILE* OpenFile(const std::string& path, FileStream::Mode mode)
{
#ifdef _WIN32
    auto wide = std::filesystem::path(std::u8string(path.begin(), path.end())).wstring();
    return mode == FileStream::Mode::Read ? _wfsopen(wide.c_str(), L"rb", _SH_DENYWR)
                                          : _wfsopen(wide.c_str(), L"wb", _SH_DENYWR);
#else
    return std::fopen(path.c_str(), mode == FileStream::Mode::Read ? "rb" : "wb");
#endif
}

int64_t Tell(std::FILE* f)
{
#ifdef _WIN32
    return _ftelli64(f);
#else
    return ftello(f);
#endif
}

bool SeekTo(std::FILE* f, int64_t position, int whence)
{
#ifdef _WIN32
    return _fseeki64(f, position, whence) == 0;
#else
    return fseeko(f, off_t(position), whence) == 0;
#endif
}

} // namespace

FileStream::FileStream(const std::string& path, Mode mode)
    : path_(path)
{
    file_ = OpenFile(path, mode);
    if (!file_) {
        const char* reason = std::strerror(errno);
        throw EFOpenError(
            std::string(mode == Mode::Read ? "Cannot open file \"" : "Cannot create file \"") + path + "\". " + reason);
    }
    if (mode == Mode::Read && SeekTo(file_, 0, SEEK_END)) {
        size_ = Tell(file_);
        SeekTo(file_, 0, SEEK_SET);
    }
}

FileStream::~FileStream()
{
    if (file_)
        std::fclose(file_);
}

void FileStream::Close()
{
    if (!file_)
        return;
    bool ok = std::fflush(file_) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok)
        throw EWriteError();
}

size_t FileStream::Read(void* buffer, size_t count)
{
    return file_ && count ? std::fread(buffer, 1, count, file_) : 0;
}

size_t FileStream::Write(const void* buffer, size_t count)
{
    size_ = -1;
    return file_ && count ? std::fwrite(buffer, 1, count, file_) : 0;
}

int64_t FileStream::Position() const
{
    return file_ ? Tell(file_) : 0;
}

void FileStream::SetPosition(int64_t position)
{
    if (file_)
        SeekTo(file_, std::max<int64_t>(0, position), SEEK_SET);
}

int64_t FileStream::Size() const
{
    if (size_ >= 0 || !file_)
        return std::max<int64_t>(size_, 0);
    int64_t here = Tell(file_);
    SeekTo(file_, 0, SEEK_END);
    int64_t end = Tell(file_);
    SeekTo(file_, here, SEEK_SET);
    return end;
}

} // namespace pelmora
