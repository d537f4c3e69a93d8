// Text of game files as bytes on disk and as UTF-8 in memory. Files are CP932
// (Shift-JIS) by default; a file that starts with a byte-order mark, or is
// UTF-8 with multibyte characters but for a few stray bytes, is UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

enum class TextEncoding { Cp932, Utf8 };

// How a file's bytes are to be read.
struct EncodingGuess {
    TextEncoding encoding = TextEncoding::Cp932;
    bool byteOrderMark = false;  // three bytes EF BB BF at the start
    bool asciiOnly = true;       // every byte below 0x80: either encoding reads it
    bool binary = false;         // holds a NUL byte: not a text file
    int strayBytes = 0;          // in a UTF-8 file: bytes that are no UTF-8
};
EncodingGuess GuessEncoding(std::string_view bytes);

// One line (or any text) in the file's encoding to UTF-8. Bytes that cannot be
// read become U+FFFD and are counted in badBytes.
std::string DecodeText(std::string_view bytes, TextEncoding encoding, int* badBytes = nullptr);

// UTF-8 to the file's encoding; false when the text holds a character the
// encoding cannot hold (out is then unspecified).
bool EncodeText(std::string_view utf8, TextEncoding encoding, std::string& out);

// Length of the valid multibyte UTF-8 sequence at text[i]; 0 when the bytes
// there are none (a byte below 0x80 included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i);

// The name the user sees ("CP932", "UTF-8").
const char* EncodingName(TextEncoding encoding);

// Lines of a text: a line ends at CR LF, at CR or at LF. A last line without
// an end counts; an empty text has no lines.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace vorlik
