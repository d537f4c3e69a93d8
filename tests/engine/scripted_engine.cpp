// A test engine that answers commands from a script, for the protocol cases
// a real engine will not produce on demand: a reply split across writes, a
// flood, bytes that are no text, a crash, silence.
//
//   scripted_engine [LOG] [--log FILE] [--raw FILE] [--script FILE] [--limit SECONDS]
//
// Every line received goes to the log as it came, without its line end (LF
// or CR LF), flushed at once; --raw keeps the bytes exactly as they came.
// --limit (default 120) ends the engine by itself, so a test that forgets it
// never leaves it running.
//
// The script, one rule a line ("#" starts a comment line):
//
//   start: ACTION; ACTION; ...        run once at start-up, in file order
//   on PATTERN: ACTION; ...           the first rule whose pattern matches wins
//   on#N PATTERN: ACTION; ...         only on the Nth line that matches PATTERN
//
// PATTERN is a command exactly ("new"), a prefix ending in "*" ("level*"),
// "*" for any line, or "move" for any coordinate move (e2e4, e7e8q). The
// pattern ends at the first ":".
//
// Actions:
//   say TEXT           TEXT and LF
//   write TEXT         TEXT alone
//   split A|B MS       A, a pause of MS milliseconds, B (no line end added)
//   sleep MS
//   flood BYTES        that many bytes of thinking-output lines, ending in LF
//   garbage N [SEED]   N bytes that are never UTF-8 (seeded; no line end)
//   reply MOVES...     "move M" + LF, one move of the list each time it fires
//                      ("bestmove M" built as scripted_uci_engine)
//   exit CODE
//   crash              SIGSEGV;  "crash abort": SIGABRT
//   hang               reads no more and never answers
//   info COUNT K [RATE] COUNT UCI "info" lines, MultiPV ranks 1..K in turn,
//                      RATE lines a second (0 or none: at once)
//   stream K RATE      from now on RATE "info" lines a second, ranks 1..K in
//                      turn, written between the commands it reads and
//                      answers, until "quiet"
//   quiet              ends a stream
//   longpv N           one "info" line whose pv is N moves long (knights out and back)
//   bestmove           "bestmove" and the first move of the last pv written
//   next TEXT          TEXT and LF, said at the next "thinking" instead of its
//                      info lines (given several times: several lines)
//   thinking           the lines of "next", or none given, "info 3 1"
// TEXT knows the escapes \n \r \t \\ \; \| \xHH, {line} for the line received
// and {cwd} for the folder the engine runs in.
// Without a rule of its own, "quit" ends the engine with code 0.
//
// Built as scripted_uci_engine it speaks UCI without a script: "uci" is
// answered with "uciok", "isready" with "readyok", "go" with a few info
// lines and "stop" with "bestmove"; a script's rules come before these. So
// "on position startpos moves e2e4: next info depth 9 score cp -30 pv e7e5"
// gives the position after 1.e4 its own evaluation.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Rule {
    bool start = false;
    int nth = 0;             // 0: every time
    std::string pattern;
    std::vector<std::string> actions;
    int matches = 0;         // lines that matched the pattern so far
    std::vector<std::string> replies;
    std::size_t nextReply = 0;
};

#ifdef SCRIPTED_UCI
const std::string kMoveWord = "bestmove ";
#else
const std::string kMoveWord = "move ";
#endif

std::FILE* gLog = nullptr;
std::string gLastFirstMove = "(none)";  // of the last pv written
std::FILE* gRaw = nullptr;
std::vector<std::string> gNext;  // lines for the next "thinking"

void InfoLine(long k, long ranks);

// A stream of info lines written while commands are read.
struct Stream {
    long ranks = 0;        // 0: no stream
    long rate = 0;         // lines a second
    long written = 0;
    long long startedUs = 0;
};
Stream gStream;

long long NowUs()
{
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000LL + now.tv_nsec / 1000;
}

// Writes the stream's lines whose time has come; the milliseconds until the
// next one (-1: no stream).
int FeedStream()
{
    if (gStream.ranks <= 0 || gStream.rate <= 0)
        return -1;
    const long long due = (NowUs() - gStream.startedUs) * gStream.rate / 1000000;
    while (gStream.written < due)
        InfoLine(gStream.written++, gStream.ranks);
    const long long nextUs = gStream.startedUs + (gStream.written + 1) * 1000000LL / gStream.rate;
    return static_cast<int>(std::max(0LL, (nextUs - NowUs() + 999) / 1000));
}

void WriteAll(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            std::_Exit(3);  // the reader has gone
        done += static_cast<std::size_t>(n);
    }
}

void SleepMs(long ms)
{
    if (ms > 0)
        ::usleep(static_cast<useconds_t>(ms) * 1000);
}

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// TEXT with its escapes resolved, {line} replaced by the line received and
// {cwd} by the engine's current folder.
std::string Unescape(const std::string& text, const std::string& received)
{
    std::string out;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text.compare(k, 6, "{line}") == 0) {
            out += received;
            k += 5;
            continue;
        }
        if (text.compare(k, 5, "{cwd}") == 0) {
            char folder[4096];
            out += ::getcwd(folder, sizeof folder) ? folder : "?";
            k += 4;
            continue;
        }
        if (text[k] != '\\' || k + 1 >= text.size()) {
            out += text[k];
            continue;
        }
        const char c = text[++k];
        if (c == 'n')
            out += '\n';
        else if (c == 'r')
            out += '\r';
        else if (c == 't')
            out += '\t';
        else if (c == 'x' && k + 2 < text.size() && HexDigit(text[k + 1]) >= 0 && HexDigit(text[k + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[k + 1]) * 16 + HexDigit(text[k + 2]));
            k += 2;
        } else
            out += c;  // \\ \; \| and anything else: the character itself
    }
    return out;
}

// Splits at every c that no backslash escapes; the escapes stay for Unescape.
std::vector<std::string> SplitUnescaped(const std::string& text, char c)
{
    std::vector<std::string> parts(1);
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '\\' && k + 1 < text.size()) {
            parts.back() += text.substr(k, 2);
            ++k;
        } else if (text[k] == c) {
            parts.emplace_back();
        } else {
            parts.back() += text[k];
        }
    }
    return parts;
}

bool IsCoordinateMove(const std::string& line)
{
    if (line.size() != 4 && line.size() != 5)
        return false;
    const auto file = [](char c) { return c >= 'a' && c <= 'h'; };
    const auto rank = [](char c) { return c >= '1' && c <= '8'; };
    if (!file(line[0]) || !rank(line[1]) || !file(line[2]) || !rank(line[3]))
        return false;
    return line.size() == 4 || std::strchr("qrbnQRBN", line[4]) != nullptr;
}

bool Matches(const std::string& pattern, const std::string& line)
{
    if (pattern == "move")
        return IsCoordinateMove(line);
    if (!pattern.empty() && pattern.back() == '*')
        return line.compare(0, pattern.size() - 1, pattern, 0, pattern.size() - 1) == 0;
    return line == pattern;
}

std::string Flood(std::size_t bytes)
{
    std::string text;
    for (int depth = 1; text.size() < bytes; ++depth) {
        text += "  " + std::to_string(depth % 30 + 1) + "  " + std::to_string(depth * 7 % 400 - 200) + "  " +
                std::to_string(depth * 13) + "  " + std::to_string(depth * 12345) + " e2e4 e7e5\n";
    }
    text.resize(bytes);
    if (!text.empty())
        text.back() = '\n';
    return text;
}

// Bytes that no UTF-8 reader can take: lone continuation bytes, C0, C1 and F5..FF.
std::string Garbage(std::size_t count, unsigned seed)
{
    static const std::string kBad = [] {
        std::string bad;
        for (int b = 0x80; b <= 0xC1; ++b)
            bad += static_cast<char>(b);
        for (int b = 0xF5; b <= 0xFF; ++b)
            bad += static_cast<char>(b);
        return bad;
    }();
    std::mt19937 random(seed);
    std::string text;
    for (std::size_t k = 0; k < count; ++k)
        text += kBad[random() % kBad.size()];
    return text;
}

// The knights' line out and back, n moves from the start position.
std::string KnightsLine(long n)
{
    static const char* kMoves[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string line;
    for (long k = 0; k < n; ++k)
        line += std::string(k ? " " : "") + kMoves[k % 4];
    return line;
}

// Info line k of a report of `ranks` lines.
void InfoLine(long k, long ranks)
{
    const long rank = k % ranks + 1;
    const std::string pv = rank % 2 ? "e2e4 e7e5 g1f3" : "d2d4 d7d5 c2c4";
    WriteAll("info depth " + std::to_string(k / ranks + 1) + " multipv " + std::to_string(rank) + " score cp " +
             std::to_string(30 - 10 * rank) + " nodes " + std::to_string(k * 1000) + " time " + std::to_string(k) +
             " pv " + pv + "\n");
    if (rank == 1)
        gLastFirstMove = pv.substr(0, 4);
}

void InfoLines(long count, long ranks, long rate)
{
    ranks = ranks < 1 ? 1 : ranks;
    for (long k = 0; k < count; ++k) {
        InfoLine(k, ranks);
        if (rate > 0)
            ::usleep(static_cast<useconds_t>(1000000 / rate));
    }
}

[[noreturn]] void Hang()
{
    const pid_t parent = ::getppid();
    for (;;) {
        SleepMs(100);
        if (::getppid() != parent)
            std::_Exit(0);  // the test has gone
    }
}

// Says an info line and remembers the first move of its pv for "bestmove".
void SayThinking(const std::string& line)
{
    WriteAll(line + "\n");
    const std::size_t pv = line.find(" pv ");
    if (line.compare(0, 5, "info ") == 0 && pv != std::string::npos)
        gLastFirstMove = line.substr(pv + 4, line.find(' ', pv + 4) - (pv + 4));
}

void Run(Rule& rule, const std::string& received)
{
    for (const std::string& raw : rule.actions) {
        const std::string action = Trim(raw);
        const std::size_t blank = action.find(' ');
        const std::string verb = action.substr(0, blank);
        const std::string rest = blank == std::string::npos ? std::string() : action.substr(blank + 1);
        if (verb == "say") {
            WriteAll(Unescape(rest, received) + "\n");
        } else if (verb == "write") {
            WriteAll(Unescape(rest, received));
        } else if (verb == "split") {
            // "split A|B MS": the pause is the last word, the texts part at "|".
            const std::string text = Trim(rest);
            const std::size_t last = text.find_last_of(' ');
            const long pause = last == std::string::npos ? 0 : std::atol(text.c_str() + last + 1);
            const std::vector<std::string> parts =
                SplitUnescaped(last == std::string::npos ? text : text.substr(0, last), '|');
            WriteAll(Unescape(parts[0], received));
            SleepMs(pause);
            for (std::size_t k = 1; k < parts.size(); ++k)
                WriteAll(Unescape(parts[k], received));
        } else if (verb == "sleep") {
            SleepMs(std::atol(rest.c_str()));
        } else if (verb == "flood") {
            WriteAll(Flood(static_cast<std::size_t>(std::atol(rest.c_str()))));
        } else if (verb == "garbage") {
            std::istringstream words(rest);
            long count = 0;
            unsigned seed = 1;
            words >> count >> seed;
            WriteAll(Garbage(static_cast<std::size_t>(count), seed));
        } else if (verb == "reply") {
            if (rule.nextReply < rule.replies.size())
                WriteAll(kMoveWord + rule.replies[rule.nextReply++] + "\n");
        } else if (verb == "exit") {
            std::_Exit(std::atoi(rest.c_str()));
        } else if (verb == "crash") {
            const int sig = rest == "abort" ? SIGABRT : SIGSEGV;
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);  // no core file in the engine's folder
            std::signal(sig, SIG_DFL);
            std::raise(sig);
            std::_Exit(134);
        } else if (verb == "hang") {
            Hang();
        } else if (verb == "info") {
            std::istringstream words(rest);
            long count = 0, ranks = 1, rate = 0;
            words >> count >> ranks >> rate;
            InfoLines(count, ranks, rate);
        } else if (verb == "stream") {
            std::istringstream words(rest);
            gStream = Stream{};
            words >> gStream.ranks >> gStream.rate;
            gStream.startedUs = NowUs();
        } else if (verb == "quiet") {
            gStream = Stream{};
        } else if (verb == "longpv") {
            const long n = std::atol(rest.c_str());
            WriteAll("info depth 30 score cp 10 pv " + KnightsLine(n) + "\n");
            gLastFirstMove = "g1f3";
        } else if (verb == "next") {
            gNext.push_back(Unescape(rest, received));
        } else if (verb == "thinking") {
            for (const std::string& line : gNext)
                SayThinking(line);
            if (gNext.empty())
                InfoLines(3, 1, 0);
            gNext.clear();
        } else if (verb == "bestmove") {
            WriteAll("bestmove " + gLastFirstMove + "\n");
        } else if (!verb.empty()) {
            std::fprintf(stderr, "scripted_engine: unknown action \"%s\"\n", verb.c_str());
        }
    }
}

}  // namespace

namespace {

// Reads the script; a line that is no rule stops the engine with code 2, so
// a typing error in a test shows at once.
#ifdef SCRIPTED_UCI
const char kUciRules[] =
    "on uci: say id name Scripted UCI; say uciok\n"
    "on isready: say readyok\n"
    "on go*: thinking\n"
    "on stop: bestmove\n";
#else
const char kUciRules[] = "";
#endif

void ReadRules(std::istream& file, std::vector<Rule>& rules);

std::vector<Rule> ReadScript(const char* path)
{
    std::vector<Rule> rules;
    if (path) {
        std::ifstream file(path);
        if (!file) {
            std::fprintf(stderr, "scripted_engine: cannot read %s\n", path);
            std::_Exit(2);
        }
        ReadRules(file, rules);
    }
    std::istringstream builtIn(kUciRules);
    ReadRules(builtIn, rules);
    return rules;
}

void ReadRules(std::istream& file, std::vector<Rule>& rules)
{
    std::string line;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const std::string text = Trim(line);
        if (text.empty() || text[0] == '#')
            continue;
        const std::size_t colon = text.find(':');
        Rule rule;
        const std::string head = colon == std::string::npos ? std::string() : text.substr(0, colon);
        if (head == "start") {
            rule.start = true;
        } else if (head.compare(0, 3, "on ") == 0) {
            rule.pattern = Trim(head.substr(3));
        } else if (head.compare(0, 3, "on#") == 0) {
            std::size_t used = 0;
            rule.nth = std::stoi(head.substr(3), &used);
            rule.pattern = Trim(head.substr(3 + used));
        } else {
            std::fprintf(stderr, "scripted_engine: not a rule: %s\n", text.c_str());
            std::_Exit(2);
        }
        rule.actions = SplitUnescaped(text.substr(colon + 1), ';');
        for (const std::string& action : rule.actions) {
            std::istringstream words(Trim(action));
            std::string verb, move;
            words >> verb;
            if (verb == "reply")
                while (words >> move)
                    rule.replies.push_back(move);
        }
        rules.push_back(rule);
    }
}

void Handle(std::vector<Rule>& rules, const std::string& line)
{
    if (gLog) {
        std::fwrite(line.data(), 1, line.size(), gLog);
        std::fputc('\n', gLog);
        std::fflush(gLog);
    }
    // Every rule counts the lines its pattern matched, fired or not, so
    // "on#2" means the second such line wherever the rule stands.
    Rule* chosen = nullptr;
    for (Rule& rule : rules) {
        if (rule.start || !Matches(rule.pattern, line))
            continue;
        ++rule.matches;
        if (!chosen && (rule.nth == 0 || rule.nth == rule.matches))
            chosen = &rule;
    }
    if (chosen)
        Run(*chosen, line);
    else if (line == "quit")
        std::_Exit(0);
}

std::FILE* OpenLog(const char* path)
{
    std::FILE* file = std::fopen(path, "ab");
    if (!file) {
        std::fprintf(stderr, "scripted_engine: cannot write %s\n", path);
        std::_Exit(2);
    }
    return file;
}

}  // namespace

int main(int argc, char** argv)
{
    const char* logPath = nullptr;
    const char* rawPath = nullptr;
    const char* scriptPath = nullptr;
    unsigned limit = 120;
    for (int k = 1; k < argc; ++k) {
        const std::string arg = argv[k];
        const bool hasValue = k + 1 < argc;
        if (arg == "--log" && hasValue)
            logPath = argv[++k];
        else if (arg == "--raw" && hasValue)
            rawPath = argv[++k];
        else if (arg == "--script" && hasValue)
            scriptPath = argv[++k];
        else if (arg == "--limit" && hasValue)
            limit = static_cast<unsigned>(std::atoi(argv[++k]));
        else if (!logPath && arg.compare(0, 2, "--") != 0)
            logPath = argv[k];
    }
    std::signal(SIGPIPE, SIG_DFL);
    std::signal(SIGALRM, SIG_DFL);
    ::alarm(limit);
    if (logPath)
        gLog = OpenLog(logPath);
    if (rawPath)
        gRaw = OpenLog(rawPath);
    std::vector<Rule> rules = ReadScript(scriptPath);
    for (Rule& rule : rules)
        if (rule.start)
            Run(rule, std::string());

    std::string pending;
    char buffer[4096];
    for (;;) {
        const int wait = FeedStream();
        if (wait >= 0) {
            pollfd input{STDIN_FILENO, POLLIN, 0};
            const int ready = ::poll(&input, 1, wait);
            if (ready == 0 || (ready < 0 && errno == EINTR))
                continue;  // the stream's next line is due
        }
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (gRaw) {
            std::fwrite(buffer, 1, static_cast<std::size_t>(n), gRaw);
            std::fflush(gRaw);
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            Handle(rules, line);
        }
    }
    if (!pending.empty())
        Handle(rules, pending);  // a last line without its end
    return 0;
}
