#include "KifuBenchFile.h"

#include "GameGenerator.h"
#include "core/GameText.h"
#include "core/GameHeader.h"
#include "core/HostIcon.h"
#include "core/ModuleMekDim.h"
#include "core/MoveCommit.h"
#include "core/KifuTree.h"
#include "records/KifuFormat.h"

#include <algorithm>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace vorlik {

namespace {

struct Opening {
    const char* moves;  // short notation, blank-separated
    int weight;
    const char* eco;
    const char* name;
};

// Real databases are dominated by a few openings; the weights give the
// position search long runs of games that share their first moves.
const Opening kOpenings[] = {
    {"e4 e5 Nf3 Nc6 Bb5 a6 Ba4 Nf6 O-O Be7 Re1 b5 Bb3 d6", 6, "C84", "Ruy Lopez: Closed"},
    {"e4 e5 Nf3 Nc6 Bc4 Bc5 c3 Nf6 d3 d6", 4, "C54", "Italian Game: Giuoco Pianissimo"},
    {"e4 c5 Nf3 d6 d4 cxd4 Nxd4 Nf6 Nc3 a6 Be3 e5", 6, "B90", "Sicilian Defense: Najdorf Variation"},
    {"e4 c5 Nf3 Nc6 d4 cxd4 Nxd4 g6 c4 Bg7", 2, "B36", "Sicilian Defense: Accelerated Dragon"},
    {"e4 c5 Nc3 Nc6 g3 g6 Bg2 Bg7 d3 d6", 2, "B25", "Sicilian Defense: Closed"},
    {"e4 e6 d4 d5 Nc3 Bb4 e5 c5 a3 Bxc3+ bxc3 Ne7", 3, "C18", "French Defense: Winawer Variation"},
    {"e4 c6 d4 d5 Nc3 dxe4 Nxe4 Bf5 Ng3 Bg6", 3, "B18", "Caro-Kann Defense: Classical Variation"},
    {"e4 e5 Nf3 Nf6 Nxe5 d6 Nf3 Nxe4 d4 d5", 1, "C42", "Russian Game"},
    {"e4 d5 exd5 Qxd5 Nc3 Qa5 d4 Nf6", 1, "B01", "Scandinavian Defense"},
    {"d4 d5 c4 e6 Nc3 Nf6 Bg5 Be7 e3 O-O Nf3 h6", 4, "D55", "Queen's Gambit Declined"},
    {"d4 d5 c4 c6 Nf3 Nf6 Nc3 dxc4 a4 Bf5", 3, "D17", "Slav Defense: Czech Variation"},
    {"d4 Nf6 c4 g6 Nc3 Bg7 e4 d6 Nf3 O-O Be2 e5", 5, "E97", "King's Indian Defense: Orthodox Variation"},
    {"d4 Nf6 c4 e6 Nc3 Bb4 e3 O-O Bd3 d5", 4, "E48", "Nimzo-Indian Defense: Normal Variation"},
    {"d4 Nf6 c4 e6 Nf3 b6 g3 Bb7 Bg2 Be7", 2, "E15", "Queen's Indian Defense"},
    {"c4 e5 Nc3 Nf6 g3 d5 cxd5 Nxd5 Bg2 Nb6", 2, "A29", "English Opening: King's English"},
    {"Nf3 d5 g3 Nf6 Bg2 e6 O-O Be7 d3 O-O", 2, "A07", "King's Indian Attack"},
    {"d4 f5 g3 Nf6 Bg2 g6 Nf3 Bg7 O-O O-O", 1, "A81", "Dutch Defense: Leningrad Variation"},
    {"e4 e5 f4 exf4 Nf3 g5 h4 g4 Ne5 Nf6", 1, "C39", "King's Gambit Accepted: Kieseritzky Gambit"},
};

// Names are CP932 text throughout, so the same games can be written as this
// program writes its own files.
const char* const kEvents[] = {
    "通信チェス選手権", "郵便チェス親善試合", "ICCF World Cup", "Email Open", "Japan CC Championship",
    "日本通信チェス大会", "Nordic Postal Team Tournament", "Friendly Match", "Correspondence Olympiad",
    "Memorial", "Open Section", "Club Championship",
};
const char* const kSites[] = {
    "東京", "大阪", "札幌", "ICCF", "Email", "Post", "Paris", "Berlin", "Reykjavik", "Tokyo JPN", "?",
};
const char* const kPlayers[] = {
    "山田 太郎", "佐藤 健一", "鈴木 一郎", "高橋 優子", "田中 誠", "渡辺 明子", "中村 玲子", "小林 大輔",
    "Schmidt, H.", "Petrov, A.", "Larsen, B.", "Garcia, M.", "Rossi, L.", "Kowalski, P.", "Dubois, C.",
    "Nielsen, K.", "Novak, J.", "Svensson, E.", "Brown, T.", "O'Connor, S.", "van Dijk, R.", "Horvath, G.",
};
const char* const kComments[] = {
    "{Better is Nf3.}", "{The only move.}", "{A new idea in this position.}", "{Time trouble.}",
    "{新手}", "{White offers a draw, Black declines.}", "{Threatening mate in two.}",
};
const char* const kNags[] = {"$1", "$2", "$3", "$4", "$5", "$6", "$14", "$16"};
const char* const kSuffixes[] = {"!", "?", "!?", "?!", "!!", "??"};

template <typename T, std::size_t N>
const T& Pick(std::mt19937_64& random, const T (&items)[N])
{
    return items[random() % N];
}

int Between(std::mt19937_64& random, int low, int high)
{
    return low + static_cast<int>(random() % static_cast<std::uint64_t>(high - low + 1));
}

const Opening& PickOpening(std::mt19937_64& random)
{
    int total = 0;
    for (const Opening& opening : kOpenings)
        total += opening.weight;
    int draw = static_cast<int>(random() % static_cast<std::uint64_t>(total));
    for (const Opening& opening : kOpenings) {
        if (draw < opening.weight)
            return opening;
        draw -= opening.weight;
    }
    return kOpenings[0];
}

std::vector<std::string> Words(const std::string& text)
{
    std::istringstream stream(text);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

bool Commit(GameState& game, const std::string& token)
{
    return CommitMove(game, token);
}

// The plies a game is made of, and how it ended.
struct PlayedGame {
    const Opening* opening = nullptr;
    bool over = false;  // no legal move is left
    bool mate = false;
};

// Plays the book line (or part of it) and then random legal moves up to a
// length of 40 to 160 plies; castling and promotions are taken half the time
// they are possible, as in the random games of the tests.
PlayedGame PlayGame(std::mt19937_64& random, GameState& game)
{
    ResetGame(game);
    SetStartPosition(game);
    PlayedGame played;
    const int length = Between(random, 40, 160);
    if (random() % 100 < 85) {
        played.opening = &PickOpening(random);
        const std::vector<std::string> book = Words(played.opening->moves);
        const int prefix = Between(random, 4, static_cast<int>(book.size()));
        for (int k = 0; k < prefix && k < length; ++k)
            if (!Commit(game, book[static_cast<std::size_t>(k)]))
                throw std::runtime_error("book move refused: " + book[static_cast<std::size_t>(k)]);
    }
    while (game.CurPly < length) {
        const std::vector<std::string> moves = LegalMoves(game);
        if (moves.empty()) {
            played.over = true;
            break;
        }
        std::vector<std::string> special;
        for (const std::string& move : moves) {
            const char piece = game.KifuBoard[game.CurPly][move[0] - 'a' + 1][move[1] - '0'];
            const bool castling = (piece == 'K' || piece == 'k') && (move[0] - move[2] == 2 || move[2] - move[0] == 2);
            if (castling || move.size() > 4)
                special.push_back(move);
        }
        const std::vector<std::string>& pool = !special.empty() && random() % 2 == 0 ? special : moves;
        if (!Commit(game, pool[random() % pool.size()]))
            throw std::runtime_error("generated move refused");
    }
    if (!played.over && game.CurPly == length)
        played.over = LegalMoves(game).empty();
    const std::string& last = game.KifuShort[game.LastPly];
    played.mate = played.over && !last.empty() && (last.back() == '+' || last.back() == '#');
    return played;
}

std::string Result(std::mt19937_64& random, const GameState& game, const PlayedGame& played)
{
    if (played.mate)
        return IsWhitePly(game.LastPly) ? "1-0" : "0-1";
    if (played.over)
        return "1/2-1/2";
    const int draw = Between(random, 0, 99);
    return draw < 38 ? "1-0" : draw < 68 ? "0-1" : draw < 95 ? "1/2-1/2" : "*";
}

struct Header {
    std::string event, site, round, white, black, result, eco, opening;
    int year = 0, month = 0, day = 0, whiteElo = 0, blackElo = 0;
};

Header MakeHeader(std::mt19937_64& random, const GameState& game, const PlayedGame& played)
{
    Header header;
    header.event = Pick(random, kEvents);
    if (random() % 2 == 0)
        header.event += " " + std::to_string(Between(random, 1, 40));
    header.site = Pick(random, kSites);
    header.round = std::to_string(Between(random, 1, 14));
    header.white = Pick(random, kPlayers);
    do
        header.black = Pick(random, kPlayers);
    while (header.black == header.white);
    header.result = Result(random, game, played);
    header.year = Between(random, 1985, 2025);
    header.month = Between(random, 1, 12);
    header.day = Between(random, 1, 28);
    header.whiteElo = Between(random, 1800, 2650);
    header.blackElo = Between(random, 1800, 2650);
    header.eco = played.opening ? played.opening->eco : "A00";
    header.opening = played.opening ? played.opening->name : "Unusual Opening";
    return header;
}

void AppendVorlik(std::string& out, std::mt19937_64& random, const GameState& game, const Header& header)
{
    GameHeader fields;
    fields.Field = {"", header.event, header.site, ShortDate(header.year % 100, header.month, header.day),
                    header.round, header.white, header.black, header.result};
    // Games that came from other programs keep a few of their tags.
    if (random() % 100 < 15)
        fields.TextInfoS = TagLine("ECO", header.eco) + "\n" + TagLine("PlyCount", std::to_string(game.LastPly));
    out += "\r\n";
    for (const std::string& line : WritePgnGame(game, fields, false)) {
        out += line;
        out += "\r\n";
    }
}

// Words joined by single blanks into lines of at most 79 columns.
class LineWrapper {
public:
    explicit LineWrapper(std::string& out) : out_(out) {}
    void Add(const std::string& word)
    {
        if (!line_.empty() && line_.size() + 1 + word.size() > 79)
            Flush();
        if (!line_.empty())
            line_ += ' ';
        line_ += word;
    }
    void Flush()
    {
        out_ += line_;
        out_ += '\n';
        line_.clear();
    }

private:
    std::string& out_;
    std::string line_;
};

std::string TagText(const char* name, const std::string& value)
{
    return std::string("[") + name + " \"" + value + "\"]\n";
}

// Three tag orders seen in the wild: the seven tags first with more after
// them; an online server's order without Round and with the result in the
// middle; and Elo, event date and ECO ahead of the result.
std::string SingleTags(std::mt19937_64& random, const GameState& game, const Header& header)
{
    char date[16];
    std::snprintf(date, sizeof date, "%04d.%02d.%02d", header.year, header.month, header.day);
    const std::string elo[2] = {std::to_string(header.whiteElo), std::to_string(header.blackElo)};
    const std::string plies = std::to_string(game.LastPly);
    std::string tags = TagText("Event", header.event) + TagText("Site", header.site) + TagText("Date", date);
    switch (random() % 3) {
    case 0:
        return tags + TagText("Round", header.round) + TagText("White", header.white) +
               TagText("Black", header.black) + TagText("Result", header.result) + TagText("ECO", header.eco) +
               TagText("PlyCount", plies);
    case 1:
        return tags + TagText("White", header.white) + TagText("Black", header.black) +
               TagText("Result", header.result) + TagText("UTCDate", date) + TagText("UTCTime", "12:34:56") +
               TagText("WhiteElo", elo[0]) + TagText("BlackElo", elo[1]) + TagText("ECO", header.eco) +
               TagText("Opening", header.opening) + TagText("Termination", "Normal");
    default:
        return tags + TagText("Round", header.round) + TagText("White", header.white) +
               TagText("Black", header.black) + TagText("WhiteElo", elo[0]) + TagText("BlackElo", elo[1]) +
               TagText("EventDate", std::string(date, 5) + "??.??") + TagText("ECO", header.eco) +
               TagText("Result", header.result) + TagText("PlyCount", plies);
    }
}

void AppendSingle(std::string& out, std::mt19937_64& random, const GameState& game, const Header& header)
{
    out += SingleTags(random, game, header);
    out += '\n';
    // A few games carry a comment, an annotation glyph or a suffix mark.
    const auto somePly = [&](int percent) {
        return game.LastPly > 0 && Between(random, 0, 99) < percent ? Between(random, 1, game.LastPly) : -1;
    };
    const int commentPly = somePly(6), nagPly = somePly(4), suffixPly = somePly(4);
    LineWrapper wrapper(out);
    bool numberBlack = false;
    for (int ply = 1; ply <= game.LastPly; ++ply) {
        const std::string number = std::to_string((ply + 1) / 2);
        if (IsWhitePly(ply))
            wrapper.Add(number + ".");
        else if (numberBlack)
            wrapper.Add(number + "...");
        std::string move = game.KifuShort[ply];
        for (char& c : move)
            if (c == 'o')  // castling as other programs write it
                c = 'O';
        if (ply == suffixPly)
            move += Pick(random, kSuffixes);
        wrapper.Add(move);
        numberBlack = false;
        if (ply == nagPly)
            wrapper.Add(Pick(random, kNags));
        if (ply == commentPly) {
            for (const std::string& word : Words(Pick(random, kComments)))
                wrapper.Add(word);
            numberBlack = true;
        }
    }
    wrapper.Add(header.result);
    wrapper.Flush();
    out += '\n';
}

}  // namespace

BenchTexts MakeBenchTexts(int games, std::uint64_t seed, BenchLayout layout)
{
    std::mt19937_64 random(seed);
    auto game = std::make_unique<GameState>();
    BenchTexts texts;
    for (int g = 0; g < games; ++g) {
        const PlayedGame played = PlayGame(random, *game);
        const Header header = MakeHeader(random, *game, played);
        // Each layout draws from its own stream, so that one layout's bytes do
        // not depend on whether the other is written.
        std::mt19937_64 vorlikRandom(random()), singleRandom(random());
        if (layout != BenchLayout::Single)
            AppendVorlik(texts.vorlik, vorlikRandom, *game, header);
        if (layout != BenchLayout::Vorlik)
            AppendSingle(texts.single, singleRandom, *game, header);
        ++texts.games;
        texts.plies += game->LastPly;
    }
    return texts;
}

namespace {

const char* const kWords[] = {"good", "threat", "better", "a long plan", "pawn structure", "initiative",
                              "the only move", "weak square", "endgame", "compensation"};

bool PlayCoord(GameState& game, const std::string& coord)
{
    return CommitMove(game, coord);
}

std::string RandomComment(std::mt19937_64& random)
{
    std::string comment = kWords[random() % 10];
    for (int k = random() % 4; k > 0; --k)
        comment += std::string(" ") + kWords[random() % 10];
    return comment;
}

// A line of one to four random moves from the board's position, the first
// another than `main`; one time in four a variation inside it.
void AddVariation(GameState& game, std::mt19937_64& random, std::string main, bool nested)
{
    std::vector<std::string> moves = LegalMoves(game);
    moves.erase(std::remove(moves.begin(), moves.end(), main), moves.end());
    if (moves.empty() || !PlayCoord(game, moves[random() % moves.size()]))
        return;
    for (int k = random() % 4; k > 0; --k) {
        const std::vector<std::string> next = LegalMoves(game);
        if (next.empty())
            return;
        const std::string coord = next[random() % next.size()];
        if (nested && random() % 4 == 0) {
            if (!PlayCoord(game, coord))
                return;
            const int after = NodeAt(game, game.CurPly);
            GoToPly(game, game.CurPly - 1);
            AddVariation(game, random, coord, false);
            ShowNode(game, after);
            continue;
        }
        if (!PlayCoord(game, coord))
            return;
        if (random() % 3 == 0)
            SetComment(game, game.CurPly, RandomComment(random));
    }
}

}  // namespace

std::string MakeAnnotatedBenchText(int games, std::uint64_t seed)
{
    const std::vector<GameTokens> lines = GenerateRandomGames(seed, games);
    std::mt19937_64 random(seed + 1);
    auto game = std::make_unique<GameState>();
    std::string text;
    int number = 0;
    for (const GameTokens& tokens : lines) {
        ResetGame(*game);
        SetStartPosition(*game);
        SetComment(*game, 0, "Game " + std::to_string(++number));
        for (std::size_t k = 0; k < tokens.size() && k < 100; ++k) {
            if (!CommitMove(*game, tokens[k]))
                break;
            const int ply = game->CurPly;
            if (random() % 10 < 7)
                SetComment(*game, ply, RandomComment(random));
            if (random() % 5 == 0)
                SetNags(*game, ply, {static_cast<unsigned char>(1 + random() % 6)});
            if (random() % 2 == 0) {
                const int mainNode = NodeAt(*game, ply);
                GoToPly(*game, ply - 1);
                AddVariation(*game, random, game->KifuCoord[ply], true);
                ShowNode(*game, mainNode);
            }
        }
        GameHeader header;
        const char* values[] = {"", "Annotated", "?", "?", "?", "?", "?", "*"};
        for (int k = 1; k <= 7; ++k)
            header.Field[k] = values[k];
        for (const std::string& line : WritePgnGame(*game, header, false))
            text += line + "\n";
    }
    return text;
}

}  // namespace vorlik
