// Our JTAG Atlantic library against real peers: a TCP server in the test, a
// pseudo-terminal for the serial target, a file, and a child's output.

#include "my_jtag_atlantic.h"

#include <QDir>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct Closer
{
    void operator()(JTAGATLANTIC *handle) const { jtagatlantic_close(handle); }
};
using Link = std::unique_ptr<JTAGATLANTIC, Closer>;

Link openLink(const QByteArray &target)
{
    qputenv("JTAG_UART", target);
    return Link(jtagatlantic_open(nullptr, 1, 0, nullptr));
}

int writeBytes(const Link &link, const QByteArray &bytes)
{
    return jtagatlantic_write(link.get(), bytes.constData(), static_cast<unsigned int>(bytes.size()));
}

QByteArray lastErrorText()
{
    const char *text = nullptr;
    jtagatlantic_get_error(&text);
    return QByteArray(text);
}

QByteArray tcpTarget(quint16 port)
{
    return "tcp:127.0.0.1:" + QByteArray::number(port);
}

// A port on which nothing listens.
quint16 closedPort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    return probe.serverPort();
}

// Reads from a peer until it has `count` bytes or the peer goes away.
QByteArray readFrom(QTcpSocket *peer, qint64 count)
{
    QByteArray received;
    while (received.size() < count) {
        if (!peer->bytesAvailable() && !peer->waitForReadyRead(5000))
            break;
        received += peer->readAll();
    }
    return received;
}

} // namespace

class TestJtagAtlantic : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void openFailures_data();
    void openFailures();
    void nullHandleIsHarmless();

    void tcpDeliversEveryByte();
    void tcpPeerThatCloses();
    void tcpPeerThatStopsReading();

    void fileAppends();
    void standardOutputOfAChild();
    void standardOutputWithNoReader();

    void serialPort();
    void serialPortThatStopsReading();
};

void TestJtagAtlantic::cleanup()
{
    qunsetenv("JTAG_UART");
    qunsetenv("JTAG_UART_TIMEOUT_MS");
}

void TestJtagAtlantic::openFailures_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("timeout");
    QTest::addColumn<int>("code");
    QTest::addColumn<QByteArray>("textHas");

    QTest::newRow("none") << "none"_ba
                          << ""_ba << int(JATL_NO_BOARD) << "no board"_ba;
    QTest::newRow("unknown") << "usb:0"_ba
                             << ""_ba << int(JATL_BAD_SETTING) << "usb:0"_ba;
    QTest::newRow("tcp, no port") << "tcp:localhost"_ba
                                  << ""_ba << int(JATL_BAD_SETTING) << "tcp:HOST:PORT"_ba;
    QTest::newRow("tcp, no host") << "tcp::2540"_ba
                                  << ""_ba << int(JATL_BAD_SETTING) << "tcp:HOST:PORT"_ba;
    QTest::newRow("tcp, port too big") << "tcp:127.0.0.1:70000"_ba
                                       << ""_ba << int(JATL_BAD_SETTING) << "tcp:HOST:PORT"_ba;
    QTest::newRow("tcp, nobody listens") << "CLOSED"_ba
                                         << ""_ba << int(JATL_CONNECT_FAILED) << "refused"_ba;
    QTest::newRow("file, no path") << "file:"_ba
                                   << ""_ba << int(JATL_BAD_SETTING) << "file:"_ba;
    QTest::newRow("file, no folder") << "file:/nonexistent/capture.bin"_ba
                                     << ""_ba << int(JATL_CONNECT_FAILED) << "No such file"_ba;
    QTest::newRow("serial, no device") << "serial:"_ba
                                       << ""_ba << int(JATL_BAD_SETTING) << "DEVICE"_ba;
    QTest::newRow("serial, bad speed") << "serial:/dev/ttyS0@fast"_ba
                                       << ""_ba << int(JATL_BAD_SETTING) << "BAUD"_ba;
    QTest::newRow("serial, missing device") << "serial:/dev/nonexistent-uart"_ba
                                            << ""_ba << int(JATL_CONNECT_FAILED) << "/dev/nonexistent-uart"_ba;
    QTest::newRow("timeout not a number") << "stdout"_ba
                                          << "soon"_ba << int(JATL_BAD_SETTING) << "soon"_ba;
    QTest::newRow("timeout zero") << "stdout"_ba
                                  << "0"_ba << int(JATL_BAD_SETTING) << "milliseconds"_ba;
}

void TestJtagAtlantic::openFailures()
{
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, timeout);
    QFETCH(int, code);
    QFETCH(QByteArray, textHas);
    if (target == "CLOSED")
        target = tcpTarget(closedPort());
    if (!timeout.isEmpty())
        qputenv("JTAG_UART_TIMEOUT_MS", timeout);

    const Link link = openLink(target);
    QVERIFY(!link);
    const char *text = nullptr;
    QCOMPARE(int(jtagatlantic_get_error(&text)), code);
    QVERIFY(text);
    QVERIFY2(QByteArray(text).contains(textHas), text);
}

void TestJtagAtlantic::nullHandleIsHarmless()
{
    QVERIFY(jtagatlantic_flush(nullptr) != 0);
    QCOMPARE(jtagatlantic_write(nullptr, "x\n", 2), -1);
    QCOMPARE(int(jtagatlantic_get_error(nullptr)), int(JATL_BAD_ARGUMENT));
    jtagatlantic_close(nullptr);
}

void TestJtagAtlantic::tcpDeliversEveryByte()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const Link link = openLink(tcpTarget(server.serverPort()));
    QVERIFY2(link, lastErrorText());
    QCOMPARE(jtagatlantic_flush(link.get()), 0);

    const QList<QByteArray> writes = {"abc\n"_ba, "\xe9\n"_ba, QByteArray("\0\xff\r\n", 4), QByteArray(100000, 'x')};
    QByteArray expected;
    for (const QByteArray &bytes : writes) {
        QCOMPARE(writeBytes(link, bytes), bytes.size());
        expected += bytes;
    }
    QCOMPARE(jtagatlantic_write(link.get(), "", 0), 0);

    QVERIFY(server.waitForNewConnection(5000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());
    QCOMPARE(readFrom(peer.get(), expected.size()), expected);
}

void TestJtagAtlantic::tcpPeerThatCloses()
{
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const Link link = openLink(tcpTarget(server.serverPort()));
    QVERIFY(link);
    QVERIFY(server.waitForNewConnection(5000));
    delete server.nextPendingConnection();

    // The first writes may still land in the kernel's buffer; once the
    // peer's reset is back every write fails, and the process lives on.
    int result = 0;
    for (int i = 0; i < 200 && result != -1; ++i) {
        result = writeBytes(link, "line\n");
        QTest::qWait(1);
    }
    QCOMPARE(result, -1);
    QCOMPARE(int(jtagatlantic_get_error(nullptr)), int(JATL_LINK_LOST));
    QCOMPARE(writeBytes(link, "again\n"), -1);
    QVERIFY(jtagatlantic_flush(link.get()) != 0);
}

void TestJtagAtlantic::tcpPeerThatStopsReading()
{
    qputenv("JTAG_UART_TIMEOUT_MS", "300");
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    const Link link = openLink(tcpTarget(server.serverPort()));
    QVERIFY(link);
    QVERIFY(server.waitForNewConnection(5000));
    std::unique_ptr<QTcpSocket> peer(server.nextPendingConnection());

    // The peer reads nothing while the write runs: the kernel's buffers fill
    // and the write gives up at the timeout with what was taken.
    QByteArray block(64 * 1024 * 1024, '\0');
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = char('a' + i % 26);
    const int taken = writeBytes(link, block);
    QVERIFY2(taken > 0 && taken < block.size(), QByteArray::number(taken));
    QCOMPARE(int(jtagatlantic_get_error(nullptr)), int(JATL_TIMEOUT));

    // Exactly the bytes counted as taken reach the peer; the rest never do.
    QByteArray received = readFrom(peer.get(), block.size());
    while (peer->waitForReadyRead(500))
        received += peer->readAll();
    QCOMPARE(received.size(), qsizetype(taken));
    QVERIFY(received == block.left(taken));
    QCOMPARE(writeBytes(link, "more\n"), -1);
}

void TestJtagAtlantic::fileAppends()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"capture.bin"_s);
    QFile existing(path);
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("kept\n");
    existing.close();

    for (const QByteArray &bytes : {"first\n"_ba, QByteArray("\0\xe9\n", 3)}) {
        const Link link = openLink("file:" + QFile::encodeName(path));
        QVERIFY2(link, lastErrorText());
        QCOMPARE(jtagatlantic_flush(link.get()), 0);
        QCOMPARE(writeBytes(link, bytes), bytes.size());
    }
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), "kept\nfirst\n"_ba + QByteArray("\0\xe9\n", 3));
}

void TestJtagAtlantic::standardOutputOfAChild()
{
    QProcess writer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"JTAG_UART"_s, u"stdout"_s);
    writer.setProcessEnvironment(environment);
    writer.start(QStringLiteral(LINKWRITER_PATH), {u"6162630a"_s, u"00ff0d0a"_s});
    QVERIFY(writer.waitForFinished(10000));
    QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(writer.exitCode(), 0);
    QCOMPARE(writer.readAllStandardOutput(), QByteArray("abc\n\0\xff\r\n", 8));
}

void TestJtagAtlantic::standardOutputWithNoReader()
{
    QProcess writer;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"JTAG_UART"_s, u"stdout"_s);
    writer.setProcessEnvironment(environment);
    // The child's output is a pipe whose reading end is already closed, and
    // SIGPIPE has its default action, which would end the child.
    writer.setChildProcessModifier([] {
        int ends[2];
        if (::pipe(ends) == 0) {
            ::close(ends[0]);
            ::dup2(ends[1], STDOUT_FILENO);
        }
        ::signal(SIGPIPE, SIG_DFL);
    });
    writer.start(QStringLiteral(LINKWRITER_PATH), {u"6162630a"_s});
    QVERIFY(writer.waitForFinished(10000));
    QCOMPARE(writer.exitStatus(), QProcess::NormalExit);
    QCOMPARE(writer.exitCode(), 1);
    QCOMPARE(writer.readAllStandardError(), "-1\n"_ba);
}

void TestJtagAtlantic::serialPort()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        QSKIP("no pseudo-terminal can be had here");
    const QByteArray device = ::ptsname(master);

    {
        const Link link = openLink("serial:" + device + "@9600");
        QVERIFY2(link, lastErrorText());
        QCOMPARE(jtagatlantic_flush(link.get()), 0);
        const QByteArray bytes("abc\n\0\xe9\r\n", 8);
        QCOMPARE(writeBytes(link, bytes), bytes.size());

        QByteArray received(64, '\0');
        const ssize_t count = ::read(master, received.data(), received.size());
        QCOMPARE(received.left(count), bytes);

        // Unplugged: the other end is gone.
        ::close(master);
        QCOMPARE(writeBytes(link, "lost\n"), -1);
        QCOMPARE(int(jtagatlantic_get_error(nullptr)), int(JATL_LINK_LOST));
    }
}

void TestJtagAtlantic::serialPortThatStopsReading()
{
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
        QSKIP("no pseudo-terminal can be had here");
    qputenv("JTAG_UART_TIMEOUT_MS", "300");
    const Link link = openLink("serial:" + QByteArray(::ptsname(master)));
    QVERIFY2(link, lastErrorText());

    // Nothing reads the other end: the terminal's buffer fills and the write
    // gives up at the timeout with what the terminal took.
    QByteArray block(1024 * 1024, '\0');
    for (qsizetype i = 0; i < block.size(); ++i)
        block[i] = char('a' + i % 26);
    const int taken = writeBytes(link, block);
    QVERIFY2(taken >= 0 && taken < block.size(), QByteArray::number(taken));
    QCOMPARE(int(jtagatlantic_get_error(nullptr)), int(JATL_TIMEOUT));
    QCOMPARE(writeBytes(link, "more\n"), -1);

    // Exactly the bytes counted as taken are there to read.
    QByteArray received;
    ::fcntl(master, F_SETFL, O_NONBLOCK);
    char chunk[4096];
    for (ssize_t count; (count = ::read(master, chunk, sizeof chunk)) > 0;)
        received.append(chunk, count);
    ::close(master);
    QCOMPARE(received.size(), qsizetype(taken));
    QVERIFY(received == block.left(taken));
}

QTEST_GUILESS_MAIN(TestJtagAtlantic)
#include "tst_jtag_atlantic.moc"
