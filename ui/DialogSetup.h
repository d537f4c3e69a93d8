// DialogSetup in its promotion role: which piece does the pawn become? The
// form is only hidden after an answer, so the last choice is preselected the
// next time. It cannot be cancelled: the move is already on its way.
#pragma once

#include <QDialog>

#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace vorlik {

class DialogSetup : public QDialog {
    Q_OBJECT
public:
    explicit DialogSetup(QWidget* parent = nullptr);

    // Prepares the question for a pawn reaching `rank` (8 White, 1 Black).
    void DaiSetPromotion(int rank);
    // Shows the question and waits; returns the lower-case letter chosen and
    // its number (n 1, b 2, r 3, q 4).
    char AskPromotion(int rank, int& number);

    QRadioButton* OptionDaiSetPromotion(int index) const { return options_[index]; }
    QPushButton* CommandPromotionOK() const { return okButton_; }
    QLabel* Palette(int index) const { return palette_[index]; }

public slots:
    void CommandPromotionOK_Click();
    void reject() override;  // Escape and the close button do not cancel

private:
    std::array<QLabel*, 13> palette_{};  // ImaCheMan(1..12), "PNBRQKpnbrqk"
    std::array<QRadioButton*, 4> options_{};
    QLabel* question_ = nullptr;
    QGroupBox* frame_ = nullptr;
    QPushButton* okButton_ = nullptr;
    char chosen_ = 'q';
    int chosenNumber_ = 4;
};

}  // namespace vorlik
