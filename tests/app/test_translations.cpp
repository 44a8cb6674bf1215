#include "support/ModalDriver.h"

#include "app/uTranslations.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

// The print and file dialogs under the program's Polish translations show none of the English
// texts Qt's own catalogue was found to leave untranslated (nor the common ones it covers).
class TestTranslations : public QObject
{
    Q_OBJECT

    static QString plain(QString text)
    {
        text.remove(u'&');
        text.remove(QStringLiteral(">>"));
        text = text.trimmed();
        if (text.endsWith(u':'))
            text.chop(1);
        return text;
    }

    // Every text a user can meet in the window: captions, titles, tabs, list items, hints.
    static QStringList texts(QWidget* window)
    {
        QStringList all{window->windowTitle()};
        for (QWidget* w : window->findChildren<QWidget*>()) {
            all << w->toolTip();
            if (auto* b = qobject_cast<QAbstractButton*>(w))
                all << b->text();
            if (auto* l = qobject_cast<QLabel*>(w))
                all << l->text();
            if (auto* g = qobject_cast<QGroupBox*>(w))
                all << g->title();
            if (auto* t = qobject_cast<QTabWidget*>(w)) {
                for (int i = 0; i < t->count(); ++i)
                    all << t->tabText(i);
            }
            if (auto* c = qobject_cast<QComboBox*>(w)) {
                for (int i = 0; i < c->count(); ++i)
                    all << c->itemText(i);
            }
            if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
                const QAbstractItemModel* m = v->model();
                for (int c = 0; c < m->columnCount(v->rootIndex()); ++c) {
                    all << m->headerData(c, Qt::Horizontal).toString();
                    for (int r = 0; r < m->rowCount(v->rootIndex()); ++r)
                        all << m->index(r, c, v->rootIndex()).data().toString();
                }
            }
        }
        QStringList result;
        for (const QString& t : std::as_const(all))
            result << plain(t);
        return result;
    }

    QStringList m_english{
        "Pages",
        "Double Sided Printing",
        "Off",
        "Long side binding",
        "Short side binding",
        "Advanced",
        "There are conflicts in some options. Please fix them.",
        "Specify pages or ranges separated by commas. Ranges are specified by two numbers "
        "separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
        "Folder",
        "Drive",
        "Print",
        "Cancel",
        "Options",
        "Properties",
        "Copies",
        "Print range",
        "Print all",
        "Color Mode",
        "Printer",
        "Collate",
        "Reverse",
        "Job Options",
        "Paper",
        "Page size",
        "Orientation",
        "Portrait",
        "Landscape",
        "Margins",
        "Look in",
        "File name",
        "Files of type",
        "Save",
        "Name",
        "Size",
        "Type",
        "Date Modified"};

private Q_SLOTS:
    void initTestCase() { InstallPolishTranslations(*qApp); }

    void dialogsSpeakPolish_data()
    {
        QTest::addColumn<QString>("dialog");
        QTest::newRow("print, with its options") << "print";
        QTest::newRow("printer properties") << "properties";
        QTest::newRow("page setup") << "page setup";
        QTest::newRow("save file") << "file";
    }

    void dialogsSpeakPolish()
    {
        QFETCH(QString, dialog);
        QStringList seen;
        ModalDriver driver;
        const auto collect = [&seen](QWidget* w) {
            seen << texts(w);
            if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
        };
        QPrinter printer;
        if (dialog == QLatin1String("file")) {
            QTemporaryDir dir;
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("archiwum")));
            QFileDialog files(nullptr, QStringLiteral("Zapisz"), dir.path());
            files.setOption(QFileDialog::DontUseNativeDialog);
            files.setAcceptMode(QFileDialog::AcceptSave);
            driver.onNextModal([&](QWidget* w) {
                // The folder's row, with its type, once the model has read the folder.
                QTest::qWait(300);
                collect(w);
            });
            files.exec();
        } else if (dialog == QLatin1String("page setup")) {
            QPageSetupDialog setup(&printer);
            driver.onNextModal(collect);
            setup.exec();
        } else {
            QPrintDialog print(&printer);
            print.setOption(QAbstractPrintDialog::PrintPageRange);
            if (dialog == QLatin1String("properties")) {
                driver.onNextModal([](QWidget* w) {
                    auto* properties = w->findChild<QPushButton*>(QStringLiteral("properties"));
                    QVERIFY(properties && properties->isEnabled());
                    properties->click();
                });
                driver.onNextModal(collect);
                driver.onNextModal([](QWidget* w) { qobject_cast<QDialog*>(w)->reject(); });
            } else {
                driver.onNextModal(collect);
            }
            print.exec();
        }
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QVERIFY(seen.size() > 10);
        QStringList english;
        for (const QString& text : std::as_const(m_english)) {
            if (seen.contains(text))
                english << text;
        }
        QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral(" | "))));
    }
};

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
