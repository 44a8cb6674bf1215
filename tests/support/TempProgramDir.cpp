#include "support/TempProgramDir.h"

#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteHandles.h"
#include "tools/InstallLayout.h"

#include <QFile>

TempProgramDir::TempProgramDir()
{
    if (!m_dir.isValid())
        return;
    m_ok = InstallProgramDir(m_dir.path()).ok;
    SetProgramDir(m_dir.path());
    SetRegional(RegionalSettings{u'-', u','});
    BuildDateTexts();
    SetTableNames();
}

TempProgramDir::~TempProgramDir()
{
    SetProgramDir(QString());
}

QString TempProgramDir::sql(const QString& tableFile, const QString& statement) const
{
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
