// libFuzzer target: the PGN reader. Scans the input as a PGN file, loads its
// first games into a window without widgets, writes each loaded game in both
// notations and reads it back, and runs the position search over the table.
#include "FuzzCommon.h"

#include <algorithm>
#include <cstdint>

using namespace vorlik;
using namespace vorlik::fuzz;

namespace {

// What this program writes of a game reads back to the same game, and is
// written again to the same text: comments, variations and marks included.
void ExpectPgnRoundTrip(GameState& window, bool longForm)
{
    const std::vector<std::string> lines = WritePgnGame(window, window.Header, longForm);
    const std::string text = FileText(lines);
    KifuFile written;
    ScanKifuText(written, kKindPgn, text);
    Expect(written.KifuCount == 1, "a written PGN game scans as " + std::to_string(written.KifuCount) + " games");
    GameState& reread = NewWindow(1);
    const LoadReport report = LoadKifu(reread, written, LoadPart::Moves, 1);
    Expect(report.refused.empty(), "a written PGN game has refused moves: " + report.Message());
    ExpectSameGame(window, reread, longForm ? "PGN (long)" : "PGN");
    Expect(report.AnnotationsMessage().empty(), "a written PGN game has a broken annotation: " + report.Message());
    Expect(WritePgnGame(reread, reread.Header, longForm) == lines,
           "a written PGN game is written again otherwise:\n" + text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    KifuFile file;
    const ScanReport scan = ScanKifuText(file, kKindPgn, text);
    (void)scan.message.size();
    CheckTable(file);

    GameState& window = NewWindow(0);
    const int games = std::min(file.KifuCount, kGamesLoaded);
    for (int n = 1; n <= games; ++n) {
        const LoadReport report = LoadKifuGame(window, file, kKindPgn, n);
        (void)report.Message().size();
        CheckRecord(window);
        const bool longForm = n % 2 == 0;
        WriteCsvGame(window, window.Header, longForm);
        FenFileLine(window);
        ExpectPgnRoundTrip(window, longForm);
    }
    if (games > 0) {
        const int listed = file.KifuCount;
        const SearchResult search = SearchContinuations(file, window, false);
        Expect(search.tally.size() <= 100, "more than 100 continuations tallied");
        Expect(search.matches <= listed, "more matches than games");
        CheckTable(file);
    }
    return 0;
}
