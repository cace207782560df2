#ifndef MY_JTAG_ATLANTIC_H
#define MY_JTAG_ATLANTIC_H

// The JTAG Atlantic library's types and the five functions the tool calls.
// The library exports them with C++ linkage: each export's decorated name
// carries exactly these parameter types, so they must not change.

struct JTAGATLANTIC; // one open link; only ever held by pointer

// The window prints these as plain numbers; their values belong to the library.
enum JATL_ERROR {
    JATL_NO_ERROR = 0,
    JATL_BAD_SETTING = 1,    // JTAG_UART or JTAG_UART_TIMEOUT_MS not understood
    JATL_NO_BOARD = 2,       // the setting names no board ("none")
    JATL_CONNECT_FAILED = 3, // the board could not be reached
    JATL_TIMEOUT = 4,        // a connect or a write outlasted the timeout
    JATL_LINK_LOST = 5,      // the board went away (peer closed, device unplugged)
    JATL_BAD_ARGUMENT = 6    // a null handle, null bytes or an impossible count
};

// Both texts may be null. Returns null, with the last error set, when no link opens.
JTAGATLANTIC *jtagatlantic_open(const char *cable, int device, int instance, const char *application);
// 0 when the link is up and everything written has left the process.
int jtagatlantic_flush(JTAGATLANTIC *handle);
// -1 on failure, else the number of bytes taken (fewer than count after a timeout).
int jtagatlantic_write(JTAGATLANTIC *handle, const char *data, unsigned int count);
// The code of the last failure; stores a text about it, valid until the next failure.
JATL_ERROR jtagatlantic_get_error(const char **other_info);
void jtagatlantic_close(JTAGATLANTIC *handle);

#endif // MY_JTAG_ATLANTIC_H
