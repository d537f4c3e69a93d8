// What the window benchmarks share: services that show nothing and answer
// every question alike, and the percentile of a set of timings (Percentile.h).
#pragma once

#include "Percentile.h"
#include "ui/WindowServices.h"

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

}  // namespace vorlik
