// "参考データベースに追加...": a game file goes into the reference database
// by the companion's `db import`, in a process of its own, behind a progress
// dialog (games, games a second, a cancel button). The import is one
// transaction: cancelled (the process killed) the database stays as it was.
// The window stays live meanwhile.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QProcess>
#include <QString>

class QProgressDialog;
class QWidget;

namespace vorlik {

class WindowServices;

// The counts of the import's last line, "imported N skipped D refused R".
struct ImportSummary {
    bool read = false;
    long imported = 0, skipped = 0, refused = 0;
};
ImportSummary ReadImportSummary(const QString& output);
// The games of a progress line on the import's error output; -1 for another line.
long ImportProgressGames(const QString& line);

class ReferenceImport : public QObject {
    Q_OBJECT
public:
    ReferenceImport(WindowServices& services, QWidget* window);
    ~ReferenceImport() override;  // an import still running is cancelled

    // Imports file into database (created when it is not there); false
    // when one is running already.
    bool Start(const QString& database, const QString& file);
    bool Running() const { return process_.state() != QProcess::NotRunning; }
    void Cancel();
    // The games read so far, as the import last told.
    long Games() const { return games_; }

signals:
    // The import has ended; imported: games went into the database.
    void Finished(const QString& database, bool imported);

private:
    void ReadErrors();
    void Ended(int exitCode, QProcess::ExitStatus status);
    void ShowProgress();

    WindowServices& services_;
    QWidget* window_;
    QProcess process_;
    QProgressDialog* progress_ = nullptr;
    QElapsedTimer clock_;
    QString database_, file_;
    bool created_ = false;    // the database did not exist before
    bool cancelled_ = false;
    long games_ = 0;
    QString errors_;          // what the import told besides its progress
    QByteArray pending_;      // a line of the error output not yet ended
};

}  // namespace vorlik
