// The emulated board, jtag-uart-listen, with our link library as its sender:
// what arrives, and what the sender sees when the board is slow, hangs or
// hangs up.

#include "my_jtag_atlantic.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

struct Closer
{
    void operator()(JTAGATLANTIC *handle) const { jtagatlantic_close(handle); }
};
using Link = std::unique_ptr<JTAGATLANTIC, Closer>;

// jtag-uart-listen in a child process, writing to a file of the test's.
class Board
{
public:
    explicit Board(const QStringList &options)
    {
        output = dir.filePath(u"capture"_s);
        process.setReadChannel(QProcess::StandardError);
        process.start(QStringLiteral(LISTEN_PATH),
                      QStringList{u"--port"_s, u"0"_s, u"--once"_s, u"--output"_s, output} + options);
        static const QRegularExpression listening(u"listening on 127\\.0\\.0\\.1:(\\d+)\n"_s);
        while (process.waitForReadyRead(5000)) {
            errors += process.readAllStandardError();
            const QRegularExpressionMatch match = listening.match(QString::fromLatin1(errors));
            if (match.hasMatch()) {
                port = match.captured(1).toUShort();
                break;
            }
        }
    }
    ~Board()
    {
        process.kill();
        process.waitForFinished();
    }

    Link connect() const
    {
        qputenv("JTAG_UART", "tcp:127.0.0.1:" + QByteArray::number(port));
        return Link(jtagatlantic_open(nullptr, 1, 0, nullptr));
    }

    // Waits for the board to end (it has --once) and returns what it wrote.
    QByteArray capture()
    {
        process.waitForFinished(10000);
        errors += process.readAllStandardError();
        return captured();
    }
    QByteArray captured() const
    {
        QFile file(output);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir dir;
    QString output;
    QProcess process;
    QByteArray errors;
    quint16 port = 0;
};

int writeBytes(const Link &link, const QByteArray &bytes)
{
    return jtagatlantic_write(link.get(), bytes.constData(), static_cast<unsigned int>(bytes.size()));
}

QByteArray pattern(qsizetype size)
{
    QByteArray bytes(size, '\0');
    for (qsizetype i = 0; i < size; ++i)
        bytes[i] = char('a' + i % 26);
    return bytes;
}

} // namespace

class TestListen : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void receivesEveryByte();
    void hexDump();
    void rate();
    void closeAfter();
    void stallAfter();
    void refusesBadOptions_data();
    void refusesBadOptions();
    void portInUse();
};

void TestListen::cleanup()
{
    qunsetenv("JTAG_UART");
    qunsetenv("JTAG_UART_TIMEOUT_MS");
}

void TestListen::receivesEveryByte()
{
    Board board({});
    QVERIFY(board.port);
    const QByteArray bytes("1.5\n\0\xe9\r\n-2\n", 11);
    {
        const Link link = board.connect();
        QVERIFY(link);
        QCOMPARE(jtagatlantic_flush(link.get()), 0);
        QCOMPARE(writeBytes(link, bytes.left(4)), 4);
        QCOMPARE(writeBytes(link, bytes.mid(4)), 7);
    }
    QCOMPARE(board.capture(), bytes);
    QCOMPARE(board.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(board.process.exitCode(), 0);
    QVERIFY2(board.errors.contains(" closed after 11 bytes, 3 lines, "), board.errors);
}

void TestListen::hexDump()
{
    Board board({u"--hex"_s});
    {
        const Link link = board.connect();
        QVERIFY(link);
        QCOMPARE(writeBytes(link, "0123456789abcdef\x01\n"), 18);
    }
    QCOMPARE(board.capture(), "00000000  30 31 32 33 34 35 36 37  38 39 61 62 63 64 65 66  |0123456789abcdef|\n"
                              "00000010  01 0a                                             |..|\n"_ba);
}

void TestListen::rate()
{
    // 60 kB at 200 kB/s: the sender's writes all go through, and the board
    // cannot have taken them in less than 0.3 s.
    Board board({u"--rate"_s, u"200000"_s});
    const QByteArray bytes = pattern(60000);
    {
        const Link link = board.connect();
        QVERIFY(link);
        for (qsizetype at = 0; at < bytes.size(); at += 1000)
            QCOMPARE(writeBytes(link, bytes.mid(at, 1000)), 1000);
    }
    QCOMPARE(board.capture(), bytes);
    static const QRegularExpression seconds(u"lines, ([0-9.]+) s"_s);
    const QRegularExpressionMatch match = seconds.match(QString::fromLatin1(board.errors));
    QVERIFY2(match.hasMatch(), board.errors);
    QVERIFY2(match.captured(1).toDouble() >= 0.29, board.errors);
}

void TestListen::closeAfter()
{
    Board board({u"--close-after"_s, u"1000"_s});
    const QByteArray line = "-12345.125\n"_ba;
    QByteArray sent;
    int result = 0;
    {
        const Link link = board.connect();
        QVERIFY(link);
        for (int i = 0; i < 100000 && result != -1; ++i) {
            result = writeBytes(link, line);
            if (result == line.size())
                sent += line;
            else
                QCOMPARE(result, -1);
        }
        QCOMPARE(result, -1);
        QCOMPARE(int(jtagatlantic_get_error(nullptr)), int(JATL_LINK_LOST));
    }
    // The board kept exactly its first 1000 bytes.
    QCOMPARE(board.capture(), sent.left(1000));
}

void TestListen::stallAfter()
{
    qputenv("JTAG_UART_TIMEOUT_MS", "300");
    Board board({u"--stall-after"_s, u"100"_s});
    const QByteArray bytes = pattern(32 * 1024 * 1024);
    const Link link = board.connect();
    QVERIFY(link);
    const int taken = writeBytes(link, bytes);
    QVERIFY2(taken > 100 && taken < bytes.size(), QByteArray::number(taken));
    QCOMPARE(int(jtagatlantic_get_error(nullptr)), int(JATL_TIMEOUT));
    QTRY_COMPARE(board.captured(), bytes.left(100));
}

void TestListen::refusesBadOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("message");

    QTest::newRow("unknown option") << QStringList{u"--baud"_s, u"9600"_s} << "baud"_ba;
    QTest::newRow("port not a number") << QStringList{u"--port"_s, u"http"_s} << "--port"_ba;
    QTest::newRow("port too big") << QStringList{u"--port"_s, u"65536"_s} << "--port"_ba;
    QTest::newRow("bind not an address") << QStringList{u"--bind"_s, u"board.local"_s} << "--bind"_ba;
    QTest::newRow("rate zero") << QStringList{u"--rate"_s, u"0"_s} << "--rate"_ba;
    QTest::newRow("stall negative") << QStringList{u"--stall-after"_s, u"-1"_s} << "--stall-after"_ba;
    QTest::newRow("close not a number") << QStringList{u"--close-after"_s, u"soon"_s} << "--close-after"_ba;
    QTest::newRow("output cannot be written")
        << QStringList{u"--output"_s, u"/nonexistent/capture"_s} << "/nonexistent/capture"_ba;
    QTest::newRow("stray argument") << QStringList{u"2540"_s} << "2540"_ba;
}

void TestListen::refusesBadOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, message);
    QProcess listen;
    listen.start(QStringLiteral(LISTEN_PATH), QStringList{u"--port"_s, u"0"_s} + arguments);
    QVERIFY(listen.waitForFinished(10000));
    QCOMPARE(listen.exitCode(), 2);
    const QByteArray errors = listen.readAllStandardError();
    QVERIFY2(errors.startsWith("jtag-uart-listen: ") && errors.contains(message), errors);
}

void TestListen::portInUse()
{
    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost));
    QProcess listen;
    listen.start(QStringLiteral(LISTEN_PATH), {u"--port"_s, QString::number(taken.serverPort())});
    QVERIFY(listen.waitForFinished(10000));
    QCOMPARE(listen.exitCode(), 2);
    QVERIFY(listen.readAllStandardError().contains("cannot listen on 127.0.0.1:"));
}

QTEST_GUILESS_MAIN(TestListen)
#include "tst_listen.moc"
