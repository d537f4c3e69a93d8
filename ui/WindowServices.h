// Everything the window shows or sounds outside its own widgets: message
// boxes, beeps, file dialogs and the piece sound. The program uses the Qt
// implementation; tests plug in one that records and answers from a script.
#pragma once

#include "core/GameHeader.h"
#include "core/HostIcon.h"
#include "core/ModuleMekDim.h"
#include "ui/ProgramFolders.h"

#include <QString>

#include <string>

class QPrinter;
class QWidget;

namespace vorlik {

enum class MessageIcon { None, Information, Warning, Error };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class WindowServices {
public:
    virtual ~WindowServices() = default;

    virtual MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                                      MessageButtons buttons) = 0;
    virtual void Beep() = 0;
    // Plays a wave file without waiting for it to end.
    virtual void PlaySound(const QString& path) = 0;
    // Empty when cancelled; filterIndex is the 1-based entry chosen.
    virtual QString OpenFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                                 int* filterIndex) = 0;
    virtual QString SaveFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                                 int* filterIndex) = 0;
    // The folder of the executable.
    virtual QString ProgramFolder();
    // Where the shipped files are read and the user's settings written; both
    // the program folder unless the program is installed.
    virtual ProgramFolders Folders();
    // The busy pointer over the whole program while a file is scanned,
    // rewritten or searched. Calls nest: each true is undone by one false.
    virtual void SetBusy(bool busy);
    // The platform print dialog on printer (a printer or a PDF file); false
    // when cancelled. Without a dialog of its own nothing is printed.
    virtual bool ChoosePrinter(QWidget* parent, QPrinter& printer);
    // A folder chosen in the platform dialog, starting at folder; empty when
    // cancelled (always, without a dialog of its own).
    virtual QString FolderName(QWidget* parent, const QString& title, const QString& folder);
};

// Message boxes, beeps and dialogs of Qt; the sound through QSoundEffect.
class QtWindowServices : public WindowServices {
public:
    QtWindowServices();
    ~QtWindowServices() override;

    MessageAnswer ShowMessage(QWidget* parent, const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override;
    void Beep() override;
    void PlaySound(const QString& path) override;
    QString OpenFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                         int* filterIndex) override;
    QString SaveFileName(QWidget* parent, const QString& title, const QString& folder, const QString& filter,
                         int* filterIndex) override;
    bool ChoosePrinter(QWidget* parent, QPrinter& printer) override;
    QString FolderName(QWidget* parent, const QString& title, const QString& folder) override;
    ProgramFolders Folders() override { return folders_; }

private:
    struct Sound;
    Sound* sound_ = nullptr;
    ProgramFolders folders_;
};

// Where a message goes: over the dialog that is open, else over fallback,
// so that it is never hidden behind a modal window.
QWidget* MessageParent(QWidget* fallback);

// A message of the file module or the engine link, with an OK button, over
// the dialog that is open (else over fallback).
void ShowHostMessage(WindowServices& services, QWidget* fallback, const std::string& text, const std::string& title,
                     HostIcon icon);

// Qt's own texts (file dialogs, standard buttons, the print dialog) in
// Japanese, from Qt's translations; false when they are not installed.
bool InstallJapaneseQtTexts();

// A filter written "Name(*.x)|*.x|Other(*.y)|*.y|" as Qt wants it.
QString QtFilter(const QString& filterText);

}  // namespace vorlik
