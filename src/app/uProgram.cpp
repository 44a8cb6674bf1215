// Program entry: the windows and modules in their order, the login gate, the message loop.
#include "app/uApplication.h"
#include "app/uMain.h"
#include "app/uProgramWindows.h"
#include "app/uTranslations.h"
#include "data/Regional.h"
#include "data/uDefinicje.h"
#include "dialogs/uInfoForm.h"
#include "dialogs/uShuttingDown.h"
#include "dialogs/uWindowLook.h"

#include <QLibraryInfo>
#include <QScreen>
#include <QStyleFactory>

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

    int result = 0;
    ProgramWindows windows;
    if (windows.start(app.arguments())) {
        TfMain& main = windows.main();
        if (const QScreen* screen = main.screen())
            main.move(screen->availableGeometry().center() - main.rect().center());
        main.show();
        // The keyboard belongs to the main window at once, also where no window manager
        // hands it over after the login window.
        main.raise();
        main.activateWindow();
        result = app.exec();
    }
    MarkShuttingDown(); // before the windows end, with the function
    return result;
}
