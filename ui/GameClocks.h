// The two game clocks and the automatic replay, which share one timer: each
// tick adds the time since the last to the clock of the side to move, and
// during the replay steps one ply on.
#pragma once

#include <QObject>

#include <array>
#include <functional>

class QLabel;
class QPushButton;
class QTimer;

namespace vorlik {

class GameSession;

class GameClocks : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimerInterval = 1500;  // one tick of the clocks and of the replay

    // replayButton: "動 >", which reads "中止" while the replay runs.
    GameClocks(GameSession& session, QPushButton* replayButton, QObject* parent);

    QLabel* LabelTime(int k) const { return LabelTime_[static_cast<std::size_t>(k)]; }
    QTimer* Timer() const { return Timer_; }

    // Milliseconds of a steady clock. The game clocks add up the time that
    // passes between two ticks of the timer, as read here.
    std::function<long long()> ClockNow;

    // A new record: the clocks read their sides' names, the timer stops,
    // the replay ends.
    void Reset();
    void RunClock(bool on);
    // Starts the timer; the clocks count from now when it was not running.
    void StartTimer();
    void StopTimer();
    bool Running() const;
    // Adds the time since the last reading to the clock of the side to move.
    void RunClocks();
    // The clock of the side to move is drawn opaque, the other transparent.
    void ShowSideToMove();

    // The automatic replay is on: the timer steps through the record.
    bool AutoReplayOn() const { return AutoReplay; }
    // "動 >": the replay starts, or stops.
    void ToggleReplay();
    // The replay stops; with caption, "動 >" reads so again.
    void StopReplay(bool caption = true);

public slots:
    void Timer_Timer();

signals:
    // A tick of the replay: the record steps one ply on.
    void ReplayStep();

private:
    GameSession& session_;
    QPushButton* replayButton_;
    QTimer* Timer_ = nullptr;
    std::array<QLabel*, 2> LabelTime_{};
    bool AutoReplay = false;
    long long clockMark_ = 0;  // ClockNow at the last tick, or when the timer started
};

}  // namespace vorlik
