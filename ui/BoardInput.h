// The board's input: presses, drags, clicks and drops on the squares, the
// piece chosen by a click, and the set-up of a position on the board. It
// owns the squares a move is dragged between and the position being set
// up; a move it reads is handed on as a text, to be played by the window.
#pragma once

#include "DialogSetup.h"
#include "SetupEdit.h"
#include "session/GameSession.h"

#include <QObject>

#include <functional>
#include <string>

class QAction;
class QWidget;

namespace vorlik {

class BoardView;
class WindowServices;

class BoardInput : public QObject {
    Q_OBJECT
public:
    // turnOption and soundOption: the checkable "盤の反転" and "駒音".
    BoardInput(WindowServices& services, GameSession& session, BoardView& board, QAction* turnOption,
               QAction* soundOption, QWidget* window);

    // The set-up dialog, which also asks the promotion question.
    DialogSetup* SetupDialog();
    DialogSetup* ExistingSetupDialog() const { return setupDialog_; }
    // The 64 squares: the edited position during a set-up, else the record's.
    void DrawBoard();
    // A piece chosen in another position waits no more.
    void ForgetChosen() { chosenImage_ = 0; }
    bool Turned() const;
    void PlayMoveSound();

    // The set-up starts from the position on the board (see
    // DialogSetup::OpenSetup) and shows beside the board.
    void BeginSetup(bool blackToMove, bool editable, bool black);
    // Asked when the set-up dialog closes (DialogSetup::returnSetup).
    std::function<bool(SetupReturn code)> returnSetup;
    // The set-up ends; nothing stays in the hand. Cancelled, the game is in
    // the phase it was in before.
    void EndSetup(bool cancelled);
    Board SetupPosition() const { return edit_.Position(); }
    const SetupEdit& Setup() const { return edit_; }
    const std::string& PieceInHand() const { return edit_.PieceInHand(); }
    // The move read from the board while it goes to the record; "" between moves.
    const std::string& MoveInput() const { return moveInput_; }

public slots:
    void ImaCheMan_MouseDown(int index);
    // A piece let go where it was lifted: the piece chosen for a move by
    // clicks, or a drop there (the set-up, a piece that cannot move now).
    void ImaCheMan_Click(int index);
    void ImaCheMan_DragDrop(int index);
    void ImaCheBoa_DragDrop();
    void ImaCheBoa_DragCancelled(int index);
    void ImaCheBoa_KeyDown(int key);

signals:
    // A move of the user on the position on the board, as coordinates.
    void MovePlayed(const std::string& move);
    // Everything that shows the position is to be drawn again.
    void Redisplay();
    // A key that is no business of the board's (the navigation keys).
    void KeyDown(int key);

private:
    void PlaceSetupDialog();
    void SetupPiecePicked(char piece);
    // The board's image of a square, as it is drawn now (turned or not).
    int ImageOfSquare(int file, int rank) const;
    int FileOf(int index) const;
    int RankOf(int index) const;
    bool SideToMoveOwns(char piece) const;

    WindowServices& services_;
    GameSession& session_;
    BoardView& board_;
    QAction* turnOption_;
    QAction* soundOption_;
    QWidget* window_;
    DialogSetup* setupDialog_ = nullptr;
    SetupEdit edit_;
    GamePhase beforeSetup_ = GamePhase::NoGame;  // the phase a cancelled set-up returns to
    int dragFile_ = 0, dragRank_ = 0;  // the square a piece was lifted from
    int chosenImage_ = 0;  // the piece chosen by a click, waiting for its target
    std::string moveInput_;
};

}  // namespace vorlik
