// A panel beside the move list (the analysis; later the reference database
// and the tablebases). A panel is built on the window's services and a game
// session, reads the session as it likes, and asks the window for what
// changes the game by its intents: the window plays the move or shows the
// ply as if the user had asked. Adding a panel is one line in the window.
#pragma once

#include "core/GameText.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

namespace vorlik {

class WindowPanel : public QWidget {
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The notation of the move list, for the moves a panel shows.
    virtual void SetNotation(NotationStyle notation) { (void)notation; }
    // Shows the panel and what it says of the position on the board.
    virtual void TurnOn() {}
    // The panel is hidden, or the window closes: what the panel runs ends
    // before it returns.
    virtual void TurnOff() {}

protected:
    // Runs follow once the change now handled is over, however many changes
    // come before then: a game loaded from a file changes the record at every
    // move, and a panel looks at the position it ends on, once.
    void FollowLater(const std::function<void()>& follow)
    {
        if (std::exchange(followDue_, true))
            return;
        QTimer::singleShot(0, this, [this, follow] {
            followDue_ = false;
            follow();
        });
    }

signals:
    // Play this move (coordinates) on the position on the board, as if dragged.
    void PlayMove(const QString& coord);
    // Show this ply of the line on the board.
    void ShowPly(int ply);
    // The panel changed the record through the session (a line added).
    void RecordEdited();
    // The panel has closed by itself.
    void TurnedOff();

private:
    bool followDue_ = false;  // FollowLater has a call waiting
};

}  // namespace vorlik
