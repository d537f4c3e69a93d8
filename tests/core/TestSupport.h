// Small helpers shared by the core tests: positions from FEN text and games
// played token by token through the commit gate.
#pragma once

#include "core/FenText.h"
#include "core/ModuleMekDim.h"
#include "core/MoveCommit.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <string>

namespace vorlik::test {

// A board from the board part of a FEN text (all 64 squares named).
inline Board BoardFromFen(const std::string& fen)
{
    Board board{};
    bool blackToMove = false;
    ReadFenText(fen + " w", board, blackToMove);
    return board;
}

// A new record from a FEN text, with its castling rights, passed square and
// counters, or the standard start when fen is empty.
inline std::unique_ptr<GameState> NewGame(const std::string& fen = std::string())
{
    auto game = std::make_unique<GameState>();
    ResetGame(*game);
    SetStartPosition(*game);
    if (!fen.empty()) {
        Board board = game->KifuBoard[0];
        bool blackToMove = false;
        StartRights rights;
        if (ReadFenText(fen, board, blackToMove, &rights) == FenError::None)
            LoadSetupPosition(*game, board, blackToMove, rights);
    }
    return game;
}

// Commits one token as a move read from a file would be.
inline bool Play(GameState& game, const std::string& token, const PromotionAsk* ask = nullptr)
{
    return CommitMove(game, token, ask);
}

// Plays space-separated tokens; returns how many were accepted.
inline int PlayAll(GameState& game, const QString& tokens)
{
    int accepted = 0;
    for (const QString& token : tokens.split(' ', Qt::SkipEmptyParts))
        accepted += Play(game, token.toStdString());
    return accepted;
}

inline QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace vorlik::test
