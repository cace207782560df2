#ifndef MODALANSWERER_H
#define MODALANSWERER_H

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

class QWidget;

// Answers each modal dialog that comes up while it lives and records what
// the dialog showed, so that a slot which blocks on a dialog can be tested.
class ModalAnswerer : public QObject
{
public:
    struct Seen
    {
        QString className;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
        QWidget *parent = nullptr;
        QString statusMessage; // the parent window's status bar at that moment
    };

    // By default a message box is answered with its first button and any
    // other dialog is rejected.
    explicit ModalAnswerer(std::function<void(QWidget *)> answer = {});

    QList<Seen> seen;

private:
    void answerActiveModal();

    std::function<void(QWidget *)> answer;
    QPointer<QWidget> lastAnswered;
    QTimer poll;
};

#endif // MODALANSWERER_H
