#ifndef TRANSPORT_H
#define TRANSPORT_H

#include <QDeadlineTimer>
#include <QString>

#include <memory>

// One way of reaching a board. Every failure is recorded in LastError.
class Transport
{
public:
    virtual ~Transport() = default;

    // Hands bytes to the board. Returns -1 on a transport error, else the
    // number of bytes taken before the deadline; when that falls short the
    // link is dropped, so that no byte left uncounted reaches the board later.
    virtual qint64 write(const char *data, qint64 count, QDeadlineTimer deadline) = 0;

    // True when the link is up and everything written has left the process.
    virtual bool flush(QDeadlineTimer deadline) = 0;
};

// Each returns null, with LastError set, when the board cannot be reached.
std::unique_ptr<Transport> openStandardOutput();
std::unique_ptr<Transport> openAppendFile(const QString &path);
std::unique_ptr<Transport> openTcp(const QString &host, quint16 port, QDeadlineTimer deadline);
std::unique_ptr<Transport> openSerial(const QString &device, qint32 baudRate);

#endif // TRANSPORT_H
