// Program entry: the windows and modules in their order, the login gate, the message loop.
#include "app/uApplication.h"
#include "app/uMain.h"
#include "app/uTranslations.h"
#include "app/uWindows.h"
#include "data/Regional.h"
#include "data/uDM.h"
#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uPromptForm.h"
#include "dialogs/uQuestionForm.h"
#include "dialogs/uShuttingDown.h"
#include "dialogs/uWindowLook.h"
#include "editing/uEdycja.h"
#include "editing/uKontrahent.h"
#include "editing/uSumy.h"
#include "windows/uArchiwum.h"
#include "windows/uChangeLogin.h"
#include "windows/uLogin.h"
#include "windows/uRaporty.h"
#include "windows/uReportParams.h"

#include <QLibraryInfo>
#include <QScreen>
#include <QStyleFactory>

#include <memory>

TfMain* fMain = nullptr;
TfKontrahent* fKontrahent = nullptr;
TfSumy* fSumy = nullptr;
TfEdycja* fEdycja = nullptr;
TDMRaporty* DMRaporty = nullptr;
TfArchiwum* fArchiwum = nullptr;
TfReportParams* fReportParams = nullptr;
TfLogin* fLogin = nullptr;
TfChangeLogin* fChangeLogin = nullptr;

namespace {

void setUpLook(TApplication& app)
{
    app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QPalette pal = app.palette();
    pal.setColor(QPalette::Window, kWindowBackground);
    pal.setColor(QPalette::Button, kWindowBackground);
    // Disabled captions stay readable on the grey-blue background.
    for (const auto role : {QPalette::ButtonText, QPalette::WindowText, QPalette::Text})
        pal.setColor(QPalette::Disabled, role, QColor(120, 120, 136));
    app.setPalette(pal);
    QFont font(QStringLiteral("Sans Serif"), 8);
    font.setStyleHint(QFont::SansSerif);
    app.setFont(font);
}

} // namespace

int RunProgram(int argc, char** argv)
{
    TApplication app(argc, argv);
    // The title only as the name: a display name would be appended to every window's caption.
    app.setApplicationName(QStringLiteral("rejestr TARV"));
    setUpLook(app);
    InstallPolishTranslations(app);
    SetRegional(SystemRegionalSettings());
    SetInfoHandler([](const QString& title, const QString& message) { ShowInfo(title, message); });
    WatchApplicationQuit();

    // The data module object holds only its statement templates until DMCreate connects, which
    // happens after the main window's start-up, as the windows' order requires.
    auto dataModule = std::make_unique<TmyDataBase>();
    myDataBase = dataModule.get();
    auto main = std::make_unique<TfMain>();
    fMain = main.get();
    std::unique_ptr<TfSumy> sums;
    int result = 0;
    if (main->FormCreate(app.arguments())) {
        try {
            dataModule->DMCreate();
        } catch (const EDBEngineError& e) {
            TApplication::ApplicationException(e);
        }
        fKontrahent = new TfKontrahent(main.get());
        questionForm = new TquestionForm(main.get());
        promptForm = new TpromptForm(main.get());
        infoForm = new TinfoForm(main.get());
        sums = std::make_unique<TfSumy>();
        fSumy = sums.get();
        fEdycja = new TfEdycja(main.get());
        fReportParams = new TfReportParams(main.get());
        DMRaporty = new TDMRaporty(fReportParams, main.get(), main.get());
        fArchiwum = new TfArchiwum(main.get());
        fLogin = new TfLogin(main.get());
        fChangeLogin = new TfChangeLogin(main.get());

        if (main->FormShow()) {
            if (const QScreen* screen = main->screen())
                main->move(screen->availableGeometry().center() - main->rect().center());
            main->show();
            // The keyboard belongs to the main window at once, also where no window manager
            // hands it over after the login window.
            main->raise();
            main->activateWindow();
            result = app.exec();
        }
    }
    MarkShuttingDown();
    sums.reset();
    fSumy = nullptr;
    main.reset();
    fMain = nullptr;
    infoForm = nullptr;
    questionForm = nullptr;
    promptForm = nullptr;
    myDataBase = nullptr;
    return result;
}
