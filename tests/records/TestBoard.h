// A game session as the file-module tests use it: moves played through the
// session's gate, the header set field by field, a file's game read into it
// as "開く" reads one.
#pragma once

#include "records/ModuleMekFile.h"
#include "session/GameSession.h"

#include <memory>
#include <string>

namespace vorlik::test {

class TestBoard {
public:
    GameSession session;

    const GameState& Game() const { return session.Game(); }
    const GameHeader& Header() const { return session.Header(); }

    // A refused move counts a beep, as the window would sound one.
    bool CheckChessMoveOutput(const std::string& move)
    {
        const bool legal = session.CommitMove(move) == MoveVerdict::Legal;
        beeps_ += legal ? 0 : 1;
        return legal;
    }
    void MnuFileNew_Click() { session.NewRecord(); }
    int Beeps() const { return beeps_; }
    void Beep() { ++beeps_; }

    void SetField(int k, const std::string& text)
    {
        GameHeader header = Header();
        header.Field[k] = text;
        session.SetHeader(header);
    }
    void SetFields(const std::array<std::string, 8>& fields)
    {
        GameHeader header = Header();
        header.Field = fields;
        session.SetHeader(header);
    }
    void SetFurtherTags(const std::string& text)
    {
        GameHeader header = Header();
        header.TextInfoS = text;
        session.SetHeader(header);
    }

private:
    int beeps_ = 0;
};

// Game n of the table read into the board, as "開く" reads it.
inline LoadReport LoadInto(TestBoard& board, const KifuFile& file, KifuKind kind, int n)
{
    auto record = std::make_unique<GameState>();
    const LoadReport report = LoadKifuGame(*record, file, kind, n);
    board.session.Replace(std::move(*record));
    return report;
}

// A new record from a FEN text; false (the board as it was) when it is none.
inline bool ReadFenInto(TestBoard& board, const std::string& fen, std::string* message)
{
    auto record = std::make_unique<GameState>();
    ResetGame(*record);
    SetStartPosition(*record);
    if (!ReadFenBoard(*record, fen, message))
        return false;
    board.session.Replace(std::move(*record));
    return true;
}

}  // namespace vorlik::test
