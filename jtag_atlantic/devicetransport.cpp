// TCP peers and serial ports: Qt devices, used synchronously.

#include "lasterror.h"
#include "transport.h"

#include <QSerialPort>
#include <QTcpSocket>

#include <string>

namespace {

class DeviceTransport : public Transport
{
public:
    DeviceTransport(QIODevice *device, std::string name)
        : device(device)
        , name(std::move(name))
    {
        // The tool reads nothing back: what the board sends is dropped as it
        // comes, so that the buffer does not grow while the window waits.
        QObject::connect(device, &QIODevice::readyRead, device, [device] { device->skip(device->bytesAvailable()); });
    }

    qint64 write(const char *data, qint64 count, QDeadlineTimer deadline) override
    {
        if (!isUp())
            return lost();
        if (device->write(data, count) != count)
            return lost();
        while (device->bytesToWrite() > 0) {
            if (device->waitForBytesWritten(waitTime(deadline)))
                continue;
            if (!deadline.hasExpired())
                return lost();
            const qint64 taken = count - device->bytesToWrite();
            drop();
            LastError::setTimedOut(name, taken, count);
            return taken;
        }
        return count;
    }

    bool flush(QDeadlineTimer deadline) override
    {
        while (isUp() && device->bytesToWrite() > 0) {
            if (!device->waitForBytesWritten(waitTime(deadline))) {
                LastError::set(JATL_TIMEOUT, name + ": the board does not drain");
                return false;
            }
        }
        if (!isUp()) {
            lost();
            return false;
        }
        return true;
    }

protected:
    virtual bool isUp() const = 0;
    // Ends the link at once, discarding whatever was not handed on yet.
    virtual void drop() = 0;

private:
    static int waitTime(QDeadlineTimer deadline)
    {
        return static_cast<int>(qMin<qint64>(qMax<qint64>(deadline.remainingTime(), 0), INT_MAX));
    }

    qint64 lost()
    {
        const QString why = device->errorString();
        LastError::set(JATL_LINK_LOST, name + ": " + (why.isEmpty() ? "the link is down" : why.toStdString()));
        drop();
        return -1;
    }

    QIODevice *device;
    std::string name;
};

class TcpTransport : public DeviceTransport
{
public:
    explicit TcpTransport(std::unique_ptr<QTcpSocket> owned, std::string name)
        : DeviceTransport(owned.get(), std::move(name))
        , socket(std::move(owned))
    {
    }

protected:
    bool isUp() const override { return socket->state() == QAbstractSocket::ConnectedState; }
    void drop() override { socket->abort(); }

private:
    std::unique_ptr<QTcpSocket> socket;
};

class SerialTransport : public DeviceTransport
{
public:
    explicit SerialTransport(std::unique_ptr<QSerialPort> owned, std::string name)
        : DeviceTransport(owned.get(), std::move(name))
        , port(std::move(owned))
    {
    }

protected:
    bool isUp() const override { return port->isOpen() && port->error() == QSerialPort::NoError; }
    void drop() override { port->close(); }

private:
    std::unique_ptr<QSerialPort> port;
};

} // namespace

std::unique_ptr<Transport> openTcp(const QString &host, quint16 port, QDeadlineTimer deadline)
{
    const std::string name = "tcp:" + host.toStdString() + ":" + std::to_string(port);
    auto socket = std::make_unique<QTcpSocket>();
    // Unbuffered: a write goes straight to the kernel, one system call a line,
    // and only what the kernel cannot take yet waits in Qt's buffer.
    socket->connectToHost(host, port, QIODevice::ReadWrite | QIODevice::Unbuffered);
    if (!socket->waitForConnected(static_cast<int>(qMin<qint64>(deadline.remainingTime(), INT_MAX)))) {
        const bool timedOut = socket->error() == QAbstractSocket::SocketTimeoutError;
        LastError::set(timedOut ? JATL_TIMEOUT : JATL_CONNECT_FAILED,
                       name + ": " + socket->errorString().toStdString());
        return nullptr;
    }
    return std::make_unique<TcpTransport>(std::move(socket), name);
}

std::unique_ptr<Transport> openSerial(const QString &device, qint32 baudRate)
{
    const std::string name = "serial:" + device.toStdString() + "@" + std::to_string(baudRate);
    auto port = std::make_unique<QSerialPort>(device);
    const bool ready = port->open(QIODevice::ReadWrite) && port->setBaudRate(baudRate)
                       && port->setDataBits(QSerialPort::Data8) && port->setParity(QSerialPort::NoParity)
                       && port->setStopBits(QSerialPort::OneStop) && port->setFlowControl(QSerialPort::NoFlowControl);
    if (!ready) {
        LastError::set(JATL_CONNECT_FAILED, name + ": " + port->errorString().toStdString());
        return nullptr;
    }
    return std::make_unique<SerialTransport>(std::move(port), name);
}
