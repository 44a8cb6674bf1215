// rejestr-install DIR: lays out a program directory for the program built beside this tool.
// rejestr-install --server CONNINFO: makes what the program needs on a PostgreSQL server.
#include "data/ServerSchema.h"
#include "dbengine/PgConnection.h"
#include "tools/InstallLayout.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

namespace {

// The password from the terminal, not echoed; none without a terminal.
std::optional<QString> askPassword(const QString& why, bool retry)
{
    FILE* tty = std::fopen("/dev/tty", "r+");
    if (!tty)
        return std::nullopt;
    std::fprintf(tty, "%s\n%s", why.toLocal8Bit().constData(),
                 retry ? "Podaj hasło ponownie: " : "Hasło: ");
    std::fflush(tty);
    termios old{};
    const int fd = fileno(tty);
    const bool quiet = tcgetattr(fd, &old) == 0;
    if (quiet) {
        termios hidden = old;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(fd, TCSAFLUSH, &hidden);
    }
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, tty) != nullptr;
    if (quiet)
        tcsetattr(fd, TCSAFLUSH, &old);
    std::fprintf(tty, "\n");
    std::fclose(tty);
    if (!read)
        return std::nullopt;
    QString password = QString::fromLocal8Bit(line);
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    return password;
}

int installServer(const QString& conninfo, QTextStream& out, QTextStream& err)
{
    PgConnection connection;
    try {
        connection.open(conninfo, askPassword);
    } catch (const EDBEngineError& e) {
        err << e.message() << "\n";
        return 1;
    }
    QStringList warnings;
    QString error;
    if (!InstallServerSchema(connection, &warnings, &error)) {
        err << "Nie udało się przygotować tabel na serwerze: " << error << "\n";
        return 1;
    }
    for (const QString& warning : warnings)
        err << "Uwaga: " << warning << "\n";
    out << "tabele na serwerze są gotowe\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTextStream err(stderr);
    QTextStream out(stdout);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args.at(1) == QLatin1String("--server"))
        return installServer(args.at(2), out, err);
    if (args.size() != 2 || args.at(1).startsWith(QLatin1String("--"))) {
        err << "Użycie: rejestr-install KATALOG\n"
               "       rejestr-install --server \"host=... dbname=... user=...\"\n";
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
