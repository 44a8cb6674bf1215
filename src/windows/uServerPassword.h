#pragma once

#include <QString>

#include <optional>

// Asks the clerk for the database server's password (hidden as it is typed). The text lives only
// as long as the connection needs it; nothing writes it anywhere. std::nullopt: the clerk gave up.
std::optional<QString> AskServerPassword(const QString& why, bool retry);
