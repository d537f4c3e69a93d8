#include "EngineAnalysis.h"

#include "core/FenText.h"
#include "core/GameText.h"
#include "core/ModuleMekMoveCheck.h"
#include "core/ModuleMekPGNRead.h"

#include <algorithm>
#include <cstdlib>

namespace vorlik {

namespace {

const char kMinus[] = "\xE2\x88\x92";  // U+2212, the minus of a score

bool IsCoordinateMove(const std::string& token)
{
    if (token.size() != 4 && token.size() != 5)
        return false;
    return IsFileLetter(token[0]) && IsRankDigit(token[1]) && IsFileLetter(token[2]) && IsRankDigit(token[3]);
}

// The coordinate moves a token of the engine's line may be.
std::vector<std::string> Candidates(const Board& board, int ply, const std::string& token)
{
    if (IsCoordinateMove(token))
        return {token};
    TokenMoves moves;
    TranslateToken(board, ply, token, moves);
    return std::vector<std::string>(moves.coord, moves.coord + moves.count);
}

}  // namespace

std::string ScoreText(const EngineScore& score)
{
    if (score.kind == EngineScore::Kind::Mate) {
        const bool whiteMated = score.value < 0 || (score.value == 0 && score.matedWhite);
        return std::string("#") + (whiteMated ? kMinus : "") + std::to_string(std::abs(score.value));
    }
    if (score.value == 0)
        return "0.00";
    const int cp = std::abs(score.value);
    std::string hundredths = std::to_string(cp % 100);
    if (hundredths.size() < 2)
        hundredths.insert(0, "0");
    return std::string(score.value > 0 ? "+" : kMinus) + std::to_string(cp / 100) + "." + hundredths;
}

const std::vector<std::string>& LineMoves(const AnalysisLine& line, NotationStyle style)
{
    switch (style) {
    case kStyleLong: return line.longMoves;
    case kStylePostal: return line.postalMoves;
    case kStyleCoord: return line.coords;
    default: return line.moves;
    }
}

AnalysisRoot RootOf(const GameState& game, int ply)
{
    AnalysisRoot root;
    ply = std::clamp(ply, 0, game.LastPly);
    if (ply == 0 && StartsWithBlack(game))
        ply = 1;  // ply 1 of a game that starts with Black holds its start
    root.ply = ply;
    root.castling = game.Start.castling;
    root.history.assign(game.KifuBoard.begin(), game.KifuBoard.begin() + ply + 1);
    root.prevPostal = PreviousPostal(game, ply + 1);
    root.engine.start = game.KifuBoard[0];
    root.engine.blackToMoveAtStart = StartsWithBlack(game);
    root.engine.startFen = IsStandardStart(game) ? std::string() : WriteStartFen(game);
    for (int p = 1; p <= ply; ++p)
        if (!game.KifuCoord[p].empty())
            root.engine.moves.push_back(EngineMoveText(game.KifuCoord[p]));
    return root;
}

void PlayLine(const AnalysisRoot& root, const std::vector<std::string>& pv, AnalysisLine& line)
{
    line.moves.clear();
    line.coords.clear();
    line.longMoves.clear();
    line.postalMoves.clear();
    std::vector<Board> history = root.history;
    std::string prevPostal = root.prevPostal;
    int ply = root.ply;
    for (const std::string& token : pv) {
        bool played = false;
        for (const std::string& candidate : Candidates(history.back(), ply + 1, token)) {
            Board board = history.back();
            std::string coord = candidate, postal, shortText = candidate, longText = candidate;
            MoveContext context;
            context.history = {history.data(), static_cast<int>(history.size()), root.castling};
            if (!CheckMove(board, ply + 1, coord, postal, shortText, longText, prevPostal, context))
                continue;
            line.moves.push_back(shortText);
            line.coords.push_back(coord);
            line.longMoves.push_back(longText);
            line.postalMoves.push_back(postal);
            history.push_back(board);
            prevPostal = postal;
            ++ply;
            played = true;
            break;
        }
        if (!played)
            return;  // the rules refuse it: the line ends before it
    }
}

EngineAnalysis::EngineAnalysis(EngineProtocol& protocol, QObject* parent) : QObject(parent), protocol_(protocol)
{
    // Until a position is given, the standard start.
    root_.history = {StandardStartBoard()};
    root_.engine.start = StandardStartBoard();
    connect(&protocol_, &EngineProtocol::report, this, &EngineAnalysis::onReport);
    connect(&protocol_, &EngineProtocol::bestMove, this, &EngineAnalysis::onBestMove);
    connect(&protocol_, &EngineProtocol::stopped, this, &EngineAnalysis::onStopped);
    connect(&protocol_, &EngineProtocol::gone, this, &EngineAnalysis::onGone);
    connect(&protocol_, &EngineProtocol::positionRefused, this, &EngineAnalysis::onRefused);
}

void EngineAnalysis::setPosition(const GameState& game, int ply)
{
    root_ = RootOf(game, ply);
    refused_ = false;
    lateReports_ = false;  // the stopped position's last words are no longer wanted
    lines_.clear();
    best_.clear();
    if (running_) {
        sendPosition();
        emit linesChanged();
    }
}

void EngineAnalysis::sendPosition()
{
    // A king missing or a king in check with the other side to move: an engine
    // may crash on it, and has nothing to say of it anyway.
    const bool blackToMove = !root_.engine.WhiteToMove();
    if (CheckFenPosition(root_.history.back(), blackToMove) == FenError::None)
        protocol_.analyse(root_.engine);
    else
        protocol_.stop();
}

void EngineAnalysis::start()
{
    if (protocol_.isGone())
        return;
    running_ = true;
    stopping_ = false;
    protocol_.setLineCount(lineCount_);
    protocol_.start();
    sendPosition();
}

void EngineAnalysis::stop()
{
    if (!running_)
        return;
    running_ = false;
    stopping_ = true;
    lateReports_ = true;
    protocol_.stop();
}

void EngineAnalysis::setLineCount(int count)
{
    lineCount_ = std::clamp(count, 1, kMaxMultiPv);
    protocol_.setLineCount(lineCount_);
}

void EngineAnalysis::onReport(const AnalysisReport& report)
{
    if ((!running_ && !lateReports_) || refused_ || report.rank > lineCount_ || (report.score && report.score->bound))
        return;  // a bound is no evaluation: the line keeps its last exact one
    AnalysisLine line;
    line.rank = report.rank;
    line.depth = report.depth;
    line.score = report.score ? ScoreText(*report.score) : std::string();
    line.value = report.score;
    line.nodes = report.nodes;
    line.timeMs = report.timeMs;
    PlayLine(root_, report.pv, line);
    // A line whose first move the rules refuse was thought for another position.
    if (line.moves.empty() && !report.pv.empty())
        return;
    const auto at = std::find_if(lines_.begin(), lines_.end(), [&](const AnalysisLine& kept) { return kept.rank >= line.rank; });
    if (at != lines_.end() && at->rank == line.rank)
        *at = std::move(line);
    else
        lines_.insert(at, std::move(line));
    emit linesChanged();
}

void EngineAnalysis::onRefused()
{
    // The engine thinks about a position of its own making: nothing it says
    // is shown for this one.
    refused_ = true;
    lines_.clear();
    best_.clear();
    emit linesChanged();
}

void EngineAnalysis::onBestMove(const QString& move)
{
    if (refused_)
        return;
    AnalysisLine line;
    PlayLine(root_, {move.toStdString()}, line);
    best_ = line.coords.empty() ? std::string() : line.coords.front();
}

void EngineAnalysis::onStopped()
{
    lateReports_ = false;
    if (!stopping_)
        return;
    stopping_ = false;
    std::string best = best_;
    if (best.empty() && !lines_.empty() && lines_.front().rank == 1 && !lines_.front().coords.empty())
        best = lines_.front().coords.front();
    emit finished(QString::fromStdString(best));
}

void EngineAnalysis::onGone(const QString& why)
{
    const bool wasRunning = running_ || stopping_;
    running_ = false;
    stopping_ = false;
    lateReports_ = false;
    if (wasRunning)
        emit engineLost(why + QString::fromUtf8("解析を止めます。"));
}

}  // namespace vorlik
