// Runs the companion vorlik-kifu (VORLIK_KIFU) and keeps what it said.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace vorlik::test {

struct Run {
    int status = -1;  // -1 also when the program crashed
    QString out, err;
};

// A database import or an engine's seconds, slowed by a busy machine, fit in the wait.
inline Run RunKifu(const QStringList& args)
{
    QProcess process;
    process.start(VORLIK_KIFU, args);
    process.waitForFinished(600000);
    const bool normal = process.exitStatus() == QProcess::NormalExit;
    return {normal ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

}  // namespace vorlik::test
