// The move list beside the board and the annotations of the move on the
// board: the list follows the record (a plain record line by line at its
// end, an annotated one with its variations and comments), marks the move
// shown and reads which move the user clicks; the comment box and the marks
// edit the move shown, and the variation on the board can be promoted or
// deleted.
#pragma once

#include "core/GameText.h"
#include "core/KifuTree.h"

#include <QListWidget>
#include <QObject>

#include <array>

class QAction;
class QLineEdit;

namespace vorlik {

class GameSession;
class WindowServices;

// The move list: a click jumps to the clicked line, the up and down keys step
// by a full move, left, right, Home and End as the navigation buttons do (the
// window decides what they do).
class MoveListBox : public QListWidget {
    Q_OBJECT
public:
    explicit MoveListBox(QWidget* parent = nullptr);

signals:
    void LinePressed(int x);  // after the press has selected the line; x where it was
    void KeyDown(int key);
    void Resized();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
};

// The navigation button a key stands for on the board and the move list
// (1 "|<", 2 "<", 3 ">", 4 ">|"); 0 for any other key.
int StepButton(int key);

class MoveListView : public QObject {
    Q_OBJECT
public:
    // marks: the six mark entries of the menu (1..6).
    MoveListView(WindowServices& services, GameSession& session, const std::array<QAction*, 7>& marks,
                 QWidget* window);

    MoveListBox* List() const { return ListMain; }
    QLineEdit* Comment() const { return TextComment; }
    NotationStyle Notation() const { return notation_; }
    // The lines in another notation: every line written anew.
    void SetNotation(NotationStyle notation);

    // The move list in step with the record.
    void UpdateMoveList();
    void Clear();
    // The move on the board marked (and in view, for an annotated record),
    // its comment and marks in their controls.
    void ShowMove();
    void SelectLine(int line, bool toTop);
    // The comment box and the marks show the move on the board.
    void ShowAnnotations();

    // The buttons "|<", "<", ">", ">|": the board shows another ply, its line selected.
    void GotoStart();
    void StepBack();
    void StepForward();
    void GotoEnd();
    void ListMain_MouseDown(int x);
    void ListMain_KeyDown(int key);
    void TextComment_Changed();
    void MnuGameMark_Click(int index);
    void MnuGameVariationPromote_Click();
    void MnuGameVariationDelete_Click();

signals:
    // The position shown changed: everything that shows it is drawn again.
    void Redisplay();
    // The record changed in a way the list does not show (a comment).
    void Edited();
    // A navigation key: the window clicks its button.
    void KeyDown(int key);
    // ">" at the record's end: the replay stops.
    void ReachedEnd();

private:
    // The same for a record with variations or comments: every line of it.
    void UpdateAnnotatedList();
    // The list written again for plies 1..lastPly.
    void RebuildMoveList(int lastPly);
    // Line of the move list for ply `ply`, written anew (a White ply ends
    // the list there).
    void AddMoveLine(int ply);
    // Tells the user why a change of the record was refused; true when it was made.
    bool Told(TreeResult result);

    WindowServices& services_;
    GameSession& session_;
    std::array<QAction*, 7> marks_;
    QWidget* window_;
    MoveListBox* ListMain = nullptr;
    QLineEdit* TextComment = nullptr;  // the comment after the move on the board
    NotationStyle notation_ = kStyleShort;
    bool annotatedListDue_ = false;  // the list of an annotated record is to be written
    bool listAnnotated_ = false;     // the list shows an annotated record's lines
};

}  // namespace vorlik
