#ifndef DEBUGCAPTURE_H
#define DEBUGCAPTURE_H

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the debug messages written while it lives, each exactly as given.
class DebugCapture
{
public:
    DebugCapture()
    {
        active = this;
        previous = qInstallMessageHandler(&DebugCapture::handle);
    }
    ~DebugCapture()
    {
        qInstallMessageHandler(previous);
        active = nullptr;
    }
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    QStringList messages;

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (type == QtDebugMsg)
            active->messages.append(message);
        else
            active->previous(type, context, message);
    }

    static inline DebugCapture *active = nullptr;
    QtMessageHandler previous = nullptr;
};

#endif // DEBUGCAPTURE_H
