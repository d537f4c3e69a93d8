// The file module's host in the window: its messages go through the window
// services, the busy pointer covers the whole program, and the collection
// dialog is shown modally over the window.
#pragma once

#include "records/ModuleMekFile.h"
#include "session/GameSession.h"

#include <QStringList>

#include <functional>

class QAction;
class QWidget;

namespace vorlik {

class WindowServices;

class WindowKifuHost : public KifuHost {
public:
    // longFormOption: the checkable "国際長表記で保存" entry (none: short text).
    // headerCaptions: the window's labels of the seven game-information fields.
    WindowKifuHost(GameSession& session, WindowServices& services, QWidget* parent, QAction* longFormOption,
                   const QStringList& headerCaptions);

    GameSession& Session() override { return session_; }
    void ShowMessage(const std::string& text, const std::string& title, Icon icon) override;
    bool Ask(const std::string& question, const std::string& title) override;
    void SetBusy(bool busy) override;
    void ShowKifuDialog(KifuFile& file, const std::string& fileName) override;
    bool LongFormSave() override;
    void Beep() override;
    bool MayDiscardRecord() override { return !mayDiscard || mayDiscard(); }
    void RecordMatchesFile(const std::string& fileName) override
    {
        if (matchesFile)
            matchesFile(fileName);
    }

    std::function<bool()> mayDiscard;
    std::function<void(const std::string&)> matchesFile;

private:
    GameSession& session_;
    WindowServices& services_;
    QWidget* parent_;
    QAction* longFormOption_;
    QStringList captions_;
};

}  // namespace vorlik
