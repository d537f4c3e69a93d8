// The moves of an opening book (Polyglot .bin) for the position on the
// board: each move in the move list's notation with its weight as a share of
// the position's, heaviest first; a double-click plays it. The book is the
// one chosen with "定跡ファイル...", remembered beside Vorlik.ini; until one
// is chosen, Debian's gnuchess book when it is installed. A book that cannot
// be read is told once, in the view, and the view stays usable.
#pragma once

#include "core/GameText.h"
#include "database/PolyglotBook.h"

#include <QWidget>

#include <memory>
#include <vector>

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vorlik {

class WindowServices;

class BookMovesView : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kDefaultBook = "/usr/share/games/gnuchess/book.bin";
    static constexpr const char* kRememberedFile = "VorlikBook.ini";

    explicit BookMovesView(WindowServices& services, QWidget* parent = nullptr);

    // Shows the book's moves of the position after ply `ply` of the line on the board.
    void ShowPosition(const GameState& game, int ply, NotationStyle notation);
    // Reads the book and shows the position's moves from it; false, told in
    // the view, when it cannot be read (the book in use stays). A chosen
    // book is remembered.
    bool UseBook(const QString& fileName, bool remember);
    // The book read, empty when none is.
    QString BookFile() const;

signals:
    // Play this move (coordinates) on the position shown, as if dragged.
    void PlayMove(const QString& coord);

private:
    // The remembered book, else the default one when it is installed; empty when neither.
    QString StartingBook();
    void ChooseBook();
    void Redraw();
    void Told(const QString& text, bool error);
    void MoveChosen(QTreeWidgetItem* item);  // double-clicked

    WindowServices& services_;
    std::unique_ptr<PolyglotBook> book_;  // none until one is read
    BookPosition position_;
    bool hasPosition_ = false;
    NotationStyle notation_ = kStyleShort;
    std::vector<BookMove> moves_;
    QLabel* LabelBook = nullptr;           // the book's name, or what is wrong with it
    QPushButton* ComBookChoose = nullptr;  // "定跡ファイル..."
    QTreeWidget* TreeBook = nullptr;
};

}  // namespace vorlik
