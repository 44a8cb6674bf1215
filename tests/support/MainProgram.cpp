#include "support/MainProgram.h"

#include "support/ModalDriver.h"

#include "app/uMain.h"
#include "data/uDM.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

MainProgram::MainProgram(Start when) : dm(&windows.dataModule()), main(&windows.main())
{
    if (when == Start::LoggedIn)
        start();
}

bool MainProgram::start(const QStringList& arguments)
{
    ModalDriver driver;
    driver.onNextModal([](QWidget* w) {
        auto* pwd = w->findChild<QLineEdit*>(QStringLiteral("pwd"));
        QTest::keyClicks(pwd, QStringLiteral("kestu"));
        QTest::keyClick(pwd, Qt::Key_Return);
    });
    const bool started = windows.start(arguments);
    return started && driver.allRan();
}

QStringList MainProgram::multiRun()
{
    return {QStringLiteral("rejestr"), QStringLiteral("ENABLEMULTIRUN")};
}

void MainProgram::addTaxpayers(const QString& values)
{
    sql(QStringLiteral("kontrahenci.DB"),
        QStringLiteral("INSERT INTO kontrahenci(ID,NAZWA,SKROT) VALUES ") + values);
    dm->RefreshKontrahenci();
}

void MainProgram::openRegisterOf(qint64 taxpayer)
{
    dm->LocateKontrahent(taxpayer);
    main->Zakladki->setCurrentWidget(main->rejestr);
}
