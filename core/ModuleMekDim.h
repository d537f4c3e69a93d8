// The game record: one instance, owned by whoever shows the game (the main
// window, the command-line companion, a test) and passed by reference.
#pragma once

#include "GameHeader.h"
#include "KifuTree.h"

#include <array>
#include <string>

namespace vorlik {

constexpr int kMaxPly = 400;       // plies a record holds, 1..400 (0 is the start)
constexpr int kMaxMoveText = 10;  // characters of one move token

// A position, indexed [file][rank] with both 1..8 (index 0 is never a square).
// A square holds 0 when empty, otherwise its piece letter: "KQRBNP" for White,
// "kqrbnp" for Black.
using Board = std::array<std::array<char, 9>, 9>;

inline char FileLetter(int file) { return static_cast<char>('a' + file - 1); }
inline char RankDigit(int rank) { return static_cast<char>('0' + rank); }
inline bool IsFileLetter(char c) { return c >= 'a' && c <= 'h'; }
inline bool IsRankDigit(char c) { return c >= '1' && c <= '8'; }
inline bool OnBoard(int file, int rank) { return file >= 1 && file <= 8 && rank >= 1 && rank <= 8; }
inline bool IsWhitePiece(char c) { return c == 'K' || c == 'Q' || c == 'R' || c == 'B' || c == 'N' || c == 'P'; }
inline bool IsBlackPiece(char c) { return c == 'k' || c == 'q' || c == 'r' || c == 'b' || c == 'n' || c == 'p'; }
inline bool IsPiece(char c) { return IsWhitePiece(c) || IsBlackPiece(c); }
// The letter of a piece in upper case, whichever its side.
inline char UpperPiece(char piece) { return piece >= 'a' && piece <= 'z' ? static_cast<char>(piece - 'a' + 'A') : piece; }
// The letter of the upper-case piece kind for one side.
inline char OfSide(char upperPiece, bool white) { return white ? upperPiece : static_cast<char>(upperPiece - 'A' + 'a'); }

// Ply n is White's move when n is odd; the side to move is never stored.
inline bool IsWhitePly(int ply) { return ply % 2 == 1; }
// The full move of the record that ply n belongs to, counted from 1: plies 1
// and 2 are the first (and the move list's first line); or counted on from
// firstMove, the number the record's first move bears.
inline int MoveNumber(int ply, int firstMove = 1) { return (ply + 1) / 2 + firstMove - 1; }

// Castling rights, one bit each.
enum CastlingRight { kWhiteKingSide = 1, kWhiteQueenSide = 2, kBlackKingSide = 4, kBlackQueenSide = 8 };
constexpr int kAllCastling = 15;
inline int CastlingBit(bool white, bool kingSide)
{
    return white ? (kingSide ? kWhiteKingSide : kWhiteQueenSide) : (kingSide ? kBlackKingSide : kBlackQueenSide);
}

// What the start position brings that its squares do not show. A position
// read from a FEN text carries its own; any other start has every castling
// right its kings and rooks on their home squares give, and is move 1.
struct StartRights {
    int castling = kAllCastling;  // rights still open at the start (a king or rook that moves loses its own)
    int passedFile = 0;           // the file of a pawn that has just made a double step, 0 when none
    int halfMoveClock = 0;        // plies since the last capture or pawn move
    int moveNumber = 1;           // the move number of the start position's side to move

    bool operator==(const StartRights& other) const
    {
        return castling == other.castling && passedFile == other.passedFile &&
               halfMoveClock == other.halfMoveClock && moveNumber == other.moveNumber;
    }
    bool operator!=(const StartRights& other) const { return !(*this == other); }
};

// The piece letters in the one order the set-up palette and the printed
// diagram's glyphs follow.
inline constexpr char kPieceLetters[] = "PNBRQKpnbrqk";

struct GameState {
    int CurPly = 0;   // ply of the position on the board
    int LastPly = 0;  // plies in the record; CurPly < LastPly while looking back
    StartRights Start;  // of the position at ply 0

    std::array<Board, kMaxPly + 1> KifuBoard{};  // the position after each ply
    std::array<std::string, kMaxPly + 1> KifuShort;   // "国際"  Nf3
    std::array<std::string, kMaxPly + 1> KifuLong;    // "国際長" Ng1-f3
    std::array<std::string, kMaxPly + 1> KifuPostal;  // "郵便"  7163
    std::array<std::string, kMaxPly + 1> KifuCoord;   // "座標"  g1f3
    std::array<std::array<std::string, kMaxPly + 1>, 7> KifuNote;  // [1..6][ply] postal boxes
    // The whole record, variations and comments included; the arrays above
    // are its line on the board. Changed only through KifuTree.h.
    KifuTree Tree;

    int ClockWhite = 0, ClockBlack = 0;

    GameHeader Header;
    // Counts the changes of what a file keeps (moves, notes, header), not
    // the steps through the record: a record is unsaved while it differs
    // from the revision last saved or loaded.
    long long Revision = 0;
};

// The move number the player reads for ply n: counted on from the start
// position's own number (a game from "... b - - 0 23" begins "23... Kd7").
inline int MoveNumber(const GameState& game, int ply) { return MoveNumber(ply, game.Start.moveNumber); }

// Ply 0, and ply 1 of a game that starts with Black: the plies that hold the
// start position.
inline bool HoldsStart(const GameState& game, int ply) { return ply == 0 || (ply == 1 && game.KifuCoord[1].empty()); }

// The postal text the capture in passing reads before ply `ply`: the move of
// the ply before, or at the start of the record the double step that the
// start's passed square stands for ("5755" when Black's e-pawn has just gone
// to e5).
std::string PreviousPostal(const GameState& game, int ply);

// New-game reset of the record, its postal notes included (the window resets
// its own flags and timer).
void ResetGame(GameState& game);

// The standard start at ply 0; CurPly = 0.
void SetStartPosition(GameState& game);

// True when the record's first ply is there but holds no move: the game
// starts with Black.
inline bool StartsWithBlack(const GameState& game) { return game.LastPly >= 1 && game.KifuCoord[1].empty(); }

// True when the game starts from the standard position: every square of ply 0
// as at the start, White to move, and move 1 with every right. A set-up
// position that differs only in the middle of the board, gives Black the move
// or starts at another move number is no standard start: its files must
// carry the position.
bool IsStandardStart(const GameState& game);

// Starts a record from a set-up position. With Black to move, plies 0 and 1
// both hold the position, ply 1 has no move and Black's first move is ply 2.
// rights are those a FEN text gave; a position set up on the board has the
// ones its pieces' placement gives.
void LoadSetupPosition(GameState& game, const Board& position, bool blackToMove, const StartRights& rights = {});

// Empties the postal notes of plies first..last. A new record starts without
// notes, and plies that are discarded take theirs with them, so that an old
// note never turns up beside a new move.
void ClearNotes(GameState& game, int first, int last);

// The standard start position.
Board StandardStartBoard();

}  // namespace vorlik
