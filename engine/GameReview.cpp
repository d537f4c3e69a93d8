#include "GameReview.h"

#include "core/GameEnd.h"
#include "core/MoveCommit.h"
#include "session/GameSession.h"

#include <algorithm>
#include <cctype>

namespace vorlik {

namespace {

constexpr int kDecidedCp = 1000;     // ten pawns: the game is decided
constexpr std::size_t kLineMoves = 10;  // of the engine's line, beside the played move
const char kMinus[] = "\xE2\x88\x92";

// "+0.35", "−1.20", "-1.20", "0.00", "#3", "#−2", "#-2": the words ScoreText
// writes, and the review's own with the ASCII minus.
bool IsEvaluationText(std::string word)
{
    if (word == "TB:1-0" || word == "TB:0-1" || word == "TB:1/2")  // the tables' verdicts
        return true;
    const std::size_t minus = word.find(kMinus);
    if (minus != std::string::npos)
        word.replace(minus, 3, "-");
    if (word.empty())
        return false;
    const bool mate = word[0] == '#';
    std::size_t at = mate ? 1 : 0;
    if (at < word.size() && (word[at] == '+' || word[at] == '-'))
        ++at;
    const std::size_t digits = at;
    while (at < word.size() && std::isdigit(static_cast<unsigned char>(word[at])))
        ++at;
    if (at == digits)
        return false;
    if (mate)
        return at == word.size();
    return word.size() - at == 3 && word[at] == '.' && std::isdigit(static_cast<unsigned char>(word[at + 1])) &&
           std::isdigit(static_cast<unsigned char>(word[at + 2]));
}

// What a move's comment says of the position after it: the score, but
// nothing for a mate on the board (the move's "#" says it). The minus is
// ASCII, as other programs read an evaluation in a comment.
std::string EvaluationText(const PositionVerdict& verdict)
{
    if (!verdict.text.empty())
        return verdict.text;
    const EngineScore& score = *verdict.score;
    if (score.kind == EngineScore::Kind::Mate && score.value == 0)
        return std::string();
    std::string text = ScoreText(score);
    const std::size_t minus = text.find(kMinus);
    if (minus != std::string::npos)
        text.replace(minus, 3, "-");
    return text;
}

// The position after `ply` judged by the rules alone, when no engine can
// think about it: mate or stalemate.
std::optional<PositionVerdict> VerdictByRule(const GameState& game, int ply)
{
    const GameEnd end = GameEndAt(game, ply);
    if (end != GameEnd::WhiteMates && end != GameEnd::BlackMates && end != GameEnd::Stalemate)
        return std::nullopt;
    PositionVerdict verdict;
    verdict.score = EngineScore{};
    if (end != GameEnd::Stalemate) {
        verdict.score->kind = EngineScore::Kind::Mate;
        verdict.score->matedWhite = end == GameEnd::BlackMates;
    }
    return verdict;
}

std::vector<unsigned char> MarksWith(std::vector<unsigned char> nags, unsigned char mark)
{
    // A move has one judgement: the review's takes the place of "!", "?" and the like.
    nags.erase(std::remove_if(nags.begin(), nags.end(), [](unsigned char nag) { return nag >= 1 && nag <= 6; }),
               nags.end());
    nags.insert(nags.begin(), mark);
    return nags;
}

// The marks of one move from the verdicts of the positions before and after it.
ReviewMark MarkMove(const GameState& game, int ply, const PositionVerdict& before, const PositionVerdict& after,
                    const ReviewOptions& options)
{
    const KifuNode node = Node(game, NodeAt(game, ply));
    ReviewMark mark;
    mark.ply = ply;
    const std::string evaluation = after.score ? EvaluationText(after) : std::string();
    mark.comment = evaluation.empty() ? node.comment : ReviewComment(node.comment, evaluation);
    mark.nags = node.nags;
    const bool engineChoice = !before.line.empty() && before.line.front() == game.KifuCoord[ply];
    if (!before.score || !after.score || engineChoice)
        return mark;
    const bool whiteMoved = ply % 2 == 1;
    const int loss = MoverValue(*before.score, whiteMoved) - MoverValue(*after.score, whiteMoved);
    if (loss <= options.mistakeCp)
        return mark;
    mark.nags = MarksWith(node.nags, loss > options.blunderCp ? 4 : 2);
    mark.line.assign(before.line.begin(), before.line.begin() + std::min(before.line.size(), kLineMoves));
    return mark;
}

// The plies 1..LastPly of the main line and where it starts.
bool SameMainLine(const GameState& a, const GameState& b)
{
    if (a.LastPly != b.LastPly || a.KifuBoard[0] != b.KifuBoard[0])
        return false;
    for (int ply = 1; ply <= a.LastPly; ++ply)
        if (a.KifuCoord[ply] != b.KifuCoord[ply])
            return false;
    return true;
}

}  // namespace

int MoverValue(const EngineScore& score, bool whiteMoved)
{
    int white = std::clamp(score.value, -kDecidedCp, kDecidedCp);
    if (score.kind == EngineScore::Kind::Mate)
        white = score.value > 0 || (score.value == 0 && !score.matedWhite) ? kDecidedCp : -kDecidedCp;
    return whiteMoved ? white : -white;
}

std::string ReviewComment(const std::string& userComment, const std::string& evaluation)
{
    const std::size_t end = userComment.find_last_not_of(" \n");
    if (end == std::string::npos)
        return evaluation;
    const std::size_t blank = userComment.find_last_of(" \n", end);
    const std::size_t word = blank == std::string::npos ? 0 : blank + 1;
    if (IsEvaluationText(userComment.substr(word, end + 1 - word)))
        return userComment.substr(0, word) + evaluation;
    return userComment.substr(0, end + 1) + " " + evaluation;
}

void TakeTableVerdicts(const GameState& mainLine, std::vector<PositionVerdict>& verdicts, const TableJudge& judge)
{
    if (!judge)
        return;
    const int first = StartsWithBlack(mainLine) ? 1 : 0;
    for (std::size_t k = 0; k < verdicts.size(); ++k) {
        if (std::optional<PositionVerdict> verdict = judge(mainLine, first + static_cast<int>(k)))
            verdicts[k] = std::move(*verdict);
    }
}

std::vector<ReviewMark> MakeReviewPlan(const GameState& mainLine, const std::vector<PositionVerdict>& verdicts,
                                       const ReviewOptions& options)
{
    const int first = StartsWithBlack(mainLine) ? 1 : 0;
    std::vector<ReviewMark> plan;
    for (int ply = first + 1; ply <= mainLine.LastPly && ply - first < int(verdicts.size()); ++ply) {
        const KifuNode node = Node(mainLine, NodeAt(mainLine, ply));
        ReviewMark mark = MarkMove(mainLine, ply, verdicts[ply - 1 - first], verdicts[ply - first], options);
        if (mark.comment != node.comment || mark.nags != node.nags || !mark.line.empty())
            plan.push_back(std::move(mark));
    }
    return plan;
}

std::string UnjudgedText(const GameState& mainLine, const std::vector<PositionVerdict>& verdicts)
{
    const int first = StartsWithBlack(mainLine) ? 1 : 0;
    std::string plies;
    int count = 0;
    for (std::size_t k = 0; k < verdicts.size(); ++k) {
        if (verdicts[k].score)
            continue;
        const int ply = first + static_cast<int>(k);
        plies += (count++ ? "、" : "") + (ply == 0 ? std::string("開始局面") : std::to_string(ply) + "手目の後");
    }
    if (count == 0)
        return std::string();
    return "エンジンは " + std::to_string(count) + " 局面（" + plies +
           "）について評価値を答えませんでした。その局面に至る手には評価値を書いていません。";
}

GameReview::GameReview(EngineProtocol& protocol, GameSession& session, QObject* parent)
    : QObject(parent), protocol_(protocol), session_(session), analysis_(protocol)
{
    ready_.setSingleShot(true);
    answer_.setSingleShot(true);
    step_.setSingleShot(true);
    step_.setTimerType(Qt::PreciseTimer);
    connect(&ready_, &QTimer::timeout, this,
            [this] { fail(QString::fromUtf8("エンジンが答えません。全手解析を中止しました。棋譜はそのままです。")); });
    // The seconds are the most a position is given; the review moves on only
    // when the engine has confirmed the stop, so its last report is in, however
    // slowly the machine runs.
    connect(&step_, &QTimer::timeout, this, &GameReview::stopPosition);
    connect(&answer_, &QTimer::timeout, this,
            [this] { fail(QString::fromUtf8("エンジンが答えません。全手解析を中止しました。棋譜はそのままです。")); });
    connect(&analysis_, &EngineAnalysis::finished, this, &GameReview::nextPosition);
    connect(&protocol_, &EngineProtocol::ready, this, &GameReview::beginPositions);
    connect(&protocol_, &EngineProtocol::gone, this, [this](const QString& why) {
        fail(why + QString::fromUtf8("全手解析を中止しました。棋譜はそのままです。"));
    });
}

void GameReview::start(const ReviewOptions& options)
{
    options_ = options;
    mainLine_ = std::make_unique<GameState>(MainLineGame(session_.Game()));
    first_ = StartsWithBlack(*mainLine_) ? 1 : 0;
    ply_ = first_;
    verdicts_.clear();
    if (mainLine_->LastPly <= first_) {
        emit failed(QString::fromUtf8("解析する手がありません。"));
        return;
    }
    running_ = true;
    analysis_.setPosition(*mainLine_, ply_);
    emit progress(1, mainLine_->LastPly - first_ + 1);
    ready_.start(kReadyWaitMs);
    analysis_.start();
}

void GameReview::cancel()
{
    if (!running_)
        return;
    running_ = false;
    ready_.stop();
    step_.stop();
    answer_.stop();
    analysis_.stop();
}

void GameReview::beginPositions()
{
    // The seconds count from the moment the engine is ready, not from its start.
    if (!running_ || !ready_.isActive())
        return;
    ready_.stop();
    step_.start(options_.msPerPosition);
}

void GameReview::stopPosition()
{
    answer_.start(kReadyWaitMs);
    analysis_.stop();
}

void GameReview::nextPosition()
{
    if (!running_ || !answer_.isActive())
        return;  // not a stop of the review's own
    answer_.stop();
    takeVerdict();
    if (++ply_ > mainLine_->LastPly) {
        complete();
        return;
    }
    if (const std::optional<PositionVerdict> verdict = VerdictByRule(*mainLine_, ply_)) {
        verdicts_.push_back(*verdict);  // mate or stalemate: the last position, nothing to think about
        ply_ = mainLine_->LastPly;
        complete();
        return;
    }
    analysis_.setPosition(*mainLine_, ply_);
    emit progress(ply_ - first_ + 1, mainLine_->LastPly - first_ + 1);
    analysis_.start();
    step_.start(options_.msPerPosition);
}

void GameReview::takeVerdict()
{
    PositionVerdict verdict;
    const std::vector<AnalysisLine>& lines = analysis_.lines();
    if (!lines.empty() && lines.front().rank == 1) {
        verdict.score = lines.front().value;
        verdict.line = lines.front().coords;
    }
    verdicts_.push_back(std::move(verdict));
}

void GameReview::complete()
{
    running_ = false;
    analysis_.stop();
    TakeTableVerdicts(*mainLine_, verdicts_, judge_);
    if (std::none_of(verdicts_.begin(), verdicts_.end(), [](const PositionVerdict& v) { return v.score.has_value(); })) {
        emit failed(QString::fromUtf8("エンジンから評価値が得られませんでした。棋譜はそのままです。"));
        return;
    }
    if (!SameMainLine(*mainLine_, MainLineGame(session_.Game()))) {
        emit failed(QString::fromUtf8("解析中に棋譜が変わったため、全手解析の結果は書き込みませんでした。"));
        return;
    }
    const std::vector<ReviewMark> plan = MakeReviewPlan(*mainLine_, verdicts_, options_);
    const TreeResult result = session_.Annotate(plan);
    if (result != TreeResult::Done) {
        emit failed(QString::fromStdString(TreeResultText(result)) +
                    QString::fromUtf8("全手解析の結果は書き込みませんでした。"));
        return;
    }
    emit finished(QString::fromStdString(UnjudgedText(*mainLine_, verdicts_)));
}

void GameReview::fail(const QString& why)
{
    if (!running_)
        return;
    cancel();
    emit failed(why);
}

}  // namespace vorlik
