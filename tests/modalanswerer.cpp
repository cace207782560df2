#include "modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QStatusBar>

ModalAnswerer::ModalAnswerer(std::function<void(QWidget *)> answer)
    : answer(std::move(answer))
{
    connect(&poll, &QTimer::timeout, this, &ModalAnswerer::answerActiveModal);
    poll.start(5);
}

void ModalAnswerer::answerActiveModal()
{
    QWidget *modal = QApplication::activeModalWidget();
    if (!modal || modal == lastAnswered || !modal->isVisible())
        return;
    lastAnswered = modal;

    Seen record;
    record.className = QString::fromLatin1(modal->metaObject()->className());
    record.title = modal->windowTitle();
    record.parent = modal->parentWidget();
    if (auto *window = qobject_cast<QMainWindow *>(record.parent))
        record.statusMessage = window->statusBar()->currentMessage();
    auto *box = qobject_cast<QMessageBox *>(modal);
    if (box) {
        record.text = box->text();
        record.icon = box->icon();
        record.buttons = box->standardButtons();
    }
    seen.append(record);

    if (answer)
        answer(modal);
    else if (box && !box->buttons().isEmpty())
        box->buttons().constFirst()->click();
    else if (auto *dialog = qobject_cast<QDialog *>(modal))
        dialog->reject();
}
