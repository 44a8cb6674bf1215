// rejestr-paradox TABELA PLIK-PARADOX PLIK-SQLITE [STRONA-KODOWA]: the program's reader of
// Paradox tables, run as a process of its own for every table it imports (see
// ConvertParadoxTable). Writes the table file and answers on its standard output: the number of
// rows and the code pages (exit code 0), or the reason the file was refused
// (kParadoxReaderRefused). Without a code page it picks the one the texts read best in.
#include "import/ParadoxReader.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

bool WriteAll(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    // Whatever pxlib prints goes with the errors; the answer has standard output to itself.
    const int answer = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    // Never outlives the program waiting for it, and a crash on a damaged file leaves no core
    // file behind in the user's folder.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const rlimit noCore = {0, 0};
    setrlimit(RLIMIT_CORE, &noCore);

    bool pageOk = true;
    const int codePage = argc == 5 ? QByteArray(argv[4]).toInt(&pageOk) : kLikelyCodePage;
    if (argc < 4 || argc > 5 || !pageOk || (argc == 5 && codePage < 0) || answer < 0) {
        std::fputs("Użycie: rejestr-paradox TABELA PLIK-PARADOX PLIK-SQLITE [STRONA-KODOWA]\n",
                   stderr);
        return 2;
    }
    ReadTable read;
    QString error;
    const bool ok = ReadParadoxTable(QFile::decodeName(argv[2]), QFile::decodeName(argv[1]),
                                     QFile::decodeName(argv[3]), codePage, &read, &error);
    const QByteArray text = ok ? QByteArray::number(read.rows) + ' ' +
                                     QByteArray::number(read.codePage) + ' ' +
                                     QByteArray::number(read.declaredPage)
                               : error.toUtf8();
    if (!WriteAll(answer, text))
        return 2;
    return ok ? 0 : kParadoxReaderRefused;
}
