#include "GameClocks.h"

#include "core/GameText.h"
#include "session/GameSession.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVariant>

#include <chrono>

namespace vorlik {

namespace {

void SetOpaque(QLabel* label, bool opaque)
{
    const QVariant state = label->property("opaque");
    if (state.isValid() && state.toBool() == opaque)
        return;  // restyling is slow: only on a change of side
    label->setProperty("opaque", opaque);
    label->setStyleSheet(opaque ? QStringLiteral("background-color: #fffbe6; border: 1px solid #6e1414; padding: 1px 4px;")
                                : QStringLiteral("background-color: transparent; border: 1px solid transparent; "
                                                 "padding: 1px 4px;"));
}

}  // namespace

GameClocks::GameClocks(GameSession& session, QPushButton* replayButton, QObject* parent)
    : QObject(parent), session_(session), replayButton_(replayButton)
{
    ClockNow = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
            .count();
    };
    Timer_ = new QTimer(this);
    Timer_->setObjectName(QStringLiteral("Timer"));
    Timer_->setInterval(kTimerInterval);
    connect(Timer_, &QTimer::timeout, this, &GameClocks::Timer_Timer);
    for (int k = 0; k <= 1; ++k) {
        LabelTime_[k] = new QLabel(k == 0 ? QStringLiteral("白") : QStringLiteral("黒"));
        LabelTime_[k]->setObjectName(QStringLiteral("LabelTime(%1)").arg(k));
    }
}

void GameClocks::Reset()
{
    StopReplay();
    Timer_->stop();
    LabelTime_[0]->setText(QStringLiteral("白"));
    LabelTime_[1]->setText(QStringLiteral("黒"));
    SetOpaque(LabelTime_[0], true);
    SetOpaque(LabelTime_[1], false);
}

void GameClocks::RunClock(bool on)
{
    if (on)
        StartTimer();
    else
        Timer_->stop();
}

void GameClocks::StartTimer()
{
    if (!Timer_->isActive())
        clockMark_ = ClockNow();
    Timer_->start();
}

void GameClocks::StopTimer() { Timer_->stop(); }

bool GameClocks::Running() const { return Timer_->isActive(); }

void GameClocks::ShowSideToMove()
{
    const bool blackToMove = IsWhitePly(session_.Game().CurPly);  // White has just moved
    SetOpaque(LabelTime_[0], !blackToMove);
    SetOpaque(LabelTime_[1], blackToMove);
}

void GameClocks::ToggleReplay()
{
    if (AutoReplay) {
        StopReplay();
    } else {
        replayButton_->setText(QStringLiteral("中止"));
        StartTimer();
        AutoReplay = true;
    }
}

void GameClocks::StopReplay(bool caption)
{
    if (caption)
        replayButton_->setText(QStringLiteral("動 >"));
    AutoReplay = false;
}

void GameClocks::Timer_Timer()
{
    if (AutoReplay)
        emit ReplayStep();
    RunClocks();
}

void GameClocks::RunClocks()
{
    // The clock of the side to move gets the real time since the last
    // reading (a tick may come late); while an earlier position is shown
    // that time goes to neither.
    const long long now = ClockNow();
    const long long elapsed = now - clockMark_;
    clockMark_ = now;
    if (!session_.AtEnd())
        return;
    const bool black = IsWhitePly(session_.Game().CurPly);
    const int clock = session_.AddClockTime(black, elapsed);
    LabelTime_[black]->setText((black ? QStringLiteral("黒 ") : QStringLiteral("白 ")) +
                               QString::fromStdString(ClockText(clock)));
}

}  // namespace vorlik
