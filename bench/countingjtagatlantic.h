#ifndef COUNTINGJTAGATLANTIC_H
#define COUNTINGJTAGATLANTIC_H

// What the counting library has been given.
struct Tally
{
    long long writes = 0;
    long long bytes = 0;
    char lastByte = 0; // read, so that no write can be optimised away
};

extern Tally tally;

#endif // COUNTINGJTAGATLANTIC_H
