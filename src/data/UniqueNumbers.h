#pragma once

#include <QString>

// The numbers the program finds records by: a taxpayer's ID in kontrahenci.DB, an entry's
// (IDKONTRAHENTA, ID) in rejestr.DB. The index on them is unique, so that no two copies of the
// program racing, nor a tool writing the file, can make one edit or delete change two records.

// Makes the index of the table file's numbers unique where it is not yet (a file made before
// it was). False, with a Polish reason naming the file and a repeated number, when the file
// holds repeated numbers — the file is then left exactly as it was — or cannot be written.
bool EnsureUniqueNumbers(const QString& tableFile, QString* error = nullptr);
