#include "startup/uStartup.h"

bool MultiRunAllowed(const QStringList& arguments)
{
    return arguments.size() > 1 && arguments.at(1) == QLatin1String("ENABLEMULTIRUN");
}

StartupFailure SessionFailure(const QString& m, const QString& version)
{
    if (m.contains(QLatin1String("Borland Database Engine"))) {
        return {QStringLiteral("Pojawił się problem z silnikiem Bazy Danych BDE. Spróbuj "
                               "zainstalować silnik ponownie. W tym celu odszukaj w \"Menu Start\" "
                               "w folderze Vorlanda opcji \"Reinstalacja Silnika Baz Danych BDE\". "
                               "Oryginalny komunikat: ") +
                    m,
                QStringLiteral("[0000000391]  ") + m};
    }
    return {
        QStringLiteral("Pojawił się nierozpoznany problem z Bazą Danych. Znaleziona wersja BDE ") +
            version + QStringLiteral(". Oryginalny komunikat: ") + m,
        QStringLiteral("[0000000392]  ") + m};
}
