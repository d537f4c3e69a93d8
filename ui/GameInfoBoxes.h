// The game-information boxes and the postal boxes beside the board. The
// information boxes show the session's header and write every change back
// to it; the postal boxes are the notes of the move on the board. Under them
// the ledger line: both sides' days, with the time control and leave the
// game's desk folder keeps.
#pragma once

#include "core/PostalLedger.h"
#include "records/DeskSettings.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <utility>

class QComboBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace vorlik {

class GameSession;

// The program's name and version: the window's title and a new game's event.
inline constexpr char kProgramCaption[] = "Vorlik Ver1.00";

class GameInfoBoxes : public QObject {
    Q_OBJECT
public:
    GameInfoBoxes(GameSession& session, QWidget* window);

    QWidget* BuildInformation();
    QWidget* BuildPostalBlock();
    // The labels of the seven information fields, as the file dialogs name them.
    QStringList Captions() const;
    // Box k: 1..6 the information, 8..13 the postal notes of the move shown.
    QLineEdit* TextInfo(int k) const { return TextInfo_[static_cast<std::size_t>(k)]; }

    // A new record's information: the program as its event, today as its
    // date, the result open.
    void StartHeader();
    // The notes of the move on the board; only a main-line move's can be typed in.
    void ShowNotes();

    // What the game's desk folder keeps for it (none: a game of no file).
    void SetDesk(const GameDesk& desk);
    void ShowLedger();
    // The totals a postcard prints for the main line.
    std::optional<Totals> PostcardTotals() const;

    // Leaving 着 or 発 counts on the days of ＋ by the dates typed.
    void TextInfo_LostFocus(int index);

signals:
    // A box was typed in: the record may have become unsaved.
    void Edited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGridLayout* FramedGrid(int index);
    QLabel* InfoLabel(int index, const QString& caption);
    void ShowHeader();
    void WriteHeader();
    Ledger MainLineLedger() const;

    GameSession& session_;
    std::array<QLineEdit*, 14> TextInfo_{};  // 1..13
    QPlainTextEdit* TextInfoS = nullptr;
    QComboBox* CombKekka = nullptr;
    std::array<QLabel*, 14> LabeInfo{};
    std::array<QLabel*, 10> LabelJpca{};  // 7..9
    QLabel* LabelLedger = nullptr;        // both sides' days beside the postal boxes
    std::array<QFrame*, 3> Shape1{};      // 1..2
    bool showing_ = false;  // the boxes are being set from the header
    int notesPly_ = 0;      // the ply whose notes the postal boxes show
    GameDesk desk_;         // of the game's desk folder, when it has one
    std::pair<QString, QString> datesOnFocus_;  // 着 and 発 when one of them took the focus
};

}  // namespace vorlik
