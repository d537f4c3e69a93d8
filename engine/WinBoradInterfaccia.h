// The engine's child process and its pipes: started in its own folder and its
// own session (terminal signals do not reach it), its standard output and
// error merged into one pipe, killed with everything it started, and reaped.
// It knows nothing of chess; the protocol decides what is written.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

class QIODevice;
class QProcess;

namespace vorlik {

// The executable of EngSet(1): an absolute path as it is; a relative one in
// the program folder, then on PATH and in /usr/games. Empty when none is found.
QString ResolveEnginePath(const QString& path, const QString& programFolder);

// The argument text EngSet(2) split as a shell splits words (quotes and
// backslashes as a shell reads them).
QStringList SplitArguments(const QString& text);

// Deletes the files of the engine's folder that match a file-name pattern
// (* and ?): regular files only, never a program (a file that may be
// executed), a hidden file or one of the program's own (settings, engine
// files, the sound, game files and their backups). A pattern holding "/" or
// ".." deletes nothing. Returns how many were deleted.
int DeleteEngineFiles(const QString& folder, const QString& pattern);

// EngProc: at most one engine process.
class EnginePipes : public QObject {
    Q_OBJECT
public:
    explicit EnginePipes(QObject* parent = nullptr);
    ~EnginePipes() override;  // kills a process still running

    // Starts program with arguments in folder. False when it could not be
    // started (missing, not executable); nothing runs then.
    bool StartProcess(const QString& program, const QStringList& arguments, const QString& folder);
    // Kills the process and everything it started at once, and reaps it.
    // Harmless when nothing runs.
    void KillProcess();
    // Writes the bytes to the engine's input; the count written, 0 when no
    // engine runs.
    qint64 WritePipe(const QByteArray& bytes);
    // Everything that has arrived since the last read; empty when nothing has.
    QByteArray ReadPipe();

    // The pipes as one device, for a protocol that reads and writes lines
    // on it; null when no engine runs.
    QIODevice* Device() const;
    bool Running() const;
    qint64 ProcessId() const;
    // Milliseconds since the process was started.
    qint64 Age() const { return started_.isValid() ? started_.elapsed() : 0; }

signals:
    void OutputArrived();
    // The process ended by itself (exit, crash, a signal from outside); not
    // sent for KillProcess.
    void Ended();

private:
    void Finished();

    QProcess* process_ = nullptr;
    QElapsedTimer started_;
    qint64 pid_ = 0;  // kept after the process has ended: its group may live on
    bool killing_ = false;
};

}  // namespace vorlik
