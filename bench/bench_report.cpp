// bench_report [ROWS] [REPEATS]: prepares the default report over a register of ROWS entries
// (10,000 by default) of one remitter, read through the program's own register view with its
// display rules, and times the layout (rows read from the database on the first run, from the
// view's cache after) and the PDF written from it. It prints figures; it never judges.
#include "data/Regional.h"
#include "data/ViewModel.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteHandles.h"
#include "report/ReportLayout.h"
#include "report/ReportPainter.h"
#include "report/ReportTemplate.h"
#include "tools/InstallLayout.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1.0 : v[v.size() / 2];
}

bool fill(const QString& dir, int rows)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(dir + QStringLiteral("/db/rejestr.DB")).constData(), &raw,
                    SQLITE_OPEN_READWRITE, nullptr);
    SqliteConnectionPtr db(raw);
    const char* names[] = {"Jan", "Małgorzata", "Grzegorz", "Zofia", "Przemysław"};
    const char* surnames[] = {"Kowalski", "Brzęczyszczykiewicz", "Wójcik", "Nowak-Jeziorańska",
                              "Żółkiewski"};
    const char* streets[] = {"ul. Długa 1", "al. Jana Pawła II 124/56", "os. Śląskie 3",
                             "ul. Źródlana 7 m. 12", "Rynek Główny 1"};
    const char* towns[] = {"Kraków", "Łódź", "Wrocław", "Gdańsk", "Bielsko-Biała"};
    // Every fifth entry has a remark long enough to wrap over several lines.
    const char* notes[] = {"", "sprzedaż samochodu osobowego", "pożyczka", "",
                           "umowa zamiany nieruchomości gruntowej wraz z budynkiem mieszkalnym, "
                           "księga wieczysta KR1P/00012345/6"};
    sqlite3_exec(raw, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_exec(raw, "INSERT INTO kontrahenci(ID,NAZWA) VALUES (1,'x')", nullptr, nullptr,
                 nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        raw,
        "INSERT INTO rejestr(ID,DATAWPISU,DATADOK,NALEZNOSC,STAWKA,DATAZAPLATY,NRDOK,"
        "IMIE,NAZWISKO,NIP,ADRES,KODPOCZT,MIEJSCOWOSC,UWAGI,IDKONTRAHENTA) "
        "VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,1)",
        -1, &st, nullptr);
    SqliteStatementPtr insert(st);
    for (int i = 0; i < rows; ++i) {
        const int date = 20260000 + (i % 12 + 1) * 100 + i % 28 + 1;
        const QByteArray nr = QStringLiteral("RN %1/2026").arg(i + 1).toUtf8();
        const QByteArray nip = QStringLiteral("123-45-67-%1").arg(i % 90 + 10).toUtf8();
        const QByteArray code = QStringLiteral("3%1-00%1").arg(i % 10).toUtf8();
        sqlite3_bind_int(st, 1, i + 1);
        sqlite3_bind_int(st, 2, date);
        sqlite3_bind_int(st, 3, date);
        sqlite3_bind_double(st, 4, 1000 + i * 12.34);
        sqlite3_bind_double(st, 5, i % 3 ? 2 : 1);
        sqlite3_bind_int(st, 6, i % 4 ? date : 0);
        sqlite3_bind_text(st, 7, nr.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 8, names[i % 5], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 9, surnames[i % 5], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 10, nip.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 11, streets[i % 5], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 12, code.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 13, towns[i % 5], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 14, notes[i % 5], -1, SQLITE_STATIC);
        if (sqlite3_step(st) != SQLITE_DONE)
            return false;
        sqlite3_reset(st);
    }
    return sqlite3_exec(raw, "COMMIT", nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(0, atoi(argv[1])) : 10000;
    const int repeats = argc > 2 ? std::max(1, atoi(argv[2])) : 5;

    QTemporaryDir dir;
    if (!InstallProgramDir(dir.path()).ok || !fill(dir.path(), rows)) {
        std::fprintf(stderr, "bench_report: cannot lay out the register\n");
        return 1;
    }
    SetProgramDir(dir.path());
    SetRegional(RegionalSettings{u'-', u','});
    BuildDateTexts();
    SetTableNames();
    TmyDataBase dm;
    myDataBase = &dm;
    dm.DMCreate();
    dm.rejestrTaxpayerFilter = QStringLiteral("AND IDKONTRAHENTA=1");
    dm.rejestrDateFilter.clear();
    dm.RefreshRejestr();

    const ReportTemplate tpl =
        ReportTemplate::fromFile(dir.filePath(QStringLiteral("rejestr.frf")));
    // The program's own answers: register variables are the grid columns' field texts.
    QHash<QString, QString> fieldOf;
    for (const GridColumn& c : RejestrColumns())
        fieldOf.insert(c.field, c.field);
    Query& view = dm.DBFRejestr;
    const ReportUserDataset dataset{[&view] { view.first(); }, [&view] { view.next(); },
                                    [&view](bool& eof) { eof = view.eof(); }};
    double sum = 0.0;
    const ReportValueHandler value = [&](const QString& name, QString& v) {
        const auto f = fieldOf.constFind(name);
        v = f != fieldOf.cend() ? view.asText(*f) : QString();
        if (name == QLatin1String("WARTOSC"))
            sum += QString(v).replace(u',', u'.').toDouble();
    };

    std::vector<double> wall, cpu;
    ReportDocument doc;
    for (int r = 0; r <= repeats; ++r) {
        QElapsedTimer t;
        const double c0 = cpuMs();
        t.start();
        doc = LayoutReport(tpl, dataset, value);
        const double ms = double(t.nsecsElapsed()) / 1e6;
        const double cms = cpuMs() - c0;
        if (r == 0)
            std::printf("layout, rows read from the database: %.0f ms wall, %.0f ms CPU\n", ms,
                        cms);
        else {
            wall.push_back(ms);
            cpu.push_back(cms);
        }
    }
    qsizetype items = 0;
    for (const ReportPage& p : doc.pages)
        items += p.texts.size() + p.lines.size();
    std::printf("layout, rows from the view's cache (median of %d): %.0f ms wall, %.0f ms CPU\n",
                repeats, median(wall), median(cpu));
    std::printf("  %d rows -> %lld pages, %lld items\n", rows, qint64(doc.pages.size()),
                qint64(items));

    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    QElapsedTimer t;
    const double c0 = cpuMs();
    t.start();
    WriteReportPdf(doc, &pdf);
    std::printf("PDF of every page: %.0f ms wall, %.0f ms CPU, %.1f MB\n",
                double(t.nsecsElapsed()) / 1e6, cpuMs() - c0, pdf.size() / 1e6);
    myDataBase = nullptr;
    std::printf("  total of the tax values asked for: %.2f\n", sum);
    return 0;
}
