// The window's panels beside the move list: the analysis, the endgame
// tables and the reference database, built and shown in turn.
#include "FormMain.h"

#include "AnalysisPanel.h"
#include "EngineTraffic.h"
#include "FileCommands.h"
#include "ReferencePanel.h"
#include "TablebasePanel.h"
#include "WindowMenus.h"
#include "WindowStates.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace vorlik {

void FormMain::BuildPanels()
{
    analysisPanel_ = new AnalysisPanel(services_, *session_);
    AddPanel(analysisPanel_);
    connect(analysisPanel_, &AnalysisPanel::TurnedOff, this, [this] { ShowAnalysis(false); });

    tbPanel_ = new TablebasePanel(services_, *session_);
    AddPanel(tbPanel_);
    connect(tbPanel_, &TablebasePanel::Answered, this, &FormMain::ApplyStates);  // the claim, with other folders
    connect(tbPanel_, &TablebasePanel::PrintClaim, this, [this](const QStringList& lines) { files_->PrintClaim(lines); });
    connect(menus_->MnuGameTablebase, &QAction::toggled, this, [this](bool on) { ShowPanel(tbPanel_, on); });
    connect(menus_->MnuGameTbClaim, &QAction::triggered, tbPanel_, &TablebasePanel::ShowClaim);
    analysisPanel_->SetLineEndMark([this](const GameState& game, int ply, const std::vector<std::string>& coords) {
        return tbPanel_->LineEndText(game, ply, coords);
    });

    referencePanel_ = new ReferencePanel(services_, *session_);
    AddPanel(referencePanel_);
    QAction* reference = menus_->MnuGameReference;
    connect(reference, &QAction::toggled, this, [this](bool on) { ShowPanel(referencePanel_, on); });
    connect(menus_->MnuFileReferenceOpen, &QAction::triggered, this, [this, reference] {
        referencePanel_->ChooseDatabase();
        reference->setChecked(true);
    });
    connect(menus_->MnuFileReferenceAdd, &QAction::triggered, referencePanel_, &ReferencePanel::ChooseImport);
    // A game of the database or the desk opens as "開く" opens one.
    connect(referencePanel_, &ReferencePanel::OpenGame, this, [this](const ReferenceGame& game) {
        if (!states_->Enabled(WindowCommand::FileOpen))
            return services_.Beep();
        if (OpenReferenceGame(files_->Host(), game))
            AllDisplay();
    });
    connect(referencePanel_, &ReferencePanel::OpenDeskGame, this,
            [this](const DeskPlace& place) { files_->OpenFromDesk(place); });
}

void FormMain::AddPanel(WindowPanel* panel)
{
    panels_->addWidget(panel);
    panelList_.push_back(panel);
    connect(panel, &WindowPanel::PlayMove, this, [this](const QString& move) { PlayUserMove(move.toStdString()); });
    connect(panel, &WindowPanel::ShowPly, this, [this](int ply) {
        if (session_->GoToPly(ply))
            AllDisplay();
    });
    connect(panel, &WindowPanel::RecordEdited, this, &FormMain::AllDisplay);
}

void FormMain::ShowPanel(WindowPanel* panel, bool on)
{
    // The one makes room before the other shows: the window keeps its size.
    if (!on)
        panel->TurnOff();
    ShowAnalysis(menus_->MnuGameAnalysis->isChecked());
    if (!on)
        return;
    panel->TurnOn();
    // A panel's rows are not squeezed to nothing: the window grows for
    // them, as far as the screen lets it.
    QTimer::singleShot(0, this, [this, panel] {
        const int wanted = minimumSize().height() + panel->minimumHeight();
        if (height() >= wanted || !screen())
            return;
        const QRect room = screen()->availableGeometry();
        resize(width(), std::min(wanted, room.height()));
        if (frameGeometry().bottom() > room.bottom())  // up, so that its foot stays on the screen
            move(x(), std::max(room.top(), room.bottom() - frameGeometry().height()));
    });
}

void FormMain::MnuGameAnalysis_Click(bool on)
{
    if (!on)
        analysisPanel_->TurnOff();
    ShowAnalysis(on);
    if (on && !analysisPanel_->TurnOn(engineConfig_))
        ShowAnalysis(false);
}

void FormMain::ShowAnalysis(bool on)
{
    // The panels take the place of the engine traffic, which only a game has.
    menus_->MnuGameAnalysis->setChecked(on);
    const bool panelOn = on || menus_->MnuGameTablebase->isChecked() || menus_->MnuGameReference->isChecked();
    for (QWidget* traffic : {static_cast<QWidget*>(traffic_->TextEngMas()), static_cast<QWidget*>(traffic_->Direct()),
                             static_cast<QWidget*>(CommandMain[9])})
        traffic->setVisible(!panelOn);
}

}  // namespace vorlik
