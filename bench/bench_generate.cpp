// bench_generate DIR: lays out a program directory and fills it with 10,000 taxpayers (notary
// offices) and 1,000,000 register entries with Polish texts. Taxpayer 1 holds 100,000 entries
// spread evenly over 2000-01-01 .. 2026-12-31 (fixed years, so about 3,700 fall in 2026).
// The data are reproducible: one fixed seed.
#include "tools/InstallLayout.h"

#include "dbengine/SqliteHandles.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

namespace {

constexpr int kTaxpayers = 10000;
// Set from the command line (--entries, --big); these are the defaults.
int g_entries = 1000000;
constexpr int kBigTaxpayer = 1;
int g_bigEntries = 100000;
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2026;

struct Town
{
    const char* name;
    int postalLow; // postal codes as five digits, e.g. 90001 for "90-001"
    int postalHigh;
    int areaCode;
};

const Town kTowns[] = {
    {"Warszawa", 1, 4999, 22},
    {"Kraków", 30001, 31999, 12},
    {"Łódź", 90001, 94999, 42},
    {"Wrocław", 50001, 54999, 71},
    {"Poznań", 60001, 61999, 61},
    {"Gdańsk", 80001, 80999, 58},
    {"Szczecin", 70001, 71999, 91},
    {"Bydgoszcz", 85001, 85999, 52},
    {"Lublin", 20001, 20999, 81},
    {"Białystok", 15001, 15999, 85},
    {"Katowice", 40001, 40999, 32},
    {"Gdynia", 81001, 81999, 58},
    {"Częstochowa", 42200, 42226, 34},
    {"Radom", 26600, 26617, 48},
    {"Toruń", 87100, 87118, 56},
    {"Kielce", 25001, 25999, 41},
    {"Rzeszów", 35001, 35999, 17},
    {"Gliwice", 44100, 44164, 32},
    {"Olsztyn", 10001, 10999, 89},
    {"Bielsko-Biała", 43300, 43382, 33},
    {"Zielona Góra", 65001, 65999, 68},
    {"Opole", 45001, 45999, 77},
    {"Gorzów Wielkopolski", 66400, 66415, 95},
    {"Płock", 9400, 9420, 24},
    {"Wałbrzych", 58300, 58316, 74},
    {"Włocławek", 87800, 87820, 54},
    {"Tarnów", 33100, 33110, 14},
    {"Koszalin", 75001, 75999, 94},
    {"Kalisz", 62800, 62816, 62},
    {"Legnica", 59220, 59230, 76},
    {"Grudziądz", 86300, 86311, 56},
    {"Słupsk", 76200, 76215, 59},
    {"Nowy Sącz", 33300, 33312, 18},
    {"Jelenia Góra", 58500, 58573, 75},
    {"Siedlce", 8110, 8119, 25},
    {"Piotrków Trybunalski", 97300, 97310, 44},
    {"Przemyśl", 37700, 37720, 16},
    {"Zamość", 22400, 22410, 84},
    {"Łomża", 18400, 18404, 86},
    {"Świdnica", 58100, 58105, 74},
    {"Ełk", 19300, 19301, 87},
    {"Żywiec", 34300, 34301, 33},
    {"Sandomierz", 27600, 27601, 15},
    {"Środa Śląska", 55300, 55301, 71},
    {"Gołdap", 19500, 19500, 87},
    {"Sędziszów Małopolski", 39120, 39120, 17},
    {"Końskie", 26200, 26200, 41},
    {"Łańcut", 37100, 37100, 17},
};

const char* const kMaleNames[] = {
    "Łukasz",    "Grzegorz",  "Józef",    "Jędrzej",   "Mikołaj",    "Wojciech",   "Zbigniew",
    "Kazimierz", "Stanisław", "Paweł",    "Piotr",     "Tomasz",     "Michał",     "Krzysztof",
    "Andrzej",   "Marek",     "Jacek",    "Sławomir",  "Bogdan",     "Przemysław", "Radosław",
    "Dariusz",   "Mirosław",  "Zdzisław", "Bolesław",  "Ryszard",    "Jarosław",   "Wiesław",
    "Leszek",    "Henryk",    "Czesław",  "Władysław", "Bartłomiej", "Jerzy",      "Jan",
    "Adam",      "Maciej",    "Kamil",    "Rafał",     "Tadeusz"};

const char* const kFemaleNames[] = {
    "Małgorzata", "Żaneta",    "Bożena",    "Jolanta",  "Grażyna",  "Halina",
    "Jadwiga",    "Katarzyna", "Agnieszka", "Ewa",      "Krystyna", "Barbara",
    "Elżbieta",   "Zofia",     "Teresa",    "Danuta",   "Irena",    "Marianna",
    "Anna",       "Maria",     "Joanna",    "Dorota",   "Beata",    "Urszula",
    "Iwona",      "Łucja",     "Bogumiła",  "Wiesława", "Jagoda",   "Magdalena"};

// Male forms; -ski/-cki/-dzki take -ska/-cka/-dzka for women, the others stay.
const char* const kSurnames[] = {
    "Nowak",       "Kowalski",    "Wiśniewski",    "Wójcik",      "Kowalczyk",   "Kamiński",
    "Lewandowski", "Zieliński",   "Szymański",     "Woźniak",     "Dąbrowski",   "Kozłowski",
    "Jankowski",   "Mazur",       "Wojciechowski", "Kwiatkowski", "Krawczyk",    "Kaczmarek",
    "Piotrowski",  "Grabowski",   "Zając",         "Pawłowski",   "Michalski",   "Król",
    "Wieczorek",   "Jabłoński",   "Wróbel",        "Nowakowski",  "Majewski",    "Olszewski",
    "Stępień",     "Malinowski",  "Jaworski",      "Adamczyk",    "Dudek",       "Nowicki",
    "Pawlak",      "Górski",      "Witkowski",     "Walczak",     "Sikora",      "Baran",
    "Rutkowski",   "Michalak",    "Szewczyk",      "Ostrowski",   "Tomaszewski", "Pietrzak",
    "Zalewski",    "Wróblewski",  "Jasiński",      "Marciniak",   "Bąk",         "Zawadzki",
    "Sadowski",    "Jakubowski",  "Duda",          "Włodarczyk",  "Chmielewski", "Borkowski",
    "Sokołowski",  "Szczepański", "Sawicki",       "Lis",         "Kucharski",   "Mazurek",
    "Kubiak",      "Kalinowski",  "Wysocki",       "Kołodziej",   "Czarnecki",   "Żak",
    "Głowacki",    "Łuczak",      "Żukowski",      "Błaszczyk",   "Gołębiowski", "Ślusarczyk",
    "Źródłowski",  "Kędzierski",  "Śliwiński",     "Ćwikliński",  "Łęcki",       "Żółtowski",
    "Gąsiorowski", "Skrzypczak",  "Przybylski",    "Ziółkowski",  "Grzelak",     "Brzeziński",
    "Kaźmierczak", "Żmuda",       "Łapiński",      "Świątek",     "Ożóg",        "Bieńkowski"};

const char* const kStreets[] = {"ul. Marszałkowska",
                                "ul. Piotrkowska",
                                "ul. Świętojańska",
                                "al. Jerozolimskie",
                                "ul. Długa",
                                "ul. Krakowskie Przedmieście",
                                "ul. Mickiewicza",
                                "ul. Słowackiego",
                                "ul. Kościuszki",
                                "ul. Żeromskiego",
                                "ul. Kilińskiego",
                                "ul. Sienkiewicza",
                                "ul. Piłsudskiego",
                                "ul. Wyszyńskiego",
                                "ul. Jana Pawła II",
                                "ul. Grunwaldzka",
                                "ul. Łąkowa",
                                "ul. Źródlana",
                                "ul. Ogrodowa",
                                "ul. Polna",
                                "ul. Leśna",
                                "ul. Słoneczna",
                                "ul. Kwiatowa",
                                "ul. Szkolna",
                                "ul. Różana",
                                "ul. Wiśniowa",
                                "ul. Brzozowa",
                                "ul. Żwirki i Wigury",
                                "ul. Więckowskiego",
                                "ul. Narutowicza",
                                "ul. Kopernika",
                                "ul. Wólczańska",
                                "ul. Rzemieślnicza",
                                "ul. Targowa",
                                "ul. Zgierska",
                                "ul. Ściegiennego",
                                "os. Tysiąclecia",
                                "pl. Wolności",
                                "ul. 3 Maja",
                                "ul. 11 Listopada",
                                "ul. Księcia Józefa Poniatowskiego",
                                "ul. Bolesława Chrobrego",
                                "ul. Źródłowa",
                                "ul. Cicha",
                                "ul. Krótka",
                                "ul. Nadrzeczna",
                                "ul. Świerkowa",
                                "ul. Jaśminowa"};

const char* const kEntryRemarks[] = {
    "przelew na rachunek urzędu", "zapłacono gotówką",         "korekta wpisu",
    "zwolnienie – art. 9 pkt 10", "umowa pożyczki w rodzinie", "sprzedaż udziału ½",
    "zamiana nieruchomości",      "ustanowienie hipoteki",     "umowa spółki – wkład",
    "płatność w dwóch ratach",    "dopłata różnicy",           "odstąpienie od umowy – zwrot"};

const char* const kOfficeRemarks[] = {
    "czynna pn.–pt. 9–17", "wejście od podwórza",      "zastępca notarialny w czwartki",
    "rachunek w PKO BP",   "dawniej przy ul. Długiej", "współpraca od lat"};

class Random
{
public:
    explicit Random(std::uint64_t seed) : m_engine(seed) {}
    int uniform(int low, int high)
    {
        return std::uniform_int_distribution<int>(low, high)(m_engine);
    }
    double real(double low, double high)
    {
        return std::uniform_real_distribution<double>(low, high)(m_engine);
    }
    bool chance(double p) { return real(0.0, 1.0) < p; }
    template <typename T, std::size_t N> std::remove_cv_t<T> pick(const T (&items)[N])
    {
        return items[std::size_t(uniform(0, int(N) - 1))];
    }
    std::mt19937_64& engine() { return m_engine; }

private:
    std::mt19937_64 m_engine;
};

int dateCode(qint64 julianDay)
{
    const QDate d = QDate::fromJulianDay(julianDay);
    return d.year() * 10000 + d.month() * 100 + d.day();
}

std::string postalCode(Random& rnd, const Town& town)
{
    const int code = rnd.uniform(town.postalLow, town.postalHigh);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d-%03d", code / 1000, code % 1000);
    return buf;
}

// Ten digits with a valid check digit, written "123-456-78-90".
std::string nip(Random& rnd)
{
    static const int weights[9] = {6, 5, 7, 2, 3, 4, 5, 6, 7};
    for (;;) {
        int d[10];
        int sum = 0;
        for (int i = 0; i < 9; ++i) {
            d[i] = i == 0 ? rnd.uniform(1, 9) : rnd.uniform(0, 9);
            sum += d[i] * weights[i];
        }
        d[9] = sum % 11;
        if (d[9] == 10)
            continue;
        char buf[16];
        std::snprintf(buf, sizeof buf, "%d%d%d-%d%d%d-%d%d-%d%d", d[0], d[1], d[2], d[3], d[4],
                      d[5], d[6], d[7], d[8], d[9]);
        return buf;
    }
}

std::string surname(Random& rnd, bool female)
{
    std::string s = rnd.pick(kSurnames);
    if (female && s.size() > 2 && s.compare(s.size() - 2, 2, "ki") == 0)
        s.back() = 'a';
    return s;
}

std::string address(Random& rnd)
{
    std::string a = rnd.pick(kStreets);
    a += ' ';
    a += std::to_string(rnd.uniform(1, 180));
    if (rnd.chance(0.15))
        a += char('a' + rnd.uniform(0, 3));
    if (rnd.chance(0.55)) {
        a += rnd.chance(0.5) ? " m. " : "/";
        a += std::to_string(rnd.uniform(1, 120));
    }
    return a;
}

std::string phone(Random& rnd, const Town& town)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "(%02d) %03d-%02d-%02d", town.areaCode, rnd.uniform(200, 899),
                  rnd.uniform(0, 99), rnd.uniform(0, 99));
    std::string p = buf;
    if (rnd.chance(0.6)) {
        std::snprintf(buf, sizeof buf, ", %03d %03d %03d", rnd.uniform(500, 889),
                      rnd.uniform(0, 999), rnd.uniform(0, 999));
        p += buf;
    }
    return p;
}

bool check(sqlite3* db, int rc, const char* what)
{
    if (rc == SQLITE_OK || rc == SQLITE_DONE || rc == SQLITE_ROW)
        return true;
    std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
    return false;
}

SqliteConnectionPtr openForBulkLoad(const QString& file)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READWRITE, nullptr);
    SqliteConnectionPtr db(raw);
    // One big transaction; a large cache keeps index pages in memory while rows arrive out of
    // index order. The files keep their rollback journal mode.
    if (!check(raw,
               sqlite3_exec(raw, "PRAGMA synchronous=OFF; PRAGMA cache_size=-400000; BEGIN",
                            nullptr, nullptr, nullptr),
               "BEGIN"))
        return nullptr;
    return db;
}

qint64 rowCount(sqlite3* db, const char* table)
{
    sqlite3_stmt* raw = nullptr;
    const std::string sql = std::string("SELECT COUNT(*) FROM ") + table;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &raw, nullptr) != SQLITE_OK)
        return -1;
    SqliteStatementPtr st(raw);
    return sqlite3_step(raw) == SQLITE_ROW ? sqlite3_column_int64(raw, 0) : -1;
}

void bindText(sqlite3_stmt* st, int index, const std::string& text)
{
    sqlite3_bind_text(st, index, text.data(), int(text.size()), SQLITE_STATIC);
}

struct Office
{
    int town = 0;
    int entries = 0;
    qint64 firstDay = 0;
    qint64 lastDay = 0;
};

bool writeTaxpayers(const QString& file, Random& rnd, const std::vector<Office>& offices)
{
    SqliteConnectionPtr db = openForBulkLoad(file);
    if (!db)
        return false;
    sqlite3_stmt* raw = nullptr;
    if (!check(db.get(),
               sqlite3_prepare_v2(db.get(),
                                  "INSERT INTO kontrahenci(ID,NAZWA,NIP,ADRES,KODPOCZT,MIEJSCOWOSC,"
                                  "TELEFONY,UWAGI,SKROT) VALUES (?,?,?,?,?,?,?,?,?)",
                                  -1, &raw, nullptr),
               "prepare kontrahenci"))
        return false;
    SqliteStatementPtr st(raw);
    for (int id = 1; id <= kTaxpayers; ++id) {
        const Town& town = kTowns[offices[std::size_t(id)].town];
        std::string name;
        std::string shortName;
        std::string street;
        if (id == kBigTaxpayer) {
            name = "Kancelaria Notarialna Małgorzata Żółkiewska-Łęcka";
            shortName = "KN Żółkiewska-Łęcka";
            street = "ul. Piotrkowska 128 lok. 5";
        } else {
            const bool female = rnd.chance(0.55);
            const std::string who = surname(rnd, female);
            const std::string first = female ? rnd.pick(kFemaleNames) : rnd.pick(kMaleNames);
            if (rnd.chance(0.12)) {
                const bool female2 = rnd.chance(0.5);
                const std::string partner = surname(rnd, female2);
                const std::string first2 = female2 ? rnd.pick(kFemaleNames) : rnd.pick(kMaleNames);
                name = "Kancelaria Notarialna s.c. " + first + " " + who + ", " + first2 + " " +
                       partner;
                shortName = "KN " + who + " i " + partner;
            } else {
                name = "Kancelaria Notarialna " + first + " " + who;
                shortName = "KN " + who + " (" + town.name + ")";
            }
            // Some offices were entered without an abbreviation: the program shows NAZWA then.
            if (rnd.chance(0.1))
                shortName.clear();
            street = address(rnd);
        }
        const std::string taxNumber = nip(rnd);
        const std::string code = postalCode(rnd, town);
        const std::string phones = phone(rnd, town);
        const std::string remark = rnd.chance(0.2) ? rnd.pick(kOfficeRemarks) : "";
        sqlite3_bind_int(raw, 1, id);
        bindText(raw, 2, name);
        bindText(raw, 3, taxNumber);
        bindText(raw, 4, street);
        bindText(raw, 5, code);
        sqlite3_bind_text(raw, 6, town.name, -1, SQLITE_STATIC);
        bindText(raw, 7, phones);
        bindText(raw, 8, remark);
        bindText(raw, 9, shortName);
        if (!check(db.get(), sqlite3_step(raw), "insert kontrahenci"))
            return false;
        sqlite3_reset(raw);
    }
    st.reset();
    return check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "COMMIT");
}

struct Entry
{
    int date;
    int taxpayer;
    std::uint32_t order; // breaks ties between entries of one day
};

bool writeEntries(const QString& file, Random& rnd, const std::vector<Office>& offices)
{
    // Entries are written in the order they were made: by date across all offices, so the
    // rows of one office lie scattered through the file as in a register kept for years.
    std::vector<Entry> entries;
    entries.reserve(g_entries);
    for (int id = 1; id <= kTaxpayers; ++id) {
        const Office& o = offices[std::size_t(id)];
        std::uniform_int_distribution<qint64> day(o.firstDay, o.lastDay);
        const qint64 span = o.lastDay - o.firstDay + 1;
        for (int i = 0; i < o.entries; ++i) {
            // The busiest office works every day alike, so each year holds its even share.
            const qint64 when =
                id == kBigTaxpayer ? o.firstDay + qint64(i) * span / o.entries : day(rnd.engine());
            entries.push_back({dateCode(when), id, std::uint32_t(rnd.engine()())});
        }
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.date != b.date ? a.date < b.date : a.order < b.order;
    });

    SqliteConnectionPtr db = openForBulkLoad(file);
    if (!db)
        return false;
    sqlite3_stmt* raw = nullptr;
    if (!check(db.get(),
               sqlite3_prepare_v2(db.get(),
                                  "INSERT INTO rejestr(ID,DATAWPISU,DATADOK,NALEZNOSC,STAWKA,"
                                  "DATAZAPLATY,NRDOK,IMIE,NAZWISKO,NIP,ADRES,KODPOCZT,MIEJSCOWOSC,"
                                  "UWAGI,IDKONTRAHENTA) VALUES (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
                                  -1, &raw, nullptr),
               "prepare rejestr"))
        return false;
    SqliteStatementPtr st(raw);
    std::vector<int> nextNumber(kTaxpayers + 1, 1);
    const QDate firstDate(kFirstYear, 1, 1);
    const QDate lastDate(kLastYear, 12, 31);
    const double logLow = std::log(200.0);
    const double logHigh = std::log(1500000.0);
    for (const Entry& e : entries) {
        const QDate entered(e.date / 10000, e.date / 100 % 100, e.date % 100);
        // Every date stays within the generated years.
        const QDate document = std::max(entered.addDays(-rnd.uniform(0, 14)), firstDate);
        const int documentCode = document.year() * 10000 + document.month() * 100 + document.day();
        int paidCode = 0;
        if (!rnd.chance(0.07)) {
            const QDate paid = std::min(entered.addDays(rnd.uniform(0, 14)), lastDate);
            paidCode = paid.year() * 10000 + paid.month() * 100 + paid.day();
        }
        const double amount = std::round(std::exp(rnd.real(logLow, logHigh)) * 100.0) / 100.0;
        const int rateDraw = rnd.uniform(0, 99);
        const double rate = rateDraw < 55 ? 2.0 : rateDraw < 85 ? 1.0 : rateDraw < 95 ? 0.5 : 0.1;

        char buf[64];
        const int kind = rnd.uniform(0, 9);
        if (kind < 7)
            std::snprintf(buf, sizeof buf, "Rep. A nr %d/%d", rnd.uniform(1, 9999),
                          document.year());
        else if (kind < 9)
            std::snprintf(buf, sizeof buf, "PCC-3/%d/%04d", document.year(), rnd.uniform(1, 9999));
        else
            std::snprintf(buf, sizeof buf, "umowa z dn. %02d.%02d.%d", document.day(),
                          document.month(), document.year());
        const std::string documentNo = buf;

        const bool female = rnd.chance(0.5);
        const std::string first = female ? rnd.pick(kFemaleNames) : rnd.pick(kMaleNames);
        std::string last = surname(rnd, female);
        if (rnd.chance(0.05)) {
            last += '-';
            last += surname(rnd, female);
        }
        const std::string taxNumber = rnd.chance(0.55) ? nip(rnd) : "";
        // Clients mostly live near their notary.
        const Town& town =
            rnd.chance(0.7) ? kTowns[offices[std::size_t(e.taxpayer)].town] : rnd.pick(kTowns);
        const std::string street = address(rnd);
        const std::string code = postalCode(rnd, town);
        const std::string remark = rnd.chance(0.12) ? rnd.pick(kEntryRemarks) : "";

        sqlite3_bind_int(raw, 1, nextNumber[std::size_t(e.taxpayer)]++);
        sqlite3_bind_int(raw, 2, e.date);
        sqlite3_bind_int(raw, 3, documentCode);
        sqlite3_bind_double(raw, 4, amount);
        sqlite3_bind_double(raw, 5, rate);
        sqlite3_bind_int(raw, 6, paidCode);
        bindText(raw, 7, documentNo);
        bindText(raw, 8, first);
        bindText(raw, 9, last);
        bindText(raw, 10, taxNumber);
        bindText(raw, 11, street);
        bindText(raw, 12, code);
        sqlite3_bind_text(raw, 13, town.name, -1, SQLITE_STATIC);
        bindText(raw, 14, remark);
        sqlite3_bind_int(raw, 15, e.taxpayer);
        if (!check(db.get(), sqlite3_step(raw), "insert rejestr"))
            return false;
        sqlite3_reset(raw);
    }
    st.reset();
    return check(db.get(), sqlite3_exec(db.get(), "COMMIT", nullptr, nullptr, nullptr), "COMMIT");
}

// How many entries each office holds: the big one fixed, the others skewed (a few busy
// offices, many quiet ones, some without any entry yet), summing exactly to the total.
std::vector<Office> planOffices(Random& rnd)
{
    std::vector<Office> offices(kTaxpayers + 1);
    const qint64 first = QDate(kFirstYear, 1, 1).toJulianDay();
    const qint64 last = QDate(kLastYear, 12, 31).toJulianDay();
    std::lognormal_distribution<double> weightOf(0.0, 1.0);
    std::vector<double> weights(kTaxpayers + 1, 0.0);
    double total = 0.0;
    for (int id = 1; id <= kTaxpayers; ++id) {
        Office& o = offices[std::size_t(id)];
        o.town = rnd.uniform(0, int(std::size(kTowns)) - 1);
        if (id == kBigTaxpayer) {
            o.town = 2; // Łódź
            o.entries = g_bigEntries;
            o.firstDay = first;
            o.lastDay = last;
            continue;
        }
        o.firstDay = rnd.uniform(int(first), int(last) - 30);
        // Most offices still work; some closed before the last year.
        o.lastDay = rnd.chance(0.8) ? last : rnd.uniform(int(o.firstDay) + 30, int(last));
        weights[std::size_t(id)] = weightOf(rnd.engine());
        total += weights[std::size_t(id)];
    }
    const int rest = g_entries - g_bigEntries;
    int given = 0;
    for (int id = 1; id <= kTaxpayers; ++id) {
        if (id == kBigTaxpayer)
            continue;
        offices[std::size_t(id)].entries = int(weights[std::size_t(id)] / total * rest);
        given += offices[std::size_t(id)].entries;
    }
    for (int id = 1; given < rest; id = id % kTaxpayers + 1) {
        if (id == kBigTaxpayer)
            continue;
        ++offices[std::size_t(id)].entries;
        ++given;
    }
    return offices;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const auto usage = [] {
        std::fprintf(stderr, "usage: bench_generate [--entries N] [--big N] DIR\n"
                             "  --entries N: register entries in all (1000000)\n"
                             "  --big N: entries of taxpayer 1 (100000), at most --entries\n");
        return 2;
    };
    while (args.size() > 1 && args.first().startsWith(QLatin1String("--"))) {
        bool ok = false;
        const int n = args.value(1).toInt(&ok);
        if (!ok || n < 1)
            return usage();
        if (args.first() == QLatin1String("--entries"))
            g_entries = n;
        else if (args.first() == QLatin1String("--big"))
            g_bigEntries = n;
        else
            return usage();
        args.remove(0, 2);
    }
    if (args.size() != 1 || args.first().startsWith(QLatin1String("--")) ||
        g_bigEntries > g_entries)
        return usage();
    const QString dir = QDir(args.at(0)).absolutePath();
    QElapsedTimer timer;
    timer.start();

    const QString kontrahenci = dir + QStringLiteral("/db/kontrahenci.DB");
    const QString rejestr = dir + QStringLiteral("/db/rejestr.DB");
    // Checked before the layout is touched: data already there are never added to.
    for (const QString& file : {kontrahenci, rejestr}) {
        if (!QFileInfo::exists(file))
            continue;
        sqlite3* raw = nullptr;
        sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
        SqliteConnectionPtr db(raw);
        const qint64 rows = rowCount(raw, QFileInfo(file).completeBaseName().toUtf8().constData());
        if (rows != 0) {
            std::fprintf(stderr, "%s already holds data (%lld rows); give a new directory\n",
                         qPrintable(file), rows);
            return 1;
        }
    }

    // Put the program in as well when it was built beside us, so DIR runs as it is.
    QString program = QDir(app.applicationDirPath()).filePath(QStringLiteral("bin/rejestr"));
    if (!QFileInfo::exists(program))
        program.clear();
    const InstallReport report = InstallProgramDir(dir, program);
    if (!report.ok) {
        std::fprintf(stderr, "%s\n", qPrintable(report.error));
        return 1;
    }
    Random rnd(20260101);
    const std::vector<Office> offices = planOffices(rnd);
    if (!writeTaxpayers(kontrahenci, rnd, offices) || !writeEntries(rejestr, rnd, offices))
        return 1;

    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(rejestr).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    SqliteConnectionPtr db(raw);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(
        raw,
        "SELECT COUNT(*), SUM(DATAWPISU > ?2 * 10000 AND DATAWPISU < ?2 * 10000 + 1300),"
        " MAX(ID) FROM rejestr WHERE IDKONTRAHENTA = ?1",
        -1, &st, nullptr);
    SqliteStatementPtr query(st);
    sqlite3_bind_int(st, 1, kBigTaxpayer);
    sqlite3_bind_int(st, 2, kLastYear);
    sqlite3_step(st);
    std::printf("%s: %d taxpayers, %d register entries in %.1f s\n", qPrintable(dir), kTaxpayers,
                g_entries, double(timer.elapsed()) / 1000.0);
    std::printf("taxpayer %d: %lld entries (IDs 1..%lld), %lld of them in %d\n", kBigTaxpayer,
                sqlite3_column_int64(st, 0), sqlite3_column_int64(st, 2),
                sqlite3_column_int64(st, 1), kLastYear);
    std::printf("files: kontrahenci.DB %.1f MiB, rejestr.DB %.1f MiB%s\n",
                double(QFileInfo(kontrahenci).size()) / 1048576.0,
                double(QFileInfo(rejestr).size()) / 1048576.0,
                program.isEmpty() ? "; program not found beside this tool, data only" : "");
    return 0;
}
