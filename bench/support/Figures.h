#pragma once

// What every benchmark program prints: one figure per line on standard output,
// "name value unit", and "name-ratio r" where a figure is set beside a peer's.
// Progress and diagnostics go to standard error.

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>
#include <utility>
#include <vector>

namespace pelmora::bench
{

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

inline void printFigure(const char* name, double value, const char* unit)
{
    // Small values keep a decimal so that a 3 ms figure does not read as 0 or 3.0 vs 3.4.
    std::printf("%s %.*f %s\n", name, value < 100.0 ? 1 : 0, value, unit);
    std::fflush(stdout);
}

inline void printRatio(const char* name, double ratio)
{
    std::printf("%s-ratio %.2f\n", name, ratio);
    std::fflush(stdout);
}

// Milliseconds that work takes.
template <typename Work> double timeMs(Work&& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e6;
}

// Processor time (user and system) of this process and of the child processes it has waited
// for, in ms. On a busy machine it tells the work apart from the wait for a processor, which
// wall-clock figures include.
inline double processorMs()
{
    rusage self{}, children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const auto ms = [](const timeval& t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return ms(self.ru_utime) + ms(self.ru_stime) + ms(children.ru_utime) + ms(children.ru_stime);
}

// Both clocks of one piece of work, in ms.
struct Timing {
    double wall = 0;
    double processor = 0;
};

template <typename Work> Timing measure(Work&& work)
{
    const double before = processorMs();
    Timing t;
    t.wall = timeMs(std::forward<Work>(work));
    t.processor = processorMs() - before;
    return t;
}

// Wall-clock and processor-time medians of a series of runs, printed as "name" and
// "name-cpu".
struct Timings {
    std::vector<double> wall, processor;
    void add(const Timing& t)
    {
        wall.push_back(t.wall);
        processor.push_back(t.processor);
    }
    void print(const char* name) const
    {
        printFigure(name, median(wall), "ms");
        std::printf("%s-cpu %.*f ms\n", name, median(processor) < 100.0 ? 1 : 0, median(processor));
        std::fflush(stdout);
    }
};

} // namespace pelmora::bench
