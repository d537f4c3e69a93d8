// The endgame tables beside the move list (終盤データベース): for the position
// on the board, its exact result for the side to move with its distance to
// the next capture or pawn move, and every legal move with its own, best
// first, coloured by result. A double-click plays the move. The tables are
// asked off the window's thread: a slow disk never freezes the window, and
// an answer that comes after the position has changed is dropped.
#pragma once

#include "WindowPanel.h"
#include "engine/GameReview.h"
#include "session/GameSession.h"
#include "tablebase/Tablebase.h"

#include <QHash>
#include <QSet>

#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vorlik {

class WindowServices;

// "白の勝ち", "黒の勝ち (50手規則で引き分け)", "引き分け": a result for the side
// (white) it belongs to, named by the side that wins.
QString TbResultText(TbResult result, bool white);

// What the review writes for a position the tables hold (its score decided
// for the winner, nothing for a draw, the tables' best move as its line);
// none outside them, and none for a mate or a stalemate, which the rules judge.
std::optional<PositionVerdict> TableVerdict(const Tablebase& tables, const GameState& game, int ply);

class TablebasePanel : public WindowPanel {
    Q_OBJECT
public:
    TablebasePanel(WindowServices& services, GameSession& session, QWidget* parent = nullptr);
    ~TablebasePanel() override;

    // Shows the panel and the tables' answer for the position on the board.
    void TurnOn() override;
    void TurnOff() override;
    bool IsOn() const { return on_; }
    void SetNotation(NotationStyle notation) override;

    // The folders of the tables (":" between two), "" while none is chosen.
    QString Folders() const { return folders_; }
    // Uses these folders from now on and remembers them beside Vorlik.ini.
    void SetFolders(const QString& folders);
    // "フォルダ...": the folder asked in the platform dialog.
    void ChooseFolder();
    // The tables of the folders, opened when first asked (the panel may be
    // off); null when they hold none. A file refused is told once; folders
    // that have gone are told and their tables let go.
    std::shared_ptr<const Tablebase> Tables();

    // The answer on view; found only while it is the position's on the board.
    const TbAnswer& Shown() const { return shown_; }
    // The result of the position after the moves (coordinates) from ply
    // `ply` of the record, in words for the analysis ("" outside the tables).
    QString LineEndText(const GameState& game, int ply, const std::vector<std::string>& coords);

    // The tables give the side to move on the board a win or a draw to claim.
    bool Claimable();
    // "テーブルベースで申告...": the claim's text to copy or print, or why
    // the position on the board allows none.
    void ShowClaim();

protected:
    void changeEvent(QEvent* event) override;

signals:
    // A new answer (or the lack of one) is on view.
    void Answered();
    // Print the claim on the postcard's message space.
    void PrintClaim(const QStringList& lines);

private:
    void BoardChanged();
    void FitRows();
    // Asks the tables about the position on the board, one question at a time.
    void Probe();
    void Answer(const TbAnswer& answer, const std::string& key);
    void ShowMoves();
    void ShowStatus(const QString& text);
    QString MoveText(const TbMove& move) const;
    void PlayChosen(QTreeWidgetItem* item);
    // The folders still there; false (and the tables let go) when one went.
    bool FoldersThere();
    void TellOnce(const QString& text);

    WindowServices& services_;
    GameSession& session_;
    QLabel* LabelTablebase = nullptr;       // the result of the position
    QLabel* LabelTablebaseFolder = nullptr; // the folders in use
    QPushButton* ComTablebaseFolder = nullptr;
    QTreeWidget* TreeTablebase = nullptr;
    QString folders_;
    std::shared_ptr<const Tablebase> tables_;
    bool opened_ = false;   // the folders were opened (tables_ may still be null)
    QSet<QString> present_; // the folders that were there when they were opened
    QString told_;          // the last problem told, so that it is told once
    bool on_ = false;
    bool asking_ = false;   // a question is out
    int generation_ = 0;    // of the question; an answer to an older one is stale
    TbAnswer shown_;
    std::string shownKey_;  // the position the answer is for
    TbPosition shownPosition_;
    NotationStyle notation_ = kStyleShort;
    QHash<QString, QString> lineEnds_;  // the analysis' line ends asked, by position
};

}  // namespace vorlik
