// The five functions of the JTAG Atlantic library. Which board a link reaches
// is read from JTAG_UART each time a link opens; see the README.

#pragma GCC visibility push(default)
#include "my_jtag_atlantic.h"
#pragma GCC visibility pop

#include "lasterror.h"
#include "transport.h"

#include <QByteArray>
#include <QString>

#include <climits>

struct JTAGATLANTIC
{
    std::unique_ptr<Transport> transport;
    qint64 timeoutMs;
};

namespace {

constexpr auto defaultTarget = "tcp:127.0.0.1:2540"; // where jtag-uart-listen listens
constexpr qint64 defaultTimeoutMs = 5000;
constexpr qint32 defaultBaudRate = 115200;

std::unique_ptr<Transport> badSetting(const QString &why)
{
    LastError::set(JATL_BAD_SETTING, why.toStdString());
    return nullptr;
}

std::unique_ptr<Transport> openTarget(const QString &target, QDeadlineTimer deadline)
{
    if (target == QLatin1String("none")) {
        LastError::set(JATL_NO_BOARD, "JTAG_UART=none: no board");
        return nullptr;
    }
    if (target == QLatin1String("stdout"))
        return openStandardOutput();
    if (target.startsWith(QLatin1String("file:"))) {
        const QString path = target.mid(5);
        if (path.isEmpty())
            return badSetting(QStringLiteral("JTAG_UART=file: names no file"));
        return openAppendFile(path);
    }
    if (target.startsWith(QLatin1String("tcp:"))) {
        const QString address = target.mid(4);
        const qsizetype colon = address.lastIndexOf(u':');
        QString host = address.left(colon);
        bool numeric = false;
        const uint port = colon < 0 ? 0 : address.mid(colon + 1).toUInt(&numeric);
        if (host.startsWith(u'[') && host.endsWith(u']'))
            host = host.mid(1, host.size() - 2);
        if (host.isEmpty() || !numeric || port == 0 || port > 65535)
            return badSetting(QStringLiteral("JTAG_UART=%1: expected tcp:HOST:PORT").arg(target));
        return openTcp(host, static_cast<quint16>(port), deadline);
    }
    if (target.startsWith(QLatin1String("serial:"))) {
        const QString deviceAndRate = target.mid(7);
        const qsizetype at = deviceAndRate.lastIndexOf(u'@');
        const QString device = at < 0 ? deviceAndRate : deviceAndRate.left(at);
        bool numeric = true;
        const int baudRate = at < 0 ? defaultBaudRate : deviceAndRate.mid(at + 1).toInt(&numeric);
        if (device.isEmpty() || !numeric || baudRate <= 0)
            return badSetting(QStringLiteral("JTAG_UART=%1: expected serial:DEVICE[@BAUD]").arg(target));
        return openSerial(device, baudRate);
    }
    return badSetting(QStringLiteral("JTAG_UART=%1: not a known board (none, stdout, file:PATH, "
                                     "tcp:HOST:PORT, serial:DEVICE[@BAUD])")
                          .arg(target));
}

void reportNullHandle()
{
    LastError::set(JATL_BAD_ARGUMENT, "no link: the handle is null");
}

} // namespace

// The open's arguments choose a cable, device and instance on the vendor's
// JTAG chain; here the board is the one JTAG_UART names, so they are not used.
JTAGATLANTIC *jtagatlantic_open(const char *, int, int, const char *)
{
    bool numeric = true;
    const QByteArray timeoutSetting = qgetenv("JTAG_UART_TIMEOUT_MS");
    const qint64 timeoutMs = timeoutSetting.isEmpty() ? defaultTimeoutMs : timeoutSetting.toLongLong(&numeric);
    if (!numeric || timeoutMs <= 0 || timeoutMs > INT_MAX) {
        badSetting(QStringLiteral("JTAG_UART_TIMEOUT_MS=%1: expected a number of milliseconds")
                       .arg(QString::fromLocal8Bit(timeoutSetting)));
        return nullptr;
    }
    const QString setting = qEnvironmentVariable("JTAG_UART");
    const QString target = setting.isEmpty() ? QString::fromLatin1(defaultTarget) : setting;
    auto transport = openTarget(target, QDeadlineTimer(timeoutMs));
    if (!transport)
        return nullptr;
    return new JTAGATLANTIC{std::move(transport), timeoutMs};
}

int jtagatlantic_flush(JTAGATLANTIC *handle)
{
    if (!handle) {
        reportNullHandle();
        return -1;
    }
    return handle->transport->flush(QDeadlineTimer(handle->timeoutMs)) ? 0 : -1;
}

int jtagatlantic_write(JTAGATLANTIC *handle, const char *data, unsigned int count)
{
    if (!handle) {
        reportNullHandle();
        return -1;
    }
    if (count == 0)
        return 0;
    if (!data || count > INT_MAX) {
        LastError::set(JATL_BAD_ARGUMENT, "write: no bytes, or more than one write can count");
        return -1;
    }
    return static_cast<int>(handle->transport->write(data, count, QDeadlineTimer(handle->timeoutMs)));
}

JATL_ERROR jtagatlantic_get_error(const char **other_info)
{
    if (other_info)
        *other_info = LastError::text();
    return LastError::code();
}

void jtagatlantic_close(JTAGATLANTIC *handle)
{
    delete handle;
}
