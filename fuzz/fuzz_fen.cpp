// libFuzzer target: the FEN reader and the text codec. Guesses the input's
// encoding, decodes it both ways and splits it into lines; reads the first
// line and the whole input as a FEN position; a position that was read is
// written as a FEN file line and read back to the same board.
#include "FuzzCommon.h"

#include "core/FenText.h"
#include "records/TextCodec.h"

#include <cstdint>

using namespace vorlik;
using namespace vorlik::fuzz;

namespace {

// Decoded text is valid UTF-8 whatever the bytes were.
std::string ExpectDecoded(std::string_view bytes, TextEncoding encoding)
{
    int bad = 0;
    const std::string text = DecodeText(bytes, encoding, &bad);
    Expect(bad >= 0 && static_cast<std::size_t>(bad) <= bytes.size(), "more bad bytes than bytes");
    int again = 0;
    Expect(DecodeText(text, TextEncoding::Utf8, &again) == text && again == 0,
           std::string("decoding from ") + EncodingName(encoding) + " gave text that is not UTF-8");
    std::string encoded;
    (void)EncodeText(text, TextEncoding::Cp932, encoded);
    return text;
}

void ExpectCodec(std::string_view bytes)
{
    const EncodingGuess guess = GuessEncoding(bytes);
    ExpectDecoded(bytes, TextEncoding::Cp932);
    const std::string utf8 = ExpectDecoded(bytes, TextEncoding::Utf8);
    // A UTF-8 file may hold a few stray bytes; those aside, it is its own text.
    if (guess.encoding == TextEncoding::Utf8 && !guess.byteOrderMark && guess.strayBytes == 0)
        Expect(utf8 == bytes, "bytes taken for UTF-8 did not decode to themselves");
    std::size_t total = 0;
    for (const std::string_view line : SplitLines(bytes)) {
        Expect(line.find_first_of("\r\n") == std::string_view::npos, "a split line holds a line end");
        total += line.size();
    }
    Expect(total <= bytes.size(), "split lines longer than the text");
}

void ExpectFen(const std::string& text)
{
    Board board = StandardStartBoard();
    bool blackToMove = false;
    (void)ReadFenText(text, board, blackToMove);

    GameState& window = NewWindow(0);
    std::string message;
    if (!ReadFenBoard(window, text, &message))
        return;
    CheckRecord(window);
    const std::string line = FenFileLine(window);
    GameState& reread = NewWindow(1);
    Expect(ReadFenBoard(reread, line, &message), "a written FEN line was refused: " + line + ": " + message);
    const GameState& a = window;
    const GameState& b = reread;
    Expect(a.CurPly == b.CurPly && a.KifuBoard[a.CurPly] == b.KifuBoard[b.CurPly],
           "a FEN line written and read back differs: " + line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    ExpectCodec(bytes);
    // A FEN file is read as its first line, in the file's encoding.
    const EncodingGuess guess = GuessEncoding(bytes);
    const std::string text = DecodeText(bytes, guess.encoding);
    const std::vector<std::string_view> lines = SplitLines(text);
    if (!lines.empty())
        ExpectFen(std::string(lines.front()));
    ExpectFen(std::string(bytes));
    return 0;
}
