#include "WindowServices.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSoundEffect>
#include <QUrl>

namespace vorlik {

struct QtWindowServices::Sound {
    QSoundEffect effect;
    QString path;
};

QtWindowServices::QtWindowServices()
    : sound_(new Sound),
      folders_(FindProgramFolders(QCoreApplication::applicationDirPath(), QStringLiteral(VORLIK_DATA_FROM_PROGRAM),
                                  qEnvironmentVariable("XDG_CONFIG_HOME")))
{
}

QtWindowServices::~QtWindowServices() { delete sound_; }

MessageAnswer QtWindowServices::ShowMessage(QWidget* parent, const QString& text, const QString& title,
                                            MessageIcon icon, MessageButtons buttons)
{
    static const QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Information, QMessageBox::Warning,
                                               QMessageBox::Critical};
    QMessageBox box(kIcons[static_cast<int>(icon)], title, text, QMessageBox::NoButton, parent);
    // A question asked in the middle of busy work gets the normal pointer.
    const bool busy = QGuiApplication::overrideCursor() != nullptr;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    QPushButton* yes = nullptr;
    if (buttons == MessageButtons::YesNo) {
        yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
        box.setDefaultButton(yes);
        box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    } else {
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    }
    box.exec();
    if (busy)
        QGuiApplication::restoreOverrideCursor();
    if (buttons == MessageButtons::Ok)
        return MessageAnswer::Ok;
    return box.clickedButton() == yes ? MessageAnswer::Yes : MessageAnswer::No;
}

QString WindowServices::ProgramFolder() { return QCoreApplication::applicationDirPath(); }

ProgramFolders WindowServices::Folders() { return {ProgramFolder(), ProgramFolder()}; }

void WindowServices::SetBusy(bool busy)
{
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    else if (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

bool WindowServices::ChoosePrinter(QWidget*, QPrinter&) { return false; }

bool QtWindowServices::ChoosePrinter(QWidget* parent, QPrinter& printer)
{
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

QString WindowServices::FolderName(QWidget*, const QString&, const QString&) { return QString(); }

QString QtWindowServices::FolderName(QWidget* parent, const QString& title, const QString& folder)
{
    return QFileDialog::getExistingDirectory(parent, title, folder);
}

void QtWindowServices::Beep() { QApplication::beep(); }

void QtWindowServices::PlaySound(const QString& path)
{
    if (sound_->path != path) {
        sound_->path = path;
        sound_->effect.setSource(QUrl::fromLocalFile(path));
    }
    sound_->effect.play();
}

QWidget* MessageParent(QWidget* fallback)
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return fallback;
}

void ShowHostMessage(WindowServices& services, QWidget* fallback, const std::string& text, const std::string& title,
                     HostIcon icon)
{
    const MessageIcon shown = icon == HostIcon::Error     ? MessageIcon::Error
                              : icon == HostIcon::Warning ? MessageIcon::Warning
                                                          : MessageIcon::Information;
    services.ShowMessage(MessageParent(fallback), QString::fromStdString(text), QString::fromStdString(title), shown,
                         MessageButtons::Ok);
}

bool InstallJapaneseQtTexts()
{
    // The program speaks Japanese whatever the system's language is.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

QString QtFilter(const QString& filterText)
{
    const QStringList parts = filterText.split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (int k = 0; k + 1 < parts.size(); k += 2)
        filters << parts[k];  // the name already shows its pattern: "ＰＧＮファイル(*.pgn)"
    return filters.join(QStringLiteral(";;"));
}

namespace {

QString RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& title, const QString& folder,
                      const QString& filter, int* filterIndex)
{
    QFileDialog dialog(parent, title, folder, QtFilter(filter));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::ReadOnly, false);
    // An existing game file leads to the collection dialog, and a position
    // file is simply replaced: the dialog itself never asks.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, mode == QFileDialog::AcceptSave);
    const QStringList names = QtFilter(filter).split(QStringLiteral(";;"));
    if (filterIndex && *filterIndex >= 1 && *filterIndex <= names.size())
        dialog.selectNameFilter(names[*filterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    if (filterIndex)
        *filterIndex = names.indexOf(dialog.selectedNameFilter()) + 1;
    return dialog.selectedFiles().first();
}

}  // namespace

QString QtWindowServices::OpenFileName(QWidget* parent, const QString& title, const QString& folder,
                                       const QString& filter, int* filterIndex)
{
    return RunFileDialog(parent, QFileDialog::AcceptOpen, title, folder, filter, filterIndex);
}

QString QtWindowServices::SaveFileName(QWidget* parent, const QString& title, const QString& folder,
                                       const QString& filter, int* filterIndex)
{
    return RunFileDialog(parent, QFileDialog::AcceptSave, title, folder, filter, filterIndex);
}

}  // namespace vorlik
