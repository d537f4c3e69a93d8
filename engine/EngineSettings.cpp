#include "EngineSettings.h"

#include "records/KifuStore.h"
#include "records/TextCodec.h"

#include <algorithm>
#include <stdexcept>

namespace vorlik {

namespace {

using Field = std::string EngineSettings::*;

// EngSet(0..20) in the order of its indexes.
constexpr Field kFields[kEngSetSize] = {
    &EngineSettings::Name,        &EngineSettings::Path,         &EngineSettings::Arguments,
    &EngineSettings::FirstCommand, &EngineSettings::Level1,      &EngineSettings::Level2,
    &EngineSettings::Level3,      &EngineSettings::MovePrefix,   &EngineSettings::ErrorText,
    &EngineSettings::DeleteFile,  &EngineSettings::UndoBox,      &EngineSettings::RemoveBox,
    &EngineSettings::EditBox,     &EngineSettings::BlackBox,     &EngineSettings::ForceBox,
    &EngineSettings::TakeBack,    &EngineSettings::Unused,       &EngineSettings::EditCommand,
    &EngineSettings::BlackCommand, &EngineSettings::ForceCommand, &EngineSettings::Style,
};

Field FieldOf(int index)
{
    if (index < 0 || index >= kEngSetSize)
        throw std::out_of_range("EngSet index " + std::to_string(index));
    return kFields[index];
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// A whole integer with an optional sign, nothing else; none past the range of int.
std::optional<int> IntegerValue(std::string_view text)
{
    text = Trimmed(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    long long value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > 2147483648LL)
            return std::nullopt;
    }
    value = negative ? -value : value;
    if (value > 2147483647LL)
        return std::nullopt;
    return static_cast<int>(value);
}

bool SameLetters(std::string_view text, std::string_view word)
{
    if (text.size() != word.size())
        return false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        char c = text[k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != word[k])
            return false;
    }
    return true;
}

// "True" / "False" in any case, or an integer (0 false, any other true).
std::optional<bool> BooleanValue(std::string_view text)
{
    text = Trimmed(text);
    if (SameLetters(text, "true"))
        return true;
    if (SameLetters(text, "false"))
        return false;
    if (const std::optional<int> number = IntegerValue(text))
        return *number != 0;
    return std::nullopt;
}

const char* BooleanText(bool value) { return value ? "True" : "False"; }

// A line of the file is one line: a line end or a NUL typed or pasted into a
// box would shift every line after it, or make the file unreadable.
std::string OneLine(std::string text)
{
    for (char& c : text)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    return text;
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    if (folder.empty())
        return name;
    return folder.back() == '/' ? folder + name : folder + "/" + name;
}

// A settings file that is not there is the first run, nothing to tell; one
// that is there but cannot be read is.
bool ReadIfThere(const std::string& fileName, std::vector<std::string>& lines, std::string& problem)
{
    if (ReadSettingsLines(fileName, lines, problem))
        return true;
    if (!FileExists(fileName))
        problem.clear();
    return false;
}

// The line number (1-based) of the first line longer than any setting; 0 when none is.
std::size_t OverlongLine(const std::vector<std::string>& lines)
{
    for (std::size_t k = 0; k < lines.size(); ++k)
        if (lines[k].size() > kMaxSettingsLine)
            return k + 1;
    return 0;
}

}  // namespace

std::string& EngineSettings::operator[](int index) { return this->*FieldOf(index); }

const std::string& EngineSettings::operator[](int index) const { return this->*FieldOf(index); }

std::optional<int> BoxValue(const std::string& text) { return IntegerValue(text); }

bool BoxOn(const std::string& text)
{
    const std::optional<int> value = BoxValue(text);
    return value && *value != 0;
}

std::string BoxText(bool on) { return on ? " 1 " : " 0 "; }

bool ReadMekLines(const std::vector<std::string>& lines, EngineSettings& set)
{
    const int count = static_cast<int>(std::min<std::size_t>(lines.size(), kMekLines));
    // Every line is checked before any is taken, so a bad file leaves the
    // settings that were there.
    for (int k = kFirstBox; k < count; ++k)
        if (!BoxValue(lines[k]))
            return false;
    EngineProtocolKind protocol = EngineProtocolKind::Xboard;
    if (lines.size() > std::size_t(kMekProtocolLine) &&
        !ReadProtocolLine(lines[kMekProtocolLine], protocol))
        return false;
    for (int k = 0; k < count; ++k)
        set[k] = lines[k];
    if (count == kMekLines)
        set.Protocol = protocol;
    return true;
}

bool ReadProtocolLine(const std::string& line, EngineProtocolKind& protocol)
{
    const std::string_view text = Trimmed(line);
    protocol = EngineProtocolKind::Xboard;
    if (text.size() < 9 || !SameLetters(text.substr(0, 9), "protocol="))
        return true;  // lines past the 15 were always left unread
    if (SameLetters(text, "protocol=uci"))
        protocol = EngineProtocolKind::Uci;
    else if (!SameLetters(text, "protocol=xboard"))
        return false;
    return true;
}

std::vector<std::string> MekLines(const EngineSettings& set)
{
    std::vector<std::string> lines;
    lines.reserve(kMekLines);
    for (int k = 0; k < kFirstBox; ++k)
        lines.push_back(OneLine(set[k]));
    for (int k = kFirstBox; k < kMekLines; ++k)
        lines.push_back(BoxText(BoxOn(set[k])));
    // A file of the command set keeps the 15 lines every reader knows.
    if (set.Protocol == EngineProtocolKind::Uci)
        lines.push_back("protocol=uci");
    return lines;
}

void ApplyEngSet(EngineSettings& set)
{
    for (int k = 15; k <= 19; ++k)
        set[k].clear();
    if (BoxOn(set.UndoBox))
        set.TakeBack = "undo";
    if (BoxOn(set.RemoveBox))
        set.TakeBack = "remove";
    if (BoxOn(set.EditBox))
        set.EditCommand = "edit";
    if (BoxOn(set.BlackBox))
        set.BlackCommand = "black";
    if (BoxOn(set.ForceBox))
        set.ForceCommand = "force";
}

EngineCapabilities Capabilities(const EngineSettings& set)
{
    EngineCapabilities can;
    if (set.TakeBack == "remove")
        can.takeBack = EngineCapabilities::TakeBack::TwoPlies;
    else if (set.TakeBack == "undo")
        can.takeBack = EngineCapabilities::TakeBack::OnePly;
    can.edit = set.EditCommand == "edit";
    can.force = set.ForceCommand == "force";
    return can;
}

int ReadVorlikIniLines(const std::vector<std::string>& lines, VorlikIni& ini)
{
    const int count = static_cast<int>(std::min<std::size_t>(lines.size(), kIniLines));
    bool* flags[kIniLines] = {nullptr, &ini.Turn, &ini.Sound, nullptr, &ini.Win120DPI, &ini.KifuWrite};
    for (int k = 0; k < count; ++k) {
        const std::string& line = lines[k];
        if (k == 0) {
            ini.EngFileName = line;
        } else if (k == 3) {
            const std::optional<int> style = IntegerValue(line);
            if (!style || *style < 1 || *style > 4)
                return k;
            ini.Style = std::to_string(*style);
        } else {
            const std::optional<bool> flag = BooleanValue(line);
            if (!flag)
                return k;
            *flags[k] = *flag;
        }
    }
    return count;
}

std::vector<std::string> VorlikIniLines(const VorlikIni& ini)
{
    return {OneLine(ini.EngFileName), BooleanText(ini.Turn),      BooleanText(ini.Sound),
            OneLine(ini.Style),       BooleanText(ini.Win120DPI), BooleanText(ini.KifuWrite)};
}

bool LoadEngine(const std::string& folder, EngineConfig& config, VorlikIni& ini, std::string& problem)
{
    return LoadEngine([&folder](const std::string& name) { return InFolder(folder, name); }, config, ini, problem);
}

bool LoadEngine(const std::function<std::string(const std::string& name)>& fileOf, EngineConfig& config,
                VorlikIni& ini, std::string& problem)
{
    config.EngLoaFg = false;
    problem.clear();
    std::vector<std::string> lines;
    if (!ReadIfThere(fileOf("Vorlik.ini"), lines, problem))
        return false;
    const int readable = ReadVorlikIniLines(lines, ini);
    if (readable >= 4)
        config.EngSet.Style = ini.Style;
    if (readable < 1)
        return false;
    // Only a plain name in the program folder: a settings file edited by
    // hand must not lead the program to read (and later rewrite) another folder.
    std::string why;
    config.EngFileName = EngineNameIsFileName(ini.EngFileName, why) ? ini.EngFileName : std::string();
    if (readable < kIniLines || config.EngFileName.empty())
        return false;
    std::vector<std::string> mek;
    if (!ReadIfThere(fileOf(config.EngFileName), mek, problem) || !ReadMekLines(mek, config.EngSet))
        return false;
    ApplyEngSet(config.EngSet);
    config.EngLoaFg = true;
    return true;
}

bool Vorlik_iniFile(const std::string& folder, const VorlikIni& ini, std::string& error)
{
    return WriteSettingsLines(InFolder(folder, "Vorlik.ini"), VorlikIniLines(ini), error);
}

bool ReadMekFile(const std::string& fileName, EngineSettings& set, std::string& error)
{
    std::vector<std::string> lines;
    if (!ReadSettingsLines(fileName, lines, error))
        return false;
    if (!ReadMekLines(lines, set)) {
        error = "エンジン設定ファイル「" + QuotedPath(fileName) + "」の11行目から15行目に数値でない行か、16行目に知らないプロトコルがあります。";
        return false;
    }
    ApplyEngSet(set);
    return true;
}

bool WriteMekFile(const std::string& fileName, const EngineSettings& set, std::string& error)
{
    return WriteSettingsLines(fileName, MekLines(set), error);
}

bool EngineNameIsFileName(const std::string& name, std::string& why)
{
    if (name == "." || name == "..") {
        why = "エンジンの名称「" + name + "」はファイル名に使えません。";
        return false;
    }
    for (const char c : name) {
        const auto code = static_cast<unsigned char>(c);
        if (c == '/') {
            why = "エンジンの名称にはファイル名に使えない文字があります: 「/」";
            return false;
        }
        if (code < 0x20 || code == 0x7f) {
            why = "エンジンの名称にはファイル名に使えない文字があります: 制御文字";
            return false;
        }
    }
    why.clear();
    return true;
}

bool ReadSettingsLines(const std::string& fileName, std::vector<std::string>& lines, std::string& error)
{
    lines.clear();
    // Only a regular file of settings size is read: a FIFO would stop the
    // start for ever, a device or a huge file would be read without end.
    FileLines file;
    if (!ReadFileLines(fileName, file, error, kMaxSettingsBytes)) {
        if (file.guess.binary)
            error = "ファイル「" + QuotedPath(fileName) + "」はテキストファイルではありません。";
        return false;
    }
    lines.assign(file.text.begin(), file.text.end());
    if (const std::size_t overlong = OverlongLine(lines)) {
        error = "設定ファイル「" + QuotedPath(fileName) + "」の" + std::to_string(overlong) +
                "行目は設定としては長すぎます。読みませんでした。";
        lines.clear();
        return false;
    }
    return true;
}

bool WriteSettingsLines(const std::string& fileName, const std::vector<std::string>& lines, std::string& error)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    std::string bytes;
    // A name that CP932 cannot hold is kept whole in UTF-8 rather than lost.
    if (!EncodeText(text, TextEncoding::Cp932, bytes))
        bytes = text;
    return WriteFileAtomically(fileName, bytes, error);
}

}  // namespace vorlik
