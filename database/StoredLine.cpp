#include "StoredLine.h"

#include "DatabaseImport.h"
#include "FastGameReader.h"
#include "PositionQuery.h"
#include "records/ModuleMekFile.h"

namespace vorlik {

bool ReadMainLine(ReadersLine& readers, const KifuFile& scan, KifuKind kind, int g, std::vector<LinePosition>& line,
                  int& plies, std::string& reason)
{
    const KifuGame& kifu = scan.KifuList[g];
    if (kind == kKindPgn && kifu[kStartText].empty() && kifu[kAnnotatedText].empty() &&
        ReadPlainMoves(kifu[kMoveText], line)) {
        plies = static_cast<int>(line.size()) - 1;
        return true;
    }
    return readers.Read(scan, kind, g, line, plies, reason);
}

StoredLines::StoredLines(GameDatabase& database) : database_(database) {}
StoredLines::~StoredLines() = default;

bool StoredLines::Reaches(std::uint32_t game, std::uint64_t key, Posting& posting, bool& reached, std::string& error)
{
    reached = false;
    if (game != lineGame_) {
        lineGame_ = 0;
        line_.clear();
        std::string layout, text;
        if (!ReadStoredGame(database_, game, layout, text)) {
            error = "索引が壊れています (the index of positions is damaged): game " + std::to_string(game);
            return false;
        }
        const KifuKind kind = layout == "csv" ? kKindCsv : kKindPgn;
        KifuFile file;
        ScanKifuText(file, kind, text);
        if (!readers_)
            readers_ = std::make_unique<ReadersLine>();
        int plies = 0;
        std::string reason;
        if (file.KifuCount >= 1)
            ReadMainLine(*readers_, file, kind, 1, line_, plies, reason);  // refused now: it reaches nothing
        lineGame_ = game;
    }
    for (const LinePosition& position : line_) {
        if (position.key == key) {
            posting = {game, static_cast<std::uint16_t>(position.ply), static_cast<std::uint16_t>(position.move)};
            reached = true;
            return true;
        }
    }
    return true;
}

GameReaches StoredLines::Asker()
{
    return [this](std::uint32_t game, std::uint64_t key, Posting& posting, bool& reached, std::string& error) {
        return Reaches(game, key, posting, reached, error);
    };
}

}  // namespace vorlik
