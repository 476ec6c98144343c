// The median and the range of repeated measurements.
#pragma once

#include <algorithm>
#include <vector>

struct Stats {
    double median = 0;
    double max = 0;
    double min = 0;
};

inline Stats stats(std::vector<double> values) {
    Stats s;
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    s.median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    s.max = values.back();
    s.min = values.front();
    return s;
}
