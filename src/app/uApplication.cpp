#include "app/uApplication.h"

#include "data/uDefinicje.h"
#include "dbengine/EDBEngineError.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const EDBEngineError& e) {
        ApplicationException(e);
    } catch (const std::exception& e) {
        ApplicationException(QString::fromUtf8(e.what()));
    } catch (...) {
        ApplicationException(QStringLiteral("Nieznany błąd"));
    }
    return false;
}

void TApplication::ApplicationException(const QString& message)
{
    ShowDBError(message, 0);
}

void TApplication::ApplicationException(const EDBEngineError& error)
{
    ShowDBError(error, 0);
}
