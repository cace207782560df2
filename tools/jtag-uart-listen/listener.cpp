#include "listener.h"

#include <QIODevice>
#include <QTcpSocket>

#include <cstdio>
#include <limits>

Listener::Listener(const ListenOptions &options, QIODevice *output)
    : options(options)
    , output(output)
{
    connect(&server, &QTcpServer::newConnection, this, &Listener::takeNextConnection);
    pace.setSingleShot(true);
    connect(&pace, &QTimer::timeout, this, &Listener::readAvailable);
}

bool Listener::listen(QString *error)
{
    if (server.listen(options.address, options.port))
        return true;
    *error = QStringLiteral("cannot listen on %1:%2: %3")
                 .arg(options.address.toString())
                 .arg(options.port)
                 .arg(server.errorString());
    return false;
}

void Listener::takeNextConnection()
{
    if (peer || !server.hasPendingConnections())
        return;
    // One sender at a time, like a UART: the next waits until this one ends.
    server.pauseAccepting();
    peer = server.nextPendingConnection();
    peerName = QStringLiteral("%1:%2").arg(peer->peerAddress().toString()).arg(peer->peerPort());
    received = 0;
    lines = 0;
    hexPending.clear();
    elapsed.start();
    // A small buffer, so that a slow or stalled board backs the sender up
    // instead of this process taking everything into memory.
    if (options.rate > 0 || options.stallAfter >= 0)
        peer->setReadBufferSize(16 * 1024);
    senderGone = peer->state() != QAbstractSocket::ConnectedState;
    connect(peer, &QTcpSocket::readyRead, this, &Listener::readAvailable);
    connect(peer, &QTcpSocket::disconnected, this, [this] {
        senderGone = true;
        readAvailable();
    });
    readAvailable();
}

void Listener::readAvailable()
{
    if (!peer)
        return;
    const qint64 count = qMin(allowance(), peer->bytesAvailable());
    if (count > 0)
        take(peer->read(count));
    if (options.closeAfter >= 0 && received >= options.closeAfter) {
        peer->abort();
        endConnection();
        return;
    }
    // The connection ends once the sender is gone and its last bytes are
    // taken, at the board's pace.
    if (peer->bytesAvailable() == 0) {
        if (senderGone)
            endConnection();
    } else if (options.rate > 0) {
        pace.start(10);
    }
}

// How many bytes the board takes now, by its rate and its faults.
qint64 Listener::allowance() const
{
    qint64 allowed = std::numeric_limits<qint64>::max();
    if (options.stallAfter >= 0)
        allowed = qMin(allowed, options.stallAfter - received);
    if (options.closeAfter >= 0)
        allowed = qMin(allowed, options.closeAfter - received);
    if (options.rate > 0)
        allowed = qMin(allowed, qint64(double(options.rate) * elapsed.nsecsElapsed() / 1e9) - received);
    return allowed;
}

void Listener::endConnection()
{
    if (!peer)
        return;
    pace.stop();
    if (!hexPending.isEmpty())
        emitHexLine(received - hexPending.size(), hexPending);
    std::fprintf(stderr, "jtag-uart-listen: %s closed after %lld bytes, %lld lines, %.2f s\n", qPrintable(peerName),
                 received, lines, elapsed.elapsed() / 1000.0);
    std::fflush(stderr);
    peer->disconnect(this);
    peer->deleteLater();
    peer = nullptr;
    if (options.once) {
        server.close();
        emit finished();
        return;
    }
    server.resumeAccepting();
    takeNextConnection();
}

void Listener::take(const QByteArray &bytes)
{
    received += bytes.size();
    lines += bytes.count('\n');
    emitBytes(bytes);
}

void Listener::emitBytes(const QByteArray &bytes)
{
    if (!options.hex) {
        output->write(bytes);
        return;
    }
    hexPending += bytes;
    const qint64 pendingOffset = received - hexPending.size();
    qsizetype start = 0;
    for (; hexPending.size() - start >= 16; start += 16)
        emitHexLine(pendingOffset + start, hexPending.mid(start, 16));
    hexPending.remove(0, start);
}

// Offset, the bytes in hex, and the printable ones, as hexdump -C shows them.
void Listener::emitHexLine(qint64 offset, const QByteArray &bytes)
{
    char line[100];
    int at = std::snprintf(line, sizeof line, "%08llx ", static_cast<long long>(offset));
    for (int i = 0; i < 16; ++i) {
        if (i == 8)
            line[at++] = ' ';
        at += i < bytes.size() ? std::snprintf(line + at, sizeof line - at, " %02x", uchar(bytes[i]))
                               : std::snprintf(line + at, sizeof line - at, "   ");
    }
    at += std::snprintf(line + at, sizeof line - at, "  |");
    for (const char c : bytes)
        line[at++] = (c >= 0x20 && c < 0x7f) ? c : '.';
    at += std::snprintf(line + at, sizeof line - at, "|\n");
    output->write(line, at);
}
