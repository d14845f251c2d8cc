#include "platform/file_read.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <unistd.h>

namespace quble {

InputFile::InputFile(const std::string& path) {
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer. A regular file ignores the flag, so reads stay ordinary.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        why_ = std::string("cannot be read: ") + std::strerror(errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        why_ = std::string("cannot be read: ") + std::strerror(errno);
        ::close(fd);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        why_ = S_ISDIR(st.st_mode) ? "is a folder, not a file" : "is not a regular file (a pipe, a device or a socket)";
        ::close(fd);
        return;
    }
    fd_ = fd;
    size_ = static_cast<std::int64_t>(st.st_size);
}

InputFile::~InputFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool ReadFully(int fd, char* to, std::size_t bytes) {
    while (bytes > 0) {
        const ssize_t got = ::read(fd, to, bytes);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        to += got;
        bytes -= static_cast<std::size_t>(got);
    }
    return true;
}

bool ReadRegularFile(const std::string& path, std::vector<std::uint8_t>* out, std::int64_t maxBytes, std::string* why) {
    auto fail = [&](const std::string& w) {
        if (why) *why = "the file " + path + " " + w;
        return false;
    };
    InputFile f(path);
    if (!f.ok()) return fail(f.why());
    if (f.size() > maxBytes) return fail("is too large (" + std::to_string(f.size()) + " bytes)");
    try {
        out->resize(static_cast<std::size_t>(f.size()));
    } catch (const std::bad_alloc&) {
        return fail("does not fit in memory");
    }
    errno = 0;
    if (!ReadFully(f.fd(), reinterpret_cast<char*>(out->data()), out->size())) {
        out->clear();
        return fail(std::string("cannot be read: ") + (errno ? std::strerror(errno) : "it is shorter than its size"));
    }
    return true;
}

}  // namespace quble
