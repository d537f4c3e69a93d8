// The book's moves beside the board: which book is read (the one chosen
// last, remembered), what a bad choice leaves, and what a double-click plays.
#include "ScriptedServices.h"

#include "core/MoveCommit.h"
#include "database/PolyglotBook.h"
#include "ui/BookMovesView.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace vorlik;
using namespace vorlik::test;

namespace {

constexpr std::uint64_t kStartKey = 0x463b96181691fc9cULL;  // the start position's key
// Book moves: to file, to rank, from file, from rank, three bits each.
constexpr std::uint16_t BookMoveCode(int fromFile, int fromRank, int toFile, int toRank)
{
    return static_cast<std::uint16_t>(toFile | toRank << 3 | fromFile << 6 | fromRank << 9);
}

QStringList Rows(BookMovesView& view)
{
    auto* tree = view.findChild<QTreeWidget*>(QStringLiteral("TreeBook"));
    QStringList rows;
    for (int k = 0; k < tree->topLevelItemCount(); ++k)
        rows << tree->topLevelItem(k)->text(0) + ' ' + tree->topLevelItem(k)->text(1);
    return rows;
}

}  // namespace

class TestBookView : public QObject {
    Q_OBJECT
private:
    ScriptedServices services_;
    std::unique_ptr<GameState> start_ = std::make_unique<GameState>();

    QString Book(const QString& name, std::uint16_t firstWeight, std::uint16_t secondWeight)
    {
        const QString path = services_.ProgramFolder() + '/' + name;
        std::string error;
        const bool written = WriteBook(path.toStdString(),
                                       {{kStartKey, BookMoveCode(4, 1, 4, 3), firstWeight, 0},
                                        {kStartKey, BookMoveCode(3, 1, 3, 3), secondWeight, 7}},
                                       error);
        if (!written)
            qFatal("%s", error.c_str());
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(StartRecord(*start_, "").empty()); }

    void chosenBookIsReadRememberedAndKeptOverABadOne()
    {
        const QString first = Book("first.bin", 3, 1);
        services_.fileAnswers = {{first}};
        BookMovesView view(services_);
        view.findChild<QPushButton*>(QStringLiteral("ComBookChoose"))->click();
        view.ShowPosition(*start_, 0, kStyleShort);
        QCOMPARE(Rows(view), QStringList({"e4 75.0%", "d4 25.0%"}));
        view.ShowPosition(*start_, 0, kStylePostal);
        QCOMPARE(Rows(view).first(), QStringLiteral("5254 75.0%"));

        // A file that is no book is told; the book in use stays, and stays remembered.
        services_.fileAnswers = {{services_.WriteProgramFile("broken.bin", QByteArray(23, 'x'))}};
        view.findChild<QPushButton*>(QStringLiteral("ComBookChoose"))->click();
        QVERIFY(view.findChild<QLabel*>(QStringLiteral("LabelBook"))->text().contains("broken.bin"));
        QCOMPARE(view.BookFile(), first);
        QCOMPARE(Rows(view).size(), 2);
        BookMovesView again(services_);
        QCOMPARE(again.BookFile(), first);

        // A good second choice replaces it, at the next start too.
        const QString second = Book("second.bin", 1, 3);
        services_.fileAnswers = {{second}};
        view.findChild<QPushButton*>(QStringLiteral("ComBookChoose"))->click();
        QCOMPARE(Rows(view), QStringList({"4244 75.0%", "5254 25.0%"}));
        BookMovesView later(services_);
        QCOMPARE(later.BookFile(), second);
    }

    void doubleClickPlaysTheMoveAndAPositionOutsideSaysSo()
    {
        services_.fileAnswers = {{Book("third.bin", 1, 5)}};
        BookMovesView view(services_);
        view.findChild<QPushButton*>(QStringLiteral("ComBookChoose"))->click();
        view.ShowPosition(*start_, 0, kStyleShort);
        QSignalSpy played(&view, &BookMovesView::PlayMove);
        auto* tree = view.findChild<QTreeWidget*>(QStringLiteral("TreeBook"));
        emit tree->itemDoubleClicked(tree->topLevelItem(0), 0);
        QCOMPARE(played.size(), 1);
        QCOMPARE(played.first().first().toString(), QStringLiteral("d2d4"));

        auto after = std::make_unique<GameState>(*start_);
        QVERIFY(CommitMove(*after, "e2e4"));
        view.ShowPosition(*after, after->CurPly, kStyleShort);
        QCOMPARE(Rows(view), QStringList({QStringLiteral("この局面の定跡手はありません ")}));
        emit tree->itemDoubleClicked(tree->topLevelItem(0), 0);
        QCOMPARE(played.size(), 1);
    }
};

QTEST_MAIN(TestBookView)
#include "tst_bookview.moc"
