// jtag-uart-listen: an emulated board for jtag-uart-sender. It listens where
// the link library connects by default and writes out every byte it gets.

#include "listener.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <tuple>

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
    const QCommandLineOption outputFile(
        QStringLiteral("output"), QStringLiteral("Write to FILE instead of standard output."), QStringLiteral("FILE"));
    const QCommandLineOption hex(QStringLiteral("hex"),
                                 QStringLiteral("Write an offset-and-bytes dump, not raw bytes."));
    const QCommandLineOption once(QStringLiteral("once"), QStringLiteral("Exit when the first connection ends."));
    const QCommandLineOption rate(QStringLiteral("rate"),
                                  QStringLiteral("Drain no faster than N bytes a second (a JTAG UART: about 1000000)."),
                                  QStringLiteral("N"));
    const QCommandLineOption stallAfter(QStringLiteral("stall-after"),
                                        QStringLiteral("Stop reading after N bytes, as a board that hangs."),
                                        QStringLiteral("N"));
    const QCommandLineOption closeAfter(QStringLiteral("close-after"),
                                        QStringLiteral("Drop the connection after N bytes."), QStringLiteral("N"));
    parser.addOptions({bind, port, outputFile, hex, once, rate, stallAfter, closeAfter});
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
    for (const auto &[option, value, least] : {std::tuple{&rate, &options.rate, 1},
                                               {&stallAfter, &options.stallAfter, 0},
                                               {&closeAfter, &options.closeAfter, 0}}) {
        if (!parser.isSet(*option))
            continue;
        *value = parser.value(*option).toLongLong(&numeric);
        if (!numeric || *value < least)
            return fail(QStringLiteral("--%1: expected a number of bytes of at least %2: %3")
                            .arg(option->names().constFirst())
                            .arg(least)
                            .arg(parser.value(*option)));
    }
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
