#include "windows/uServerPassword.h"

#include "dialogs/uPromptForm.h"

#include <QLineEdit>

std::optional<QString> AskServerPassword(const QString& why, bool retry)
{
    // A window of its own: the server is asked before the program's other windows exist.
    TpromptForm form;
    form.wynik->setEchoMode(QLineEdit::Password);
    // A second ask already says the first password was refused.
    const QString message = retry ? why : why + QStringLiteral("\nPodaj hasło:");
    if (!form.AskText(QStringLiteral("Hasło serwera bazy danych"), message, QString()))
        return std::nullopt;
    const QString password = form.wynik->text();
    form.wynik->clear();
    return password;
}
