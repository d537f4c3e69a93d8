// The kinds of game file.
#pragma once

#include <string_view>

namespace vorlik {

// File kinds, as the entries of the open and save dialogs' type list.
enum KifuKind { kKindNone = 0, kKindPgn = 1, kKindFen = 2, kKindCsv = 3 };

// The kind an extension word names ("pgn", "FEN", "Csv": any letter case);
// kKindNone for any other word.
KifuKind KindOfExtension(std::string_view extension);
// The kind of a file by its name's extension; kKindNone when it has none of the three.
KifuKind KindOfFileName(std::string_view fileName);

}  // namespace vorlik
