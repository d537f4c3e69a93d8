#include "KifuTree.h"

#include "ModuleMekDim.h"

#include <algorithm>
#include <cassert>
#include <cctype>

namespace vorlik {

static_assert(std::tuple_size<decltype(KifuTree::line)>::value == kMaxPly + 1, "one node per ply of the line");

KifuTree::KifuTree() { nodes.emplace_back(); }

namespace {

constexpr int kFreeSlot = -1;  // the ply of a node that was deleted

KifuNode& NodeOf(GameState& game, int ply) { return game.Tree.nodes[game.Tree.line[ply]]; }

bool OnLine(const GameState& game, int id)
{
    const int ply = game.Tree.nodes[id].ply;
    return ply >= 0 && ply <= game.LastPly && game.Tree.line[ply] == id;
}

// A node made empty, its texts' room kept for the next move in it.
void Recycle(KifuNode& node)
{
    node.Short.clear();
    node.Long.clear();
    node.Postal.clear();
    node.Coord.clear();
    node.notes.clear();
    node.comment.clear();
    node.commentBefore.clear();
    node.nags.clear();
    node.ply = kFreeSlot;
    node.parent = node.firstChild = node.nextSibling = -1;
    node.depth = 0;
}

int NewNode(KifuTree& tree)
{
    if (tree.freeSlots.empty()) {
        tree.nodes.emplace_back();
        return static_cast<int>(tree.nodes.size()) - 1;
    }
    const int id = tree.freeSlots.back();
    tree.freeSlots.pop_back();
    return id;
}

// A node joins the line: its texts, board and notes go into the arrays.
void MoveIntoArrays(GameState& game, int ply, KifuNode& node)
{
    game.KifuBoard[ply] = node.board;
    game.KifuShort[ply] = std::move(node.Short);
    game.KifuLong[ply] = std::move(node.Long);
    game.KifuPostal[ply] = std::move(node.Postal);
    game.KifuCoord[ply] = std::move(node.Coord);
    for (int k = 1; k <= 6; ++k)
        game.KifuNote[k][ply] = node.notes.empty() ? std::string() : std::move(node.notes[k - 1]);
    node.Short.clear();
    node.Long.clear();
    node.Postal.clear();
    node.Coord.clear();
    node.notes.clear();
}

// A node leaves the line: it takes its texts, board and notes back.
void MoveOutOfArrays(GameState& game, int ply, KifuNode& node)
{
    node.board = game.KifuBoard[ply];
    node.Short = std::move(game.KifuShort[ply]);
    node.Long = std::move(game.KifuLong[ply]);
    node.Postal = std::move(game.KifuPostal[ply]);
    node.Coord = std::move(game.KifuCoord[ply]);
    node.notes.clear();
    for (int k = 1; k <= 6; ++k)
        if (!game.KifuNote[k][ply].empty())
            node.notes.resize(6);
    for (int k = 1; k <= 6 && !node.notes.empty(); ++k)
        node.notes[k - 1] = std::move(game.KifuNote[k][ply]);
    game.KifuShort[ply].clear();
    game.KifuLong[ply].clear();
    game.KifuPostal[ply].clear();
    game.KifuCoord[ply].clear();
    for (int k = 1; k <= 6; ++k)
        game.KifuNote[k][ply].clear();
}

bool SameCoord(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

int FindChild(const GameState& game, int parent, const std::string& coord)
{
    const KifuTree& tree = game.Tree;
    for (int c = tree.nodes[parent].firstChild; c >= 0; c = tree.nodes[c].nextSibling)
        if (SameCoord(NodeCoord(game, c), coord))
            return c;
    return -1;
}

void AppendChild(KifuTree& tree, int parent, int child)
{
    KifuNode& node = tree.nodes[child];
    node.parent = parent;
    node.ply = tree.nodes[parent].ply + 1;
    node.depth = tree.nodes[parent].depth;
    int* link = &tree.nodes[parent].firstChild;
    if (*link >= 0)
        ++node.depth;  // an alternative to the first child
    while (*link >= 0)
        link = &tree.nodes[*link].nextSibling;
    *link = child;
}

void Unlink(KifuTree& tree, int id)
{
    int* link = &tree.nodes[tree.nodes[id].parent].firstChild;
    while (*link != id)
        link = &tree.nodes[*link].nextSibling;
    *link = tree.nodes[id].nextSibling;
    tree.nodes[id].nextSibling = -1;
}

// Calls visit(node) for a node and everything below it; no recursion, a
// line may be hundreds of moves long.
template <typename Visit>
void ForSubtree(const KifuTree& tree, int id, Visit visit)
{
    std::vector<int> stack{id};
    while (!stack.empty()) {
        const int n = stack.back();
        stack.pop_back();
        for (int c = tree.nodes[n].firstChild; c >= 0; c = tree.nodes[c].nextSibling)
            stack.push_back(c);
        visit(n);
    }
}

// Deletes a node and everything below it; none of them may be on the line.
void DeleteSubtree(KifuTree& tree, int id)
{
    Unlink(tree, id);
    ForSubtree(tree, id, [&](int n) {
        Recycle(tree.nodes[n]);
        tree.freeSlots.push_back(n);
        --tree.moves;
    });
}

// The first ply at or before `ply` whose node is not its parent's first
// child: where the variation the line is in begins; 0 on the main line.
int VariationStart(const GameState& game, int ply)
{
    const KifuTree& tree = game.Tree;
    for (int q = ply; q >= 1; --q) {
        const int id = tree.line[q];
        if (tree.nodes[tree.nodes[id].parent].firstChild != id)
            return q;
    }
    return 0;
}

bool IsShownPly(const GameState& game, int ply) { return ply >= 0 && ply <= game.LastPly; }

bool HasMove(const GameState& game, int ply) { return ply >= 1 && !game.KifuCoord[ply].empty(); }

// Ends the line at ply `last`: the plies after it leave the arrays, into
// their nodes, or nowhere when they are being deleted (keep = false).
void ShortenLine(GameState& game, int last, bool keep)
{
    for (int ply = game.LastPly; ply > last; --ply) {
        if (keep) {
            MoveOutOfArrays(game, ply, NodeOf(game, ply));
        } else {
            ClearNotes(game, ply, ply);
        }
    }
    game.LastPly = std::min(game.LastPly, last);
}

}  // namespace

std::string TreeResultText(TreeResult result)
{
    switch (result) {
    case TreeResult::Done:
        return {};
    case TreeResult::TooManyMoves:
        return "1局の棋譜は変化手順を含めて10000手(半手)までです。これ以上は記録できません。";
    case TreeResult::TooDeep:
        return "変化手順の入れ子は50段までです。これ以上は記録できません。";
    case TreeResult::CommentTooLong:
        return "コメントは64KBまでです。";
    case TreeResult::NoSuchPly:
        return "その手はありません。";
    case TreeResult::NotInVariation:
        return "本譜の手です。変化手順ではありません。";
    case TreeResult::NoCheck:
        return "最後の手はチェックではありません。";
    }
    return {};
}

KifuNode Node(const GameState& game, int id)
{
    KifuNode node = game.Tree.nodes[id];
    if (OnLine(game, id)) {
        const int ply = node.ply;
        node.board = game.KifuBoard[ply];
        node.Short = game.KifuShort[ply];
        node.Long = game.KifuLong[ply];
        node.Postal = game.KifuPostal[ply];
        node.Coord = game.KifuCoord[ply];
        node.notes.clear();
        for (int k = 1; k <= 6; ++k)
            node.notes.push_back(game.KifuNote[k][ply]);
    }
    return node;
}

const std::string& NodeCoord(const GameState& game, int id)
{
    return OnLine(game, id) ? game.KifuCoord[game.Tree.nodes[id].ply] : game.Tree.nodes[id].Coord;
}

int NodeAt(const GameState& game, int ply) { return IsShownPly(game, ply) ? game.Tree.line[ply] : -1; }

std::vector<int> Children(const GameState& game, int id)
{
    std::vector<int> children;
    for (int c = game.Tree.nodes[id].firstChild; c >= 0; c = game.Tree.nodes[c].nextSibling)
        children.push_back(c);
    return children;
}

int TreeMoves(const GameState& game) { return game.Tree.moves; }

bool IsMainLine(const GameState& game, int ply)
{
    return IsShownPly(game, ply) && game.Tree.nodes[game.Tree.line[ply]].depth == 0;
}

bool HasAnnotations(const GameState& game)
{
    for (const KifuNode& node : game.Tree.nodes)
        if (node.ply != kFreeSlot &&
            (node.depth > 0 || !node.comment.empty() || !node.commentBefore.empty() || !node.nags.empty()))
            return true;
    return false;
}

GameState MainLineGame(const GameState& game)
{
    GameState main = game;
    int ply = game.CurPly;
    while (ply > 0 && !IsMainLine(game, ply))
        --ply;
    ShowNode(main, main.Tree.line[ply]);
    return main;
}

bool LineMatchesTree(const GameState& game)
{
    if (game.CurPly < 0 || game.CurPly > game.LastPly || game.LastPly > kMaxPly)
        return false;
    const KifuTree& tree = game.Tree;
    if (tree.line[0] != 0)
        return false;
    for (int ply = 0; ply <= game.LastPly; ++ply) {
        const int id = tree.line[ply];
        if (id < 0 || id >= static_cast<int>(tree.nodes.size()))
            return false;
        const KifuNode& node = tree.nodes[id];
        if (node.ply != ply || (ply > 0 && node.parent != tree.line[ply - 1]))
            return false;
        // Its texts are the arrays' now; a copy left behind would go stale.
        if (!node.Short.empty() || !node.Long.empty() || !node.Postal.empty() || !node.Coord.empty() ||
            !node.notes.empty())
            return false;
        // Only a game that starts with Black has a ply without a move, ply 1.
        if (ply > 0 && game.KifuCoord[ply].empty() && !(ply == 1 && node.parent == 0 && node.nextSibling < 0))
            return false;
    }
    return true;
}

TreeResult MoveFits(const GameState& game, const std::string& coord)
{
    const KifuTree& tree = game.Tree;
    const int parent = tree.line[game.CurPly];
    if (FindChild(game, parent, coord) >= 0)
        return TreeResult::Done;
    if (tree.moves >= kMaxTreeMoves)
        return TreeResult::TooManyMoves;
    const KifuNode& node = tree.nodes[parent];
    if (node.firstChild >= 0 && node.depth + 1 > kMaxVariationDepth)
        return TreeResult::TooDeep;
    return TreeResult::Done;
}

void PlaceMove(GameState& game, PlayedMove&& move)
{
    assert(game.CurPly < kMaxPly && game.CurPly <= game.LastPly);
    KifuTree& tree = game.Tree;
    const int ply = game.CurPly + 1;
    const int parent = tree.line[game.CurPly];
    const int existing = FindChild(game, parent, move.coord);
    if (existing >= 0) {
        const bool atEnd = game.CurPly == game.LastPly;
        ShowNode(game, existing);
        if (atEnd)
            ShortenLine(game, ply, true);  // a move made at the end of the line ends it there, as always
        return;
    }
    if (game.CurPly < game.LastPly) {
        ShortenLine(game, game.CurPly, true);
        ClearNotes(game, ply, ply);  // the notes there were the old line's
    }
    const int id = NewNode(tree);
    AppendChild(tree, parent, id);
    ++tree.moves;
    tree.line[ply] = id;
    game.KifuBoard[ply] = move.board;
    game.KifuCoord[ply] = std::move(move.coord);
    game.KifuPostal[ply] = std::move(move.postal);
    game.KifuShort[ply] = std::move(move.shortText);
    game.KifuLong[ply] = std::move(move.longText);
    game.CurPly = game.LastPly = ply;
}

void GoToPly(GameState& game, int ply) { game.CurPly = std::max(0, std::min(ply, game.LastPly)); }

void ShowNode(GameState& game, int id)
{
    KifuTree& tree = game.Tree;
    // The deepest ply the new line shares with the shown one.
    std::vector<int> path;
    int n = id;
    for (; n > 0 && !OnLine(game, n); n = tree.nodes[n].parent)
        path.push_back(n);
    const int shared = tree.nodes[n].ply;
    // The old line's plies after it, and then the new ones, change places.
    ShortenLine(game, shared, true);
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
        const int ply = tree.nodes[*it].ply;
        tree.line[ply] = *it;
        MoveIntoArrays(game, ply, tree.nodes[*it]);
        game.LastPly = ply;
    }
    for (int c = tree.nodes[game.Tree.line[game.LastPly]].firstChild; c >= 0 && game.LastPly < kMaxPly;
         c = tree.nodes[c].firstChild) {
        const int ply = game.LastPly + 1;
        tree.line[ply] = c;
        MoveIntoArrays(game, ply, tree.nodes[c]);
        game.LastPly = ply;
    }
    game.CurPly = tree.nodes[id].ply;
    assert(LineMatchesTree(game));
}

void TruncateLine(GameState& game, int ply)
{
    assert(IsShownPly(game, ply));
    if (ply < game.LastPly) {
        const int first = game.Tree.line[ply + 1];
        ShortenLine(game, ply, false);
        DeleteSubtree(game.Tree, first);
    }
    game.CurPly = ply;
}

TreeResult PromoteVariation(GameState& game, int ply)
{
    if (!IsShownPly(game, ply))
        return TreeResult::NoSuchPly;
    const int q = VariationStart(game, ply);
    if (q == 0)
        return TreeResult::NotInVariation;
    KifuTree& tree = game.Tree;
    const int id = tree.line[q];
    const int parent = tree.nodes[id].parent;
    const int oldFirst = tree.nodes[parent].firstChild;
    int deepest = 0;
    ForSubtree(tree, oldFirst, [&](int n) { deepest = std::max(deepest, tree.nodes[n].depth); });
    if (deepest + 1 > kMaxVariationDepth)
        return TreeResult::TooDeep;
    ForSubtree(tree, oldFirst, [&](int n) { ++tree.nodes[n].depth; });
    ForSubtree(tree, id, [&](int n) { --tree.nodes[n].depth; });
    Unlink(tree, id);
    tree.nodes[id].nextSibling = oldFirst;
    tree.nodes[parent].firstChild = id;
    return TreeResult::Done;
}

TreeResult DeleteVariation(GameState& game, int ply)
{
    if (!IsShownPly(game, ply))
        return TreeResult::NoSuchPly;
    const int q = VariationStart(game, ply);
    if (q == 0)
        return TreeResult::NotInVariation;
    KifuTree& tree = game.Tree;
    const int parent = tree.line[q - 1];
    TruncateLine(game, q - 1);
    ShowNode(game, tree.nodes[parent].firstChild);
    return TreeResult::Done;
}

TreeResult SetComment(GameState& game, int ply, const std::string& text)
{
    if (!IsShownPly(game, ply))
        return TreeResult::NoSuchPly;
    if (text.size() > kMaxComment)
        return TreeResult::CommentTooLong;
    NodeOf(game, ply).comment = text;
    return TreeResult::Done;
}

TreeResult SetCommentBefore(GameState& game, int ply, const std::string& text)
{
    if (!IsShownPly(game, ply) || !HasMove(game, ply))
        return TreeResult::NoSuchPly;
    if (text.size() > kMaxComment)
        return TreeResult::CommentTooLong;
    NodeOf(game, ply).commentBefore = text;
    return TreeResult::Done;
}

TreeResult SetNodeComment(GameState& game, int id, const std::string& text, bool before)
{
    if (id < 0 || id >= static_cast<int>(game.Tree.nodes.size()) || (before && id == 0))
        return TreeResult::NoSuchPly;
    if (text.size() > kMaxComment)
        return TreeResult::CommentTooLong;
    KifuNode& node = game.Tree.nodes[id];
    (before ? node.commentBefore : node.comment) = text;
    return TreeResult::Done;
}

TreeResult SetNags(GameState& game, int ply, const std::vector<unsigned char>& nags)
{
    if (!IsShownPly(game, ply) || !HasMove(game, ply))
        return TreeResult::NoSuchPly;
    NodeOf(game, ply).nags = nags;
    return TreeResult::Done;
}

TreeResult SetNote(GameState& game, int ply, int k, const std::string& text)
{
    if (!IsShownPly(game, ply) || k < 1 || k > 6)
        return TreeResult::NoSuchPly;
    game.KifuNote[k][ply] = text;
    return TreeResult::Done;
}

TreeResult MarkMate(GameState& game)
{
    const int last = game.LastPly;
    const auto plusShort = game.KifuShort[last].find('+');
    if (last < 1 || plusShort == std::string::npos)
        return TreeResult::NoCheck;
    game.KifuShort[last] = game.KifuShort[last].substr(0, plusShort) + "#";
    const auto plusLong = game.KifuLong[last].find('+');
    if (plusLong != std::string::npos)
        game.KifuLong[last] = game.KifuLong[last].substr(0, plusLong) + "#";
    return TreeResult::Done;
}

void ResetTree(GameState& game)
{
    assert(game.LastPly <= 1);
    KifuTree& tree = game.Tree;
    // Every node but the root is free again; the last ones first, so that a
    // new game takes its nodes in order.
    tree.freeSlots.clear();
    for (int id = static_cast<int>(tree.nodes.size()) - 1; id >= 0; --id) {
        Recycle(tree.nodes[id]);
        if (id > 0)
            tree.freeSlots.push_back(id);
    }
    tree.nodes[0].ply = 0;
    tree.moves = 0;
    tree.line[0] = 0;
    if (game.LastPly == 1) {
        const int empty = NewNode(tree);
        AppendChild(tree, 0, empty);
        tree.line[1] = empty;
    }
}

}  // namespace vorlik
