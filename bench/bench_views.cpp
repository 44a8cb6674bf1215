// Generates a program directory with many register entries and times what the user waits for:
// opening views, the first screen of a huge view, sums, next numbers, locating and writing.
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteHandles.h"
#include "tools/InstallLayout.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int kTaxpayers = 200;

void generate(const QString& dir, int entries)
{
    sqlite3* raw = nullptr;
    sqlite3_open(QFile::encodeName(dir + QStringLiteral("/db/rejestr.DB")).constData(), &raw);
    SqliteConnectionPtr db(raw);
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw,
                       "INSERT INTO rejestr(ID,DATAWPISU,DATADOK,NALEZNOSC,STAWKA,DATAZAPLATY,NRDOK,"
                       "IMIE,NAZWISKO,NIP,ADRES,KODPOCZT,MIEJSCOWOSC,UWAGI,IDKONTRAHENTA) VALUES "
                       "(?,?,?,?,2,0,'FV/2008/123','Jan','Kowalski','123-456-78-90',"
                       "'ul. Długa 5 m. 7','00-950','Łódź','',?)",
                       -1, &st, nullptr);
    SqliteStatementPtr owned(st);
    for (int i = 0; i < entries; ++i) {
        const int taxpayer = i % kTaxpayers + 1;
        const int number = i / kTaxpayers + 1;
        const int year = 2000 + (number / 400) % 26;
        const int date = year * 10000 + (number % 12 + 1) * 100 + number % 28 + 1;
        sqlite3_bind_int(st, 1, number);
        sqlite3_bind_int(st, 2, date);
        sqlite3_bind_int(st, 3, date);
        sqlite3_bind_double(st, 4, 100.0 + i % 5000 + 0.25);
        sqlite3_bind_int(st, 5, taxpayer);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr);
}

double timeMs(const std::function<void()>& f, int repeat = 5)
{
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < repeat; ++i)
        f();
    return double(t.nsecsElapsed()) / 1e6 / repeat;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int entries = argc > 1 ? QByteArray(argv[1]).toInt() : 1000000;
    QTemporaryDir tmp;
    InstallProgramDir(tmp.path());
    SetProgramDir(tmp.path());
    QElapsedTimer gen;
    gen.start();
    generate(tmp.path(), entries);
    std::printf("generated %d entries for %d taxpayers in %.0f ms\n", entries, kTaxpayers,
                double(gen.elapsed()));

    TmyDataBase dm;
    dm.DMCreate();
    const int perTaxpayer = entries / kTaxpayers;
    dm.rejestrTaxpayerFilter = QStringLiteral("AND IDKONTRAHENTA=7");
    dm.rejestrDateFilter = QStringLiteral("AND DATAWPISU > 20080000AND DATAWPISU < 20081300");
    std::printf("register view, one taxpayer, one year:        %8.2f ms\n",
                timeMs([&] { dm.RefreshRejestr(); }));
    dm.rejestrDateFilter.clear();
    std::printf("register view, one taxpayer, all %6d rows:  %8.2f ms (first screen)\n", perTaxpayer,
                timeMs([&] { dm.RefreshRejestr(); }));
    const double readAllMs = timeMs([&] { dm.RefreshRejestr(); dm.DBFRejestr.fetchAll(); }, 3);
    std::printf("  read all rows of it:                         %8.2f ms, cache %zu KiB\n",
                readAllMs, dm.DBFRejestr.cacheBytes() / 1024);
    std::printf("locate the last entry of the taxpayer:         %8.2f ms\n",
                timeMs([&] { dm.RefreshRejestr(); dm.LocateRejestr(perTaxpayer, 7); }, 3));
    std::printf("sums of the taxpayer's year:                   %8.2f ms\n", timeMs([&] {
                    dm.rejestrDateFilter = QStringLiteral("AND DATAWPISU > 20080000AND DATAWPISU < 20081300");
                    dm.SumRejestr();
                }));
    std::printf("next entry number (MaxRejestrID):              %8.3f ms\n",
                timeMs([&] { dm.MaxRejestrID(7); }, 50));
    std::printf("number taken? (RejestrIDExists):               %8.3f ms\n",
                timeMs([&] { dm.RejestrIDExists(5, 7); }, 50));
    std::printf("update one entry by number:                    %8.3f ms\n", timeMs([&] {
                    Query q(&dm.DatabaseMain);
                    q.sql() << QStringLiteral("UPDATE rejestr.DB SET UWAGI=:PARAM0 WHERE ID=5 AND IDKONTRAHENTA=7");
                    q.setParam(QStringLiteral("PARAM0"), QStringLiteral("x"));
                    q.execute();
                }, 20));
    dm.rejestrTaxpayerFilter = QStringLiteral("AND 1=1");
    dm.rejestrDateFilter.clear();
    const double wholeMs = timeMs([&] { dm.RefreshRejestr(); }, 3);
    std::printf("whole register (%d rows), first screen:   %8.2f ms, cache %zu KiB\n", entries,
                wholeMs, dm.DBFRejestr.cacheBytes() / 1024);
    QElapsedTimer all;
    all.start();
    dm.DBFRejestr.fetchAll();
    const double allMs = double(all.elapsed());
    std::printf("  reading all %d rows:                    %8.0f ms, cache %zu MiB\n",
                dm.DBFRejestr.fetchedCount(), allMs, dm.DBFRejestr.cacheBytes() / (1024 * 1024));
    return 0;
}
