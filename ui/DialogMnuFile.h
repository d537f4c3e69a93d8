// DialogMnuFile: the games of a PGN or CSV file as a grid, one row per game.
// The user opens a game (and may delete games), saves into the file (append,
// insert, overwrite) or narrows the list by the moves on the board. The grid
// is a model over the game table, so a file of 25,000 games appears at once.
// The answer is left in KifuFile::KifuSelect.
#pragma once

#include "records/ModuleMekFile.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QStringList>

class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace vorlik {

class WindowServices;

// Fourteen columns over KifuList: the game number, the seven header fields
// and the move text cut into pieces of 91 characters.
class KifuTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumns = 14;
    static constexpr int kPieceLength = 91;  // characters of move text per column
    static constexpr int kFirstMoveColumn = 8;

    KifuTableModel(const KifuFile& file, const QStringList& headerCaptions, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The table is about to change / has changed under the model.
    void BeginChange() { beginResetModel(); }
    void EndChange() { endResetModel(); }

    // The piece of a move text shown in column 8..13: 91 characters each,
    // column 13 taking everything from character 456 on.
    static QString MovePiece(const QString& moveText, int column);

    // The search has narrowed the table to these of its rows (1-based, in
    // order); each row keeps showing its game's number in the file.
    void Narrow(const std::vector<int>& rows);
    // The number in the file of the game in row `row` (0-based).
    int GameNumber(int row) const;

private:
    const KifuFile& file_;
    QStringList captions_;  // columns 1..8
    std::vector<int> numbers_;  // row -> number in the file; empty while the table is the whole file
};

class DialogMnuFile : public QDialog {
    Q_OBJECT
public:
    // Shown for file.KifuDialogMode over file.KifuList. The captions of
    // columns 1..7 are the main window's game-information labels.
    DialogMnuFile(KifuHost& host, KifuFile& file, WindowServices& services, const QString& fileName,
                  const QStringList& headerCaptions = DefaultCaptions(), QWidget* parent = nullptr);

    static QStringList DefaultCaptions();

    QTableView* MSFlexGridFile = nullptr;
    QPushButton* ComPlusPlus = nullptr;
    QPushButton* ComPlus = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
    QPlainTextEdit* TextJo = nullptr;

    KifuTableModel* Model() const { return model_; }
    QString FileName() const { return fileName_; }

public slots:
    void ComPlusPlus_Click();
    void ComPlus_Click();
    void OKButton_Click();
    void CancelButton_Click();
    // The window's close button and Escape count as Cancel.
    void reject() override;

private:
    void Form_Load();
    void ApplyMode();
    void SetColumnWidths();
    // The game number of the current row; 0 when the grid has no game rows.
    int CurrentGame() const;
    void DeleteGame(int n);
    void Search();
    bool Ask(const QString& text, const QString& title);

    KifuHost& host_;
    KifuFile& file_;
    WindowServices& services_;
    QString fileName_;
    KifuTableModel* model_ = nullptr;
};

}  // namespace vorlik
