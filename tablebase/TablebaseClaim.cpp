#include "TablebaseClaim.h"

namespace vorlik {

namespace {

const char* SideName(bool white) { return white ? "白" : "黒"; }

std::string GameLine(const TbClaimGame& game)
{
    std::string line = "対局 (game): 白 " + game.white + " − 黒 " + game.black;
    if (!game.event.empty())
        line += " (" + game.event + ")";
    return line;
}

// What is claimed, and, when the fifty-move rule turns the tables' result,
// why it is a draw.
std::vector<std::string> ClaimLines(const TbClaimGame& game)
{
    const bool white = game.whiteToMove;
    const std::string side = SideName(white);
    switch (game.result) {
    case TbResult::Win:
        return {"申告 (claim): " + side + "の勝ち (" + (white ? "White" : "Black") + " wins)"};
    case TbResult::Draw:
        return {"申告 (claim): 引き分け (draw)"};
    case TbResult::CursedWin:
        return {"申告 (claim): 引き分け (draw)",
                "理由 (reason): " + side + "の勝ちの局面ですが、50手規則までに勝ち切れません"
                " (won, but not before the fifty-move rule draws it)"};
    case TbResult::BlessedLoss:
        return {"申告 (claim): 引き分け (draw)",
                "理由 (reason): " + side + "の負けの局面ですが、50手規則によって引き分けです"
                " (lost, but the fifty-move rule draws it first)"};
    case TbResult::Loss: break;
    }
    return {};
}

}  // namespace

std::vector<std::string> TbClaimText(const TbClaimGame& game)
{
    std::vector<std::string> claim = ClaimLines(game);
    if (claim.empty())
        return {};
    std::vector<std::string> lines = {"終盤データベースによる申告 (tablebase claim)", GameLine(game),
                                      "局面 (position): " + game.fen};
    lines.insert(lines.end(), claim.begin(), claim.end());
    const std::string number = std::to_string(game.moveNumber) + (game.whiteToMove ? ". " : "... ");
    if (!game.move.empty())
        lines.push_back("提案する手 (move proposed): " + number + game.move);
    lines.push_back("DTZ: " + std::to_string(game.dtz) + " (次の駒取りかポーンの手までの半手数, plies to the next capture or pawn move)");
    return lines;
}

}  // namespace vorlik
