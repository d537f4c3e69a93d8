#include "ReferenceQueries.h"

#include "database/PolyglotKey.h"

#include <QMetaObject>

#include <algorithm>

namespace vorlik {

BoardPosition PositionOnBoard(const GameState& game)
{
    const int first = StartsWithBlack(game) ? 1 : 0;
    const int ply = std::max(game.CurPly, first);
    // The castling rights are those left after every move before.
    int castling = game.Start.castling;
    PositionState state;
    for (int p = first; p <= ply; ++p) {
        state = StateAfter(game, p, castling);
        castling = state.castling;
    }
    return {PolyglotKey(game.KifuBoard[ply], state), state.whiteToMove};
}

ReferenceQueries::ReferenceQueries(QObject* parent) : QObject(parent), thread_([this] { Run(); }) {}

ReferenceQueries::~ReferenceQueries()
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        stop_ = true;
        questions_.clear();
    }
    waiting_.notify_one();
    thread_.join();
}

std::uint64_t ReferenceQueries::Open(const std::string& file)
{
    ReferenceQuestion question;
    question.kind = ReferenceQuestion::Kind::Open;
    question.file = file;
    return Ask(question);
}

std::uint64_t ReferenceQueries::AskTree(const BoardPosition& position, const QueryFilter& filter, long firstGames)
{
    ReferenceQuestion question;
    question.position = position;
    question.filter = filter;
    question.limit = firstGames;
    return Ask(question);
}

std::uint64_t ReferenceQueries::AskGames(const BoardPosition& position, const QueryFilter& filter, long offset,
                                         long limit)
{
    ReferenceQuestion question;
    question.kind = ReferenceQuestion::Kind::Games;
    question.position = position;
    question.filter = filter;
    question.offset = offset;
    question.limit = limit;
    return Ask(question);
}

std::uint64_t ReferenceQueries::AskGame(std::int64_t id)
{
    ReferenceQuestion question;
    question.kind = ReferenceQuestion::Kind::Game;
    question.gameId = id;
    return Ask(question);
}

std::uint64_t ReferenceQueries::Ask(ReferenceQuestion question)
{
    std::lock_guard<std::mutex> hold(lock_);
    question.serial = ++serial_;
    // A new position or a new database: nothing still waiting about the old one is wanted.
    if (question.kind == ReferenceQuestion::Kind::Tree || question.kind == ReferenceQuestion::Kind::Open)
        questions_.erase(std::remove_if(questions_.begin(), questions_.end(),
                                        [](const ReferenceQuestion& waiting) {
                                            return waiting.kind == ReferenceQuestion::Kind::Tree ||
                                                   waiting.kind == ReferenceQuestion::Kind::Games;
                                        }),
                         questions_.end());
    questions_.push_back(std::move(question));
    waiting_.notify_one();
    return serial_;
}

void ReferenceQueries::Run()
{
    for (;;) {
        ReferenceQuestion question;
        {
            std::unique_lock<std::mutex> hold(lock_);
            waiting_.wait(hold, [this] { return stop_ || !questions_.empty(); });
            if (stop_)
                return;
            question = std::move(questions_.front());
            questions_.pop_front();
        }
        ReferenceAnswer answer = AnswerOf(question);
        if (beforeSending)
            beforeSending(answer);
        // Told on the window's thread, where the panel lives.
        QMetaObject::invokeMethod(this, [this, answer = std::move(answer)] { emit Answered(answer); },
                                  Qt::QueuedConnection);
    }
}

ReferenceAnswer ReferenceQueries::AnswerOf(const ReferenceQuestion& question)
{
    ReferenceAnswer answer;
    answer.question = question;
    using Kind = ReferenceQuestion::Kind;
    if (question.kind == Kind::Open) {
        database_.Close();
        answer.ok = database_.Open(question.file, GameDatabase::Mode::ReadOnly, answer.error);
        if (!answer.ok)
            database_.Close();
        else
            database_.KeepFactsInMemory();  // a panel asks many questions: the games' facts read once
        return answer;
    }
    if (!database_.Handle()) {
        answer.ok = false;
        answer.error = "参考データベースが開かれていません。";
        return answer;
    }
    const BoardPosition& at = question.position;
    switch (question.kind) {
    case Kind::Tree:
        answer.ok = QueryTree(database_, at.key, at.whiteToMove, question.filter, answer.tree, answer.error) &&
                    QueryGames(database_, at.key, at.whiteToMove, question.filter, question.limit, 0, answer.games,
                               answer.error);
        if (answer.ok)
            database_.FindOpening(at.key, answer.eco, answer.opening);
        break;
    case Kind::Games:
        answer.ok = QueryGames(database_, at.key, at.whiteToMove, question.filter, question.limit, question.offset,
                               answer.games, answer.error);
        break;
    case Kind::Game:
        answer.ok = ReadStoredGame(database_, question.gameId, answer.kind, answer.text);
        if (!answer.ok)
            answer.error = "参考データベースにこのゲームがありません。";
        break;
    case Kind::Open:
        break;
    }
    return answer;
}

}  // namespace vorlik
