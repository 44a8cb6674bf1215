#include "dbengine/SqlNormalizer.h"

namespace {

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_' || c == u'$';
}

// Index just past a quoted section that starts at i with the opening character; a doubled
// closing character inside stays part of the section (SQL escaping).
qsizetype skipQuoted(const QString& s, qsizetype i, QChar close)
{
    const qsizetype n = s.size();
    ++i;
    while (i < n) {
        if (s[i] == close) {
            if (i + 1 < n && s[i + 1] == close && close != u']') {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return n;
}

// Index just past a numeric literal starting at i (digits, optional fraction, optional
// exponent only when digits follow it).
qsizetype skipNumber(const QString& s, qsizetype i)
{
    const qsizetype n = s.size();
    while (i < n && s[i].isDigit())
        ++i;
    if (i + 1 < n && s[i] == u'.' && s[i + 1].isDigit()) {
        ++i;
        while (i < n && s[i].isDigit())
            ++i;
    }
    if (i < n && (s[i] == u'e' || s[i] == u'E')) {
        qsizetype j = i + 1;
        if (j < n && (s[j] == u'+' || s[j] == u'-'))
            ++j;
        if (j < n && s[j].isDigit()) {
            while (j < n && s[j].isDigit())
                ++j;
            i = j;
        }
    }
    return i;
}

} // namespace

QString NormalizeSql(const QString& s)
{
    QString out;
    out.reserve(s.size() + 8);
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        qsizetype end = i + 1;
        if (c == u'\'' || c == u'"' || c == u'`') {
            end = skipQuoted(s, i, c);
        } else if (c == u'[') {
            end = skipQuoted(s, i, u']');
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            end = s.indexOf(u'\n', i);
            end = end < 0 ? n : end;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            end = s.indexOf(QStringLiteral("*/"), i + 2);
            end = end < 0 ? n : end + 2;
        } else if ((c == u':' || c == u'@' || c == u'$') && i + 1 < n && isIdentStart(s[i + 1])) {
            end = i + 1;
            while (end < n && isIdentChar(s[end]))
                ++end;
        } else if (isIdentStart(c)) {
            while (end < n && isIdentChar(s[end]))
                ++end;
            out += QStringView(s).mid(i, end - i);
            // "name.DB" names a table file; the table inside carries the stem's name.
            if (end + 2 < n && s[end] == u'.' && s[end + 1].toUpper() == u'D' &&
                s[end + 2].toUpper() == u'B' && (end + 3 >= n || !isIdentChar(s[end + 3]))) {
                end += 3;
            }
            i = end;
            continue;
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s[i + 1].isDigit())) {
            end = skipNumber(s, c == u'.' ? i + 1 : i);
            out += QStringView(s).mid(i, end - i);
            if (end < n && isIdentChar(s[end]))
                out += u' ';
            i = end;
            continue;
        }
        out += QStringView(s).mid(i, end - i);
        i = end;
    }
    return out;
}
