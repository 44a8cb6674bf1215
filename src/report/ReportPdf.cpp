#include "report/ReportPdf.h"

#include "report/ReportPainter.h"
#include "report/ReportText.h"

#include <QFont>
#include <QFontMetricsF>
#include <QIODevice>
#include <QPainterPath>
#include <QRawFont>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <vector>

namespace {

constexpr double kPointsPerMm = 72.0 / 25.4;
// Page contents are mostly glyph numbers: the fastest level packs them nearly as well.
constexpr int kCompression = 1;
// The tables a TrueType font is embedded with, in the order of their tags.
const char* const kFontTables[] = {"OS/2", "cmap", "cvt ", "fpgm", "glyf", "head", "hhea",
                                   "hmtx", "loca", "maxp", "name", "post", "prep"};

// Numbers to a thousandth of a millimetre, without trailing zeros.
void put(QByteArray& out, double v)
{
    long long m = std::llround(v * 1000);
    if (m < 0) {
        out += '-';
        m = -m;
    }
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = end;
    long long whole = m / 1000;
    int fraction = int(m % 1000);
    if (fraction) {
        int digits = 3;
        while (fraction % 10 == 0) {
            fraction /= 10;
            --digits;
        }
        for (int i = 0; i < digits; ++i, fraction /= 10)
            *--p = char('0' + fraction % 10);
        *--p = '.';
    }
    do {
        *--p = char('0' + whole % 10);
        whole /= 10;
    } while (whole);
    out.append(p, end - p);
}

void putHex4(QByteArray& out, unsigned v)
{
    static const char digits[] = "0123456789ABCDEF";
    const char h[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15],
                       digits[v & 15]};
    out.append(h, 4);
}

quint16 be16(const QByteArray& b, int at)
{
    return at + 1 < b.size() ? quint16((uchar(b[at]) << 8) | uchar(b[at + 1])) : 0;
}

void append32(QByteArray& b, quint32 v)
{
    const char c[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
    b.append(c, 4);
}

void append16(QByteArray& b, quint16 v)
{
    const char c[2] = {char(v >> 8), char(v)};
    b.append(c, 2);
}

// A TrueType file made from the face's own tables.
QByteArray trueTypeFile(const QRawFont& raw)
{
    std::vector<std::pair<const char*, QByteArray>> tables;
    for (const char* tag : kFontTables) {
        QByteArray t = raw.fontTable(tag);
        if (!t.isEmpty())
            tables.emplace_back(tag, std::move(t));
    }
    const quint16 n = quint16(tables.size());
    quint16 power = 1, selector = 0;
    while (power * 2 <= n) {
        power *= 2;
        ++selector;
    }
    QByteArray file;
    append32(file, 0x00010000);
    append16(file, n);
    append16(file, quint16(power * 16));
    append16(file, selector);
    append16(file, quint16(n * 16 - power * 16));
    quint32 offset = 12 + 16 * n;
    for (const auto& [tag, data] : tables) {
        quint32 sum = 0;
        QByteArray padded = data;
        padded.append((4 - padded.size() % 4) % 4, '\0');
        for (qsizetype i = 0; i < padded.size(); i += 4)
            sum += (quint32(uchar(padded[i])) << 24) | (quint32(uchar(padded[i + 1])) << 16) |
                   (quint32(uchar(padded[i + 2])) << 8) | uchar(padded[i + 3]);
        file.append(tag, 4);
        append32(file, sum);
        append32(file, offset);
        append32(file, quint32(data.size()));
        offset += quint32(padded.size());
    }
    for (const auto& [tag, data] : tables) {
        file += data;
        file.append((4 - data.size() % 4) % 4, '\0');
    }
    return file;
}

QByteArray pdfName(QString text)
{
    QByteArray name;
    for (const QChar c : text) {
        if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') ||
            c == u'-')
            name += char(c.unicode());
    }
    return name.isEmpty() ? QByteArray("Font") : name;
}

QByteArray utf16Hex(const QString& text)
{
    QByteArray out("<FEFF");
    for (const QChar c : text)
        putHex4(out, c.unicode());
    return out + '>';
}

// One embedded face: a template font's family and style at every size.
struct Face
{
    int font = 0; // a document font of this face
    QRawFont raw;
    std::map<quint32, char16_t> text; // glyph -> the character it shows
};

class CompactPdf
{
public:
    CompactPdf(const ReportDocument& document, QIODevice* device)
        : m_document(document), m_fitter(document.fitter()), m_device(device)
    {
        m_size = document.pageSize();
    }

    CompactPdfResult run(Progress* progress)
    {
        if (!facesFor(m_document.fonts().size()))
            return CompactPdfResult::Unsupported;
        write("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
        // 1 catalogue, 2 page tree, 3 resources, 4 information; pages follow.
        m_offsets.resize(4, 0);
        ProgressStart(progress, QStringLiteral("Zapis raportu do pliku PDF"),
                      m_document.pageCount());
        const int pages = std::max(1, m_document.pageCount());
        for (int p = 0; p < pages; ++p) {
            // Smaller sizes set on the way are faces already embedded: this cannot fail.
            if (!page(p))
                return CompactPdfResult::Failed;
            if (!ProgressStep(progress, p + 1))
                return CompactPdfResult::Stopped;
        }
        finish();
        return m_failed ? CompactPdfResult::Failed : CompactPdfResult::Written;
    }

private:
    // Faces for the document's fonts up to count; false for one that cannot be embedded.
    bool facesFor(qsizetype count)
    {
        const QList<ReportFont>& fonts = m_document.fonts();
        for (qsizetype f = m_faceOf.size(); f < count; ++f) {
            const ReportFont& rf = fonts[f];
            int face = -1;
            for (std::size_t i = 0; i < m_faces.size(); ++i) {
                const ReportFont& known = fonts[m_faces[i].font];
                if (known.family == rf.family && known.bold == rf.bold && known.italic == rf.italic)
                    face = int(i);
            }
            if (face < 0) {
                const QRawFont raw = m_fitter.rawFont(int(f));
                // A style the face lacks would be drawn synthesised: that needs QPdfWriter.
                const bool bold = raw.weight() >= QFont::DemiBold;
                const bool italic = raw.style() != QFont::StyleNormal;
                if (!raw.isValid() || raw.fontTable("glyf").isEmpty() || bold != rf.bold ||
                    italic != rf.italic)
                    return false;
                face = int(m_faces.size());
                m_faces.push_back({int(f), raw, {}});
            }
            m_faceOf.push_back(face);
        }
        return true;
    }

    void write(const QByteArray& data)
    {
        if (m_device->write(data) != data.size())
            m_failed = true;
        m_written += data.size();
    }

    int newObject()
    {
        m_offsets.push_back(0);
        return int(m_offsets.size());
    }

    void startObject(int object)
    {
        m_offsets[object - 1] = m_written;
        write(QByteArray::number(object) + " 0 obj\n");
    }

    void stream(int object, const QByteArray& data, const QByteArray& extra = {})
    {
        const QByteArray packed = qCompress(data, kCompression).mid(4);
        startObject(object);
        write("<< /Length " + QByteArray::number(packed.size()) + " /Filter /FlateDecode" + extra +
              " >>\nstream\n");
        write(packed);
        write("\nendstream\nendobj\n");
    }

    bool page(int index)
    {
        const ReportPage page = m_document.page(index);
        if (!facesFor(m_document.fonts().size()))
            return false;
        QByteArray& c = m_content;
        c.clear();
        // Millimetres from the top-left corner, as the items count them.
        const QByteArray scale = QByteArray::number(kPointsPerMm, 'f', 6);
        c += "q " + scale + " 0 0 -" + scale + " 0 ";
        put(c, m_size.height() * kPointsPerMm);
        c += " cm\n2 J\n";
        for (const ReportFillItem& f : page.fills) {
            c += QByteArray::number(f.colour.redF(), 'f', 3) + ' ' +
                 QByteArray::number(f.colour.greenF(), 'f', 3) + ' ' +
                 QByteArray::number(f.colour.blueF(), 'f', 3) + " rg ";
            rect(f.rect);
            c += " re f\n";
        }
        c += "0 g\nBT\n";
        m_currentFont = -1;
        for (const ReportTextItem& item : page.texts)
            text(item);
        c += "ET\n";
        double width = -1;
        for (const ReportLineItem& l : JoinedReportLines(page.lines)) {
            if (l.width != width) {
                width = l.width;
                put(c, width);
                c += " w\n";
            }
            put(c, l.line.x1());
            c += ' ';
            put(c, l.line.y1());
            c += " m ";
            put(c, l.line.x2());
            c += ' ';
            put(c, l.line.y2());
            c += " l S\n";
        }
        c += "Q\n";
        const int contents = newObject();
        stream(contents, c);
        const int pageObject = newObject();
        m_pages.push_back(pageObject);
        startObject(pageObject);
        QByteArray dict = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 ";
        put(dict, m_size.width() * kPointsPerMm);
        dict += ' ';
        put(dict, m_size.height() * kPointsPerMm);
        dict +=
            "] /Resources 3 0 R /Contents " + QByteArray::number(contents) + " 0 R >>\nendobj\n";
        write(dict);
        return true;
    }

    void rect(const QRectF& r)
    {
        put(m_content, r.x());
        m_content += ' ';
        put(m_content, r.y());
        m_content += ' ';
        put(m_content, r.width());
        m_content += ' ';
        put(m_content, r.height());
    }

    static double lineStart(const QRectF& r, double width, Qt::Alignment align)
    {
        if (align & Qt::AlignRight)
            return r.right() - width;
        if (align & Qt::AlignHCenter)
            return r.center().x() - width / 2;
        return r.left();
    }

    void text(const ReportTextItem& item)
    {
        QByteArray& c = m_content;
        const double ascent = m_fitter.ascent(item.font);
        const double baseline = item.rect.top() +
                                (item.rect.height() - ascent - m_fitter.descent(item.font)) / 2 +
                                ascent;
        const bool plain = m_fitter.glyphs(item.font, item.text, m_glyphs);
        const double width = plain ? m_glyphs.width : outlineWidth(item);
        const double x = lineStart(item.rect, width, item.align);
        const bool clipped = width > item.rect.width() + 0.01;
        if (clipped) {
            c += "ET q ";
            rect(item.clip);
            c += " re W n BT\n";
            m_currentFont = -1;
        }
        if (plain) {
            const int face = m_faceOf[item.font];
            if (item.font != m_currentFont) {
                m_currentFont = item.font;
                c += "/F" + QByteArray::number(face) + ' ';
                put(c, m_document.fonts()[item.font].size / kPointsPerMm);
                c += " Tf\n";
            }
            c += "1 0 0 -1 ";
            put(c, x);
            c += ' ';
            put(c, baseline);
            c += " Tm <";
            std::map<quint32, char16_t>& shows = m_faces[face].text;
            for (qsizetype i = 0; i < m_glyphs.glyphs.size(); ++i) {
                putHex4(c, m_glyphs.glyphs[i]);
                shows.emplace(m_glyphs.glyphs[i], item.text[i].unicode());
            }
            c += "> Tj\n";
        } else {
            outline(item, x, baseline);
        }
        if (clipped) {
            c += "ET Q BT\n";
            m_currentFont = -1;
        }
    }

    // Text that needs shaping (and maybe other fonts) is drawn as the outlines Qt sets it in.
    QFont outlineFont(int font, double* scale) const
    {
        const ReportFont& rf = m_document.fonts()[font];
        QFont f = ReportQFont(rf);
        f.setPixelSize(1000);
        *scale = rf.size / kPointsPerMm / 1000;
        return f;
    }

    double outlineWidth(const ReportTextItem& item) const
    {
        double scale = 0;
        const QFont f = outlineFont(item.font, &scale);
        return QFontMetricsF(f).horizontalAdvance(item.text) * scale;
    }

    void outline(const ReportTextItem& item, double x, double baseline)
    {
        double scale = 0;
        QPainterPath path;
        path.addText(0, 0, outlineFont(item.font, &scale), item.text);
        path = QTransform(scale, 0, 0, scale, x, baseline).map(path);
        QByteArray& c = m_content;
        c += "ET\n";
        for (int i = 0; i < path.elementCount(); ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            put(c, e.x);
            c += ' ';
            put(c, e.y);
            if (e.type == QPainterPath::MoveToElement)
                c += " m\n";
            else if (e.type == QPainterPath::LineToElement)
                c += " l\n";
            else if (e.type == QPainterPath::CurveToDataElement && i + 1 < path.elementCount() &&
                     path.elementAt(i + 1).type == QPainterPath::CurveToDataElement)
                c += ' ';
            else
                c += e.type == QPainterPath::CurveToDataElement ? " c\n" : " ";
        }
        c += "f\nBT\n";
        m_currentFont = -1;
    }

    void finish()
    {
        QByteArray fonts;
        for (std::size_t i = 0; i < m_faces.size(); ++i)
            fonts += "/F" + QByteArray::number(int(i)) + ' ' +
                     QByteArray::number(font(m_faces[i])) + " 0 R ";
        startObject(3);
        write("<< /ProcSet [/PDF /Text] /Font << " + fonts + ">> >>\nendobj\n");
        QByteArray kids;
        for (int p : m_pages)
            kids += QByteArray::number(p) + " 0 R ";
        startObject(2);
        write("<< /Type /Pages /Count " + QByteArray::number(qsizetype(m_pages.size())) +
              " /Kids [" + kids + "] >>\nendobj\n");
        startObject(4);
        write("<< /Title " + utf16Hex(m_document.title) + " /Creator " +
              utf16Hex(QStringLiteral("Rejestr TARV")) + " >>\nendobj\n");
        startObject(1);
        write("<< /Type /Catalog /Pages 2 0 R >>\nendobj\n");
        const qint64 xref = m_written;
        QByteArray table = "xref\n0 " + QByteArray::number(qsizetype(m_offsets.size() + 1)) +
                           "\n0000000000 65535 f \n";
        for (const qint64 offset : m_offsets) {
            char line[24];
            std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(offset));
            table += line;
        }
        write(table);
        write("trailer\n<< /Size " + QByteArray::number(qsizetype(m_offsets.size() + 1)) +
              " /Root 1 0 R /Info 4 0 R >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n");
    }

    // The face's font objects; answers the one pages name.
    int font(const Face& face)
    {
        const QRawFont& raw = face.raw;
        const double em = raw.pixelSize();
        const auto units = [em](double px) { return QByteArray::number(qRound(px / em * 1000)); };
        const QByteArray head = raw.fontTable("head");
        const double upem = std::max<int>(1, be16(head, 18));
        const auto design = [upem](int v) { return QByteArray::number(qRound(v * 1000 / upem)); };
        const QByteArray name = pdfName(raw.familyName()) + '-' + pdfName(raw.styleName());

        const int file = newObject();
        const QByteArray ttf = trueTypeFile(raw);
        stream(file, ttf, " /Length1 " + QByteArray::number(ttf.size()));

        const int descriptor = newObject();
        startObject(descriptor);
        write("<< /Type /FontDescriptor /FontName /" + name + " /Flags " +
              QByteArray::number(32 + (raw.style() != QFont::StyleNormal ? 64 : 0)) +
              " /FontBBox [" + design(qint16(be16(head, 36))) + ' ' +
              design(qint16(be16(head, 38))) + ' ' + design(qint16(be16(head, 40))) + ' ' +
              design(qint16(be16(head, 42))) + "] /ItalicAngle " +
              (raw.style() != QFont::StyleNormal ? "-12" : "0") + " /Ascent " +
              units(raw.ascent()) + " /Descent -" + units(raw.descent()) + " /CapHeight " +
              units(raw.capHeight()) + " /StemV 80 /FontFile2 " + QByteArray::number(file) +
              " 0 R >>\nendobj\n");

        QByteArray widths = "[";
        QByteArray map;
        int entries = 0;
        for (const auto& [glyph, character] : face.text) {
            QPointF advance;
            raw.advancesForGlyphIndexes(&glyph, &advance, 1, QRawFont::UseDesignMetrics);
            widths += QByteArray::number(glyph) + " [" + units(advance.x()) + "] ";
            if (entries % 100 == 0)
                map += (entries ? "endbfchar\n" : "") +
                       QByteArray::number(qMin<qsizetype>(100, face.text.size() - entries)) +
                       " beginbfchar\n";
            map += '<';
            putHex4(map, glyph);
            map += "> <";
            putHex4(map, character);
            map += ">\n";
            ++entries;
        }
        if (entries)
            map += "endbfchar\n";
        widths += ']';

        const int descendant = newObject();
        startObject(descendant);
        write("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
              " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
              " /FontDescriptor " +
              QByteArray::number(descriptor) + " 0 R /CIDToGIDMap /Identity /W " + widths +
              " >>\nendobj\n");

        const int toUnicode = newObject();
        stream(toUnicode, "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
                          "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> "
                          "def\n/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
                          "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n" +
                              map +
                              "endcmap\nCMapName currentdict /CMap defineresource pop\nend\n"
                              "end\n");

        const int type0 = newObject();
        startObject(type0);
        write("<< /Type /Font /Subtype /Type0 /BaseFont /" + name +
              " /Encoding /Identity-H /DescendantFonts [" + QByteArray::number(descendant) +
              " 0 R] /ToUnicode " + QByteArray::number(toUnicode) + " 0 R >>\nendobj\n");
        return type0;
    }

    const ReportDocument& m_document;
    const ReportTextFitter& m_fitter;
    QIODevice* m_device;
    QSizeF m_size;
    std::vector<Face> m_faces;
    std::vector<int> m_faceOf;     // per document font
    std::vector<qint64> m_offsets; // of object n at n - 1
    std::vector<int> m_pages;
    qint64 m_written = 0;
    bool m_failed = false;
    QByteArray m_content;
    ReportGlyphs m_glyphs;
    int m_currentFont = -1;
};

} // namespace

CompactPdfResult WriteCompactPdf(const ReportDocument& document, QIODevice* device,
                                 Progress* progress)
{
    return CompactPdf(document, device).run(progress);
}
