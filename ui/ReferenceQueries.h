// The reference database's questions, asked off the window's thread: one
// thread with its own connection answers them in turn. A newer position
// makes the questions still waiting about an older one pointless: they are
// dropped before they run, and every answer carries the serial of its
// question, so that the panel keeps only the one it waits for.
#pragma once

#include "core/ModuleMekDim.h"
#include "database/PolyglotKey.h"
#include "database/PositionQuery.h"

#include <QObject>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vorlik {

// The position on the board as the index knows it.
struct BoardPosition {
    std::uint64_t key = 0;
    bool whiteToMove = true;
    bool operator==(const BoardPosition& other) const
    {
        return key == other.key && whiteToMove == other.whiteToMove;
    }
};
// The position of ply CurPly of the line on the board.
BoardPosition PositionOnBoard(const GameState& game);

struct ReferenceQuestion {
    enum class Kind { Open, Tree, Games, Game };
    Kind kind = Kind::Tree;
    std::uint64_t serial = 0;
    std::string file;        // Open
    BoardPosition position;  // Tree, Games
    QueryFilter filter;
    long offset = 0, limit = 0;  // Games (Tree: the first page's size)
    std::int64_t gameId = 0;     // Game
};

struct ReferenceAnswer {
    ReferenceQuestion question;
    bool ok = true;
    std::string error;
    TreeAnswer tree;               // Tree
    std::vector<GameRow> games;    // Tree (first page), Games
    std::string eco, opening;      // Tree: the name of the position, when it has one
    std::string kind, text;        // Game: its layout and text
};

class ReferenceQueries : public QObject {
    Q_OBJECT
public:
    explicit ReferenceQueries(QObject* parent = nullptr);
    ~ReferenceQueries() override;  // the question running ends first

    // Each returns the serial its answer will carry.
    std::uint64_t Open(const std::string& file);
    std::uint64_t AskTree(const BoardPosition& position, const QueryFilter& filter, long firstGames);
    std::uint64_t AskGames(const BoardPosition& position, const QueryFilter& filter, long offset, long limit);
    std::uint64_t AskGame(std::int64_t id);
    // The serial of the question asked last.
    std::uint64_t LastSerial()
    {
        std::lock_guard<std::mutex> hold(lock_);
        return serial_;
    }

    // Run on the answering thread once an answer is ready, before it is
    // sent: a test holds an answer back there until the window has moved on.
    std::function<void(const ReferenceAnswer&)> beforeSending;

signals:
    void Answered(const vorlik::ReferenceAnswer& answer);

private:
    std::uint64_t Ask(ReferenceQuestion question);
    void Run();
    ReferenceAnswer AnswerOf(const ReferenceQuestion& question);

    GameDatabase database_;  // only the answering thread touches it
    std::mutex lock_;
    std::condition_variable waiting_;
    std::deque<ReferenceQuestion> questions_;
    std::uint64_t serial_ = 0;
    bool stop_ = false;
    std::thread thread_;  // last: starts once everything above is made
};

}  // namespace vorlik
