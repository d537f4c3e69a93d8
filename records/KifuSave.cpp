// Saving the game on the board, and deleting a game from a file.
#include "KifuFormat.h"
#include "KifuStore.h"
#include "ModuleMekFile.h"
#include "session/GameSession.h"

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

std::vector<NamedText> TextsOfGame(const GameState& game, const GameHeader& header, KifuKind kind)
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

// How the game goes into the file: in which encoding, and whether the whole
// file is converted to UTF-8 first. The user's answer to the question is kept
// for the rest of the save.
struct SaveEncoding {
    TextEncoding encoding = TextEncoding::Utf8;
    bool convertFile = false;
    enum class Answer { Unasked, Yes, No } answer = Answer::Unasked;
};

// A CP932 file that cannot hold the game: asks whether to convert it to
// UTF-8. False, and the user told, when it stays as it is.
bool MayConvertToUtf8(KifuHost& host, const FileLines& existing, const std::string& field, SaveEncoding& target)
{
    const std::string cannot = field + "の文字の中に、このファイルの文字コード (" + EncodingName(target.encoding) +
                               ") で書けない文字があります。";
    if (existing.badBytes > 0) {
        host.ShowMessage(cannot + "このファイルには文字として読めないバイトがあるので、UTF-8 に変換することもできません。"
                                  "保存しませんでした。",
                         "警告", KifuHost::Icon::Error);
        return false;
    }
    if (target.answer == SaveEncoding::Answer::Unasked)
        target.answer = host.Ask(cannot + "\nファイル全体を UTF-8 に変換して保存しますか？\n"
                                          "（ほかの棋譜の内容は変わりません。変換前のファイルはバックアップ (.bak) に残ります）",
                                 "文字コード")
                            ? SaveEncoding::Answer::Yes
                            : SaveEncoding::Answer::No;
    if (target.answer == SaveEncoding::Answer::No) {
        host.ShowMessage(cannot + "ファイルを UTF-8 に変換しなかったので、保存しませんでした。", "警告",
                         KifuHost::Icon::Error);
        return false;
    }
    target.encoding = TextEncoding::Utf8;
    target.convertFile = true;
    return true;
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

// The further tags a PGN game is written with: each line of the box a tag
// pair, at most kMaxFurtherTags of them. False, and the user told which
// line, when the box holds anything else: written, it would break the tags.
bool FurtherTagsFit(KifuHost& host, const GameHeader& header)
{
    std::string refused;
    const std::size_t tags = FurtherTagLines(header.TextInfoS, &refused).size();
    if (!refused.empty())
        return Fail(host, "「他」の行「" + Quoted(refused) +
                              "」はタグとして書けません。タグは [名前 \"値\"] の形で一行に一つ書きます"
                              "（イベント・場所・日付・ラウンド・白・黒・結果と FEN は上の欄から書きます）。"
                              "保存しませんでした。");
    if (tags > static_cast<std::size_t>(kMaxFurtherTags))
        return Fail(host, "「他」のタグは1局" + std::to_string(kMaxFurtherTags) + "行までです（" +
                              std::to_string(tags) + "行あります）。保存しませんでした。");
    return true;
}

// The game on the board in the encoding it goes into the file with: a new
// file, or one of plain ASCII, is UTF-8; an existing file keeps its own. A
// CP932 file that cannot hold the game may be converted to UTF-8 whole, if
// the user agrees. False, and the user told why, when nothing is to be written.
bool EncodeGame(KifuHost& host, KifuKind kind, const FileLines* existing, SaveEncoding& target, std::string& encoded)
{
    const GameState& game = host.Session().Game();
    const GameHeader& header = game.Header;
    if (kind == kKindPgn && !FurtherTagsFit(host, header))
        return false;
    target.encoding = TextEncoding::Utf8;
    target.convertFile = false;
    if (existing && !existing->guess.asciiOnly && existing->guess.encoding != TextEncoding::Utf8) {
        target.encoding = existing->guess.encoding;
        const std::string field = FirstUnwritable(TextsOfGame(game, header, kind), target.encoding);
        if (!field.empty() && !MayConvertToUtf8(host, *existing, field, target))
            return false;
    }
    const bool longForm = host.LongFormSave();
    encoded = EncodeLines(kind == kKindCsv ? WriteCsvGame(game, header, longForm) : WritePgnGame(game, header, longForm),
                          target.encoding);
    return true;
}

enum class Rewrite { Append, Insert, Overwrite, Delete };

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

// Where the lines of the file resume after game n: the next game, or for the
// last game the file's closing empty line.
std::size_t LineAfterGame(const KifuFile& scan, const FileLines& lines, int n)
{
    if (n < scan.KifuCount)
        return scan.GameFirstLine[n + 1];
    const std::size_t count = lines.raw.size();
    const bool closingEmptyLine = count > 0 && lines.text[count - 1].find_first_not_of(" \t") == std::string_view::npos;
    return closingEmptyLine ? count - 1 : count;
}

// Writes the file anew with the game after its last line (append, when the
// file changes its encoding), put in front of game n's first line (insert),
// in place of game n (overwrite) or with game n left out (delete). The old
// file becomes the backup; both are written whole before either takes its
// place, so a failure leaves the file and its backup as they were. A file
// converted to UTF-8 keeps every other game's text as it was.
bool RewriteThroughBackup(KifuHost& host, const KifuFile& seen, KifuKind kind, const std::string& fileName,
                          const FileLines& lines, int n, Rewrite how, const std::string& encodedGame,
                          bool toUtf8 = false)
{
    // The games are counted over the very lines the rewrite copies.
    KifuFile scan;
    ScanKifuLines(scan, kind, lines.text, 0, std::numeric_limits<int>::max());
    std::size_t first = lines.raw.size();
    std::size_t resume = first;
    if (how != Rewrite::Append) {
        if (!IsGameSeen(seen, fileName, scan, lines, n))
            return Fail(host, "ファイル「" + QuotedPath(fileName) +
                                  "」は、一覧を表示した後でほかのプログラムに書き換えられ、" + std::to_string(n) +
                                  "番は一覧で選んだ棋譜ではなくなりました。" + (how == Rewrite::Delete ? "削除" : "保存") +
                                  "しませんでした。\nもう一度一覧から選んでください。");
        if (n < 1 || n > scan.KifuCount)
            return Fail(host,
                        "ファイル「" + QuotedPath(fileName) + "」には" + std::to_string(n) + "番の棋譜がありません。");
        first = resume = scan.GameFirstLine[n];
        if (how != Rewrite::Insert)
            resume = std::max(LineAfterGame(scan, lines, n), first);
    }
    const std::vector<std::string_view>& source = toUtf8 ? lines.text : lines.raw;
    std::string bytes;
    bytes.reserve(lines.bytes.size() * (toUtf8 ? 2 : 1) + encodedGame.size() + 5);
    if (lines.guess.byteOrderMark)
        bytes += "\xef\xbb\xbf";
    for (std::size_t i = 0; i < first; ++i)
        (bytes += source[i]) += "\r\n";
    if (how == Rewrite::Append)
        bytes += "\r\n";  // the empty line that parts the games
    bytes += encodedGame;
    for (std::size_t i = resume; i < source.size(); ++i)
        (bytes += source[i]) += "\r\n";
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
bool WriteGame(KifuHost& host, const KifuFile& seen, KifuKind kind, const std::string& fileName, KifuSelect select,
               SaveEncoding& target)
{
    FileLock lock;
    FileLines lines;
    bool exists = false;
    std::string game;
    if (!LockAndRead(host, lock, fileName, lines, exists) ||
        !EncodeGame(host, kind, exists ? &lines : nullptr, target, game))
        return false;
    const int insert = InsertPlace(select);
    const Rewrite how = select == KifuSelect::Append ? Rewrite::Append
                        : insert > 0                 ? Rewrite::Insert
                                                     : Rewrite::Overwrite;
    if (how == Rewrite::Append && !target.convertFile)
        return AppendGame(host, fileName, std::move(lines.bytes), game);
    return RewriteThroughBackup(host, seen, kind, fileName, lines, insert > 0 ? insert : ChosenGame(select), how,
                                game, target.convertFile);
}

// The postal layout has no start position: written there, the game would
// pass for one from the standard start.
bool FitsKind(KifuHost& host, KifuKind kind)
{
    return kind != kKindCsv || IsStandardStart(host.Session().Game()) ||
           Fail(host, "設定局面から始まるゲームはＣＳＶファイルに保存できません。保存しませんでした。");
}

bool SaveFen(KifuHost& host, const std::string& fileName)
{
    std::string error;
    if (!WriteFileAtomically(fileName, FenFileLine(host.Session().Game()) + "\r\n", error))
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

bool SaveKifuFile(KifuHost& host, KifuFile& file, KifuKind kind, const std::string& fileName)
{
    BusyPointer busy(host);
    if (kind == kKindFen)
        return SaveFen(host, fileName);
    if (!FitsKind(host, kind))
        return false;
    SaveEncoding target;
    if (!FileExists(fileName))
        return WriteGame(host, file, kind, fileName, KifuSelect::Append, target);
    FileLines lines;
    std::string error;
    if (!ReadFileLines(fileName, lines, error))
        return Fail(host, error);
    const ScanReport report = ScanFileLines(file, kind, fileName, lines, kMaxGames);
    if (!report.message.empty())
        host.ShowMessage(report.message, "注意", KifuHost::Icon::Warning);
    // Tell before asking where: a game this file cannot hold is not written anywhere in it.
    std::string game;
    busy.Pause();
    const bool encoded = EncodeGame(host, kind, &lines, target, game);
    if (encoded) {
        file.KifuDialogMode = KifuDialogMode::SaveInto;
        host.ShowKifuDialog(file, fileName);
    }
    busy.Resume();
    return encoded && file.KifuSelect != KifuSelect::Cancel &&
           WriteGame(host, file, kind, fileName, file.KifuSelect, target);
}

bool SaveOverGame(KifuHost& host, KifuKind kind, const std::string& fileName, const GamePicker& which, int& n)
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
    SaveEncoding target;
    busy.Pause();
    const bool encoded = EncodeGame(host, kind, &lines, target, game);
    busy.Resume();
    if (!encoded)
        return false;
    KifuFile now;
    ScanKifuLines(now, kind, lines.text, 0, std::numeric_limits<int>::max());
    n = which(now);
    if (n == 0)
        return Fail(host, "ファイル「" + QuotedPath(fileName) +
                              "」に、この棋譜の元のゲームが見当たりません（ほかのプログラムで書き換えられたか、"
                              "削除されたようです）。保存しませんでした。");
    // No list was shown: the game was found in the very lines the rewrite copies.
    return RewriteThroughBackup(host, KifuFile{}, kind, fileName, lines, n, Rewrite::Overwrite, game,
                                target.convertFile);
}

bool SaveLosesAnnotations(const GameState& game, KifuKind kind) { return kind != kKindPgn && HasAnnotations(game); }

bool SaveLosesNotes(const GameState& shown, KifuKind kind)
{
    if (kind == kKindCsv)
        return false;
    // The postal boxes belong to the main line, as the CSV file keeps them.
    const bool onMain = IsMainLine(shown, shown.LastPly) && Children(shown, NodeAt(shown, shown.LastPly)).empty();
    const GameState mainLine = onMain ? GameState() : MainLineGame(shown);
    const GameState& game = onMain ? shown : mainLine;
    for (int ply = 1; ply <= game.LastPly; ++ply)
        for (int k = 1; k <= 6; ++k)
            if (!game.KifuNote[k][ply].empty())
                return true;
    return false;
}

std::string SaveLossText(const GameState& game, KifuKind kind)
{
    std::string text;
    if (SaveLosesAnnotations(game, kind))
        text += "変化手順・コメント・記号はこの種類のファイルには保存されません（ＣＳＶは本手順だけ、ＦＥＮは局面だけです）。";
    if (SaveLosesNotes(game, kind))
        text += std::string(text.empty() ? "" : "\n") +
                "消印・着・発・＋・メモの欄はこの種類のファイルには保存されません（ＣＳＶファイルだけが持てます）。";
    return text;
}

bool DeleteKifuGame(KifuHost& host, KifuFile& file, int n, KifuKind kind, const std::string& fileName)
{
    BusyPointer busy(host);
    FileLock lock;
    FileLines lines;
    bool exists = false;
    return LockAndRead(host, lock, fileName, lines, exists) &&
           RewriteThroughBackup(host, file, kind, fileName, lines, n, Rewrite::Delete, std::string());
}

}  // namespace vorlik
