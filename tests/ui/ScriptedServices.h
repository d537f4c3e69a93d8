// Window services for tests: records every message, beep and sound, and
// answers questions from a queue (No when the queue is empty).
#pragma once

#include "ui/WindowServices.h"

#include <QList>
#include <QStringList>

namespace vorlik::test {

class ScriptedServices : public WindowServices {
public:
    struct Shown {
        QString text, title;
        MessageIcon icon;
        MessageButtons buttons;
    };
    QList<Shown> shown;
    QList<MessageAnswer> answers;
    int beeps = 0;
    QStringList sounds;

    MessageAnswer ShowMessage(QWidget*, const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    void Beep() override { ++beeps; }
    void PlaySound(const QString& path) override { sounds << path; }
    QString OpenFileName(QWidget*, const QString&, const QString&, const QString&, int*) override { return {}; }
    QString SaveFileName(QWidget*, const QString&, const QString&, const QString&, int*) override { return {}; }
};

}  // namespace vorlik::test
