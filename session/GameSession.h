// One game: its record and the phase of play. It is the one place that
// changes the record: moves are committed, the record is navigated, cut back,
// started anew or from a set-up position here, and every change is told by a
// signal. Nothing global: a window, the companion or a test may hold as many
// sessions as it has games open.
#pragma once

#include "core/KifuTree.h"
#include "core/ModuleMekDim.h"
#include "core/MoveCommit.h"

#include <QObject>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorlik {

// Where the game stands. The window's buttons, menus and toolbar follow from
// it alone (with the record's own facts: the end of the record on the board,
// an engine configured).
enum class GamePhase {
    NoGame,          // the user moves for both sides; moves are only recorded
    UserToMove,      // a game against the engine, the user's turn
    EngineThinking,  // a game against the engine, its turn: the board waits
    SetupOpen,       // a position is being set up; drops edit it
    Ended,           // a game against the engine has ended; its record stays
};

class GameSession : public QObject {
    Q_OBJECT
public:
    explicit GameSession(QObject* parent = nullptr);
    ~GameSession() override;

    // The record, to read; it changes only here. A record read elsewhere (a
    // file's game) comes in whole through Replace.
    const GameState& Game() const { return *game_; }

    // ---- the phase -------------------------------------------------------
    GamePhase Phase() const { return phase_; }
    void SetPhase(GamePhase phase);
    // A game against the engine is running.
    bool EngPlay() const { return phase_ == GamePhase::UserToMove || phase_ == GamePhase::EngineThinking; }
    // The engine's move is awaited.
    bool EngWait() const { return phase_ == GamePhase::EngineThinking; }
    bool SetupOpen() const { return phase_ == GamePhase::SetupOpen; }
    // The position on the board is the record's last.
    bool AtEnd() const { return game_->CurPly == game_->LastPly; }

    // ---- the record --------------------------------------------------------
    // Tries a move text (e2e4, e7e8q, Nf3, O-O) as ply CurPly + 1. On Legal
    // the move is the record's last ply and the position shown.
    MoveVerdict CommitMove(const std::string& move, const PromotionAsk* askPromotion = nullptr);
    // Shows ply `ply` of the line on the board; false (nothing changes)
    // outside 0..LastPly.
    bool GoToPly(int ply);
    // Shows the line through a move of the record (a variation's included).
    void ShowNode(int id);
    // The line on the board ends at ply `ply`: its later moves, their
    // variations and notes are gone, and that ply is shown. False outside
    // 0..LastPly.
    bool Truncate(int ply);
    // A new empty record with the standard start; a game against the engine
    // is over.
    void NewRecord();
    // A new record from a set-up position (Black to move: plies 0 and 1 hold
    // it). The position is a copy: it may be one of the record's own.
    void LoadSetup(Board position, bool blackToMove);
    // Turns the last move's "+" into "#" in its short and long texts and
    // shows it; false when it has none.
    bool MarkMate();
    // Adds moves (coordinate or short texts) after ply `ply` of the line on
    // the board: a move already there is followed, any other becomes an
    // alternative (at the end of the line: its continuation). Stops at the
    // first move the rules or the tree's limits refuse; the position shown
    // stays. Returns how many moves were placed; one RecordChanged for them.
    int AddLine(int ply, const std::vector<std::string>& moves);
    // Several changes as one: change works on a copy of the record, which
    // replaces it when change says Done (one RecordChanged); on anything
    // else the record stays exactly as it was.
    TreeResult Edit(const std::function<TreeResult(GameState&)>& change);
    // Comments, marks and lines on moves of the main line, as one change: all
    // or, when the tree will not take them, none.
    TreeResult Annotate(const std::vector<MoveAnnotation>& marks);
    // Note k (1..6) of ply `ply`, as typed in the postal boxes.
    void SetNote(int k, int ply, const std::string& text);
    // A record read or built elsewhere (a file's game) takes the place of
    // this one, shown at its own CurPly; a game against the engine is over.
    void Replace(GameState record);

    // ---- the game's information ----------------------------------------------
    const GameHeader& Header() const { return game_->Header; }
    // The information as the boxes hold it; HeaderChanged when it differs.
    void SetHeader(const GameHeader& header);
    // The result field alone ("1-0", "0-1", "1/2-1/2", "*").
    void SetResult(const std::string& result);

    // ---- annotations, on plies of the line on the board ---------------------
    // The variation the line is in at `ply` moves one level nearer the main
    // line; the board stays.
    TreeResult PromoteVariation(int ply);
    // Deletes the variation the line is in at `ply`; the board shows the move
    // it was an alternative to.
    TreeResult DeleteVariation(int ply);
    // The comment after the move of `ply` (ply 0: before the first move).
    TreeResult SetComment(int ply, const std::string& text);
    // The marks of a move ($1..$6 are ! ? !! ?? !? ?!).
    TreeResult SetNags(int ply, const std::vector<unsigned char>& nags);
    // Adds time to the clock of one side (ClockBlack or ClockWhite, in
    // seconds; the milliseconds beyond them are kept for the next time);
    // returns that clock.
    int AddClockTime(bool black, long long elapsedMs);

    // The record's bounds hold (CurPly <= LastPly <= 400) and the line on the
    // board is the tree's.
    bool Intact() const;

signals:
    // The record or the ply shown has changed.
    void RecordChanged();
    // A new record has replaced the old one (before RecordChanged): what a
    // window shows of the old game (its information, its list) goes.
    void RecordReset();
    void PhaseChanged(GamePhase phase);
    // A new record was started (not read from a file): a window gives it the
    // information a new game starts with.
    void RecordStarted();
    // The game's information has changed (not by the boxes' own typing
    // alone: SetHeader from them tells it too, and they show it again).
    void HeaderChanged();

private:
    // A change of the record; content when it changes what a file keeps
    // (a step through the record does not).
    void Changed(bool content = true);
    // A record has taken the place of the last one (started anew when not
    // read from elsewhere): the game against the engine is over, and
    // everything that shows the record is told.
    void Restarted(bool started);
    // Tells of a change that was made; the result either way.
    TreeResult Changed(TreeResult result);

    std::unique_ptr<GameState> game_;
    GamePhase phase_ = GamePhase::NoGame;
    std::array<int, 2> clockRemainder_{};  // White's and Black's milliseconds beyond their seconds
};

}  // namespace vorlik
