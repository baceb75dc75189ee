#pragma once
#include <windows.h>

#include <algorithm>
#include <vector>

// Seconds on the performance counter.
inline double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Repeated measurements: their median and their spread (largest less smallest).
struct Figures {
    std::vector<double> values;
    double Median() const {
        std::vector<double> sorted = values;
        std::sort(sorted.begin(), sorted.end());
        return sorted.empty() ? 0 : sorted[sorted.size() / 2];
    }
    double Spread() const {
        if (values.empty()) return 0;
        auto [low, high] = std::minmax_element(values.begin(), values.end());
        return *high - *low;
    }
};

// The median time of `runs` runs of `work`, in seconds.
template <typename Work>
double MedianSeconds(int runs, Work work) {
    Figures times;
    for (int i = 0; i < runs; ++i) {
        const double start = Now();
        work();
        times.values.push_back(Now() - start);
    }
    return times.Median();
}
