// The annotated record: every move played or considered, as a tree. The root
// is ply 0 (the start position); a node's first child continues its line, the
// others are alternatives to that first child, each beginning a line of its
// own. The record's arrays (CurPly, LastPly, KifuBoard, the four move texts,
// KifuNote) hold one line of it, the one on the board: root to LastPly. The
// functions here are the only ones that change the tree, and they keep the
// arrays equal to its nodes on that line.
#pragma once

#include <array>
#include <string>
#include <vector>

namespace vorlik {

struct GameState;

constexpr int kMaxVariationDepth = 50;     // variations nested inside each other
constexpr int kMaxTreeMoves = 10000;       // moves of one game, every line counted
constexpr std::size_t kMaxComment = 65536; // bytes of one comment

// One move of the record, or the root. A game that starts with Black has a
// node without a move at ply 1, as the arrays have.
//
// The move's texts, its board and its postal notes are stored once: in the
// arrays while the node is on the shown line (so a plain game's move costs
// what it cost before there was a tree), in the node while it is not. Node()
// gives a node with them filled in, wherever they are.
struct KifuNode {
    std::string Short, Long, Postal, Coord;  // as KifuShort .. KifuCoord
    std::array<std::array<char, 9>, 9> board{};  // the position after the move
    std::vector<std::string> notes;  // postal boxes 1..6 at 0..5; empty while all are
    std::string comment;        // after the move; the root's stands before the first move
    std::string commentBefore;  // before the move: a variation's first move may have one
    std::vector<unsigned char> nags;  // $1 .. $255 in the order given
    int ply = 0;
    int parent = -1;
    int firstChild = -1;
    int nextSibling = -1;
    int depth = 0;  // variations this move is nested in; 0 on the main line
};

// The nodes and the line on the board. Owned by GameState as Tree; read it
// through the functions below, change it only through them.
struct KifuTree {
    KifuTree();
    std::vector<KifuNode> nodes;        // [0] is the root; freed slots wait in freeSlots
    std::vector<int> freeSlots;
    std::array<int, 401> line{};        // node of each ply of the shown line, 0..LastPly
    int moves = 0;                      // live nodes besides the root
};

// Why a change of the record was refused. Done: it was made.
enum class TreeResult {
    Done,
    TooManyMoves,    // the game's tree holds kMaxTreeMoves already
    TooDeep,         // a variation would nest deeper than kMaxVariationDepth
    CommentTooLong,  // over kMaxComment bytes
    NoSuchPly,       // not a ply of the shown line (or one without a move)
    NotInVariation,  // the line is the main line there: nothing to promote or delete
    NoCheck,         // the last move gives no check to turn into mate
};

// The message the user is shown for a refusal; empty for Done.
std::string TreeResultText(TreeResult result);

// ---- reading ------------------------------------------------------------------

// Node id with its texts, board and notes, whether on the shown line or not.
KifuNode Node(const GameState& game, int id);
// Its coordinate text alone (cheaper): to tell the children of a node apart.
const std::string& NodeCoord(const GameState& game, int id);
// The node of ply `ply` of the shown line (0..LastPly), -1 outside it.
int NodeAt(const GameState& game, int ply);
// The children of a node in order: the line's continuation first.
std::vector<int> Children(const GameState& game, int id);
// Moves of the whole tree, every variation counted.
int TreeMoves(const GameState& game);
// True when plies 1..ply of the shown line are all first children: the postal
// boxes belong to such plies.
bool IsMainLine(const GameState& game, int ply);
// True when the record holds what a CSV file cannot: a variation, a comment
// or a mark.
bool HasAnnotations(const GameState& game);
// The same record with its main line on the board, CurPly where the shown
// line leaves the main line (or CurPly when it does not): the CSV save and
// the print of the main line.
GameState MainLineGame(const GameState& game);
// True when the arrays are the tree's nodes on the shown line (a path from
// the root, one node a ply, none of them holding texts of its own besides the
// arrays) and CurPly <= LastPly <= 400; for asserts and tests.
bool LineMatchesTree(const GameState& game);

// ---- the move gate --------------------------------------------------------------

// Whether a move with coordinate text coord may be committed at CurPly + 1:
// Done, or TooManyMoves / TooDeep when it would be a new node beyond a limit.
TreeResult MoveFits(const GameState& game, const std::string& coord);

// A move the rules have accepted at CurPly + 1, as CommitMove hands it over.
struct PlayedMove {
    std::array<std::array<char, 9>, 9> board;
    std::string coord, postal, shortText, longText;
};
// Used by CommitMove only: at the end of the shown line the move is appended
// (with the notes already written for its ply, as a continued game restores
// them before its moves); earlier, a move among the children is
// followed and the line goes on along first children; any other becomes the
// last alternative and the line ends at it. MoveFits must have said Done.
void PlaceMove(GameState& game, PlayedMove&& move);

// ---- changing the record ----------------------------------------------------------

// Moves the board along the shown line (0..LastPly, clamped); the record is
// untouched.
void GoToPly(GameState& game, int ply);
// Shows the line through node id: root to id, then on along first children;
// CurPly = the node's ply.
void ShowNode(GameState& game, int id);
// Cuts the shown line after ply `ply` (take-back, a move made after the
// record's later plies were given up): the nodes after it are deleted with
// their variations; CurPly = LastPly = ply. Alternatives at ply + 1 stay.
void TruncateLine(GameState& game, int ply);
// Makes the variation the shown line is in at ply `ply` the first child of its
// parent: one level nearer the main line. The shown line stays.
TreeResult PromoteVariation(GameState& game, int ply);
// Deletes the variation the shown line is in at ply `ply` (from its first
// move on); the board then shows the move it was an alternative to.
TreeResult DeleteVariation(GameState& game, int ply);

TreeResult SetComment(GameState& game, int ply, const std::string& text);
TreeResult SetCommentBefore(GameState& game, int ply, const std::string& text);
TreeResult SetNags(GameState& game, int ply, const std::vector<unsigned char>& nags);
// The comment after (or, before, in front of) node id, wherever it is: a
// reader fills each comment once, without moving the line on the board.
TreeResult SetNodeComment(GameState& game, int id, const std::string& text, bool before);
// Postal box k (1..6) of ply `ply` of the shown line.
TreeResult SetNote(GameState& game, int ply, int k, const std::string& text);
// Turns the last move's "+" into "#" in its short and long texts.
TreeResult MarkMate(GameState& game);

// Used by ResetGame, SetStartPosition and LoadSetupPosition: a tree of the root
// alone (and the empty ply 1 of a game that starts with Black), holding the
// start position of the arrays.
void ResetTree(GameState& game);

}  // namespace vorlik
