// A JTAG Atlantic library whose write is free: it takes every byte at once
// and only counts, so that a benchmark measures the tool and not a link.

#include "countingjtagatlantic.h"

#include "my_jtag_atlantic.h"

struct JTAGATLANTIC
{
};

namespace {
JTAGATLANTIC board;
} // namespace

Tally tally;

JTAGATLANTIC *jtagatlantic_open(const char *, int, int, const char *)
{
    return &board;
}

int jtagatlantic_flush(JTAGATLANTIC *)
{
    return 0;
}

int jtagatlantic_write(JTAGATLANTIC *, const char *, unsigned int count)
{
    ++tally.writes;
    return static_cast<int>(count);
}

JATL_ERROR jtagatlantic_get_error(const char **)
{
    return JATL_NO_ERROR;
}

void jtagatlantic_close(JTAGATLANTIC *)
{
}
