// Quorva run-time. Licensed under the MIT licence.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace shell {

// A readable, seekable stream of bytes. Whoever receives a stream owns it and frees it; a stream
// is used by one thread at a time.
class Stream {
public:
    virtual ~Stream();

    virtual std::uint64_t Size() const = 0;
    virtual std::uint64_t Position() const = 0;
    // Moves the position; false (position unchanged) for a position beyond the end.
    virtual bool Seek(std::uint64_t position) = 0;
    // Reads up to `count` bytes at the position and advances it; fewer at the end, 0 there.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;

    // The bytes from the position to the end; the position ends at the end.
    std::string ReadAll();
};

// Frees a block that came from malloc or realloc.
struct FreeDeleter {
    void operator()(void* block) const noexcept { std::free(block); }
};
using MallocBlock = std::unique_ptr<char[], FreeDeleter>;

// A stream over bytes that it owns: a string, or a malloc'd block taken over without a copy
// (the package hands over inflated entries that way).
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes);
    // Takes over the first `size` bytes of `block`.
    MemoryStream(MallocBlock block, std::size_t size);
    MemoryStream(const MemoryStream&) = delete;
    MemoryStream& operator=(const MemoryStream&) = delete;

    std::uint64_t Size() const override { return m_size; }
    std::uint64_t Position() const override { return m_position; }
    bool Seek(std::uint64_t position) override;
    std::size_t Read(void* buffer, std::size_t count) override;

    // All the bytes, whatever the position; valid as long as the stream lives.
    std::string_view Bytes() const { return {m_data, m_size}; }

private:
    std::string m_text;
    MallocBlock m_block;
    const char* m_data = m_text.data();
    std::size_t m_size = 0;
    std::size_t m_position = 0;
};

// A read-only stream on a regular file of the disk. It owns its descriptor; the size is the
// file's size at each call, so a file that grows can be read further.
class FileStream final : public Stream {
public:
    // Null when the path cannot be opened for reading or is not a regular file.
    static std::unique_ptr<FileStream> Open(const std::string& hostPath);

    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    std::uint64_t Size() const override;
    std::uint64_t Position() const override { return m_position; }
    bool Seek(std::uint64_t position) override;
    std::size_t Read(void* buffer, std::size_t count) override;

    // Reads at `position` without moving the stream's position; fewer bytes at the end of the
    // file or on a read error.
    std::size_t ReadAt(std::uint64_t position, void* buffer, std::size_t count) const;

private:
    explicit FileStream(int fd) : m_fd(fd) {}

    int m_fd;
    std::uint64_t m_position = 0;
};

} // namespace shell
