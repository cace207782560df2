#ifndef FAKEJTAGATLANTIC_H
#define FAKEJTAGATLANTIC_H

#include <QByteArray>
#include <QList>

struct JTAGATLANTIC;

// A scripted stand-in for the JTAG Atlantic library, linked in its place:
// it records every call and answers as the running test has set it to.
namespace fake {

struct Call
{
    QByteArray function; // "open", "flush", "write", "get_error" or "close"
    JTAGATLANTIC *handle = nullptr;
    QByteArray bytes;                // write: the bytes given
    unsigned int count = 0;          // write: the count given
    QList<int> numbers;              // open: its two ints
    bool textsNull = false;          // open: both texts null
    const void *infoPlace = nullptr; // get_error: where the text pointer goes
};

inline QList<Call> calls;
inline bool openSucceeds = true;
inline int flushResult = 0;
inline QList<int> writeResults; // one taken per write; when empty a write takes its whole count
inline int errorCode = 0;

// The n-th handle that an open gives out, counting from 1.
JTAGATLANTIC *handle(int n);
QList<Call> callsTo(const QByteArray &function);
QList<QByteArray> writtenBytes();
void reset();

} // namespace fake

#endif // FAKEJTAGATLANTIC_H
