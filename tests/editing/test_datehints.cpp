#include "support/TempProgramDir.h"

#include "archive/uArchiwum.h"
#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "editing/uEdycja.h"
#include "output/uReportParams.h"

#include <QDate>
#include <QLabel>
#include <QTest>

#include <memory>

// The grey format captions beside the date fields describe the date text the fields show.
class TestDateHints : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void hintsFollowTheFields_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QChar>("separator");
        for (const QChar sep : {QChar(u'.'), QChar(u'-'), QChar(u'/')}) {
            for (const char* window : {"entry", "report", "archive"})
                QTest::addRow("%s, '%c'", window, sep.toLatin1()) << window << sep;
        }
    }

    void hintsFollowTheFields()
    {
        QFETCH(QString, window);
        QFETCH(QChar, separator);
        TempProgramDir dir;
        SetRegional(RegionalSettings{separator, u','});
        BuildDateTexts();
        std::unique_ptr<QWidget> w;
        if (window == QLatin1String("entry"))
            w = std::make_unique<TfEdycja>();
        else if (window == QLatin1String("report"))
            w = std::make_unique<TfReportParams>();
        else
            w = std::make_unique<TfArchiwum>();
        // What a field shows for 15 March 2026, written the way the captions describe it.
        const QString shown = QDate(2026, 3, 15).toString(DateDisplayFormat);
        int hints = 0;
        for (const QLabel* label : w->findChildren<QLabel*>()) {
            QString text = label->text();
            if (!text.contains(QStringLiteral("RRRR")))
                continue;
            ++hints;
            text.replace(QStringLiteral("DD"), QStringLiteral("15"))
                .replace(QStringLiteral("MM"), QStringLiteral("03"))
                .replace(QStringLiteral("RRRR"), QStringLiteral("2026"));
            QCOMPARE(text, shown);
        }
        QVERIFY(hints > 0);
        SetRegional(RegionalSettings{});
    }
};

QTEST_MAIN(TestDateHints)
#include "test_datehints.moc"
