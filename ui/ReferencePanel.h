// "参考棋譜": the reference database at the board. For the position on the
// board it shows the moves the database's games played there (games, share,
// results, score, ratings, the last year), the position's opening name, the
// games that reached it, and the player's own games in progress on the desk
// that stand in it. Questions go to a thread of their own: the window never
// waits for the database, and an answer about a position already left is
// dropped.
#pragma once

#include "DeskPositions.h"
#include "ReferenceImport.h"
#include "ReferenceQueries.h"
#include "WindowPanel.h"
#include "session/GameSession.h"

#include <QFileSystemWatcher>
#include <QTimer>

#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QSpinBox;
class QThread;
class QTreeWidget;
class QTreeWidgetItem;
class QVBoxLayout;

namespace vorlik {

class BookMovesView;

class WindowServices;

// A game of the database to open on the board, at the ply the tree showed.
struct ReferenceGame {
    KifuKind kind = kKindPgn;
    std::string text;
    int ply = 0;
};

// Opens the game through the host, as "開く" opens a file's game (the
// question about an unsaved record first), at its ply. False when it was not opened.
bool OpenReferenceGame(KifuHost& host, const ReferenceGame& game);

class ReferencePanel : public WindowPanel {
    Q_OBJECT
public:
    static constexpr long kPage = 50;  // games listed at a time

    ReferencePanel(WindowServices& services, GameSession& session, QWidget* parent = nullptr);
    ~ReferencePanel() override;

    // Shows the panel and follows the board; the database of the last run is opened.
    void TurnOn() override;
    void TurnOff() override;
    bool IsOn() const { return on_; }
    void SetNotation(NotationStyle notation) override;

    // "参考データベースを開く...": chooses a database, opens it and remembers it.
    void ChooseDatabase();
    // Opens this database and remembers it for the next run.
    void OpenDatabase(const QString& fileName);
    QString DatabaseFile() const { return databaseFile_; }
    // After an import: the tree of the position is asked again.
    void DatabaseChanged();
    // "参考データベースに追加...": a game file into the database open (a new
    // one is chosen when none is), with the import's progress.
    void ChooseImport();

    // A widget under the tree's rows (the book's moves).
    void AddBelowTree(QWidget* widget);

    // The questions, as a test reaches them.
    ReferenceQueries& Queries() { return *queries_; }

signals:
    // The tree of the position on the board is shown.
    void TreeShown();
    // A game of the database or of the desk is asked for on the board.
    void OpenGame(const vorlik::ReferenceGame& game);
    void OpenDeskGame(const vorlik::DeskPlace& place);

private:
    void BuildFilters(QVBoxLayout* layout);
    void BoardChanged();
    void FollowBoard(bool again = false);
    void Answered(const ReferenceAnswer& answer);
    void ShowTree(const ReferenceAnswer& answer);
    void AddGames(const std::vector<GameRow>& rows);
    void ShowHeading();
    void ShowDeskGames();
    QString MoveText(int move) const;
    void TreeActivated(QTreeWidgetItem* item);
    void GameActivated(QTreeWidgetItem* item);
    void DeskActivated(QListWidgetItem* item);
    void MoreGames();
    QueryFilter Filter() const;
    void FilterChanged();
    void OpponentOnly();
    void ClearFilter();
    // lasting: the database cannot be opened (not only one question failed).
    void DatabaseFailed(const std::string& error, bool lasting);
    // The desk's games, read again when its folder or its files change;
    // true when the desk's folder or player changed (and it is read).
    bool WatchDesk();
    void ReadDesk();

    WindowServices& services_;
    GameSession& session_;
    std::unique_ptr<ReferenceQueries> queries_;
    std::unique_ptr<ReferenceImport> import_;
    QLabel* LabelReference = nullptr;   // the database, the opening, the filter
    QLineEdit* TextReferencePlayer = nullptr;
    QPushButton* ComReferenceOpponent = nullptr;
    QSpinBox* SpinReferenceYearFrom = nullptr;
    QSpinBox* SpinReferenceYearTo = nullptr;
    QSpinBox* SpinReferenceElo = nullptr;
    QTreeWidget* TreeReference = nullptr;
    QVBoxLayout* belowTree_ = nullptr;
    BookMovesView* bookView_ = nullptr;  // the opening book's moves
    QListWidget* ListReferenceDesk = nullptr;
    QTreeWidget* TreeReferenceGames = nullptr;
    QPushButton* ComReferenceMore = nullptr;
    QTimer filterDelay_;
    bool on_ = false;
    NotationStyle notation_ = kStyleShort;
    QString databaseFile_;
    bool databaseOpen_ = false;
    QString databaseError_;      // why the database cannot be read; told once
    QString toldError_;
    std::uint64_t openSerial_ = 0, treeSerial_ = 0, gamesSerial_ = 0, gameSerial_ = 0;
    BoardPosition asked_;        // the position whose tree was asked last
    QueryFilter askedFilter_;
    bool askedAny_ = false;
    ReferenceAnswer shown_;      // the tree on show
    int shownPly_ = 0;           // the ply of the position shown
    long gamesListed_ = 0;
    int pendingPly_ = 0;         // of the game asked for
    std::vector<DeskMatch> deskShown_;
    DeskPositions desk_;
    QString deskFolder_, deskMe_;
    QFileSystemWatcher deskWatch_;
    QTimer deskDelay_;
    QThread* deskReader_ = nullptr;
    std::shared_ptr<DeskPositions> deskRead_;
};

}  // namespace vorlik
