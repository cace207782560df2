// jtag-uart-listen: an emulated board for jtag-uart-sender. It listens where
// the link library connects by default and writes out every byte it gets.

#include "listener.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int usageError = 2;

int fail(const QString &message)
{
    std::fprintf(stderr, "jtag-uart-listen: %s\n", qPrintable(message));
    return usageError;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("jtag-uart-listen"));
    QCoreApplication::setApplicationVersion(QStringLiteral(JTAG_UART_SENDER_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays a board's JTAG UART for jtag-uart-sender: listens on TCP and writes\n"
                       "every byte it receives to the output, one connection at a time."));
    const QCommandLineOption bind(QStringLiteral("bind"), QStringLiteral("Listen on ADDR (default 127.0.0.1)."),
                                  QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Listen on port N (default 2540; 0 picks a free one)."),
                                  QStringLiteral("N"), QStringLiteral("2540"));
    const QCommandLineOption outputFile(QStringLiteral("output"),
                                        QStringLiteral("Write to FILE instead of standard output."),
                                        QStringLiteral("FILE"));
    const QCommandLineOption hex(QStringLiteral("hex"), QStringLiteral("Write an offset-and-bytes dump, not raw bytes."));
    const QCommandLineOption once(QStringLiteral("once"), QStringLiteral("Exit when the first connection ends."));
    parser.addOptions({bind, port, outputFile, hex, once});
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(help))
        parser.showHelp(0);
    if (parser.isSet(version))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().constFirst()));

    ListenOptions options;
    if (!options.address.setAddress(parser.value(bind)))
        return fail(QStringLiteral("--bind: not an address: %1").arg(parser.value(bind)));
    bool numeric = false;
    const uint portNumber = parser.value(port).toUInt(&numeric);
    if (!numeric || portNumber > 65535)
        return fail(QStringLiteral("--port: not a port number: %1").arg(parser.value(port)));
    options.port = static_cast<quint16>(portNumber);
    options.hex = parser.isSet(hex);
    options.once = parser.isSet(once);

    QFile output;
    const bool opened = parser.isSet(outputFile)
                            ? (output.setFileName(parser.value(outputFile)),
                               output.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
                            : output.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    if (!opened)
        return fail(QStringLiteral("cannot write %1: %2").arg(parser.value(outputFile), output.errorString()));

    Listener listener(options, &output);
    QString error;
    if (!listener.listen(&error))
        return fail(error);
    std::fprintf(stderr, "jtag-uart-listen: listening on %s:%u\n", qPrintable(options.address.toString()),
                 listener.port());
    std::fflush(stderr);
    QObject::connect(&listener, &Listener::finished, &app, &QCoreApplication::quit);
    return app.exec();
}
