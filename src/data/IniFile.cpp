#include "data/IniFile.h"

#include "data/SafeFile.h"

#include <QFile>

namespace {

bool isSectionHeader(const QByteArray& trimmed)
{
    return trimmed.startsWith('[') && trimmed.contains(']');
}

QByteArray sectionName(const QByteArray& trimmed)
{
    return trimmed.mid(1, trimmed.indexOf(']') - 1).trimmed();
}

bool sameName(const QByteArray& a, const QByteArray& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

IniFile::IniFile(QString path) : m_path(std::move(path)) {}

bool IniFile::load()
{
    m_lines.clear();
    QFile file(m_path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray data = file.readAll();
    if (data.isEmpty())
        return true;
    m_lines = data.split('\n');
    for (QByteArray& line : m_lines) {
        if (line.endsWith('\r'))
            line.chop(1);
    }
    // A final line end does not start another line.
    if (!m_lines.isEmpty() && m_lines.last().isEmpty())
        m_lines.removeLast();
    return true;
}

bool IniFile::save(QString* error) const
{
    QByteArray data;
    for (const QByteArray& line : m_lines)
        data += line + "\r\n";
    return SafeFile::writeWhole(m_path, data, error);
}

int IniFile::findSection(const QByteArray& section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const QByteArray t = m_lines[i].trimmed();
        if (isSectionHeader(t) && sameName(sectionName(t), section))
            return i;
    }
    return -1;
}

int IniFile::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && !isSectionHeader(m_lines[i].trimmed()))
        ++i;
    return i;
}

int IniFile::findKey(int header, const QByteArray& key) const
{
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const QByteArray& line = m_lines[i];
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && sameName(line.left(eq).trimmed(), key))
            return i;
    }
    return -1;
}

QByteArray IniFile::value(const QByteArray& section, const QByteArray& key,
                          const QByteArray& defaultValue) const
{
    const int header = findSection(section);
    if (header < 0)
        return defaultValue;
    const int line = findKey(header, key);
    if (line < 0)
        return defaultValue;
    const QByteArray& l = m_lines[line];
    QByteArray v = l.mid(l.indexOf('=') + 1);
    // Only blanks and tabs are cut: a cipher text may begin or end with any other byte.
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t'))
        v.remove(0, 1);
    while (!v.isEmpty() && (v.back() == ' ' || v.back() == '\t'))
        v.chop(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    return v;
}

void IniFile::setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value)
{
    const QByteArray line = key + '=' + value;
    int header = findSection(section);
    if (header < 0) {
        m_lines.append('[' + section + ']');
        m_lines.append(line);
        return;
    }
    const int existing = findKey(header, key);
    if (existing >= 0) {
        m_lines[existing] = line;
        return;
    }
    // After the section's last non-empty line, so a blank separator line stays in place.
    int at = sectionEnd(header);
    while (at - 1 > header && m_lines[at - 1].trimmed().isEmpty())
        --at;
    m_lines.insert(at, line);
}
