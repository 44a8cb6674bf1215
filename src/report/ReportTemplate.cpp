#include "report/ReportTemplate.h"

#include "report/ReportError.h"

#include <QFile>
#include <QHash>
#include <QPageSize>
#include <QXmlStreamReader>

bool ReportCell::needsPages() const
{
    for (const ReportTextPart& p : parts) {
        if (p.kind == ReportTextPart::PageCount || p.kind == ReportTextPart::PageNumber)
            return true;
    }
    return false;
}

const ReportBand* ReportTemplate::band(ReportBandType type) const
{
    const auto& b = bands[std::size_t(type)];
    return b ? &*b : nullptr;
}

QList<ReportTextPart> ParseCellText(const QString& text)
{
    QList<ReportTextPart> parts;
    auto literal = [&parts](const QString& s) {
        if (s.isEmpty())
            return;
        if (!parts.isEmpty() && parts.last().kind == ReportTextPart::Literal)
            parts.last().text += s;
        else
            parts.append({ReportTextPart::Literal, s});
    };
    qsizetype from = 0;
    while (from < text.size()) {
        const qsizetype open = text.indexOf(u'[', from);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u']', open + 1);
        const qsizetype reopen = open < 0 ? -1 : text.indexOf(u'[', open + 1);
        if (open < 0 || close < 0) {
            literal(text.mid(from));
            break;
        }
        if (reopen >= 0 && reopen < close) { // "[a [B]": the first "[" is text
            literal(text.mid(from, reopen - from));
            from = reopen;
            continue;
        }
        literal(text.mid(from, open - from));
        const QString name = text.mid(open + 1, close - open - 1);
        if (name.isEmpty())
            literal(QStringLiteral("[]"));
        else if (name == QLatin1String("#PAGE"))
            parts.append({ReportTextPart::PageNumber, name});
        else if (name == QLatin1String("#PAGES"))
            parts.append({ReportTextPart::PageCount, name});
        else
            parts.append({ReportTextPart::Variable, name});
        from = close + 1;
    }
    return parts;
}

namespace {

const QHash<QString, ReportBandType>& bandTypes()
{
    static const QHash<QString, ReportBandType> types{
        {QStringLiteral("pageHeader"), ReportBandType::PageHeader},
        {QStringLiteral("columnHeader"), ReportBandType::ColumnHeader},
        {QStringLiteral("masterData"), ReportBandType::MasterData},
        {QStringLiteral("reportSummary"), ReportBandType::ReportSummary},
        {QStringLiteral("pageFooter"), ReportBandType::PageFooter},
    };
    return types;
}

// Reads one template; every fault raises with the line it was found on.
class Parser
{
public:
    Parser(const QByteArray& xml, const QString& source) : m_xml(xml), m_source(source) {}

    ReportTemplate run()
    {
        m_tpl.page = QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                 QMarginsF(10, 10, 10, 10), QPageLayout::Millimeter);
        if (!m_xml.readNextStartElement())
            fail(QStringLiteral("brak elementu <report>"));
        if (m_xml.name() != QLatin1String("report"))
            fail(QStringLiteral("oczekiwano elementu <report>, jest <%1>").arg(m_xml.name()));
        readReport();
        if (m_xml.hasError())
            fail(m_xml.errorString());
        return std::move(m_tpl);
    }

private:
    [[noreturn]] void fail(const QString& what) const
    {
        throw EReportError(QStringLiteral("Błąd w szablonie raportu %1 (wiersz %2): %3")
                               .arg(m_source)
                               .arg(m_xml.lineNumber())
                               .arg(what));
    }

    // Only the named attributes are allowed, so a misspelt one is reported, not ignored.
    void allowOnly(std::initializer_list<const char*> names)
    {
        for (const QXmlStreamAttribute& a : m_xml.attributes()) {
            bool known = false;
            for (const char* n : names)
                known = known || a.name() == QLatin1String(n);
            if (!known)
                fail(QStringLiteral("nieznany atrybut %1 elementu <%2>")
                         .arg(a.name(), m_xml.name()));
        }
    }

    bool has(const char* name) const
    {
        return m_xml.attributes().hasAttribute(QLatin1String(name));
    }
    QString text(const char* name) const
    {
        return m_xml.attributes().value(QLatin1String(name)).toString();
    }

    double number(const char* name, double fallback, double low = 0.0)
    {
        if (!has(name))
            return fallback;
        bool ok = false;
        const double v = text(name).trimmed().toDouble(&ok);
        if (!ok || v < low || v > 10000.0)
            fail(QStringLiteral("niepoprawna liczba w atrybucie %1: \"%2\"").arg(name, text(name)));
        return v;
    }

    double required(const char* name, double low = 0.0)
    {
        if (!has(name))
            fail(QStringLiteral("brak atrybutu %1 elementu <%2>").arg(name, m_xml.name()));
        return number(name, 0.0, low);
    }

    bool flag(const char* name, bool fallback)
    {
        if (!has(name))
            return fallback;
        const QString v = text(name);
        if (v == QLatin1String("true"))
            return true;
        if (v == QLatin1String("false"))
            return false;
        fail(QStringLiteral("atrybut %1 przyjmuje true albo false, jest \"%2\"").arg(name, v));
    }

    template <typename T>
    T choice(const char* name, T fallback, std::initializer_list<std::pair<const char*, T>> options)
    {
        if (!has(name))
            return fallback;
        const QString v = text(name);
        for (const auto& [word, value] : options) {
            if (v == QLatin1String(word))
                return value;
        }
        fail(QStringLiteral("niepoprawna wartość atrybutu %1: \"%2\"").arg(name, v));
    }

    void readReport()
    {
        allowOnly({"version", "font", "fontSize"});
        if (has("version") && text("version") != QLatin1String("1"))
            fail(QStringLiteral("nieobsługiwana wersja szablonu \"%1\"").arg(text("version")));
        m_defaultFont.family = has("font") ? text("font") : QStringLiteral("Sans Serif");
        m_defaultFont.size = number("fontSize", 8.0, 1.0);
        bool pageSeen = false;
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("page")) {
                if (pageSeen)
                    fail(QStringLiteral("element <page> powtórzony"));
                pageSeen = true;
                readPage();
            } else if (m_xml.name() == QLatin1String("band")) {
                readBand();
            } else {
                fail(QStringLiteral("nieznany element <%1>").arg(m_xml.name()));
            }
        }
    }

    void readPage()
    {
        allowOnly({"size", "width", "height", "orientation", "left", "top", "right", "bottom"});
        QPageSize size(QPageSize::A4);
        if (has("width") || has("height")) {
            if (has("size"))
                fail(QStringLiteral("podaj size albo width i height, nie oba"));
            size = QPageSize(QSizeF(required("width", 1.0), required("height", 1.0)),
                             QPageSize::Millimeter, QString(), QPageSize::ExactMatch);
        } else if (has("size")) {
            size = choice<QPageSize>("size", size,
                                     {{"A3", QPageSize(QPageSize::A3)},
                                      {"A4", QPageSize(QPageSize::A4)},
                                      {"A5", QPageSize(QPageSize::A5)},
                                      {"Letter", QPageSize(QPageSize::Letter)},
                                      {"Legal", QPageSize(QPageSize::Legal)}});
        }
        const auto orientation =
            choice("orientation", QPageLayout::Portrait,
                   {{"portrait", QPageLayout::Portrait}, {"landscape", QPageLayout::Landscape}});
        const QMarginsF margins(number("left", 10.0), number("top", 10.0), number("right", 10.0),
                                number("bottom", 10.0));
        m_tpl.page = QPageLayout(size, orientation, QMarginsF(), QPageLayout::Millimeter);
        const QSizeF paper = m_tpl.page.fullRect(QPageLayout::Millimeter).size();
        if (margins.left() + margins.right() >= paper.width() ||
            margins.top() + margins.bottom() >= paper.height())
            fail(QStringLiteral("marginesy nie zostawiają miejsca na stronie"));
        m_tpl.page.setMargins(margins);
        m_xml.skipCurrentElement();
    }

    void readBand()
    {
        allowOnly({"type", "height", "stretch"});
        if (!has("type"))
            fail(QStringLiteral("brak atrybutu type elementu <band>"));
        const auto type = bandTypes().find(text("type"));
        if (type == bandTypes().end())
            fail(QStringLiteral("nieznany rodzaj pasma \"%1\"").arg(text("type")));
        auto& slot = m_tpl.bands[std::size_t(*type)];
        if (slot)
            fail(QStringLiteral("pasmo %1 powtórzone").arg(text("type")));
        ReportBand band;
        band.height = required("height");
        band.stretch = flag("stretch", false);
        // The footer's room is kept free on every page before its values are known.
        if (band.stretch && *type == ReportBandType::PageFooter)
            fail(QStringLiteral("pasmo pageFooter nie może się rozciągać"));
        while (m_xml.readNextStartElement()) {
            if (m_xml.name() == QLatin1String("text"))
                band.cells.append(readCell());
            else if (m_xml.name() == QLatin1String("line"))
                band.lines.append(readLine());
            else
                fail(QStringLiteral("nieznany element <%1> w pasmie").arg(m_xml.name()));
        }
        slot = std::move(band);
    }

    ReportCell readCell()
    {
        allowOnly({"x", "y", "width", "height", "font", "size", "bold", "italic", "align", "valign",
                   "frame", "frameWidth", "padding", "wrap", "fill"});
        ReportCell cell;
        cell.rect = QRectF(required("x"), required("y"), required("width"), required("height"));
        ReportFont font = m_defaultFont;
        if (has("font"))
            font.family = text("font");
        font.size = number("size", font.size, 1.0);
        font.bold = flag("bold", false);
        font.italic = flag("italic", false);
        cell.font = int(m_tpl.fonts.indexOf(font));
        if (cell.font < 0) {
            cell.font = int(m_tpl.fonts.size());
            m_tpl.fonts.append(font);
        }
        const Qt::Alignment h = choice<Qt::Alignment>(
            "align", Qt::AlignLeft,
            {{"left", Qt::AlignLeft}, {"center", Qt::AlignHCenter}, {"right", Qt::AlignRight}});
        const Qt::Alignment v = choice<Qt::Alignment>(
            "valign", Qt::AlignTop,
            {{"top", Qt::AlignTop}, {"middle", Qt::AlignVCenter}, {"bottom", Qt::AlignBottom}});
        cell.align = h | v;
        cell.frame = readFrame();
        cell.frameWidth = number("frameWidth", 0.2);
        cell.padding = number("padding", 0.8);
        cell.wrap = flag("wrap", false);
        if (has("fill")) {
            cell.fill = QColor::fromString(text("fill"));
            if (!cell.fill.isValid())
                fail(QStringLiteral("niepoprawny kolor \"%1\"").arg(text("fill")));
        }
        const QString content = m_xml.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
        if (m_xml.hasError())
            fail(m_xml.errorString());
        cell.parts = ParseCellText(content);
        for (const ReportTextPart& p : std::as_const(cell.parts)) {
            if (p.kind == ReportTextPart::Variable && p.text.startsWith(u'#'))
                fail(QStringLiteral("nieznana zmienna [%1]").arg(p.text));
        }
        return cell;
    }

    unsigned readFrame()
    {
        static const QHash<QString, unsigned> words{
            {QStringLiteral("all"), FrameAll},     {QStringLiteral("none"), 0},
            {QStringLiteral("left"), FrameLeft},   {QStringLiteral("top"), FrameTop},
            {QStringLiteral("right"), FrameRight}, {QStringLiteral("bottom"), FrameBottom},
        };
        unsigned sides = 0;
        for (const QString& word : text("frame").split(u' ', Qt::SkipEmptyParts)) {
            const auto side = words.find(word);
            if (side == words.end())
                fail(QStringLiteral("niepoprawna krawędź ramki \"%1\"").arg(word));
            sides |= *side;
        }
        return sides;
    }

    ReportLine readLine()
    {
        allowOnly({"x1", "y1", "x2", "y2", "width"});
        ReportLine line;
        line.line = QLineF(required("x1"), required("y1"), required("x2"), required("y2"));
        line.width = number("width", 0.2);
        m_xml.skipCurrentElement();
        return line;
    }

    QXmlStreamReader m_xml;
    QString m_source;
    ReportTemplate m_tpl;
    ReportFont m_defaultFont;
};

} // namespace

ReportTemplate ReportTemplate::fromXml(const QByteArray& xml, const QString& source)
{
    return Parser(xml, source).run();
}

ReportTemplate ReportTemplate::fromFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EReportError(QStringLiteral("Nie można otworzyć szablonu raportu %1: %2")
                               .arg(path, file.errorString()));
    const QByteArray xml = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw EReportError(QStringLiteral("Nie można odczytać szablonu raportu %1: %2")
                               .arg(path, file.errorString()));
    return fromXml(xml, path);
}
