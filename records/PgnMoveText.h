// The move text of a PGN game with its annotations: a walk over its tokens
// (moves, comments, variations, marks), and the writing of an annotated
// record back into PGN's own syntax. Pure functions; no files here.
#pragma once

#include "core/ModuleMekDim.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

// One token of a move text, as the walk hands it over.
struct PgnToken {
    enum Kind { Move, Comment, Nag, Open, Close, Result } kind = Move;
    std::string text;  // the move without its marks, or the comment's text
    int nag = 0;       // Nag, and the mark of a move ("!" 1, "?" 2, "!!" 3, "??" 4, "!?" 5, "?!" 6), 0 none
};

// What the walk found wrong with the text's nesting.
struct PgnNesting {
    int unclosedComments = 0;    // "{" without "}" (the comment runs to the game's end)
    int unmatchedParentheses = 0;  // ")" without "(", or "(" never closed
};

// Calls take(token) for every token of a game's move text, in order; move
// numbers and escape lines ("%" first) are left out, ";" comments run to the
// line's end, line ends inside a comment become blanks. Stops after the
// result at the outermost level, or when take returns false. Variations
// still open at the end are closed by the walk (and counted).
PgnNesting WalkPgnMoveText(std::string_view text, const std::function<bool(PgnToken&&)>& take);

// This program writes castling "o-o"; PGN wants the letter O, and keeps the
// check or mate mark behind it ("O-O+", "O-O-O#").
std::string PgnMove(std::string move);

// True for a token that ends a game's moves: "1-0", "0-1", "1/2-1/2", "*"
// (and "1/2" alone, as some programs write a draw).
bool IsPgnResultToken(std::string_view token);

// The NAG of a move's suffix marks, 0 when there are none or they are no
// known mark ("!?!").
int SuffixNag(std::string_view marks);

// The move text of an annotated record: the main line from the tree, each
// variation in parentheses after the move it replaces, comments in braces,
// marks as $n, move numbers where PGN wants them ("3... Nf6" after a
// comment or a variation), a line break before every sixth White move of the
// main line, and the result last. longForm: "国際長" texts.
std::vector<std::string> AnnotatedMoveLines(const GameState& game, bool longForm, const std::string& result);

// The moves of the line that begins at node firstNode (on along first
// children), with move numbers, one space apart: "3... Nf6 4. Nc3".
std::string MovesOfLine(const GameState& game, int firstNode, bool longForm);

}  // namespace vorlik
