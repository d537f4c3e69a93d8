// The position being set up on the board, apart from the record: the
// squares as they are edited and the piece in hand while it is dragged from
// the palette or from a square. The record takes the position only when the
// set-up is confirmed.
#pragma once

#include "core/PositionSetup.h"

#include <memory>
#include <string>

namespace vorlik {

class SetupEdit {
public:
    SetupEdit();
    ~SetupEdit();

    // The squares become the position `board`; nothing in hand.
    void Begin(const Board& board);
    // Lifts the piece of a square into the hand; false on an empty square.
    bool PickUp(int file, int rank);
    // Takes a palette piece into the hand.
    void Take(char piece);
    // Puts the piece in hand on a square; false when nothing is in hand.
    bool Drop(int file, int rank);
    // The piece in hand is gone (dropped off the squares).
    void Discard();
    // Empties the 64 squares; with start, then the standard start position.
    void Fill(bool start);
    // Exactly one white and one black king.
    bool KingsValid() const;
    Board Position() const;
    // The letter on a square, 0 for an empty one.
    char Square(int file, int rank) const;
    // The square as the board draws it ("" for an empty one).
    const std::string& SquareText(int file, int rank) const;
    // The piece in hand as a letter, "" for none.
    const std::string& PieceInHand() const;

private:
    std::unique_ptr<SetupGrid> edit_;
};

}  // namespace vorlik
