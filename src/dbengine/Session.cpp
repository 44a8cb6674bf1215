#include "dbengine/Session.h"

#include "dbengine/EDBEngineError.h"

#include <QDir>

#include <sqlite3.h>

Session& Session::instance()
{
    static Session session;
    return session;
}

void Session::setPrivateDir(const QString& dir)
{
    m_privateDir = dir;
}

void Session::activate()
{
    const int rc = sqlite3_initialize();
    if (rc != SQLITE_OK)
        throw EDBEngineError(QStringLiteral("Nie można uruchomić silnika bazy danych: %1")
                                 .arg(QString::fromUtf8(sqlite3_errstr(rc))));
    // SQLite reads this global when it needs a temporary file; it must be set through
    // sqlite3_mprintf memory and only while no connection is open.
    sqlite3_free(sqlite3_temp_directory);
    sqlite3_temp_directory = nullptr;
    if (!m_privateDir.isEmpty() && QDir(m_privateDir).exists())
        sqlite3_temp_directory =
            sqlite3_mprintf("%s", QDir::toNativeSeparators(m_privateDir).toUtf8().constData());
    m_active = true;
}

void Session::deactivate() noexcept
{
    sqlite3_free(sqlite3_temp_directory);
    sqlite3_temp_directory = nullptr;
    m_active = false;
}

int Session::engineVersion()
{
    return sqlite3_libversion_number();
}
