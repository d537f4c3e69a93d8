// The main window's menus and toolbar. A toolbar button is its menu entry's
// own action: one command, one enabled state. An index in a name stands for
// a control array.
#pragma once

#include <array>

class QAction;
class QMainWindow;
class QToolBar;

namespace vorlik {

class WindowMenus {
public:
    // Fills the window's menu bar and adds its toolbar.
    void Build(QMainWindow& window);

    QAction* MnuFileNew = nullptr;
    std::array<QAction*, 4> MnuFileOpenSave{};  // 1 open, 3 save
    QAction* MnuFilePrint = nullptr;
    QAction* MnuFileDesk = nullptr;
    QAction* MnuFileReferenceOpen = nullptr;     // "参考データベースを開く..."
    QAction* MnuFileReferenceAdd = nullptr;      // "参考データベースに追加..."
    QAction* MnuFileEnd = nullptr;
    QAction* MnuGameNew = nullptr;
    QAction* MnuGameEnd = nullptr;
    QAction* MnuGameTurn = nullptr;
    QAction* MnuGameSound = nullptr;
    std::array<QAction*, 5> MnuGameHyoukiHyouki{};  // 1..4, the notations
    QAction* MnuGameSetup = nullptr;
    std::array<QAction*, 4> MnuGameLevelLevel{};  // 1..3
    QAction* MnuGameEngine = nullptr;
    QAction* MnuGameAnalysis = nullptr;          // "解析"
    QAction* MnuGameTablebase = nullptr;         // "終盤データベース"
    QAction* MnuGameTbClaim = nullptr;           // "テーブルベースで申告..."
    QAction* MnuGameReference = nullptr;         // "参考棋譜"
    QAction* MnuGameVariation = nullptr;         // "変化手順の入力"
    QAction* MnuGameVariationPromote = nullptr;
    QAction* MnuGameVariationDelete = nullptr;
    QAction* MnuGameReview = nullptr;            // "全手解析"
    std::array<QAction*, 7> MnuGameMark{};       // 1..6: ! ? !! ?? !? ?!
    QAction* MnuOptionSearch = nullptr;
    QAction* MnuOptionKifuWrite = nullptr;
    QAction* MnuOptionWin120DPI = nullptr;
    QAction* MnuHelpSearch = nullptr;
    QAction* MnuHelpAbout = nullptr;
    QToolBar* Toolbar = nullptr;
    std::array<QAction*, 15> ToolbarButton{};  // 1..14

private:
    void BuildToolbar(QMainWindow& window);
};

}  // namespace vorlik
