// Standard output and appended files: plain file descriptors.

#include "lasterror.h"
#include "transport.h"

#include <QFile>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {

std::string systemError(const std::string &what, int error)
{
    return what + ": " + std::strerror(error);
}

// A reader that went away must show as EPIPE, not as a SIGPIPE that ends
// the process. SIGPIPE is blocked on this thread for the write, and one that
// the write raised is taken back before the old mask returns.
class SigpipeBlocked
{
public:
    SigpipeBlocked()
    {
        sigemptyset(&pipeOnly);
        sigaddset(&pipeOnly, SIGPIPE);
        sigset_t pending;
        sigpending(&pending);
        wasPending = sigismember(&pending, SIGPIPE) == 1;
        pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    }
    ~SigpipeBlocked()
    {
        if (!wasPending) {
            const timespec now{0, 0};
            while (sigtimedwait(&pipeOnly, nullptr, &now) == SIGPIPE) {}
        }
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }
    SigpipeBlocked(const SigpipeBlocked &) = delete;
    SigpipeBlocked &operator=(const SigpipeBlocked &) = delete;

private:
    sigset_t pipeOnly;
    sigset_t previous;
    bool wasPending = false;
};

class FdTransport : public Transport
{
public:
    FdTransport(int fd, std::string name)
        : fd(fd)
        , name(std::move(name))
    {
    }
    ~FdTransport() override
    {
        if (fd >= 0)
            ::close(fd);
    }

    qint64 write(const char *data, qint64 count, QDeadlineTimer deadline) override
    {
        if (droppedEarlier())
            return -1;
        SigpipeBlocked guard;
        qint64 taken = 0;
        while (taken < count) {
            // A pipe that reports room takes PIPE_BUF bytes without blocking,
            // so the deadline holds even on a descriptor in blocking mode.
            pollfd ready{fd, POLLOUT, 0};
            const int polled = ::poll(&ready, 1, pollTimeout(deadline));
            if (polled < 0 && errno == EINTR)
                continue;
            if (polled < 0)
                return fail(JATL_LINK_LOST, systemError(name, errno));
            if (polled == 0) {
                drop();
                LastError::setTimedOut(name, taken, count);
                return taken;
            }
            const size_t chunk = static_cast<size_t>(qMin<qint64>(count - taken, PIPE_BUF));
            const ssize_t written = ::write(fd, data + taken, chunk);
            if (written < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            if (written < 0)
                return fail(JATL_LINK_LOST, systemError(name, errno));
            taken += written;
        }
        return count;
    }

    bool flush(QDeadlineTimer) override
    {
        if (droppedEarlier())
            return false;
        pollfd state{fd, POLLOUT, 0};
        if (::poll(&state, 1, 0) < 0 || (state.revents & (POLLERR | POLLHUP | POLLNVAL))) {
            LastError::set(JATL_LINK_LOST, name + ": nobody reads any more");
            return false;
        }
        return true;
    }

private:
    static int pollTimeout(QDeadlineTimer deadline)
    {
        const qint64 left = deadline.remainingTime();
        return left < 0 ? -1 : static_cast<int>(qMin<qint64>(left, INT_MAX));
    }

    // A failure closes the descriptor, and every later call fails alike.
    bool droppedEarlier() const
    {
        if (fd >= 0)
            return false;
        LastError::set(JATL_LINK_LOST, name + ": the link was dropped after an earlier failure");
        return true;
    }

    qint64 fail(JATL_ERROR code, std::string text)
    {
        LastError::set(code, std::move(text));
        drop();
        return -1;
    }

    void drop()
    {
        ::close(fd);
        fd = -1;
    }

    int fd;
    std::string name;
};

} // namespace

std::unique_ptr<Transport> openStandardOutput()
{
    // A copy, so that closing the link leaves the process's own output alone.
    const int fd = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) {
        LastError::set(JATL_CONNECT_FAILED, systemError("stdout", errno));
        return nullptr;
    }
    return std::make_unique<FdTransport>(fd, "stdout");
}

std::unique_ptr<Transport> openAppendFile(const QString &path)
{
    const std::string name = "file:" + path.toStdString();
    // Non-blocking only for the open: a named pipe with no reader fails at
    // once instead of holding the window until one comes.
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0 || ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) < 0) {
        LastError::set(JATL_CONNECT_FAILED, systemError(name, errno));
        if (fd >= 0)
            ::close(fd);
        return nullptr;
    }
    return std::make_unique<FdTransport>(fd, name);
}
