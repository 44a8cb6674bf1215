#include "support/MainProgram.h"

#include "support/ModalDriver.h"

#include "app/uMain.h"
#include "app/uWindows.h"
#include "data/uDM.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uQuestionForm.h"
#include "editing/uEdycja.h"
#include "editing/uKontrahent.h"
#include "editing/uSumy.h"
#include "windows/uLogin.h"

#include <QLineEdit>
#include <QTabWidget>
#include <QTest>

MainProgram::MainProgram()
{
    dm = std::make_unique<TmyDataBase>();
    myDataBase = dm.get();
    main = std::make_unique<TfMain>();
    fMain = main.get();
    main->FormCreate({QStringLiteral("rejestr"), QStringLiteral("ENABLEMULTIRUN")});
    dm->DMCreate();
    fKontrahent = new TfKontrahent(main.get());
    questionForm = new TquestionForm(main.get());
    infoForm = new TinfoForm(main.get());
    sums = std::make_unique<TfSumy>();
    fSumy = sums.get();
    fEdycja = new TfEdycja(main.get());
    fLogin = new TfLogin(main.get());
    ModalDriver driver;
    driver.onNextModal([](QWidget* w) {
        auto* pwd = w->findChild<QLineEdit*>(QStringLiteral("pwd"));
        QTest::keyClicks(pwd, QStringLiteral("kestu"));
        QTest::keyClick(pwd, Qt::Key_Return);
    });
    main->FormShow();
}

MainProgram::~MainProgram()
{
    sums.reset();
    main.reset();
    fMain = nullptr;
    fKontrahent = nullptr;
    fEdycja = nullptr;
    fSumy = nullptr;
    fLogin = nullptr;
    myDataBase = nullptr;
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
