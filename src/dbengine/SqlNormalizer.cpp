#include "dbengine/SqlNormalizer.h"

#include <QList>

#include <algorithm>

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

bool isClauseWord(const QString& w)
{
    static const QStringList words = {
        QStringLiteral("WHERE"),    QStringLiteral("GROUP"),  QStringLiteral("ORDER"),
        QStringLiteral("LIMIT"),    QStringLiteral("UNION"),  QStringLiteral("JOIN"),
        QStringLiteral("INNER"),    QStringLiteral("LEFT"),   QStringLiteral("CROSS"),
        QStringLiteral("HAVING"),   QStringLiteral("OFFSET"), QStringLiteral("EXCEPT"),
        QStringLiteral("INTERSECT")};
    return words.contains(w);
}

struct Insert
{
    qsizetype at;
    qsizetype removeLength;
    QString text;
};

} // namespace

QList<SqlToken> SqlTokens(const QString& s)
{
    QList<SqlToken> out;
    int depth = 0;
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = s[i];
        qsizetype end = i + 1;
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == u'\'' || c == u'"') {
            end = skipQuoted(s, i, c);
        } else if (c == u'-' && i + 1 < n && s[i + 1] == u'-') {
            end = s.indexOf(u'\n', i);
            i = end < 0 ? n : end;
            continue;
        } else if (c == u'/' && i + 1 < n && s[i + 1] == u'*') {
            end = s.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            continue;
        } else if (isIdentChar(c) || c == u'$') {
            while (end < n && isIdentChar(s[end]))
                ++end;
        } else if (c == u')') {
            --depth;
        }
        out.append({s.mid(i, end - i).toUpper(), i, end, depth});
        if (c == u'(')
            ++depth;
        i = end;
    }
    return out;
}

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

ServerSql NormalizeSqlForServer(const QString& text,
                                const std::function<QStringList(const QString& table)>& columnsOf)
{
    ServerSql result;
    // Parameters first: the files' normaliser leaves them untouched. A colon glued to a name
    // is one; "::" is a cast.
    const QString s = NormalizeSql(text);
    QString numbered = s;
    {
        const QList<SqlToken> t = SqlTokens(s);
        QList<Insert> names;
        for (qsizetype k = 0; k + 1 < t.size(); ++k) {
            const bool colon = t[k].word == QLatin1String(":");
            const bool glued = t[k + 1].at == t[k].end && isIdentStart(s[t[k + 1].at]);
            const bool cast =
                (k > 0 && t[k - 1].word == QLatin1String(":") && t[k - 1].end == t[k].at) ||
                t[k + 1].word == QLatin1String(":");
            if (!colon || !glued || cast)
                continue;
            const QString name = s.mid(t[k + 1].at, t[k + 1].end - t[k + 1].at);
            qsizetype number = result.parameters.indexOf(name);
            if (number < 0) {
                result.parameters << name;
                number = result.parameters.size() - 1;
            }
            names.append({t[k].at, t[k + 1].end - t[k].at, u'$' + QString::number(number + 1)});
        }
        for (auto it = names.crbegin(); it != names.crend(); ++it)
            numbered.replace(it->at, it->removeLength, it->text);
    }

    const QList<SqlToken> t = SqlTokens(numbered);
    QList<Insert> edits;
    for (qsizetype k = 0; k < t.size(); ++k) {
        // SELECT * FROM table: the table's own columns.
        if (t[k].word == QLatin1String("SELECT") && k + 1 < t.size() &&
            t[k + 1].word == QLatin1String("*") && columnsOf) {
            for (qsizetype f = k + 2; f + 1 < t.size(); ++f) {
                if (t[f].depth < t[k].depth)
                    break;
                if (t[f].depth == t[k].depth && t[f].word == QLatin1String("FROM")) {
                    const QStringList columns =
                        columnsOf(numbered.mid(t[f + 1].at, t[f + 1].end - t[f + 1].at));
                    if (!columns.isEmpty())
                        edits.append({t[k + 1].at, 1, columns.join(u',')});
                    break;
                }
            }
        }
        // FROM ( ... ) without a name: the server wants one.
        if (t[k].word == QLatin1String("FROM") && k + 1 < t.size() &&
            t[k + 1].word == QLatin1String("(")) {
            qsizetype close = k + 2;
            while (close < t.size() &&
                   !(t[close].word == QLatin1String(")") && t[close].depth == t[k].depth))
                ++close;
            if (close < t.size()) {
                const bool named =
                    close + 1 < t.size() && t[close + 1].depth == t[k].depth &&
                    (t[close + 1].word == QLatin1String("AS") ||
                     (isIdentStart(t[close + 1].word[0]) && !isClauseWord(t[close + 1].word)));
                if (!named)
                    edits.append({t[close].end, 0, QStringLiteral(" AS podzapytanie")});
            }
        }
        // ORDER BY a, b DESC: NULLs lowest, as the files sort them.
        if (t[k].word == QLatin1String("ORDER") && k + 1 < t.size() &&
            t[k + 1].word == QLatin1String("BY")) {
            const int depth = t[k].depth;
            qsizetype f = k + 2;
            for (;;) {
                const qsizetype first = f;
                qsizetype last = -1;
                while (
                    f < t.size() && t[f].depth >= depth &&
                    !(t[f].depth == depth &&
                      (t[f].word == QLatin1String(",") || t[f].word == QLatin1String("LIMIT") ||
                       t[f].word == QLatin1String("OFFSET") || t[f].word == QLatin1String(";")))) {
                    last = f;
                    ++f;
                }
                if (last >= 0) {
                    bool hasNulls = false;
                    for (qsizetype q = first; q <= last; ++q)
                        hasNulls = hasNulls ||
                                   (t[q].depth == depth && t[q].word == QLatin1String("NULLS"));
                    if (!hasNulls)
                        edits.append({t[last].end, 0,
                                      t[last].word == QLatin1String("DESC")
                                          ? QStringLiteral(" NULLS LAST")
                                          : QStringLiteral(" NULLS FIRST")});
                }
                if (f < t.size() && t[f].word == QLatin1String(",") && t[f].depth == depth) {
                    ++f;
                    continue;
                }
                break;
            }
        }
    }
    std::sort(edits.begin(), edits.end(),
              [](const Insert& a, const Insert& b) { return a.at > b.at; });
    for (const Insert& e : edits)
        numbered.replace(e.at, e.removeLength, e.text);
    result.text = numbered;
    return result;
}
