// Writes PieceMove.wav: the short knock of a piece set down on the board,
// a decaying low tone with a little noise, 16-bit mono at 22050 Hz.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void Put16(std::FILE* file, std::uint16_t value) { std::fputc(value & 0xFF, file), std::fputc(value >> 8, file); }
void Put32(std::FILE* file, std::uint32_t value)
{
    Put16(file, static_cast<std::uint16_t>(value & 0xFFFF));
    Put16(file, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-piece-sound OUT.wav\n");
        return 2;
    }
    const int rate = 22050;
    const int count = rate * 70 / 1000;
    std::vector<std::int16_t> samples(count);
    std::uint32_t noise = 12345;
    for (int k = 0; k < count; ++k) {
        const double t = static_cast<double>(k) / rate;
        noise = noise * 1103515245u + 12345u;
        const double hiss = ((noise >> 16) & 0x7FFF) / 16384.0 - 1.0;
        const double body = std::sin(2 * M_PI * 180 * t) * 0.8 + std::sin(2 * M_PI * 410 * t) * 0.3;
        const double envelope = std::exp(-t * 70.0);
        samples[k] = static_cast<std::int16_t>((body + hiss * std::exp(-t * 400.0) * 0.5) * envelope * 14000);
    }
    std::FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const std::uint32_t bytes = static_cast<std::uint32_t>(count * 2);
    std::fputs("RIFF", file);
    Put32(file, 36 + bytes);
    std::fputs("WAVEfmt ", file);
    Put32(file, 16);
    Put16(file, 1);  // PCM
    Put16(file, 1);  // mono
    Put32(file, rate);
    Put32(file, rate * 2);
    Put16(file, 2);
    Put16(file, 16);
    std::fputs("data", file);
    Put32(file, bytes);
    for (std::int16_t sample : samples)
        Put16(file, static_cast<std::uint16_t>(sample));
    return std::fclose(file) == 0 ? 0 : 1;
}
