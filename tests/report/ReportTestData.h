#pragma once

#include "report/ReportLayout.h"

#include <QHash>
#include <QStringList>

// Rows held in memory behind the engine's callback dataset; records every call the engine makes
// ("first", "eof", "next", "value:NAME") so tests can check the order.
struct FakeRows
{
    QList<QHash<QString, QString>> rows;
    QHash<QString, QString> totals; // answered outside the rows too
    int cursor = -1;
    QStringList calls;

    ReportUserDataset dataset()
    {
        return {[this] {
                    calls << QStringLiteral("first");
                    cursor = 0;
                },
                [this] {
                    calls << QStringLiteral("next");
                    ++cursor;
                },
                [this](bool& eof) {
                    calls << QStringLiteral("eof");
                    eof = cursor >= rows.size();
                },
                [this] { return qint64(rows.size()); }};
    }

    ReportValueHandler values()
    {
        return [this](const QString& name, QString& value) {
            calls << QStringLiteral("value:") + name;
            const bool inRow = cursor >= 0 && cursor < rows.size() && rows[cursor].contains(name);
            value = inRow ? rows[cursor].value(name)
                          : totals.value(name, QStringLiteral("<%1>").arg(name));
        };
    }

    // n rows whose N is "r1".."rn".
    static FakeRows numbered(int n)
    {
        FakeRows f;
        for (int i = 1; i <= n; ++i)
            f.rows.append({{QStringLiteral("N"), QStringLiteral("r%1").arg(i)}});
        return f;
    }
};
