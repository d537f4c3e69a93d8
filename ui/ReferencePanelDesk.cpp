// The reference panel's lines of the player's own games: the desk's games in
// progress that reach the position on the board, read off the window's thread
// and read again when the desk's folder, player or files change.
#include "ReferencePanel.h"

#include "DeskPositions.h"
#include "DeskWindow.h"
#include "ProgramFolders.h"
#include "WindowServices.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>
#include <QThread>

#include <algorithm>
#include <memory>

namespace vorlik {

namespace {

QString Text(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void ReferencePanel::DeskActivated(QListWidgetItem* item)
{
    const int row = item ? ListReferenceDesk->row(item) : -1;
    if (row >= 0 && row < static_cast<int>(deskShown_.size()))
        emit OpenDeskGame(deskShown_[static_cast<std::size_t>(row)].place);
}

bool ReferencePanel::WatchDesk()
{
    // The desk window may have chosen another folder or name since: its
    // settings are rewritten whole, so their folder is watched.
    const QString settings = services_.Folders().Settings;
    if (QFileInfo(settings).isDir() && !deskWatch_.directories().contains(settings))
        deskWatch_.addPath(settings);
    const std::vector<std::string> lines = RememberedLines(services_.Folders(), kDeskWindowFile);
    const QString folder = lines.size() > 0 ? Text(lines[0]) : QString();
    const QString me = lines.size() > 1 ? Text(lines[1]).trimmed() : QString();
    if (folder == deskFolder_ && me == deskMe_)
        return false;
    if (!deskFolder_.isEmpty() && deskFolder_ != settings)
        deskWatch_.removePath(deskFolder_);
    deskFolder_ = folder;
    deskMe_ = me;
    ReadDesk();
    return true;
}

void ReferencePanel::ReadDesk()
{
    if (deskReader_) {
        deskDelay_.start();  // read again once the reading now ends
        return;
    }
    if (!deskFolder_.isEmpty() && QFileInfo(deskFolder_).isDir()) {
        deskWatch_.addPath(deskFolder_);
        const QStringList files = QDir(deskFolder_).entryList({QStringLiteral("*.pgn"), QStringLiteral("*.PGN"),
                                                               QStringLiteral("*.csv"), QStringLiteral("*.CSV")},
                                                              QDir::Files);
        for (const QString& file : files)
            deskWatch_.addPath(deskFolder_ + QLatin1Char('/') + file);
    }
    auto read = std::make_shared<DeskPositions>();
    deskRead_ = read;
    const std::string folder = deskFolder_.toStdString(), me = deskMe_.toStdString();
    // Off the window's thread: a desk of many files never stalls a step.
    deskReader_ = QThread::create([read, folder, me] { *read = DeskPositions::Build(folder, me); });
    connect(deskReader_, &QThread::finished, this, [this, read] {
        deskReader_->deleteLater();
        deskReader_ = nullptr;
        if (read != deskRead_)
            return;
        desk_ = std::move(*read);
        ShowDeskGames();
    });
    deskReader_->start();
}

void ReferencePanel::ShowDeskGames()
{
    deskShown_ = on_ && desk_.Games() ? desk_.Find(PositionOnBoard(session_.Game()).key) : std::vector<DeskMatch>();
    ListReferenceDesk->clear();
    for (const DeskMatch& match : deskShown_)
        ListReferenceDesk->addItem(Text(DeskMatchText(match, notation_)));
    ListReferenceDesk->setVisible(!deskShown_.empty());
    const int rows = std::min<int>(static_cast<int>(deskShown_.size()), 3);
    ListReferenceDesk->setFixedHeight(rows * (fontMetrics().height() + 4) + 6);
}

}  // namespace vorlik
