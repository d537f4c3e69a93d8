// A file-module host for tests: a session without a window, messages recorded,
// the collection dialog answered from a queue, files in a temporary folder.
#pragma once

#include "TestBoard.h"
#include "records/ModuleMekFile.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QString>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

namespace vorlik::test {

class RecordsHost : public KifuHost {
public:
    struct Shown {
        std::string text, title;
    };
    TestBoard window;  // the game on the board
    std::vector<Shown> shown;
    QList<int> answers;   // KifuSelect per dialog; 0 when none is left
    QList<bool> yes;      // answers to questions; no when none is left
    std::vector<std::string> asked;
    std::vector<int> dialogModes;
    bool longForm = false;
    int busy = 0;
    std::function<void()> duringDialog;  // what happens while the list is open

    GameSession& Session() override { return window.session; }
    void ShowMessage(const std::string& text, const std::string& title, Icon) override { shown.push_back({text, title}); }
    void SetBusy(bool on) override { busy += on ? 1 : -1; }
    void ShowKifuDialog(KifuFile& file, const std::string&) override
    {
        dialogModes.push_back(static_cast<int>(file.KifuDialogMode));
        if (duringDialog)
            duringDialog();
        file.KifuSelect = static_cast<KifuSelect>(answers.isEmpty() ? 0 : answers.takeFirst());
    }
    bool LongFormSave() override { return longForm; }
    void Beep() override { window.Beep(); }
    bool Ask(const std::string& question, const std::string&) override
    {
        asked.push_back(question);
        return !yes.isEmpty() && yes.takeFirst();
    }

    std::string LastMessage() const { return shown.empty() ? std::string() : shown.back().text; }
};

// Plays space-separated tokens on the host's board through its gate.
inline void PlayTokens(TestBoard& window, const std::string& tokens);

inline QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

inline std::string S(const QString& text) { return text.toStdString(); }

}  // namespace vorlik::test

#include "core/MoveCommit.h"

#include <sstream>

inline void vorlik::test::PlayTokens(TestBoard& window, const std::string& tokens)
{
    std::istringstream in(tokens);
    std::string token;
    while (in >> token) {
        window.CheckChessMoveOutput(token);
    }
}
