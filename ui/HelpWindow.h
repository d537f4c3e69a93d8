// The help window: the Japanese manual of the program folder's help/ with
// its contents beside the page shown, and a search for a word anywhere in
// the pages. Japanese has no word boundaries, so the search is a plain
// substring search (Latin letters in either case).
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTextBrowser;
class QUrl;

namespace vorlik {

class WindowServices;

// "index.html" in the help folder of the program folder.
QString HelpIndexFile(const QString& programFolder);

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    struct Page {
        QString file;   // name inside the help folder, "moves.html"
        QString title;  // as the contents of index.html name it
        QString text;   // the page as plain text, for the search
        QString headings;  // its headings, one a line
    };
    struct Hit {
        int page;         // index into Pages()
        int position;     // first occurrence in the page's text
        int count;        // occurrences in the page
        bool inHeading;   // a heading of the page holds it: the page explains it
        QString excerpt;  // a few characters either side of the first one
    };

    // helpFolder holds index.html; owner (the main window) keeps the window
    // and closes it with itself.
    explicit HelpWindow(const QString& helpFolder, QWidget* owner = nullptr);

    // index.html first, then the pages in the order of its contents.
    const QList<Page>& Pages() const { return pages_; }
    // The pages that contain word: those with it in a heading first, then
    // the others, each group in contents order.
    QList<Hit> Find(const QString& word) const;

    void ShowContents();
    // False when the help folder has no page of that name.
    bool ShowPage(const QString& file);
    // Lists the pages that contain word; the number of pages found.
    int Search(const QString& word);
    // Shows the page of search result row with the word marked everywhere
    // and selected where a heading holds it, else where it first occurs.
    void OpenHit(int row);
    // The file name of the page shown.
    QString CurrentPage() const;

    QListWidget* Contents = nullptr;
    QTextBrowser* Browser = nullptr;
    QLineEdit* SearchBox = nullptr;
    QPushButton* SearchButton = nullptr;
    QLabel* SearchStatus = nullptr;
    QListWidget* Results = nullptr;

protected:
    // The owner closing (hidden, not minimized) closes the help with it, so
    // that the program ends with its main window.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void ReadPages();
    // The page at url is shown: the contents select it, old marks go.
    void PageShown(const QUrl& url);
    void Highlight(const QString& word);

    QString folder_;
    QList<Page> pages_;
    QList<Hit> hits_;
    QString searched_;
};

// The help menu's "トピックの検索": the window on the manual's contents, or
// the window already open brought to the front. When the manual is missing
// from the program folder the user is told, with the main window's caption as
// title, and the result is nullptr (an open window on vanished pages closes).
HelpWindow* OpenHelp(WindowServices& services, QWidget* mainWindow, HelpWindow* existing);

extern const char kHelpMissing[];

}  // namespace vorlik
