#include "data/uDefinicje.h"

#include "data/Clock.h"
#include "data/IniFile.h"
#include "data/Regional.h"
#include "dbengine/PgConnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sqlite3.h>

std::array<QString, 2> TableNames;
QString EmptyDateText;
QString DateDisplayFormat;
QByteArray storedPassword;

namespace {

QString& programDir()
{
    static QString dir;
    return dir;
}

InfoHandler& infoHandler()
{
    static InfoHandler handler;
    return handler;
}

const QString kLockedMarker = QStringLiteral("Directory is controlled by other .NET file");

const QString kLockedText =
    QStringLiteral("Pliki bazy danych są zablokowane przez inny program. Odczekaj chwilę i "
                   "spróbuj ponownie. Jeśli sytuacja powtórzy się spróbuj uruchomić program "
                   "ponownie lub zrestartuj komputer.");

// SQLite's own texts for SQLITE_BUSY and SQLITE_LOCKED, for a message that came without its code.
bool isLockedMessage(const QString& message)
{
    return message.contains(kLockedMarker) ||
           message.contains(QLatin1String("database is locked")) ||
           message.contains(QLatin1String("database table is locked")) ||
           message.contains(QLatin1String("database schema is locked"));
}

// Eight digits taken from the fixed places of a ten-character date text, or -1.
int dateDigits(const QString& text)
{
    if (text.size() != 10)
        return -1;
    const QString digits = text.mid(6, 4) + text.mid(3, 2) + text.mid(0, 2);
    int value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

} // namespace

QString ProgramDir()
{
    if (programDir().isEmpty() && QCoreApplication::instance())
        return QCoreApplication::applicationDirPath();
    return programDir();
}

void SetProgramDir(const QString& dir)
{
    QString d = QDir::cleanPath(dir);
    programDir() = StripTrailingBackslash(d);
}

QString ProgramPath(const QString& relative)
{
    return ProgramDir() + u'/' + relative;
}

void SetTableNames()
{
    TableNames = {QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")};
}

void BuildDateTexts()
{
    const QChar sep = Regional().dateSeparator;
    EmptyDateText =
        QStringLiteral("  ") + sep + QStringLiteral("  ") + sep + QStringLiteral("    ");
    DateDisplayFormat =
        QStringLiteral("dd") + sep + QStringLiteral("MM") + sep + QStringLiteral("yyyy");
}

QString DateHintText()
{
    const QChar sep = Regional().dateSeparator;
    return QStringLiteral("DD") + sep + QStringLiteral("MM") + sep + QStringLiteral("RRRR");
}

void ReadSettings()
{
    IniFile ini(ProgramPath(kSettingsFile));
    storedPassword = ini.load() ? ini.value(kSettingsSection, kSettingsKey) : QByteArray();
}

QString ServerConnInfo()
{
    IniFile ini(ProgramPath(kSettingsFile));
    return ini.load() ? QString::fromUtf8(ini.value(kServerSection, kServerKey)).trimmed()
                      : QString();
}

void LogError(const QString& text)
{
    try {
        const QString dir = ProgramPath(QStringLiteral("debug"));
        if (!QDir(dir).exists())
            return;
        QFile file(dir + QStringLiteral("/error.txt"));
        if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
            return;
        const QString line = Now().toString(QStringLiteral("yyyy.MM.dd hh:mm:ss")) +
                             QStringLiteral("  ") + text + QStringLiteral("\r\n");
        file.write(line.toUtf8());
    } catch (...) {
        // Logging never interrupts the caller.
    }
}

void SetInfoHandler(InfoHandler handler)
{
    infoHandler() = std::move(handler);
}

void ShowInfoMessage(const QString& title, const QString& message)
{
    if (infoHandler())
        infoHandler()(title, message);
}

QString DBErrorText(const EDBEngineError& error)
{
    const QString& message = error.message();
    const QString file =
        error.file().isEmpty() ? QString() : QDir::toNativeSeparators(error.file());
    QString reason;
    switch (error.code()) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return kLockedText;
    // The server's connection troubles come in Polish already, with what the server said.
    case PgCode::ConnectionLost:
    case PgCode::CannotConnect:
    case PgCode::PasswordRefused:
        return message;
    case SQLITE_FULL:
        reason = QStringLiteral("Brak miejsca na dysku. Zwolnij miejsce i spróbuj ponownie.");
        break;
    case SQLITE_CORRUPT:
        reason = file.isEmpty() ? QStringLiteral("Plik bazy danych jest uszkodzony.")
                                : QStringLiteral("Plik %1 jest uszkodzony.").arg(file);
        break;
    case SQLITE_NOTADB:
        reason = file.isEmpty()
                     ? QStringLiteral("Plik bazy danych jest uszkodzony: nie jest plikiem bazy "
                                      "danych.")
                     : QStringLiteral("Plik %1 jest uszkodzony: nie jest plikiem bazy danych.")
                           .arg(file);
        break;
    default:
        if (isLockedMessage(message))
            return kLockedText;
        return QStringLiteral("Wystąpił nieoczekiwany błąd. Orginalny komunikat: ") + message;
    }
    return reason + QStringLiteral("\nOrginalny komunikat: ") + message;
}

void ShowDBError(const EDBEngineError& error, qint64 code)
{
    const QString padded = QStringLiteral("%1").arg(code, 10, 10, QLatin1Char('0'));
    try {
        ShowInfoMessage(QStringLiteral("Błąd bazy danych"), DBErrorText(error));
    } catch (...) {
        // The log line below is still written.
    }
    QString line = u'[' + padded + QStringLiteral("]  ") + error.message();
    if (!error.file().isEmpty())
        line += QStringLiteral(" (") + QDir::toNativeSeparators(error.file()) + u')';
    LogError(line);
}

void ShowDBError(const QString& message, qint64 code)
{
    ShowDBError(EDBEngineError(message), code);
}

QString ReplaceChar(const QString& text, QChar from, QChar to)
{
    QString result = text;
    result.replace(from, to);
    return result;
}

int TrimmedLength(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= u' ')
        ++start;
    while (end > start && text[end - 1].unicode() <= u' ')
        --end;
    return int(end - start);
}

QString StripTrailingBackslash(const QString& text)
{
    if (text.endsWith(u'\\') || (text.size() > 1 && text.endsWith(u'/')))
        return text.left(text.size() - 1);
    return text;
}

bool IsDateText(const QString& text)
{
    const int code = dateDigits(text);
    if (code < 0)
        return false;
    const int year = code / 10000;
    const int month = code / 100 % 100;
    const int day = code % 100;
    return year >= 1000 && month >= 1 && month <= 12 && day >= 1 && day <= 31;
}

QDateTime DateTextToDate(const QString& text)
{
    if (IsDateText(text)) {
        const int code = dateDigits(text);
        const QDate date(code / 10000, code / 100 % 100, code % 100);
        if (date.isValid())
            return QDateTime(date, QTime(0, 0));
    }
    return Now();
}

int DateTextToInt(const QString& text)
{
    const int code = dateDigits(text);
    return code < 0 ? 0 : code;
}

QString IntToDateText(qint64 code)
{
    if (code < 10000000 || code > 99999999)
        return {};
    // Built in place: the grid and the export call this for every date cell.
    const int v = int(code);
    const QChar sep = Regional().dateSeparator;
    const auto digit = [](int d) { return QChar(char16_t(u'0' + d)); };
    const QChar text[10] = {
        digit(v / 10 % 10),       digit(v % 10),           sep,
        digit(v / 1000 % 10),     digit(v / 100 % 10),     sep,
        digit(v / 10000000 % 10), digit(v / 1000000 % 10), digit(v / 100000 % 10),
        digit(v / 10000 % 10)};
    return QString(text, 10);
}
