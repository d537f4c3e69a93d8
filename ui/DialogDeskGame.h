// The desk settings of one game: its time control, each side's leave, the
// opponent's address and notes, written into the desk folder's settings
// file. What cannot be read is told and nothing is written.
#pragma once

#include "records/PostalDesk.h"

#include <QDialog>

class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace vorlik {

class WindowServices;

class DialogDeskGame : public QDialog {
    Q_OBJECT
public:
    DialogDeskGame(WindowServices& services, const std::string& folder, const DeskRow& row, QWidget* parent);

    // Reads the boxes and writes the settings; the dialog closes when they
    // were written, and stays open with the reason told when not.
    void OKButton_Click();

private:
    // The boxes as the game's settings; false with the reason.
    bool ReadBoxes(DeskGameSettings& game, std::string& error) const;
    bool Write(const DeskGameSettings& boxes, std::string& error) const;
    int InHandPly() const { return row_.lastPly + 1; }

    WindowServices& services_;
    std::string folder_;
    DeskRow row_;
    QLineEdit* TextControl = nullptr;
    QPlainTextEdit* TextLeave = nullptr;
    QLineEdit* TextReceived = nullptr;  // the receipt of the opponent's last move, for the move in hand
    QPlainTextEdit* TextAddress = nullptr;
    QPlainTextEdit* TextNote = nullptr;
    QPushButton* OKButton = nullptr;
};

}  // namespace vorlik
