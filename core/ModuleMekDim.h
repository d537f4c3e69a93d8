// The game record: one instance, owned by whoever shows the game (the main
// window, the command-line companion, a test) and passed by reference.
#pragma once

#include <array>
#include <string>

namespace vorlik {

constexpr int kMaxPly = 400;       // plies a record holds, 1..400 (0 is the start)
constexpr int kMaxMoveInput = 10;  // characters of one move token

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
// The move number that ply n belongs to: plies 1 and 2 are move 1.
inline int MoveNumber(int ply) { return (ply + 1) / 2; }

// The piece letters in the one order the set-up palette and the printed
// diagram's glyphs follow.
inline constexpr char kPieceLetters[] = "PNBRQKpnbrqk";

struct GameState {
    int CurPly = 0;   // ply of the position on the board
    int LastPly = 0;  // plies in the record; CurPly < LastPly while looking back

    std::array<Board, kMaxPly + 1> KifuBoard{};  // the position after each ply
    std::array<std::string, kMaxPly + 1> KifuShort;   // "国際"  Nf3
    std::array<std::string, kMaxPly + 1> KifuLong;    // "国際長" Ng1-f3
    std::array<std::string, kMaxPly + 1> KifuPostal;  // "郵便"  7163
    std::array<std::string, kMaxPly + 1> KifuCoord;   // "座標"  g1f3
    std::array<std::array<std::string, kMaxPly + 1>, 7> KifuNote;  // [1..6][ply] postal boxes

    // The board on screen and in the setup dialog; "" or "\0" is an empty
    // square. ViewBoard[0][0] is a message slot between windows, not a square.
    std::array<std::array<std::string, 9>, 9> ViewBoard;
    bool SetupMode = false;

    // The move being entered: elements 1..4 from-file, from-rank, to-file,
    // to-rank of a mouse move, 5 the promotion letter; or the characters of a
    // move token, one per element.
    std::array<std::string, kMaxMoveInput + 1> MoveInput;
    int DragFile = 0, DragRank = 0, DropFile = 0, DropRank = 0;
    int PromoNumber = 4;  // n 1, b 2, r 3, q 4
    int ClockWhite = 0, ClockBlack = 0;
};

// New-game reset of the record, its postal notes included (the window resets
// its own flags and timer).
void ResetGame(GameState& game);

// The standard start at ply 0; CurPly = 0.
void SetStartPosition(GameState& game);

// True when the record's first ply is there but holds no move: the game
// starts with Black.
inline bool StartsWithBlack(const GameState& game) { return game.LastPly >= 1 && game.KifuCoord[1].empty(); }

// True when the game starts from the standard position: every square of ply 0
// as at the start, and White to move. A set-up position that differs only in
// the middle of the board, or gives Black the move, is no standard start: its
// files must carry the position.
bool IsStandardStart(const GameState& game);

// Starts a record from a set-up position. With Black to move, plies 0 and 1
// both hold the position, ply 1 has no move and Black's first move is ply 2.
void LoadSetupPosition(GameState& game, const Board& position, bool blackToMove);

// Empties the postal notes of plies first..last. A new record starts without
// notes, and plies that are discarded take theirs with them, so that an old
// note never turns up beside a new move.
void ClearNotes(GameState& game, int first, int last);

// The standard start position.
Board StandardStartBoard();

}  // namespace vorlik
