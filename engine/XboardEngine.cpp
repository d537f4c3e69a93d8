#include "XboardEngine.h"

#include <algorithm>
#include <climits>
#include <sstream>
#include <utility>

namespace vorlik {

namespace {

constexpr long long kXboardMate = 100000;

// The features of a "feature" line: name=value pairs, a value perhaps quoted.
std::vector<std::pair<std::string, std::string>> ReadFeatures(const std::string& line)
{
    std::vector<std::pair<std::string, std::string>> features;
    std::size_t at = line.find("feature") + 7;
    while (at < line.size()) {
        while (at < line.size() && line[at] == ' ')
            ++at;
        const std::size_t equals = line.find('=', at);
        if (equals == std::string::npos)
            break;
        const std::string name = line.substr(at, equals - at);
        std::size_t end;
        std::string value;
        if (equals + 1 < line.size() && line[equals + 1] == '"') {
            end = line.find('"', equals + 2);
            end = end == std::string::npos ? line.size() : end;
            value = line.substr(equals + 2, end - equals - 2);
            ++end;
        } else {
            end = std::min(line.find(' ', equals), line.size());
            value = line.substr(equals + 1, end - equals - 1);
        }
        features.emplace_back(name, value);
        at = end;
    }
    return features;
}

bool IsMoveNumber(const std::string& word) { return !word.empty() && word[0] >= '0' && word[0] <= '9'; }

// A number an engine may follow with a mark ("12." or "7&").
std::optional<long long> LeadingNumber(std::string word)
{
    while (!word.empty() && !(word.back() >= '0' && word.back() <= '9'))
        word.pop_back();
    return ReadEngineNumber(word);
}

}  // namespace

EngineScore XboardScore(long long value)
{
    EngineScore score;
    if (value >= kXboardMate || value <= -kXboardMate) {
        score.kind = EngineScore::Kind::Mate;
        const long long moves = std::min<long long>((value < 0 ? -value : value) - kXboardMate, 1000);
        score.value = static_cast<int>(value < 0 ? -moves : moves);
    } else {
        score.value = static_cast<int>(std::clamp<long long>(value, -kMaxScoreCp, kMaxScoreCp));
    }
    return score;
}

XboardEngine::XboardEngine(QObject* parent) : EngineProtocol(parent)
{
    featureWait_.setSingleShot(true);
    connect(&featureWait_, &QTimer::timeout, this, &XboardEngine::becomeReady);
}

void XboardEngine::start()
{
    if (state_ != State::NotStarted)
        return;
    state_ = State::Starting;
    write("xboard");
    write("protover 2");
    if (!firstCommand_.empty())
        write(firstCommand_);
    featureWait_.start(kFeatureWaitMs);
}

void XboardEngine::becomeReady()
{
    if (state_ != State::Starting)
        return;
    featureWait_.stop();
    state_ = State::Idle;
    emit ready();
    if (waiting_ && state_ == State::Idle)
        analyseWaiting();
}

void XboardEngine::analyse(const EnginePosition& pos)
{
    waiting_ = pos;
    if (state_ == State::Syncing || state_ == State::Analysing)
        write("exit");
    if (state_ == State::Idle || state_ == State::Syncing || state_ == State::Analysing || state_ == State::Stopping)
        analyseWaiting();
}

void XboardEngine::stop()
{
    waiting_.reset();
    if (state_ == State::Syncing || state_ == State::Analysing) {
        write("exit");
        if (ping_) {
            sendPing(State::Stopping);
            return;
        }
        state_ = State::Idle;
    }
    if (state_ != State::Stopping && state_ != State::Gone)
        emit stopped();
}

void XboardEngine::quit()
{
    if (state_ == State::Syncing || state_ == State::Analysing)
        write("exit");
    write("quit");
    state_ = State::Gone;
    featureWait_.stop();
}

void XboardEngine::enterGone()
{
    state_ = State::Gone;
    featureWait_.stop();
}

void XboardEngine::sendPing(State next)
{
    write("ping " + std::to_string(++pingSent_));
    state_ = next;
}

void XboardEngine::analyseWaiting()
{
    const EnginePosition pos = *waiting_;
    waiting_.reset();
    write("new");
    write("force");
    setUp(pos);
    for (const std::string& move : pos.moves)
        write(usermove_ ? "usermove " + move : move);
    whiteToMove_ = pos.WhiteToMove();
    // Everything before the pong belongs to the position left.
    if (ping_)
        sendPing(State::Syncing);
    else
        state_ = State::Analysing;
    write("post");
    write("analyze");
}

void XboardEngine::setUp(const EnginePosition& pos)
{
    if (pos.startFen.empty())
        return;
    if (setboard_) {
        write("setboard " + pos.startFen);
        return;
    }
    editPosition(pos.start, pos.blackToMoveAtStart);
}

void XboardEngine::startGame(const std::string& levelCommand)
{
    if (state_ != State::NotStarted)
        return;
    state_ = State::Playing;
    if (!firstCommand_.empty())
        write(firstCommand_);
    write("new");
    if (!levelCommand.empty())
        write(levelCommand);
}

void XboardEngine::setReplyRules(const std::string& movePrefix, const std::string& errorText)
{
    movePrefix_ = movePrefix;
    errorText_ = errorText;
}

void XboardEngine::newGame(const GameState& record, bool playsWhite, GameHandOff handOff)
{
    record_ = &record;
    if (handOff == GameHandOff::Board) {
        editPosition(record.KifuBoard[record.CurPly], IsWhitePly(record.LastPly));
    } else if (record.CurPly > 0) {
        write("force");
        for (int ply = 1; ply <= record.CurPly; ++ply)
            write(EngineMoveText(record.KifuCoord[ply]));
    } else {
        return;  // after "new" the engine answers the first move itself
    }
    // Fairy-Max and others stay silent after a hand-off until told "go".
    const bool whiteToMove = !IsWhitePly(record.CurPly);
    goAfterNextMove_ = whiteToMove != playsWhite;
}

void XboardEngine::opponentMove(const std::string& coord)
{
    write(EngineMoveText(coord));
    if (std::exchange(goAfterNextMove_, false))
        write("go");
}

void XboardEngine::go() { write("go"); }

void XboardEngine::moveNow()
{
    write("?");
    moveNowAsked_ = true;
}

void XboardEngine::takeBack(int plies) { write(plies == 2 ? "remove" : "undo"); }

void XboardEngine::setLevel(const std::string& levelCommand)
{
    if (!levelCommand.empty())
        write(levelCommand);
}

void XboardEngine::onGameLine(const std::string& line)
{
    const ReplyRules rules{movePrefix_, errorText_, record_ ? record_->CurPly : 0};
    const EngineReply reply = ReadEngineLine(line, rules);
    if (reply.kind == ReplyKind::Error) {
        // An engine that does not know "?" may say so in words that read as
        // an error ("Error (unknown command): ?"); that refuses no move.
        if (moveNowAsked_ && line.find('?') != std::string::npos) {
            moveNowAsked_ = false;
            return;
        }
        emit error(QString::fromStdString(line));
        return;
    }
    if (reply.kind == ReplyKind::Move)
        emit moveMade(QString::fromStdString(reply.move));
    if (reply.resign || reply.result == "mates")
        emit resultClaimed(QString());
    else if (!reply.result.empty())
        emit resultClaimed(QString::fromStdString(reply.result));
}

void XboardEngine::editPosition(const Board& board, bool blackToMove)
{
    write("edit");
    write("#");
    for (const bool white : {true, false}) {
        if (!white)
            write("c");
        for (int file = 1; file <= 8; ++file)
            for (int rank = 1; rank <= 8; ++rank) {
                const char piece = board[file][rank];
                if (IsPiece(piece) && IsWhitePiece(piece) == white)
                    write(std::string{UpperPiece(piece), FileLetter(file), RankDigit(rank)});
            }
    }
    write(".");
    if (blackToMove)
        write("black");
}

void XboardEngine::parseLine(const std::string& line)
{
    if (state_ == State::Playing) {
        onGameLine(line);
        return;
    }
    if (state_ == State::Gone || state_ == State::NotStarted)
        return;
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "feature")
        onFeatures(line);
    else if (first == "pong")
        onPong(words);
    else if (first == "Illegal" || first.rfind("Error", 0) == 0)
        onRefusal(line);
    else if (LeadingNumber(first))
        onPost(line);
}

void XboardEngine::onFeatures(const std::string& line)
{
    for (const auto& [name, value] : ReadFeatures(line)) {
        const bool on = value == "1";
        if (name == "ping")
            ping_ = on;
        else if (name == "setboard")
            setboard_ = on;
        else if (name == "usermove")
            usermove_ = on;
        else if (name == "done" && state_ == State::Starting) {
            if (on)
                becomeReady();
            else
                featureWait_.start(kLongFeatureWaitMs);
        }
    }
}

void XboardEngine::onRefusal(const std::string& line)
{
    emit error(QString::fromStdString(line));
    // Without ping the refusal can only be taken as the newest setup's.
    const bool newest = !ping_ || (state_ == State::Syncing && pongSeen_ + 1 == pingSent_);
    if (newest)
        emit positionRefused();
}

void XboardEngine::onPong(std::istringstream& words)
{
    std::string number;
    words >> number;
    const std::optional<long long> pong = ReadEngineNumber(number);
    if (pong && *pong > pongSeen_ && *pong <= pingSent_)
        pongSeen_ = static_cast<int>(*pong);
    if (pong != pingSent_)
        return;  // an older ping's: the newest one still stands
    if (state_ == State::Syncing) {
        state_ = State::Analysing;
    } else if (state_ == State::Stopping) {
        state_ = State::Idle;
        emit stopped();
    }
}

void XboardEngine::onPost(const std::string& line)
{
    // Until the pong that follows "exit" the engine still speaks of the
    // position it analysed; a new position always passes through Syncing.
    if (state_ != State::Analysing && state_ != State::Stopping)
        return;
    std::istringstream words(line);
    std::string depth, score, time, nodes;
    if (!(words >> depth >> score))
        return;
    words >> time >> nodes;
    AnalysisReport parsed;
    parsed.depth = static_cast<int>(std::clamp<long long>(LeadingNumber(depth).value_or(0), 0, 999));
    if (const std::optional<long long> value = LeadingNumber(score))
        parsed.score = WhiteScore(XboardScore(*value), whiteToMove_);
    if (const std::optional<long long> centiseconds = LeadingNumber(time))
        parsed.timeMs = std::clamp<long long>(*centiseconds, 0, LLONG_MAX / 10) * 10;
    parsed.nodes = std::max(-1LL, LeadingNumber(nodes).value_or(-1));
    std::string word;
    while (parsed.pv.size() < std::size_t(kMaxPvMoves) && words >> word)
        if (!IsMoveNumber(word))
            parsed.pv.push_back(word);
    emit report(parsed);
}

}  // namespace vorlik
