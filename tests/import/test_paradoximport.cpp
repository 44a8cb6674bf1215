#include "archive/uArchiveStore.h"
#include "import/ParadoxFixture.h"
#include "support/StoppingProgress.h"
#include "support/TempProgramDir.h"

#include "data/TableSchema.h"
#include "data/TableSwap.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/SqliteHandles.h"
#include "import/CodePages.h"
#include "import/ParadoxConvert.h"
#include "import/Pxlib.h"
#include "import/uImportParadox.h"
#include "windows/uImportPreview.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <random>

namespace {

const QByteArray kLettersCp1250 =
    "Za\xBF\xF3\xB3\xE6 g\xEA\x9Cl\xB9 ja\x9F\xF1 \xA5\xC6\xCA\xA3\xD1\xD3\x8C\x8F\xAF";
const QString kLetters = QStringLiteral("Zażółć gęślą jaźń ĄĆĘŁŃÓŚŹŻ");

// Every row of a table file as "value:type|value:type|...", read by SQLite alone, in rowid
// order, so a value and its stored type are compared together.
QStringList Rows(const QString& file, const QString& table)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    SqliteConnectionPtr db(raw);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(raw,
                           QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table).toUtf8(),
                           -1, &st, nullptr) != SQLITE_OK)
        return {QStringLiteral("ERROR: ") + QString::fromUtf8(sqlite3_errmsg(raw))};
    SqliteStatementPtr owned(st);
    QStringList rows;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cells;
        for (int i = 0; i < sqlite3_column_count(st); ++i) {
            const char* types[] = {"?", "int", "real", "text", "blob", "null"};
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, i));
            cells << QString::fromUtf8(text ? text : "") + u':' +
                         QLatin1String(types[sqlite3_column_type(st, i)]);
        }
        rows << cells.join(u'|');
    }
    return rows;
}

// The same of the program directory's live table: its file, or its rows on the server with the
// types and texts SQLite would give them.
QStringList LiveRows(const TempProgramDir& program, const QString& table)
{
    if (!program.onServer())
        return Rows(program.filePath(QStringLiteral("db/%1.DB").arg(table)), table);
    QStringList cells;
    for (const TableColumn& c : SchemaOf(table)->columns)
        cells << QStringLiteral("CASE WHEN %1 IS NULL THEN ':null' ELSE %1||':%2' END")
                     .arg(QLatin1String(c.name),
                          QLatin1String(c.type == ColumnType::Integer ? "int"
                                        : c.type == ColumnType::Real  ? "real"
                                                                      : "text"));
    const QString all = program.sql(
        table + QStringLiteral(".DB"),
        QStringLiteral("SELECT group_concat(%1, chr(10)) FROM (SELECT * FROM %2 ORDER BY rowid)")
            .arg(cells.join(QStringLiteral("||'|'||")), table));
    return all.isEmpty() ? QStringList() : all.split(u'\n');
}

QString Columns(const QString& file, const QString& table)
{
    sqlite3* raw = nullptr;
    sqlite3_open_v2(QFile::encodeName(file).constData(), &raw, SQLITE_OPEN_READONLY, nullptr);
    SqliteConnectionPtr db(raw);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(raw, QStringLiteral("PRAGMA table_info(%1)").arg(table).toUtf8(), -1, &st,
                       nullptr);
    SqliteStatementPtr owned(st);
    QStringList columns;
    while (st && sqlite3_step(st) == SQLITE_ROW)
        columns << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1))) +
                       u' ' +
                       QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 2)));
    return columns.join(u',');
}

QByteArray Bytes(const QString& file)
{
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Everything the live tables hold: the files' bytes, or the server's rows.
QByteArray LiveData(const TempProgramDir& program)
{
    if (program.onServer())
        return (LiveRows(program, QStringLiteral("kontrahenci")) +
                LiveRows(program, QStringLiteral("rejestr")))
            .join(u'\n')
            .toUtf8();
    return Bytes(program.filePath(QStringLiteral("db/kontrahenci.DB"))) +
           Bytes(program.filePath(QStringLiteral("db/rejestr.DB")));
}

void WriteText(const QString& file, const QByteArray& bytes)
{
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Two taxpayers and three entries with Polish letters, decimals, zero and blank dates, quotes
// and semicolons.
void WriteOldTables(const QString& dir)
{
    QVERIFY(WriteParadoxTable(
        QDir(dir).filePath(QStringLiteral("kontrahenci.DB")), KontrahenciFields(),
        {{qint64(1), kLettersCp1250, QByteArray("123-456-32-18"), QByteArray("ul. \"D\xB3uga\"; 5"),
          QByteArray("00-950"), QByteArray("Warszawa"), QByteArray("22 123 45 67"),
          QByteArray("uwagi; 'cytat'"), QByteArray("Gmina")},
         {qint64(7), QByteArray("Drugi"), {}, {}, {}, {}, {}, {}, {}}}));
    QVERIFY(WriteParadoxTable(QDir(dir).filePath(QStringLiteral("rejestr.DB")), RejestrFields(),
                              {{qint64(1),
                                qint64(20080305),
                                qint64(20080210),
                                1500.25,
                                2.0,
                                qint64(0),
                                QByteArray("FV 1/2008; \"A\""),
                                QByteArray("J\xF3zef"),
                                kLettersCp1250,
                                QByteArray("111"),
                                QByteArray("Rynek 1"),
                                QByteArray("30-001"),
                                QByteArray("Krak\xF3w"),
                                QByteArray("a;b"),
                                qint64(1),
                                {}},
                               {qint64(2),
                                qint64(20081231),
                                {},
                                0.01,
                                8.5,
                                qint64(20090115),
                                {},
                                {},
                                {},
                                {},
                                {},
                                {},
                                {},
                                {},
                                qint64(1),
                                {}},
                               {qint64(1),
                                qint64(2008035),
                                qint64(0),
                                -99.99,
                                {},
                                {},
                                QByteArray("x"),
                                {},
                                {},
                                {},
                                {},
                                {},
                                {},
                                {},
                                qint64(7),
                                12.5}}));
}

// The register with one entry per (number, taxpayer) pair, in that order.
void WriteEntries(const QString& file, const std::vector<std::pair<qint64, qint64>>& entries)
{
    std::vector<PxRow> rows;
    for (const auto& [number, taxpayer] : entries) {
        PxRow row(RejestrFields().size());
        row[0] = number;
        row[14] = taxpayer;
        rows.push_back(row);
    }
    QVERIFY(WriteParadoxTable(file, RejestrFields(), rows));
}

} // namespace

class TestParadoxImport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_source;

    QString source(const QString& name) const { return m_source.filePath(name); }

private Q_SLOTS:
    void init();
    void cleanup() { SetParadoxReader({}); }
    void everyValueCarriedOver();
    void columnsMatchedByName();
    void otherFieldTypesInOurColumns();
    void refusedImports_data();
    void refusedImports();
    void lastBlockCutShortWithEveryRecordInside();
    void importSummary_data();
    void importSummary();
    void swapWithTheProgramConnected();
    void swapPutsBackEverythingWhenOneFileFails();
    void codePageOfTheTexts_data();
    void codePageOfTheTexts();
    void repeatedEntryNumbersRenumbered();
    void taxpayersSharingANumberRefused();
    void previewBeforeAnythingIsReplaced();
    void previewWindowFollowsTheChosenPage();
    void menuCommand();
    void stoppedReadingReplacesNothing();
    void restoreFromAnOldArchive();
};

void TestParadoxImport::init()
{
    QDir dir(m_source.path());
    for (const QString& f : dir.entryList(QDir::Files))
        dir.remove(f);
    WriteOldTables(m_source.path());
}

void TestParadoxImport::everyValueCarriedOver()
{
    TempProgramDir program;
    QVERIFY(program.isValid());
    ImportCounts counts;
    QString error;
    QVERIFY2(ImportParadoxTables(nullptr, m_source.path(), &counts, &error), qPrintable(error));
    QCOMPARE(counts.taxpayers, 2);
    QCOMPARE(counts.entries, 3);

    QCOMPARE(LiveRows(program, QStringLiteral("kontrahenci")),
             QStringList({QStringLiteral("1:int|") + kLetters +
                              QStringLiteral(":text|123-456-32-18:text|ul. \"Długa\"; 5:text|"
                                             "00-950:text|Warszawa:text|22 123 45 67:text|"
                                             "uwagi; 'cytat':text|Gmina:text"),
                          QStringLiteral("7:int|Drugi:text|:text|:text|:text|:text|:text|:text|"
                                         ":text")}));
    QCOMPARE(
        LiveRows(program, QStringLiteral("rejestr")),
        QStringList({QStringLiteral("1:int|20080305:int|20080210:int|1500.25:real|2.0:real|0:int|"
                                    "FV 1/2008; \"A\":text|Józef:text|") +
                         kLetters +
                         QStringLiteral(":text|111:text|Rynek 1:text|30-001:text|Kraków:text|"
                                        "a;b:text|1:int|:null"),
                     // Blank dates are 0 and blank amounts 0.0, as the program writes them.
                     QStringLiteral("2:int|20081231:int|0:int|0.01:real|8.5:real|20090115:int|"
                                    ":text|:text|:text|:text|:text|:text|:text|:text|1:int|:null"),
                     // A date that is no 8-digit code is kept as stored.
                     QStringLiteral("1:int|2008035:int|0:int|-99.99:real|0.0:real|0:int|x:text|"
                                    ":text|:text|:text|:text|:text|:text|:text|7:int|12.5:real")}));
    // The program's schema and indexes (a server keeps its own), nothing left beside the live
    // files.
    if (!program.onServer()) {
        QCOMPARE(
            Columns(program.filePath(QStringLiteral("db/rejestr.DB")), QStringLiteral("rejestr")),
            QStringLiteral("ID INTEGER,DATAWPISU INTEGER,DATADOK INTEGER,NALEZNOSC REAL,"
                           "STAWKA REAL,DATAZAPLATY INTEGER,NRDOK TEXT,IMIE TEXT,"
                           "NAZWISKO TEXT,NIP TEXT,ADRES TEXT,KODPOCZT TEXT,MIEJSCOWOSC "
                           "TEXT,UWAGI TEXT,IDKONTRAHENTA INTEGER,WARTOSC REAL"));
        QCOMPARE(program.sql(QStringLiteral("rejestr.DB"),
                             QStringLiteral("SELECT group_concat(name) FROM sqlite_master "
                                            "WHERE type='index'")),
                 QStringLiteral("rejestr_kontrahent_data,rejestr_kontrahent_id"));
    }
    QCOMPARE(QDir(program.filePath(QStringLiteral("db"))).entryList(QDir::Files),
             QStringList({QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")}));
}

void TestParadoxImport::columnsMatchedByName()
{
    // Another order, other letter case, NIP missing, an extra FAX field, a longer NAZWA.
    const QByteArray longName = QByteArray(240, 'n') + "\xB9\xE6";
    QVERIFY(WriteParadoxTable(source(QStringLiteral("kontrahenci.DB")),
                              {{"Skrot", pxfAlpha, 10, 0},
                               {"FAX", pxfAlpha, 10, 0},
                               {"nazwa", pxfAlpha, 250, 0},
                               {"Id", pxfShort, 2, 0}},
                              {{QByteArray("S"), QByteArray("fax"), longName, qint64(3)}}));
    TempProgramDir program;
    QString error;
    QVERIFY2(ConvertParadoxTable(source(QStringLiteral("kontrahenci.DB")),
                                 QStringLiteral("kontrahenci.DB"),
                                 program.filePath(QStringLiteral("k.new")), nullptr, &error),
             qPrintable(error));
    QCOMPARE(Rows(program.filePath(QStringLiteral("k.new")), QStringLiteral("kontrahenci")),
             QStringList(QStringLiteral("3:int|") + QString(240, u'n') +
                         QStringLiteral("ąć:text|:text|:text|:text|:text|:text|:text|S:text")));
}

void TestParadoxImport::otherFieldTypesInOurColumns()
{
    // Dates as Paradox dates, amounts as BCD and currency, numbers typed into text fields,
    // the number column as a number field, a logical field where WARTOSC stands.
    QVERIFY(WriteParadoxTable(source(QStringLiteral("rejestr.DB")),
                              {{"ID", pxfNumber, 8, 0},
                               {"DATAWPISU", pxfDate, 4, 0},
                               {"DATADOK", pxfDate, 4, 0},
                               {"NALEZNOSC", pxfBCD, 17, 2},
                               {"STAWKA", pxfCurrency, 8, 0},
                               {"NRDOK", pxfLong, 4, 0},
                               {"IDKONTRAHENTA", pxfAlpha, 10, 0},
                               {"DATAZAPLATY", pxfAlpha, 10, 0},
                               {"WARTOSC", pxfLogical, 1, 0}},
                              {{4.0,
                                QDate(2008, 3, 5),
                                {},
                                QByteArray("1234.56"),
                                2.5,
                                qint64(77),
                                QByteArray(" 12 "),
                                QByteArray("brak"),
                                qint64(1)}}));
    TempProgramDir program;
    QString error;
    QVERIFY2(ConvertParadoxTable(source(QStringLiteral("rejestr.DB")), QStringLiteral("rejestr.DB"),
                                 program.filePath(QStringLiteral("r.new")), nullptr, &error),
             qPrintable(error));
    QCOMPARE(Rows(program.filePath(QStringLiteral("r.new")), QStringLiteral("rejestr")),
             QStringList(QStringLiteral(
                 "4:int|20080305:int|0:int|1234.56:real|2.5:real|brak:text|77:text|:text|:text|"
                 ":text|:text|:text|:text|:text|12:int|:null")));
}

void TestParadoxImport::refusedImports_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("arrange");
    QTest::addColumn<QString>("reason");

    QTest::newRow("not a table") << "rejestr.DB"
                                 << "text"
                                 << "nie jest tabelą Paradox";
    QTest::newRow("missing") << "rejestr.DB"
                             << "remove"
                             << "Brak pliku";
    QTest::newRow("already SQLite") << "kontrahenci.DB"
                                    << "sqlite"
                                    << "jest już tabelą SQLite";
    QTest::newRow("cut short") << "rejestr.DB"
                               << "cut"
                               << "plik jest niekompletny";
    QTest::newRow("another table") << "kontrahenci.DB"
                                   << "foreign"
                                   << "nie ma żadnej z jej kolumn";
    QTest::newRow("memo remarks") << "rejestr.DB"
                                  << "memo"
                                  << "memo";
    QTest::newRow("fraction in a number")
        << "rejestr.DB"
        << "fraction"
        << "rekord 2: pole IDKONTRAHENTA nie jest liczbą całkowitą";
    QTest::newRow("words in a number") << "kontrahenci.DB"
                                       << "words"
                                       << "rekord 1: pole ID nie jest liczbą całkowitą";
    const auto row = [](const char* name, const char* file, const char* arrange,
                        const char* reason) { QTest::newRow(name) << file << arrange << reason; };
    // Damage that crashed or hung the program, or was read as data, when pxlib read it in the
    // program's process. 0x86 is the type of IMIE, a 50-byte text.
    row("type 2 on a 50-byte text", "rejestr.DB", "byte 0x86=02", "pole IMIE typu data ma długość");
    row("type 4 on a 50-byte text", "rejestr.DB", "byte 0x86=04",
        "typu liczba długa ma długość 50");
    row("type 5 on a 50-byte text", "rejestr.DB", "byte 0x86=05",
        "pole IMIE typu waluta ma długość 50");
    row("type 6 on a 50-byte text", "rejestr.DB", "byte 0x86=06",
        "pole IMIE typu liczba ma długość 50");
    row("cut to 60 bytes", "rejestr.DB", "cut 60", "plik jest niekompletny");
    row("cut to 86 bytes", "kontrahenci.DB", "cut 86", "plik jest niekompletny");
    row("encryption byte", "rejestr.DB", "byte 0x28=7f", "tabela jest zaszyfrowana");
    row("version byte", "kontrahenci.DB", "byte 0x39=0d", "nieznana wersja pliku (13)");
    row("garbage blocks", "rejestr.DB", "garbage", "plik jest uszkodzony");
    row("version without a data header", "rejestr.DB", "byte 0x39=03", "nie pasuje do wersji");
    row("header counts one more", "rejestr.DB", "byte 0x06=04", "a nagłówek podaje 4)");
    row("block chain in a loop", "rejestr.DB", "byte 0x800=01", "łańcuch bloków danych jest");
    row("last record missing", "rejestr.DB", "cut 3838", "plik jest niekompletny");
    // Values no register holds, as noise read for data gives them.
    row("number below 1", "rejestr.DB", "id -5", "rekord 2: pole ID ma wartość -5");
    row("number of 19 digits", "kontrahenci.DB", "id 1234567890123456789",
        "rekord 2: pole ID ma wartość 1234567890123456789");
    row("blank number", "rejestr.DB", "blank id", "rekord 2: pole IDKONTRAHENTA jest puste");
    row("amount beyond 10^13", "rejestr.DB", "amount -2e13",
        "rekord 2: pole NALEZNOSC ma wartość -20000000000000");
    row("amount not a number", "rejestr.DB", "amount nan",
        "rekord 2: pole NALEZNOSC nie jest liczbą");
    row("infinite amount", "rejestr.DB", "amount inf", "rekord 2: pole NALEZNOSC nie jest liczbą");
    row("date below 0", "rejestr.DB", "date -20080101", "rekord 2: pole DATAWPISU nie jest datą");
    row("date beyond 8 digits", "rejestr.DB", "date 200801011",
        "rekord 2: pole DATAWPISU nie jest datą");
    // Whatever the reader program does, the program goes on with a reason naming the file.
    row("reader hangs", "kontrahenci.DB", "reader exec sleep 30",
        "plik jest uszkodzony (odczyt nie skończył się w ciągu 1 s)");
    row("reader crashes", "kontrahenci.DB", "reader kill -SEGV $$",
        "plik jest uszkodzony (odczyt przerwała awaria)");
    row("reader fails", "kontrahenci.DB", "reader exit 1",
        "plik jest uszkodzony (odczyt zakończył się błędem 1)");
    row("reader writes nothing", "kontrahenci.DB", "reader echo 2 1250 1250",
        "Nie można zapisać tabeli");
    row("reader missing", "kontrahenci.DB", "reader", "nie można uruchomić programu");
}

void TestParadoxImport::refusedImports()
{
    QFETCH(QString, file);
    QFETCH(QString, arrange);
    QFETCH(QString, reason);
    TempProgramDir program;
    program.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES(5,'Żywy')"));
    program.sql(QStringLiteral("rejestr.DB"),
                QStringLiteral("INSERT INTO rejestr(ID,IDKONTRAHENTA) VALUES(9,5)"));
    const QByteArray live = LiveData(program);

    const QString path = source(file);
    if (arrange == QLatin1String("text")) {
        WriteText(path, "ID;NAZWA\n1;Jan\n");
    } else if (arrange == QLatin1String("remove")) {
        QFile::remove(path);
    } else if (arrange == QLatin1String("sqlite")) {
        QFile::remove(path);
        QVERIFY(QFile::copy(program.filePath(QStringLiteral("db/kontrahenci.DB")), path));
    } else if (arrange == QLatin1String("cut")) {
        std::vector<PxRow> rows(50, PxRow{qint64(1)});
        QVERIFY(WriteParadoxTable(path, RejestrFields(), rows));
        WriteText(path, Bytes(path).left(6000));
    } else if (arrange == QLatin1String("foreign")) {
        QVERIFY(WriteParadoxTable(path, {{"TOWAR", pxfAlpha, 20, 0}}, {{QByteArray("śruba")}}));
    } else if (arrange == QLatin1String("fraction")) {
        QVERIFY(WriteParadoxTable(path, {{"ID", pxfLong, 4, 0}, {"IDKONTRAHENTA", pxfNumber, 8, 0}},
                                  {{qint64(1), 5.0}, {qint64(2), 3.5}}));
    } else if (arrange == QLatin1String("words")) {
        QVERIFY(WriteParadoxTable(path, {{"ID", pxfAlpha, 20, 0}, {"NAZWA", pxfAlpha, 20, 0}},
                                  {{QByteArray("1 OR 1=1"), QByteArray("Gmina")}}));
    } else if (arrange == QLatin1String("memo")) {
        QVERIFY(
            WriteParadoxTable(path, {{"ID", pxfLong, 4, 0}, {"UWAGI", pxfMemoBLOb, 20, 0}}, {}));
    } else if (arrange.startsWith(QLatin1String("byte "))) {
        QByteArray bytes = Bytes(path);
        const QStringList at = arrange.mid(5).split(u'=');
        bytes[at[0].toInt(nullptr, 16)] = char(at[1].toInt(nullptr, 16));
        WriteText(path, bytes);
    } else if (arrange.startsWith(QLatin1String("cut "))) {
        WriteText(path, Bytes(path).left(arrange.mid(4).toInt()));
    } else if (arrange == QLatin1String("garbage")) {
        QByteArray bytes = Bytes(path);
        std::mt19937 random(11);
        for (qsizetype i = 0x800; i < bytes.size(); ++i)
            bytes[i] = char(random());
        WriteText(path, bytes);
    } else if (arrange.startsWith(QLatin1String("id "))) {
        QVERIFY(WriteParadoxTable(path, {{"ID", pxfAlpha, 20, 0}},
                                  {{QByteArray("1")}, {arrange.mid(3).toLatin1()}}));
    } else if (arrange == QLatin1String("blank id")) {
        QVERIFY(WriteParadoxTable(path, {{"ID", pxfLong, 4, 0}, {"IDKONTRAHENTA", pxfLong, 4, 0}},
                                  {{qint64(1), qint64(1)}, {qint64(2), {}}}));
    } else if (arrange.startsWith(QLatin1String("amount "))) {
        // A NaN with its sign bit set is the one Paradox's sign flipping keeps a NaN.
        const double amount =
            arrange.endsWith(QLatin1String("nan")) ? -std::nan("") : arrange.mid(7).toDouble();
        QVERIFY(WriteParadoxTable(path, {{"ID", pxfLong, 4, 0}, {"NALEZNOSC", pxfNumber, 8, 0}},
                                  {{qint64(1), -1e13}, {qint64(2), amount}}));
    } else if (arrange.startsWith(QLatin1String("date "))) {
        QVERIFY(WriteParadoxTable(
            path, {{"ID", pxfLong, 4, 0}, {"DATAWPISU", pxfLong, 4, 0}},
            {{qint64(1), qint64(99991231)}, {qint64(2), arrange.mid(5).toLongLong()}}));
    } else if (arrange.startsWith(QLatin1String("reader"))) {
        const QString reader = source(QStringLiteral("reader.sh"));
        WriteText(reader, "#!/bin/sh\n" + arrange.mid(7).toLatin1() + '\n');
        QFile::setPermissions(reader, QFile::ReadOwner | QFile::ExeOwner);
        SetParadoxReader(
            arrange == QLatin1String("reader") ? source(QStringLiteral("brak")) : reader, 1000);
    }

    ImportCounts counts;
    QString error;
    QVERIFY(!ImportParadoxTables(nullptr, m_source.path(), &counts, &error));
    QVERIFY2(error.contains(path), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QCOMPARE(LiveData(program), live);
    QCOMPARE(QDir(program.filePath(QStringLiteral("db"))).entryList(QDir::Files),
             QStringList({QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")}));
}

void TestParadoxImport::lastBlockCutShortWithEveryRecordInside()
{
    // A table in 2 KB blocks of 85 records: its last block holds 5, and only the first
    // kilobyte of that block is left.
    std::vector<PxRow> rows;
    for (int i = 1; i <= 43185; ++i)
        rows.push_back({qint64(i), QByteArray("Gmina ") + QByteArray::number(i)});
    const QString path = source(QStringLiteral("kontrahenci.DB"));
    QVERIFY(WriteParadoxTable(path, {{"ID", pxfLong, 4, 0}, {"NAZWA", pxfAlpha, 20, 0}}, rows));
    QByteArray bytes = Bytes(path);
    QCOMPARE(bytes.size() % 2048, 0);
    WriteText(path, bytes.left(bytes.size() - 1024));

    TempProgramDir program;
    qint64 count = 0;
    QString error;
    const QString file = program.filePath(QStringLiteral("k.new"));
    QVERIFY2(ConvertParadoxTable(path, QStringLiteral("kontrahenci.DB"), file, &count, &error),
             qPrintable(error));
    QCOMPARE(count, 43185);
    QCOMPARE(Rows(file, QStringLiteral("kontrahenci")).constLast(),
             QStringLiteral("43185:int|Gmina 43185:text|:text|:text|:text|:text|:text|:text|"
                            ":text"));
    // One record fewer than the header counts is one too few.
    WriteText(path, bytes.left(bytes.size() - 2048 + 6 + 4 * 24));
    QVERIFY(!ConvertParadoxTable(path, QStringLiteral("kontrahenci.DB"), file, &count, &error));
    QVERIFY2(error.contains(QStringLiteral("plik jest niekompletny")), qPrintable(error));
}

void TestParadoxImport::importSummary_data()
{
    QTest::addColumn<qint64>("taxpayers");
    QTest::addColumn<qint64>("entries");
    QTest::addColumn<QString>("summary");
    const auto row = [](qint64 taxpayers, qint64 entries, const char* summary) {
        QTest::addRow("%lld, %lld", taxpayers, entries)
            << taxpayers << entries << QStringLiteral("Zaimportowano %1 rejestru.").arg(summary);
    };
    row(1, 1, "1 podatnika i 1 zapis");
    row(2, 22, "2 podatników i 22 zapisy");
    row(4, 5, "4 podatników i 5 zapisów");
    row(12, 104, "12 podatników i 104 zapisy");
    row(21, 113, "21 podatników i 113 zapisów");
}

void TestParadoxImport::importSummary()
{
    QFETCH(qint64, taxpayers);
    QFETCH(qint64, entries);
    QTEST(ImportSummary({taxpayers, entries}), "summary");
}

void TestParadoxImport::swapWithTheProgramConnected()
{
    TempProgramDir program;
    program.sql(QStringLiteral("kontrahenci.DB"),
                QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA) VALUES(5,'Stary')"));
    TmyDataBase dm;
    dm.DMCreate();
    dm.RefreshKontrahenci();
    QCOMPARE(dm.DBFKontrahenci.asInteger(QStringLiteral("ID")), 5);

    // A statement that the data module does not own keeps the old files open: refused.
    QString error;
    if (!program.onServer()) {
        sqlite3_stmt* foreign = nullptr;
        sqlite3_prepare_v2(dm.DatabaseMain.handle(), "SELECT 1", -1, &foreign, nullptr);
        QVERIFY(!ImportParadoxTables(&dm, m_source.path(), nullptr, &error));
        QVERIFY2(error.contains(QStringLiteral("otwarte zapytania")), qPrintable(error));
        sqlite3_finalize(foreign);
        QVERIFY(dm.DatabaseMain.isConnected());
        QCOMPARE(dm.DBFKontrahenci.asInteger(QStringLiteral("ID")), 5);
    }

    ImportCounts counts;
    QVERIFY2(ImportParadoxTables(&dm, m_source.path(), &counts, &error), qPrintable(error));
    QVERIFY(dm.DatabaseMain.isConnected());
    QCOMPARE(dm.DBFKontrahenci.asText(QStringLiteral("NAZWA")), kLetters);
    // The reopened connection writes to the imported files.
    KontrahentTexts t;
    t.ID = QStringLiteral("8");
    t.NAZWA = QStringLiteral("Nowy");
    QVERIFY(dm.InsertKontrahent(t));
    QCOMPARE(program.sql(QStringLiteral("kontrahenci.DB"),
                         QStringLiteral("SELECT group_concat(ID) FROM kontrahenci")),
             QStringLiteral("1,7,8"));
}

void TestParadoxImport::swapPutsBackEverythingWhenOneFileFails()
{
    TempProgramDir program;
    const QString liveK = program.filePath(QStringLiteral("db/kontrahenci.DB"));
    const QString liveR = program.filePath(QStringLiteral("db/rejestr.DB"));
    const QByteArray before = LiveData(program);
    QVERIFY(ConvertParadoxTable(source(QStringLiteral("kontrahenci.DB")),
                                QStringLiteral("kontrahenci.DB"),
                                liveK + QStringLiteral(".import")));
    TmyDataBase dm;
    dm.DMCreate();
    // The first file is swapped in before the second one, whose staged file is missing, fails.
    QString error;
    QVERIFY(!SwapInTables(
        &dm,
        {{liveK, liveK + QStringLiteral(".import")}, {liveR, liveR + QStringLiteral(".import")}},
        &error));
    QVERIFY2(error.contains(liveR), qPrintable(error));
    QCOMPARE(LiveData(program), before);
    QCOMPARE(QDir(program.filePath(QStringLiteral("db"))).entryList(QDir::Files),
             QStringList({QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")}));
    QVERIFY(dm.DatabaseMain.isConnected());
    QVERIFY(dm.DBFKontrahenci.isEmpty());
}

void TestParadoxImport::codePageOfTheTexts_data()
{
    QTest::addColumn<int>("declared");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("used");
    QTest::addColumn<QString>("text");

    const QString polish = QStringLiteral("Zażółć gęślą jaźń Łódź");
    // The same words in the two Polish DOS pages.
    const QByteArray cp852 = "Za\xBE\xA2\x88\x86 g\xA9\x98l\xA5 ja\xAB\xE4 \x9D\xA2\x64\xAB";
    const QByteArray mazovia = "Za\xA7\xA2\x92\x8D g\x91\x9El\x86 ja\xA6\xA4 \x9C\xA2\x64\xA6";
    QTest::newRow("Windows-1250 under a 1252 header")
        << 1252 << kLettersCp1250 << int(kLikelyCodePage) << 1250 << kLetters;
    QTest::newRow("CP852 under no page") << 0 << cp852 << int(kLikelyCodePage) << 852 << polish;
    QTest::newRow("Mazovia under no page")
        << 0 << mazovia << int(kLikelyCodePage) << int(kMazovia) << polish;
    QTest::newRow("CP852 as declared") << 852 << cp852 << int(kLikelyCodePage) << 852 << polish;
    QTest::newRow("a Western table keeps its page")
        << 1252 << QByteArray("Cr\xE8me br\xFBl\xE9\x65 \xE0 c\xF4t\xE9") << int(kLikelyCodePage)
        << 1252 << QStringLiteral("Crème brûlée à côté");
    QTest::newRow("no letters to tell by") << 437 << QByteArray("Kowalski") << int(kLikelyCodePage)
                                           << 437 << QStringLiteral("Kowalski");
    QTest::newRow("the page the user chose")
        << 1252 << kLettersCp1250 << 1252 << 1252
        << QStringLiteral("Za¿ó³æ gêœl¹ jaŸñ ¥ÆÊ£ÑÓŒ?¯"); // 1252 lacks Ź
}

void TestParadoxImport::codePageOfTheTexts()
{
    QFETCH(int, declared);
    QFETCH(QByteArray, bytes);
    QFETCH(int, asked);
    QFETCH(int, used);
    QFETCH(QString, text);

    const QString path = source(QStringLiteral("kontrahenci.DB"));
    std::vector<PxRow> rows;
    for (qint64 id = 1; id <= 3; ++id)
        rows.push_back({id, bytes, {}, {}, {}, {}, {}, {}, {}});
    QVERIFY(WriteParadoxTable(path, KontrahenciFields(), rows, declared));
    const QString file = m_source.filePath(QStringLiteral("out.DB"));
    ReadTable read;
    QString error;
    QVERIFY2(
        ConvertParadoxTable(path, QStringLiteral("kontrahenci.DB"), file, asked, &read, &error),
        qPrintable(error));
    QCOMPARE(read.codePage, used);
    QCOMPARE(read.declaredPage, declared);
    QCOMPARE(Rows(file, QStringLiteral("kontrahenci")).value(2).section(u'|', 1, 1),
             text + QStringLiteral(":text"));
}

void TestParadoxImport::repeatedEntryNumbersRenumbered()
{
    TempProgramDir program;
    WriteEntries(source(QStringLiteral("rejestr.DB")), {{7, 1}, {7, 1}, {9, 1}, {7, 2}, {7, 1}});
    std::vector<RenumberedEntry> renumbered;
    QString error;
    QVERIFY2(ImportParadoxTables(nullptr, m_source.path(), nullptr, &error, &renumbered),
             qPrintable(error));
    // The first of each number keeps it; the later ones follow the taxpayer's highest.
    QCOMPARE(program.sql(QStringLiteral("rejestr.DB"),
                         QStringLiteral("SELECT group_concat(IDKONTRAHENTA || '/' || ID, ' ') "
                                        "FROM (SELECT * FROM rejestr ORDER BY rowid)")),
             QStringLiteral("1/7 1/10 1/9 2/7 1/11"));
    QCOMPARE(renumbered.size(), size_t(2));
    QCOMPARE(renumbered[1].record, 5);
    QCOMPARE(renumbered[1].newNumber, 11);
    QVERIFY(
        RenumberedText(renumbered).contains(QStringLiteral("podatnik 1, rekord 2: numer 7 → 10")));

    // An archive of the earlier program is settled the same way, and says so.
    WriteText(source(QStringLiteral("archiwum.bak")), QByteArray(112, '\0'));
    renumbered.clear();
    QCOMPARE(RestoreArchive(nullptr, m_source.path(), &error, &renumbered),
             RestoreOutcome::Restored);
    QCOMPARE(renumbered.size(), size_t(2));
}

void TestParadoxImport::taxpayersSharingANumberRefused()
{
    TempProgramDir program;
    QVERIFY(WriteParadoxTable(source(QStringLiteral("kontrahenci.DB")), KontrahenciFields(),
                              {{qint64(1), QByteArray("A"), {}, {}, {}, {}, {}, {}, {}},
                               {qint64(7), QByteArray("B"), {}, {}, {}, {}, {}, {}, {}},
                               {qint64(1), QByteArray("C"), {}, {}, {}, {}, {}, {}, {}}}));
    QString error;
    QVERIFY(!ImportParadoxTables(nullptr, m_source.path(), nullptr, &error));
    QVERIFY2(error.contains(QStringLiteral("numer 1 mają różni podatnicy (rekordy 1, 3)")),
             qPrintable(error));
    QCOMPARE(program.sql(QStringLiteral("kontrahenci.DB"),
                         QStringLiteral("SELECT count(*) FROM kontrahenci")),
             QStringLiteral("0"));
    QVERIFY(QDir(DataDirectory()).entryList({QStringLiteral("*.import")}).isEmpty());
}

void TestParadoxImport::previewBeforeAnythingIsReplaced()
{
    TempProgramDir program;
    ParadoxImport import(m_source.path());
    QVERIFY(import.stage());
    const TablePreview entries = import.preview(1, 2);
    QCOMPARE(entries.rows.size(), size_t(2));
    const QStringList first = entries.rows[0];
    QCOMPARE(first.value(int(entries.columns.indexOf(QStringLiteral("DATAWPISU")))),
             IntToDateText(20080305));
    QCOMPARE(first.value(int(entries.columns.indexOf(QStringLiteral("NAZWISKO")))), kLetters);
    QVERIFY(!entries.columns.contains(QStringLiteral("WARTOSC")));

    // Another page re-reads that table only; nothing live has changed meanwhile.
    QVERIFY(import.restage(1, 852));
    QCOMPARE(import.table(1).read.codePage, 852);
    QVERIFY(import.preview(1, 1).rows[0].join(u'|') != first.join(u'|'));
    QCOMPARE(import.preview(0, 5).rows.size(), size_t(2));
    QCOMPARE(
        program.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
        QStringLiteral("0"));
}

void TestParadoxImport::previewWindowFollowsTheChosenPage()
{
    TempProgramDir program;
    WriteEntries(source(QStringLiteral("rejestr.DB")), {{3, 1}, {3, 1}});
    ParadoxImport import(m_source.path());
    QVERIFY(import.stage());
    TfImportPreview window(import);
    auto* pages = window.findChild<QComboBox*>(QStringLiteral("CBStronaKodowa1"));
    auto* taxpayers = window.findChild<QTableWidget*>(QStringLiteral("GPodglad1"));
    QVERIFY(pages && taxpayers);
    const int name = 1;
    QCOMPARE(taxpayers->item(0, name)->text(), kLetters);
    QVERIFY(window.findChild<QLabel*>(QStringLiteral("LPrzenumerowane"))
                ->text()
                .contains(QStringLiteral("rekord 2: numer 3 → 4")));

    // Read as CP852 the same bytes turn into other letters, in the window and in the file.
    pages->setCurrentIndex(pages->findData(852));
    Q_EMIT pages->activated(pages->currentIndex());
    QCOMPARE(import.table(0).read.codePage, 852);
    QVERIFY(taxpayers->item(0, name)->text() != kLetters);

    window.show();
    QTest::keyClick(taxpayers, Qt::Key_Return);
    QCOMPARE(window.result(), int(QDialog::Accepted));
}

void TestParadoxImport::menuCommand()
{
    TempProgramDir program;
    QStringList said;
    bool answer = false;
    const AskFunction ask = [&](const QString& t, const QString& m) {
        said << QStringLiteral("ask ") + t + u'|' + m;
        return answer;
    };
    const InfoFunction info = [&](const QString& t, const QString& m) {
        said << QStringLiteral("info ") + t + u'|' + m;
    };
    bool accepted = true;
    const PreviewFunction preview = [&](ParadoxImport& import) {
        said << QStringLiteral("preview %1 %2")
                    .arg(import.table(0).read.rows)
                    .arg(import.table(1).read.rows);
        return accepted;
    };

    // Copies made on Windows may spell the names in capitals.
    QVERIFY(
        QFile::rename(source(QStringLiteral("rejestr.DB")), source(QStringLiteral("REJESTR.db"))));
    QFile::remove(source(QStringLiteral("kontrahenci.DB")));
    QVERIFY(!RunParadoxImport(nullptr, m_source.path(), ask, info, preview));
    QCOMPARE(said, QStringList(QStringLiteral("info Informacje|We wskazanym katalogu nie "
                                              "znaleziono tabel Paradox: kontrahenci.DB.")));

    WriteOldTables(m_source.path());
    QFile::remove(source(QStringLiteral("rejestr.DB")));
    said.clear();
    QVERIFY(!RunParadoxImport(nullptr, m_source.path(), ask, info, preview));
    const QString question = QStringLiteral(
        "ask Uwaga|Dotychczasowe dane zostaną zastąpione danymi z tabel Paradox ze wskazanego "
        "katalogu. Czy mimo to chcesz kontynuować import?");
    QCOMPARE(said, QStringList(question));
    QCOMPARE(program.sql(QStringLiteral("kontrahenci.DB"),
                         QStringLiteral("SELECT count(*) FROM kontrahenci")),
             QStringLiteral("0"));

    // Declined after the preview: nothing replaced, nothing left beside the live tables.
    answer = true;
    accepted = false;
    said.clear();
    QVERIFY(!RunParadoxImport(nullptr, m_source.path(), ask, info, preview));
    QCOMPARE(said, QStringList({question, QStringLiteral("preview 2 3")}));
    QCOMPARE(QDir(DataDirectory()).entryList(QDir::Files),
             QStringList({QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")}));

    accepted = true;
    said.clear();
    QVERIFY(RunParadoxImport(nullptr, m_source.path(), ask, info, preview));
    QCOMPARE(said, QStringList({question, QStringLiteral("preview 2 3"),
                                QStringLiteral("info Informacje|Zaimportowano 2 "
                                               "podatników i 3 zapisy rejestru.")}));

    WriteText(source(QStringLiteral("REJESTR.db")), "nie tabela");
    said.clear();
    QVERIFY(!RunParadoxImport(nullptr, m_source.path(), ask, info, preview));
    QCOMPARE(said.size(), 2);
    QVERIFY2(said[1].startsWith(QStringLiteral("info Informacja|Nie udało się zaimportować "
                                               "danych. Plik ") +
                                source(QStringLiteral("REJESTR.db")) +
                                QStringLiteral(" nie jest tabelą Paradox")),
             qPrintable(said[1]));
    QVERIFY(said[1].endsWith(QStringLiteral("Dotychczasowe dane pozostały bez zmian.")));
    QCOMPARE(program.sql(QStringLiteral("kontrahenci.DB"),
                         QStringLiteral("SELECT count(*) FROM kontrahenci")),
             QStringLiteral("2"));
}

// "Anuluj" while a table is read: the reader is ended at once, the user is told, and nothing
// is replaced or left beside the live tables.
void TestParadoxImport::stoppedReadingReplacesNothing()
{
    TempProgramDir program;
    const QString reader = source(QStringLiteral("reader.sh"));
    WriteText(reader, "#!/bin/sh\nsleep 20\n");
    QFile::setPermissions(reader, QFile::ReadOwner | QFile::ExeOwner);
    SetParadoxReader(reader);
    QStringList said;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!RunParadoxImport(
        nullptr, m_source.path(), [](const QString&, const QString&) { return true; },
        [&said](const QString& t, const QString& m) { said << t + u'|' + m; },
        [](ParadoxImport&) { return true; }, [] { return std::make_unique<StoppingProgress>(3); }));
    QVERIFY(clock.elapsed() < 10000);
    QCOMPARE(said, QStringList(QStringLiteral("Informacje|Import przerwano. Dotychczasowe dane "
                                              "pozostały bez zmian.")));
    QCOMPARE(QDir(DataDirectory()).entryList(QDir::Files),
             QStringList({QStringLiteral("kontrahenci.DB"), QStringLiteral("rejestr.DB")}));
}

QTEST_MAIN(TestParadoxImport)
#include "test_paradoximport.moc"

// An archive made by the earlier program holds Paradox tables: restoring it converts them, and a
// damaged one leaves the live data as it was.
void TestParadoxImport::restoreFromAnOldArchive()
{
    TempProgramDir program;
    TmyDataBase dm;
    dm.DMCreate();
    QVERIFY(dm.InsertKontrahent(
        {QStringLiteral("9"), QString(), QStringLiteral("Bieżący"), {}, {}, {}, {}, {}, {}}));
    QFile description(source(QStringLiteral("archiwum.bak")));
    QVERIFY(description.open(QIODevice::WriteOnly));
    description.write(QByteArray(112, '\0'));
    description.close();

    QString error;
    QCOMPARE(RestoreArchive(&dm, m_source.path(), &error), RestoreOutcome::Restored);
    QCOMPARE(program.sql(QStringLiteral("kontrahenci.DB"),
                         QStringLiteral("SELECT group_concat(ID) FROM kontrahenci")),
             QStringLiteral("1,7"));
    QCOMPARE(
        program.sql(QStringLiteral("rejestr.DB"), QStringLiteral("SELECT count(*) FROM rejestr")),
        QStringLiteral("3"));
    QCOMPARE(dm.DBFKontrahenci.asInteger(QStringLiteral("ID")), 1); // the views show the new data

    QFile damaged(source(QStringLiteral("rejestr.DB")));
    QVERIFY(damaged.open(QIODevice::WriteOnly));
    damaged.write("to nie jest tabela");
    damaged.close();
    QVERIFY(dm.InsertKontrahent(
        {QStringLiteral("5"), QString(), QStringLiteral("Nowy"), {}, {}, {}, {}, {}, {}}));
    QCOMPARE(RestoreArchive(&dm, m_source.path(), &error), RestoreOutcome::Refused);
    QVERIFY(error.contains(QLatin1String("rejestr.DB")));
    QCOMPARE(
        program.sql(QStringLiteral("kontrahenci.DB"),
                    QStringLiteral(
                        "SELECT group_concat(ID) FROM (SELECT ID FROM kontrahenci ORDER BY ID)")),
        QStringLiteral("1,5,7"));
}
