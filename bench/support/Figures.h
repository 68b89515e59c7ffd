#pragma once

// What every benchmark program prints: one figure per line on standard output,
// "name value unit", and "name-ratio r" where a figure is set beside a peer's.
// Progress and diagnostics go to standard error.

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
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

} // namespace pelmora::bench
