// Opening names: the positions of an ECO file (Debian's pgn-extract ships
// /usr/share/pgn-extract/eco.pgn) by their keys, so that a game reaching a
// named position by another move order gets its name too. Read at run time.
#pragma once

#include "KeySet.h"
#include "PolyglotKey.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorlik {

struct OpeningName {
    std::string code;  // "B90"
    std::string name;  // "Sicilian, Najdorf"
};

class OpeningBook {
public:
    static constexpr const char* kDefaultFile = "/usr/share/pgn-extract/eco.pgn";
    // The plies of a game searched for its deepest named position.
    static constexpr int kPlies = 40;

    // Reads the ECO file; false with a message when it cannot be read.
    bool Load(const std::string& fileName, std::string& error);
    bool Empty() const { return names_.empty(); }
    std::size_t Size() const { return names_.size(); }

    // Every named position: key, code and name.
    std::vector<std::pair<std::uint64_t, std::pair<std::string, std::string>>> All() const;
    // The name of the position, or null.
    const OpeningName* Find(std::uint64_t key) const;
    // The name of the deepest named position of a game's first kPlies plies.
    const OpeningName* Classify(const std::vector<LinePosition>& line) const;

private:
    std::unordered_map<std::uint64_t, OpeningName> names_;
    // The named keys again, in a small open table: a game asks about 40
    // positions and nearly all are not there.
    KeySet known_;
};

}  // namespace vorlik
