// Whole files in and out: reading a file's bytes, and replacing a file
// atomically (a temporary file in the same folder, flushed, then renamed over
// it), so that a failed write never leaves a half-written game file.
#pragma once

#include "TextCodec.h"

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

// False with a message naming the file when it cannot be read.
bool ReadFileBytes(const std::string& fileName, std::string& bytes, std::string& error);

// False with a message naming the file when it cannot be written; the file
// is then as it was.
bool WriteFileAtomically(const std::string& fileName, std::string_view bytes, std::string& error);

bool FileExists(const std::string& fileName);

// What a message quotes is kept short enough for one line of a message box:
// at most maxChars characters, the cut marked with "…". Line ends and tabs
// become spaces. Quoted keeps the beginning (a token, a field); QuotedPath
// keeps both ends, so that the file's own name stays visible.
constexpr std::size_t kQuotedChars = 60;
std::string Quoted(std::string_view text, std::size_t maxChars = kQuotedChars);
std::string QuotedPath(std::string_view path, std::size_t maxChars = kQuotedChars);

// A file read as lines: the raw bytes of each line (for rewriting the file
// untouched) and the same lines as UTF-8 (for recognising games).
// The views point into the struct itself, so it is neither copied nor moved.
struct FileLines {
    FileLines() = default;
    FileLines(const FileLines&) = delete;
    FileLines& operator=(const FileLines&) = delete;

    std::string bytes;
    EncodingGuess guess;
    std::vector<std::string_view> raw;      // views into bytes
    std::vector<std::string_view> text;     // UTF-8, views into bytes or into decoded
    std::deque<std::string> decoded;        // the lines that needed converting (a deque: they never move)
    int badBytes = 0;
};

// Reads and splits a file; false with a message when it cannot be read or is
// not text.
bool ReadFileLines(const std::string& fileName, FileLines& lines, std::string& error);

// Splits bytes already in memory (fileName only names it in messages).
bool SplitFileLines(std::string bytes, FileLines& lines, const std::string& fileName, std::string& error);

struct KifuFile;
struct ScanReport;

// Scans the lines of a file already read, for the table and for a save into it.
ScanReport ScanFileLines(KifuFile& file, int kind, const std::string& fileName, const FileLines& lines);

}  // namespace vorlik
