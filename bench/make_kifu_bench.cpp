// make-kifu-bench FILE [--games N] [--layout vorlik|single] [--seed S] [--encoding utf8|cp932]
// Writes a seeded file of random legal games for the file benchmarks.
#include "KifuBenchFile.h"

#include "records/TextCodec.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <fstream>
#include <string>

namespace {

using namespace vorlik;

const char kUsage[] =
    "usage: make-kifu-bench FILE [--games N] [--layout vorlik|single] [--seed S] [--encoding utf8|cp932]\n"
    "  vorlik: this program's layout (CR LF, two blanks after White's move)\n"
    "  single: other programs' layout (LF, single blanks, lines wrapped at 79 columns)\n";

int Usage(const std::string& message)
{
    std::fprintf(stderr, "make-kifu-bench: %s\n%s", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string fileName, layoutName = "vorlik", encodingName = "utf8";
    int games = 25000;
    unsigned long long seed = 20261208;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg.rfind("--", 0) != 0) {
            fileName = arg;
            continue;
        }
        if (k + 1 >= argc)
            return Usage(arg + " needs a value");
        const char* value = argv[++k];
        if (arg == "--games")
            games = std::atoi(value);
        else if (arg == "--seed")
            seed = std::strtoull(value, nullptr, 10);
        else if (arg == "--layout")
            layoutName = value;
        else if (arg == "--encoding")
            encodingName = value;
        else
            return Usage("unknown option " + arg);
    }
    if (fileName.empty())
        return Usage("no file name");
    if (games < 0)
        return Usage("--games must not be negative");
    if (layoutName != "vorlik" && layoutName != "single")
        return Usage("--layout is vorlik or single");
    if (encodingName != "utf8" && encodingName != "cp932")
        return Usage("--encoding is utf8 or cp932");

    const bool vorlik = layoutName == "vorlik";
    std::string bytes;
    try {
        BenchTexts texts = MakeBenchTexts(games, seed, vorlik ? BenchLayout::Vorlik : BenchLayout::Single);
        bytes = std::move(vorlik ? texts.vorlik : texts.single);
        if (encodingName == "cp932") {
            std::string encoded;
            if (!EncodeText(bytes, TextEncoding::Cp932, encoded)) {
                std::fprintf(stderr, "make-kifu-bench: the games hold text CP932 cannot represent\n");
                return 1;
            }
            bytes = std::move(encoded);
        }
        std::printf("%d games, %ld plies\n", texts.games, texts.plies);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make-kifu-bench: %s\n", error.what());
        return 1;
    }
    std::ofstream out(fileName, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "make-kifu-bench: cannot write %s\n", fileName.c_str());
        return 1;
    }
    return 0;
}
