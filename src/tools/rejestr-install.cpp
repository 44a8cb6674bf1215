// rejestr-install DIR: lays out a program directory for the program built beside this tool.
#include "tools/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        err << "Użycie: rejestr-install KATALOG\n";
        return 2;
    }
    // The build puts the program into bin/ beside this tool.
    const QString program = QDir(app.applicationDirPath()).filePath(QStringLiteral("bin/rejestr"));
    if (!QFileInfo::exists(program)) {
        err << "Nie znaleziono programu " << program << "\n";
        return 1;
    }
    const InstallReport report = InstallProgramDir(args.at(1), program);
    for (const QString& path : report.created)
        out << "utworzono " << path << "\n";
    for (const QString& warning : report.warnings)
        err << "Uwaga: " << warning << "\n";
    if (!report.ok) {
        err << report.error << "\n";
        return 1;
    }
    return 0;
}
