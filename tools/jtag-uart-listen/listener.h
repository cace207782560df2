#ifndef LISTENER_H
#define LISTENER_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

class QIODevice;
class QTcpSocket;

struct ListenOptions
{
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 2540;
    bool hex = false;
    bool once = false;
    // The faults of a real board, none by default (0 or -1):
    qint64 rate = 0;        // drain no faster than this many bytes a second
    qint64 stallAfter = -1; // stop reading after this many bytes
    qint64 closeAfter = -1; // drop the connection after this many bytes
};

// Plays the board for one sender at a time: takes every byte a connection
// sends, writes it to the output, and sums the connection up when it ends.
class Listener : public QObject
{
    Q_OBJECT

public:
    Listener(const ListenOptions &options, QIODevice *output);

    bool listen(QString *error);
    quint16 port() const { return server.serverPort(); }

signals:
    void finished(); // the --once connection has ended

private:
    void takeNextConnection();
    void readAvailable();
    qint64 allowance() const;
    void endConnection();
    void take(const QByteArray &bytes);
    void emitBytes(const QByteArray &bytes);
    void emitHexLine(qint64 offset, const QByteArray &bytes);

    ListenOptions options;
    QIODevice *output;
    QTcpServer server;
    QTimer pace; // reads again once the rate allows more
    QTcpSocket *peer = nullptr;
    QString peerName;
    bool senderGone = false;
    QElapsedTimer elapsed;
    qint64 received = 0;
    qint64 lines = 0;
    QByteArray hexPending; // the start of a hex line not yet full
};

#endif // LISTENER_H
