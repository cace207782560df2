#ifndef LINKSTATE_H
#define LINKSTATE_H

struct JTAGATLANTIC;

// The one link to the board, written only by the connect slot. Program-wide
// on purpose: the sending slots and the window's destructor all work on the
// same handle. Its name is the C library's link(): a file that includes
// <unistd.h> cannot include this header too.
extern JTAGATLANTIC *link;
// Where the library's error query may leave a text; the tool never reads it.
extern const char *other_info;

#endif // LINKSTATE_H
