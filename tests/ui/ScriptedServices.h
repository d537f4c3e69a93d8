// Window services for tests: records every message, beep, sound, file dialog
// and busy pointer, and answers questions and file dialogs from queues (No,
// and a cancelled dialog, when the queue is empty).
#pragma once

#include "ui/WindowServices.h"

#include <QFile>
#include <QList>
#include <QPrinter>
#include <QStringList>
#include <QTemporaryDir>

namespace vorlik::test {

class ScriptedServices : public WindowServices {
public:
    struct Shown {
        QString text, title;
        MessageIcon icon;
        MessageButtons buttons;
    };
    // What a file dialog answers: the name (empty = cancelled) and the
    // 1-based entry of the type list.
    struct FileAnswer {
        QString name;
        int filterIndex = 1;
    };
    struct FileAsked {
        bool save;
        QString title, folder, filter;
    };
    QList<Shown> shown;
    QList<MessageAnswer> answers;
    QList<FileAnswer> fileAnswers;
    QList<FileAsked> fileAsked;
    int beeps = 0;
    QStringList sounds;
    int busy = 0;          // the pointer is busy while above 0
    int busyCalls = 0;     // how often it was made busy
    int busyAtMessage = -1;  // busy level when the last message was shown

    MessageAnswer ShowMessage(QWidget*, const QString& text, const QString& title, MessageIcon icon,
                              MessageButtons buttons) override
    {
        shown.append({text, title, icon, buttons});
        busyAtMessage = busy;
        if (!answers.isEmpty())
            return answers.takeFirst();
        return buttons == MessageButtons::YesNo ? MessageAnswer::No : MessageAnswer::Ok;
    }
    void Beep() override { ++beeps; }
    // A program folder of its own, so that no test reads or writes the
    // settings files beside the test programs.
    QString ProgramFolder() override { return programFolder.path(); }
    QTemporaryDir programFolder;

    // A file of the program folder; the run ends when it cannot be written,
    // since every later check would be about nothing.
    QString WriteProgramFile(const QString& name, const QByteArray& bytes, bool executable = false)
    {
        const QString path = ProgramFolder() + "/" + name;
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        out.close();
        if (executable)
            out.setPermissions(out.permissions() | QFileDevice::ExeOwner);
        return path;
    }
    // A shell script that stands in for an engine.
    QString ScriptEngine(const QString& name, const QString& body)
    {
        return WriteProgramFile(name, ("#!/bin/sh\n" + body + "\n").toUtf8(), true);
    }
    // An engine-settings file, and a Vorlik.ini (ini, or one that makes that
    // engine the current one).
    void Configure(const QByteArray& mek, const QByteArray& ini = QByteArray())
    {
        const QString name = QString::fromUtf8(mek.left(mek.indexOf('\r')));
        WriteProgramFile(name + ".mek", mek);
        WriteProgramFile("Vorlik.ini",
                         ini.isEmpty() ? (name + ".mek\r\nFalse\r\nFalse\r\n1\r\nFalse\r\nFalse\r\n").toUtf8() : ini);
    }
    void PlaySound(const QString& path) override { sounds << path; }
    QString OpenFileName(QWidget*, const QString& title, const QString& folder, const QString& filter,
                         int* filterIndex) override
    {
        return AnswerFile(false, title, folder, filter, filterIndex);
    }
    QString SaveFileName(QWidget*, const QString& title, const QString& folder, const QString& filter,
                         int* filterIndex) override
    {
        return AnswerFile(true, title, folder, filter, filterIndex);
    }
    // The print dialog: each answer is the PDF file to print to, an empty
    // one cancels (as does an empty queue). printersAsked keeps the paper
    // each dialog was opened with.
    QStringList printerAnswers;
    QList<QPageLayout> printersAsked;
    bool ChoosePrinter(QWidget*, QPrinter& printer) override
    {
        printersAsked.append(printer.pageLayout());
        const QString file = printerAnswers.isEmpty() ? QString() : printerAnswers.takeFirst();
        if (file.isEmpty())
            return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(file);
        return true;
    }
    void SetBusy(bool on) override
    {
        busy += on ? 1 : -1;
        if (on)
            ++busyCalls;
    }

private:
    QString AnswerFile(bool save, const QString& title, const QString& folder, const QString& filter,
                       int* filterIndex)
    {
        fileAsked.append({save, title, folder, filter});
        if (fileAnswers.isEmpty())
            return QString();
        const FileAnswer answer = fileAnswers.takeFirst();
        if (filterIndex)
            *filterIndex = answer.filterIndex;
        return answer.name;
    }
};

}  // namespace vorlik::test
