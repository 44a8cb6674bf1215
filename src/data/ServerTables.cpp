#include "data/ServerTables.h"

#include "data/TableSchema.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteFile.h"

#include <QDir>
#include <QFile>

#include <optional>

namespace {

// Rows read from the server or written to a file at a time.
constexpr int kBatchRows = 2000;

QByteArray columnList(const TableSchema& t)
{
    return ColumnNames(t).join(u',').toLatin1();
}

void rollback(PgConnection& connection) noexcept
{
    try {
        if (connection.inTransaction())
            connection.exec("ROLLBACK");
    } catch (...) {
    }
}

bool fail(QString* error, const QString& why)
{
    if (error)
        *error = why;
    return false;
}

// The message names the file: a restore or an import reads two.
QString readingFailed(const QString& path, const QString& why)
{
    return QStringLiteral("Nie można odczytać pliku %1: %2.")
        .arg(QDir::toNativeSeparators(path), why);
}

bool copyTableOut(PgConnection& connection, const TableSchema& t, const QString& path,
                  const RowsDone& rowsDone, qint64& done, QString* error)
{
    QFile::remove(path);
    SqliteFile file;
    QString why;
    if (!file.open(path, SqliteFile::Mode::Create, &why) ||
        !file.exec("PRAGMA journal_mode=DELETE; " + CreateTableSql(t), &why) ||
        !file.exec("BEGIN", &why))
        return fail(error, why);
    QByteArray insert = QByteArray("INSERT INTO ") + t.stem + '(' + columnList(t) + ") VALUES (";
    for (size_t c = 0; c < t.columns.size(); ++c)
        insert += c ? ",?" : "?";
    insert += ')';
    SqliteStatement st = file.prepare(insert, &why);
    if (!st.isValid())
        return fail(error, why);
    const QByteArray cursor = QByteArray("kopia_") + t.stem;
    connection.exec("DECLARE " + cursor + " NO SCROLL CURSOR FOR SELECT " + columnList(t) +
                    " FROM " + t.stem + " ORDER BY rowid");
    for (;;) {
        const PgResult rows =
            connection.exec("FETCH " + QByteArray::number(kBatchRows) + " FROM " + cursor);
        if (rows.rows() == 0)
            break;
        for (int r = 0; r < rows.rows(); ++r) {
            for (int c = 0; c < int(t.columns.size()); ++c) {
                if (rows.isNull(r, c)) {
                    st.bindNull(c + 1);
                    continue;
                }
                const QByteArray v = rows.value(r, c);
                switch (t.columns[size_t(c)].type) {
                case ColumnType::Integer:
                    st.bind(c + 1, v.toLongLong());
                    break;
                case ColumnType::Real:
                    st.bind(c + 1, v.toDouble());
                    break;
                case ColumnType::Text:
                    st.bind(c + 1, QString::fromUtf8(v));
                    break;
                }
            }
            st.next();
            if (st.failed())
                return fail(error, file.message());
            st.reset();
        }
        done += rows.rows();
        if (rowsDone && !rowsDone(done))
            return fail(error, QString());
    }
    connection.exec("CLOSE " + cursor);
    if (!file.exec("COMMIT", &why))
        return fail(error, why);
    return true;
}

// Up to a batch of the statement's rows as COPY lines; *more turns false at the last row.
int copyLines(SqliteStatement& st, const TableSchema& t, QByteArray& chunk, bool* more)
{
    chunk.clear();
    int rows = 0;
    while (rows < kBatchRows) {
        // A finished statement must not be stepped again: SQLite would run it anew.
        if (!st.next()) {
            *more = false;
            break;
        }
        for (int c = 0; c < int(t.columns.size()); ++c) {
            if (c)
                chunk += '\t';
            std::optional<QByteArray> v;
            if (!st.isNull(c)) {
                switch (t.columns[size_t(c)].type) {
                case ColumnType::Integer:
                    v = QByteArray::number(st.integer(c));
                    break;
                case ColumnType::Real:
                    v = QByteArray::number(st.real(c), 'g', 17);
                    break;
                case ColumnType::Text:
                    v = st.text(c).toUtf8();
                    break;
                }
            }
            PgConnection::appendCopyValue(chunk, v);
        }
        chunk += '\n';
        ++rows;
    }
    return rows;
}

} // namespace

bool SnapshotServerTables(PgConnection& connection, const QHash<QString, QString>& files,
                          const RowsDone& rowsDone, QString* error)
{
    qint64 done = 0;
    try {
        // One moment for both tables: no other copy's commit falls between them.
        connection.exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
        for (const TableSchema& t : TableSchemas()) {
            const QString path = files.value(QLatin1String(t.stem));
            if (path.isEmpty())
                continue;
            if (!copyTableOut(connection, t, path, rowsDone, done, error)) {
                rollback(connection);
                return false;
            }
        }
        connection.exec("COMMIT");
        return true;
    } catch (const EDBEngineError& e) {
        rollback(connection);
        return fail(error, e.message());
    }
}

bool ReplaceServerTables(PgConnection& connection, const QHash<QString, QString>& files,
                         const RowsDone& rowsDone, QString* error)
{
    qint64 done = 0;
    try {
        QByteArrayList stems;
        for (const TableSchema& t : TableSchemas())
            stems << t.stem;
        connection.exec("BEGIN");
        // Writers wait as for any save; readers see the old rows until the commit.
        connection.exec("LOCK TABLE " + stems.join(',') + " IN SHARE ROW EXCLUSIVE MODE");
        for (const TableSchema& t : TableSchemas()) {
            const QString path = files.value(QLatin1String(t.stem));
            if (path.isEmpty())
                continue;
            SqliteFile file;
            QString why;
            if (!file.open(path, SqliteFile::Mode::ReadOnly, &why)) {
                rollback(connection);
                return fail(error, readingFailed(path, why));
            }
            SqliteStatement st = file.prepare(
                "SELECT " + columnList(t) + " FROM " + t.stem + " ORDER BY rowid", &why);
            if (!st.isValid()) {
                rollback(connection);
                return fail(error, readingFailed(path, why));
            }
            connection.exec(QByteArray("DELETE FROM ") + t.stem);
            bool stopped = false;
            bool more = true;
            try {
                connection.copyIn(QByteArray("COPY ") + t.stem + " (" + columnList(t) +
                                      ") FROM STDIN",
                                  [&](QByteArray& chunk) {
                                      const int rows = copyLines(st, t, chunk, &more);
                                      done += rows;
                                      if (st.failed())
                                          throw EDBEngineError(readingFailed(path, file.message()));
                                      if (rows > 0 && rowsDone && !rowsDone(done)) {
                                          stopped = true;
                                          throw EDBEngineError(QString());
                                      }
                                      return more;
                                  });
            } catch (const EDBEngineError& e) {
                rollback(connection);
                return fail(error, stopped ? QString() : e.message());
            }
        }
        connection.exec("COMMIT");
        return true;
    } catch (const EDBEngineError& e) {
        rollback(connection);
        return fail(error, e.message());
    }
}
