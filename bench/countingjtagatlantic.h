#ifndef COUNTINGJTAGATLANTIC_H
#define COUNTINGJTAGATLANTIC_H

// What the counting library has been given.
struct Tally
{
    long long writes = 0;
};

extern Tally tally;

#endif // COUNTINGJTAGATLANTIC_H
