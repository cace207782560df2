// Sending a typed command and a coefficients file, against the scripted
// library: the bytes and counts of each write, and the failure reports.

#include "debugcapture.h"
#include "fakejtagatlantic.h"
#include "linkstate.h"
#include "mainwindow.h"
#include "modalanswerer.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

using Writes = QList<QByteArray>;

namespace {

const QString writeFailed = u"\n\nERROR DURING WRITE\n\n"_s;
const QString countDiffers = u"\n\nWRITE COUNT NOT EQUAL TO READCNT, I'M GIVING UP\n\n"_s;

QLineEdit *field(MainWindow &window, const QString &name)
{
    return window.findChild<QLineEdit *>(name);
}

QPushButton *button(MainWindow &window, const QString &name)
{
    return window.findChild<QPushButton *>(name);
}

void sendCommand(MainWindow &window, bool viaReturn)
{
    if (viaReturn)
        QTest::keyClick(field(window, u"commandText"_s), Qt::Key_Return);
    else
        button(window, u"applyButton"_s)->click();
}

void sendFile(MainWindow &window, bool viaReturn)
{
    if (viaReturn)
        QTest::keyClick(field(window, u"fileNameText"_s), Qt::Key_Return);
    else
        button(window, u"execButton"_s)->click();
}

QString writeFile(const QTemporaryDir &dir, const QByteArray &content)
{
    const QString path = dir.filePath(u"coef.txt"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write the test's coefficients file");
    return path;
}

} // namespace

class TestSending : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void command_data();
    void command();
    void writeFailures_data();
    void writeFailures();
    void sendingWithNoLink();

    void file_data();
    void file();
    void fileStopsAtTheFailingLine();
    void fileNotSent_data();
    void fileNotSent();
    void browse_data();
    void browse();
};

void TestSending::cleanup()
{
    fake::reset();
}

void TestSending::command_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("viaReturn");

    QTest::newRow("empty: a lone line feed") << QString() << "\n"_ba << false;
    QTest::newRow("abc, Appliquer") << u"abc"_s << "abc\n"_ba << false;
    QTest::newRow("abc, Return") << u"abc"_s << "abc\n"_ba << true;
    QTest::newRow("blanks kept") << u"  set 1 \t"_s << "  set 1 \t\n"_ba << false;
    QTest::newRow("é is one byte") << u"é"_s << "\xe9\n"_ba << true;
    QTest::newRow("euro: one substitute byte") << u"1€"_s << "1?\n"_ba << false;
    QTest::newRow("beyond the BMP: one per UTF-16 unit") << u"\U0001D11E"_s << "??\n"_ba << false;
}

void TestSending::command()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, viaReturn);
    MainWindow window;
    field(window, u"commandText"_s)->setText(text);
    fake::calls.clear();
    DebugCapture debug;
    ModalAnswerer answerer;

    sendCommand(window, viaReturn);

    QCOMPARE(fake::calls.size(), 1);
    const fake::Call &write = fake::calls[0];
    QCOMPARE(write.function, "write"_ba);
    QCOMPARE(write.handle, link);
    QCOMPARE(write.bytes, bytes);
    QCOMPARE(write.count, uint(bytes.size()));
    QCOMPARE(field(window, u"commandText"_s)->text(), text);
    QCOMPARE(debug.messages, QStringList());
    QVERIFY(answerer.seen.isEmpty());
}

void TestSending::writeFailures_data()
{
    QTest::addColumn<int>("result");
    QTest::addColumn<QStringList>("messages");

    QTest::newRow("-1") << -1 << QStringList{writeFailed, u"error = -42\n\n"_s};
    QTest::newRow("nothing taken") << 0 << QStringList{countDiffers};
    QTest::newRow("short") << 3 << QStringList{countDiffers};
    QTest::newRow("-2") << -2 << QStringList{countDiffers};
    QTest::newRow("more than given") << 5 << QStringList{countDiffers};
}

void TestSending::writeFailures()
{
    QFETCH(int, result);
    QFETCH(QStringList, messages);
    MainWindow window;
    field(window, u"commandText"_s)->setText(u"abc"_s);
    fake::calls.clear();
    fake::writeResults = {result};
    fake::errorCode = -42;
    DebugCapture debug;
    ModalAnswerer answerer;

    sendCommand(window, false);

    QCOMPARE(debug.messages, messages);
    const QList<fake::Call> errorQueries = fake::callsTo("get_error");
    QCOMPARE(errorQueries.size(), result == -1 ? 1 : 0);
    if (result == -1)
        QCOMPARE(errorQueries[0].infoPlace, static_cast<const void *>(&other_info));
    // Nothing shows in the window, and the link stays as it was.
    QVERIFY(answerer.seen.isEmpty());
    QCOMPARE(window.statusBar()->currentMessage(), u"Connecté au JTAG UART"_s);
    QCOMPARE(field(window, u"commandText"_s)->text(), u"abc"_s);
    QCOMPARE(fake::callsTo("write").size(), 1);
    QVERIFY(fake::callsTo("close").isEmpty() && fake::callsTo("open").isEmpty());
}

void TestSending::sendingWithNoLink()
{
    fake::openSucceeds = false;
    fake::errorCode = 3;
    ModalAnswerer answerer;
    MainWindow window;
    QTemporaryDir dir;
    field(window, u"fileNameText"_s)->setText(writeFile(dir, "# header\na\nb\n"));
    field(window, u"commandText"_s)->setText(u"abc"_s);
    fake::calls.clear();
    const QStringList failure{writeFailed, u"error = 3\n\n"_s};

    for (const bool viaFile : {false, true}) {
        DebugCapture debug;
        if (viaFile)
            sendFile(window, false);
        else
            sendCommand(window, false);
        // The null handle never reaches the library; a transfer stops at its
        // first line that would be sent.
        QCOMPARE(debug.messages, failure);
    }
    QVERIFY(fake::callsTo("write").isEmpty());
    QCOMPARE(fake::callsTo("get_error").size(), 2);
}

void TestSending::file_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<Writes>("writes");

    QTest::newRow("comment, empty line, letter") << "# gains\n\nb\n"_ba << Writes{"\n", "b\n"};
    QTest::newRow("CRLF line ends") << "1.5\r\n-2\r\n"_ba << Writes{"1.5\n", "-2\n"};
    QTest::newRow("no final line end") << "a\nb"_ba << Writes{"a\n", "b\n"};
    QTest::newRow("final line end adds nothing") << "a\n"_ba << Writes{"a\n"};
    QTest::newRow("empty file") << QByteArray() << Writes{};
    QTest::newRow("only comments") << "#a\n#\n"_ba << Writes{};
    QTest::newRow("# after blanks is sent") << "  # x\n\t#y\n"_ba << Writes{"  # x\n", "\t#y\n"};
    QTest::newRow("# later in a line is sent") << "0.25 # gain\n"_ba << Writes{"0.25 # gain\n"};
    QTest::newRow("UTF-8 accents") << "\xc3\xa9t\xc3\xa9\n"_ba << Writes{"\xe9t\xe9\n"};
    QTest::newRow("beyond Latin-1") << "\xe2\x82\xac\n"_ba << Writes{"?\n"};
    QTest::newRow("UTF-8 byte-order mark") << "\xef\xbb\xbf# c\nx\n"_ba << Writes{"x\n"};
    QStringEncoder utf16(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QTest::newRow("UTF-16 with its byte-order mark") << QByteArray(utf16(u"#c\r\ny\xe9\r\n"_s)) << Writes{"y\xe9\n"};
    const QByteArray longLine(1 << 20, '7');
    QTest::newRow("very long line") << longLine + "\n#\n1\n" << Writes{longLine + '\n', "1\n"};
}

void TestSending::file()
{
    QFETCH(QByteArray, content);
    QFETCH(Writes, writes);
    QTemporaryDir dir;
    const QString path = writeFile(dir, content);
    MainWindow window;
    field(window, u"fileNameText"_s)->setText(path);

    for (const bool viaReturn : {false, true}) {
        fake::calls.clear();
        DebugCapture debug;
        ModalAnswerer answerer;
        sendFile(window, viaReturn);

        QCOMPARE(fake::writtenBytes(), writes);
        for (const fake::Call &write : fake::callsTo("write")) {
            QCOMPARE(write.count, uint(write.bytes.size()));
            QCOMPARE(write.handle, link);
        }
        QCOMPARE(debug.messages, QStringList());
        QVERIFY(answerer.seen.isEmpty());
        QCOMPARE(field(window, u"fileNameText"_s)->text(), path);
    }
}

void TestSending::fileStopsAtTheFailingLine()
{
    QTemporaryDir dir;
    MainWindow window;
    field(window, u"fileNameText"_s)->setText(writeFile(dir, "a\n# c\nb\nc\nd\n"));
    fake::calls.clear();
    fake::writeResults = {2, -1};
    {
        DebugCapture debug;
        sendFile(window, false);
        QCOMPARE(fake::writtenBytes(), Writes({"a\n", "b\n"}));
        QCOMPARE(debug.messages, QStringList({writeFailed, u"error = 0\n\n"_s}));
    }

    // Run again, it starts over from the first line.
    fake::calls.clear();
    sendFile(window, true);
    QCOMPARE(fake::writtenBytes(), Writes({"a\n", "b\n", "c\n", "d\n"}));
}

void TestSending::fileNotSent_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("boxText"); // null: no box

    QTest::newRow("missing file") << u"/nonexistent/coef.txt"_s << u"Le fichier/nonexistent/coef.txtn'existe pas"_s;
    QTest::newRow("empty field") << QString() << u"Le fichiern'existe pas"_s;
    // Exists, but never ends a line: handled as a file that cannot be opened.
    QTest::newRow("a directory") << QDir::tempPath() << QString();
    QTest::newRow("a device that never ends a line") << u"/dev/zero"_s << QString();
}

void TestSending::fileNotSent()
{
    QFETCH(QString, path);
    QFETCH(QString, boxText);
    if (!path.isEmpty() && boxText.isNull() && !QFile::exists(path))
        QSKIP("this machine has no such path");
    MainWindow window;
    field(window, u"fileNameText"_s)->setText(path);
    fake::calls.clear();
    DebugCapture debug;
    ModalAnswerer answerer;

    sendFile(window, false);

    QVERIFY(fake::calls.isEmpty());
    QCOMPARE(debug.messages, QStringList());
    QCOMPARE(answerer.seen.size(), boxText.isNull() ? 0 : 1);
    if (!boxText.isNull()) {
        const ModalAnswerer::Seen &box = answerer.seen[0];
        QCOMPARE(box.title, u"Fichier inexistant"_s);
        QCOMPARE(box.text, boxText);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.parent, &window);
    }
}

void TestSending::browse_data()
{
    QTest::addColumn<bool>("choose");

    QTest::newRow("choose a file") << true;
    QTest::newRow("cancel") << false;
}

void TestSending::browse()
{
    QFETCH(bool, choose);
    QTemporaryDir dir;
    const QString path = writeFile(dir, "1\n");
    MainWindow window;
    field(window, u"fileNameText"_s)->setText(u"earlier.txt"_s);
    fake::calls.clear();
    QStringList filters;
    ModalAnswerer answerer([&](QWidget *modal) {
        auto *dialog = qobject_cast<QFileDialog *>(modal);
        QVERIFY(dialog);
        filters = dialog->nameFilters();
        if (choose) {
            dialog->selectFile(path);
            static_cast<QDialog *>(dialog)->accept();
        } else {
            dialog->reject();
        }
    });

    button(window, u"browseButton"_s)->click();

    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen[0].title, u"Open File"_s);
    QCOMPARE(answerer.seen[0].parent, &window);
    QCOMPARE(filters, QStringList{u"Text (*.txt)"_s});
    // Cancelling empties the field; choosing only fills it, nothing is sent.
    QCOMPARE(field(window, u"fileNameText"_s)->text(), choose ? path : QString());
    QVERIFY(fake::calls.isEmpty());
}

QTEST_MAIN(TestSending)
#include "tst_sending.moc"
