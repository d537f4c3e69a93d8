// DialogMnuFilePrint: prints the game for a pocket score book (Ａ７, Ａ６, Ａ５)
// or a correspondence postcard. Beside the boxes the user may edit it shows
// the page as it will print. Modeless, owned by the main window, and only
// hidden after use, so the chosen format persists.
#pragma once

#include "PrintOut.h"

#include <QDialog>
#include <QImage>

#include <array>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QSpacerItem;
class QVBoxLayout;

namespace vorlik {

class PagePreview;
class WindowServices;

class DialogMnuFilePrint : public QDialog {
    Q_OBJECT
public:
    explicit DialogMnuFilePrint(WindowServices& services, QWidget* parent = nullptr);

    // Fills the dialog from the game at CurPly; header is the main window's
    // game information, longNotation its "国際長表記で保存" option.
    // The postcard's free texts and a game reference the user changed stay
    // from one call to the next until NewRecord. totals: the ledger's, for
    // the postcard's reference, when it knows them.
    void PrintOutInit(const GameState& game, const GameHeader& header, bool longNotation,
                      const std::optional<Totals>& totals = std::nullopt);
    // The record on the board was replaced by another.
    void NewRecord() { sameRecord_ = false; }
    void MakeDiagram(const GameState& game);
    // The postcard, with this claim on its message space in place of its
    // last text until the dialog is filled anew.
    void SetClaim(const QStringList& lines);

    void OptPrint_Click(int index);
    void OptionYuu_Click(int index);
    void CheckYuu_Click(int index);
    void PrintButton_Click();
    void CancelButton_Click();

    // What the boxes hold now, as the page prints it.
    PrintFields Fields() const;
    PagePreview* Preview() const { return preview_; }

    std::array<QRadioButton*, 4> OptPrint{};
    std::array<QLabel*, 8> LabelInfo{};
    std::array<QLineEdit*, 8> TextInfo{};  // 1..7
    std::array<QLabel*, 10> LabelBan{};
    std::array<QLabel*, 10> LabelBanA{};
    QPlainTextEdit* TextKifu = nullptr;
    // TextDataA(0..5): 0, 1, 2 and 4 are one line; 3 and 5 are free text.
    std::array<QLineEdit*, 6> TextDataA{};
    std::array<QPlainTextEdit*, 6> TextDataAFree{};
    std::array<QRadioButton*, 2> OptionYuu{};
    std::array<QCheckBox*, 2> CheckYuu{};
    std::array<QLabel*, 2> LabelVorlik{};
    QFrame* FramePage = nullptr;      // the page outline, formats 0 to 2
    QFrame* FramePostcard = nullptr;  // the postcard outline, format 3
    QPushButton* PrintButton = nullptr;
    QPushButton* CancelButton = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void BuildControls();
    QFrame* BuildPage();
    QFrame* BuildPostcard();
    void ShowFields(const PrintFields& fields);
    // LabelBan and its postcard copy LabelBanA from the fields' diagram.
    void ShowDiagram();
    PrintFormat Format() const;
    // The preview follows every change of a box or a choice.
    void Refresh();

    WindowServices& services_;
    PrintFields fields_;  // what PrintOutInit filled: the texts the boxes take back
    PagePreview* preview_ = nullptr;
    QVBoxLayout* postcardLayout_ = nullptr;
    QSpacerItem* aboveBlock_ = nullptr;
    QSpacerItem* belowBlock_ = nullptr;
    bool centred_ = false;
    bool filling_ = false;
    bool sameRecord_ = false;  // the boxes belong to the record on the board
};

// The page as it will print, drawn by the printing code at the widget's size.
class PagePreview : public QWidget {
    Q_OBJECT
public:
    explicit PagePreview(QWidget* parent = nullptr);
    void SetPage(const QVector<PrintLine>& lines, PrintFormat format);
    const QVector<PrintLine>& Lines() const { return lines_; }
    int Pages() const { return pages_; }
    QSize sizeHint() const override { return {300, 420}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<PrintLine> lines_;
    PrintFormat format_ = PrintFormat::A7;
    QImage image_;  // page 1 at the last size painted; null when the page changed
    int pages_ = 1;
};

}  // namespace vorlik
