#include "WindowPort.h"

#include "BoardView.h"
#include "EngineTraffic.h"
#include "FormMain.h"
#include "GameClocks.h"
#include "WindowMenus.h"

#include <QAction>
#include <QApplication>

namespace vorlik {

GameState& WindowPort::Game() { return window_.Session().Record(); }

bool WindowPort::CheckChessMoveOutput(const std::string& move) { return window_.CheckChessMoveOutput(move); }

void WindowPort::MnuFileNew_Click() { window_.MnuFileNew_Click(); }

void WindowPort::AllDisplay() { window_.AllDisplay(); }

void WindowPort::RunClock(bool on) { window_.clocks_->RunClock(on); }

GameHeader WindowPort::ReadGameInfo() { return window_.Session().Header(); }

void WindowPort::ShowGameInfo(const GameHeader& header)
{
    GameHeader shown = header;
    if (shown.Field[kResult].empty())
        shown.Field[kResult] = "*";
    window_.Session().SetHeader(shown);
}

bool WindowPort::PieceSound() { return window_.menus_->MnuGameSound->isChecked(); }

void WindowPort::SetPieceSound(bool on) { window_.menus_->MnuGameSound->setChecked(on); }

void WindowPort::SetRefusalBeep(bool on) { window_.refusalBeep_ = on; }

void WindowPort::Beep() { window_.services_.Beep(); }

void WindowPort::SetPromotionQuestion(bool ask) { window_.promotionQuestion_ = ask; }

void WindowPort::ShowEngineOutput(const std::string& lines) { window_.traffic_->ShowEngineOutput(lines); }

bool WindowPort::EngineMustWait()
{
    return QApplication::activeModalWidget() != nullptr || window_.ImaCheBoa->Dragging() || window_.committing_ > 0;
}

}  // namespace vorlik
