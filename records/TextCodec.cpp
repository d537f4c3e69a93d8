#include "TextCodec.h"

#include <cerrno>
#include <iconv.h>

namespace vorlik {

std::size_t Utf8SequenceLength(std::string_view text, std::size_t i)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    std::size_t length = 0;
    unsigned int least = 0;
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        least = 0x800;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    unsigned int code = lead & (0x3f >> (length - 1));
    for (std::size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3f);
    }
    if (code < least || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
        return 0;
    return length;
}

namespace {

// One iconv conversion descriptor per direction, opened on first use.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter()
    {
        if (cd_ != reinterpret_cast<iconv_t>(-1))
            iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts in; on a byte it cannot convert calls onBad(out) and skips
    // `skip` bytes of input (0: give up). Returns false when it gave up.
    template <typename OnBad>
    bool Run(std::string_view in, std::string& out, OnBad onBad)
    {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            return false;
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        char* source = const_cast<char*>(in.data());
        std::size_t left = in.size();
        char buffer[4096];
        while (left > 0) {
            char* target = buffer;
            std::size_t room = sizeof buffer;
            const std::size_t result = iconv(cd_, &source, &left, &target, &room);
            out.append(buffer, static_cast<std::size_t>(target - buffer));
            if (result != static_cast<std::size_t>(-1) || errno == E2BIG)
                continue;
            const std::size_t skip = onBad(out, left);
            if (skip == 0)
                return false;
            source += skip;
            left -= skip;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return true;
    }

private:
    iconv_t cd_;
};

bool IsAscii(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    return true;
}

}  // namespace

EncodingGuess GuessEncoding(std::string_view bytes)
{
    EncodingGuess guess;
    if (bytes.substr(0, 3) == "\xef\xbb\xbf") {
        guess.encoding = TextEncoding::Utf8;
        guess.byteOrderMark = true;
    }
    int sequences = 0;
    int stray = 0;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c == 0)
            guess.binary = true;
        if (c < 0x80) {
            ++i;
            continue;
        }
        guess.asciiOnly = false;
        const std::size_t length = Utf8SequenceLength(bytes, i);
        sequences += length > 0;
        stray += length == 0;
        i += length == 0 ? 1 : length;
    }
    // CP932 text makes a UTF-8 sequence only now and then, between many bytes
    // that are none; a UTF-8 file with one damaged byte is still UTF-8.
    constexpr int kSequencesPerStrayByte = 4;
    if (sequences > 0 && sequences >= kSequencesPerStrayByte * stray)
        guess.encoding = TextEncoding::Utf8;
    if (guess.encoding == TextEncoding::Utf8)
        guess.strayBytes = stray;
    return guess;
}

std::string DecodeText(std::string_view bytes, TextEncoding encoding, int* badBytes)
{
    int bad = 0;
    std::string out;
    if (IsAscii(bytes)) {
        out.assign(bytes);
    } else if (encoding == TextEncoding::Utf8) {
        out.reserve(bytes.size());
        for (std::size_t i = 0; i < bytes.size();) {
            if (static_cast<unsigned char>(bytes[i]) < 0x80) {
                out += bytes[i++];
                continue;
            }
            const std::size_t length = Utf8SequenceLength(bytes, i);
            if (length == 0) {
                out += "\xef\xbf\xbd";
                ++bad;
                ++i;
            } else {
                out.append(bytes.substr(i, length));
                i += length;
            }
        }
    } else {
        static thread_local Converter fromCp932("UTF-8", "CP932");
        out.reserve(bytes.size() * 3 / 2);
        fromCp932.Run(bytes, out, [&](std::string& text, std::size_t) {
            text += "\xef\xbf\xbd";
            ++bad;
            return std::size_t{1};
        });
    }
    if (badBytes)
        *badBytes += bad;
    return out;
}

bool EncodeText(std::string_view utf8, TextEncoding encoding, std::string& out)
{
    out.clear();
    if (encoding == TextEncoding::Utf8 || IsAscii(utf8)) {
        out.assign(utf8);
        return true;
    }
    static thread_local Converter toCp932("CP932", "UTF-8");
    return toCp932.Run(utf8, out, [](std::string&, std::size_t) { return std::size_t{0}; });
}

const char* EncodingName(TextEncoding encoding) { return encoding == TextEncoding::Utf8 ? "UTF-8" : "CP932"; }

std::vector<std::string_view> SplitLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n')
            continue;
        lines.push_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    return lines;
}

}  // namespace vorlik
