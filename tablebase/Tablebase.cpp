#include "Tablebase.h"

#include "core/FenText.h"
#include "core/ModuleMekMoveCheck.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <tbprobe.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstdint>
#include <mutex>

namespace vorlik {

namespace {

// libfathom's tables, its TB_LARGEST and its root probe are process-wide and
// not safe to use from two threads: one lock and one holder for all of them.
// The library is initialised again only when another set asks, never with an
// empty path (which it takes as "keep the old count" over freed tables).
std::mutex libraryLock;
const Tablebase* libraryHolder = nullptr;

constexpr int kMaxTablePieces = 7;  // the largest Syzygy tables there are

// A table's first bytes, by kind.
constexpr unsigned char kWdlMagic[4] = {0x71, 0xE8, 0x23, 0x5D};
constexpr unsigned char kDtzMagic[4] = {0xD7, 0x66, 0x0C, 0xA5};

int PiecesInName(const QString& name) { return name.indexOf('.') - 1; }  // less the "v"

// Why the table file cannot be used; empty when it can. A table is a whole
// number of 64-byte blocks and a 16-byte checksum: a download cut short
// almost never keeps that size.
QString Refusal(const QFileInfo& info)
{
    QFile file(info.absoluteFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("読めません (cannot be read)");
    const QByteArray head = file.read(4);
    const bool wdl = info.fileName().endsWith(QStringLiteral(".rtbw"));
    const unsigned char* magic = wdl ? kWdlMagic : kDtzMagic;
    if (head.size() < 4 || !std::equal(magic, magic + 4, reinterpret_cast<const unsigned char*>(head.constData())))
        return QStringLiteral("終盤データベースのファイルではありません (not a Syzygy table)");
    if (file.size() % 64 != 16)
        return QStringLiteral("ファイルが途中で切れています (truncated)");
    return {};
}

// Square numbers as libfathom counts them: a1 = 0, b1 = 1, ..., h8 = 63.
int SquareNumber(int file, int rank) { return (rank - 1) * 8 + (file - 1); }

struct Bitboards {
    uint64_t white = 0, black = 0, kings = 0, queens = 0, rooks = 0, bishops = 0, knights = 0, pawns = 0;
};

// The square behind a pawn that has just made a double step (where the
// capture in passing lands), as the tables number squares; 0 when none.
unsigned PassedSquare(const TbPosition& position)
{
    if (position.passedFile < 1 || position.passedFile > 8)
        return 0;
    return static_cast<unsigned>(SquareNumber(position.passedFile, position.whiteToMove ? 6 : 3));
}

Bitboards BitboardsOf(const Board& board)
{
    Bitboards bits;
    for (int file = 1; file <= 8; ++file) {
        for (int rank = 1; rank <= 8; ++rank) {
            const char piece = board[file][rank];
            if (!IsPiece(piece))
                continue;
            const uint64_t bit = uint64_t{1} << SquareNumber(file, rank);
            (IsWhitePiece(piece) ? bits.white : bits.black) |= bit;
            switch (UpperPiece(piece)) {
            case 'K': bits.kings |= bit; break;
            case 'Q': bits.queens |= bit; break;
            case 'R': bits.rooks |= bit; break;
            case 'B': bits.bishops |= bit; break;
            case 'N': bits.knights |= bit; break;
            default: bits.pawns |= bit; break;
            }
        }
    }
    return bits;
}

int PieceCount(const Board& board)
{
    int count = 0;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            count += IsPiece(board[file][rank]) ? 1 : 0;
    return count;
}

// Why no rule allows the position; empty when it is one a game can reach as
// far as the tables care: one king a side, no pawn on the first or last rank,
// the side that has just moved not in check.
QString Unlawful(const TbPosition& position)
{
    int whiteKings = 0, blackKings = 0, kingFile[2] = {}, kingRank[2] = {};
    for (int file = 1; file <= 8; ++file) {
        for (int rank = 1; rank <= 8; ++rank) {
            const char piece = position.board[file][rank];
            if ((piece == 'P' || piece == 'p') && (rank == 1 || rank == 8))
                return QStringLiteral("端の段にポーンがあります (a pawn on the first or last rank)");
            if (piece == 'K' || piece == 'k') {
                const int side = piece == 'K' ? 0 : 1;
                (side == 0 ? whiteKings : blackKings) += 1;
                kingFile[side] = file;
                kingRank[side] = rank;
            }
        }
    }
    if (whiteKings != 1 || blackKings != 1)
        return QStringLiteral("キングが各一つではありません (not one king a side)");
    WorkLayer layer;
    layer.load(position.board);
    const int waiting = position.whiteToMove ? 1 : 0;  // the side that has just moved
    if (SquareAttacked(layer, kingFile[waiting], kingRank[waiting], position.whiteToMove))
        return QStringLiteral("手番でない側が王手されています (the side not to move is in check)");
    return {};
}

// The postal text of the double step a capture in passing answers, as the
// rules read it ("5755": Black's e-pawn has just gone to e5).
std::string PassedPostal(const TbPosition& position)
{
    if (position.passedFile < 1 || position.passedFile > 8)
        return {};
    const char digit = static_cast<char>('0' + position.passedFile);
    const bool whiteStepped = !position.whiteToMove;
    return {digit, whiteStepped ? '2' : '7', digit, whiteStepped ? '4' : '5'};
}

std::string CoordText(unsigned from, unsigned to, unsigned promotes)
{
    static const char kPromotion[] = {0, 'q', 'r', 'b', 'n'};
    std::string coord = {static_cast<char>('a' + from % 8), static_cast<char>('1' + from / 8),
                         static_cast<char>('a' + to % 8), static_cast<char>('1' + to / 8)};
    if (promotes >= 1 && promotes <= 4)
        coord += kPromotion[promotes];
    return coord;
}

// Distances are signed from the side they belong to: plus when it wins.
int SignedDtz(TbResult result, unsigned dtz)
{
    const int distance = static_cast<int>(dtz);
    if (result == TbResult::Win || result == TbResult::CursedWin)
        return distance;
    if (result == TbResult::Loss || result == TbResult::BlessedLoss)
        return -distance;
    return 0;
}

// Best first: the better result; among wins the quicker, among losses the
// longer; then the move's text, so the order never depends on the library's.
bool BetterMove(const TbMove& a, const TbMove& b)
{
    if (a.result != b.result)
        return a.result > b.result;
    if (a.dtz != b.dtz)
        return a.dtz < b.dtz;  // signed: a quick win is small, a long defence very negative
    return a.shortText < b.shortText;
}

// Each move libfathom lists, named by this program's rules. False when the
// rules refuse one: the board and the tables then disagree, and no answer is
// better than a wrong one.
bool NameMoves(const TbPosition& position, const unsigned* results, TbAnswer& answer)
{
    const int ply = position.whiteToMove ? 1 : 2;
    const std::string passed = PassedPostal(position);
    for (int i = 0; i < TB_MAX_MOVES && results[i] != TB_RESULT_FAILED; ++i) {
        TbMove move;
        move.coord = CoordText(TB_GET_FROM(results[i]), TB_GET_TO(results[i]), TB_GET_PROMOTES(results[i]));
        move.result = static_cast<TbResult>(TB_GET_WDL(results[i]));
        move.dtz = SignedDtz(move.result, TB_GET_DTZ(results[i]));
        Board board = position.board;
        std::string coord = move.coord, postal, longText;
        if (!CheckMove(board, ply, coord, postal, move.shortText, longText, passed))
            return false;
        answer.moves.push_back(std::move(move));
    }
    std::sort(answer.moves.begin(), answer.moves.end(), BetterMove);
    return true;
}

TbAnswer NoAnswer(const QString& why)
{
    TbAnswer answer;
    answer.why = why;
    return answer;
}

}  // namespace

const char* TbResultWord(TbResult result)
{
    switch (result) {
    case TbResult::Win: return "win";
    case TbResult::CursedWin: return "cursed-win";
    case TbResult::Draw: return "draw";
    case TbResult::BlessedLoss: return "blessed-loss";
    case TbResult::Loss: return "loss";
    }
    return "";
}

TbResult TbOtherSide(TbResult result) { return static_cast<TbResult>(4 - static_cast<int>(result)); }

TbPosition TbPositionAt(const GameState& game, int ply)
{
    TbPosition position;
    bool blackToMove = false;
    StartRights rights;
    ReadFenText(WriteFenText(game, ply), position.board, blackToMove, &rights);
    position.whiteToMove = !blackToMove;
    position.castling = rights.castling;
    position.passedFile = rights.passedFile;
    position.halfMoveClock = rights.halfMoveClock;
    return position;
}

namespace {

// A right stays while its king and its rook stand on their corners: a
// right once lost never comes back, so a king that went away and returned
// keeps it here, and such a position only goes unanswered.
int RightsLeft(int castling, const Board& board)
{
    const struct {
        int bit, rookFile, rank;
        char king, rook;
    } corners[] = {{kWhiteKingSide, 8, 1, 'K', 'R'}, {kWhiteQueenSide, 1, 1, 'K', 'R'},
                   {kBlackKingSide, 8, 8, 'k', 'r'}, {kBlackQueenSide, 1, 8, 'k', 'r'}};
    for (const auto& corner : corners) {
        if (board[5][corner.rank] != corner.king || board[corner.rookFile][corner.rank] != corner.rook)
            castling &= ~corner.bit;
    }
    return castling;
}

}  // namespace

bool TbPlayMoves(TbPosition& position, const std::vector<std::string>& coords)
{
    for (const std::string& move : coords) {
        if (move.size() < 4)
            return false;
        const Board before = position.board;
        std::string coord = move, postal, shortText, longText;
        if (!CheckMove(position.board, position.whiteToMove ? 1 : 2, coord, postal, shortText, longText,
                       PassedPostal(position)))
            return false;
        const int fromFile = move[0] - 'a' + 1, fromRank = move[1] - '0';
        const int toFile = move[2] - 'a' + 1, toRank = move[3] - '0';
        const bool pawn = UpperPiece(before[fromFile][fromRank]) == 'P';
        const bool capture = IsPiece(before[toFile][toRank]) || (pawn && fromFile != toFile);
        position.halfMoveClock = pawn || capture ? 0 : position.halfMoveClock + 1;
        position.passedFile = pawn && std::abs(toRank - fromRank) == 2 ? fromFile : 0;
        position.castling = RightsLeft(position.castling, position.board);
        position.whiteToMove = !position.whiteToMove;
    }
    return true;
}

Tablebase::Tablebase(const QString& folders) : shelf_(std::make_unique<QTemporaryDir>())
{
    if (!shelf_->isValid()) {
        report_.problems << QStringLiteral("作業用フォルダを作れません (cannot make a temporary folder)");
        return;
    }
    const QStringList list = folders.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (list.isEmpty())
        report_.problems << QStringLiteral("フォルダが指定されていません (no folder given)");
    for (const QString& folder : list)
        gather(folder);
    if (usable()) {
        std::lock_guard<std::mutex> hold(libraryLock);
        claimLibrary();
    }
}

Tablebase::~Tablebase()
{
    std::lock_guard<std::mutex> hold(libraryLock);
    if (libraryHolder == this)
        libraryHolder = nullptr;  // its links go with it: the next set initialises anew
}

// Links every sound table of the folder into the shelf, unless an earlier
// folder gave one of that name.
void Tablebase::gather(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.exists()) {
        report_.problems << folder + QStringLiteral(": フォルダがありません (no such folder)");
        return;
    }
    static const QRegularExpression kTableName(QStringLiteral("^K[QRBNP]*vK[QRBNP]*\\.rtb[wz]$"));
    const QFileInfoList files = dir.entryInfoList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QFileInfo& info : files) {
        const QString name = info.fileName();
        if (!kTableName.match(name).hasMatch() || PiecesInName(name) > kMaxTablePieces)
            continue;
        const QString link = shelf_->filePath(name);
        if (QFileInfo::exists(link))
            continue;
        const QString refusal = Refusal(info);
        if (!refusal.isEmpty()) {
            report_.problems << info.absoluteFilePath() + QStringLiteral(": ") + refusal;
            continue;
        }
        if (!QFile::link(info.absoluteFilePath(), link)) {
            report_.problems << name + QStringLiteral(": リンクを作れません (cannot link)");
            continue;
        }
        ++report_.tables;
        if (name.endsWith(QStringLiteral(".rtbw")))
            report_.largest = std::max(report_.largest, PiecesInName(name));
    }
}

// Hands libfathom this set's tables unless it holds them already; under the lock.
void Tablebase::claimLibrary() const
{
    if (libraryHolder == this)
        return;
    const QByteArray path = QFile::encodeName(shelf_->path());
    tb_init(path.constData());
    libraryHolder = this;
}

QString Tablebase::refusal(const TbPosition& position) const
{
    if (!usable())
        return QStringLiteral("終盤データベースがありません (no tables)");
    if (position.castling != 0)
        return QStringLiteral("キャスリングの権利が残っています (castling rights remain)");
    if (PieceCount(position.board) > report_.largest)
        return QStringLiteral("駒がデータベースより多くあります (more pieces than the tables hold)");
    return Unlawful(position);
}

TbAnswer Tablebase::probeResult(const TbPosition& position) const
{
    const QString refused = refusal(position);
    if (!refused.isEmpty())
        return NoAnswer(refused);
    const Bitboards bits = BitboardsOf(position.board);
    const unsigned passed = PassedSquare(position);
    unsigned wdl = TB_RESULT_FAILED;
    {
        std::lock_guard<std::mutex> hold(libraryLock);
        claimLibrary();
        wdl = tb_probe_wdl(bits.white, bits.black, bits.kings, bits.queens, bits.rooks, bits.bishops, bits.knights,
                           bits.pawns, 0, 0, passed, position.whiteToMove);
    }
    if (wdl == TB_RESULT_FAILED)
        return NoAnswer(QStringLiteral("この局面はデータベースにありません (not in the tables)"));
    TbAnswer answer;
    answer.found = true;
    answer.result = static_cast<TbResult>(wdl);
    return answer;
}

TbAnswer Tablebase::probe(const TbPosition& position) const
{
    const QString refused = refusal(position);
    if (!refused.isEmpty())
        return NoAnswer(refused);

    const Bitboards bits = BitboardsOf(position.board);
    const unsigned passed = PassedSquare(position);
    std::array<unsigned, TB_MAX_MOVES> results;
    results.fill(TB_RESULT_FAILED);
    unsigned root = TB_RESULT_FAILED;
    {
        std::lock_guard<std::mutex> hold(libraryLock);
        claimLibrary();
        root = tb_probe_root(bits.white, bits.black, bits.kings, bits.queens, bits.rooks, bits.bishops,
                             bits.knights, bits.pawns, static_cast<unsigned>(std::max(0, position.halfMoveClock)),
                             0, passed, position.whiteToMove, results.data());
    }
    if (root == TB_RESULT_FAILED)
        return NoAnswer(QStringLiteral("この局面はデータベースにありません (not in the tables)"));
    TbAnswer answer;
    answer.found = true;
    if (root == TB_RESULT_CHECKMATE || root == TB_RESULT_STALEMATE) {
        answer.result = root == TB_RESULT_CHECKMATE ? TbResult::Loss : TbResult::Draw;
        return answer;  // no move: mated or stalemated, dtz 0
    }
    answer.result = static_cast<TbResult>(TB_GET_WDL(root));
    answer.dtz = SignedDtz(answer.result, TB_GET_DTZ(root));
    if (!NameMoves(position, results.data(), answer))
        return NoAnswer(QStringLiteral("データベースの手が盤の規則と合いません (the tables' moves disagree with the rules)"));
    return answer;
}

}  // namespace vorlik
