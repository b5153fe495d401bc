#include "Stream.h"

#include "ByteOrder.h"
#include "Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#include <share.h>
#include <sys/stat.h>
#else
#include <sys/uio.h>
#include <unistd.h>
#endif

namespace pelmora {

void Stream::ReadBuffer(void* buffer, size_t count)
{
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError();
}

void Stream::ReadPieces(uint8_t* const* pieces, size_t count, size_t size)
{
    for (size_t i = 0; i < count; ++i)
        ReadBuffer(pieces[i], size);
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
    return LoadU16LE(b);
}

uint32_t Stream::ReadU32LE()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return LoadU32LE(b);
}

uint16_t Stream::ReadU16BE()
{
    uint8_t b[2];
    ReadBuffer(b, 2);
    return LoadU16BE(b);
}

uint32_t Stream::ReadU32BE()
{
    uint8_t b[4];
    ReadBuffer(b, 4);
    return LoadU32BE(b);
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
    std::span<const uint8_t> bytes = Borrow(count);
    if (!bytes.empty())
        std::memcpy(buffer, bytes.data(), bytes.size());
    return bytes.size();
}

std::span<const uint8_t> MemoryStream::Borrow(size_t count)
{
    auto bytes = View();
    if (position_ >= int64_t(bytes.size()))
        return {};
    size_t n = std::min(count, size_t(int64_t(bytes.size()) - position_));
    std::span<const uint8_t> borrowed = bytes.subspan(size_t(position_), n);
    position_ += int64_t(n);
    return borrowed;
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

int OpenFile(const std::string& path, FileStream::Mode mode)
{
#ifdef _WIN32
    auto wide = std::filesystem::path(std::u8string(path.begin(), path.end())).wstring();
    int fd = -1;
    int flags = mode == FileStream::Mode::Read ? _O_RDONLY | _O_BINARY : _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY;
    _wsopen_s(&fd, wide.c_str(), flags, _SH_DENYWR, _S_IREAD | _S_IWRITE);
    return fd;
#else
    return mode == FileStream::Mode::Read ? ::open(path.c_str(), O_RDONLY | O_CLOEXEC)
                                          : ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
#endif
}

int64_t SeekFile(int fd, int64_t position, int whence)
{
#ifdef _WIN32
    return _lseeki64(fd, position, whence);
#else
    return int64_t(::lseek(fd, off_t(position), whence));
#endif
}

// One read or write call, retried when interrupted; returns the count or -1.
int64_t ReadFile(int fd, void* buffer, size_t count)
{
#ifdef _WIN32
    return _read(fd, buffer, unsigned(std::min<size_t>(count, 1u << 30)));
#else
    for (;;) {
        ssize_t n = ::read(fd, buffer, count);
        if (n >= 0 || errno != EINTR)
            return n;
    }
#endif
}

int64_t WriteFile(int fd, const void* buffer, size_t count)
{
#ifdef _WIN32
    return _write(fd, buffer, unsigned(std::min<size_t>(count, 1u << 30)));
#else
    for (;;) {
        ssize_t n = ::write(fd, buffer, count);
        if (n >= 0 || errno != EINTR)
            return n;
    }
#endif
}

void CloseFile(int fd)
{
#ifdef _WIN32
    _close(fd);
#else
    ::close(fd);
#endif
}

} // namespace

FileStream::FileStream(const std::string& path, Mode mode)
    : path_(path)
    , mode_(mode)
{
    fd_ = OpenFile(path, mode);
    if (fd_ < 0) {
        const char* reason = std::strerror(errno);
        throw EFOpenError(
            std::string(mode == Mode::Read ? "Cannot open file \"" : "Cannot create file \"") + path + "\". " + reason);
    }
    if (mode == Mode::Read) {
        size_ = std::max<int64_t>(0, SeekFile(fd_, 0, SEEK_END));
        SeekFile(fd_, 0, SEEK_SET);
    }
    buffer_.resize(kBufferSize);
}

FileStream::~FileStream()
{
    if (fd_ >= 0) {
        Flush();
        CloseFile(fd_);
    }
}

void FileStream::Close()
{
    if (fd_ < 0)
        return;
    bool ok = Flush() && !failed_;
#ifdef _WIN32
    ok = _close(fd_) == 0 && ok;
#else
    ok = ::close(fd_) == 0 && ok;
#endif
    fd_ = -1;
    if (!ok)
        throw EWriteError();
}

bool FileStream::Flush()
{
    if (mode_ != Mode::Create || bufferEnd_ == 0)
        return true;
    size_t done = 0;
    while (done < bufferEnd_) {
        int64_t n = WriteFile(fd_, buffer_.data() + done, bufferEnd_ - done);
        if (n <= 0) {
            failed_ = true;
            bufferEnd_ = 0;
            return false;
        }
        done += size_t(n);
    }
    filePosition_ = bufferPosition_ + int64_t(bufferEnd_);
    bufferEnd_ = 0;
    return true;
}

size_t FileStream::Read(void* buffer, size_t count)
{
    if (fd_ < 0 || mode_ != Mode::Read || count == 0)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    // What the buffer holds at the position first.
    if (position_ >= bufferPosition_ && position_ < bufferPosition_ + int64_t(bufferEnd_)) {
        size_t at = size_t(position_ - bufferPosition_);
        size_t n = std::min(count, bufferEnd_ - at);
        std::memcpy(out, buffer_.data() + at, n);
        done = n;
        position_ += int64_t(n);
    }
    while (done < count) {
        if (filePosition_ != position_) {
            if (SeekFile(fd_, position_, SEEK_SET) < 0)
                break;
            filePosition_ = position_;
        }
        size_t want = count - done;
        if (want >= kBufferSize) {
            // Large reads go straight into the caller's memory.
            int64_t n = ReadFile(fd_, out + done, want);
            if (n <= 0)
                break;
            done += size_t(n);
            position_ += n;
            filePosition_ += n;
            continue;
        }
        int64_t n = ReadFile(fd_, buffer_.data(), kBufferSize);
        if (n <= 0)
            break;
        bufferPosition_ = filePosition_;
        bufferEnd_ = size_t(n);
        filePosition_ += n;
        size_t take = std::min(want, size_t(n));
        std::memcpy(out + done, buffer_.data(), take);
        done += take;
        position_ += int64_t(take);
    }
    return done;
}

void FileStream::ReadPieces(uint8_t* const* pieces, size_t count, size_t size)
{
#ifdef _WIN32
    Stream::ReadPieces(pieces, count, size);
#else
    if (fd_ < 0 || mode_ != Mode::Read || size == 0)
        return Stream::ReadPieces(pieces, count, size);
    // Pieces the buffer still holds come from it.
    size_t i = 0;
    while (
        i < count && position_ >= bufferPosition_ && position_ + int64_t(size) <= bufferPosition_ + int64_t(bufferEnd_))
        ReadBuffer(pieces[i++], size);
    if (i < count && position_ < bufferPosition_ + int64_t(bufferEnd_) && position_ >= bufferPosition_)
        ReadBuffer(pieces[i++], size); // a piece that starts in the buffer
    if (filePosition_ != position_) {
        if (SeekFile(fd_, position_, SEEK_SET) < 0)
            throw EReadError();
        filePosition_ = position_;
    }
    constexpr size_t kBatch = 1024; // IOV_MAX on every system we know
    iovec vectors[kBatch];
    while (i < count) {
        size_t n = std::min(kBatch, count - i);
        for (size_t k = 0; k < n; ++k)
            vectors[k] = {pieces[i + k], size};
        size_t wanted = n * size, got = 0;
        iovec* v = vectors;
        size_t left = n;
        while (got < wanted) {
            ssize_t r = ::readv(fd_, v, int(left));
            if (r < 0 && errno == EINTR)
                continue;
            if (r <= 0)
                break;
            got += size_t(r);
            // Step past what arrived (a short read may end inside a piece).
            size_t step = size_t(r);
            while (left && step >= v->iov_len) {
                step -= v->iov_len;
                ++v, --left;
            }
            if (left) {
                v->iov_base = static_cast<uint8_t*>(v->iov_base) + step;
                v->iov_len -= step;
            }
        }
        position_ += int64_t(got);
        filePosition_ = position_;
        if (got < wanted)
            throw EReadError();
        i += n;
    }
#endif
}

size_t FileStream::Write(const void* buffer, size_t count)
{
    if (fd_ < 0 || mode_ != Mode::Create || count == 0 || failed_)
        return 0;
    const auto* in = static_cast<const uint8_t*>(buffer);
    if (bufferEnd_ != 0 && bufferPosition_ + int64_t(bufferEnd_) != position_ && !Flush())
        return 0;
    if (bufferEnd_ == 0) {
        if (filePosition_ != position_ && SeekFile(fd_, position_, SEEK_SET) < 0)
            return 0;
        filePosition_ = position_;
        bufferPosition_ = position_;
    }
    size_t done = 0;
    while (done < count) {
        size_t n = std::min(count - done, kBufferSize - bufferEnd_);
        std::memcpy(buffer_.data() + bufferEnd_, in + done, n);
        bufferEnd_ += n;
        done += n;
        if (bufferEnd_ == kBufferSize) {
            if (!Flush())
                return 0;
            bufferPosition_ = filePosition_;
        }
    }
    position_ += int64_t(count);
    size_ = std::max(size_, position_);
    return count;
}

void FileStream::SetPosition(int64_t position)
{
    position_ = std::max<int64_t>(0, position);
}

int64_t FileStream::Size() const
{
    return size_;
}

} // namespace pelmora
