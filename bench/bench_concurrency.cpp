// Two copies of the program on the same table files at once, each making random edits, inserts
// and renumberings of the same few taxpayers through the data module, as two clerks would. Each
// edit adds 1,00 to an entry's amount, so at the end the amounts must add up to the edits that
// were saved: a lost update shows as a shortfall. Also counted: entries without a taxpayer,
// repeated numbers, and every refusal by its kind (each one is what a window tells its user).
//   bench_concurrency [OPERATIONS-PER-COPY]        (default 1000)
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteHandles.h"
#include "tools/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <array>
#include <cstdio>
#include <random>

namespace {

constexpr int kTaxpayers = 5;
constexpr int kEntriesEach = 20;

const char* const kOutcomeNames[] = {"zapisano",     "błąd",      "zmieniony", "usunięty",
                                     "numer zajęty", "pozostałe", "ma zapisy"};

// Moves the view's cursor to a random row among its first `among`; false on an empty view.
bool PickRow(Query& view, std::mt19937& random, int among = 1 << 30)
{
    if (view.isEmpty())
        return false;
    view.setCursor(int(random() % unsigned(qMin(among, view.countRows()))));
    return true;
}

int RunCopy(const QString& dir, unsigned seed, int operations)
{
    SetProgramDir(dir);
    SetInfoHandler([](const QString& t, const QString& m) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(t), qPrintable(m));
    });
    TmyDataBase dm;
    dm.DMCreate();
    std::mt19937 random(seed);
    std::array<int, 7> outcomes{};
    int savedEdits = 0;
    for (int i = 0; i < operations; ++i) {
        dm.RefreshKontrahenci();
        if (!PickRow(dm.DBFKontrahenci, random))
            continue;
        const qint64 taxpayer = dm.DBFKontrahenci.asInteger(QStringLiteral("ID"));
        const unsigned kind = random() % 20;
        SaveResult result;
        if (kind < 12) { // edit: one more złoty
            dm.SetRejestrTaxpayer(taxpayer);
            dm.RefreshRejestr();
            // A few busy entries, so the two copies often edit the same one.
            if (!PickRow(dm.DBFRejestr, random, 3))
                continue;
            RejestrEntryTexts e = dm.CurrentRejestr();
            const RecordStamp asRead = dm.CurrentRejestrStamp();
            QThread::usleep(random() % 3000); // the clerk types, the other copy may save
            e.NALEZNOSC =
                QString::number(dm.DBFRejestr.asFloat(QStringLiteral("NALEZNOSC")) + 1, 'f', 2);
            result = dm.UpdateRejestr(e.ID.toLongLong(), taxpayer, e, asRead);
            savedEdits += result ? 1 : 0;
        } else if (kind < 17) { // a new entry under the next number
            RejestrEntryTexts e;
            e.ID = QString::number(dm.MaxRejestrID(taxpayer) + 1);
            e.NALEZNOSC = QStringLiteral("0");
            e.STAWKA = QStringLiteral("2");
            result = dm.InsertRejestr(taxpayer, e);
        } else { // the taxpayer under the next free number, its entries along
            KontrahentTexts k = dm.CurrentKontrahent();
            const RecordStamp asRead = dm.CurrentKontrahentStamp();
            QThread::usleep(random() % 3000);
            k.ID = QString::number(dm.MaxTaxpayerNumber() + 1);
            result = dm.UpdateKontrahent(taxpayer, k, asRead);
        }
        ++outcomes[size_t(result.outcome)];
    }
    std::printf("%d", savedEdits);
    for (const int n : outcomes)
        std::printf(" %d", n);
    std::printf("\n");
    return 0;
}

qint64 Scalar(const QString& file, const char* sql)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    const SqliteConnectionPtr db(raw);
    sqlite3_exec(raw, "ATTACH 'kontrahenci.DB' AS k", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, sql, -1, &st, nullptr);
    const SqliteStatementPtr owned(st);
    return st && sqlite3_step(st) == SQLITE_ROW ? sqlite3_column_int64(st, 0) : -1;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--kopia"))
        return RunCopy(args[2], args[3].toUInt(), args[4].toInt());
    bool ok = true;
    const int operations = args.size() == 2 ? args[1].toInt(&ok) : 1000;
    if (args.size() > 2 || !ok || operations < 1) {
        std::fputs("Użycie: bench_concurrency [OPERACJE-NA-KOPIĘ]\n", stderr);
        return 2;
    }

    QTemporaryDir work;
    if (!InstallProgramDir(work.path()).ok)
        return 1;
    const QString db = QDir(work.path()).filePath(QStringLiteral("db"));
    QDir::setCurrent(db);
    QString taxpayers;
    QString entries;
    for (int t = 1; t <= kTaxpayers; ++t) {
        taxpayers += QStringLiteral("%1(%2,'Podatnik %2')").arg(t > 1 ? "," : "").arg(t);
        for (int e = 1; e <= kEntriesEach; ++e)
            entries +=
                QStringLiteral("%1(%2,%3,0,2)").arg(entries.isEmpty() ? "" : ",").arg(e).arg(t);
    }
    Scalar(QStringLiteral("kontrahenci.DB"),
           qPrintable(QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES ") + taxpayers));
    Scalar(QStringLiteral("rejestr.DB"),
           qPrintable(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA,NALEZNOSC,STAWKA) "
                                     "VALUES ") +
                      entries));

    QElapsedTimer timer;
    timer.start();
    std::array<QProcess, 2> copies;
    for (size_t c = 0; c < copies.size(); ++c)
        copies[c].start(app.applicationFilePath(),
                        {QStringLiteral("--kopia"), work.path(), QString::number(c + 1),
                         QString::number(operations)});
    int savedEdits = 0;
    std::array<int, 7> outcomes{};
    for (QProcess& copy : copies) {
        copy.waitForFinished(-1);
        const QList<QByteArray> fields = copy.readAllStandardOutput().trimmed().split(' ');
        if (copy.exitCode() != 0 || fields.size() != 8) {
            std::printf("a copy failed: %s\n", copy.readAllStandardError().constData());
            return 1;
        }
        // What the copies' windows would have shown for failures.
        std::fputs(copy.readAllStandardError().constData(), stdout);
        savedEdits += fields[0].toInt();
        for (size_t i = 0; i < outcomes.size(); ++i)
            outcomes[i] += fields[qsizetype(i) + 1].toInt();
    }
    const qint64 elapsed = timer.elapsed();

    const qint64 amounts = Scalar(QStringLiteral("rejestr.DB"),
                                  "SELECT CAST(round(total(NALEZNOSC)) AS INTEGER) FROM rejestr");
    const qint64 orphans = Scalar(QStringLiteral("rejestr.DB"),
                                  "SELECT count(*) FROM rejestr WHERE IDKONTRAHENTA NOT IN "
                                  "(SELECT ID FROM k.kontrahenci)");
    const qint64 repeated =
        Scalar(QStringLiteral("rejestr.DB"),
               "SELECT (SELECT count(*) FROM (SELECT 1 FROM rejestr GROUP BY IDKONTRAHENTA, ID "
               "HAVING count(*) > 1)) + (SELECT count(*) FROM (SELECT 1 FROM k.kontrahenci "
               "GROUP BY ID HAVING count(*) > 1))");
    std::printf("two copies, %d operations each, %lld ms\n", operations, elapsed);
    std::printf("outcomes:");
    for (size_t i = 0; i < outcomes.size(); ++i)
        std::printf(" %s %d;", kOutcomeNames[i], outcomes[i]);
    std::printf("\nsaved edits %d, amounts add up to %lld: lost updates %lld\n", savedEdits,
                amounts, savedEdits - amounts);
    std::printf("entries without a taxpayer %lld, repeated numbers %lld\n", orphans, repeated);
    return 0;
}
