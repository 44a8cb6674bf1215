#include "archive/FileOper.h"
#include "archive/uFileOperations.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// Every file and directory under root, relative, sorted; directories end with "/".
QStringList Tree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        const QString relative = QDir(root).relativeFilePath(it.filePath());
        entries << (it.fileInfo().isDir() ? relative + QLatin1Char('/') : relative);
    }
    entries.sort();
    return entries;
}

} // namespace

class TestFileOperations : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void newComponentDefaults();
    void optionWordOfCallers();
    void progressTitle_data();
    void progressTitle();
    void patternMatching_data();
    void patternMatching();

    void copyCreatesMissingDirectories();
    void copyOverwritesTarget();
    void copyIntoExistingDirectory();
    void moveRemovesSource();
    void failures_data();
    void failures();

    void deleteWildcards_data();
    void deleteWildcards();
    void deleteSplitsSourceAtSemicolon();
    void deleteNamedDirectoryFails();

    void queueEmptyDoesNothing();
    void queueDeletesEachSource();
    void queueStopsAtFirstFailure();
    void queuePairsByIndex();
    void queueClearForgetsPairs();
};

void TestFileOperations::newComponentDefaults()
{
    TFileOperation op;
    QCOMPARE(op.Mode(), TFileOperation::foCopy);
    QCOMPARE(op.Options().toInt(), 0u);
    QVERIFY(!op.AbortByUser());
}

void TestFileOperations::optionWordOfCallers()
{
    QCOMPARE(UnattendedFileOptions.toInt(), 0x0395u);
    // Undo would send deleted files to a recycle bin; the callers want them gone.
    QVERIFY(!UnattendedFileOptions.testFlag(TFileOperation::fofAllowUndo));
}

void TestFileOperations::progressTitle_data()
{
    QTest::addColumn<int>("options");
    QTest::addColumn<QString>("expected");

    QTest::newRow("callers' options")
        << int(UnattendedFileOptions.toInt()) << QStringLiteral("Kasowanie plików tymczasowych");
    QTest::newRow("simple progress alone") << int(TFileOperation::fofSimpleProgress)
                                           << QStringLiteral("Kasowanie plików tymczasowych");
    QTest::newRow("no options") << 0 << QString();
    QTest::newRow("silent without simple progress")
        << int(TFileOperation::fofSilent | TFileOperation::fofNoConfirmation) << QString();
}

void TestFileOperations::progressTitle()
{
    QFETCH(int, options);
    QFETCH(QString, expected);

    TFileOperation op;
    op.SetTitle(QStringLiteral("Kasowanie plików tymczasowych"));
    op.SetOptions(TFileOperation::TFileOptions::fromInt(options));
    QCOMPARE(op.ProgressTitle(), expected);
    QCOMPARE(op.Title(), QStringLiteral("Kasowanie plików tymczasowych"));
}

void TestFileOperations::patternMatching_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("matches");

    QTest::newRow("*.* dotted") << "*.*"
                                << "a.DB" << true;
    QTest::newRow("*.* without dot") << "*.*"
                                     << "noext" << true;
    QTest::newRow("*.* leading dot") << "*.*"
                                     << ".hidden" << true;
    QTest::newRow("name.* without dot") << "abc.*"
                                        << "abc" << true;
    QTest::newRow("name.* other name") << "abc.*"
                                       << "abcd" << false;
    QTest::newRow("dotted pattern needs dot") << "*x.*"
                                              << "a.x" << false;
    QTest::newRow("? one char") << "?.txt"
                                << "a.txt" << true;
    QTest::newRow("? not two") << "?.txt"
                               << "ab.txt" << false;
    QTest::newRow("? not zero") << "a?c"
                                << "ac" << false;
    QTest::newRow("? Polish letter") << "?.txt"
                                     << "ą.txt" << true;
    QTest::newRow("* backtracks") << "*a*b"
                                  << "xaxxab" << true;
    QTest::newRow("* backtracks, fails") << "*a*b"
                                         << "xaxxa" << false;
    QTest::newRow("* empty run") << "a*"
                                 << "a" << true;
    QTest::newRow("case counts") << "*.DB"
                                 << "a.db" << false;
    QTest::newRow("no wildcard exact") << "rejestr.DB"
                                       << "rejestr.DB" << true;
}

void TestFileOperations::patternMatching()
{
    QFETCH(QString, pattern);
    QFETCH(QString, name);
    QFETCH(bool, matches);
    QCOMPARE(MatchesFilePattern(pattern, name), matches);
}

void TestFileOperations::copyCreatesMissingDirectories()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QByteArray bytes("SQLite format 3\0data\xFF", 21);
    WriteFile(dir.filePath("db/rejestr.DB"), bytes);

    TFileOperation op;
    op.SetMode(TFileOperation::foCopy);
    op.SetOptions(UnattendedFileOptions);
    op.SetSource(dir.filePath("db/rejestr.DB"));
    op.SetDestination(dir.filePath("archiwa/2008/maj/rejestr.DB"));
    QCOMPARE(op.Execute(), 0);
    QVERIFY(!op.AbortByUser());
    QCOMPARE(ReadFile(dir.filePath("archiwa/2008/maj/rejestr.DB")), bytes);
    // No temporary file is left beside the target, and the source stays.
    QCOMPARE(Tree(dir.path()),
             QStringList({"archiwa/", "archiwa/2008/", "archiwa/2008/maj/",
                          "archiwa/2008/maj/rejestr.DB", "db/", "db/rejestr.DB"}));
}

void TestFileOperations::copyOverwritesTarget()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WriteFile(dir.filePath("a/kontrahenci.DB"), "new");
    WriteFile(dir.filePath("b/kontrahenci.DB"), "older and longer contents");

    TFileOperation op;
    op.SetOptions(UnattendedFileOptions);
    op.SetSource(dir.filePath("a/kontrahenci.DB"));
    op.SetDestination(dir.filePath("b/kontrahenci.DB"));
    QCOMPARE(op.Execute(), 0);
    QCOMPARE(ReadFile(dir.filePath("b/kontrahenci.DB")), QByteArray("new"));
    QCOMPARE(Tree(dir.filePath("b")), QStringList({"kontrahenci.DB"}));
}

void TestFileOperations::copyIntoExistingDirectory()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WriteFile(dir.filePath("a/x.DB"), "x");
    WriteFile(dir.filePath("a/y.DB"), "y");
    QVERIFY(QDir(dir.path()).mkdir("b"));

    TFileOperation op;
    op.SetSource(dir.filePath("a/x.DB"));
    op.SetDestination(dir.filePath("b"));
    QCOMPARE(op.Execute(), 0);
    QCOMPARE(ReadFile(dir.filePath("b/x.DB")), QByteArray("x"));

    // Several sources go into the destination directory, created when missing.
    op.SetSource(dir.filePath("a/x.DB") + ";" + dir.filePath("a/y.DB"));
    op.SetDestination(dir.filePath("c"));
    QCOMPARE(op.Execute(), 0);
    QCOMPARE(Tree(dir.filePath("c")), QStringList({"x.DB", "y.DB"}));
}

void TestFileOperations::moveRemovesSource()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WriteFile(dir.filePath("a/x.DB"), "x");

    TFileOperation op;
    op.SetMode(TFileOperation::foMove);
    op.SetSource(dir.filePath("a/x.DB"));
    op.SetDestination(dir.filePath("b/z.DB"));
    QCOMPARE(op.Execute(), 0);
    QCOMPARE(Tree(dir.path()), QStringList({"a/", "b/", "b/z.DB"}));
    QCOMPARE(ReadFile(dir.filePath("b/z.DB")), QByteArray("x"));
}

void TestFileOperations::failures_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("destination");

    const int copy = TFileOperation::foCopy;
    const int remove = TFileOperation::foDelete;
    QTest::newRow("copy missing file") << copy << "a/missing.DB"
                                       << "b/missing.DB";
    QTest::newRow("copy from missing directory") << copy << "nowhere/*.*"
                                                 << "b";
    QTest::newRow("copy a directory") << copy << "a"
                                      << "b/a";
    QTest::newRow("copy onto itself") << copy << "a/x.DB"
                                      << "a/x.DB";
    QTest::newRow("copy without destination") << copy << "a/x.DB"
                                              << "";
    QTest::newRow("copy with empty source") << copy << ""
                                            << "b/x.DB";
    QTest::newRow("delete missing file") << remove << "a/missing.DB"
                                         << "";
    QTest::newRow("delete missing among present") << remove << "a/missing.DB;a/x.DB"
                                                  << "";
    QTest::newRow("delete with empty source") << remove << ""
                                              << "";
}

// A failed operation reports non-zero and leaves every file as it was.
void TestFileOperations::failures()
{
    QFETCH(int, mode);
    QFETCH(QString, source);
    QFETCH(QString, destination);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WriteFile(dir.filePath("a/x.DB"), "x");
    const QStringList before = Tree(dir.path());

    TFileOperation op;
    op.SetMode(static_cast<TFileOperation::TFileMode>(mode));
    op.SetOptions(UnattendedFileOptions);
    QStringList sources = source.split(';');
    for (QString& path : sources)
        path = path.isEmpty() ? path : dir.filePath(path);
    op.SetSource(sources.join(';'));
    op.SetDestination(destination.isEmpty() ? destination : dir.filePath(destination));
    QVERIFY(op.Execute() != 0);
    QCOMPARE(Tree(dir.path()), before);
    QCOMPARE(ReadFile(dir.filePath("a/x.DB")), QByteArray("x"));
}

void TestFileOperations::deleteWildcards_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("remaining");

    // Present before each row: the files below and "sub" and "sub.d" directories with a file
    // inside each; directories must survive every pattern.
    const QStringList dirs{"sub.d/", "sub.d/inner.txt", "sub/", "sub/inner.txt"};
    auto with = [&](QStringList files) {
        files += dirs;
        files.sort();
        return files;
    };

    QTest::newRow("*.* takes every file") << "*.*" << with({});
    QTest::newRow("* takes every file") << "*" << with({});
    QTest::newRow("extension") << "*.DB"
                               << with({"a.txt", "ab.txt", "abc", "abc.txt", "noext", "x.db"});
    QTest::newRow("? is one character")
        << "?.txt" << with({"a.DB", "ab.txt", "abc", "abc.txt", "noext", "x.db"});
    QTest::newRow("name with any extension")
        << "abc.*" << with({"a.DB", "a.txt", "ab.txt", "noext", "x.db"});
    QTest::newRow("matches nothing")
        << "*.bak" << with({"a.DB", "a.txt", "ab.txt", "abc", "abc.txt", "noext", "x.db"});
}

void TestFileOperations::deleteWildcards()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, remaining);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"a.DB", "x.db", "a.txt", "ab.txt", "abc", "abc.txt", "noext",
                             "sub/inner.txt", "sub.d/inner.txt"})
        WriteFile(dir.filePath(name), name);

    TFileOperation op;
    op.SetMode(TFileOperation::foDelete);
    op.SetOptions(UnattendedFileOptions);
    op.SetSource(dir.path() + "/" + pattern);
    QCOMPARE(op.Execute(), 0);
    QCOMPARE(Tree(dir.path()), remaining);
}

void TestFileOperations::deleteSplitsSourceAtSemicolon()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"kontrahenci.DB", "rejestr.DB", "archiwum.bak"})
        WriteFile(dir.filePath(name), name);

    TFileOperation op;
    op.SetMode(TFileOperation::foDelete);
    op.SetSource(dir.filePath("kontrahenci.DB") + ";" + dir.filePath("archiwum.bak") + ";");
    QCOMPARE(op.Execute(), 0);
    QCOMPARE(Tree(dir.path()), QStringList({"rejestr.DB"}));
}

void TestFileOperations::deleteNamedDirectoryFails()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WriteFile(dir.filePath("run/x.tmp"), "x");
    QVERIFY(QDir(dir.path()).mkdir("empty"));

    TFileOperation op;
    op.SetMode(TFileOperation::foDelete);
    op.SetOptions(UnattendedFileOptions);
    for (const char* name : {"run", "empty"}) {
        op.SetSource(dir.filePath(name));
        QVERIFY(op.Execute() != 0);
    }
    QCOMPARE(Tree(dir.path()), QStringList({"empty/", "run/", "run/x.tmp"}));
}

void TestFileOperations::queueEmptyDoesNothing()
{
    TFileOperation op;
    op.SetSource(QStringLiteral("untouched"));
    TFileOperations queue;
    queue.SetOperation(&op);
    QCOMPARE(queue.Execute(), 0);
    QCOMPARE(op.Source(), QStringLiteral("untouched"));

    TFileOperations withoutOperation;
    QCOMPARE(withoutOperation.Execute(), 0);
    withoutOperation.AddSource(QStringLiteral("x"));
    QVERIFY(withoutOperation.Execute() != 0);
}

void TestFileOperations::queueDeletesEachSource()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"kontrahenci.DB", "rejestr.DB", "archiwum.bak", "inne.txt"})
        WriteFile(dir.filePath(name), name);

    TFileOperation op;
    op.SetMode(TFileOperation::foDelete);
    op.SetOptions(UnattendedFileOptions);
    TFileOperations queue;
    queue.SetOperation(&op);
    queue.Clear();
    for (const char* name : {"kontrahenci.DB", "rejestr.DB", "archiwum.bak"})
        queue.AddSource(dir.filePath(name));
    QCOMPARE(queue.Execute(), 0);
    QCOMPARE(Tree(dir.path()), QStringList({"inne.txt"}));
    QCOMPARE(op.Source(), dir.filePath("archiwum.bak"));
}

void TestFileOperations::queueStopsAtFirstFailure()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WriteFile(dir.filePath("db/kontrahenci.DB"), "k");
    WriteFile(dir.filePath("db/trzeci.DB"), "t");

    // What the component answers for the failing pair on its own.
    TFileOperation probe;
    probe.SetSource(dir.filePath("db/rejestr.DB"));
    probe.SetDestination(dir.filePath("arch/rejestr.DB"));
    const int missingCode = probe.Execute();
    QVERIFY(missingCode != 0);

    TFileOperation op;
    op.SetOptions(UnattendedFileOptions);
    TFileOperations queue;
    queue.SetOperation(&op);
    queue.Clear();
    for (const char* name : {"kontrahenci.DB", "rejestr.DB", "trzeci.DB"}) {
        queue.AddSource(dir.filePath(QStringLiteral("db/") + name));
        queue.AddDestination(dir.filePath(QStringLiteral("arch/") + name));
    }
    QCOMPARE(queue.Execute(), missingCode);
    // The pair before the failure stays done; the one after it was never attempted.
    QCOMPARE(Tree(dir.filePath("arch")), QStringList({"kontrahenci.DB"}));
    QCOMPARE(ReadFile(dir.filePath("arch/kontrahenci.DB")), QByteArray("k"));
}

void TestFileOperations::queuePairsByIndex()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    for (const char* name : {"a/x.DB", "a/y.DB", "a/z.DB"})
        WriteFile(dir.filePath(name), name);
    QVERIFY(QDir(dir.path()).mkdir("c"));

    TFileOperation op;
    TFileOperations queue;
    queue.SetOperation(&op);
    for (const char* name : {"a/x.DB", "a/y.DB", "a/z.DB"})
        queue.AddSource(dir.filePath(name));
    queue.AddDestination(dir.filePath("b/x1.DB"));
    queue.AddDestination(dir.filePath("c"));
    QCOMPARE(queue.Execute(), 0);
    // The third source has no destination of its own and goes where the second went.
    QCOMPARE(Tree(dir.path()), QStringList({"a/", "a/x.DB", "a/y.DB", "a/z.DB", "b/", "b/x1.DB",
                                            "c/", "c/y.DB", "c/z.DB"}));
    QCOMPARE(ReadFile(dir.filePath("b/x1.DB")), QByteArray("a/x.DB"));
}

void TestFileOperations::queueClearForgetsPairs()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    WriteFile(dir.filePath("a/x.DB"), "x");
    WriteFile(dir.filePath("a/y.DB"), "y");

    TFileOperation op;
    TFileOperations queue;
    queue.SetOperation(&op);
    queue.AddSource(dir.filePath("a/x.DB"));
    queue.AddDestination(dir.filePath("stale/x.DB"));
    queue.Clear();
    QCOMPARE(queue.Execute(), 0);
    QVERIFY(!QFileInfo::exists(dir.filePath("stale")));

    queue.AddSource(dir.filePath("a/y.DB"));
    queue.AddDestination(dir.filePath("fresh/y.DB"));
    QCOMPARE(queue.Execute(), 0);
    QCOMPARE(Tree(dir.path()), QStringList({"a/", "a/x.DB", "a/y.DB", "fresh/", "fresh/y.DB"}));
}

QTEST_GUILESS_MAIN(TestFileOperations)
#include "test_fileoperations.moc"
