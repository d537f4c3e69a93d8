#include "HelpWindow.h"

#include "JapaneseFonts.h"
#include "WindowServices.h"

#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSplitter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

namespace vorlik {

const char kHelpMissing[] =
    "ﾍﾙﾌﾟの目次を表示できません。 このﾌﾟﾛｼﾞｪｸﾄに関連付けられたﾍﾙﾌﾟが存在しません。";

namespace {

const char kIndexFile[] = "index.html";
constexpr int kExcerptBefore = 14;  // characters shown before a found word
constexpr int kExcerptAfter = 26;   // and after it

QString ReadUtf8(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

QString PlainText(const QString& html)
{
    QTextDocument document;
    document.setHtml(html);
    return document.toPlainText();
}

// Line ends and runs of blanks read as one blank in an excerpt.
QString OneLine(const QString& text) { return text.simplified(); }

QString Excerpt(const QString& text, int position, int length)
{
    const int start = qMax(0, position - kExcerptBefore);
    const int end = qMin(int(text.size()), position + length + kExcerptAfter);
    QString excerpt = OneLine(text.mid(start, end - start));
    if (start > 0)
        excerpt.prepend(QChar(0x2026));
    if (end < text.size())
        excerpt.append(QChar(0x2026));
    return excerpt;
}

// The pages named in the contents list of index.html, in its order: the
// links inside <ol class="contents">, or every page link when it has none.
QList<HelpWindow::Page> ContentsOf(const QString& indexHtml)
{
    QString block = indexHtml;
    const QRegularExpression list(QStringLiteral("<ol[^>]*class=\"contents\"[^>]*>(.*?)</ol>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch listMatch = list.match(indexHtml);
    if (listMatch.hasMatch())
        block = listMatch.captured(1);
    const QRegularExpression link(QStringLiteral("<a\\s+href=\"([^\":#]+\\.html)\"[^>]*>(.*?)</a>"),
                                  QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    QList<HelpWindow::Page> pages;
    QStringList seen{QString::fromUtf8(kIndexFile)};
    for (auto it = link.globalMatch(block); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        const QString file = match.captured(1);
        if (seen.contains(file))
            continue;
        seen << file;
        pages.append({file, OneLine(QString(match.captured(2)).remove(tag)), QString(), QString()});
    }
    return pages;
}

// The headings h1 to h3 of a page as plain text, one a line.
QString HeadingsOf(const QString& html)
{
    const QRegularExpression heading(QStringLiteral("<h[1-3][^>]*>(.*?)</h[1-3]>"),
                                     QRegularExpression::DotMatchesEverythingOption);
    QStringList headings;
    for (auto it = heading.globalMatch(html); it.hasNext();)
        headings << PlainText(it.next().captured(1));
    return headings.join(QLatin1Char('\n'));
}

QFont HelpFont()
{
    QFont font = GothicFont(true);
    font.setPixelSize(13);
    return font;
}

}  // namespace

QString HelpIndexFile(const QString& programFolder)
{
    return QDir(programFolder).filePath(QStringLiteral("help/") + QString::fromUtf8(kIndexFile));
}

HelpWindow::HelpWindow(const QString& helpFolder, QWidget* owner)
    : QWidget(owner, Qt::Window), folder_(helpFolder)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Vorlik ヘルプ"));
    setFont(HelpFont());
    ReadPages();
    BuildControls();
    resize(940, 660);
    if (owner)
        owner->installEventFilter(this);
}

bool HelpWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parent() && event->type() == QEvent::Hide && !event->spontaneous())
        close();
    return QWidget::eventFilter(watched, event);
}

void HelpWindow::ReadPages()
{
    const QString index = ReadUtf8(QDir(folder_).filePath(QString::fromUtf8(kIndexFile)));
    pages_.clear();
    pages_.append({QString::fromUtf8(kIndexFile), QStringLiteral("目次"), PlainText(index), HeadingsOf(index)});
    for (Page page : ContentsOf(index)) {
        const QString html = ReadUtf8(QDir(folder_).filePath(page.file));
        page.text = PlainText(html);
        page.headings = HeadingsOf(html);
        pages_.append(page);
    }
}

void HelpWindow::BuildControls()
{
    auto* home = new QPushButton(QStringLiteral("目次"));
    auto* back = new QPushButton(QStringLiteral("戻る"));
    auto* forward = new QPushButton(QStringLiteral("進む"));
    back->setEnabled(false);
    forward->setEnabled(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(home);
    buttons->addWidget(back);
    buttons->addWidget(forward);
    buttons->addStretch();

    Contents = new QListWidget;
    Contents->setObjectName(QStringLiteral("Contents"));
    for (const Page& page : pages_)
        Contents->addItem(page.title);

    SearchBox = new QLineEdit;
    SearchBox->setObjectName(QStringLiteral("SearchBox"));
    SearchBox->setPlaceholderText(QStringLiteral("探す語句（例: キャスリング）"));
    SearchButton = new QPushButton(QStringLiteral("検索"));
    SearchButton->setObjectName(QStringLiteral("SearchButton"));
    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(SearchBox, 1);
    searchRow->addWidget(SearchButton);
    SearchStatus = new QLabel;
    SearchStatus->setObjectName(QStringLiteral("SearchStatus"));
    SearchStatus->setWordWrap(true);
    Results = new QListWidget;
    Results->setObjectName(QStringLiteral("Results"));
    Results->setWordWrap(true);

    auto* left = new QWidget;
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addLayout(buttons);
    leftLayout->addWidget(new QLabel(QStringLiteral("目次")));
    leftLayout->addWidget(Contents, 3);
    leftLayout->addWidget(new QLabel(QStringLiteral("検索")));
    leftLayout->addLayout(searchRow);
    leftLayout->addWidget(SearchStatus);
    leftLayout->addWidget(Results, 2);

    Browser = new QTextBrowser;
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenExternalLinks(false);
    Browser->setSearchPaths({folder_});

    auto* splitter = new QSplitter;
    splitter->addWidget(left);
    splitter->addWidget(Browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({270, 670});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(splitter);

    connect(home, &QPushButton::clicked, this, &HelpWindow::ShowContents);
    connect(back, &QPushButton::clicked, Browser, &QTextBrowser::backward);
    connect(forward, &QPushButton::clicked, Browser, &QTextBrowser::forward);
    connect(Browser, &QTextBrowser::backwardAvailable, back, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, forward, &QPushButton::setEnabled);
    connect(Browser, &QTextBrowser::sourceChanged, this, &HelpWindow::PageShown);
    connect(Contents, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && row < pages_.size())
            ShowPage(pages_[row].file);
    });
    connect(SearchButton, &QPushButton::clicked, this, [this] { Search(SearchBox->text()); });
    connect(SearchBox, &QLineEdit::returnPressed, this, [this] { Search(SearchBox->text()); });
    auto open = [this](QListWidgetItem* item) { OpenHit(Results->row(item)); };
    connect(Results, &QListWidget::itemClicked, this, open);
    connect(Results, &QListWidget::itemActivated, this, open);
}

void HelpWindow::ShowContents() { ShowPage(QString::fromUtf8(kIndexFile)); }

bool HelpWindow::ShowPage(const QString& file)
{
    const QString path = QDir(folder_).filePath(file);
    if (!QFileInfo(path).isFile())
        return false;
    if (CurrentPage() == file)
        PageShown(Browser->source());  // the same page again: only the old marks go
    else
        Browser->setSource(QUrl::fromLocalFile(path));
    return true;
}

QString HelpWindow::CurrentPage() const { return Browser->source().fileName(); }

void HelpWindow::PageShown(const QUrl& url)
{
    // While the browser tells of a new page, its source() is still the old one.
    Browser->setExtraSelections({});
    const QString file = url.fileName();
    const QSignalBlocker blocker(Contents);
    for (int k = 0; k < pages_.size(); ++k)
        if (pages_[k].file == file)
            Contents->setCurrentRow(k);
}

QList<HelpWindow::Hit> HelpWindow::Find(const QString& word) const
{
    QList<Hit> hits;
    if (word.isEmpty())
        return hits;
    for (int k = 0; k < pages_.size(); ++k) {
        const QString& text = pages_[k].text;
        const int first = text.indexOf(word, 0, Qt::CaseInsensitive);
        if (first < 0)
            continue;
        int count = 0;
        for (int at = first; at >= 0; at = text.indexOf(word, at + word.size(), Qt::CaseInsensitive))
            ++count;
        const bool inHeading = pages_[k].headings.contains(word, Qt::CaseInsensitive);
        hits.append({k, first, count, inHeading, Excerpt(text, first, word.size())});
    }
    std::stable_sort(hits.begin(), hits.end(), [](const Hit& a, const Hit& b) { return a.inHeading && !b.inHeading; });
    return hits;
}

int HelpWindow::Search(const QString& typed)
{
    const QString word = typed.trimmed();
    Results->clear();
    hits_ = Find(word);
    searched_ = word;
    if (word.isEmpty()) {
        SearchStatus->setText(QStringLiteral("探す語句を入力してください。"));
        return 0;
    }
    if (hits_.isEmpty()) {
        SearchStatus->setText(QStringLiteral("「%1」を含むページはありません。").arg(word));
        return 0;
    }
    SearchStatus->setText(QStringLiteral("「%1」を含むページ: %2").arg(word).arg(hits_.size()));
    for (const Hit& hit : hits_)
        Results->addItem(QStringLiteral("%1（%2か所）\n%3").arg(pages_[hit.page].title).arg(hit.count).arg(hit.excerpt));
    return int(hits_.size());
}

void HelpWindow::OpenHit(int row)
{
    if (row < 0 || row >= hits_.size())
        return;
    ShowPage(pages_[hits_[row].page].file);
    Highlight(searched_);
}

void HelpWindow::Highlight(const QString& word)
{
    // Every occurrence gets a marker colour; the one in a heading (where the
    // page explains the word), else the first, is selected and scrolled to.
    QList<QTextEdit::ExtraSelection> marks;
    QTextDocument* document = Browser->document();
    QTextCursor first;
    bool firstInHeading = false;
    for (QTextCursor found = document->find(word); !found.isNull(); found = document->find(word, found)) {
        const bool inHeading = found.block().blockFormat().headingLevel() > 0;
        if (first.isNull() || (inHeading && !firstInHeading)) {
            first = found;
            firstInHeading = inHeading;
        }
        QTextEdit::ExtraSelection mark;
        mark.cursor = found;
        mark.format.setBackground(QColor(0xFF, 0xE0, 0x66));
        marks.append(mark);
    }
    Browser->setExtraSelections(marks);
    if (!first.isNull()) {
        Browser->setTextCursor(first);
        // The section that holds it starts at the top of the view.
        QScrollBar* bar = Browser->verticalScrollBar();
        bar->setValue(bar->value() + Browser->cursorRect(first).top() - Browser->fontMetrics().height());
    }
}

HelpWindow* OpenHelp(WindowServices& services, QWidget* mainWindow, HelpWindow* existing)
{
    const QString index = HelpIndexFile(services.Folders().Data);
    if (!QFileInfo(index).isFile()) {
        if (existing) {
            existing->close();
            existing->deleteLater();
        }
        services.ShowMessage(mainWindow, QString::fromUtf8(kHelpMissing),
                             mainWindow ? mainWindow->windowTitle() : QString(), MessageIcon::Information,
                             MessageButtons::Ok);
        return nullptr;
    }
    HelpWindow* window = existing;
    if (!window) {
        window = new HelpWindow(QFileInfo(index).absolutePath(), mainWindow);
        window->ShowContents();
    }
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace vorlik
