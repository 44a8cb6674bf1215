#include "support/TempProgramDir.h"

#include "support/PgCluster.h"

#include "data/IniFile.h"
#include "data/Regional.h"
#include "data/ServerSchema.h"
#include "data/uDefinicje.h"
#include "dbengine/Database.h"
#include "dbengine/PgConnection.h"
#include "dbengine/RowCache.h"
#include "dbengine/SqliteHandles.h"
#include "tools/InstallLayout.h"

#include <QFile>
#include <QTest>

namespace {

// What the tests' own statements take from SQLite beyond the program's dialect, for the server:
// group_concat, typeof, and a REAL written as SQLite writes it ("2.0", not "2") where a statement
// joins it to a text (an operator per type, or the server would take every number for a REAL).
// Only the tests' sessions see these; the program's never do.
const char* const kSqliteDialect = R"(
CREATE SCHEMA sqlite_dialekt;
CREATE FUNCTION sqlite_dialekt.real_text(v double precision) RETURNS text LANGUAGE sql IMMUTABLE
  STRICT AS $$ SELECT CASE WHEN v = trunc(v) AND abs(v) < 1e15 THEN trunc(v)::bigint::text || '.0'
                      ELSE v::text END $$;
CREATE FUNCTION sqlite_dialekt.value_text(v anyelement) RETURNS text LANGUAGE sql IMMUTABLE
  STRICT AS $$ SELECT CASE WHEN pg_typeof(v) = 'double precision'::regtype
                      THEN sqlite_dialekt.real_text(v::text::double precision) ELSE v::text END $$;
DO $$ DECLARE t text; BEGIN
  FOREACH t IN ARRAY ARRAY['double precision', 'bigint', 'integer', 'numeric'] LOOP
    EXECUTE format('CREATE FUNCTION sqlite_dialekt.cat(a text, b %1$s) RETURNS text LANGUAGE sql '
      'IMMUTABLE STRICT AS ''SELECT a || sqlite_dialekt.value_text(b)''; '
      'CREATE FUNCTION sqlite_dialekt.cat(a %1$s, b text) RETURNS text LANGUAGE sql '
      'IMMUTABLE STRICT AS ''SELECT sqlite_dialekt.value_text(a) || b''; '
      'CREATE OPERATOR sqlite_dialekt.|| (LEFTARG = text, RIGHTARG = %1$s, FUNCTION = sqlite_dialekt.cat); '
      'CREATE OPERATOR sqlite_dialekt.|| (LEFTARG = %1$s, RIGHTARG = text, FUNCTION = sqlite_dialekt.cat)', t);
  END LOOP; END $$;
CREATE FUNCTION sqlite_dialekt.concat_step(acc text, v anyelement, sep text) RETURNS text
  LANGUAGE sql IMMUTABLE AS $$ SELECT CASE WHEN v IS NULL THEN acc WHEN acc IS NULL
    THEN sqlite_dialekt.value_text(v) ELSE acc || sep || sqlite_dialekt.value_text(v) END $$;
CREATE FUNCTION sqlite_dialekt.concat_step(acc text, v anyelement) RETURNS text LANGUAGE sql
  IMMUTABLE AS $$ SELECT sqlite_dialekt.concat_step(acc, v, ',') $$;
CREATE AGGREGATE sqlite_dialekt.group_concat(anyelement, text) (
  SFUNC = sqlite_dialekt.concat_step, STYPE = text);
CREATE AGGREGATE sqlite_dialekt.group_concat(anyelement) (
  SFUNC = sqlite_dialekt.concat_step, STYPE = text);
CREATE FUNCTION sqlite_dialekt.typeof(v anyelement) RETURNS text LANGUAGE sql IMMUTABLE AS $$
  SELECT CASE WHEN v IS NULL THEN 'null'
              WHEN pg_typeof(v) IN ('bigint'::regtype, 'integer'::regtype) THEN 'integer'
              WHEN pg_typeof(v) = 'double precision'::regtype THEN 'real' ELSE 'text' END $$;
)";

// A fresh database of the tests' server with the program's tables, named in the program
// directory's rejestr.ini; empty with the reason when any step fails.
QString SetUpServer(const QString& programDir, QString* error)
{
    const QString conninfo = PgCluster::shared().createDatabase(error);
    if (conninfo.isEmpty())
        return {};
    try {
        PgConnection connection;
        connection.open(conninfo);
        if (!InstallServerSchema(connection, nullptr, error))
            return {};
        connection.execScript(kSqliteDialect);
    } catch (const EDBEngineError& e) {
        *error = e.message();
        return {};
    }
    // Beside the [REGISTER] key the installer wrote.
    IniFile ini(programDir + QStringLiteral("/rejestr.ini"));
    if (!ini.load()) {
        *error = QStringLiteral("rejestr.ini cannot be read");
        return {};
    }
    ini.setValue(kServerSection, kServerKey, conninfo.toUtf8());
    if (!ini.save(error))
        return {};
    return conninfo;
}

// A value as SQLite's text of it reads.
QString SqliteText(const RowCache& row, int column)
{
    if (row.type(0, column) != RowCache::Type::Float)
        return row.text(0, column);
    char* text = sqlite3_mprintf("%!.15g", row.real(0, column));
    const QString result = QString::fromUtf8(text);
    sqlite3_free(text);
    return result;
}

} // namespace

bool TempProgramDir::serverRun()
{
    return qEnvironmentVariable("REJESTR_TEST_STORE") == QLatin1String("server");
}

TempProgramDir::TempProgramDir()
{
    if (!m_dir.isValid())
        return;
    m_ok = InstallProgramDir(m_dir.path()).ok;
    SetProgramDir(m_dir.path());
    SetRegional(RegionalSettings{u'-', u','});
    BuildDateTexts();
    SetTableNames();
    if (m_ok && serverRun()) {
        QString error;
        m_server = SetUpServer(m_dir.path(), &error);
        if (m_server.isEmpty()) {
            m_ok = false;
            QTest::qFail(qPrintable(QStringLiteral("no database on the tests' server: ") + error),
                         __FILE__, __LINE__);
        }
    }
}

TempProgramDir::~TempProgramDir()
{
    SetProgramDir(QString());
}

QString TempProgramDir::sql(const QString& tableFile, const QString& statement) const
{
    if (serverRun())
        return serverSql(statement);
    sqlite3* raw = nullptr;
    sqlite3_open_v2(
        QFile::encodeName(m_dir.filePath(QStringLiteral("db/") + tableFile)).constData(), &raw,
        SQLITE_OPEN_READWRITE, nullptr);
    SqliteConnectionPtr db(raw);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(raw, statement.toUtf8().constData(), -1, &st, nullptr) != SQLITE_OK)
        return QStringLiteral("ERROR: ") + QString::fromUtf8(sqlite3_errmsg(raw));
    SqliteStatementPtr owned(st);
    QString first;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        if (first.isNull()) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            first = t ? QString::fromUtf8(t) : QStringLiteral("");
        }
    }
    if (rc != SQLITE_DONE)
        return QStringLiteral("ERROR: ") + QString::fromUtf8(sqlite3_errmsg(raw));
    return first;
}

QString TempProgramDir::serverSql(const QString& statement) const
{
    if (m_server.isEmpty())
        return QStringLiteral("ERROR: no server");
    try {
        Database db;
        db.params << QStringLiteral("SERVER=") + m_server;
        // No tables named: a test may drop one and make it anew.
        db.connect();
        db.serverConnection().exec("SET search_path = public, sqlite_dialekt");
        const StatementPtr st = db.prepare(statement);
        if (!st->step())
            return QString();
        RowCache row;
        row.reset(st->columnCount());
        st->appendRow(row);
        while (st->step()) {
        }
        return row.columns() > 0 ? SqliteText(row, 0) : QString();
    } catch (const EDBEngineError& e) {
        return QStringLiteral("ERROR: ") + e.message();
    }
}
