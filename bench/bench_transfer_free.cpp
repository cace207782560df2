// The window's file transfer when the link costs nothing, against a plain
// std::getline loop over the same file; and, with --memory, the peak memory
// that one transfer adds.
//
// usage: bench_transfer_free [LINES [ROUNDS]]
//        bench_transfer_free --memory LINES

#include "benchsupport.h"
#include "countingjtagatlantic.h"
#include "mainwindow.h"
#include "my_jtag_atlantic.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

// The process's resident memory (VmRSS) or its peak (VmHWM), in kB.
long long memoryKb(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stoll(line.substr(std::strlen(field) + 1));
    return -1;
}

template<typename Run>
double bestSeconds(int rounds, Run run)
{
    double best = 1e30;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        best = std::min(best, timer.nsecsElapsed() / 1e9);
    }
    return best;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool memory = argc > 1 && std::strcmp(argv[1], "--memory") == 0;
    const long long lines = argc > 1 + memory ? std::atoll(argv[1 + memory]) : 1000000;
    const int rounds = !memory && argc > 2 ? std::atoi(argv[2]) : 5;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("coef.txt"));
    writeCoefficients(path, lines);
    MainWindow window;

    if (memory) {
        // Peak memory is measured from here: writing 5 to clear_refs resets it.
        std::ofstream(std::string("/proc/self/clear_refs")) << "5";
        const long long before = memoryKb("VmRSS:");
        runWindowTransfer(window, path);
        const long long peak = memoryKb("VmHWM:");
        std::printf("memory  %lld lines  %lld writes  peak growth %lld kB\n", lines, tally.writes, peak - before);
        return 0;
    }

    const double windowSeconds = bestSeconds(rounds, [&] { runWindowTransfer(window, path); });
    const long long windowWrites = tally.writes / rounds;
    long long baselineWrites = 0;
    const double baselineSeconds = bestSeconds(rounds, [&] {
        baselineWrites = sendWithGetline(path, [](const std::string &line) {
            jtagatlantic_write(nullptr, line.data(), static_cast<unsigned int>(line.size()));
        });
    });
    if (windowWrites != baselineWrites) {
        std::fprintf(stderr, "the two sent different line counts: %lld and %lld\n", windowWrites, baselineWrites);
        return 1;
    }
    std::printf("free link  %lld lines (%lld sent), best of %d\n", lines, windowWrites, rounds);
    printComparison(lines, windowSeconds, "std::getline loop", baselineSeconds);
    return 0;
}
