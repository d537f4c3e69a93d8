// What the window tests share: the window's controls reached by their names,
// as a user knows them, and engine settings files for scripted engines.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace vorlik::test {

// The control of that name ("TextInfo(5)", "MnuGameSetup"); a missing one
// ends the test run, since every later check would be about nothing.
template <class T>
T* Control(const QObject* window, const QString& name)
{
    T* control = window->findChild<T*>(name);
    if (!control)
        qFatal("no control %s", qPrintable(name));
    return control;
}

inline QString Indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

// An engine-settings file of 15 lines; boxes in the order undo, remove, edit,
// black, force.
inline QByteArray Mek(const QString& name, const QString& path, const QString& arguments, const QString& first,
                      const QStringList& levels, const QString& boxes)
{
    QStringList lines = {name, path, arguments, first, levels.value(0), levels.value(1), levels.value(2), "", "", ""};
    for (const QChar box : boxes)
        lines << QStringLiteral(" %1 ").arg(box);
    return lines.join("\r\n").toUtf8() + "\r\n";
}

}  // namespace vorlik::test
