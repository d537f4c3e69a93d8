#include "ReferenceImport.h"

#include "WindowServices.h"

#include <QFile>
#include <QFileInfo>
#include <QProgressDialog>
#include <QRegularExpression>

namespace vorlik {

ImportSummary ReadImportSummary(const QString& output)
{
    static const QRegularExpression last(QStringLiteral("imported (\\d+) skipped (\\d+) refused (\\d+)"));
    ImportSummary summary;
    const QRegularExpressionMatch match = last.match(output);
    if (match.hasMatch()) {
        summary.read = true;
        summary.imported = match.captured(1).toLong();
        summary.skipped = match.captured(2).toLong();
        summary.refused = match.captured(3).toLong();
    }
    return summary;
}

long ImportProgressGames(const QString& line)
{
    static const QRegularExpression progress(QStringLiteral("\\(importing\\) (\\d+) "));
    const QRegularExpressionMatch match = progress.match(line);
    return match.hasMatch() ? match.captured(1).toLong() : -1;
}

ReferenceImport::ReferenceImport(WindowServices& services, QWidget* window) : services_(services), window_(window)
{
    connect(&process_, &QProcess::readyReadStandardError, this, &ReferenceImport::ReadErrors);
    connect(&process_, &QProcess::finished, this, &ReferenceImport::Ended);
    connect(&process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            Ended(-1, QProcess::CrashExit);
    });
}

ReferenceImport::~ReferenceImport()
{
    if (Running()) {
        cancelled_ = true;
        process_.disconnect(this);
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool ReferenceImport::Start(const QString& database, const QString& file)
{
    if (Running())
        return false;
    database_ = database;
    file_ = file;
    created_ = !QFileInfo::exists(database);
    cancelled_ = false;
    games_ = 0;
    errors_.clear();
    pending_.clear();
    if (!progress_) {
        progress_ = new QProgressDialog(window_);
        progress_->setWindowTitle(QStringLiteral("参考データベースに追加"));
        progress_->setCancelButtonText(QStringLiteral("中止"));
        progress_->setRange(0, 0);  // the games of a file are known only once it is read
        progress_->setMinimumDuration(0);
        progress_->setAutoClose(false);
        progress_->setAutoReset(false);
        progress_->setWindowModality(Qt::NonModal);  // the board stays in use meanwhile
        connect(progress_, &QProgressDialog::canceled, this, &ReferenceImport::Cancel);
    }
    progress_->setLabelText(QStringLiteral("「%1」を取り込んでいます…").arg(QFileInfo(file).fileName()));
    progress_->show();
    clock_.start();
    const QString companion = services_.ProgramFolder() + QStringLiteral("/vorlik-kifu");
    process_.start(companion, {QStringLiteral("db"), QStringLiteral("import"), database, file});
    return true;
}

void ReferenceImport::Cancel()
{
    if (!Running())
        return;
    cancelled_ = true;
    process_.kill();  // the transaction is never committed: the database is as before
}

void ReferenceImport::ReadErrors()
{
    pending_ += process_.readAllStandardError();
    int end = 0;
    while ((end = pending_.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(pending_.left(end)).trimmed();
        pending_.remove(0, end + 1);
        const long games = ImportProgressGames(line);
        if (games >= 0)
            games_ = games;
        else if (errors_.count(QLatin1Char('\n')) < 20)  // the first refusals; the count says the rest
            errors_ += line + QLatin1Char('\n');
    }
    ShowProgress();
}

void ReferenceImport::ShowProgress()
{
    if (!progress_ || cancelled_)
        return;
    const double seconds = clock_.elapsed() / 1000.0;
    progress_->setLabelText(QStringLiteral("「%1」を取り込んでいます…\n%2 局（%3 局/秒）")
                                .arg(QFileInfo(file_).fileName())
                                .arg(games_)
                                .arg(seconds > 0 ? qRound64(games_ / seconds) : 0));
}

void ReferenceImport::Ended(int exitCode, QProcess::ExitStatus status)
{
    if (progress_)
        progress_->hide();
    const ImportSummary summary = ReadImportSummary(QString::fromUtf8(process_.readAllStandardOutput()));
    if (cancelled_) {
        if (created_) {  // a database this import made goes with it
            QFile::remove(database_);
            QFile::remove(database_ + QStringLiteral("-journal"));
        }
        services_.ShowMessage(window_, QStringLiteral("取り込みを中止しました。データベースは元のままです。"),
                              QStringLiteral("参考データベースに追加"), MessageIcon::Information, MessageButtons::Ok);
        emit Finished(database_, false);
        return;
    }
    const bool ok = status == QProcess::NormalExit && exitCode == 0 && summary.read;
    QString text;
    if (summary.read)
        text = QStringLiteral("%1 局を取り込みました（既にあった %2 局、読めない %3 局）。")
                   .arg(summary.imported)
                   .arg(summary.skipped)
                   .arg(summary.refused);
    else if (exitCode < 0)
        text = QStringLiteral("取り込みのプログラム vorlik-kifu を起動できません。");
    else
        text = QStringLiteral("取り込めませんでした。");
    if (!errors_.isEmpty())
        text += QStringLiteral("\n\n") + errors_.trimmed();
    services_.ShowMessage(window_, text, QStringLiteral("参考データベースに追加"),
                          ok ? MessageIcon::Information : MessageIcon::Warning, MessageButtons::Ok);
    emit Finished(database_, ok && summary.imported > 0);
}

}  // namespace vorlik
