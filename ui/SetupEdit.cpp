#include "SetupEdit.h"

#include "core/PositionSetup.h"

namespace vorlik {

SetupEdit::SetupEdit() : edit_(std::make_unique<SetupGrid>()) {}

SetupEdit::~SetupEdit() = default;

void SetupEdit::Begin(const Board& board)
{
    BeginSetup(*edit_, board);
}

bool SetupEdit::PickUp(int file, int rank) { return SetupPickUp(*edit_, file, rank); }

void SetupEdit::Take(char piece) { SetupTake(*edit_, piece); }

bool SetupEdit::Drop(int file, int rank) { return SetupDrop(*edit_, file, rank); }

void SetupEdit::Discard() { SetupDiscard(*edit_); }

void SetupEdit::Fill(bool start) { SetupFill(*edit_, start); }

bool SetupEdit::KingsValid() const { return SetupKingsValid(*edit_); }

Board SetupEdit::Position() const { return SetupPosition(*edit_); }

char SetupEdit::Square(int file, int rank) const { return SetupSquare(*edit_, file, rank); }

const std::string& SetupEdit::SquareText(int file, int rank) const { return edit_->squares[file][rank]; }

const std::string& SetupEdit::PieceInHand() const { return edit_->hand; }

}  // namespace vorlik
