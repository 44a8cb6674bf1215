#pragma once

#include <QString>

// Where the live table files lie.

// The live data directory: the program directory's db/.
QString DataDirectory();
// Whether dir is the live data directory itself, however it is spelt (links, "..", a trailing
// separator). Archives are never made, deleted or restored there, nor tables imported from it.
bool IsDataDirectory(const QString& dir);
