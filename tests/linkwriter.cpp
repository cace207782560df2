// Writes each argument, given in hex, as one write on a link that the link
// library opens from JTAG_UART, and prints each write's result on stderr.
// Exit code: 0 when every write took its whole count, 1 otherwise, 3 when no
// link opened.

#include "my_jtag_atlantic.h"

#include <QByteArray>

#include <cstdio>

int main(int argc, char *argv[])
{
    JTAGATLANTIC *link = jtagatlantic_open(nullptr, 1, 0, nullptr);
    if (!link) {
        const char *why = nullptr;
        const int code = jtagatlantic_get_error(&why);
        std::fprintf(stderr, "open failed: %d %s\n", code, why);
        return 3;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        const QByteArray bytes = QByteArray::fromHex(argv[i]);
        const int result = jtagatlantic_write(link, bytes.constData(), static_cast<unsigned int>(bytes.size()));
        std::fprintf(stderr, "%d\n", result);
        if (result != bytes.size())
            status = 1;
    }
    jtagatlantic_close(link);
    return status;
}
