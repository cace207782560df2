#include "mainwindow.h"
#include "ui_mainwindow.h"

#include "linkstate.h"
#include "my_jtag_atlantic.h"

#include <QByteArray>
#include <QDebug>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTextStream>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

JTAGATLANTIC *link = nullptr;
const char *other_info = nullptr;

namespace {

// The Latin-1 rule of QString::toLatin1 (one byte per UTF-16 unit, '?' beyond
// Latin-1), written into a buffer that a whole file transfer reuses: it only
// ever grows, and the bytes of `text` are its first text.size() bytes.
const char *toLatin1Into(const QString &text, QByteArray &bytes)
{
    const qsizetype size = text.size();
    if (bytes.size() < size)
        bytes.resize(size);
    const auto *in = reinterpret_cast<const char16_t *>(text.constData());
    char *out = bytes.data();
    for (qsizetype i = 0; i < size; ++i)
        out[i] = in[i] < 0x100 ? char(in[i]) : '?';
    return out;
}

// One write of the whole command, then its result checked. A failure is
// reported here, on the debug output, so that every sender reports alike.
bool writeAndCheck(const QString &command, QByteArray &bytes)
{
    int result = -1;
    // With no link open the library never sees a null handle: the send fails
    // and the error query tells why the last open failed.
    if (link) {
        const char *data = toLatin1Into(command, bytes);
        result = jtagatlantic_write(link, data, static_cast<unsigned int>(command.size()));
    }
    if (result == -1) {
        qDebug("\n\nERROR DURING WRITE\n\n");
        const int error = jtagatlantic_get_error(&other_info);
        qDebug("error = %d\n\n", error);
        return false;
    }
    if (result != command.size()) {
        qDebug("\n\nWRITE COUNT NOT EQUAL TO READCNT, I'M GIVING UP\n\n");
        return false;
    }
    return true;
}

// A null handle is never handed to the library.
void closeLink()
{
    if (link) {
        jtagatlantic_close(link);
        link = nullptr;
    }
}

// Only a regular file or a named pipe ever ends its lines; a directory or a
// device such as /dev/zero would hang the window or fill its memory.
bool isLineSource(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    return S_ISREG(info.st_mode) || S_ISFIFO(info.st_mode);
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    show();
    on_actionJTAG_UART_triggered();
    ui->browseButton->setFocus();
}

MainWindow::~MainWindow()
{
    closeLink();
    delete ui;
}

void MainWindow::on_fileNameText_returnPressed()
{
    on_execButton_clicked();
}

void MainWindow::on_execButton_clicked()
{
    QFile file(ui->fileNameText->text());
    if (!file.exists()) {
        QMessageBox::critical(this, u"Fichier inexistant"_s,
                              u"Le fichier"_s + ui->fileNameText->text() + u"n'existe pas"_s);
        return;
    }
    if (!isLineSource(file.fileName()) || !file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;

    QTextStream commandFile(&file);
    // The machine's own encoding, unless a byte-order mark says otherwise.
    commandFile.setEncoding(QStringConverter::System);
    // Both buffers keep their capacity from line to line, so a transfer
    // allocates only when a line is longer than every line before it.
    QString command;
    QByteArray bytes;
    while (commandFile.readLineInto(&command)) {
        command.append(u'\n');
        if (command.startsWith(u'#'))
            continue;
        if (!writeAndCheck(command, bytes))
            return;
    }
}

void MainWindow::on_commandText_returnPressed()
{
    on_applyButton_clicked();
}

void MainWindow::on_applyButton_clicked()
{
    QByteArray bytes;
    writeAndCheck(ui->commandText->text() + u'\n', bytes);
}

void MainWindow::on_actionJTAG_UART_triggered()
{
    // An open link keeps the board's UART busy: the new open would fail
    // unless the old handle is released first.
    closeLink();
    link = jtagatlantic_open(nullptr, 1, 0, nullptr);
    if (link && jtagatlantic_flush(link) == 0) {
        ui->statusBar->showMessage(QString::fromLatin1("Connect\xe9 au JTAG UART"));
        return;
    }
    qDebug("\n\nError on JTAG Link flush\n\nExiting\n");
    QMessageBox::critical(this, QString::fromLatin1("Echec de la connexion"),
                          QString::fromLatin1("La Connexion avec le JTAG UART n'a pas pu \xea"
                                              "tre \xe9tablie"));
    ui->statusBar->showMessage(QString::fromLatin1("pas de connexion avec le JTAG UART"));
}

void MainWindow::on_browseButton_clicked()
{
    const QString fileName = QFileDialog::getOpenFileName(this, u"Open File"_s, QString(), u"Text (*.txt)"_s);
    ui->fileNameText->setText(fileName);
}
