#include "archive/FileOper.h"

#include "data/FileUtil.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

QString ToText(const fs::path& path)
{
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

// Never 0, so a failure can not read as success.
int FailureCode(const std::error_code& ec)
{
    return ec.value() != 0 ? ec.value() : EIO;
}

bool HasWildcard(const QString& name)
{
    return name.contains(QLatin1Char('*')) || name.contains(QLatin1Char('?'));
}

bool MatchWildcard(QStringView pattern, QStringView name)
{
    // Greedy matching that backtracks only to the last "*": linear enough for file names.
    qsizetype p = 0, n = 0, starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
        ++p;
    return p == pattern.size();
}

// The files one source element names: itself, or the non-directory entries its wildcard
// matches. Directories are never acted on.
int ExpandSource(const QString& source, std::vector<fs::path>& files, bool& wildcard)
{
    const fs::path path = ToPath(source);
    const QString pattern = ToText(path.filename());
    wildcard = HasWildcard(pattern);
    std::error_code ec;
    if (!wildcard) {
        const fs::file_status status = fs::symlink_status(path, ec);
        if (ec)
            return FailureCode(ec);
        if (fs::is_directory(status))
            return EISDIR;
        files.push_back(path);
        return 0;
    }
    const fs::path parent = path.has_parent_path() ? path.parent_path() : fs::path(".");
    std::vector<fs::path> matches;
    for (fs::directory_iterator it(parent, ec), end; !ec && it != end; it.increment(ec)) {
        // A link is removed, never followed: a link to a directory leaves the directory alone.
        const bool isDirectory = fs::is_directory(it->symlink_status(ec));
        if (ec)
            return FailureCode(ec);
        if (!isDirectory && MatchesFilePattern(pattern, ToText(it->path().filename())))
            matches.push_back(it->path());
    }
    if (ec)
        return FailureCode(ec);
    std::sort(matches.begin(), matches.end());
    files.insert(files.end(), matches.begin(), matches.end());
    return 0;
}

// Where a file goes: into the destination when it is (or, for several files, must be) a
// directory, otherwise the destination is the target file itself.
fs::path TargetFor(const fs::path& file, const fs::path& destination, bool intoDirectory)
{
    std::error_code ec;
    if (intoDirectory || fs::is_directory(destination, ec))
        return destination / file.filename();
    return destination;
}

int CreateParent(const fs::path& target)
{
    std::error_code ec;
    if (target.has_parent_path())
        fs::create_directories(target.parent_path(), ec);
    return ec ? FailureCode(ec) : 0;
}

// Copies beside the target and renames over it, so a failed copy never leaves a half-written
// target in place of a good one (the copies are database files).
int CopyOne(const fs::path& file, const fs::path& target)
{
    std::error_code ec;
    if (!fs::is_regular_file(file, ec))
        return ec ? FailureCode(ec) : EINVAL;
    if (fs::exists(target, ec) && fs::equivalent(file, target, ec))
        return EEXIST;
    if (const int result = CreateParent(target))
        return result;
    static std::atomic<unsigned> counter{0};
    fs::path temporary = target;
    temporary += ".tmp-" + std::to_string(QCoreApplication::applicationPid()) + "-" +
                 std::to_string(++counter);
    fs::copy_file(file, temporary, fs::copy_options::none, ec);
    if (!ec)
        fs::rename(temporary, target, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return FailureCode(ec);
    }
    return 0;
}

int MoveOne(const fs::path& file, const fs::path& target)
{
    if (const int result = CreateParent(target))
        return result;
    std::error_code ec;
    fs::rename(file, target, ec);
    if (ec == std::errc::cross_device_link) {
        if (const int result = CopyOne(file, target))
            return result;
        ec.clear();
        fs::remove(file, ec);
    }
    return ec ? FailureCode(ec) : 0;
}

int DeleteOne(const fs::path& file)
{
    std::error_code ec;
    if (!fs::remove(file, ec))
        return ec ? FailureCode(ec) : ENOENT;
    return 0;
}

} // namespace

bool MatchesFilePattern(const QString& pattern, const QString& name)
{
    if (MatchWildcard(pattern, name))
        return true;
    const QLatin1StringView anyExtension(".*");
    return pattern.endsWith(anyExtension) && !name.contains(QLatin1Char('.')) &&
           MatchWildcard(QStringView(pattern).chopped(anyExtension.size()), name);
}

TFileOperation::TFileOperation(QObject* parent) : QObject(parent) {}

QString TFileOperation::ProgressTitle() const
{
    return m_options.testFlag(fofSimpleProgress) ? m_title : QString();
}

int TFileOperation::Execute()
{
    m_abortByUser = false; // nobody is ever asked, so nobody can abort
    try {
        const QStringList sources = m_source.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        // An operation that names nothing is a caller's mistake, not a copy that succeeded.
        if (sources.isEmpty())
            return EINVAL;
        std::vector<fs::path> files;
        bool anyWildcard = false;
        for (const QString& source : sources) {
            bool wildcard = false;
            if (const int result = ExpandSource(source, files, wildcard))
                return result;
            anyWildcard = anyWildcard || wildcard;
        }
        if (m_mode == foDelete) {
            for (const fs::path& file : files)
                if (const int result = DeleteOne(file))
                    return result;
            return 0;
        }
        if (m_destination.isEmpty())
            return EINVAL;
        const fs::path destination = ToPath(m_destination);
        const bool intoDirectory = anyWildcard || sources.size() > 1;
        for (const fs::path& file : files) {
            const fs::path target = TargetFor(file, destination, intoDirectory);
            const int result = m_mode == foCopy ? CopyOne(file, target) : MoveOne(file, target);
            if (result != 0)
                return result;
        }
        return 0;
    } catch (const std::exception&) {
        // Only allocation can throw here; the callers expect a result, never an exception.
        return ENOMEM;
    }
}
