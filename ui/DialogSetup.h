// DialogSetup: the set-up of a position on the main window's board, and the
// promotion question.
//
// In its set-up role the dialog is modeless: pieces are dragged from its
// palette onto the main board, the board is filled or cleared, the side to
// move chosen, and the position confirmed or cancelled (the close button and
// Escape cancel too).
//
// In its promotion role it asks, modally, which piece a pawn becomes. The form
// is only hidden after an answer, so the last choice is preselected the next
// time; it cannot be cancelled: the move is already on its way. After the
// question the set-up controls are back.
#pragma once

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vorlik {

class SetupEdit;
class WindowServices;

// How a set-up ends; the numbers are the ones the dialog has always returned.
enum class SetupReturn { WhiteToMove = 1, BlackToMove = 2, Cancelled = 3 };

class DialogSetup : public QDialog {
    Q_OBJECT
public:
    DialogSetup(WindowServices& services, SetupEdit& edit, QWidget* parent = nullptr);

    // ---- set-up role
    // Prepares the controls for a set-up of the position being edited:
    // the side to move preset, the engine box clear and offered only when
    // the current engine takes set-up positions (editable) and, with the box
    // ticked, Black to move only when it can be told so (black).
    void OpenSetup(bool blackToMove, bool editable, bool black);
    bool InSetup() const { return inSetup_; }
    bool EngineChosen() const;
    // Called when the set-up closes; returns false when the window keeps
    // the set-up open.
    std::function<bool(SetupReturn code)> returnSetup;

    QLabel* ImaCheMan(int index) const { return palette_[index]; }  // 1..12
    QPushButton* Com(int index) const { return com_[index]; }
    QRadioButton* OptWB(int index) const { return optWB_[index]; }
    QCheckBox* CheckEng() const { return checkEng_; }
    QPushButton* OKButton() const { return setupOk_; }
    QPushButton* CancelButton() const { return setupCancel_; }

    // ---- promotion role
    // Prepares the question for a pawn reaching `rank` (8 White, 1 Black).
    void DaiSetPromotion(int rank);
    // Shows the question and waits; returns the lower-case letter chosen.
    char AskPromotion(int rank);
    // The piece of the last answer, preselected the next time: n 1, b 2, r 3, q 4.
    int PromoNumber() const { return chosenNumber_; }
    bool AskingPromotion() const { return askingPromotion_; }

    QRadioButton* OptionDaiSetPromotion(int index) const { return options_[index]; }
    QPushButton* CommandPromotionOK() const { return okButton_; }

signals:
    // A palette piece was pressed: the main board takes over the drag.
    void PiecePicked(char piece);
    // The edited position was filled or cleared from the dialog.
    void BoardChanged();

public slots:
    void ImaCheMan_MouseDown(int index);
    void Com_Click(int index);
    void CheckEng_Click();
    void OKButton_Click();
    void CancelButton_Click();
    void CommandPromotionOK_Click();
    void reject() override;  // Escape and the close button: cancel the set-up, never the question

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowSetupControls(bool on);

    WindowServices& services_;
    SetupEdit& edit_;
    std::array<QLabel*, 13> palette_{};  // ImaCheMan(1..12), "PNBRQKpnbrqk"
    std::array<QPushButton*, 2> com_{};
    std::array<QRadioButton*, 2> optWB_{};
    QWidget* sideBox_ = nullptr;
    QCheckBox* checkEng_ = nullptr;
    QPushButton* setupOk_ = nullptr;
    QPushButton* setupCancel_ = nullptr;
    bool blackAllowed_ = true;
    bool engineOffered_ = false;  // the engine box can be ticked
    bool inSetup_ = false;
    bool askingPromotion_ = false;

    std::array<QRadioButton*, 4> options_{};
    QLabel* question_ = nullptr;
    QGroupBox* frame_ = nullptr;
    QPushButton* okButton_ = nullptr;
    char chosen_ = 'q';
    int chosenNumber_ = 4;
};

}  // namespace vorlik
