#include "GameGenerator.h"

#include "core/ModuleMekMoveCheck.h"
#include "core/MoveCommit.h"

#include <memory>
#include <random>

namespace vorlik {

namespace {

const int kRookSteps[4][2] = {{0, 1}, {0, -1}, {-1, 0}, {1, 0}};
const int kBishopSteps[4][2] = {{-1, 1}, {-1, -1}, {1, -1}, {1, 1}};

struct Generator {
    const Board& board;
    bool white;
    std::vector<std::string> coords;

    bool own(char piece) const { return white ? IsWhitePiece(piece) : IsBlackPiece(piece); }

    void add(int fromFile, int fromRank, int toFile, int toRank, char promotion = 0)
    {
        if (!OnBoard(toFile, toRank) || own(board[toFile][toRank]))
            return;
        std::string coord{FileLetter(fromFile), RankDigit(fromRank), FileLetter(toFile), RankDigit(toRank)};
        if (promotion)
            coord += promotion;
        coords.push_back(coord);
    }

    void slide(int file, int rank, const int (&steps)[4][2])
    {
        for (const auto& step : steps)
            for (int f = file + step[0], r = rank + step[1]; OnBoard(f, r); f += step[0], r += step[1]) {
                add(file, rank, f, r);
                if (board[f][r] != 0)
                    break;
            }
    }

    void pawn(int file, int rank)
    {
        const int forward = white ? 1 : -1;
        const int toRank = rank + forward;
        for (int toFile = file - 1; toFile <= file + 1; ++toFile) {
            if (toRank == 1 || toRank == 8)
                for (char letter : {'q', 'r', 'b', 'n'})
                    add(file, rank, toFile, toRank, letter);
            else
                add(file, rank, toFile, toRank);
        }
        if (rank == (white ? 2 : 7))
            add(file, rank, file, rank + 2 * forward);
    }

    void piece(int file, int rank)
    {
        switch (UpperPiece(board[file][rank])) {
        case 'N':
            for (const auto& step : kKnightSteps)
                add(file, rank, file + step[0], rank + step[1]);
            break;
        case 'K':
            for (const auto& step : kKingSteps)
                add(file, rank, file + step[0], rank + step[1]);
            add(file, rank, file + 2, rank);
            add(file, rank, file - 2, rank);
            break;
        case 'R': slide(file, rank, kRookSteps); break;
        case 'B': slide(file, rank, kBishopSteps); break;
        case 'Q':
            slide(file, rank, kRookSteps);
            slide(file, rank, kBishopSteps);
            break;
        case 'P': pawn(file, rank); break;
        default: break;
        }
    }
};

bool IsCastlingOrPromotion(const GameState& game, const std::string& coord)
{
    const char piece = game.KifuBoard[game.CurPly][coord[0] - 'a' + 1][coord[1] - '0'];
    return coord.size() > 4 || ((piece == 'K' || piece == 'k') && (coord[0] - coord[2] == 2 || coord[2] - coord[0] == 2));
}

// This program writes castling "o-o"; PGN readers elsewhere want "O-O".
std::string PgnCastling(std::string token)
{
    for (char& c : token)
        if (c == 'o')
            c = 'O';
    return token;
}

}  // namespace

std::vector<std::string> LegalMoves(const GameState& game)
{
    const int ply = game.CurPly + 1;
    const Board& board = game.KifuBoard[game.CurPly];
    Generator generator{board, IsWhitePly(ply), {}};
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            if (generator.own(board[file][rank]))
                generator.piece(file, rank);
    const MoveContext context{BoardHistory{game.KifuBoard.data(), game.CurPly + 1}, nullptr};
    std::vector<std::string> legal;
    for (const std::string& candidate : generator.coords) {
        Board after = board;
        std::string coord = candidate, postal, shortText, longText;
        if (CheckMove(after, ply, coord, postal, shortText, longText, game.KifuPostal[game.CurPly], context))
            legal.push_back(candidate);
    }
    return legal;
}

std::vector<GameTokens> GenerateRandomGames(std::uint64_t seed, int count)
{
    std::mt19937_64 random(seed);
    auto game = std::make_unique<GameState>();
    std::vector<GameTokens> games;
    games.reserve(static_cast<std::size_t>(count));
    for (int g = 0; g < count; ++g) {
        ResetGame(*game);
        SetStartPosition(*game);
        const int length = 60 + static_cast<int>(random() % 341);
        GameTokens tokens;
        while (game->CurPly < length) {
            const std::vector<std::string> moves = LegalMoves(*game);
            if (moves.empty())
                break;
            std::vector<std::string> special;
            for (const std::string& move : moves)
                if (IsCastlingOrPromotion(*game, move))
                    special.push_back(move);
            const bool takeSpecial = !special.empty() && random() % 2 == 0;
            const std::vector<std::string>& pool = takeSpecial ? special : moves;
            if (!CommitMove(*game, pool[random() % pool.size()]))
                break;
            tokens.push_back(game->KifuShort[game->CurPly]);
        }
        games.push_back(std::move(tokens));
    }
    return games;
}

std::string GamesToPgn(const std::vector<GameTokens>& games)
{
    std::string pgn;
    int number = 0;
    for (const GameTokens& tokens : games) {
        ++number;
        pgn += "[Event \"Random " + std::to_string(number) +
               "\"]\n[Site \"?\"]\n[Date \"?\"]\n[Round \"?\"]\n[White \"?\"]\n[Black \"?\"]\n[Result \"*\"]\n\n";
        for (std::size_t k = 0; k < tokens.size(); ++k) {
            if (k % 2 == 0)
                pgn += std::to_string(k / 2 + 1) + ". ";
            pgn += PgnCastling(tokens[k]) + ((k % 12 == 11) ? "\n" : " ");
        }
        pgn += "*\n\n";
    }
    return pgn;
}

}  // namespace vorlik
