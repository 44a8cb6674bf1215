#include "report/ReportDocument.h"

#include "report/ReportPages.h"

ReportDocument::ReportDocument() = default;

ReportDocument::ReportDocument(std::shared_ptr<ReportPages> pages) : m_pages(std::move(pages)) {}

int ReportDocument::pageCount() const
{
    return m_pages ? m_pages->pageCount() : 0;
}

ReportPage ReportDocument::page(int index) const
{
    return m_pages ? m_pages->page(index) : ReportPage{};
}

const QList<ReportFont>& ReportDocument::fonts() const
{
    static const QList<ReportFont> none;
    return m_pages ? m_pages->fitter().fonts() : none;
}

const ReportTextFitter& ReportDocument::fitter() const
{
    static const ReportTextFitter none({});
    return m_pages ? m_pages->fitter() : none;
}

bool ReportDocument::pageMayContain(int index, const QString& text) const
{
    return m_pages && m_pages->pageMayContain(index, text);
}

QList<ReportMatch> FindInReport(const ReportDocument& document, const QString& text)
{
    QList<ReportMatch> matches;
    if (text.isEmpty())
        return matches;
    for (int p = 0; p < document.pageCount(); ++p) {
        if (!document.pageMayContain(p, text))
            continue;
        const QList<ReportTextItem> items = document.page(p).texts;
        for (int i = 0; i < items.size(); ++i) {
            for (qsizetype at = items[i].text.indexOf(text, 0, Qt::CaseInsensitive); at >= 0;
                 at = items[i].text.indexOf(text, at + text.size(), Qt::CaseInsensitive))
                matches.append({p, i, int(at), int(text.size())});
        }
    }
    return matches;
}
