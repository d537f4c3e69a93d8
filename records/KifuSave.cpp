// Saving the game on the board, and deleting a game from a file.
#include "KifuFormat.h"
#include "KifuStore.h"
#include "ModuleMekFile.h"

#include <limits>

namespace vorlik {

namespace {

const char* const kFieldNames[8] = {"", "イベント", "場所", "日付", "ラウンド", "白", "黒", "結果"};
const char* const kNoteNames[7] = {"", "消印", "着", "発", "＋", "メモ1", "メモ2"};

// Where a text must go into the file, with the name the user knows it by.
struct NamedText {
    std::string name;
    const std::string* text;
};

std::vector<NamedText> TextsOfGame(const GameState& game, const GameHeader& header, int kind)
{
    std::vector<NamedText> texts;
    for (int k = 1; k <= 7; ++k)
        texts.push_back({kFieldNames[k], &header.Field[k]});
    if (kind == kKindPgn) {
        texts.push_back({"追加のタグ", &header.TextInfoS});
        // Comments go into a PGN file too; a variation's moves are named by their ply.
        for (const KifuNode& node : game.Tree.nodes) {
            const std::string where = node.ply == 0 ? std::string("最初の手の前") : PlyName(node.ply);
            if (!node.commentBefore.empty())
                texts.push_back({where + "の前のコメント", &node.commentBefore});
            if (!node.comment.empty())
                texts.push_back({where + "のコメント", &node.comment});
        }
    }
    if (kind == kKindCsv)
        for (int ply = 1; ply <= game.LastPly; ++ply)
            for (int k = 1; k <= 6; ++k)
                texts.push_back({PlyName(ply) + "の「" +
                                     kNoteNames[k] + "」",
                                 &game.KifuNote[k][ply]});
    return texts;
}

// The name of the first text the encoding cannot hold; empty when all fit.
std::string FirstUnwritable(const std::vector<NamedText>& texts, TextEncoding encoding)
{
    std::string out;
    for (const NamedText& text : texts)
        if (!EncodeText(*text.text, encoding, out))
            return text.name;
    return {};
}

// The game's lines in the file's encoding, each ended by CR LF.
std::string EncodeLines(const std::vector<std::string>& lines, TextEncoding encoding)
{
    std::string bytes, line;
    for (const std::string& text : lines) {
        EncodeText(text, encoding, line);
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

bool Fail(KifuHost& host, const std::string& message)
{
    host.ShowMessage(message, "警告", KifuHost::Icon::Error);
    return false;
}

// The game on the board as the bytes it goes into the file with: in the
// file's own encoding; for a new file, or one that is plain ASCII, CP932
// unless the game needs UTF-8. False, and the user told which text, when the
// file's encoding cannot hold the game.
bool EncodeGame(KifuHost& host, int kind, const EncodingGuess* existing, std::string& encoded)
{
    const GameState& game = host.Window().Game();
    const GameHeader header = host.Window().ReadGameInfo();
    const std::vector<NamedText> texts = TextsOfGame(game, header, kind);
    TextEncoding encoding = TextEncoding::Cp932;
    if (existing && !existing->asciiOnly) {
        encoding = existing->encoding;
        const std::string field = FirstUnwritable(texts, encoding);
        if (!field.empty())
            return Fail(host, field + "の文字の中に、このファイルの文字コード (" + EncodingName(encoding) +
                                  ") で書けない文字があります。保存しませんでした。");
    } else if (!FirstUnwritable(texts, TextEncoding::Cp932).empty()) {
        encoding = TextEncoding::Utf8;
    }
    const bool longForm = host.LongFormSave();
    encoded = EncodeLines(kind == kKindCsv ? WriteCsvGame(game, header, longForm) : WritePgnGame(game, header, longForm),
                          encoding);
    return true;
}

enum class Rewrite { Insert, Overwrite, Delete };

// Takes the lock on the file and reads what it holds now: a game another
// writer added since the list was shown is in it. No file yet reads as none.
bool LockAndRead(KifuHost& host, FileLock& lock, const std::string& fileName, FileLines& lines, bool& exists)
{
    std::string error;
    exists = false;
    if (!lock.Take(fileName, error))
        return Fail(host, error);
    exists = FileExists(fileName);
    if (exists && !ReadFileLines(fileName, lines, error))
        return Fail(host, error);
    return true;
}

// True when game n of the file now is the game the user chose by that number
// in the list `seen` read from this file; a number given without a list is the caller's.
bool IsGameSeen(const KifuFile& seen, const std::string& fileName, const KifuFile& now, const FileLines& lines, int n)
{
    if (seen.FileName != fileName || n >= static_cast<int>(seen.GameFingerprint.size()))
        return true;
    return n <= now.KifuCount && GameFingerprint(now, lines, n) == seen.GameFingerprint[n];
}

// Writes the file anew with the game put in front of game n's first line
// (insert), in place of game n (overwrite) or with game n left out (delete).
// The old file becomes the backup; both are written whole before either
// takes its place, so a failure leaves the file and its backup as they were.
bool RewriteThroughBackup(KifuHost& host, const KifuFile& seen, int kind, const std::string& fileName,
                          const FileLines& lines, int n, Rewrite how, const std::string& encodedGame)
{
    // The games are counted over the very lines the rewrite copies.
    KifuFile scan;
    ScanKifuLines(scan, kind, lines.text, 0, std::numeric_limits<int>::max());
    if (!IsGameSeen(seen, fileName, scan, lines, n))
        return Fail(host, "ファイル「" + QuotedPath(fileName) + "」は、一覧を表示した後でほかのプログラムに書き換えられ、" +
                              std::to_string(n) + "番は一覧で選んだ棋譜ではなくなりました。" +
                              (how == Rewrite::Delete ? "削除" : "保存") + "しませんでした。\nもう一度一覧から選んでください。");
    if (n < 1 || n > scan.KifuCount)
        return Fail(host,
                    "ファイル「" + QuotedPath(fileName) + "」には" + std::to_string(n) + "番の棋譜がありません。");
    const std::size_t first = scan.GameFirstLine[n];
    std::size_t resume = first;
    if (how != Rewrite::Insert) {
        // The old game runs up to the next game; the last game keeps the file's
        // closing empty line.
        const std::size_t count = lines.raw.size();
        resume = n < scan.KifuCount ? scan.GameFirstLine[n + 1]
                                    : (count > 0 && lines.text[count - 1].find_first_not_of(" \t") ==
                                                        std::string_view::npos
                                           ? count - 1
                                           : count);
        resume = std::max(resume, first);
    }
    std::string bytes;
    bytes.reserve(lines.bytes.size() + encodedGame.size());
    if (lines.guess.byteOrderMark)
        bytes += "\xef\xbb\xbf";
    for (std::size_t i = 0; i < first; ++i)
        (bytes += lines.raw[i]) += "\r\n";
    bytes += encodedGame;
    for (std::size_t i = resume; i < lines.raw.size(); ++i)
        (bytes += lines.raw[i]) += "\r\n";
    FileReplacement backup(BackupName(fileName), fileName);
    FileReplacement file(fileName);
    std::string error;
    if (!backup.Write(lines.bytes, error) || !file.Write(bytes, error) || !backup.Commit(error) || !file.Commit(error))
        return Fail(host, error);
    return true;
}

// The file's bytes as they are now, an empty line and the game.
bool AppendGame(KifuHost& host, const std::string& fileName, std::string bytes, const std::string& encodedGame)
{
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r')
        bytes += "\r\n";  // the old last line ends first, so the empty line still parts the games
    bytes += "\r\n";
    bytes += encodedGame;
    std::string error;
    if (!WriteFileAtomically(fileName, bytes, error))
        return Fail(host, error);
    return true;
}

// Writes the game where the user chose, into the file as it is now.
bool WriteGame(KifuHost& host, const KifuFile& seen, int kind, const std::string& fileName, KifuSelect select)
{
    FileLock lock;
    FileLines lines;
    bool exists = false;
    std::string game;
    if (!LockAndRead(host, lock, fileName, lines, exists) ||
        !EncodeGame(host, kind, exists ? &lines.guess : nullptr, game))
        return false;
    if (select == KifuSelect::Append)
        return AppendGame(host, fileName, std::move(lines.bytes), game);
    const int insert = InsertPlace(select);
    return RewriteThroughBackup(host, seen, kind, fileName, lines, insert > 0 ? insert : ChosenGame(select),
                                insert > 0 ? Rewrite::Insert : Rewrite::Overwrite, game);
}

// The postal layout has no start position: written there, the game would
// pass for one from the standard start.
bool FitsKind(KifuHost& host, int kind)
{
    return kind != kKindCsv || IsStandardStart(host.Window().Game()) ||
           Fail(host, "設定局面から始まるゲームはＣＳＶファイルに保存できません。保存しませんでした。");
}

bool SaveFen(KifuHost& host, const std::string& fileName)
{
    std::string error;
    if (!WriteFileAtomically(fileName, FenFileLine(host.Window().Game()) + "\r\n", error))
        return Fail(host, error);
    return true;
}

}  // namespace

std::string BackupName(const std::string& fileName)
{
    const std::size_t slash = fileName.find_last_of('/');
    const std::size_t dot = fileName.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return fileName + ".bak";
    return fileName.substr(0, dot + 1) + "bak";
}

bool SaveKifuFile(KifuHost& host, KifuFile& file, int kind, const std::string& fileName)
{
    BusyPointer busy(host);
    if (kind == kKindFen)
        return SaveFen(host, fileName);
    if (!FitsKind(host, kind))
        return false;
    if (!FileExists(fileName))
        return WriteGame(host, file, kind, fileName, KifuSelect::Append);
    FileLines lines;
    std::string error;
    if (!ReadFileLines(fileName, lines, error))
        return Fail(host, error);
    const ScanReport report = ScanFileLines(file, kind, fileName, lines, kMaxGames);
    if (!report.message.empty())
        host.ShowMessage(report.message, "注意", KifuHost::Icon::Warning);
    // Tell before asking where: a game this file cannot hold is not written anywhere in it.
    std::string game;
    if (!EncodeGame(host, kind, &lines.guess, game))
        return false;
    file.KifuDialogMode = KifuDialogMode::SaveInto;
    busy.Pause();
    host.ShowKifuDialog(file, fileName);
    busy.Resume();
    return file.KifuSelect != KifuSelect::Cancel && WriteGame(host, file, kind, fileName, file.KifuSelect);
}

bool SaveOverGame(KifuHost& host, int kind, const std::string& fileName, const GamePicker& which, int& n)
{
    BusyPointer busy(host);
    FileLock lock;
    FileLines lines;
    bool exists = false;
    std::string game;
    if (!FitsKind(host, kind) || !LockAndRead(host, lock, fileName, lines, exists))
        return false;
    if (!exists)
        return Fail(host, "ファイル「" + QuotedPath(fileName) + "」がありません。保存しませんでした。");
    if (!EncodeGame(host, kind, &lines.guess, game))
        return false;
    KifuFile now;
    ScanKifuLines(now, kind, lines.text, 0, std::numeric_limits<int>::max());
    n = which(now);
    if (n == 0)
        return Fail(host, "ファイル「" + QuotedPath(fileName) +
                              "」に、この棋譜の元のゲームが見当たりません（ほかのプログラムで書き換えられたか、"
                              "削除されたようです）。保存しませんでした。");
    // No list was shown: the game was found in the very lines the rewrite copies.
    return RewriteThroughBackup(host, KifuFile{}, kind, fileName, lines, n, Rewrite::Overwrite, game);
}

bool SaveLosesAnnotations(const GameState& game, int kind) { return kind != kKindPgn && HasAnnotations(game); }

bool DeleteKifuGame(KifuHost& host, KifuFile& file, int n, int kind, const std::string& fileName)
{
    BusyPointer busy(host);
    FileLock lock;
    FileLines lines;
    bool exists = false;
    return LockAndRead(host, lock, fileName, lines, exists) &&
           RewriteThroughBackup(host, file, kind, fileName, lines, n, Rewrite::Delete, std::string());
}

}  // namespace vorlik
