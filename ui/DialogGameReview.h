// 全手解析 in the window: the seconds a position and the threshold asked, then
// the review runs with its own engine behind a progress bar that can cancel
// it. The progress bar is modal to the main window, so neither the board nor
// the record can change while the review runs; the window keeps drawing.
#pragma once

#include "engine/EngineSettings.h"
#include "engine/GameReview.h"

#include <QDialog>

class QDoubleSpinBox;
class QLabel;
class QProgressDialog;
class QSpinBox;

namespace vorlik {

class GameSession;
class WindowServices;
struct EngineSettings;

class DialogGameReview : public QDialog {
    Q_OBJECT
public:
    explicit DialogGameReview(const QString& engineName, QWidget* parent = nullptr);

    // The options chosen; false when cancelled.
    bool Ask(ReviewOptions& options);

    QLabel* LabelEngine = nullptr;  // the engine that reviews
    QSpinBox* TextSeconds = nullptr;
    QDoubleSpinBox* TextThreshold = nullptr;  // in pawns; "??" at three times as much
};

// One review of the window's record, from the question to the annotated
// record; it deletes itself when it ends.
class GameReviewRun : public QObject {
    Q_OBJECT
public:
    // Asks the options and starts the analysis engine (the panel's choice;
    // gameEngine when there is none) in its own process, beside any other;
    // tells the user when it cannot. The positions judge knows (the endgame
    // tables) are judged by it instead of the engine.
    static void Start(QWidget* window, WindowServices& services, GameSession& session, const EngineConfig& gameEngine,
                      TableJudge judge = {});

private:
    GameReviewRun(QWidget* window, WindowServices& services, std::unique_ptr<EngineProtocol> engine,
                  GameSession& session);
    ~GameReviewRun() override;
    void showProgress(int position, int positions);
    // Closes the progress; why is told, as a failure or as a note on a finished review.
    void end(const QString& why, bool failed);

    QWidget* window_;
    WindowServices& services_;
    std::unique_ptr<EngineProtocol> engine_;
    GameReview review_;
    QProgressDialog* progress_;
};

}  // namespace vorlik
