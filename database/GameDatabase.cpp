#include "GameDatabase.h"

#include "GameTexts.h"
#include "StoredLine.h"

#include "core/PostalLedger.h"

#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

namespace vorlik {

// ---- statements ---------------------------------------------------------------

Statement::Statement(sqlite3* db, const char* sql)
{
    error_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr);
    if (error_ != SQLITE_OK)
        stmt_ = nullptr;
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

Statement& Statement::Bind(int index, std::int64_t value)
{
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
}

Statement& Statement::Bind(int index, const std::string& text)
{
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindKept(int index, const std::string& text)
{
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
    return *this;
}

Statement& Statement::BindBlob(int index, const std::string& bytes)
{
    sqlite3_bind_blob(stmt_, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    return *this;
}

Statement& Statement::BindNull(int index)
{
    sqlite3_bind_null(stmt_, index);
    return *this;
}

bool Statement::Step()
{
    if (!stmt_)
        return false;
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    error_ = rc == SQLITE_DONE ? SQLITE_OK : rc;
    return false;
}

void Statement::Reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

std::int64_t Statement::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Statement::Text(int column) const
{
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), sqlite3_column_bytes(stmt_, column)) : std::string();
}

bool Statement::IsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

// ---- facts of a game -------------------------------------------------------------

std::int64_t PackFacts(const GameFacts& facts)
{
    return static_cast<std::int64_t>(facts.result & 3) | static_cast<std::int64_t>(facts.year & 0x7FF) << 2 |
           static_cast<std::int64_t>(facts.whiteElo & 0xFFF) << 13 |
           static_cast<std::int64_t>(facts.blackElo & 0xFFF) << 25 | static_cast<std::int64_t>(facts.month & 0xF) << 37 |
           static_cast<std::int64_t>(facts.day & 0x1F) << 41;
}

GameFacts UnpackFacts(std::int64_t info)
{
    GameFacts facts;
    facts.result = static_cast<int>(info & 3);
    facts.year = static_cast<int>(info >> 2 & 0x7FF);
    facts.whiteElo = static_cast<int>(info >> 13 & 0xFFF);
    facts.blackElo = static_cast<int>(info >> 25 & 0xFFF);
    facts.month = static_cast<int>(info >> 37 & 0xF);
    facts.day = static_cast<int>(info >> 41 & 0x1F);
    return facts;
}

int ResultCode(const std::string& result)
{
    if (result == "1-0")
        return 1;
    if (result == "1/2-1/2" || result == "1/2")
        return 2;
    if (result == "0-1")
        return 3;
    return 0;
}

int YearOfDate(const std::string& date)
{
    if (date.size() < 4)
        return 0;
    int year = 0;
    for (int k = 0; k < 4; ++k) {
        if (date[k] < '0' || date[k] > '9')
            return 0;
        year = year * 10 + (date[k] - '0');
    }
    return year <= 2047 ? year : 0;
}

namespace {

// Two digits at `at`, 0 when they are none or out of 1..most.
int TwoDigits(const std::string& text, std::size_t at, int most)
{
    if (text.size() < at + 2 || !isdigit(static_cast<unsigned char>(text[at])) ||
        !isdigit(static_cast<unsigned char>(text[at + 1])))
        return 0;
    const int value = (text[at] - '0') * 10 + (text[at + 1] - '0');
    return value <= most ? value : 0;
}

}  // namespace

void ReadDate(const std::string& date, GameFacts& facts)
{
    // A whole date is read as the date box shows it ("26/12/9") or in PGN's
    // form; one with "??" in it keeps what it has, a year or a month.
    const BoxDate whole = ReadPostalDate(date);
    if (whole.IsDate()) {
        const CivilDate civil = CivilFromDays(whole.day);
        facts.year = civil.year;
        facts.month = civil.month;
        facts.day = civil.day;
        return;
    }
    facts.year = YearOfDate(date);
    facts.month = facts.year ? TwoDigits(date, 5, 12) : 0;
    facts.day = facts.month ? TwoDigits(date, 8, 31) : 0;
}

int EloOfText(const std::string& text)
{
    if (text.empty() || text.size() > 4)
        return 0;
    int elo = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        elo = elo * 10 + (c - '0');
    }
    return elo <= 4095 ? elo : 0;
}

// ---- the file --------------------------------------------------------------------

namespace {

// The schema, also described in the manual for other tools.
const char kSchema[] =
    "CREATE TABLE games("
    " id INTEGER PRIMARY KEY,"
    " event TEXT, site TEXT, date TEXT, round TEXT, white TEXT, black TEXT, result TEXT,"
    " year INTEGER, day INTEGER NOT NULL, white_elo INTEGER, black_elo INTEGER,"
    " eco TEXT, opening TEXT, plies INTEGER,"
    " kind TEXT, source INTEGER, number INTEGER, fingerprint INTEGER);"
    "CREATE TABLE sources(id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE);"
    "CREATE TABLE texts(first INTEGER PRIMARY KEY, bytes BLOB NOT NULL);"
    "CREATE INDEX games_fingerprint ON games(fingerprint);"
    "CREATE INDEX games_day ON games(day, id);"
    "CREATE TABLE facts(game INTEGER PRIMARY KEY, info INTEGER NOT NULL);"
    "CREATE TABLE positions("
    " bucket INTEGER NOT NULL, key INTEGER NOT NULL, entries BLOB NOT NULL,"
    " PRIMARY KEY(bucket, key)) WITHOUT ROWID;"
    "CREATE TABLE openings(key INTEGER PRIMARY KEY, eco TEXT NOT NULL, name TEXT NOT NULL);"
    "CREATE TABLE trees(key INTEGER PRIMARY KEY, white_to_move INTEGER NOT NULL, tree BLOB NOT NULL);";

constexpr std::size_t kSlots = 1u << 20;

// A position's two counters, by two parts of its key: a counter many keys
// share, one of them common, makes the others look common; both rarely do.
std::size_t FirstSlot(std::uint64_t key) { return key & (kSlots - 1); }
std::size_t SecondSlot(std::uint64_t key) { return kSlots + ((key >> 32) & (kSlots - 1)); }

std::string NotOurs(const std::string& fileName)
{
    return "このプログラムのデータベースではありません (not a Vorlik database): " + fileName;
}

}  // namespace

GameDatabase::GameDatabase()
    : textWriter_(std::make_unique<TextBlockWriter>()), textReader_(std::make_unique<TextBlockReader>())
{
}

GameDatabase::~GameDatabase() { Close(); }

void GameDatabase::Close()
{
    Rollback();
    textReader_->Clear();  // its statement goes before the connection
    if (db_)
        sqlite3_close(db_);
    db_ = nullptr;
}

std::string GameDatabase::LastError() const { return db_ ? sqlite3_errmsg(db_) : "no database"; }

bool GameDatabase::Execute(const char* sql, std::string& error)
{
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    error = message ? message : LastError();
    sqlite3_free(message);
    return false;
}

bool GameDatabase::Open(const std::string& fileName, Mode mode, std::string& error)
{
    fileName_ = fileName;
    std::error_code code;
    const bool exists = std::filesystem::exists(fileName, code);
    if (exists && !std::filesystem::is_regular_file(fileName, code)) {
        error = "ファイルではありません (not a file): " + fileName;
        return false;
    }
    if (!exists && mode == Mode::ReadOnly) {
        error = "データベースがありません (no such database): " + fileName;
        return false;
    }
    // One thread at a time uses a connection: SQLite need not lock it on every call.
    const int flags = SQLITE_OPEN_NOMUTEX |
                      (mode == Mode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (sqlite3_open_v2(fileName.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
        error = "データベースを開けません (cannot open the database): " + fileName + ": " + LastError();
        return false;
    }
    if (mode == Mode::ReadWrite && sqlite3_db_readonly(db_, "main") == 1) {
        error = "データベースに書き込めません (the database cannot be written): " + fileName;
        return false;
    }
    sqlite3_busy_timeout(db_, 10000);
    sqlite3_exec(db_, "PRAGMA cache_size=-65536", nullptr, nullptr, nullptr);
    return CheckSchema(error);
}

bool GameDatabase::CheckSchema(std::string& error)
{
    std::int64_t count = 0, application = 0, version = 0;
    {
        // Read and let go: a statement left open holds a read transaction,
        // and a new file's page size can be set only without one.
        Statement tables(db_, "SELECT count(*) FROM sqlite_master");
        if (!tables.Step()) {
            if (tables.error() == SQLITE_NOTADB)
                error = NotOurs(fileName_);
            else if (tables.error() == SQLITE_BUSY)
                error = "ほかのプログラムがこのデータベースに書き込み中です (another import is writing to the database): " + fileName_;
            else
                error = "データベースを読めません (cannot read the database): " + fileName_ + ": " + LastError();
            return false;
        }
        count = tables.Int(0);
        Statement id(db_, "PRAGMA application_id");
        Statement user(db_, "PRAGMA user_version");
        if (!id.Step() || !user.Step()) {
            error = NotOurs(fileName_);
            return false;
        }
        application = id.Int(0);
        version = user.Int(0);
    }
    if (count == 0 && application == 0) {
        if (sqlite3_db_readonly(db_, "main") == 1) {
            error = NotOurs(fileName_);
            return false;
        }
        return CreateSchema(error);
    }
    if (application != kApplicationId) {
        error = NotOurs(fileName_);
        return false;
    }
    if (version < kSchemaVersion) {
        error = "古い形式のデータベースです。新しいデータベースにゲームを取り込み直してください (a database of an older "
                "version of the program: import its games again into a new database): " + fileName_;
        return false;
    }
    if (version > kSchemaVersion) {
        error = "新しい版のプログラムが作ったデータベースです (made by a newer version of the program): " + fileName_;
        return false;
    }
    return true;
}

bool GameDatabase::CreateSchema(std::string& error)
{
    // Pages of 16 KB: an import writes the file a page at a time, a quarter
    // of the calls 4 KB pages take; larger ones would hold a block of game
    // texts each with much of the page left empty.
    sqlite3_exec(db_, "PRAGMA page_size=16384", nullptr, nullptr, nullptr);
    if (!Begin(error))
        return false;
    // Another import may have made it while this one waited.
    Statement tables(db_, "SELECT count(*) FROM sqlite_master");
    const bool empty = tables.Step() && tables.Int(0) == 0;
    std::string sql = kSchema;
    sql += "PRAGMA application_id=" + std::to_string(kApplicationId) + ";";
    sql += "PRAGMA user_version=" + std::to_string(kSchemaVersion) + ";";
    if (empty && !Execute(sql.c_str(), error)) {
        Rollback();
        error = "データベースを作れません (cannot create the database): " + fileName_ + ": " + error;
        return false;
    }
    return Commit(error) && (empty || CheckSchema(error));
}

bool GameDatabase::Begin(std::string& error, int waitMs)
{
    sqlite3_busy_timeout(db_, waitMs);
    if (!Execute("BEGIN IMMEDIATE", error)) {
        error = sqlite3_errcode(db_) == SQLITE_BUSY
                    ? "ほかのプログラムがこのデータベースに書き込み中です (another import is writing to the database): " +
                          fileName_
                    : "データベースに書き込めません (the database cannot be written): " + fileName_ + ": " + error;
        return false;
    }
    // Imports are big: a large cache keeps the index's pages in memory.
    sqlite3_exec(db_, "PRAGMA cache_size=-262144", nullptr, nullptr, nullptr);
    cached_.clear();
    candidates_.clear();
    facts_.clear();
    sourceName_.clear();
    slots_.assign(2 * kSlots, 0);
    StartFingerprints();
    Statement trees(db_, "SELECT key, white_to_move FROM trees");
    while (trees.ok() && trees.Step())
        cached_[static_cast<std::uint64_t>(trees.Int(0))] = trees.Int(1) != 0;
    return true;
}

void GameDatabase::NoteReach(const IndexedPosition& position)
{
    const bool whiteToMove = position.ply % 2 == 0;
    if (cached_.count(position.key)) {
        candidates_.emplace(position.key, whiteToMove);
        return;
    }
    std::uint16_t& first = slots_[FirstSlot(position.key)];
    std::uint16_t& second = slots_[SecondSlot(position.key)];
    first += first < 0xFFFF;
    second += second < 0xFFFF;
    if (std::min(first, second) >= std::min<long>(cacheRows_ / 2 + 1, 1000))
        candidates_.emplace(position.key, whiteToMove);
}

std::vector<std::pair<std::uint64_t, bool>> GameDatabase::CacheCandidates() const
{
    return {candidates_.begin(), candidates_.end()};
}

bool GameDatabase::Prepare(std::string& error)
{
    if (insertGame_)
        return true;
    insertGame_ = std::make_unique<Statement>(
        db_, "INSERT INTO games(event, site, date, round, white, black, result, year, white_elo, black_elo, eco, opening,"
             " plies, kind, source, number, fingerprint, day)"
             " VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)");
    insertFacts_ = std::make_unique<Statement>(db_, "INSERT INTO facts(game, info) VALUES(?,?)");
    findGame_ = std::make_unique<Statement>(db_, "SELECT 1 FROM games WHERE fingerprint=? LIMIT 1");
    if (insertGame_->ok() && insertFacts_->ok() && findGame_->ok())
        return true;
    error = LastError();
    return false;
}

bool GameDatabase::Commit(std::string& error)
{
    // The import's last block of texts goes in with its games, never after them.
    if (!textWriter_->Flush(db_, error) || !FlushPositions(error)) {
        Rollback();
        return false;
    }
    insertGame_.reset();
    insertFacts_.reset();
    findGame_.reset();
    facts_.clear();  // this connection's own writes leave data_version as it was
    fingerprints_.Clear();
    fingerprintsRead_ = false;
    if (Execute("COMMIT", error))
        return true;
    error = "データベースに書き込めません (the database cannot be written): " + fileName_ + ": " + error;
    Rollback();
    return false;
}

void GameDatabase::Rollback()
{
    staging_.Clear();
    textWriter_->Clear();
    textReader_->Clear();  // it may hold a block of the games rolled back
    fingerprints_.Clear();
    fingerprintsRead_ = false;
    sourceName_.clear();  // its row may go with the transaction
    insertGame_.reset();
    insertFacts_.reset();
    findGame_.reset();
    if (db_ && !sqlite3_get_autocommit(db_))
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool GameDatabase::UnwrittenText(std::int64_t id, std::string& text) const
{
    return textWriter_->Unwritten(id, text);
}

void GameDatabase::StartFingerprints()
{
    fingerprints_.Clear();
    fingerprintsRead_ = false;
    fingerprintLookups_ = 0;
    Statement most(db_, "SELECT max(id) FROM games");
    gamesBefore_ = most.Step() ? most.Int(0) : 0;
}

bool GameDatabase::ReadFingerprints()
{
    Statement all(db_, "SELECT fingerprint FROM games");
    while (all.Step())
        fingerprints_.Insert(static_cast<std::uint64_t>(all.Int(0)));
    if (all.error() == SQLITE_OK)
        return true;
    fingerprints_.Clear();
    return false;
}

bool GameDatabase::HasGame(std::uint64_t fingerprint)
{
    // A lookup in the index costs about as much as reading 16 of its rows in order.
    if (!fingerprintsRead_ && ++fingerprintLookups_ * 16 >= gamesBefore_)
        fingerprintsRead_ = ReadFingerprints();
    if (fingerprintsRead_)
        return fingerprints_.Contains(fingerprint);
    std::string error;
    if (!Prepare(error))
        return false;
    findGame_->Reset();
    findGame_->Bind(1, static_cast<std::int64_t>(fingerprint));
    const bool found = findGame_->Step();
    findGame_->Reset();
    return found;
}

namespace {

void BindTextOrNull(Statement& statement, int index, const std::string& text)
{
    if (text.empty())
        statement.BindNull(index);
    else
        statement.BindKept(index, text);
}

void BindNumberOrNull(Statement& statement, int index, int number)
{
    if (number == 0)
        statement.BindNull(index);
    else
        statement.Bind(index, number);
}

}  // namespace

std::int64_t GameDatabase::AddGame(const StoredGame& game, const std::vector<IndexedPosition>& positions,
                                   std::string& error)
{
    if (!Prepare(error))
        return 0;
    Statement& insert = *insertGame_;
    insert.Reset();
    for (int k = 1; k <= 7; ++k)
        insert.BindKept(k, game.field[k]);
    BindNumberOrNull(insert, 8, game.facts.year);
    BindNumberOrNull(insert, 9, game.facts.whiteElo);
    BindNumberOrNull(insert, 10, game.facts.blackElo);
    BindTextOrNull(insert, 11, game.eco);
    BindTextOrNull(insert, 12, game.opening);
    insert.Bind(13, game.plies).BindKept(14, game.kind).Bind(15, static_cast<std::int64_t>(game.source)).Bind(16, game.number);
    insert.Bind(17, static_cast<std::int64_t>(game.fingerprint)).Bind(18, game.facts.Ordinal());
    if (insert.Step() || insert.error() != SQLITE_OK) {
        error = LastError();
        return 0;
    }
    const std::int64_t id = sqlite3_last_insert_rowid(db_);
    if (fingerprintsRead_)
        fingerprints_.Insert(game.fingerprint);
    if (!textWriter_->Add(db_, id, game.text, error))
        return 0;
    Statement& facts = *insertFacts_;
    facts.Reset();
    facts.Bind(1, id).Bind(2, PackFacts(game.facts));
    if (facts.Step() || facts.error() != SQLITE_OK) {
        error = LastError();
        return 0;
    }
    // The game's counters lie all over a table bigger than the cache: ask for
    // them all at once, so that the waits overlap.
    for (const IndexedPosition& position : positions) {
        __builtin_prefetch(&slots_[FirstSlot(position.key)], 1);
        __builtin_prefetch(&slots_[SecondSlot(position.key)], 1);
    }
    for (const IndexedPosition& position : positions) {
        NoteReach(position);
        const Posting posting{static_cast<std::uint32_t>(id), static_cast<std::uint16_t>(position.ply),
                              static_cast<std::uint16_t>(position.move)};
        if (!staging_.Add(position.key, posting)) {
            error = "一時ファイルに書けません (cannot write the import's temporary file)";
            return 0;
        }
    }
    return id;
}

bool GameDatabase::FlushPositions(std::string& error, const std::function<void(int done, int parts)>& progress)
{
    if (staging_.Empty())
        return true;
    StoredLines lines(*this);
    return staging_.Flush(db_, lines.Asker(), error, progress);
}

bool GameDatabase::StoreOpenings(const std::vector<std::pair<std::uint64_t, std::pair<std::string, std::string>>>& names,
                                 std::string& error)
{
    Statement insert(db_, "INSERT OR REPLACE INTO openings(key, eco, name) VALUES(?,?,?)");
    for (const auto& [key, name] : names) {
        insert.Reset();
        insert.Bind(1, static_cast<std::int64_t>(key)).Bind(2, name.first).Bind(3, name.second);
        if (insert.Step() || insert.error() != SQLITE_OK) {
            error = LastError();
            return false;
        }
    }
    return true;
}

bool GameDatabase::FindOpening(std::uint64_t key, std::string& eco, std::string& name)
{
    Statement find(db_, "SELECT eco, name FROM openings WHERE key = ?1");
    find.Bind(1, static_cast<std::int64_t>(key));
    if (!find.Step())
        return false;
    eco = find.Text(0);
    name = find.Text(1);
    return true;
}

bool GameDatabase::HasOpenings()
{
    Statement any(db_, "SELECT 1 FROM openings LIMIT 1");
    return any.Step();
}

const std::vector<std::int64_t>* GameDatabase::FactsByGame(std::size_t lookups)
{
    Statement version(db_, "PRAGMA data_version");
    const std::int64_t now = version.Step() ? version.Int(0) : -2;
    if (now != factsVersion_) {
        facts_.clear();
        factLookups_ = 0;
        factsVersion_ = now;
    }
    if (!facts_.empty())
        return &facts_;
    factLookups_ += lookups;
    // A lookup costs about as much as reading 16 rows in order.
    Statement most(db_, "SELECT max(game) FROM facts");
    const std::int64_t games = most.Step() ? most.Int(0) : 0;
    if (games <= 0 || games > (std::int64_t{1} << 32) || (!keepFacts_ && static_cast<std::int64_t>(factLookups_) * 16 < games))
        return nullptr;
    std::vector<std::int64_t> facts(static_cast<std::size_t>(games) + 1, 0);
    Statement read(db_, "SELECT game, info FROM facts");
    while (read.Step())
        if (read.Int(0) >= 0 && read.Int(0) <= games)
            facts[static_cast<std::size_t>(read.Int(0))] = read.Int(1);
    if (read.error() != SQLITE_OK)
        return nullptr;
    facts_.swap(facts);
    return &facts_;
}

std::int64_t GameDatabase::SourceId(const std::string& fileName, std::string& error)
{
    if (!sourceName_.empty() && sourceName_ == fileName)
        return sourceId_;
    Statement add(db_, "INSERT OR IGNORE INTO sources(name) VALUES(?1)");
    Statement find(db_, "SELECT id FROM sources WHERE name = ?1");
    add.Bind(1, fileName);
    find.Bind(1, fileName);
    if (add.Step() || add.error() != SQLITE_OK || !find.Step()) {
        error = LastError();
        return 0;
    }
    sourceName_ = fileName;
    sourceId_ = find.Int(0);
    return sourceId_;
}

}  // namespace vorlik
