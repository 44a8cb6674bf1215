// Two copies of the program on the same table files at once, each making random edits, inserts
// and renumberings of the same few taxpayers through the data module, as two clerks would. Each
// edit adds 1,00 to an entry's amount, so at the end the amounts must add up to the edits that
// were saved: a lost update shows as a shortfall. Also counted: entries without a taxpayer,
// repeated numbers, and every refusal by its kind (each one is what a window tells its user).
//   bench_concurrency [--server] [OPERATIONS-PER-COPY]        (default 1000)
// --server: the two tables on a PostgreSQL server of the benchmark's own, each copy in a program
// directory of its own whose rejestr.ini names the server, signed in as a clerk of its own with
// the rights an office gives its clerks (bench/README.md), not as the tables' owner.
#include "data/IniFile.h"
#include "data/ServerSchema.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dbengine/PgConnection.h"
#include "dbengine/SqliteHandles.h"
#include "support/PgCluster.h"
#include "tools/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <stdexcept>

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

// The clerks' rights on the tables (the README's recipe): a group role holding them and one
// login role per clerk in it.
const char* const kClerksRole = "rejestr_urzednicy";
const char* const kClerkGrants = "GRANT SELECT, INSERT, UPDATE, DELETE ON kontrahenci, rejestr TO "
                                 "rejestr_urzednicy";

QString ClerkName(int copy)
{
    return QStringLiteral("urzednik%1").arg(copy);
}

// Where the two copies write, and how the end state is read from it.
class Store
{
public:
    virtual ~Store() = default;
    virtual void seed(const QString& taxpayers, const QString& entries) = 0;
    // The program directory a copy runs in.
    virtual QString programDir(int copy) const = 0;
    virtual qint64 amounts() = 0;
    virtual qint64 orphans() = 0;
    virtual qint64 repeated() = 0;
};

const char* const kRepeatedSql =
    "SELECT (SELECT count(*) FROM (SELECT 1 FROM rejestr GROUP BY IDKONTRAHENTA, ID HAVING "
    "count(*) > 1) r) + (SELECT count(*) FROM (SELECT 1 FROM %1kontrahenci GROUP BY ID HAVING "
    "count(*) > 1) k)";

class FilesStore final : public Store
{
public:
    explicit FilesStore(QString dir) : m_dir(std::move(dir))
    {
        QDir::setCurrent(QDir(m_dir).filePath(QStringLiteral("db")));
    }
    void seed(const QString& taxpayers, const QString& entries) override
    {
        Scalar(QStringLiteral("kontrahenci.DB"),
               qPrintable(QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES ") + taxpayers));
        Scalar(QStringLiteral("rejestr.DB"),
               qPrintable(QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA,NALEZNOSC,STAWKA) "
                                         "VALUES ") +
                          entries));
    }
    QString programDir(int) const override { return m_dir; }
    qint64 amounts() override
    {
        return Scalar(QStringLiteral("rejestr.DB"),
                      "SELECT CAST(round(total(NALEZNOSC)) AS INTEGER) FROM rejestr");
    }
    qint64 orphans() override
    {
        return Scalar(QStringLiteral("rejestr.DB"),
                      "SELECT count(*) FROM rejestr WHERE IDKONTRAHENTA NOT IN "
                      "(SELECT ID FROM k.kontrahenci)");
    }
    qint64 repeated() override
    {
        return Scalar(QStringLiteral("rejestr.DB"),
                      qPrintable(QString::fromLatin1(kRepeatedSql).arg(QStringLiteral("k."))));
    }

private:
    QString m_dir;
};

class ServerStore final : public Store
{
public:
    // Raises EDBEngineError, or std::runtime_error when there is no server.
    explicit ServerStore(QTemporaryDir& work)
    {
        QString why;
        const QString owner = PgCluster::shared().createDatabase(&why);
        if (owner.isEmpty())
            throw std::runtime_error(why.toStdString());
        m_owner.open(owner);
        QStringList warnings;
        if (!InstallServerSchema(m_owner, &warnings, &why))
            throw std::runtime_error(why.toStdString());
        const QByteArray database = m_owner.exec("SELECT current_database()").value(0, 0);
        m_owner.execScript(QByteArray("CREATE ROLE ") + kClerksRole + " NOLOGIN; " + kClerkGrants +
                           "; REVOKE ALL ON DATABASE " + database +
                           " FROM PUBLIC; GRANT CONNECT ON DATABASE " + database + " TO " +
                           kClerksRole);
        for (int copy = 1; copy <= 2; ++copy) {
            m_owner.execScript("CREATE ROLE " + ClerkName(copy).toUtf8() + " LOGIN IN ROLE " +
                               kClerksRole);
            const QString dir = QDir(work.path()).filePath(QStringLiteral("kopia%1").arg(copy));
            if (!InstallProgramDir(dir).ok)
                throw std::runtime_error("cannot lay out a program directory");
            IniFile ini(QDir(dir).filePath(kSettingsFile));
            ini.load();
            ini.setValue(kServerSection, kServerKey,
                         PgCluster::shared()
                             .conninfo(QString::fromUtf8(database), ClerkName(copy))
                             .toUtf8());
            if (!ini.save(&why))
                throw std::runtime_error(why.toStdString());
            m_dirs << dir;
        }
    }
    void seed(const QString& taxpayers, const QString& entries) override
    {
        m_owner.exec(("INSERT INTO kontrahenci(ID,NAZWA) VALUES " + taxpayers).toUtf8());
        m_owner.exec(
            ("INSERT INTO rejestr(ID,IDKONTRAHENTA,NALEZNOSC,STAWKA) VALUES " + entries).toUtf8());
    }
    QString programDir(int copy) const override { return m_dirs.value(copy - 1); }
    qint64 amounts() override
    {
        return value("SELECT CAST(round(coalesce(sum(NALEZNOSC), 0)) AS BIGINT) FROM rejestr");
    }
    qint64 orphans() override
    {
        return value("SELECT count(*) FROM rejestr WHERE IDKONTRAHENTA NOT IN "
                     "(SELECT ID FROM kontrahenci)");
    }
    qint64 repeated() override
    {
        return value(QString::fromLatin1(kRepeatedSql).arg(QString()).toUtf8());
    }

private:
    qint64 value(const QByteArray& sql) { return m_owner.exec(sql).value(0, 0).toLongLong(); }

    PgConnection m_owner;
    QStringList m_dirs;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("--kopia"))
        return RunCopy(args[1], args[2].toUInt(), args[3].toInt());
    const bool onServer = !args.isEmpty() && args[0] == QLatin1String("--server");
    if (onServer)
        args.removeFirst();
    bool ok = true;
    const int operations = args.size() == 1 ? args[0].toInt(&ok) : 1000;
    if (args.size() > 1 || !ok || operations < 1) {
        std::fputs("Użycie: bench_concurrency [--server] [OPERACJE-NA-KOPIĘ]\n", stderr);
        return 2;
    }

    QTemporaryDir work;
    std::unique_ptr<Store> store;
    try {
        if (onServer) {
            store = std::make_unique<ServerStore>(work);
        } else {
            if (!InstallProgramDir(work.path()).ok)
                return 1;
            store = std::make_unique<FilesStore>(work.path());
        }
    } catch (const EDBEngineError& e) {
        std::fprintf(stderr, "server: %s\n", qPrintable(e.message()));
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "server: %s\n", e.what());
        return 1;
    }
    QString taxpayers;
    QString entries;
    for (int t = 1; t <= kTaxpayers; ++t) {
        taxpayers += QStringLiteral("%1(%2,'Podatnik %2')").arg(t > 1 ? "," : "").arg(t);
        for (int e = 1; e <= kEntriesEach; ++e)
            entries +=
                QStringLiteral("%1(%2,%3,0,2)").arg(entries.isEmpty() ? "" : ",").arg(e).arg(t);
    }
    try {
        store->seed(taxpayers, entries);
    } catch (const EDBEngineError& e) {
        std::fprintf(stderr, "server: %s\n", qPrintable(e.message()));
        return 1;
    }

    QElapsedTimer timer;
    timer.start();
    std::array<QProcess, 2> copies;
    for (size_t c = 0; c < copies.size(); ++c)
        copies[c].start(app.applicationFilePath(),
                        {QStringLiteral("--kopia"), store->programDir(int(c) + 1),
                         QString::number(c + 1), QString::number(operations)});
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

    qint64 amounts = -1;
    qint64 orphans = -1;
    qint64 repeated = -1;
    try {
        amounts = store->amounts();
        orphans = store->orphans();
        repeated = store->repeated();
    } catch (const EDBEngineError& e) {
        std::fprintf(stderr, "server: %s\n", qPrintable(e.message()));
        return 1;
    }
    std::printf("two copies on %s, %d operations each, %lld ms\n",
                onServer ? "a PostgreSQL server, each signed in as a clerk of its own"
                         : "the same table files",
                operations, elapsed);
    std::printf("outcomes:");
    for (size_t i = 0; i < outcomes.size(); ++i)
        std::printf(" %s %d;", kOutcomeNames[i], outcomes[i]);
    std::printf("\nsaved edits %d, amounts add up to %lld: lost updates %lld\n", savedEdits,
                amounts, savedEdits - amounts);
    std::printf("entries without a taxpayer %lld, repeated numbers %lld\n", orphans, repeated);
    return 0;
}
