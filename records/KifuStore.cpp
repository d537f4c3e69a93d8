#include "KifuStore.h"

#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

// Closes a descriptor when it goes out of scope.
class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    // Closes now: the last write error of some file systems comes only here.
    bool Close()
    {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 || errno == EINTR;
    }

private:
    int fd_;
};

std::string SystemReason(int error) { return std::strerror(error); }

std::string NoRegularFile(const std::string& fileName)
{
    return "ファイル「" + QuotedPath(fileName) + "」は通常のファイルではありません(フォルダ、パイプ、装置など)。読みませんでした。";
}

// The file a name means: where a link leads, for the new version must take
// the place of the file, not of the link.
std::string Resolved(const std::string& fileName)
{
    struct stat status {};
    if (::lstat(fileName.c_str(), &status) != 0 || !S_ISLNK(status.st_mode))
        return fileName;
    std::unique_ptr<char, void (*)(void*)> real(::realpath(fileName.c_str(), nullptr), std::free);
    return real ? std::string(real.get()) : fileName;
}

std::string FolderOf(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool ReadToEnd(int fd, std::string& bytes)
{
    char buffer[1 << 16];
    for (;;) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return count == 0;
        bytes.append(buffer, static_cast<std::size_t>(count));
    }
}

}  // namespace

bool ReadFileBytes(const std::string& fileName, std::string& bytes, std::string& error, long long maxBytes)
{
    bytes.clear();
    struct stat status {};
    if (::stat(fileName.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        error = NoRegularFile(fileName);  // not even opened: opening some devices does something
        return false;
    }
    // Not blocking: should the name have become a pipe meanwhile, opening it
    // would wait for a writer that may never come.
    Descriptor file(::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (file.get() < 0) {
        error = "ファイル「" + QuotedPath(fileName) + "」を開けません。\n(" + SystemReason(errno) + ")";
        return false;
    }
    if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        error = NoRegularFile(fileName);
        return false;
    }
    if (status.st_size > maxBytes) {
        error = "ファイル「" + QuotedPath(fileName) + "」は大きすぎます（" + std::to_string(status.st_size) +
                " バイト）。読みませんでした。";
        return false;
    }
    bytes.reserve(static_cast<std::size_t>(status.st_size));
    if (!ReadToEnd(file.get(), bytes)) {
        error = "ファイル「" + QuotedPath(fileName) + "」を読めません。\n(" + SystemReason(errno) + ")";
        return false;
    }
    return true;
}

FileReplacement::FileReplacement(const std::string& fileName, const std::string& model)
    : fileName_(fileName), target_(Resolved(fileName)), model_(model.empty() ? target_ : model)
{
}

FileReplacement::~FileReplacement()
{
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
}

bool FileReplacement::Fail(const std::string& reason, std::string& error)
{
    error = "ファイル「" + QuotedPath(fileName_) + "」に保存できませんでした。\n(" + reason +
            ")\n元のファイルは変更されていません。";
    if (!temporary_.empty())
        ::unlink(temporary_.c_str());
    temporary_.clear();
    return false;
}

bool FileReplacement::Write(std::string_view bytes, std::string& error)
{
    struct stat old {};
    const bool exists = ::stat(target_.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        return Fail("通常のファイルではありません(フォルダ、パイプ、装置など)", error);
    // Renaming over a write-protected file would succeed: ask first.
    if (exists && ::access(target_.c_str(), W_OK) != 0)
        return Fail("書き込みが禁止されています", error);
    const int fd = CreateTemporary();
    if (fd < 0)
        return Fail(SystemReason(errno), error);
    Descriptor file(fd);
    TakeModelsMode(fd);
    if (!WriteAll(fd, bytes) || (::fsync(fd) != 0 && errno != EINVAL) || !file.Close())
        return Fail(SystemReason(errno), error);
    return true;
}

// A hidden name beside the file: the same file system, so the rename is
// atomic, and out of the way of the user's own files.
int FileReplacement::CreateTemporary()
{
    const std::string stem = FolderOf(target_) + "/." + target_.substr(target_.find_last_of('/') + 1) + ".";
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        temporary_ = stem + std::to_string(::getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0)
                temporary_.clear();
            return fd;
        }
    }
    temporary_.clear();
    return -1;
}

// The new version replaces the old one as it was: a read-only file stays
// read-only, a private one private.
void FileReplacement::TakeModelsMode(int fd) const
{
    struct stat model {};
    if (::stat(model_.c_str(), &model) != 0)
        return;
    // Only root may give a file away; the group may still follow. Failing
    // both, the new version is the user's own, as a new file would be.
    if (::fchown(fd, model.st_uid, model.st_gid) != 0 && ::fchown(fd, static_cast<uid_t>(-1), model.st_gid) != 0) {
    }
    ::fchmod(fd, model.st_mode & 07777);
}

bool FileReplacement::Commit(std::string& error)
{
    if (::rename(temporary_.c_str(), target_.c_str()) != 0)
        return Fail(SystemReason(errno), error);
    temporary_.clear();
    // The new name reaches the disk too; a folder that cannot say so is no failure.
    Descriptor folder(::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
    return true;
}

bool WriteFileAtomically(const std::string& fileName, std::string_view bytes, std::string& error)
{
    FileReplacement file(fileName);
    return file.Write(bytes, error) && file.Commit(error);
}

FileLock::~FileLock()
{
    if (folder_ >= 0)
        ::close(folder_);  // closing lets go of the lock
}

bool FileLock::Take(const std::string& fileName, std::string& error, int waitMs)
{
    const std::string folder = FolderOf(Resolved(fileName));
    folder_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        return true;  // no folder to lock: the write itself will say what is wrong
    constexpr int kStepMs = 20;
    for (int waited = 0;; waited += kStepMs) {
        if (::flock(folder_, LOCK_EX | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR)
            return true;  // a file system without locks
        if (waited >= waitMs)
            break;
        ::usleep(kStepMs * 1000);
    }
    error = "ファイル「" + QuotedPath(fileName) +
            "」には、ほかのプログラムが書き込んでいる最中です。\nしばらくしてからもう一度お試しください。";
    return false;
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

bool WriteUtf8Lines(const std::string& fileName, const std::vector<std::string>& lines, std::string& error)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return WriteFileAtomically(fileName, text, error);
}

bool ReadFileLines(const std::string& fileName, FileLines& lines, std::string& error, long long maxBytes)
{
    std::string bytes;
    if (!ReadFileBytes(fileName, bytes, error, maxBytes))
        return false;
    return SplitFileLines(std::move(bytes), lines, fileName, error);
}

}  // namespace vorlik
