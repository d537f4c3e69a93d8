// What the window tests share: the window's controls reached by their names,
// as a user knows them, and engine settings files for scripted engines.
#pragma once

#include "ui/BoardView.h"

#include <QAction>
#include <QByteArray>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QObject>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QToolBar>
#include <QWidget>
#include <QtGlobal>

namespace vorlik::test {

inline QString Indexed(const char* name, int index) { return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index); }

// The control of that name ("TextInfo(5)", "MnuGameSetup") in the window
// itself, not in one of the dialogs it owns (they reuse some names); a
// missing one ends the test run, since every later check would be about
// nothing.
template <class T>
T* Control(const QObject* window, const QString& name)
{
    for (T* control : window->findChildren<T*>(name)) {
        const auto* widget = qobject_cast<const QWidget*>(control);
        if (!widget || widget->window() == window)
            return control;
    }
    qFatal("no control %s", qPrintable(name));
    return nullptr;
}

// The main window's controls as a user knows them, by their names.
class WindowControls {
public:
    explicit WindowControls(const QObject* window) : window_(window) {}

    BoardView* ImaCheBoa() const { return Get<BoardView>("ImaCheBoa"); }
    QListWidget* ListMain() const { return Get<QListWidget>("ListMain(0)"); }
    QLineEdit* TextInfo(int k) const { return Get<QLineEdit>(Indexed("TextInfo", k)); }
    QPlainTextEdit* TextInfoS() const { return Get<QPlainTextEdit>("TextInfoS"); }
    QComboBox* CombKekka() const { return Get<QComboBox>("CombKekka"); }
    QLabel* LabelTime(int k) const { return Get<QLabel>(Indexed("LabelTime", k)); }
    QPlainTextEdit* TextEngMas() const { return Get<QPlainTextEdit>("TextEngMas"); }
    QPushButton* CommandMain(int k) const { return Get<QPushButton>(Indexed("CommandMain", k)); }
    QLabel* LabelinCheckMate() const { return Get<QLabel>("LabelinCheckMate"); }
    QTimer* Timer() const { return Get<QTimer>("Timer"); }
    // Toolbar button 1..14: the menu entry's own action, or a separator.
    QAction* ToolbarButton(int k) const { return Get<QToolBar>("Toolbar")->actions().value(k - 1); }

    QAction* MnuFileNew() const { return Get<QAction>("MnuFileNew"); }
    QAction* MnuFileOpenSave(int k) const { return Get<QAction>(Indexed("MnuFileOpenSave", k)); }
    QAction* MnuFilePrint() const { return Get<QAction>("MnuFilePrint"); }
    QAction* MnuFileEnd() const { return Get<QAction>("MnuFileEnd"); }
    QAction* MnuGameNew() const { return Get<QAction>("MnuGameNew"); }
    QAction* MnuGameEnd() const { return Get<QAction>("MnuGameEnd"); }
    QAction* MnuGameTurn() const { return Get<QAction>("MnuGameTurn"); }
    QAction* MnuGameSound() const { return Get<QAction>("MnuGameSound"); }
    QAction* MnuGameHyoukiHyouki(int k) const { return Get<QAction>(Indexed("MnuGameHyoukiHyouki", k)); }
    QAction* MnuGameSetup() const { return Get<QAction>("MnuGameSetup"); }
    QAction* MnuGameLevelLevel(int k) const { return Get<QAction>(Indexed("MnuGameLevelLevel", k)); }
    QAction* MnuGameEngine() const { return Get<QAction>("MnuGameEngine"); }
    QAction* MnuOptionSearch() const { return Get<QAction>("MnuOptionSearch"); }
    QAction* MnuOptionKifuWrite() const { return Get<QAction>("MnuOptionKifuWrite"); }
    QAction* MnuOptionWin120DPI() const { return Get<QAction>("MnuOptionWin120DPI"); }
    QAction* MnuHelpSearch() const { return Get<QAction>("MnuHelpSearch"); }
    QAction* MnuHelpAbout() const { return Get<QAction>("MnuHelpAbout"); }

private:
    template <class T>
    T* Get(const QString& name) const { return Control<T>(window_, name); }

    const QObject* window_;
};

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
