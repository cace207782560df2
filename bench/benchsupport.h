#ifndef BENCHSUPPORT_H
#define BENCHSUPPORT_H

#include <QString>

#include <cstdio>
#include <fstream>
#include <string>

class MainWindow;

// Writes a coefficients file of `lines` lines: one comment in ten, the rest
// coefficients such as -12345.125.
inline void writeCoefficients(const QString &path, long long lines)
{
    std::FILE *file = std::fopen(path.toLocal8Bit().constData(), "w");
    for (long long i = 0; i < lines; ++i) {
        if (i % 10 == 0)
            std::fprintf(file, "# block %lld\n", i / 10);
        else
            std::fprintf(file, "-%lld.%03lld\n", 10000 + i % 90000, i % 1000);
    }
    std::fclose(file);
}

// The baseline: what any program that sends a file line by line must do,
// written plainly with the standard library.
template<typename Send>
long long sendWithGetline(const QString &path, Send send)
{
    std::ifstream in(path.toLocal8Bit().constData());
    std::string line;
    long long sent = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#')
            continue;
        line += '\n';
        send(line);
        ++sent;
    }
    return sent;
}

// Prints the lines per second of the window's transfer and of its baseline,
// and the ratio of their times.
inline void printComparison(long long lines, double windowSeconds, const char *baseline, double baselineSeconds)
{
    std::printf("  window transfer     %10.0f lines/s\n", lines / windowSeconds);
    std::printf("  %-19s %10.0f lines/s\n", baseline, lines / baselineSeconds);
    std::printf("  ratio (window time / %s time) %.2f\n", baseline, windowSeconds / baselineSeconds);
}

// Runs the window's own transfer of `path`, as "Executer" does.
void runWindowTransfer(MainWindow &window, const QString &path);

#endif // BENCHSUPPORT_H
