#include "UciEngine.h"

#include "EngineAnalysis.h"

#include <algorithm>
#include <utility>

namespace vorlik {

namespace {

// The next word, or none; a word that is not wanted is given back.
std::optional<std::string> NextWord(std::istringstream& words)
{
    std::string word;
    if (words >> word)
        return word;
    words.clear();
    return std::nullopt;
}

void GiveBack(std::istringstream& words, const std::string& word)
{
    words.clear();
    words.seekg(-static_cast<std::streamoff>(word.size()), std::ios_base::cur);
}

// The score words after "score": "cp N" or "mate N", then perhaps a bound.
// A word that does not belong to the score stays for the rest of the line.
std::optional<EngineScore> ReadScore(std::istringstream& words)
{
    const std::optional<std::string> unit = NextWord(words);
    if (!unit || (*unit != "cp" && *unit != "mate")) {
        if (unit)
            GiveBack(words, *unit);
        return std::nullopt;
    }
    const std::optional<std::string> number = NextWord(words);
    const std::optional<long long> value = number ? ReadEngineNumber(*number) : std::nullopt;
    if (!value) {
        if (number)
            GiveBack(words, *number);
        return std::nullopt;
    }
    EngineScore score;
    score.kind = *unit == "cp" ? EngineScore::Kind::Centipawns : EngineScore::Kind::Mate;
    score.value = static_cast<int>(std::clamp<long long>(*value, -1000000, 1000000));
    if (const std::optional<std::string> bound = NextWord(words)) {
        if (*bound == "lowerbound" || *bound == "upperbound")
            score.bound = true;
        else
            GiveBack(words, *bound);
    }
    return score;
}

// The move of a "bestmove" line; "(none)" and "0000" are no move (the side
// to move has none, or the engine is lost): "".
std::string ReadBestMove(std::istringstream& words)
{
    std::string move;
    words >> move;
    return move == "(none)" || move == "0000" ? std::string() : move;
}

std::optional<long long> NextNumber(std::istringstream& words)
{
    std::string word;
    words >> word;
    return ReadEngineNumber(word);
}

}  // namespace

std::string UciPositionCommand(const EnginePosition& pos)
{
    std::string command = pos.startFen.empty() ? "position startpos" : "position fen " + pos.startFen;
    if (!pos.moves.empty())
        command += " moves";
    for (const std::string& move : pos.moves)
        command += " " + move;
    return command;
}

std::string UciGoArguments(const std::string& level)
{
    static const char* const kGoWords[] = {"searchmoves", "ponder", "wtime",   "btime",   "winc",    "binc",
                                           "movestogo",   "depth",  "nodes",   "mate",    "movetime", "infinite"};
    std::istringstream words(level);
    std::string first;
    words >> first;
    for (const char* word : kGoWords)
        if (first == word)
            return level.substr(level.find_first_not_of(" \t"));
    return kUciDefaultGo;
}

void UciEngine::start()
{
    if (state_ != State::NotStarted)
        return;
    state_ = State::Starting;
    write("uci");
}

void UciEngine::analyse(const EnginePosition& pos)
{
    waiting_ = pos;
    goArguments_ = "infinite";
    playing_ = false;
    stopWanted_ = false;
    if (state_ == State::Idle) {
        sendPosition();
    } else if (state_ == State::Analysing) {
        write("stop");
        state_ = State::Stopping;  // the new position goes once "bestmove" confirms
    }
}

void UciEngine::stop()
{
    waiting_.reset();
    if (state_ == State::Analysing) {
        write("stop");
        state_ = State::Stopping;
    }
    if (state_ == State::Stopping)
        stopWanted_ = true;
    else if (state_ != State::Gone)
        emit stopped();  // nothing was being analysed
}

void UciEngine::play(const EnginePosition& pos, const std::string& goArguments)
{
    waiting_ = pos;
    goArguments_ = goArguments;
    playing_ = true;
    moveAtOnce_ = false;
    if (state_ == State::Idle)
        sendPosition();
}

void UciEngine::startGame(const std::string& level)
{
    level_ = level;
    start();
}

void UciEngine::newGame(const GameState& record, bool, GameHandOff) { record_ = &record; }

void UciEngine::opponentMove(const std::string&) { go(); }

void UciEngine::go()
{
    if (record_)
        play(RootOf(*record_, record_->LastPly).engine, UciGoArguments(level_));
}

void UciEngine::takeBack(int) {}

void UciEngine::moveNow()
{
    if (state_ == State::Playing)
        write("stop");  // its "bestmove" is the move
    else if (waiting_ && playing_)
        moveAtOnce_ = true;  // asked before the engine was ready: stopped as soon as it starts
}

void UciEngine::setLineCount(int count) { lineCount_ = std::clamp(count, 1, kMaxMultiPv); }

void UciEngine::quit()
{
    if (state_ == State::Analysing || state_ == State::Playing)
        write("stop");
    write("quit");
    state_ = State::Gone;
}

void UciEngine::sendPosition()
{
    const EnginePosition pos = *waiting_;
    waiting_.reset();
    if (lineCount_ != sentLineCount_) {
        write("setoption name MultiPV value " + std::to_string(lineCount_));
        sentLineCount_ = lineCount_;
    }
    write(UciPositionCommand(pos));
    write("go " + goArguments_);
    whiteToMove_ = pos.WhiteToMove();
    state_ = playing_ ? State::Playing : State::Analysing;
    if (std::exchange(moveAtOnce_, false) && playing_)
        write("stop");
}

void UciEngine::parseLine(const std::string& line)
{
    if (state_ == State::Gone || state_ == State::NotStarted)
        return;
    std::istringstream words(line);
    std::string first;
    words >> first;
    if (first == "uciok")
        onUciOk();
    else if (first == "readyok")
        onReadyOk();
    else if (first == "bestmove")
        onBestMove(words);
    else if (first == "info")
        onInfo(words);
}

void UciEngine::onUciOk()
{
    if (state_ != State::Starting)
        return;
    state_ = State::Syncing;
    if (!firstCommand_.empty())
        write(firstCommand_);
    write("ucinewgame");
    write("isready");
}

void UciEngine::onReadyOk()
{
    if (state_ != State::Syncing)
        return;
    state_ = State::Idle;
    emit ready();
    if (waiting_ && state_ == State::Idle)
        sendPosition();
}

void UciEngine::onBestMove(std::istringstream& words)
{
    if (state_ == State::Playing) {
        onMoveChosen(words);
        return;
    }
    if (state_ != State::Analysing && state_ != State::Stopping)
        return;
    const bool asked = state_ == State::Stopping;
    state_ = State::Idle;
    const std::string move = ReadBestMove(words);
    if (waiting_) {
        sendPosition();  // the stop was for a new position: its best move is stale
        return;
    }
    emit bestMove(QString::fromStdString(move));
    if (asked && stopWanted_)
        emit stopped();
    stopWanted_ = false;
}

void UciEngine::onMoveChosen(std::istringstream& words)
{
    state_ = State::Idle;
    const std::string move = ReadBestMove(words);
    if (move.empty())
        emit noMove();
    else
        emit moveMade(QString::fromStdString(move));
}

void UciEngine::onInfo(std::istringstream& words)
{
    // Between a stop and its "bestmove" the engine still speaks of the position
    // it was given, unless the stop was for a new one.
    const bool lastWords = state_ == State::Stopping && !waiting_;
    if (state_ != State::Analysing && state_ != State::Playing && !lastWords)
        return;  // thinking about a position already left
    AnalysisReport parsed;
    bool hasLine = false;
    std::string word;
    while (words >> word) {
        if (word == "depth") {
            parsed.depth = static_cast<int>(std::clamp<long long>(NextNumber(words).value_or(0), 0, 999));
        } else if (word == "multipv") {
            parsed.rank = static_cast<int>(std::clamp<long long>(NextNumber(words).value_or(1), 1, 999));
        } else if (word == "score") {
            if (const std::optional<EngineScore> score = ReadScore(words))
                parsed.score = WhiteScore(*score, whiteToMove_);
            hasLine = true;
        } else if (word == "nodes") {
            parsed.nodes = std::max(-1LL, NextNumber(words).value_or(-1));
        } else if (word == "time") {
            parsed.timeMs = std::max(-1LL, NextNumber(words).value_or(-1));
        } else if (word == "pv") {
            while (parsed.pv.size() < std::size_t(kMaxPvMoves) && words >> word)
                parsed.pv.push_back(word);
            hasLine = true;
            break;  // the rest of the line is the line itself
        } else if (word == "string") {
            return;  // talk, no thinking
        }
    }
    if (hasLine)
        emit report(parsed);
}

}  // namespace vorlik
