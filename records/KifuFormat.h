// The line layouts of the game files, written and read. Pure functions from
// the record to lines and back; no files here. Lines are UTF-8 without their
// line end (the writer of the file adds CR LF).
#pragma once

#include "core/GameHeader.h"
#include "core/ModuleMekDim.h"
#include "core/ModuleMekDim.h"

#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

// A ply as messages name it: "3手目(白)", "3手目(黒)"; firstMove is the number
// of the record's first move (that of a FEN start).
std::string PlyName(int ply, int firstMove = 1);

// What the user is told of a move token that more than one piece may legally
// play ("Nd7" with both knights free to go there).
std::string AmbiguousMoveText(int ply, const std::string& token, int firstMove = 1);

// One game in this program's PGN layout: seven tags, the FEN tag of a set-up
// start, the further tag lines, the moves six to a line, one empty line. A
// record with variations, comments or marks writes its whole tree, in PGN's
// own syntax (AnnotatedMoveLines).
// longForm: "国際長" texts instead of "国際". Castling is written "O-O" and
// "O-O-O" here, as other programs read it; the record and CSV keep "o-o".
std::vector<std::string> WritePgnGame(const GameState& game, const GameHeader& header, bool longForm);

// One game in the CSV postal layout, its main line: seven header lines, an empty line, a line
// per full move with both postal numbers, both moves and twelve postal fields,
// one empty line.
std::vector<std::string> WriteCsvGame(const GameState& game, const GameHeader& header, bool longForm);

// The one line of a FEN file: the whole FEN text of the position of ply CurPly.
std::string FenFileLine(const GameState& game);

// The Date tag of what the date box holds: a date in any form the postal
// boxes take ("26/12/9", "2026-12-09") in PGN's own "2026.12.09"; other text
// as it stands.
std::string DateForPgn(const std::string& box);
// The date box of a Date tag: a date in the form the box is filled with
// ("26/12/9"; a year outside 1970..2069 in four digits); other text as it stands.
std::string DateForBox(const std::string& tag);

// A PGN tag line: [Name "value"], the value with \" and \\ escaped, and a
// tab or line end in it written as a blank.
std::string TagLine(const std::string& name, const std::string& value);

// A tag name as PGN has them: a letter or digit, then letters, digits and "_+#=:-".
bool IsTagName(std::string_view name);

// Reads a whole tag pair: [Name "value"], blanks around, nothing else on the line.
bool ReadTagPair(std::string_view line, std::string& name, std::string& value);

// The lines of the further-tags box as tag lines, written anew with the
// escapes; empty lines are left out. A line that is no tag pair, or names a
// tag of the header's own boxes or FEN, is left out and, when refused is
// given and still empty, put there.
std::vector<std::string> FurtherTagLines(const std::string& box, std::string* refused);

// Reads a tag line; false when the line is no tag line (after leading blanks
// it must start with "["). A missing or unterminated value reads as far as it
// goes; closed, when given, tells whether the line ends as a tag ends (the
// value's closing quote, then "]").
bool ReadTagLine(std::string_view line, std::string& name, std::string& value, bool* closed = nullptr);

// True for a line whose first non-blank character is "[".
bool IsTagLine(std::string_view line);

// A CSV value: quoted (RFC 4180) only when it holds a comma, a double quote or
// a line end, otherwise unchanged.
std::string CsvValue(const std::string& value);

// The fields of a CSV line, quotes removed. "a,b," gives a, b and an empty third.
std::vector<std::string> SplitCsvLine(std::string_view line);

// Where the reading of a game's move text stands between two lines.
struct MoveTextState {
    bool inComment = false;  // inside { }
    int variation = 0;       // depth of ( )
};

// Appends the moves of one line to a game's move text: move numbers, moves and
// the result, each separated by one space; a move number always stands apart
// ("1.e4" and "1. e4" alike, "1...e5" becomes "1... e5"). Comments ({ } and
// ";" to the line's end), variations, annotation glyphs ($1) and marks (!, ?)
// are left out, and an escape line ("%" first) is skipped. True when the line
// held anything but blanks and escapes.
bool AppendMoveText(std::string& moveText, std::string_view line, MoveTextState& state);

// The search key of the position on the board: the moves of plies 1..CurPly
// with move numbers, in the same normalised form, ending in a space ("1. e4 e5 "
// for two plies, "1... e5 " when the game starts with Black; "1." at the start).
std::string SearchKey(const GameState& game, bool longForm);

}  // namespace vorlik
