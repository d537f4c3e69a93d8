// "通信対局一覧": every game in progress of the player's desk folder, one row
// each with the days both sides have used and left, whose move it is and how
// long ago the last card went out; the player's own urgent moves first. A
// double-click opens the game on the board; its desk settings are edited
// from here.
#pragma once

#include "records/PostalDesk.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace vorlik {

// The desk window's folder and player, remembered beside Vorlik.ini.
inline constexpr char kDeskWindowFile[] = "VorlikDeskWindow.ini";

class WindowServices;

class DeskWindow : public QWidget {
    Q_OBJECT
public:
    // The folder and the name of the last run are read from the settings folder.
    DeskWindow(WindowServices& services, QWidget* parent);

    // Shows the desk of this folder for the player of this name, and
    // remembers both for the next run.
    void ShowDesk(const QString& folder, const QString& me);
    // Reads the folder again, keeping the order the player chose.
    void Refresh();
    // The day the desk counts to; today on this computer unless set.
    void SetToday(int day) { today_ = day; }

    const Desk& Shown() const { return desk_; }
    // The game of a row of the table as it is sorted now; null for none.
    const DeskRow* RowAt(int row) const;
    QString Folder() const;

signals:
    // The player asked for the game on the board.
    void OpenGame(const vorlik::DeskPlace& place);

private:
    void ChooseFolder();
    void ShowChosen();
    void FillTable();
    void FillRow(int row, const DeskRow& game, int rank);
    void ShowProblems();
    void EditSettings();
    void OpenRow(int row);
    void Remember();

    WindowServices& services_;
    QLineEdit* folder_ = nullptr;
    QLineEdit* me_ = nullptr;
    QPushButton* settings_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* summary_ = nullptr;
    QPlainTextEdit* problems_ = nullptr;
    Desk desk_;
    int today_ = 0;
};

}  // namespace vorlik
