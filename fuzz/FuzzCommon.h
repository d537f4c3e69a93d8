// Shared by the fuzz targets: loading games of a scanned table into a record
// of their own, checking that the record stays inside its bounds, and
// checking that what this program writes reads back to the same game.
#pragma once

#include "core/ModuleMekDim.h"
#include "core/ModuleMekDim.h"
#include "records/KifuFormat.h"
#include "records/ModuleMekFile.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace vorlik::fuzz {

// Enough games of one input to reach the loader with several of them while
// keeping each run short.
constexpr int kGamesLoaded = 4;

[[noreturn]] inline void Fail(const std::string& what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what.c_str());
    std::abort();
}

inline void Expect(bool condition, const std::string& what)
{
    if (!condition)
        Fail(what);
}

// A record reset to a new game. The records live for the whole run: a game
// state is large, and making one per input would spend the run in the
// allocator.
inline GameState& NewWindow(int which)
{
    static GameState records[2];
    GameState& record = records[which];
    ResetGame(record);
    SetStartPosition(record);
    return record;
}

inline void CheckTable(const KifuFile& file)
{
    Expect(file.KifuCount >= 0 && file.KifuCount <= kMaxGames, "KifuCount out of bounds");
    Expect(static_cast<int>(file.KifuList.size()) > file.KifuCount, "KifuList shorter than KifuCount");
}

inline void CheckRecord(const GameState& game)
{
    Expect(game.LastPly >= 0 && game.LastPly <= kMaxPly, "LastPly out of bounds");
    Expect(game.CurPly >= 0 && game.CurPly <= game.LastPly + 1, "CurPly out of bounds");
    Expect(LineMatchesTree(game), "the line on the board is not the tree's");
}

// The lines of one game as they lie in a file this program wrote: an empty
// line in front, CR LF after each.
inline std::string FileText(const std::vector<std::string>& lines)
{
    std::string text = "\r\n";
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

// The written game, read back, has the same header, start and moves.
inline void ExpectSameGame(GameState& original, GameState& reread, const char* layout)
{
    const GameState& a = original;
    const GameState& b = reread;
    const std::string where = std::string(layout) + " written and read back: ";
    Expect(a.LastPly == b.LastPly,
           where + "LastPly " + std::to_string(a.LastPly) + " became " + std::to_string(b.LastPly));
    Expect(a.KifuBoard[0] == b.KifuBoard[0], where + "start position differs");
    // The promotion letter of a coordinate text keeps the case it was given
    // in ("d1" asked: d2d1q; "d1=Q" read: d2d1Q), so case does not count.
    const auto lower = [](std::string text) {
        for (char& c : text)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        return text;
    };
    for (int ply = 1; ply <= a.LastPly; ++ply)
        Expect(lower(a.KifuCoord[ply]) == lower(b.KifuCoord[ply]) && a.KifuShort[ply] == b.KifuShort[ply] &&
                   a.KifuBoard[ply] == b.KifuBoard[ply],
               where + "ply " + std::to_string(ply) + " " + a.KifuCoord[ply] + " " + a.KifuShort[ply] + " became " +
                   b.KifuCoord[ply] + " " + b.KifuShort[ply]);
    const GameHeader ha = original.Header, hb = reread.Header;
    for (int k = 1; k <= 7; ++k)
        Expect(ha.Field[k] == hb.Field[k], where + "header field " + std::to_string(k) + " \"" + ha.Field[k] +
                                               "\" became \"" + hb.Field[k] + "\"");
}

}  // namespace vorlik::fuzz
