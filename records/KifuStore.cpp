#include "KifuStore.h"

#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace vorlik {

namespace {

bool HasHighByte(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// Byte offset after the first `count` characters; a byte that starts no valid
// UTF-8 sequence counts as one character, so a cut never splits a sequence.
std::size_t AfterCharacters(std::string_view text, std::size_t count)
{
    std::size_t i = 0;
    for (; i < text.size() && count > 0; --count)
        i += std::max<std::size_t>(1, Utf8SequenceLength(text, i));
    return i;
}

std::size_t CharacterCount(std::string_view text)
{
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++count)
        i += std::max<std::size_t>(1, Utf8SequenceLength(text, i));
    return count;
}

// A quoted text stays on its line.
std::string OnOneLine(std::string_view text)
{
    std::string line(text);
    std::replace_if(line.begin(), line.end(), [](char c) { return c == '\n' || c == '\r' || c == '\t'; }, ' ');
    return line;
}

const char kEllipsis[] = "…";

}  // namespace

std::string Quoted(std::string_view text, std::size_t maxChars)
{
    maxChars = std::max<std::size_t>(maxChars, 2);
    if (AfterCharacters(text, maxChars) == text.size())
        return OnOneLine(text);
    return OnOneLine(text.substr(0, AfterCharacters(text, maxChars - 1))) + kEllipsis;
}

std::string QuotedPath(std::string_view path, std::size_t maxChars)
{
    maxChars = std::max<std::size_t>(maxChars, 2);
    const std::size_t count = CharacterCount(path);
    if (count <= maxChars)
        return OnOneLine(path);
    // A third for where the file lies, the rest for the end of the path,
    // which holds the file's own name.
    const std::size_t head = (maxChars - 1) / 3;
    const std::size_t tail = maxChars - 1 - head;
    return OnOneLine(path.substr(0, AfterCharacters(path, head))) + kEllipsis +
           OnOneLine(path.substr(AfterCharacters(path, count - tail)));
}

bool FileExists(const std::string& fileName) { return QFileInfo::exists(QString::fromStdString(fileName)); }

bool ReadFileBytes(const std::string& fileName, std::string& bytes, std::string& error)
{
    bytes.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"), std::fclose);
    if (!file) {
        error = "ファイル「" + QuotedPath(fileName) + "」を開けません。\n(" + std::strerror(errno) + ")";
        return false;
    }
    char buffer[1 << 16];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, file.get())) > 0)
        bytes.append(buffer, count);
    if (std::ferror(file.get())) {
        error = "ファイル「" + QuotedPath(fileName) + "」を読めません。\n(" + std::strerror(errno) + ")";
        return false;
    }
    return true;
}

bool WriteFileAtomically(const std::string& fileName, std::string_view bytes, std::string& error)
{
    const QString name = QString::fromStdString(fileName);
    const QFileInfo info(name);
    auto fail = [&](const QString& reason) {
        error = "ファイル「" + QuotedPath(fileName) + "」に保存できませんでした。\n(" + reason.toStdString() +
                ")\n元のファイルは変更されていません。";
        return false;
    };
    // Renaming over a write-protected file would succeed: ask first.
    if (info.exists() && !info.isWritable())
        return fail(QStringLiteral("書き込みが禁止されています"));
    if (info.exists() && !info.isFile())
        return fail(QStringLiteral("ファイルではありません"));
    QSaveFile file(name);
    if (!file.open(QIODevice::WriteOnly))
        return fail(file.errorString());
    if (info.exists())
        file.setPermissions(info.permissions());  // the new file replaces the old one as it was
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return fail(reason);
    }
    if (!file.commit())
        return fail(file.errorString());
    return true;
}

bool SplitFileLines(std::string bytes, FileLines& lines, const std::string& fileName, std::string& error)
{
    lines.raw.clear();
    lines.text.clear();
    lines.decoded.clear();
    lines.badBytes = 0;
    lines.bytes = std::move(bytes);
    lines.guess = GuessEncoding(lines.bytes);
    if (lines.guess.binary) {
        error = "ファイル「" + QuotedPath(fileName) + "」はテキストファイルではありません。棋譜を読めませんでした。";
        return false;
    }
    std::string_view all = lines.bytes;
    if (lines.guess.byteOrderMark)
        all.remove_prefix(3);
    lines.raw = SplitLines(all);
    // Valid UTF-8 without a byte-order mark, and plain ASCII, are already what
    // we keep in memory.
    const bool asIs = lines.guess.asciiOnly || (lines.guess.encoding == TextEncoding::Utf8 &&
                                                !lines.guess.byteOrderMark && lines.guess.strayBytes == 0);
    if (asIs) {
        lines.text = lines.raw;
        return true;
    }
    lines.text.reserve(lines.raw.size());
    for (const std::string_view line : lines.raw) {
        if (!HasHighByte(line)) {
            lines.text.push_back(line);
            continue;
        }
        lines.decoded.push_back(DecodeText(line, lines.guess.encoding, &lines.badBytes));
        lines.text.push_back(lines.decoded.back());
    }
    return true;
}

bool ReadFileLines(const std::string& fileName, FileLines& lines, std::string& error)
{
    std::string bytes;
    if (!ReadFileBytes(fileName, bytes, error))
        return false;
    return SplitFileLines(std::move(bytes), lines, fileName, error);
}

}  // namespace vorlik
