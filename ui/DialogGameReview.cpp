#include "DialogGameReview.h"

#include "AnalysisPanel.h"
#include "engine/EngineGame.h"
#include "WindowServices.h"
#include "engine/EngineBuilder.h"
#include "session/GameSession.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>

#include <cmath>

namespace vorlik {

namespace {

// A second a position: a game of 80 plies is reviewed in under a minute and a
// half, deep enough for a strong engine to see a piece left hanging.
constexpr int kDefaultSeconds = 1;
// Half a pawn: less is within what the engine's evaluation of two
// neighbouring positions wobbles by in a second's thought.
constexpr double kDefaultThreshold = 0.5;
constexpr int kBlunderTimes = 3;  // "??" at a pawn and a half: a pawn lost is still a "?"

}  // namespace

DialogGameReview::DialogGameReview(const QString& engineName, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DialogGameReview"));
    setWindowTitle(QStringLiteral("全手解析"));
    TextSeconds = new QSpinBox(this);
    TextSeconds->setObjectName(QStringLiteral("TextSeconds"));
    TextSeconds->setRange(1, 600);
    TextSeconds->setValue(kDefaultSeconds);
    TextSeconds->setSuffix(QStringLiteral(" 秒"));
    TextThreshold = new QDoubleSpinBox(this);
    TextThreshold->setObjectName(QStringLiteral("TextThreshold"));
    TextThreshold->setRange(0.1, 9.9);
    TextThreshold->setDecimals(1);
    TextThreshold->setSingleStep(0.1);
    TextThreshold->setValue(kDefaultThreshold);
    TextThreshold->setSuffix(QStringLiteral(" ポーン"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QStringLiteral("開始"), QDialogButtonBox::AcceptRole)->setObjectName(QStringLiteral("OKButton"));
    buttons->addButton(QStringLiteral("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("CancelButton"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    // The analysis panel's engine, which may not be the game's: named, so the user knows who judges.
    LabelEngine = new QLabel(engineName, this);
    LabelEngine->setObjectName(QStringLiteral("LabelEngine"));
    layout->addRow(QStringLiteral("エンジン："), LabelEngine);
    layout->addRow(QStringLiteral("1局面の解析時間："), TextSeconds);
    layout->addRow(QStringLiteral("悪手（?）とする損失："), TextThreshold);
    layout->addRow(new QLabel(QStringLiteral("その3倍を超える損失は大悪手（??）とします。"), this));
    layout->addRow(buttons);
}

bool DialogGameReview::Ask(ReviewOptions& options)
{
    if (exec() != QDialog::Accepted)
        return false;
    options.msPerPosition = TextSeconds->value() * 1000;
    options.mistakeCp = static_cast<int>(std::lround(TextThreshold->value() * 100));
    options.blunderCp = options.mistakeCp * kBlunderTimes;
    return true;
}

void GameReviewRun::Start(QWidget* window, WindowServices& services, GameSession& session, const EngineConfig& gameEngine,
                          TableJudge judge)
{
    EngineConfig config;
    if (!ChooseAnalysisEngine(services, gameEngine, config)) {
        services.ShowMessage(window, QString::fromUtf8(kEngineNotConfigured), QStringLiteral("注意"),
                             MessageIcon::Warning, MessageButtons::Ok);
        return;
    }
    ReviewOptions options;
    DialogGameReview ask(QString::fromStdString(config.EngSet.Name), window);
    if (!ask.Ask(options))
        return;
    std::string error;
    std::unique_ptr<EngineProtocol> engine = StartEngine(config.EngSet, services.ProgramFolder(), error);
    if (!engine) {
        services.ShowMessage(window, QString::fromStdString(error) + QStringLiteral("。全手解析はできません。"),
                             QStringLiteral("警告"), MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    auto* run = new GameReviewRun(window, services, std::move(engine), session);
    run->review_.setTableJudge(std::move(judge));
    run->review_.start(options);
}

GameReviewRun::GameReviewRun(QWidget* window, WindowServices& services, std::unique_ptr<EngineProtocol> engine,
                             GameSession& session)
    : QObject(window), window_(window), services_(services), engine_(std::move(engine)),
      review_(*engine_, session), progress_(new QProgressDialog(window))
{
    progress_->setObjectName(QStringLiteral("DialogGameReviewProgress"));
    progress_->setWindowTitle(QStringLiteral("全手解析"));
    progress_->setCancelButtonText(QStringLiteral("中止"));
    progress_->setWindowModality(Qt::WindowModal);  // the record stays as it is meanwhile
    progress_->setAutoClose(false);
    progress_->setAutoReset(false);
    progress_->setMinimumDuration(0);
    connect(progress_, &QProgressDialog::canceled, this, [this] {
        review_.cancel();
        end(QString(), false);
    });
    connect(&review_, &GameReview::progress, this, &GameReviewRun::showProgress);
    connect(&review_, &GameReview::finished, this, [this](const QString& unjudged) { end(unjudged, false); });
    connect(&review_, &GameReview::failed, this, [this](const QString& why) { end(why, true); });
    progress_->open();
}

GameReviewRun::~GameReviewRun()
{
    if (engine_ && !engine_->isGone())
        engine_->quit();
}

void GameReviewRun::showProgress(int position, int positions)
{
    progress_->setMaximum(positions);
    progress_->setValue(position - 1);
    progress_->setLabelText(QStringLiteral("局面 %1 / %2 を解析中…").arg(position).arg(positions));
}

void GameReviewRun::end(const QString& why, bool failed)
{
    progress_->disconnect(this);  // closing it is no second cancel
    progress_->hide();
    progress_->deleteLater();
    deleteLater();  // the engine goes with the run
    if (!why.isEmpty())
        services_.ShowMessage(window_, why, failed ? QStringLiteral("警告") : QStringLiteral("注意"),
                              failed ? MessageIcon::Error : MessageIcon::Warning, MessageButtons::Ok);
}

}  // namespace vorlik
