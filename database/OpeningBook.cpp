#include "OpeningBook.h"

#include "records/KifuFormat.h"
#include "records/ModuleMekFile.h"

#include <memory>

namespace vorlik {

namespace {


}  // namespace

bool OpeningBook::Load(const std::string& fileName, std::string& error)
{
    names_.clear();
    known_.Clear();
    KifuFile file;
    const ScanReport scan = ScanKifuFile(file, kKindPgn, fileName);
    if (!scan.ok) {
        error = scan.message;
        return false;
    }
    auto record = std::make_unique<GameState>();
    for (int g = 1; g <= file.KifuCount; ++g) {
        const KifuGame& entry = file.KifuList[g];
        const std::string code = FurtherTagOf(entry, "ECO");
        if (code.empty() || !LoadKifuGame(*record, file, kKindPgn, g).Message().empty())
            continue;
        std::string name = FurtherTagOf(entry, "Opening");
        for (const char* part : {"Variation", "SubVariation"}) {
            const std::string more = FurtherTagOf(entry, part);
            if (!more.empty())
                name += (name.empty() ? "" : ", ") + more;
        }
        // The first entry of a position names it; later ones reach it by other moves.
        names_.emplace(MainLinePositions(*record).back().key, OpeningName{code, name});
    }
    if (names_.empty()) {
        error = "ECO ファイルに分類がありません (no openings in the ECO file): " + fileName;
        return false;
    }
    for (const auto& entry : names_)
        known_.Insert(entry.first);
    return true;
}

std::vector<std::pair<std::uint64_t, std::pair<std::string, std::string>>> OpeningBook::All() const
{
    std::vector<std::pair<std::uint64_t, std::pair<std::string, std::string>>> all;
    for (const auto& [key, name] : names_)
        all.push_back({key, {name.code, name.name}});
    return all;
}

const OpeningName* OpeningBook::Find(std::uint64_t key) const
{
    if (!known_.Contains(key))
        return nullptr;
    const auto found = names_.find(key);
    return found == names_.end() ? nullptr : &found->second;
}

const OpeningName* OpeningBook::Classify(const std::vector<LinePosition>& line) const
{
    const OpeningName* deepest = nullptr;
    for (const LinePosition& position : line) {
        if (position.ply > kPlies)
            break;
        if (const OpeningName* name = Find(position.key))
            deepest = name;
    }
    return deepest;
}

}  // namespace vorlik
