#include "project_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

#include <QFile>

namespace kestrune {

namespace {

// Closes the descriptor on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd)
        : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

[[noreturn]] void fail(const QString& path, const std::string& why) {
    throw ProjectFileError("Could not open " + path.toStdString() + ": " + why);
}

[[noreturn]] void failWithErrno(const QString& path) {
    // Thumbnails read project files on worker threads; strerror is not thread-safe.
    fail(path, std::error_code(errno, std::generic_category()).message());
}

[[noreturn]] void failTooLarge(const QString& path) {
    fail(path, "it is larger than a project file can be (" +
                   std::to_string(kMaxProjectFileSize / (1024 * 1024)) + " MB)");
}

} // namespace

std::string readProjectFile(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    // O_NONBLOCK: opening a pipe for reading would otherwise wait for a writer
    // forever. What the name leads to is checked on the open descriptor, so it
    // cannot be swapped between the check and the read.
    Descriptor file(::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0)
        failWithErrno(path);
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        failWithErrno(path);
    if (!S_ISREG(status.st_mode))
        fail(path, "it is not a regular file");
    if (status.st_size > kMaxProjectFileSize)
        failTooLarge(path);

    // The file may grow while it is read; never read past the limit.
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(status.st_size) + 1);
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) {
            if (bytes.size() > static_cast<std::size_t>(kMaxProjectFileSize))
                failTooLarge(path);
            bytes.resize(
                std::min(bytes.size() * 2, static_cast<std::size_t>(kMaxProjectFileSize) + 1));
        }
        const ssize_t got = ::read(file.get(), bytes.data() + filled, bytes.size() - filled);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            failWithErrno(path);
        }
        if (got == 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    bytes.resize(filled);
    return bytes;
}

} // namespace kestrune
