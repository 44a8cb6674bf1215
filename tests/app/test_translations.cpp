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

// English texts of the print and file dialogs: those Qt's Polish catalogue was found to lack,
// and common ones it covers.
const QString kEnglish = QStringLiteral(
    "Pages|Double Sided Printing|Off|Long side binding|Short side binding|Advanced|"
    "There are conflicts in some options. Please fix them.|Specify pages or ranges separated by "
    "commas. Ranges are specified by two numbers separated by a hyphen. E.g: 3,5-7,9 prints "
    "pages 3, 5, 6, 7 and 9.|Folder|Drive|Print|Cancel|Options|Properties|Copies|Print range|"
    "Color Mode|Printer|Job Options|Paper|Page size|Orientation|Portrait|Landscape|Margins|"
    "Look in|File name|Files of type|Save|Name|Size|Type|Date Modified");

// Under the program's Polish translations the dialogs show none of those texts.
class TestTranslations : public QObject
{
    Q_OBJECT

    // Every text a user can meet in the window, without accelerators and trailing colons.
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
            if (auto* t = qobject_cast<QTabWidget*>(w))
                for (int i = 0; i < t->count(); ++i)
                    all << t->tabText(i);
            if (auto* c = qobject_cast<QComboBox*>(w))
                for (int i = 0; i < c->count(); ++i)
                    all << c->itemText(i);
            const auto* v = qobject_cast<QAbstractItemView*>(w);
            const QAbstractItemModel* m = v ? v->model() : nullptr;
            for (int r = 0; m && r < m->rowCount(v->rootIndex()); ++r)
                for (int c = 0; c < m->columnCount(v->rootIndex()); ++c)
                    all << m->index(r, c, v->rootIndex()).data().toString()
                        << m->headerData(c, Qt::Horizontal).toString();
        }
        for (QString& t : all) {
            t = t.remove(u'&').remove(QStringLiteral(">>")).trimmed();
            if (t.endsWith(u':'))
                t.chop(1);
        }
        return all;
    }

private Q_SLOTS:
    void initTestCase() { InstallPolishTranslations(*qApp); }

    void dialogsSpeakPolish_data()
    {
        QTest::addColumn<QString>("dialog");
        for (const char* dialog :
             {"print, with its options", "printer properties", "page setup", "save file"})
            QTest::newRow(dialog) << dialog;
    }

    void dialogsSpeakPolish()
    {
        QFETCH(QString, dialog);
        QStringList seen;
        ModalDriver driver;
        const auto collect = [&seen](QWidget* w) {
            seen << texts(w);
            qobject_cast<QDialog*>(w)->reject();
        };
        QPrinter printer;
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("archiwum")));
        QFileDialog files(nullptr, QStringLiteral("Zapisz"), dir.path());
        files.setOption(QFileDialog::DontUseNativeDialog);
        files.setAcceptMode(QFileDialog::AcceptSave);
        QPrintDialog print(&printer);
        print.setOption(QAbstractPrintDialog::PrintPageRange);
        QPageSetupDialog setup(&printer);
        if (dialog == QLatin1String("save file")) {
            // The folder's row, with its type, once the model has read the folder.
            driver.onNextModal([&](QWidget* w) { QTest::qWait(300), collect(w); });
            files.exec();
        } else if (dialog == QLatin1String("page setup")) {
            driver.onNextModal(collect);
            setup.exec();
        } else {
            if (dialog == QLatin1String("printer properties")) {
                driver.onNextModal([](QWidget* w) {
                    w->findChild<QPushButton*>(QStringLiteral("properties"))->click();
                });
                driver.onNextModal(collect);
            }
            driver.onNextModal(collect);
            print.exec();
        }
        QVERIFY2(driver.allRan(), qPrintable(driver.problem()));
        QVERIFY(seen.size() > 10);
        QStringList english;
        for (const QString& text : kEnglish.split(u'|')) {
            if (seen.contains(text))
                english << text;
        }
        QVERIFY2(english.isEmpty(), qPrintable(english.join(QStringLiteral(" | "))));
    }
};

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
