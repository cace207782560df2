#ifndef LISTENER_H
#define LISTENER_H

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

class QIODevice;
class QTcpSocket;

struct ListenOptions
{
    QHostAddress address = QHostAddress::LocalHost;
    quint16 port = 2540;
    bool hex = false;
    bool once = false;
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
    void endConnection();
    void emitBytes(const QByteArray &bytes);
    void emitHexLine(qint64 offset, const QByteArray &bytes);

    ListenOptions options;
    QIODevice *output;
    QTcpServer server;
    QTcpSocket *peer = nullptr;
    QString peerName;
    QElapsedTimer elapsed;
    qint64 received = 0;
    qint64 lines = 0;
    QByteArray hexPending; // the start of a hex line not yet full
};

#endif // LISTENER_H
