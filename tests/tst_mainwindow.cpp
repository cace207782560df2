// The window as built by its form, its start-up connection, reconnecting
// and closing, against the scripted library.

#include "debugcapture.h"
#include "fakejtagatlantic.h"
#include "linkstate.h"
#include "mainwindow.h"
#include "modalanswerer.h"

#include <QAction>
#include <QGridLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMetaMethod>
#include <QPushButton>
#include <QSpacerItem>
#include <QStatusBar>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {
const QString connected = u"Connecté au JTAG UART"_s;
const QString notConnected = u"pas de connexion avec le JTAG UART"_s;
const QString flushFailure = u"\n\nError on JTAG Link flush\n\nExiting\n"_s;
} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void formTexts_data();
    void formTexts();
    void gridCells_data();
    void gridCells();
    void gridSpacerAndEmptyCell();
    void menu();

    void startUp_data();
    void startUp();
    void reconnect_data();
    void reconnect();
    void closingClosesTheLinkOnce_data();
    void closingClosesTheLinkOnce();

    void metaObjectHasTheSixSlots();
    void metaCast();
};

void TestMainWindow::cleanup()
{
    fake::reset();
}

void TestMainWindow::formTexts_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QString>("expected");

    QTest::newRow("window title") << u"MainWindow"_s << "windowTitle"_ba << u"MainWindow"_s;
    QTest::newRow("action") << u"actionJTAG_UART"_s << "text"_ba << u"JTAG UART"_s;
    QTest::newRow("menu") << u"menuConnection"_s << "title"_ba << u"Connection"_s;
    QTest::newRow("file field empty") << u"fileNameText"_s << "text"_ba << QString();
    QTest::newRow("file field mask") << u"fileNameText"_s << "inputMask"_ba << QString();
    QTest::newRow("file placeholder") << u"fileNameText"_s << "placeholderText"_ba
                                      << u"fichier de configuration des coefficients"_s;
    QTest::newRow("browse") << u"browseButton"_s << "text"_ba << u"Parcourir..."_s;
    QTest::newRow("exec") << u"execButton"_s << "text"_ba << u"Executer"_s;
    QTest::newRow("command field empty") << u"commandText"_s << "text"_ba << QString();
    QTest::newRow("command placeholder") << u"commandText"_s << "placeholderText"_ba << u"tapez une commande"_s;
    QTest::newRow("apply") << u"applyButton"_s << "text"_ba << u"Appliquer"_s;
}

void TestMainWindow::formTexts()
{
    QFETCH(QString, objectName);
    QFETCH(QByteArray, property);
    QFETCH(QString, expected);

    MainWindow window;
    QObject *object = objectName == window.objectName() ? &window : window.findChild<QObject *>(objectName);
    QVERIFY2(object, qPrintable(objectName));
    QCOMPARE(object->property(property.constData()).toString(), expected);
}

void TestMainWindow::gridCells_data()
{
    QTest::addColumn<QString>("objectName");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("columnSpan");

    QTest::newRow("file field") << u"fileNameText"_s << 0 << 0 << 1;
    QTest::newRow("browse") << u"browseButton"_s << 0 << 1 << 1;
    QTest::newRow("exec") << u"execButton"_s << 0 << 2 << 1;
    QTest::newRow("command field") << u"commandText"_s << 1 << 0 << 1;
    QTest::newRow("apply, under both buttons") << u"applyButton"_s << 1 << 1 << 2;
}

void TestMainWindow::gridCells()
{
    QFETCH(QString, objectName);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(int, columnSpan);

    MainWindow window;
    auto *grid = window.findChild<QGridLayout *>(u"gridLayout"_s);
    QVERIFY(grid);
    QCOMPARE(grid->parentWidget(), window.centralWidget());
    auto *widget = window.findChild<QWidget *>(objectName);
    QVERIFY(widget);
    QCOMPARE(widget->parentWidget(), window.centralWidget());

    int r = -1, c = -1, rowSpan = -1, colSpan = -1;
    grid->getItemPosition(grid->indexOf(widget), &r, &c, &rowSpan, &colSpan);
    QCOMPARE(r, row);
    QCOMPARE(c, column);
    QCOMPARE(rowSpan, 1);
    QCOMPARE(colSpan, columnSpan);
}

void TestMainWindow::gridSpacerAndEmptyCell()
{
    MainWindow window;
    auto *grid = window.findChild<QGridLayout *>(u"gridLayout"_s);
    QVERIFY(grid);
    QCOMPARE(grid->spacing(), 6);
    QCOMPARE(grid->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->columnCount(), 3);

    QLayoutItem *spacerItem = grid->itemAtPosition(2, 0);
    QVERIFY(spacerItem && spacerItem->spacerItem());
    int r, c, rowSpan, colSpan;
    grid->getItemPosition(grid->indexOf(spacerItem), &r, &c, &rowSpan, &colSpan);
    QCOMPARE(colSpan, 2);
    QCOMPARE(spacerItem->spacerItem()->sizeHint(), QSize(20, 40));
    QCOMPARE(spacerItem->expandingDirections(), Qt::Vertical);
    QVERIFY(!grid->itemAtPosition(2, 2));
    QCOMPARE(window.size(), QSize(577, 195));
}

void TestMainWindow::menu()
{
    MainWindow window;
    const QList<QAction *> barEntries = window.menuBar()->actions();
    QCOMPARE(barEntries.size(), 1);
    QMenu *connection = barEntries.constFirst()->menu();
    QVERIFY(connection);
    QCOMPARE(connection->objectName(), u"menuConnection"_s);
    QCOMPARE(connection->actions().size(), 1);
    QCOMPARE(connection->actions().constFirst()->objectName(), u"actionJTAG_UART"_s);
    QCOMPARE(window.statusBar()->objectName(), u"statusBar"_s);
}

void TestMainWindow::startUp_data()
{
    QTest::addColumn<bool>("openSucceeds");
    QTest::addColumn<int>("flushResult");
    QTest::addColumn<bool>("fails");

    QTest::newRow("open fails") << false << 0 << true;
    QTest::newRow("flush 0") << true << 0 << false;
    QTest::newRow("flush -1") << true << -1 << true;
    QTest::newRow("flush 7") << true << 7 << true;
}

void TestMainWindow::startUp()
{
    QFETCH(bool, openSucceeds);
    QFETCH(int, flushResult);
    QFETCH(bool, fails);
    fake::openSucceeds = openSucceeds;
    fake::flushResult = flushResult;

    DebugCapture debug;
    ModalAnswerer answerer;
    MainWindow window;

    const QList<fake::Call> opens = fake::callsTo("open");
    QCOMPARE(opens.size(), 1);
    QVERIFY(opens[0].textsNull);
    QCOMPARE(opens[0].numbers, QList<int>({1, 0}));
    QCOMPARE(fake::callsTo("flush").size(), openSucceeds ? 1 : 0);
    if (openSucceeds)
        QCOMPARE(fake::callsTo("flush")[0].handle, fake::handle(1));
    // A handle whose flush failed stays the link.
    QCOMPARE(link, openSucceeds ? fake::handle(1) : nullptr);

    QCOMPARE(window.statusBar()->currentMessage(), fails ? notConnected : connected);
    QCOMPARE(debug.messages, fails ? QStringList{flushFailure} : QStringList());
    QCOMPARE(answerer.seen.size(), fails ? 1 : 0);
    if (fails) {
        const ModalAnswerer::Seen &box = answerer.seen[0];
        QCOMPARE(box.title, u"Echec de la connexion"_s);
        QCOMPARE(box.text, u"La Connexion avec le JTAG UART n'a pas pu être établie"_s);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QCOMPARE(box.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box.parent, &window);
        QVERIFY2(box.statusMessage.isEmpty(), "the status comes only after the box is closed");
    }
    QVERIFY(window.isVisible());
    QCOMPARE(window.focusWidget(), window.findChild<QWidget *>(u"browseButton"_s));
}

void TestMainWindow::reconnect_data()
{
    QTest::addColumn<bool>("firstOpenSucceeds");

    QTest::newRow("after a link") << true;
    QTest::newRow("after no link") << false;
}

void TestMainWindow::reconnect()
{
    QFETCH(bool, firstOpenSucceeds);
    fake::openSucceeds = firstOpenSucceeds;
    ModalAnswerer answerer;
    MainWindow window;
    JTAGATLANTIC *first = link;
    fake::calls.clear();
    fake::openSucceeds = true;

    window.findChild<QAction *>(u"actionJTAG_UART"_s)->trigger();

    // The old handle is released before the new open, and a null one never
    // reaches the library.
    QList<QByteArray> sequence;
    for (const fake::Call &call : std::as_const(fake::calls))
        sequence.append(call.function);
    QCOMPARE(sequence,
             firstOpenSucceeds ? QList<QByteArray>({"close", "open", "flush"}) : QList<QByteArray>({"open", "flush"}));
    if (firstOpenSucceeds)
        QCOMPARE(fake::calls[0].handle, first);
    QVERIFY(link && link != first);
    QCOMPARE(window.statusBar()->currentMessage(), connected);
}

void TestMainWindow::closingClosesTheLinkOnce_data()
{
    QTest::addColumn<bool>("openSucceeds");

    QTest::newRow("link open") << true;
    QTest::newRow("no link") << false;
}

void TestMainWindow::closingClosesTheLinkOnce()
{
    QFETCH(bool, openSucceeds);
    fake::openSucceeds = openSucceeds;
    ModalAnswerer answerer;
    {
        MainWindow window;
        QVERIFY(fake::callsTo("close").isEmpty());
    }
    const QList<fake::Call> closes = fake::callsTo("close");
    QCOMPARE(closes.size(), openSucceeds ? 1 : 0);
    if (openSucceeds)
        QCOMPARE(closes[0].handle, fake::handle(1));
    QCOMPARE(link, nullptr);
}

void TestMainWindow::metaObjectHasTheSixSlots()
{
    const QMetaObject &meta = MainWindow::staticMetaObject;
    QCOMPARE(meta.className(), "MainWindow");
    QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
    QStringList own;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        const QMetaMethod method = meta.method(i);
        QCOMPARE(method.methodType(), QMetaMethod::Slot);
        QCOMPARE(method.access(), QMetaMethod::Private);
        own.append(QString::fromLatin1(method.methodSignature()));
    }
    QCOMPARE(own, QStringList({u"on_fileNameText_returnPressed()"_s, u"on_execButton_clicked()"_s,
                               u"on_commandText_returnPressed()"_s, u"on_applyButton_clicked()"_s,
                               u"on_actionJTAG_UART_triggered()"_s, u"on_browseButton_clicked()"_s}));

    // Invoking the connect slot through the meta-object runs the same connect.
    MainWindow window;
    QVERIFY(QMetaObject::invokeMethod(&window, "on_actionJTAG_UART_triggered"));
    QCOMPARE(fake::callsTo("open").size(), 2);
}

void TestMainWindow::metaCast()
{
    MainWindow window;
    QCOMPARE(window.qt_metacast("MainWindow"), static_cast<void *>(&window));
    QCOMPARE(window.qt_metacast(nullptr), nullptr);
    QVERIFY(window.qt_metacast("QMainWindow"));
    QCOMPARE(window.qt_metacast("QDialog"), nullptr);
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
