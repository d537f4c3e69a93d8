#include "MoveListView.h"

#include "MoveList.h"
#include "WindowServices.h"
#include "session/GameSession.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace vorlik {

int StepButton(int key)
{
    switch (key) {
    case Qt::Key_Home: return 1;
    case Qt::Key_Left: return 2;
    case Qt::Key_Right: return 3;
    case Qt::Key_End: return 4;
    default: return 0;
    }
}

MoveListBox::MoveListBox(QWidget* parent) : QListWidget(parent) {}

void MoveListBox::mousePressEvent(QMouseEvent* event)
{
    QListWidget::mousePressEvent(event);
    if (itemAt(event->position().toPoint()))
        emit LinePressed(event->position().toPoint().x());
}

void MoveListBox::keyPressEvent(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Up && event->key() != Qt::Key_Down && StepButton(event->key()) == 0)
        QListWidget::keyPressEvent(event);
    emit KeyDown(event->key());
}

void MoveListBox::resizeEvent(QResizeEvent* event)
{
    QListWidget::resizeEvent(event);
    emit Resized();
}

MoveListView::MoveListView(WindowServices& services, GameSession& session, const std::array<QAction*, 7>& marks,
                           QWidget* window)
    : QObject(window), services_(services), session_(session), marks_(marks), window_(window)
{
    ListMain = new MoveListBox;
    ListMain->setObjectName(QStringLiteral("ListMain(0)"));
    ListMain->setItemDelegate(new MoveListDelegate(ListMain));
    ListMain->setUniformItemSizes(true);  // until an annotated record brings lines of other sizes
    connect(ListMain, &MoveListBox::LinePressed, this, &MoveListView::ListMain_MouseDown);
    connect(ListMain, &MoveListBox::KeyDown, this, &MoveListView::ListMain_KeyDown);
    // Smaller or larger (the analysis comes and goes), the list keeps the move on the board in view.
    connect(ListMain, &MoveListBox::Resized, this, [this] {
        const int shown = MarkShownMove(*ListMain, session_.Game());
        if (shown >= 0)
            ListMain->scrollToItem(ListMain->item(shown));
    });
    TextComment = new QLineEdit;
    TextComment->setObjectName(QStringLiteral("TextComment"));
    TextComment->setPlaceholderText(QStringLiteral("コメント"));
    connect(TextComment, &QLineEdit::editingFinished, this, &MoveListView::TextComment_Changed);
    for (int k = 1; k <= 6; ++k)
        connect(marks_[k], &QAction::triggered, this, [this, k] { MnuGameMark_Click(k); });
}

void MoveListView::SetNotation(NotationStyle notation)
{
    notation_ = notation;
    RebuildMoveList(session_.Game().LastPly);
}

void MoveListView::Clear() { ListMain->clear(); }

void MoveListView::SelectLine(int line, bool toTop)
{
    if (line < 0 || line >= ListMain->count()) {
        ListMain->clearSelection();
        ListMain->setCurrentRow(-1);
        return;
    }
    ListMain->setCurrentRow(line);
    if (toTop)
        ListMain->scrollToItem(ListMain->item(line), QAbstractItemView::PositionAtTop);
    else
        ListMain->scrollToItem(ListMain->item(line));
}

void MoveListView::AddMoveLine(int ply)
{
    if (ply < 1)
        return;
    const GameState& game = session_.Game();
    const QString line = QString::fromStdString(MoveListLine(game, notation_, ply));
    const int index = MoveNumber(ply) - 1;
    if (IsWhitePly(ply)) {
        // White has just moved: a new line, shown at the top and selected.
        while (ListMain->count() > index)
            delete ListMain->takeItem(ListMain->count() - 1);
    }
    QListWidgetItem* item = index < ListMain->count() ? ListMain->item(index) : new QListWidgetItem(ListMain);
    const int white = IsWhitePly(ply) ? ply : ply - 1;
    SetMoveLine(*item, MoveListParts(game, notation_, ply), line, HoldsStart(game, white) ? -1 : NodeAt(game, white),
                IsWhitePly(ply) ? -1 : NodeAt(game, ply));
    if (IsWhitePly(ply))
        SelectLine(index, true);
}

void MoveListView::RebuildMoveList(int lastPly)
{
    ListMain->clear();
    for (int ply = 1; ply <= lastPly; ++ply)
        AddMoveLine(ply);
    MarkShownMove(*ListMain, session_.Game());
}

void MoveListView::UpdateMoveList()
{
    const GameState& game = session_.Game();
    if (HasAnnotations(game)) {
        // Written once the present event is handled: a game loaded from a
        // file changes its record thousands of times before it is shown.
        if (!annotatedListDue_) {
            annotatedListDue_ = true;
            QTimer::singleShot(0, this, [this] {
                annotatedListDue_ = false;
                if (HasAnnotations(session_.Game()))
                    UpdateAnnotatedList();
                else
                    UpdateMoveList();
            });
        }
        return;
    }
    if (annotatedListDue_)
        return;  // the lines are written then
    if (std::exchange(listAnnotated_, false)) {
        ListMain->clear();  // its lines are no plain record's
        // A plain record's lines all have one size; told so, the list stops
        // measuring every line each time it scrolls to the move on the board.
        ListMain->setUniformItemSizes(true);
    }
    // A plain record changes at its end (a move, a cut, a mark on the last
    // move): the lines from the last that still reads as the record are
    // written anew.
    const int lines = HoldsStart(game, game.LastPly) ? 0 : MoveNumber(game.LastPly);
    const auto lineText = [&](int line) {
        return QString::fromStdString(MoveListLine(game, notation_, std::min(2 * line + 2, game.LastPly)));
    };
    int kept = std::min(lines, ListMain->count());
    while (kept > 0 && ListMain->item(kept - 1)->text() != lineText(kept - 1))
        --kept;
    if (kept < ListMain->count() || kept < lines) {
        while (ListMain->count() > kept)
            delete ListMain->takeItem(ListMain->count() - 1);
        for (int ply = 2 * kept + 1; ply <= game.LastPly; ++ply)
            AddMoveLine(ply);
    }
    MarkShownMove(*ListMain, game);
}

void MoveListView::UpdateAnnotatedList()
{
    // Lines that read as before keep their items; from the first that
    // differs on, the list is written anew.
    if (!std::exchange(listAnnotated_, true))
        ListMain->setUniformItemSizes(false);  // comments and indents: each line its own size
    const std::vector<MoveRow> rows = MoveRows(session_.Game(), notation_);
    const int count = static_cast<int>(rows.size());
    int kept = 0;
    while (kept < count && kept < ListMain->count() &&
           ListMain->item(kept)->text() == QString::fromStdString(rows[kept].text) &&
           MoveAt(*ListMain, kept, 0) == (rows[kept].white >= 0 ? rows[kept].white : rows[kept].black))
        ++kept;
    while (ListMain->count() > kept)
        delete ListMain->takeItem(ListMain->count() - 1);
    for (int k = kept; k < count; ++k)
        SetMoveRow(*new QListWidgetItem(ListMain), rows[k]);
    const int marked = MarkShownMove(*ListMain, session_.Game());
    if (marked >= 0)
        ListMain->scrollToItem(ListMain->item(marked));
}

void MoveListView::ShowMove()
{
    UpdateMoveList();  // a loaded game's lines are written when it is shown
    const int marked = MarkShownMove(*ListMain, session_.Game());
    if (listAnnotated_ && marked >= 0)
        ListMain->scrollToItem(ListMain->item(marked));
    ShowAnnotations();
}

void MoveListView::ListMain_MouseDown(int x)
{
    // The move clicked: White's left of Black's column, else Black's, and
    // on a comment's line the move it belongs to.
    int line = ListMain->currentRow();
    int node = MoveAt(*ListMain, line, x);
    while (node < 0 && line > 0)
        node = MoveAt(*ListMain, --line, ListMain->width());
    if (node < 0)
        return;
    session_.ShowNode(node);
    emit Redisplay();
}

// ---- navigation ------------------------------------------------------------

void MoveListView::GotoStart()
{
    const GameState& game = session_.Game();
    if (game.CurPly < 1)
        return;
    session_.GoToPly(HoldsStart(game, 1) ? 1 : 0);
    emit Redisplay();
    SelectLine(game.CurPly / 2, false);
}

void MoveListView::StepBack()
{
    const GameState& game = session_.Game();
    if (HoldsStart(game, game.CurPly)) {
        services_.Beep();
        return;
    }
    session_.GoToPly(game.CurPly - 1);
    emit Redisplay();
    SelectLine(game.CurPly / 2, false);
}

void MoveListView::StepForward()
{
    const GameState& game = session_.Game();
    if (session_.AtEnd()) {
        emit ReachedEnd();
        services_.Beep();
        return;
    }
    session_.GoToPly(game.CurPly + 1);
    emit Redisplay();
    SelectLine(MoveNumber(game.CurPly) - 1, false);
}

void MoveListView::GotoEnd()
{
    const GameState& game = session_.Game();
    session_.GoToPly(game.LastPly);
    emit Redisplay();
    SelectLine(MoveNumber(game.CurPly) - 1, false);
}

void MoveListView::ListMain_KeyDown(int key)
{
    if (StepButton(key) != 0) {
        emit KeyDown(key);  // as the navigation button
        return;
    }
    if (key == Qt::Key_Up) {
        StepBack();
        StepBack();
    } else if (key == Qt::Key_Down) {
        StepForward();
        StepForward();
    }
    ListMain->clearSelection();
}

// ---- annotations -------------------------------------------------------------

void MoveListView::ShowAnnotations()
{
    const GameState& game = session_.Game();
    const int node = NodeAt(game, game.CurPly);
    const KifuNode shown = node >= 0 ? Node(game, node) : KifuNode{};
    const QString comment = QString::fromStdString(shown.comment);
    if (TextComment->text() != comment)
        TextComment->setText(comment);
    for (int k = 1; k <= 6; ++k)
        marks_[k]->setChecked(std::find(shown.nags.begin(), shown.nags.end(), k) != shown.nags.end());
}

bool MoveListView::Told(TreeResult result)
{
    if (result != TreeResult::Done)
        services_.ShowMessage(window_, QString::fromStdString(TreeResultText(result)), QStringLiteral("警告"),
                              MessageIcon::Error, MessageButtons::Ok);
    return result == TreeResult::Done;
}

void MoveListView::TextComment_Changed()
{
    const GameState& game = session_.Game();
    const int node = NodeAt(game, game.CurPly);
    const std::string text = TextComment->text().toStdString();
    if (node < 0 || Node(game, node).comment == text)
        return;
    if (!Told(session_.SetComment(game.CurPly, text)))
        ShowAnnotations();
    emit Edited();
}

void MoveListView::MnuGameMark_Click(int index)
{
    // The six marks judge a move: one of them at a time; other marks stay.
    const GameState& game = session_.Game();
    const int node = NodeAt(game, game.CurPly);
    if (node <= 0)
        return;
    std::vector<unsigned char> nags;
    for (const unsigned char nag : Node(game, node).nags)
        if (nag < 1 || nag > 6)
            nags.push_back(nag);
    if (marks_[index]->isChecked())
        nags.insert(nags.begin(), static_cast<unsigned char>(index));
    Told(session_.SetNags(game.CurPly, nags));
    emit Redisplay();
}

void MoveListView::MnuGameVariationPromote_Click()
{
    Told(session_.PromoteVariation(session_.Game().LastPly));
    emit Redisplay();
}

void MoveListView::MnuGameVariationDelete_Click()
{
    if (services_.ShowMessage(window_, QStringLiteral("表示している変化手順を削除しますか？"), QStringLiteral("注意"),
                              MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::No)
        return;
    Told(session_.DeleteVariation(session_.Game().LastPly));
    emit Redisplay();
}

}  // namespace vorlik
