#include "PolyglotKey.h"

#include <string>

namespace vorlik {

namespace {

constexpr std::uint64_t kRandom64[781] = {
#include "PolyglotRandom.inc"
};
constexpr int kCastleOffset = 768;
constexpr int kPassedOffset = 772;
constexpr int kTurnOffset = 780;

// The book format's piece kinds: black pawn 0, white pawn 1, ... white king 11.
int PieceKind(char piece)
{
    int pieceKind = 0;
    switch (UpperPiece(piece)) {
    case 'P': pieceKind = 0; break;
    case 'N': pieceKind = 2; break;
    case 'B': pieceKind = 4; break;
    case 'R': pieceKind = 6; break;
    case 'Q': pieceKind = 8; break;
    case 'K': pieceKind = 10; break;
    default: return -1;
    }
    return pieceKind + (IsWhitePiece(piece) ? 1 : 0);
}

// A pawn of the side to move beside the pawn that has just passed.
bool PassedPawnTakeable(const Board& board, bool whiteToMove, int file)
{
    const int rank = whiteToMove ? 5 : 4;
    const char pawn = whiteToMove ? 'P' : 'p';
    return (file > 1 && board[file - 1][rank] == pawn) || (file < 8 && board[file + 1][rank] == pawn);
}

// The rights of a record that still hold at a board: the king and the rook
// of each right must stand on their home squares.
int RightsStanding(const Board& board, int castling)
{
    if (board[5][1] != 'K')
        castling &= ~(kWhiteKingSide | kWhiteQueenSide);
    if (board[8][1] != 'R')
        castling &= ~kWhiteKingSide;
    if (board[1][1] != 'R')
        castling &= ~kWhiteQueenSide;
    if (board[5][8] != 'k')
        castling &= ~(kBlackKingSide | kBlackQueenSide);
    if (board[8][8] != 'r')
        castling &= ~kBlackKingSide;
    if (board[1][8] != 'r')
        castling &= ~kBlackQueenSide;
    return castling;
}

}  // namespace

const std::uint64_t* PolyglotRandom() { return kRandom64; }

std::uint64_t PolyglotKey(const Board& board, const PositionState& state)
{
    std::uint64_t key = 0;
    for (int file = 1; file <= 8; ++file) {
        for (int rank = 1; rank <= 8; ++rank) {
            const int pieceKind = PieceKind(board[file][rank]);
            if (pieceKind >= 0)
                key ^= kRandom64[64 * pieceKind + 8 * (rank - 1) + (file - 1)];
        }
    }
    // The castling bits are in the book's order: white short, white long, black short, black long.
    for (int right = 0; right < 4; ++right) {
        if (state.castling & (1 << right))
            key ^= kRandom64[kCastleOffset + right];
    }
    if (state.passedFile >= 1 && state.passedFile <= 8 &&
        PassedPawnTakeable(board, state.whiteToMove, state.passedFile))
        key ^= kRandom64[kPassedOffset + state.passedFile - 1];
    if (state.whiteToMove)
        key ^= kRandom64[kTurnOffset];
    return key;
}

int EncodeMove(const std::string& coord)
{
    if (coord.size() < 4 || !IsFileLetter(coord[0]) || !IsRankDigit(coord[1]) || !IsFileLetter(coord[2]) ||
        !IsRankDigit(coord[3]))
        return 0;
    const int from = 8 * (coord[1] - '1') + (coord[0] - 'a');
    const int to = 8 * (coord[3] - '1') + (coord[2] - 'a');
    int promotion = 0;
    if (coord.size() > 4) {
        const std::string letters = "nbrq";
        const std::size_t found = letters.find(static_cast<char>(coord[4] | 0x20));
        promotion = found == std::string::npos ? 0 : static_cast<int>(found) + 1;
    }
    return from * 64 + to + promotion * 4096;
}

std::string DecodeMove(int move)
{
    const int from = (move / 64) % 64;
    const int to = move % 64;
    std::string text{FileLetter(from % 8 + 1), RankDigit(from / 8 + 1), FileLetter(to % 8 + 1), RankDigit(to / 8 + 1)};
    const int promotion = move / 4096;
    if (promotion >= 1 && promotion <= 4)
        text += "nbrq"[promotion - 1];
    return text;
}

PositionState StateAfter(const GameState& game, int ply, int castlingBefore)
{
    PositionState state;
    const Board& board = game.KifuBoard[ply];
    state.whiteToMove = ply % 2 == 0;
    state.castling = RightsStanding(board, castlingBefore);
    if (HoldsStart(game, ply)) {
        state.passedFile = game.Start.passedFile;
        return state;
    }
    const std::string& coord = game.KifuCoord[ply];
    if (coord.size() >= 4) {
        const int toFile = coord[2] - 'a' + 1, toRank = coord[3] - '0';
        const int fromRank = coord[1] - '0';
        const char piece = OnBoard(toFile, toRank) ? board[toFile][toRank] : 0;
        if (UpperPiece(piece) == 'P' && (fromRank - toRank == 2 || toRank - fromRank == 2))
            state.passedFile = toFile;
    }
    return state;
}

std::vector<LinePosition> MainLinePositions(const GameState& game)
{
    std::vector<LinePosition> line;
    const int first = StartsWithBlack(game) ? 1 : 0;
    line.reserve(static_cast<std::size_t>(game.LastPly - first + 1));
    int castling = game.Start.castling;
    for (int ply = first; ply <= game.LastPly; ++ply) {
        const PositionState state = StateAfter(game, ply, castling);
        castling = state.castling;
        LinePosition position;
        position.key = PolyglotKey(game.KifuBoard[ply], state);
        position.ply = ply;
        position.move = ply < game.LastPly ? EncodeMove(game.KifuCoord[ply + 1]) : 0;
        line.push_back(position);
    }
    return line;
}

}  // namespace vorlik
