#include "fakejtagatlantic.h"

#include "my_jtag_atlantic.h"

struct JTAGATLANTIC
{
    int number;
};

namespace {
JTAGATLANTIC pool[256];
int opened = 0;

fake::Call callTo(const char *function, JTAGATLANTIC *handle = nullptr)
{
    fake::Call call;
    call.function = function;
    call.handle = handle;
    return call;
}
} // namespace

JTAGATLANTIC *fake::handle(int n)
{
    pool[n].number = n;
    return &pool[n];
}

QList<fake::Call> fake::callsTo(const QByteArray &function)
{
    QList<Call> matching;
    for (const Call &call : std::as_const(calls))
        if (call.function == function)
            matching.append(call);
    return matching;
}

QList<QByteArray> fake::writtenBytes()
{
    QList<QByteArray> bytes;
    for (const Call &call : callsTo("write"))
        bytes.append(call.bytes);
    return bytes;
}

void fake::reset()
{
    calls.clear();
    openSucceeds = true;
    flushResult = 0;
    writeResults.clear();
    errorCode = 0;
    opened = 0;
}

JTAGATLANTIC *jtagatlantic_open(const char *cable, int device, int instance, const char *application)
{
    fake::Call call = callTo("open");
    call.numbers = {device, instance};
    call.textsNull = !cable && !application;
    if (fake::openSucceeds)
        call.handle = fake::handle(++opened);
    fake::calls.append(call);
    return call.handle;
}

int jtagatlantic_flush(JTAGATLANTIC *handle)
{
    fake::calls.append(callTo("flush", handle));
    return fake::flushResult;
}

int jtagatlantic_write(JTAGATLANTIC *handle, const char *data, unsigned int count)
{
    fake::Call call = callTo("write", handle);
    call.bytes = QByteArray(data, count);
    call.count = count;
    fake::calls.append(call);
    return fake::writeResults.isEmpty() ? int(count) : fake::writeResults.takeFirst();
}

JATL_ERROR jtagatlantic_get_error(const char **other_info)
{
    fake::Call call = callTo("get_error");
    call.infoPlace = other_info;
    fake::calls.append(call);
    *other_info = "scripted failure";
    return static_cast<JATL_ERROR>(fake::errorCode);
}

void jtagatlantic_close(JTAGATLANTIC *handle)
{
    fake::calls.append(callTo("close", handle));
}
