#include "FenText.h"

namespace vorlik {

FenError ReadFenText(const std::string& text, Board& board, bool& blackToMove)
{
    Board read = board;
    int rank = 8, file = 0;
    std::size_t k = 0;
    for (; k < text.size() && text[k] != ' '; ++k) {
        const char c = text[k];
        if (c == '/') {
            if (--rank < 1)
                return FenError::TooManyRanks;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            for (int empty = c - '0'; empty > 0; --empty) {
                if (++file > 8)
                    return FenError::RankTooLong;
                read[file][rank] = 0;
            }
        } else if (IsPiece(c)) {
            if (++file > 8)
                return FenError::RankTooLong;
            read[file][rank] = c;
        } else {
            return FenError::BadCharacter;
        }
    }
    if (k + 1 >= text.size())
        return FenError::NoSide;
    board = read;
    blackToMove = text[k + 1] != 'w';
    return FenError::None;
}

std::string FenErrorText(FenError error)
{
    switch (error) {
    case FenError::None: return std::string();
    case FenError::BadCharacter: return "FENの盤面に駒でも数字でもない文字があります";
    case FenError::RankTooLong: return "FENの盤面の段が8マスを超えています";
    case FenError::TooManyRanks: return "FENの盤面が8段を超えています";
    case FenError::NoSide: return "FENに手番がありません";
    }
    return std::string();
}

std::string WriteFenBoard(const Board& board)
{
    std::string text;
    for (int rank = 8; rank >= 1; --rank) {
        int empty = 0;
        for (int file = 1; file <= 8; ++file) {
            const char piece = board[file][rank];
            if (IsPiece(piece)) {
                if (empty > 0)
                    text += static_cast<char>('0' + empty);
                empty = 0;
                text += piece;
            } else {
                ++empty;
            }
        }
        if (empty > 0)
            text += static_cast<char>('0' + empty);
        if (rank > 1)
            text += '/';
    }
    return text;
}

}  // namespace vorlik
