#pragma once

#include <QString>

// Turns the program's statement texts (written for a table-file engine) into SQLite's dialect:
// a table-file reference "name.DB" becomes "name", and a number directly followed by an
// identifier character ("20080300AND") gets a blank inserted. String literals, quoted
// identifiers, comments and ":NAME" parameters are copied untouched.
QString NormalizeSql(const QString& text);
