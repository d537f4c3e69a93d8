#include "SetupEdit.h"

#include "core/PositionSetup.h"

namespace vorlik {

SetupEdit::SetupEdit() : edit_(std::make_unique<GameState>()) {}

SetupEdit::~SetupEdit() = default;

void SetupEdit::Begin(const Board& board)
{
    edit_->CurPly = 0;
    edit_->KifuBoard[0] = board;
    BeginSetup(*edit_);
}

bool SetupEdit::PickUp(int file, int rank) { return SetupPickUp(*edit_, file, rank); }

void SetupEdit::Take(char piece) { SetupTake(*edit_, piece); }

bool SetupEdit::Drop(int file, int rank) { return SetupDrop(*edit_, file, rank); }

void SetupEdit::Discard() { SetupDiscard(*edit_); }

void SetupEdit::Fill(bool start) { SetupFill(*edit_, start); }

bool SetupEdit::KingsValid() const { return SetupKingsValid(*edit_); }

Board SetupEdit::Position() const { return SetupPosition(*edit_); }

char SetupEdit::Square(int file, int rank) const { return SetupSquare(*edit_, file, rank); }

const std::string& SetupEdit::SquareText(int file, int rank) const { return edit_->ViewBoard[file][rank]; }

const std::string& SetupEdit::PieceInHand() const { return edit_->ViewBoard[0][0]; }

}  // namespace vorlik
