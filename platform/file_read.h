// Reading files that may be anything a user can pick or a folder can hold:
// a FIFO, a device, a huge file, a file that shrinks while it is read.
// Nothing here blocks or reads without bound.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quble {

// A file descriptor closed on every way out.
class InputFile {
public:
    // Opens path for reading without ever blocking (a FIFO or a device
    // would wait for a writer that never comes) and accepts only a regular
    // file, or a link to one. On failure ok() is false and why() says what
    // is wrong, in words that follow "the file NAME ".
    explicit InputFile(const std::string& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    bool ok() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    std::int64_t size() const { return size_; }
    const std::string& why() const { return why_; }

private:
    int fd_ = -1;
    std::int64_t size_ = 0;
    std::string why_;
};

// Reads exactly `bytes` bytes, or fails (the file shrank, a read error).
bool ReadFully(int fd, char* to, std::size_t bytes);

// The whole of a regular file of at most maxBytes bytes. False with why
// set ("the file X cannot be read: ...", "... is too large ...") otherwise,
// running out of memory included.
bool ReadRegularFile(const std::string& path, std::vector<std::uint8_t>* out, std::int64_t maxBytes, std::string* why);

}  // namespace quble
