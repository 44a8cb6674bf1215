#pragma once

#include <sqlite3.h>

#include <memory>

// Owned SQLite handles: a connection or statement is released exactly once, also when an
// exception unwinds the owner.
struct SqliteCloser
{
    void operator()(sqlite3* db) const noexcept { sqlite3_close_v2(db); }
};

struct SqliteFinalizer
{
    void operator()(sqlite3_stmt* st) const noexcept { sqlite3_finalize(st); }
};

// How long a statement waits for another process to release the files before failing with the
// engine's "database is locked" message: every connection of the program waits the same.
inline constexpr int kBusyTimeoutMs = 3000;

using SqliteConnectionPtr = std::unique_ptr<sqlite3, SqliteCloser>;
using SqliteStatementPtr = std::unique_ptr<sqlite3_stmt, SqliteFinalizer>;
