// Another process holding a project's lock, as a window or a running command
// would, that a test can kill outright.
#pragma once

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QString>

namespace kestrune::test {

class LockHolder {
public:
    // Returns once the child holds the lock at `path`.
    explicit LockHolder(const QString& path) {
        const QByteArray name = QFile::encodeName(path);
        int ready[2];
        if (::pipe(ready) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls between fork and exit.
            const int fd = ::open(name.constData(), O_RDWR | O_CREAT, 0600);
            if (fd < 0 || ::flock(fd, LOCK_EX) != 0)
                ::_exit(1);
            (void)::write(ready[1], "x", 1);
            for (;;)
                ::pause();
        }
        ::close(ready[1]);
        char byte = 0;
        holding_ = pid_ > 0 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
    }
    ~LockHolder() { kill(); }
    LockHolder(const LockHolder&) = delete;
    LockHolder& operator=(const LockHolder&) = delete;

    bool holding() const { return holding_; }

    // SIGKILL: the holder gets no chance to let go of the lock itself.
    void kill() {
        if (pid_ <= 0)
            return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
        holding_ = false;
    }

private:
    pid_t pid_ = -1;
    bool holding_ = false;
};

} // namespace kestrune::test
