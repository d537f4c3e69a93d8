#include "FileCommands.h"

#include "DeskWindow.h"
#include "DialogMnuFilePrint.h"
#include "GameInfoBoxes.h"
#include "KifuFolder.h"
#include "WindowKifuHost.h"
#include "WindowServices.h"
#include "WindowStates.h"
#include "records/DeskSettings.h"
#include "session/GameSession.h"

#include <QAction>
#include <QFileInfo>
#include <QMainWindow>
#include <QTimer>

#include <utility>

namespace vorlik {

namespace {

// A name typed without an extension gets the one of the chosen file type:
// "game" saved as PGN becomes "game.pgn".
QString WithFilterSuffix(const QString& fileName, const char* filter, int entry)
{
    if (!QFileInfo(fileName).suffix().isEmpty())
        return fileName;
    const QStringList parts = QString::fromUtf8(filter).split(QLatin1Char('|'), Qt::SkipEmptyParts);
    const QString pattern = parts.value(2 * entry - 1);
    if (!pattern.startsWith(QStringLiteral("*.")))
        return fileName;
    return fileName + (fileName.endsWith(QLatin1Char('.')) ? pattern.mid(2) : pattern.mid(1));
}

// A file named ".pgn", ".fen" or ".csv" is of that kind whatever entry of the
// type list was left chosen; any other name goes by the entry.
KifuKind KindOfChosenFile(const QString& fileName, KifuKind entryKind)
{
    const KifuKind named = KindOfFileName(fileName.toStdString());
    return named != kKindNone ? named : entryKind;
}

// The kind of the file-type entry chosen in a dialog, within the kinds it offers.
KifuKind KindOfEntry(int entry, KifuKind last) { return static_cast<KifuKind>(qBound(int(kKindPgn), entry, int(last))); }

}  // namespace

FileCommands::FileCommands(WindowServices& services, GameSession& session, GameInfoBoxes& info,
                           const WindowStates& states, QAction* longFormOption, QMainWindow& window)
    : QObject(&window), services_(services), session_(session), info_(info), states_(states),
      longFormOption_(longFormOption), window_(window)
{
    kifuHost_ = std::make_unique<WindowKifuHost>(session_, services_, &window_, longFormOption_, info_.Captions());
    kifuFolder_ = std::make_unique<KifuFolder>(services_.Folders().Settings);
    // A game from a file (the position search's) replaces the record: a
    // game against the engine ends first, as "終了" ends it.
    kifuHost_->mayDiscard = [this] {
        if (!MayDiscardRecord())
            return false;
        if (beforeReplace)
            beforeReplace();
        return true;
    };
    kifuHost_->matchesFile = [this](const std::string& fileName) {
        emit Loaded();  // the list is written anew from the game just loaded, whatever went by while it loaded
        RecordSaved(QString::fromStdString(fileName));
    };
}

FileCommands::~FileCommands() = default;

KifuHost& FileCommands::Host() { return *kifuHost_; }

void FileCommands::NewRecord()
{
    if (printDialog_)
        printDialog_->NewRecord();
}

void FileCommands::WarnError(const std::string& text)
{
    services_.ShowMessage(&window_, QString::fromStdString(text), QStringLiteral("警告"), MessageIcon::Error,
                          MessageButtons::Ok);
}

void FileCommands::MnuFileOpenSave_Click(FileCommand command)
{
    if (command == FileCommand::Open)
        OpenFile();
    else if (command == FileCommand::Save)
        SaveFile();
}

void FileCommands::OpenFile()
{
    int entry = kKindPgn;
    const QString name = services_.OpenFileName(&window_, QStringLiteral("開く"), kifuFolder_->Folder(),
                                                QString::fromUtf8(kFilterAll), &entry);
    if (name.isEmpty())
        return;
    OpenGameFile(name, KindOfEntry(entry, kKindCsv));
}

void FileCommands::OpenGameFile(const QString& fileName, KifuKind entryKind)
{
    const QString name = QFileInfo(fileName).absoluteFilePath();
    RememberFolder(name);
    OpenKifuFile(*kifuHost_, kifuFile_, KindOfChosenFile(name, entryKind), name.toStdString());
}

void FileCommands::SaveFile()
{
    if (deskPlace_ && SaveToDesk())
        return;
    // A game from a set-up position has no place in the postal layout.
    const char* filter = IsStandardStart(session_.Game()) ? kFilterAll : kFilterNoCsv;
    int entry = kKindPgn;
    QString name = services_.SaveFileName(&window_, QStringLiteral("保存"), kifuFolder_->Folder(),
                                          QString::fromUtf8(filter), &entry);
    if (name.isEmpty())
        return;
    RememberFolder(name);
    const KifuKind chosen = KindOfEntry(entry, filter == kFilterAll ? kKindCsv : kKindFen);
    name = WithFilterSuffix(name, filter, chosen);
    // A set-up game named ".csv" is refused by the save, with a message.
    const KifuKind kind = KindOfChosenFile(name, chosen);
    if (!MayLoseAnnotations(kind))
        return;
    if (SaveKifuFile(*kifuHost_, kifuFile_, kind, name.toStdString())) {
        RecordSaved(name);
        if (deskWindow_ && deskWindow_->isVisible())
            deskWindow_->Refresh();
    }
}

bool FileCommands::MayLoseAnnotations(KifuKind kind)
{
    const std::string loss = SaveLossText(session_.Game(), kind);
    return loss.empty() ||
           services_.ShowMessage(&window_, QString::fromStdString(loss) + QStringLiteral("保存しますか？"),
                                 QStringLiteral("注意"), MessageIcon::Warning, MessageButtons::YesNo) == MessageAnswer::Yes;
}

void FileCommands::MnuFilePrint_Click()
{
    if (!printDialog_)
        printDialog_ = new DialogMnuFilePrint(services_, &window_);
    printDialog_->PrintOutInit(session_.Game(), session_.Header(), longFormOption_->isChecked(), info_.PostcardTotals());
    printDialog_->show();
    printDialog_->raise();
    printDialog_->activateWindow();
}

void FileCommands::PrintClaim(const QStringList& claim)
{
    MnuFilePrint_Click();
    printDialog_->SetClaim(claim);
}

void FileCommands::MnuFileDesk_Click()
{
    if (!deskWindow_) {
        deskWindow_ = std::make_unique<DeskWindow>(services_, nullptr);
        deskWindow_->setFont(window_.font());
        connect(deskWindow_.get(), &DeskWindow::OpenGame, this, &FileCommands::OpenFromDesk);
    }
    deskWindow_->Refresh();
    deskWindow_->show();
    deskWindow_->raise();
    deskWindow_->activateWindow();
}

void FileCommands::CloseDesk()
{
    if (deskWindow_)
        deskWindow_->close();
}

void FileCommands::OpenFromDesk(const DeskPlace& place)
{
    // As "開く": not while a set-up is open or the engine is thinking.
    if (!states_.Enabled(WindowCommand::FileOpen)) {
        services_.Beep();
        return;
    }
    pendingDeskPlace_ = place;
    OpenDeskGame(*kifuHost_, kifuFile_, place);
    pendingDeskPlace_.reset();
    window_.raise();
    window_.activateWindow();
}

bool FileCommands::SaveToDesk()
{
    const QString fileName = QString::fromStdString(deskPlace_->path);
    const QString question = QStringLiteral("通信対局一覧のゲームです。「%1」の%2番に上書きしますか？\n"
                                            "（「いいえ」で保存先を選べます）")
                                 .arg(QFileInfo(fileName).fileName())
                                 .arg(deskPlace_->key.number);
    if (services_.ShowMessage(&window_, question, QStringLiteral("ファイル保存"), MessageIcon::Warning,
                              MessageButtons::YesNo) == MessageAnswer::No)
        return false;
    DeskPlace place = *deskPlace_;
    if (!MayLoseAnnotations(static_cast<KifuKind>(place.kind)) || !SaveDeskGame(*kifuHost_, place))
        return true;
    pendingDeskPlace_ = place;
    RecordSaved(fileName);
    if (deskWindow_ && deskWindow_->isVisible())
        deskWindow_->Refresh();
    return true;
}

void FileCommands::MnuOptionSearch_Click()
{
    int entry = 1;
    const QString name = services_.OpenFileName(&window_, QStringLiteral("局面検索"), kifuFolder_->Folder(),
                                                QString::fromUtf8(kFilterSearch), &entry);
    if (name.isEmpty())
        return;
    RememberFolder(name);
    // The search offers PGN and CSV only: its second entry is the CSV kind,
    // and a position file is told, not searched.
    const KifuKind kind = KindOfChosenFile(name, entry == 2 ? kKindCsv : kKindPgn);
    SearchKifuFile(*kifuHost_, kifuFile_, kind, name.toStdString());
}

void FileCommands::RememberFolder(const QString& fileName)
{
    std::string error;
    if (!kifuFolder_->Remember(fileName, error))
        WarnError(error);
}

// ---- the record's state -------------------------------------------------------

bool FileCommands::RecordUnsaved() const { return session_.Game().Revision != savedRevision_; }

bool FileCommands::MayDiscardRecord()
{
    if (!RecordUnsaved())
        return true;
    return services_.ShowMessage(&window_, QStringLiteral("保存されていない棋譜があります。破棄しますか？"),
                                 QStringLiteral("注意"), MessageIcon::Warning,
                                 MessageButtons::YesNo) == MessageAnswer::Yes;
}

void FileCommands::RecordSaved(const QString& fileName)
{
    // A game from the desk is new first (no file), then the desk's file's.
    const bool fromDesk = pendingDeskPlace_ && pendingDeskPlace_->path == fileName.toStdString();
    deskPlace_ = fromDesk ? std::exchange(pendingDeskPlace_, std::nullopt) : std::nullopt;
    ReadDeskOfGame(fileName);
    savedRevision_ = session_.Game().Revision;
    const QString caption = QString::fromUtf8(kProgramCaption);
    window_.setWindowTitle(fileName.isEmpty() ? caption + QStringLiteral("[*]")
                                              : QFileInfo(fileName).fileName() + QStringLiteral("[*] - ") + caption);
    ShowRecordState();
}

void FileCommands::ShowRecordState()
{
    // Read once the present event is handled: a load changes the record at
    // every move.
    if (std::exchange(recordStateDue_, true))
        return;
    QTimer::singleShot(0, this, [this] {
        recordStateDue_ = false;
        window_.setWindowModified(RecordUnsaved());
        info_.ShowLedger();
    });
}

void FileCommands::ReadDeskOfGame(const QString& fileName)
{
    info_.SetDesk(GameDesk{});
    if (fileName.isEmpty())
        return;
    // The game just loaded from the file scanned last tells which of two alike it is.
    int number = 0;
    if (kifuFile_.FileName == fileName.toStdString())
        number = kifuFile_.KifuCount == 1 ? 1 : ChosenGame(kifuFile_.KifuSelect);
    // Without the folder's settings the game is counted without them; the file stays as it is.
    info_.SetDesk(DeskOfGame(QFileInfo(fileName).absoluteFilePath().toStdString(), session_.Header(), number));
}

}  // namespace vorlik
