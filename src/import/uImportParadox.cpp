#include "import/uImportParadox.h"

#include "archive/uArchiveStore.h"
#include "data/FileUtil.h"
#include "data/uDefinicje.h"
#include "import/ParadoxConvert.h"
#include "import/TableSwap.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

namespace {

QString LiveTable(const QString& name)
{
    return QDir(DataDirectory()).filePath(name);
}

// A count with its noun in the form Polish puts after it: one, a few (a last digit of 2 to 4,
// but not 12 to 14), or many.
QString Counted(qint64 n, const char* one, const char* few, const char* many)
{
    const qint64 units = n % 10;
    const qint64 tens = n % 100;
    const char* form = n == 1                                                 ? one
                       : units >= 2 && units <= 4 && (tens < 12 || tens > 14) ? few
                                                                              : many;
    return QString::number(n) + u' ' + QString::fromUtf8(form);
}

} // namespace

QString ImportSummary(const ImportCounts& counts)
{
    // After "zaimportowano" the nouns stand in the accusative, and a taxpayer is a person:
    // one "podatnika", two to four "podatników" like five.
    return QStringLiteral("Zaimportowano %1 i %2 rejestru.")
        .arg(Counted(counts.taxpayers, "podatnika", "podatników", "podatników"),
             Counted(counts.entries, "zapis", "zapisy", "zapisów"));
}

QString FindTableFile(const QString& dir, const QString& name)
{
    const QFileInfoList files = QDir(dir).entryInfoList(QDir::Files | QDir::Hidden, QDir::Name);
    for (const QFileInfo& f : files) {
        if (f.fileName().compare(name, Qt::CaseInsensitive) == 0)
            return f.filePath();
    }
    return {};
}

bool ImportParadoxTables(TmyDataBase* dataModule, const QString& dir, ImportCounts* counts,
                         QString* error)
{
    if (IsDataDirectory(dir))
        return Fail(error, QStringLiteral("Wskazany katalog jest katalogiem danych programu."));
    std::vector<StagedTable> staged;
    qint64 rows[2] = {0, 0};
    const auto removeStaged = [&staged] {
        for (const StagedTable& t : staged)
            QFile::remove(t.staged);
    };
    for (size_t i = 0; i < TableNames.size(); ++i) {
        const QString& name = TableNames[i];
        const QString source = FindTableFile(dir, name);
        if (source.isEmpty()) {
            removeStaged();
            return Fail(error, QStringLiteral("Brak pliku %1.").arg(QDir(dir).filePath(name)));
        }
        staged.push_back({LiveTable(name), LiveTable(name) + QStringLiteral(".import")});
        if (!ConvertParadoxTable(source, name, staged.back().staged, &rows[i], error)) {
            removeStaged();
            return false;
        }
    }
    if (!SwapInTables(dataModule, staged, error))
        return false;
    if (counts)
        *counts = {rows[0], rows[1]};
    return true;
}

bool RunParadoxImport(TmyDataBase* dataModule, const QString& dir, const AskFunction& ask,
                      const InfoFunction& info)
{
    QStringList missing;
    for (const QString& name : TableNames) {
        if (FindTableFile(dir, name).isEmpty())
            missing << name;
    }
    if (!missing.isEmpty()) {
        info(QStringLiteral("Informacje"),
             QStringLiteral("We wskazanym katalogu nie znaleziono tabel Paradox: %1.")
                 .arg(missing.join(QStringLiteral(", "))));
        return false;
    }
    if (!ask(QStringLiteral("Uwaga"),
             QStringLiteral("Dotychczasowe dane zostaną zastąpione danymi z tabel Paradox ze "
                            "wskazanego katalogu. Czy mimo to chcesz kontynuować import?")))
        return false;
    ImportCounts counts;
    QString why;
    if (!ImportParadoxTables(dataModule, dir, &counts, &why)) {
        info(QStringLiteral("Informacja"),
             QStringLiteral("Nie udało się zaimportować danych. %1 Dotychczasowe dane pozostały "
                            "bez zmian.")
                 .arg(why));
        return false;
    }
    info(QStringLiteral("Informacje"), ImportSummary(counts));
    return true;
}
