#include "benchsupport.h"

#include "mainwindow.h"

#include <QLineEdit>
#include <QPushButton>

void runWindowTransfer(MainWindow &window, const QString &path)
{
    window.findChild<QLineEdit *>(QStringLiteral("fileNameText"))->setText(path);
    window.findChild<QPushButton *>(QStringLiteral("execButton"))->click();
}
