#include "BoardInput.h"

#include "BoardView.h"
#include "WindowServices.h"
#include "session/GameSession.h"

#include <QAction>
#include <QScreen>

#include <utility>

namespace vorlik {

BoardInput::BoardInput(WindowServices& services, GameSession& session, BoardView& board, QAction* turnOption,
                       QAction* soundOption, QWidget* window)
    : QObject(window), services_(services), session_(session), board_(board), turnOption_(turnOption),
      soundOption_(soundOption), window_(window)
{
    connect(&board_, &BoardView::ImagePressed, this, &BoardInput::ImaCheMan_MouseDown);
    connect(&board_, &BoardView::ImageDropped, this, &BoardInput::ImaCheMan_DragDrop);
    connect(&board_, &BoardView::BoardDropped, this, &BoardInput::ImaCheBoa_DragDrop);
    connect(&board_, &BoardView::ImageClicked, this, &BoardInput::ImaCheMan_Click);
    connect(&board_, &BoardView::DragCancelled, this, &BoardInput::ImaCheBoa_DragCancelled);
    connect(&board_, &BoardView::KeyDown, this, &BoardInput::ImaCheBoa_KeyDown);
}

DialogSetup* BoardInput::SetupDialog()
{
    if (!setupDialog_) {
        setupDialog_ = new DialogSetup(services_, edit_, window_);
        setupDialog_->returnSetup = [this](SetupReturn code) { return !returnSetup || returnSetup(code); };
        connect(setupDialog_, &DialogSetup::PiecePicked, this, &BoardInput::SetupPiecePicked);
        connect(setupDialog_, &DialogSetup::BoardChanged, this, &BoardInput::DrawBoard);
    }
    return setupDialog_;
}

bool BoardInput::Turned() const { return turnOption_->isChecked(); }

void BoardInput::PlayMoveSound()
{
    services_.PlaySound(services_.Folders().Data + QStringLiteral("/PieceMove.wav"));
}

int BoardInput::FileOf(int index) const { return BoardView::Column(index); }

int BoardInput::RankOf(int index) const { return Turned() ? 9 - BoardView::Row(index) : BoardView::Row(index); }

int BoardInput::ImageOfSquare(int file, int rank) const { return (file - 1) * 8 + (Turned() ? 9 - rank : rank); }

bool BoardInput::SideToMoveOwns(char piece) const
{
    return IsWhitePly(session_.Game().CurPly) ? IsBlackPiece(piece) : IsWhitePiece(piece);
}

void BoardInput::DrawBoard()
{
    const GameState& game = session_.Game();
    const bool setup = session_.SetupOpen();
    TextBoard board;
    for (int file = 1; file <= 8; ++file)
        for (int rank = 1; rank <= 8; ++rank)
            board[file][rank] = setup ? edit_.SquareText(file, rank) : std::string(1, game.KifuBoard[game.CurPly][file][rank]);
    board_.DrawBoard(board, Turned());
    // The move that led to the position shown; none while a position is set up.
    const std::string none;
    const std::string& move = setup ? none : game.KifuCoord[game.CurPly];
    const bool squares = move.size() >= 4 && IsFileLetter(move[0]) && IsRankDigit(move[1]) &&
                         IsFileLetter(move[2]) && IsRankDigit(move[3]);
    board_.SetMarks(squares ? ImageOfSquare(move[0] - 'a' + 1, move[1] - '0') : 0,
                    squares ? ImageOfSquare(move[2] - 'a' + 1, move[3] - '0') : 0, setup ? 0 : chosenImage_);
}

void BoardInput::ImaCheMan_MouseDown(int index)
{
    if (session_.EngWait())
        return;
    if (setupDialog_ && setupDialog_->AskingPromotion())
        return;
    const GameState& game = session_.Game();
    const bool setup = session_.SetupOpen();
    const int file = FileOf(index);
    const int rank = RankOf(index);
    if (chosenImage_ != 0 && !setup) {
        // The click after a chosen piece: the same piece again lets it go,
        // another piece of the side to move is taken up instead, any other
        // square is the target, dropped as a drag would drop it.
        const int chosen = std::exchange(chosenImage_, 0);
        if (index == chosen) {
            DrawBoard();
            return;
        }
        if (!SideToMoveOwns(game.KifuBoard[game.CurPly][file][rank])) {
            ImaCheMan_DragDrop(index);
            return;
        }
    }
    dragFile_ = file;
    dragRank_ = rank;
    if (setup) {
        const char piece = edit_.Square(file, rank);
        if (edit_.PickUp(file, rank))
            board_.BeginDrag(index, piece);
        return;
    }
    const char piece = game.KifuBoard[game.CurPly][file][rank];
    if (piece == 0)
        return;
    board_.BeginDrag(index, piece);
}

void BoardInput::ImaCheMan_Click(int index)
{
    const GameState& game = session_.Game();
    const char piece = game.KifuBoard[game.CurPly][dragFile_][dragRank_];
    if (session_.SetupOpen() || !SideToMoveOwns(piece)) {
        ImaCheMan_DragDrop(index);
        return;
    }
    chosenImage_ = index;  // the drag square keeps its square
    DrawBoard();
}

void BoardInput::ImaCheBoa_DragCancelled(int index)
{
    if (session_.SetupOpen()) {
        if (index != 0)
            edit_.Drop(dragFile_, dragRank_);  // back to its square
        edit_.Discard();  // a piece from the palette is gone
        DrawBoard();
        return;
    }
    emit Redisplay();
}

void BoardInput::ImaCheBoa_KeyDown(int key)
{
    if (key == Qt::Key_Escape && chosenImage_ != 0) {
        chosenImage_ = 0;
        DrawBoard();
        return;
    }
    emit KeyDown(key);
}

void BoardInput::ImaCheMan_DragDrop(int index)
{
    if (session_.EngWait()) {
        emit Redisplay();
        return;
    }
    const int file = FileOf(index);
    const int rank = RankOf(index);
    if (session_.SetupOpen()) {
        if (edit_.Drop(file, rank) && soundOption_->isChecked())
            PlayMoveSound();
        DrawBoard();
        return;
    }
    const std::string move = {FileLetter(dragFile_), RankDigit(dragRank_), FileLetter(file), RankDigit(rank)};
    moveInput_ = move;
    emit MovePlayed(move);
    moveInput_.clear();
}

void BoardInput::ImaCheBoa_DragDrop()
{
    services_.Beep();
    edit_.Discard();  // a piece dropped off the squares during a set-up is gone
    emit Redisplay();
}

// ---- the set-up -------------------------------------------------------------

void BoardInput::BeginSetup(bool blackToMove, bool editable, bool black)
{
    const GameState& game = session_.Game();
    edit_.Begin(game.KifuBoard[game.CurPly]);
    SetupDialog()->OpenSetup(blackToMove, editable, black);
    beforeSetup_ = session_.Phase();
    session_.SetPhase(GamePhase::SetupOpen);
    DrawBoard();
    PlaceSetupDialog();
    setupDialog_->show();
    setupDialog_->raise();
}

void BoardInput::EndSetup(bool cancelled)
{
    edit_.Discard();
    if (cancelled)
        session_.SetPhase(beforeSetup_);
}

void BoardInput::PlaceSetupDialog()
{
    // Beside the board, right of it where the screen has room, else left of
    // it; never off the screen.
    setupDialog_->adjustSize();
    const QRect board = board_.BoardRect().translated(board_.mapToGlobal(QPoint(0, 0)));
    const QSize size = setupDialog_->frameGeometry().size();
    QPoint place(board.right() + 8, board.top());
    if (const QScreen* screen = window_->screen()) {
        const QRect room = screen->availableGeometry();
        if (place.x() + size.width() > room.right() && board.left() - 8 - size.width() >= room.left())
            place.setX(board.left() - 8 - size.width());
        place.setX(qBound(room.left(), place.x(), qMax(room.left(), room.right() - size.width())));
        place.setY(qBound(room.top(), place.y(), qMax(room.top(), room.bottom() - size.height())));
    }
    setupDialog_->move(place);
}

void BoardInput::SetupPiecePicked(char piece)
{
    if (session_.SetupOpen())
        board_.BeginHeldDrag(piece);
}

}  // namespace vorlik
