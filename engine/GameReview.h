// The review of a whole game: every position of the main line analysed by an
// engine for a few seconds, one after the other; then each move gets the
// evaluation after it as its comment, and a move that loses too much against
// the engine's best gets "?" or "??" and the engine's line beside it. The
// record is changed once, when the review is complete, or not at all.
#pragma once

#include "EngineAnalysis.h"
#include "core/KifuTree.h"
#include "core/MoveCommit.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorlik {

class GameSession;

struct ReviewOptions {
    int msPerPosition = 1000;
    int mistakeCp = 50;   // a loss beyond it (in hundredths of a pawn) is "?"
    int blunderCp = 150;  // and beyond this "??"
};

// What the engine made of one position.
struct PositionVerdict {
    std::optional<EngineScore> score;  // from White's side; none when the engine said nothing
    std::vector<std::string> line;     // its best line from the position, coordinates
    std::string text;                  // what the comment says in place of the score ("" the score)
};

// Another judge of a position after `ply` of the main line than the engine
// (the endgame tables): its verdict, or none where it says nothing.
using TableJudge = std::function<std::optional<PositionVerdict>(const GameState& mainLine, int ply)>;

// The verdicts (as for MakeReviewPlan) of the positions the judge knows take
// the place of the engine's: it knows the result where the engine guesses.
void TakeTableVerdicts(const GameState& mainLine, std::vector<PositionVerdict>& verdicts, const TableJudge& judge);

// What the review writes on one move of the main line: its whole comment
// and marks after the review, and the engine's line from the position before.
using ReviewMark = MoveAnnotation;

// The evaluation a mover has in a position (from White's side, whiteMoved
// telling whose view to take), in hundredths of a pawn. Beyond ten pawns the
// game is decided: such scores, and mates, count as ten pawns.
int MoverValue(const EngineScore& score, bool whiteMoved);

// The comment a move gets: the user's own with the evaluation added (an
// evaluation at its end from an earlier review is replaced).
std::string ReviewComment(const std::string& userComment, const std::string& evaluation);

// The marks for the positions of the main line of game: verdicts[k] is that of
// the position after ply first + k, first being the main line's first
// position (0, or 1 in a game that starts with Black).
std::vector<ReviewMark> MakeReviewPlan(const GameState& mainLine, const std::vector<PositionVerdict>& verdicts,
                                       const ReviewOptions& options);

// What the summary says of the positions without a verdict, "" when there is
// none: verdicts as for MakeReviewPlan.
std::string UnjudgedText(const GameState& mainLine, const std::vector<PositionVerdict>& verdicts);

class GameReview : public QObject {
    Q_OBJECT
public:
    static constexpr int kReadyWaitMs = 30000;  // for the engine to say it is ready

    // The protocol and its engine are the review's alone while it runs; the
    // caller keeps them and ends the engine afterwards.
    GameReview(EngineProtocol& protocol, GameSession& session, QObject* parent = nullptr);

    // Reviews the main line of the session's record.
    void start(const ReviewOptions& options);
    // The positions the judge knows are its, not the engine's.
    void setTableJudge(TableJudge judge) { judge_ = std::move(judge); }
    // Stops at once; the record stays as it was. Nothing further is told.
    void cancel();
    bool running() const { return running_; }

signals:
    // Position `position` (1..positions) is being analysed.
    void progress(int position, int positions);
    // The review has been written into the record. unjudged names the
    // positions the engine said nothing of ("" when it judged every one).
    void finished(const QString& unjudged);
    // The review has stopped without touching the record; why, in the program's words.
    void failed(const QString& why);

private:
    void beginPositions();
    void stopPosition();
    void nextPosition();
    void takeVerdict();
    void complete();
    void fail(const QString& why);

    EngineProtocol& protocol_;
    GameSession& session_;
    EngineAnalysis analysis_;
    ReviewOptions options_;
    std::unique_ptr<GameState> mainLine_;
    std::vector<PositionVerdict> verdicts_;
    TableJudge judge_;
    int first_ = 0;  // the main line's first position
    int ply_ = 0;    // the position being analysed
    bool running_ = false;
    QTimer ready_, step_, answer_;  // the engine ready, the seconds, its answer to the stop
};

}  // namespace vorlik
