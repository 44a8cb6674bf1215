#include "report/ReportDocument.h"

QList<ReportMatch> FindInReport(const ReportDocument& document, const QString& text)
{
    QList<ReportMatch> matches;
    if (text.isEmpty())
        return matches;
    for (int p = 0; p < document.pages.size(); ++p) {
        const QList<ReportTextItem>& items = document.pages[p].texts;
        for (int i = 0; i < items.size(); ++i) {
            for (qsizetype at = items[i].text.indexOf(text, 0, Qt::CaseInsensitive); at >= 0;
                 at = items[i].text.indexOf(text, at + text.size(), Qt::CaseInsensitive))
                matches.append({p, i, int(at), int(text.size())});
        }
    }
    return matches;
}
