// What the window benchmarks share: services that show nothing and answer
// every question alike, and the percentile of a set of timings.
#pragma once

#include "ui/WindowServices.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace vorlik {

// No boxes, no sound, no pointer changes; every question gets `answer`.
class QuietServices : public WindowServices {
public:
    explicit QuietServices(MessageAnswer answer) : answer_(answer) {}

    MessageAnswer ShowMessage(QWidget*, const QString&, const QString&, MessageIcon, MessageButtons) override
    {
        return answer_;
    }
    void Beep() override {}
    void PlaySound(const QString&) override {}
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&, int*) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, int*) override { return {}; }
    void SetBusy(bool) override {}

private:
    MessageAnswer answer_;
};

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
