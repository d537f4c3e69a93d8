// DialogMnuGameStart: asked when a game against the engine starts while the
// board holds a record: a new game from the standard position, or a game
// from the position on the board (when the engine and the record allow it).
#pragma once

#include "engine/EngineGame.h"

#include <QDialog>

#include <array>

class QPushButton;
class QRadioButton;

namespace vorlik {

class DialogMnuGameStart : public QDialog {
    Q_OBJECT
public:
    explicit DialogMnuGameStart(QWidget* parent = nullptr);

    // Centres the dialog and selects "新規にゲーム開始"; "現在局面からゲーム開始"
    // can be chosen only when canContinue.
    void Form_Load(bool canContinue);
    // Form_Load, then the dialog modally; closing it other than by OK is Cancel.
    GameStartChoice Ask(bool canContinue);

    void OKButton_Click();
    void CancelButton_Click();
    // The window's close button and Escape count as Cancel.
    void reject() override;

    GameStartChoice Choice() const { return choice_; }

    std::array<QRadioButton*, 2> OptiGS{};
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

private:
    GameStartChoice choice_ = GameStartChoice::Cancel;
    bool canContinue_ = false;  // the game on the board can be continued
};

}  // namespace vorlik
