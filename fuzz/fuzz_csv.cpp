// libFuzzer target: the CSV postal reader. Scans the input as a CSV file,
// loads the first games (moves, then postal fields), writes each as CSV and
// reads it back.
#include "FuzzCommon.h"

#include <algorithm>
#include <cstdint>

using namespace vorlik;
using namespace vorlik::fuzz;

namespace {

void Load(GameState& window, const KifuFile& file, int n)
{
    (void)LoadKifuGame(window, file, kKindCsv, n).Message().size();
    CheckRecord(window);
}

// Moves, header and every postal field survive a write and a read.
void ExpectCsvRoundTrip(GameState& window, bool longForm)
{
    const std::string text = FileText(WriteCsvGame(window, window.Header, longForm));
    KifuFile written;
    ScanKifuText(written, kKindCsv, text);
    Expect(written.KifuCount == 1, "a written CSV game scans as " + std::to_string(written.KifuCount) + " games");
    GameState& reread = NewWindow(1);
    Load(reread, written, 1);
    ExpectSameGame(window, reread, longForm ? "CSV (long)" : "CSV");
    const GameState& a = window;
    const GameState& b = reread;
    for (int ply = 1; ply <= a.LastPly; ++ply)
        for (int k = 1; k <= 6; ++k)
            Expect(a.KifuNote[k][ply] == b.KifuNote[k][ply], "CSV written and read back: postal field " +
                                                                 std::to_string(k) + " of ply " + std::to_string(ply) +
                                                                 " \"" + a.KifuNote[k][ply] + "\" became \"" +
                                                                 b.KifuNote[k][ply] + "\"");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    KifuFile file;
    (void)ScanKifuText(file, kKindCsv, text).message.size();
    CheckTable(file);

    GameState& window = NewWindow(0);
    const int games = std::min(file.KifuCount, kGamesLoaded);
    for (int n = 1; n <= games; ++n) {
        Load(window, file, n);
        const bool longForm = n % 2 == 0;
        WritePgnGame(window, window.Header, longForm);
        ExpectCsvRoundTrip(window, longForm);
    }
    if (games > 0)
        SearchContinuations(file, window, false);
    return 0;
}
