// End to end over TCP: the window's file transfer through our link library
// to jtag-uart-listen, against a plain loop that makes one send() per line
// on a socket to the same listener.
//
// usage: bench_transfer_tcp [LINES [ROUNDS]]

#include "benchsupport.h"
#include "mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// jtag-uart-listen, draining into /dev/null.
class Listener
{
public:
    Listener()
    {
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(LISTEN_PATH), {QStringLiteral("--port"), QStringLiteral("0"),
                                                    QStringLiteral("--output"), QStringLiteral("/dev/null")});
        static const QRegularExpression listening(QStringLiteral("listening on 127\\.0\\.0\\.1:(\\d+)"));
        while (port == 0 && process.waitForReadyRead(5000)) {
            const QRegularExpressionMatch match = listening.match(QString::fromLatin1(process.readLine()));
            if (match.hasMatch())
                port = match.captured(1).toUShort();
        }
    }
    ~Listener()
    {
        process.kill();
        process.waitForFinished();
    }

    // Waits until the listener has ended one connection; returns its bytes.
    long long connectionEnded()
    {
        static const QRegularExpression closed(QStringLiteral("closed after (\\d+) bytes"));
        while (process.canReadLine() || process.waitForReadyRead(30000)) {
            const QRegularExpressionMatch match = closed.match(QString::fromLatin1(process.readLine()));
            if (match.hasMatch())
                return match.captured(1).toLongLong();
        }
        return -1;
    }

    QProcess process;
    quint16 port = 0;
};

long long sendWithPlainLoop(const QString &path, quint16 port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        std::perror("connect");
        std::exit(1);
    }
    const long long sent = sendWithGetline(path, [fd](const std::string &line) {
        if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
            std::perror("send");
            std::exit(1);
        }
    });
    ::close(fd);
    return sent;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long long lines = argc > 1 ? std::atoll(argv[1]) : 1000000;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("coef.txt"));
    writeCoefficients(path, lines);
    Listener listener;
    if (!listener.port) {
        std::fprintf(stderr, "jtag-uart-listen did not start\n");
        return 1;
    }
    qputenv("JTAG_UART", "tcp:127.0.0.1:" + QByteArray::number(listener.port));

    double windowSeconds = 1e30, plainSeconds = 1e30;
    long long windowBytes = 0, plainBytes = 0;
    for (int round = 0; round < rounds; ++round) {
        {
            MainWindow window;
            QElapsedTimer timer;
            timer.start();
            runWindowTransfer(window, path);
            windowSeconds = std::min(windowSeconds, timer.nsecsElapsed() / 1e9);
        }
        windowBytes = listener.connectionEnded();

        QElapsedTimer timer;
        timer.start();
        sendWithPlainLoop(path, listener.port);
        plainSeconds = std::min(plainSeconds, timer.nsecsElapsed() / 1e9);
        plainBytes = listener.connectionEnded();
    }
    if (windowBytes != plainBytes || windowBytes <= 0) {
        std::fprintf(stderr, "the board got %lld bytes from the window and %lld from the loop\n", windowBytes,
                     plainBytes);
        return 1;
    }
    std::printf("over TCP to jtag-uart-listen  %lld lines, %lld bytes each, best of %d\n", lines, windowBytes, rounds);
    printComparison(lines, windowSeconds, "send() per line", plainSeconds);
    return 0;
}
