#include "import/uImportParadox.h"

#include "data/FileUtil.h"
#include "data/TableFiles.h"
#include "data/TableSwap.h"
#include "data/uDefinicje.h"
#include "import/ParadoxConvert.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

namespace {

QString LiveTable(const QString& name)
{
    return QDir(DataDirectory()).filePath(name);
}

} // namespace

QString Counted(qint64 n, const char* one, const char* few, const char* many)
{
    const qint64 units = n % 10;
    const qint64 tens = n % 100;
    const char* form = n == 1                                                 ? one
                       : units >= 2 && units <= 4 && (tens < 12 || tens > 14) ? few
                                                                              : many;
    return QString::number(n) + u' ' + QString::fromUtf8(form);
}

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

ParadoxImport::ParadoxImport(const QString& dir) : m_dir(dir)
{
    for (size_t t = 0; t < tableCount(); ++t) {
        m_tables[t].name = TableNames[t];
        m_tables[t].staged = LiveTable(TableNames[t]) + QStringLiteral(".import");
    }
}

ParadoxImport::~ParadoxImport()
{
    removeStaged();
}

void ParadoxImport::removeStaged()
{
    for (const Table& t : m_tables)
        RemoveDatabaseFile(t.staged);
}

bool ParadoxImport::convert(Table& table, int codePage, QString* error, Progress* progress)
{
    table.renumbered.clear();
    return ConvertParadoxTable(table.source, table.name, table.staged, codePage, &table.read, error,
                               progress) &&
           SettleDuplicates(table.staged, table.name, table.source, &table.renumbered, error);
}

bool ParadoxImport::stage(QString* error, Progress* progress)
{
    if (IsDataDirectory(m_dir))
        return Fail(error, QStringLiteral("Wskazany katalog jest katalogiem danych programu."));
    for (Table& t : m_tables) {
        t.source = FindTableFile(m_dir, t.name);
        if (t.source.isEmpty()) {
            removeStaged();
            return Fail(error, QStringLiteral("Brak pliku %1.").arg(QDir(m_dir).filePath(t.name)));
        }
        if (!convert(t, kLikelyCodePage, error, progress)) {
            removeStaged();
            return false;
        }
    }
    return true;
}

bool ParadoxImport::restage(size_t t, int codePage, QString* error, Progress* progress)
{
    return convert(m_tables[t], codePage, error, progress);
}

TablePreview ParadoxImport::preview(size_t t, int rowLimit) const
{
    return ReadTablePreview(m_tables[t].staged, m_tables[t].name, rowLimit);
}

bool ParadoxImport::commit(TmyDataBase* dataModule, ImportCounts* counts, QString* error)
{
    std::vector<StagedTable> staged;
    for (const Table& t : m_tables) {
        if (!QFileInfo::exists(t.staged))
            return Fail(error, QStringLiteral("Tabela %1 nie została przygotowana.").arg(t.source));
        staged.push_back({LiveTable(t.name), t.staged});
    }
    if (!SwapInTables(dataModule, staged, error))
        return false;
    if (counts)
        *counts = {m_tables[0].read.rows, m_tables[1].read.rows};
    return true;
}

bool ImportParadoxTables(TmyDataBase* dataModule, const QString& dir, ImportCounts* counts,
                         QString* error, std::vector<RenumberedEntry>* renumbered)
{
    ParadoxImport import(dir);
    if (!import.stage(error) || !import.commit(dataModule, counts, error))
        return false;
    if (renumbered)
        *renumbered = import.table(1).renumbered;
    return true;
}

bool RunParadoxImport(TmyDataBase* dataModule, const QString& dir, const AskFunction& ask,
                      const InfoFunction& info, const PreviewFunction& preview,
                      const ProgressFunction& progress)
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
    const auto failed = [&info](const QString& why) {
        info(QStringLiteral("Informacja"),
             QStringLiteral("Nie udało się zaimportować danych. %1 Dotychczasowe dane pozostały "
                            "bez zmian.")
                 .arg(why));
        return false;
    };
    ParadoxImport import(dir);
    ImportCounts counts;
    QString why;
    const auto watched = [&progress] {
        return progress ? progress() : std::unique_ptr<Progress>();
    };
    {
        const std::unique_ptr<Progress> reading = watched();
        if (!import.stage(&why, reading.get())) {
            if (reading && reading->cancelled()) {
                info(QStringLiteral("Informacje"),
                     QStringLiteral("Import przerwano. Dotychczasowe dane pozostały bez zmian."));
                return false;
            }
            return failed(why);
        }
    }
    if (!preview(import))
        return false;
    bool committed = false;
    {
        const std::unique_ptr<Progress> swapping = watched();
        committed = import.commit(dataModule, &counts, &why);
    }
    if (!committed)
        return failed(why);
    const QString renumbered = RenumberedSummary(import.table(1).renumbered);
    info(QStringLiteral("Informacje"),
         renumbered.isEmpty() ? ImportSummary(counts) : ImportSummary(counts) + u' ' + renumbered);
    return true;
}
