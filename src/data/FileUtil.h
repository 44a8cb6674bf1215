#pragma once

#include <QString>

#include <filesystem>

// Small pieces the units that handle files share.

// A path as the file system spells it (the platform's encoding of file names).
std::filesystem::path ToPath(const QString& text);

// Puts the text into *error when the caller asked for one; answers false, so a failing step
// reads `return Fail(error, …);`.
inline bool Fail(QString* error, const QString& text)
{
    if (error)
        *error = text;
    return false;
}

// Forces a file's or a folder's content to the disk: a rename is only as durable as the data it
// names and the folder entry that records it. False when it cannot be told that it was.
bool SyncPath(const QString& path);

// Removes an SQLite file's journal, write-ahead log and shared-memory file, which SQLite would
// otherwise roll into whatever file carries the name next; errors are ignored.
void RemoveDatabaseCompanions(const QString& file);
// The file itself and its companions.
void RemoveDatabaseFile(const QString& file);
