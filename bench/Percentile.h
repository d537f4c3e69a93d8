// The percentile of a set of timings, for every benchmark.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vorlik {

// Nearest rank: the smallest value with at least `percent` % of them at or
// below it; 0 for no values.
inline double Percentile(std::vector<double> values, int percent)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const std::size_t rank = (values.size() * static_cast<std::size_t>(percent) + 99) / 100;
    return values[std::max<std::size_t>(rank, 1) - 1];
}

}  // namespace vorlik
