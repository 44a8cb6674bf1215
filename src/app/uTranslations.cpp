#include "app/uTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

void InstallPolishTranslations(QCoreApplication& app)
{
    const QLocale polish(QLocale::Polish, QLocale::Poland);
    auto* qt = new QTranslator(&app);
    if (qt->load(polish, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        app.installTranslator(qt);
    else
        delete qt;
    // Installed last, so asked first; it holds only what Qt's catalogue leaves in English.
    auto* own = new QTranslator(&app);
    if (own->load(QStringLiteral(":/i18n/rejestr_qtbase_pl.qm")))
        app.installTranslator(own);
    else
        delete own;
    QLocale::setDefault(polish);
}
