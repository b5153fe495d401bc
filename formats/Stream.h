// The one stream abstraction every reader uses: read up to n bytes (returns the
// count) and read exactly n bytes (throws EReadError), plus position and size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pelmora {

class Stream {
public:
    virtual ~Stream() = default;

    // Reads up to count bytes; short reads are silent.
    virtual size_t Read(void* buffer, size_t count) = 0;
    virtual size_t Write(const void* buffer, size_t count) = 0;
    virtual int64_t Position() const = 0;
    virtual void SetPosition(int64_t position) = 0;
    virtual int64_t Size() const = 0;

    // Reads exactly count bytes or throws EReadError.
    void ReadBuffer(void* buffer, size_t count);
    // Reads `count` pieces of `size` bytes each, piece i into pieces[i] (rows
    // stored in another order than the bitmap's, say); EReadError when short.
    virtual void ReadPieces(uint8_t* const* pieces, size_t count, size_t size);
    // Writes all count bytes or throws EWriteError.
    void WriteBuffer(const void* buffer, size_t count);
    // Up to `count` bytes from the position, in place, moving past them, for
    // a stream that holds its bytes in memory: no copy. Other streams give
    // nothing and stay where they are; their callers read into a buffer.
    // The bytes stay valid as long as the stream is not written to.
    virtual std::span<const uint8_t> Borrow(size_t) { return {}; }
    // Moves relative to the current position.
    void Seek(int64_t offset) { SetPosition(Position() + offset); }
    // What is left between the position and the end (0 when past the end).
    int64_t Remaining() const;

    uint8_t ReadByte();
    uint16_t ReadU16LE();
    uint32_t ReadU32LE();
    uint16_t ReadU16BE();
    uint32_t ReadU32BE();
};

// The bytes from the position to the end, for readers whose library takes a
// whole file: borrowed from a stream that holds them in memory, otherwise
// read into `buffer`. More than a gigabyte throws EInvalidGraphic(tooLarge).
std::span<const uint8_t> RestOfStream(Stream& stream, std::vector<uint8_t>& buffer, const char* tooLarge);

// A stream over bytes in memory: either its own growing buffer or a read-only view.
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes);
    // A read-only view; the bytes must outlive the stream.
    explicit MemoryStream(std::span<const uint8_t> view);

    size_t Read(void* buffer, size_t count) override;
    std::span<const uint8_t> Borrow(size_t count) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Position() const override { return position_; }
    void SetPosition(int64_t position) override;
    int64_t Size() const override;

    // The bytes written so far (owning streams only).
    const std::vector<uint8_t>& Bytes() const { return owned_; }
    std::span<const uint8_t> View() const;

private:
    std::vector<uint8_t> owned_;
    std::span<const uint8_t> view_;
    bool isView_ = false;
    int64_t position_ = 0;
};

// A file opened for reading (others may read, and on Windows nobody may write)
// or created for writing. Small reads and writes go through a buffer of its
// own; large ones go straight between the file and the caller's memory.
class FileStream final : public Stream {
public:
    enum class Mode { Read, Create };
    FileStream(const std::string& path, Mode mode);
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    size_t Read(void* buffer, size_t count) override;
    // One system call for many pieces where the system has scattered reads.
    void ReadPieces(uint8_t* const* pieces, size_t count, size_t size) override;
    size_t Write(const void* buffer, size_t count) override;
    int64_t Position() const override { return position_; }
    void SetPosition(int64_t position) override;
    int64_t Size() const override;
    const std::string& Path() const { return path_; }
    // Writes what is buffered and closes; throws EWriteError when that fails.
    void Close();

private:
    static constexpr size_t kBufferSize = 128 * 1024;
    bool Flush();

    std::string path_;
    int fd_ = -1;
    Mode mode_;
    int64_t position_ = 0; // the caller's position
    int64_t filePosition_ = 0; // where the descriptor stands
    int64_t size_ = 0;
    std::vector<uint8_t> buffer_;
    size_t bufferStart_ = 0, bufferEnd_ = 0; // read: unread bytes; write: bytes to write
    int64_t bufferPosition_ = 0; // file position of buffer_[0]
    bool failed_ = false;
};

} // namespace pelmora
