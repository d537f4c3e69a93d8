#include "WindowMenus.h"

#include "JapaneseFonts.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QToolBar>

namespace vorlik {

namespace {

// A toolbar picture: the command's character on a small tile.
QIcon ToolIcon(const QString& glyph)
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QColor(0x6E, 0x14, 0x14));
    painter.setBrush(QColor(0xF6, 0xE8, 0xC8));
    painter.drawRoundedRect(QRectF(1.5, 1.5, 21, 21), 4, 4);
    QFont font = GothicFont(true);
    font.setPixelSize(14);
    font.setBold(true);
    painter.setFont(font);
    painter.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

}  // namespace

void WindowMenus::Build(QMainWindow& window)
{
    // Captions end in their access key the Japanese way: "ファイル(&F)".
    auto entry = [](QMenu* menu, const char* name, const QString& caption, char key = 0) {
        QAction* action = menu->addAction(key ? caption + QStringLiteral("(&%1)").arg(QLatin1Char(key)) : caption);
        action->setObjectName(QString::fromUtf8(name));
        return action;
    };
    QMenu* file = window.menuBar()->addMenu(QStringLiteral("ファイル(&F)"));
    file->setObjectName(QStringLiteral("MnuFile"));
    MnuFileNew = entry(file, "MnuFileNew", QStringLiteral("新規作成"), 'N');
    file->addSeparator();
    MnuFileOpenSave[1] = entry(file, "MnuFileOpenSave(1)", QStringLiteral("開く"), 'O');
    MnuFileOpenSave[2] = file->addSeparator();
    MnuFileOpenSave[3] = entry(file, "MnuFileOpenSave(3)", QStringLiteral("保存"), 'S');
    file->addSeparator();
    MnuFileDesk = entry(file, "MnuFileDesk", QStringLiteral("通信対局一覧"), 'D');
    file->addSeparator();
    MnuFileReferenceOpen = entry(file, "MnuFileReferenceOpen", QStringLiteral("参考データベースを開く..."), 'R');
    MnuFileReferenceAdd = entry(file, "MnuFileReferenceAdd", QStringLiteral("参考データベースに追加..."), 'I');
    file->addSeparator();
    MnuFilePrint = entry(file, "MnuFilePrint", QStringLiteral("印刷"), 'P');
    file->addSeparator();
    MnuFileEnd = entry(file, "MnuFileEnd", QStringLiteral("Vorlikの終了"), 'X');

    QMenu* game = window.menuBar()->addMenu(QStringLiteral("ゲーム(&G)"));
    game->setObjectName(QStringLiteral("MnuGame"));
    MnuGameNew = entry(game, "MnuGameNew", QStringLiteral("ゲーム開始"), 'S');
    MnuGameEnd = entry(game, "MnuGameEnd", QStringLiteral("ゲーム終了"), 'E');
    game->addSeparator();
    MnuGameTurn = entry(game, "MnuGameTurn", QStringLiteral("盤の反転"), 'T');
    MnuGameSound = entry(game, "MnuGameSound", QStringLiteral("駒音"), 'U');
    QMenu* notation = game->addMenu(QStringLiteral("表記(&N)"));
    notation->setObjectName(QStringLiteral("MnuGameHyouki"));
    const QString styles[] = {QStringLiteral("国際"), QStringLiteral("国際長"), QStringLiteral("郵便"),
                              QStringLiteral("座標")};
    for (int k = 1; k <= 4; ++k) {
        MnuGameHyoukiHyouki[k] = entry(notation, "", styles[k - 1]);
        MnuGameHyoukiHyouki[k]->setObjectName(QStringLiteral("MnuGameHyoukiHyouki(%1)").arg(k));
        MnuGameHyoukiHyouki[k]->setCheckable(true);
    }
    game->addSeparator();
    MnuGameVariation = entry(game, "MnuGameVariation", QStringLiteral("変化手順の入力"), 'V');
    MnuGameVariation->setCheckable(true);
    MnuGameVariationPromote = entry(game, "MnuGameVariationPromote", QStringLiteral("変化手順を本手順に昇格"), 'R');
    MnuGameVariationDelete = entry(game, "MnuGameVariationDelete", QStringLiteral("変化手順の削除"), 'D');
    QMenu* marks = game->addMenu(QStringLiteral("記号(&M)"));
    marks->setObjectName(QStringLiteral("MnuGameMark"));
    const char* const symbols[] = {"", "!", "?", "!!", "??", "!?", "?!"};
    for (int k = 1; k <= 6; ++k) {
        MnuGameMark[k] = entry(marks, "", QString::fromLatin1(symbols[k]));
        MnuGameMark[k]->setObjectName(QStringLiteral("MnuGameMark(%1)").arg(k));
        MnuGameMark[k]->setCheckable(true);
    }
    game->addSeparator();
    MnuGameReview = entry(game, "MnuGameReview", QStringLiteral("全手解析"), 'A');
    game->addSeparator();
    MnuGameSetup = entry(game, "MnuGameSetup", QStringLiteral("駒の配置"), 'P');
    game->addSeparator();
    QMenu* level = game->addMenu(QStringLiteral("思考レベル(&L)"));
    level->setObjectName(QStringLiteral("MnuGameLevel"));
    for (int k = 1; k <= 3; ++k) {
        MnuGameLevelLevel[k] = entry(level, "", QStringLiteral("レベル%1").arg(QChar(0xFF10 + k)));
        MnuGameLevelLevel[k]->setObjectName(QStringLiteral("MnuGameLevelLevel(%1)").arg(k));
        MnuGameLevelLevel[k]->setCheckable(true);
    }
    game->addSeparator();
    MnuGameAnalysis = entry(game, "MnuGameAnalysis", QStringLiteral("解析"), 'A');
    MnuGameAnalysis->setCheckable(true);
    MnuGameTablebase = entry(game, "MnuGameTablebase", QStringLiteral("終盤データベース"), 'B');
    MnuGameTablebase->setCheckable(true);
    MnuGameTbClaim = entry(game, "MnuGameTbClaim", QStringLiteral("テーブルベースで申告..."));
    MnuGameReference = entry(game, "MnuGameReference", QStringLiteral("参考棋譜"), 'K');
    MnuGameReference->setCheckable(true);
    game->addSeparator();
    MnuGameEngine = entry(game, "MnuGameEngine", QStringLiteral("エンジンの設定"), 'C');

    QMenu* option = window.menuBar()->addMenu(QStringLiteral("その他(&O)"));
    option->setObjectName(QStringLiteral("MnuOption"));
    MnuOptionSearch = entry(option, "MnuOptionSearch", QStringLiteral("局面検索"), 'S');
    option->addSeparator();
    MnuOptionKifuWrite = entry(option, "MnuOptionKifuWrite", QStringLiteral("国際長表記で保存"), 'L');
    option->addSeparator();
    MnuOptionWin120DPI = entry(option, "MnuOptionWin120DPI", QStringLiteral("画面・大きなサイズ（120dpi)"), 'D');

    QMenu* help = window.menuBar()->addMenu(QStringLiteral("ヘルプ(&H)"));
    help->setObjectName(QStringLiteral("MnuHelp"));
    MnuHelpSearch = entry(help, "MnuHelpSearch", QStringLiteral("トピックの検索"), 'H');
    help->addSeparator();
    MnuHelpAbout = entry(help, "MnuHelpAbout", QStringLiteral("バージョン情報"), 'A');

    MnuFileNew->setShortcut(Qt::CTRL | Qt::Key_N);
    MnuFileOpenSave[1]->setShortcut(Qt::CTRL | Qt::Key_O);
    MnuFileOpenSave[3]->setShortcut(Qt::CTRL | Qt::Key_S);
    MnuFilePrint->setShortcut(Qt::CTRL | Qt::Key_P);
    MnuFileEnd->setShortcut(Qt::CTRL | Qt::Key_Q);
    MnuHelpSearch->setShortcut(Qt::Key_F1);

    for (QAction* option : {MnuGameTurn, MnuGameSound, MnuOptionKifuWrite, MnuOptionWin120DPI})
        option->setCheckable(true);
    MnuGameHyoukiHyouki[1]->setChecked(true);
    BuildToolbar(window);
}

void WindowMenus::BuildToolbar(QMainWindow& window)
{
    Toolbar = window.addToolBar(QStringLiteral("Toolbar"));
    Toolbar->setObjectName(QStringLiteral("Toolbar"));
    Toolbar->setMovable(false);
    Toolbar->setIconSize(QSize(24, 24));
    struct Button {
        int index;
        const char* glyph;
        QAction* command;
    };
    const Button buttons[] = {{2, "新", MnuFileNew},       {3, "開", MnuFileOpenSave[1]}, {4, "保", MnuFileOpenSave[3]},
                              {5, "印", MnuFilePrint},     {7, "始", MnuGameNew},         {8, "終", MnuGameEnd},
                              {9, "配", MnuGameSetup},     {10, "エ", MnuGameEngine},     {12, "検", MnuOptionSearch},
                              {14, "？", MnuHelpAbout}};
    // Buttons 1, 6, 11 and 13 have no command: they part the groups.
    int next = 0;
    for (int index = 1; index <= 14; ++index) {
        if (next < 10 && buttons[next].index == index) {
            // A button is its menu entry's own action: one command, one
            // enabled state.
            const Button& button = buttons[next++];
            button.command->setIcon(ToolIcon(QString::fromUtf8(button.glyph)));
            button.command->setIconVisibleInMenu(false);
            Toolbar->addAction(button.command);
            ToolbarButton[index] = button.command;
        } else {
            ToolbarButton[index] = Toolbar->addSeparator();
        }
    }
    Toolbar->addSeparator();
    MnuFileDesk->setIcon(ToolIcon(QStringLiteral("〒")));
    MnuFileDesk->setIconVisibleInMenu(false);
    Toolbar->addAction(MnuFileDesk);
    // "解析" after the numbered buttons, which keep their places.
    MnuGameAnalysis->setIcon(ToolIcon(QStringLiteral("析")));
    MnuGameAnalysis->setIconVisibleInMenu(false);
    Toolbar->addSeparator();
    Toolbar->addAction(MnuGameAnalysis);
    MnuGameTablebase->setIcon(ToolIcon(QStringLiteral("TB")));
    MnuGameTablebase->setIconVisibleInMenu(false);
    Toolbar->addAction(MnuGameTablebase);
    MnuGameReference->setIcon(ToolIcon(QStringLiteral("参")));
    MnuGameReference->setIconVisibleInMenu(false);
    Toolbar->addAction(MnuGameReference);
}

}  // namespace vorlik
