#include "lasterror.h"

#include <utility>

namespace {
struct Record
{
    JATL_ERROR code = JATL_NO_ERROR;
    std::string text = "no error";
};
thread_local Record last;
} // namespace

void LastError::set(JATL_ERROR code, std::string text)
{
    last.code = code;
    last.text = std::move(text);
}

void LastError::setTimedOut(const std::string &link, long long taken, long long count)
{
    set(JATL_TIMEOUT, link + ": the board took " + std::to_string(taken) + " of " + std::to_string(count)
                          + " bytes before the timeout");
}

JATL_ERROR LastError::code()
{
    return last.code;
}

const char *LastError::text()
{
    return last.text.c_str();
}
