// Whole files in and out: reading a file's bytes, and replacing a file
// atomically (a temporary file in the same folder, written and flushed to the
// disk, then renamed over it), so that a failed write never leaves a
// half-written or empty game file. Only regular files are read or written: a
// pipe would never end, a device would never stop giving bytes.
#pragma once

#include "KifuKind.h"

#include "TextCodec.h"

#include <limits>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace vorlik {

// False with a message naming the file when it cannot be read, is no
// regular file, or holds more than maxBytes (read not at all then).
bool ReadFileBytes(const std::string& fileName, std::string& bytes, std::string& error,
                   long long maxBytes = std::numeric_limits<long long>::max());

// False with a message naming the file when it cannot be written; the file
// is then as it was.
bool WriteFileAtomically(const std::string& fileName, std::string_view bytes, std::string& error);

// A new version of a file, written whole beside it before it takes the
// file's place; a version never put in place is removed with this object.
// Several can be written first and put in place together, so that a failure
// in any of them changes none of the files.
class FileReplacement {
public:
    // model: the file whose permissions and owner the new version takes
    // (the file itself when empty; a backup takes those of the file it keeps).
    explicit FileReplacement(const std::string& fileName, const std::string& model = std::string());
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // Writes the bytes and waits until the disk holds them; false with the
    // message "... に保存できませんでした" and the system's reason.
    bool Write(std::string_view bytes, std::string& error);
    // Puts the written version in the file's place, with the old file's
    // permissions and owner.
    bool Commit(std::string& error);

private:
    bool Fail(const std::string& reason, std::string& error);
    int CreateTemporary();
    void TakeModelsMode(int fd) const;

    std::string fileName_;   // as the user named it
    std::string target_;     // the file itself, where a link leads
    std::string model_;
    std::string temporary_;  // empty once put in place or removed
};

// The lock every writer of this program takes on the folder of a file, held
// from reading the file to putting its new version in place, so that two
// saves into one file at once both find their game in it.
class FileLock {
public:
    static constexpr int kWaitMs = 10000;
    FileLock() = default;
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Waits up to waitMs while another writer holds it; false with a message
    // when it is still held. A file system without locks is written unlocked.
    bool Take(const std::string& fileName, std::string& error, int waitMs = kWaitMs);

private:
    int folder_ = -1;
};

bool FileExists(const std::string& fileName);

// A small file of the program's own (a remembered folder or choice): the
// lines in UTF-8, each ended by CR LF, replacing the file atomically.
bool WriteUtf8Lines(const std::string& fileName, const std::vector<std::string>& lines, std::string& error);

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
bool ReadFileLines(const std::string& fileName, FileLines& lines, std::string& error,
                   long long maxBytes = std::numeric_limits<long long>::max());

// Splits bytes already in memory (fileName only names it in messages).
bool SplitFileLines(std::string bytes, FileLines& lines, const std::string& fileName, std::string& error);

struct KifuFile;
struct ScanReport;

// Scans the lines of a file already read, for the table and for a save into
// it; maxGames lifts the table's bound for a rewrite, which must count every game.
ScanReport ScanFileLines(KifuFile& file, KifuKind kind, const std::string& fileName, const FileLines& lines,
                         int maxGames);

// A fingerprint of game n of a scan of lines: its lines from its first to the
// next game's, blank lines at its end left out. A game another writer left
// where it was has the same fingerprint in the file written anew.
std::size_t GameFingerprint(const KifuFile& scan, const FileLines& lines, int n);

}  // namespace vorlik
