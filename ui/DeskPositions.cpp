#include "DeskPositions.h"

#include "core/PostalLedger.h"
#include "database/PolyglotKey.h"
#include "records/KifuStore.h"
#include "records/ModuleMekFile.h"

#include <algorithm>
#include <map>
#include <memory>
#include <unordered_set>

namespace vorlik {

namespace {

// Game n of the scanned file, read into record; false when it does not read.
bool ReadGame(const std::string& path, KifuKind kind, int n, std::map<std::string, KifuFile>& scans,
              GameState& record)
{
    auto found = scans.find(path);
    if (found == scans.end()) {
        FileLines lines;
        std::string error;
        KifuFile scan;
        if (ReadFileLines(path, lines, error, kMaxDeskFileBytes))
            ScanFileLines(scan, kind, path, lines, kMaxGames);
        found = scans.emplace(path, std::move(scan)).first;
    }
    if (n < 1 || n > found->second.KifuCount)
        return false;
    LoadKifuGame(record, found->second, kind, n);  // a game read in part still has its first moves
    return true;
}

}  // namespace

DeskPositions DeskPositions::Build(const std::string& folder, const std::string& me)
{
    DeskPositions index;
    if (folder.empty() || me.empty())
        return index;
    const Desk desk = OpenDesk({folder, me, LocalToday(), {}});
    std::map<std::string, KifuFile> scans;
    auto record = std::make_unique<GameState>();
    for (const DeskRow& row : desk.rows) {
        DeskMatch game;
        game.place = PlaceOfRow(folder, row);
        if (!ReadGame(game.place.path, row.kind, row.number, scans, *record))
            continue;
        ++index.games_;
        game.opponent = row.opponent;
        game.meWhite = row.meWhite;
        std::unordered_set<std::uint64_t> seen;  // a game counts once, where it first stood there
        for (const LinePosition& position : MainLinePositions(*record)) {
            if (!seen.insert(position.key).second)
                continue;
            DeskMatch match = game;
            match.moveNumber = MoveNumber(*record, position.ply + 1);
            if (position.ply < record->LastPly)
                for (int style = kStyleShort; style <= kStyleCoord; ++style)
                    match.move[style] = MoveText(*record, static_cast<NotationStyle>(style), position.ply + 1);
            index.byKey_.emplace(position.key, index.matches_.size());
            index.matches_.push_back(std::move(match));
        }
    }
    return index;
}

std::vector<DeskMatch> DeskPositions::Find(std::uint64_t key) const
{
    std::vector<std::size_t> found;
    const auto range = byKey_.equal_range(key);
    for (auto it = range.first; it != range.second; ++it)
        found.push_back(it->second);
    std::sort(found.begin(), found.end());  // the desk's order
    std::vector<DeskMatch> matches;
    for (std::size_t k : found)
        matches.push_back(matches_[k]);
    return matches;
}

std::string DeskMatchText(const DeskMatch& match, NotationStyle notation)
{
    const std::string& move = match.move[notation >= kStyleShort && notation <= kStyleCoord ? notation : kStyleShort];
    return "進行中: " + match.opponent + (match.meWhite ? " (白) " : " (黒) ") + std::to_string(match.moveNumber) +
           "手目 " + (move.empty() ? std::string("(この局面で手番)") : move);
}

}  // namespace vorlik
