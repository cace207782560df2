#ifndef LASTERROR_H
#define LASTERROR_H

#include "my_jtag_atlantic.h"

#include <string>

// The library's record of its last failure, as jtagatlantic_get_error reports it.
namespace LastError {
void set(JATL_ERROR code, std::string text);
// A write on `link` that the board had taken only `taken` bytes of when the timeout passed.
void setTimedOut(const std::string &link, long long taken, long long count);
JATL_ERROR code();
const char *text();
} // namespace LastError

#endif // LASTERROR_H
