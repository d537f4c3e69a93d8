#include "MoveCommit.h"

#include "FenText.h"
#include "KifuTree.h"
#include "ModuleMekPGNRead.h"

#include <utility>

namespace vorlik {

namespace {

// A plain coordinate move starts with a file letter, a rank digit and a file
// letter; everything else (Nf3, O-O, the two characters of e4) is a token.
bool IsCoordinateMove(const std::string& text)
{
    return text.size() >= 3 && IsFileLetter(text[0]) && IsRankDigit(text[1]) && IsFileLetter(text[2]);
}

struct TriedMove {
    Board board;
    std::string coord, postal, shortText, longText;
};

// Runs the rules on one coordinate move. The texts start as the move was
// given, so that a "#" written in a token becomes the check mark.
bool TryMove(const GameState& game, int ply, const std::string& coord, const std::string& given,
             const MoveContext& context, TriedMove& tried)
{
    tried.board = game.KifuBoard[ply - 1];
    tried.coord = coord;
    tried.shortText = tried.longText = given;
    return CheckMove(tried.board, ply, tried.coord, tried.postal, tried.shortText, tried.longText,
                     PreviousPostal(game, ply), context);
}

// The move a text stands for as ply CurPly + 1, left in tried when legal.
MoveVerdict ResolveMove(const GameState& game, const std::string& input, const PromotionAsk* askPromotion,
                        TriedMove& tried)
{
    if (input.empty() || game.CurPly >= kMaxPly)
        return MoveVerdict::Illegal;
    const int ply = game.CurPly + 1;
    const MoveContext context{RecordHistory(game, ply), askPromotion};
    if (IsCoordinateMove(input)) {
        if (!TryMove(game, ply, input, input, context, tried))
            return MoveVerdict::Illegal;
        return MoveFits(game, tried.coord) == TreeResult::Done ? MoveVerdict::Legal : MoveVerdict::NoRoom;
    }
    // A token names one piece of its kind only when the others that reach
    // the square by geometry cannot legally go there (one of them pinned);
    // given to the first of two legal ones, a game would go on with the
    // wrong piece.
    TokenMoves moves;
    TranslateToken(game.KifuBoard[ply - 1], ply, input, moves);
    int legal = 0;
    TriedMove other;
    for (int k = 0; k < moves.count && legal < 2; ++k)
        legal += TryMove(game, ply, moves.coord[k], input, context, legal == 0 ? tried : other);
    if (legal == 1 && MoveFits(game, tried.coord) != TreeResult::Done)
        return MoveVerdict::NoRoom;
    return legal == 0 ? MoveVerdict::Illegal : legal == 1 ? MoveVerdict::Legal : MoveVerdict::Ambiguous;
}

}  // namespace

MoveVerdict JudgeMove(const GameState& game, const std::string& text)
{
    TriedMove tried;
    return ResolveMove(game, text, nullptr, tried);
}

bool CommitMove(GameState& game, const std::string& move, const PromotionAsk* askPromotion)
{
    // A token longer than the entry takes is refused whole, never cut to
    // one that reads as another move.
    if (move.size() > static_cast<std::size_t>(kMaxMoveText))
        return false;
    TriedMove tried;
    if (ResolveMove(game, move, askPromotion, tried) != MoveVerdict::Legal)
        return false;
    PlaceMove(game, PlayedMove{tried.board, std::move(tried.coord), std::move(tried.postal),
                               std::move(tried.shortText), std::move(tried.longText)});
    return true;
}

int AddLine(GameState& game, int ply, const std::vector<std::string>& moves)
{
    if (ply < 0 || ply > game.LastPly || moves.empty())
        return 0;
    const int lastNode = NodeAt(game, game.LastPly);
    const int shown = game.CurPly;
    GoToPly(game, ply);
    int placed = 0;
    for (const std::string& move : moves) {
        if (!CommitMove(game, move))
            break;
        ++placed;
    }
    ShowNode(game, lastNode);
    GoToPly(game, shown);
    return placed;
}

TreeResult ApplyAnnotations(GameState& game, const std::vector<MoveAnnotation>& marks)
{
    const int lastNode = NodeAt(game, game.LastPly);
    const int shown = game.CurPly;
    ShowNode(game, 0);  // the root and its first children: the main line
    for (const MoveAnnotation& mark : marks) {
        TreeResult result = SetComment(game, mark.ply, mark.comment);
        if (result == TreeResult::Done)
            result = SetNags(game, mark.ply, mark.nags);
        if (result != TreeResult::Done)
            return result;
        if (!mark.line.empty() && AddLine(game, mark.ply - 1, mark.line) < int(mark.line.size()) &&
            TreeMoves(game) >= kMaxTreeMoves)
            return TreeResult::TooManyMoves;
    }
    ShowNode(game, lastNode);
    GoToPly(game, shown);
    return TreeResult::Done;
}

std::string StartRecord(GameState& game, const std::string& fen)
{
    ResetGame(game);
    SetStartPosition(game);
    if (fen.empty())
        return "";
    Board board = game.KifuBoard[0];
    bool blackToMove = false;
    StartRights rights;
    const FenError error = ReadFenText(fen, board, blackToMove, &rights);
    if (error != FenError::None)
        return FenErrorText(error) + ": " + fen;
    LoadSetupPosition(game, board, blackToMove, rights);
    return "";
}

std::string PlayFromStart(GameState& game, const std::string& fen, const std::vector<std::string>& tokens)
{
    const std::string badFen = StartRecord(game, fen);
    if (!badFen.empty())
        return badFen;
    for (const std::string& token : tokens) {
        if (!CommitMove(game, token))
            return "指せない手です (refused move) " + std::to_string(game.CurPly + 1) + ": " + token;
    }
    return "";
}

}  // namespace vorlik
