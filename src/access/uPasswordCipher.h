#pragma once

#include <QByteArray>
#include <QString>

// The stored form of the program password: its cipher text, kept as raw bytes in rejestr.ini,
// section REGISTER, key "key".

// The password a new installation starts with.
inline const QString kDefaultPassword = QStringLiteral("kestu");

// Whether a cipher text read back from rejestr.ini would be these very bytes and would be taken
// for a password by the login. Refused: byte 0, CR or LF anywhere (they end or break the line for
// INI readers); a blank or tab at either end (readers cut them); a value enclosed in a pair of
// equal quote characters (readers strip them); only blanks and control characters (the login
// reads that as no password at all).
bool CanStorePasswordCipher(const QByteArray& cipher);

// What the login treats as no stored password: nothing left after blanks and control characters
// are cut from both ends.
bool IsBlankPasswordCipher(const QByteArray& cipher);

// Writes the cipher text as it is into rejestr.ini in the program directory, keeping every other
// section, key and line; the file is replaced as a whole (see SafeFile.h). False when the file
// cannot be read or written, with the reason in *error (Polish first, then the system's own
// text); the file is then exactly as it was.
bool StorePasswordCipher(const QByteArray& cipher, QString* error);
