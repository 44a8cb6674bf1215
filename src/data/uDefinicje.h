#pragma once

#include "dbengine/EDBEngineError.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <array>
#include <functional>

// What every part of the program shares: where the files lie, the table files, date texts,
// the settings file, the error log and the database-error message.

// The directory of the program file, without a trailing separator; every path is built from it.
QString ProgramDir();
void SetProgramDir(const QString& dir);
// ProgramDir() + "/" + relative.
QString ProgramPath(const QString& relative);

// The table files that make up the database: "kontrahenci.DB", then "rejestr.DB".
extern std::array<QString, 2> TableNames;
void SetTableNames();

// The text of an empty date field ("  -  -    " with a dash), and the QDate format that turns a
// date into date text ("dd-MM-yyyy"). Built from the regional date separator.
extern QString EmptyDateText;
extern QString DateDisplayFormat;
void BuildDateTexts();
// The grey caption beside a date field: "DD-MM-RRRR" with the field's separator.
QString DateHintText();

// The enciphered program password as last read from or written to the settings file.
extern QByteArray storedPassword;
inline const QByteArray kSettingsSection = QByteArrayLiteral("REGISTER");
inline const QByteArray kSettingsKey = QByteArrayLiteral("key");
inline const QString kSettingsFile = QStringLiteral("rejestr.ini");
void ReadSettings();
// A PostgreSQL server holding the register instead of db/: a libpq connection string, e.g.
// "host=serwer dbname=rejestr user=jan sslmode=require". Empty: the table files.
inline const QByteArray kServerSection = QByteArrayLiteral("SERVER");
inline const QByteArray kServerKey = QByteArrayLiteral("conninfo");
QString ServerConnInfo();

// Appends "yyyy.MM.dd hh:mm:ss  " + text to debug/error.txt; silent on every failure and a no-op
// while debug/ is missing.
void LogError(const QString& text);

// What the user is told about an engine error: the reason in Polish, told by the engine's result
// code (a full disk, a damaged file named, files locked by another program), then the engine's
// own message; the locked-files text alone for locked files.
QString DBErrorText(const EDBEngineError& error);

// Shows a database error to the user ("Błąd bazy danych", DBErrorText) and logs "[" + ten-digit
// code + "]  " + the engine's message, with the file it concerns where known.
void ShowDBError(const EDBEngineError& error, qint64 code);
// For a message that did not come with a result code.
void ShowDBError(const QString& message, qint64 code);

// How core code shows a message without knowing about windows: the program installs its
// information dialog here. Without a handler messages are only logged where the caller logs.
using InfoHandler = std::function<void(const QString& title, const QString& message)>;
void SetInfoHandler(InfoHandler handler);
void ShowInfoMessage(const QString& title, const QString& message);

QString ReplaceChar(const QString& text, QChar from, QChar to);
// Length after blanks and control characters are cut from both ends.
int TrimmedLength(const QString& text);
QString StripTrailingBackslash(const QString& text);

// Day, month and year at the fixed positions 1-2, 4-5 and 7-10 of a ten-character text; the
// separators are not looked at and days per month are not checked.
bool IsDateText(const QString& text);
// The date the text names; today when it is not a date text or names no calendar day
// (31-04-2008), so a stored impossible date never breaks a window.
QDateTime DateTextToDate(const QString& text);
// 05-03-2008 -> 20080305; 0 for a text that is not ten characters of digits at those places.
int DateTextToInt(const QString& text);
// 20080305 -> 05-03-2008 with the regional separator; "" unless the number has eight digits.
QString IntToDateText(qint64 code);
