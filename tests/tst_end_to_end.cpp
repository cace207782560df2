// The window with our real link library, over TCP to a peer in the test:
// the bytes that arrive, and a peer that hangs up or stops reading mid-file.

#include "debugcapture.h"
#include "mainwindow.h"
#include "modalanswerer.h"

#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QStatusBar>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <memory>

#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace {

// A board on a thread of its own, so that it can read, hang up or stall
// while a transfer holds the window's thread.
class Peer
{
public:
    enum Behaviour { ReadEverything, HangUpAfter, StopReadingAfter };

    explicit Peer(Behaviour behaviour, qint64 limit = 0)
        : behaviour(behaviour)
        , limit(limit)
        , thread(QThread::create([this] { serve(); }))
    {
        thread->start();
        listening.acquire();
    }
    ~Peer() { finish(); }

    QByteArray target() const { return "tcp:127.0.0.1:" + QByteArray::number(port); }

    // Ends the peer (a stalled one first reads what is left) and returns
    // every byte that it read.
    QByteArray finish()
    {
        stop = true;
        thread->wait();
        return received;
    }

private:
    void serve()
    {
        QTcpServer server;
        server.listen(QHostAddress::LocalHost);
        // A small, fixed receive buffer (the connection inherits it), so that
        // a peer that stops reading backs the sender up after a few megabytes.
        const int receiveBuffer = 64 * 1024;
        ::setsockopt(server.socketDescriptor(), SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        port = server.serverPort();
        listening.release();
        while (!stop && !server.waitForNewConnection(50)) {}
        std::unique_ptr<QTcpSocket> socket(server.nextPendingConnection());
        if (!socket)
            return;
        socket->setReadBufferSize(64 * 1024);
        const bool limited = behaviour != ReadEverything;
        while (!stop && (!limited || received.size() < limit)) {
            if (socket->bytesAvailable() || socket->waitForReadyRead(50))
                received += socket->read(limited ? limit - received.size() : socket->bytesAvailable());
            else if (socket->state() != QAbstractSocket::ConnectedState)
                return;
        }
        if (behaviour == HangUpAfter) {
            socket->abort();
            return;
        }
        while (!stop)
            QThread::msleep(10);
        // Whatever the sender counted as taken must now arrive, and nothing more.
        while (socket->bytesAvailable() || socket->waitForReadyRead(1000))
            received += socket->readAll();
    }

    const Behaviour behaviour;
    const qint64 limit;
    std::unique_ptr<QThread> thread;
    QSemaphore listening;
    std::atomic<bool> stop = false;
    quint16 port = 0;
    QByteArray received;
};

QByteArray coefficientLines(int count)
{
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += (i % 10 == 0 ? "# block " : "") + QByteArray::number(-12345.125 + i, 'f', 3) + '\n';
    return lines;
}

QByteArray withoutComments(const QByteArray &lines)
{
    QByteArray sent;
    for (const QByteArray &line : lines.split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            sent += line + '\n';
    return sent;
}

} // namespace

class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commandAndFileReachThePeer();
    void peerHangsUpMidFile();
    void peerStopsReadingMidFile();

private:
    QTemporaryDir dir;
    QString path;
};

void TestEndToEnd::init()
{
    path = dir.filePath(u"coef.txt"_s);
}

void TestEndToEnd::cleanup()
{
    qunsetenv("JTAG_UART");
    qunsetenv("JTAG_UART_TIMEOUT_MS");
    QFile::remove(path);
}

void TestEndToEnd::commandAndFileReachThePeer()
{
    const QByteArray file = "# gains\n1.5\r\n\n-0.25\xc3\xa9\n#\n7";
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();

    Peer peer(Peer::ReadEverything);
    qputenv("JTAG_UART", peer.target());
    {
        DebugCapture debug;
        ModalAnswerer answerer;
        MainWindow window;
        QCOMPARE(window.statusBar()->currentMessage(), u"Connecté au JTAG UART"_s);

        auto *command = window.findChild<QLineEdit *>(u"commandText"_s);
        QTest::keyClicks(command, u"abc "_s);
        command->insert(u"é"_s); // QTest types ASCII only
        QTest::keyClick(command, Qt::Key_Return);
        window.findChild<QPushButton *>(u"applyButton"_s)->click();
        window.findChild<QLineEdit *>(u"fileNameText"_s)->setText(path);
        window.findChild<QPushButton *>(u"execButton"_s)->click();

        QCOMPARE(debug.messages, QStringList());
        QVERIFY(answerer.seen.isEmpty());
    }
    QCOMPARE(peer.finish(), "abc \xe9\nabc \xe9\n1.5\n\n-0.25\xe9\n7\n"_ba);
}

void TestEndToEnd::peerHangsUpMidFile()
{
    const QByteArray file = coefficientLines(200000);
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(file);
    out.close();
    const QByteArray sendable = withoutComments(file);

    Peer peer(Peer::HangUpAfter, 1000);
    qputenv("JTAG_UART", peer.target());
    DebugCapture debug;
    ModalAnswerer answerer;
    MainWindow window;
    window.findChild<QLineEdit *>(u"fileNameText"_s)->setText(path);
    window.findChild<QPushButton *>(u"execButton"_s)->click();

    // The transfer ends at the first write that fails, reported once.
    QCOMPARE(debug.messages, QStringList({u"\n\nERROR DURING WRITE\n\n"_s, u"error = 5\n\n"_s}));
    const QByteArray received = peer.finish();
    QCOMPARE(received, sendable.left(1000));
    QVERIFY(answerer.seen.isEmpty());
}

void TestEndToEnd::peerStopsReadingMidFile()
{
    // One line larger than every buffer between the two ends.
    const QByteArray longLine(8 * 1024 * 1024, '5');
    QFile out(path);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write("1\n" + longLine + "\n2\n");
    out.close();

    Peer peer(Peer::StopReadingAfter, 2);
    qputenv("JTAG_UART", peer.target());
    qputenv("JTAG_UART_TIMEOUT_MS", "300");
    DebugCapture debug;
    ModalAnswerer answerer;
    MainWindow window;
    window.findChild<QLineEdit *>(u"fileNameText"_s)->setText(path);
    window.findChild<QPushButton *>(u"execButton"_s)->click();

    QCOMPARE(debug.messages, QStringList({u"\n\nWRITE COUNT NOT EQUAL TO READCNT, I'M GIVING UP\n\n"_s}));
    // Part of the long line arrived, and never the line after it.
    const QByteArray received = peer.finish();
    QVERIFY(received.size() > 2 && received.size() < 2 + longLine.size());
    QVERIFY(received.startsWith("1\n555"));
    QVERIFY(!received.contains('2'));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_end_to_end.moc"
