#include "import/ParadoxTable.h"

#include "import/ParadoxLayout.h"
#include "import/Pxlib.h"

#include <QFileInfo>

#include <cmath>
#include <cstring>

namespace {

// pxlib counts a date in days from 1 January of year 1 (day 1); its calendar helpers count
// from the start of the Julian period.
constexpr long kSdnOffset = 1721425;
// 31 December 9999, the last day an eight-digit date code can name.
constexpr long kLastDay = 3652059;
// A BCD field: its sign and number of decimals in the first byte, then 32 digits, one in each
// half byte; a negative number has every digit inverted.
constexpr int kBcdLength = 17;
constexpr int kBcdDigits = 32;

bool AllZero(const char* p, int n)
{
    for (int i = 0; i < n; ++i) {
        if (p[i])
            return false;
    }
    return true;
}

ParadoxTable::Kind KindOf(int type)
{
    switch (type) {
    case pxfAlpha:
        return ParadoxTable::Kind::Text;
    case pxfShort:
    case pxfLong:
    case pxfAutoInc:
        return ParadoxTable::Kind::Integer;
    case pxfNumber:
    case pxfCurrency:
    case pxfBCD:
        return ParadoxTable::Kind::Number;
    case pxfDate:
        return ParadoxTable::Kind::Date;
    default:
        return ParadoxTable::Kind::Other;
    }
}

// The bytes a field of the type takes: 0 where the table chooses (up to 255), -1 for a type
// pxlib does not know. pxlib decodes a number into a buffer of this size whatever the header
// says, so a length that differs must never reach it.
int FixedLength(int type)
{
    switch (type) {
    case pxfAlpha:
    case pxfBytes:
    case pxfMemoBLOb:
    case pxfBLOb:
    case pxfFmtMemoBLOb:
    case pxfOLE:
    case pxfGraphic:
        return 0;
    case pxfLogical:
        return 1;
    case pxfShort:
        return 2;
    case pxfDate:
    case pxfLong:
    case pxfAutoInc:
    case pxfTime:
        return 4;
    case pxfNumber:
    case pxfCurrency:
    case pxfTimestamp:
        return 8;
    case pxfBCD:
        return kBcdLength;
    default:
        return -1;
    }
}

// A BCD number read as far as its digits are digits: some writers leave noise in the last
// places of a long fraction, and pxlib hands it over as characters that are no digits. A
// register keeps amounts and rates to the grosz, so the value is rounded to two places.
// NaN when the first byte does not match the field, or a digit before the point is noise.
double BcdValue(const unsigned char* p, int decimals)
{
    if ((p[0] & 0x3F) != decimals)
        return std::nan("");
    const bool negative = !(p[0] & 0x80);
    QByteArray digits = negative ? "-0" : "0";
    for (int i = 0; i < kBcdDigits; ++i) {
        const int n = i + 2; // the first byte holds no digits
        const int digit = ((n % 2 ? p[n / 2] : p[n / 2] >> 4) & 0x0F) ^ (negative ? 0x0F : 0);
        if (i == kBcdDigits - decimals)
            digits += '.';
        if (digit > 9) {
            if (i < kBcdDigits - decimals)
                return std::nan("");
            break;
        }
        digits += char('0' + digit);
    }
    return std::round(digits.toDouble() * 100.0) / 100.0;
}

QString NumberText(double value)
{
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

} // namespace

// The pxlib document with the last error it reported, so a failure can say why.
struct ParadoxTable::Doc
{
    pxdoc_t* px = nullptr;
    QString lastError;

    static void onError(pxdoc_t*, int level, const char* message, void* self)
    {
        if (level != PX_Warning)
            static_cast<Doc*>(self)->lastError = QString::fromLocal8Bit(message).trimmed();
    }

    Doc() { px = PX_new3(&Doc::onError, nullptr, nullptr, nullptr, this); }
    ~Doc()
    {
        if (px) {
            PX_close(px);
            PX_delete(px);
        }
    }
};

ParadoxTable::ParadoxTable() = default;
ParadoxTable::~ParadoxTable() = default;

QString ParadoxTable::typeName(int pxType)
{
    switch (pxType) {
    case pxfAlpha:
        return QStringLiteral("tekst");
    case pxfDate:
        return QStringLiteral("data");
    case pxfShort:
        return QStringLiteral("liczba krótka");
    case pxfLong:
        return QStringLiteral("liczba długa");
    case pxfAutoInc:
        return QStringLiteral("autonumer");
    case pxfCurrency:
        return QStringLiteral("waluta");
    case pxfNumber:
        return QStringLiteral("liczba");
    case pxfBCD:
        return QStringLiteral("BCD");
    case pxfLogical:
        return QStringLiteral("logiczne");
    case pxfMemoBLOb:
    case pxfFmtMemoBLOb:
        return QStringLiteral("memo");
    case pxfTime:
        return QStringLiteral("czas");
    case pxfTimestamp:
        return QStringLiteral("data i czas");
    default:
        return QStringLiteral("binarne (%1)").arg(pxType);
    }
}

bool ParadoxTable::fail(QString* error, const QString& reason) const
{
    if (error)
        *error = QStringLiteral("Plik %1 nie jest tabelą Paradox: %2.").arg(m_path, reason);
    return false;
}

bool ParadoxTable::unreadable(QString* error, const QString& reason) const
{
    if (error)
        *error = QStringLiteral("Nie można odczytać tabeli %1: %2.").arg(m_path, reason);
    return false;
}

bool ParadoxTable::damaged(QString* error, const QString& reason) const
{
    return unreadable(error, QStringLiteral("plik jest uszkodzony (%1)").arg(reason));
}

void ParadoxTable::close()
{
    m_doc.reset();
    m_decoder.reset();
    m_fields.clear();
    m_record.clear();
    m_records = 0;
    m_codePage = 0;
}

bool ParadoxTable::open(const QString& path, QString* error)
{
    close();
    m_path = path;
    if (!QFileInfo(path).isFile()) {
        if (error)
            *error = QStringLiteral("Brak pliku %1.").arg(path);
        return false;
    }
    ParadoxLayout layout;
    QString why;
    switch (ReadParadoxLayout(path, &layout, &why)) {
    case LayoutFault::None:
        break;
    case LayoutFault::NotATable:
        return fail(error, why);
    case LayoutFault::Unreadable:
        return unreadable(error, why);
    }
    m_doc = std::make_unique<Doc>();
    if (!m_doc->px)
        return fail(error, QStringLiteral("brak pamięci"));
    // Its warnings go straight to stderr; every check that matters is made here instead.
    PX_set_parameter(m_doc->px, "warning", "false");
    if (PX_open_file(m_doc->px, QFile::encodeName(path).constData()) != 0) {
        why = m_doc->lastError;
        m_doc.reset();
        return fail(error, QStringLiteral("nieczytelny nagłówek (%1)").arg(why));
    }
    if (PX_get_num_records(m_doc->px) != layout.records ||
        PX_get_recordsize(m_doc->px) != layout.recordSize)
        return damaged(error, QStringLiteral("nagłówek jest niespójny"));

    m_codePage = m_doc->px->px_head->px_doscodepage;
    if (!setCodePage(m_codePage))
        return fail(error, QStringLiteral("nieobsługiwana strona kodowa %1").arg(m_codePage));

    int offset = 0;
    const int count = PX_get_num_fields(m_doc->px);
    for (int i = 0; i < count; ++i) {
        const pxfield_t* f = PX_get_field(m_doc->px, i);
        if (!f)
            return fail(error, QStringLiteral("uszkodzony opis pola %1").arg(i + 1));
        Field field;
        field.name =
            f->px_fname ? m_decoder->decode(f->px_fname, int(std::strlen(f->px_fname))) : QString();
        field.type = f->px_ftype;
        field.length = f->px_flen;
        field.decimals = f->px_fdc;
        field.offset = offset;
        field.kind = KindOf(f->px_ftype);
        const int fixed = FixedLength(field.type);
        if (fixed < 0)
            return damaged(
                error,
                QStringLiteral("pole %1 ma nieznany typ %2").arg(field.name).arg(field.type));
        if (fixed ? field.length != fixed : field.length < 1 || field.length > 255)
            return damaged(error, QStringLiteral("pole %1 typu %2 ma długość %3")
                                      .arg(field.name, typeName(field.type))
                                      .arg(field.length));
        if (field.type == pxfBCD && (field.decimals < 0 || field.decimals > kBcdDigits))
            return damaged(error, QStringLiteral("pole %1 ma %2 miejsc po przecinku")
                                      .arg(field.name)
                                      .arg(field.decimals));
        offset += field.length;
        m_fields.push_back(field);
    }
    if (count <= 0 || offset != layout.recordSize)
        return damaged(error, QStringLiteral("długości pól nie składają się na długość rekordu"));
    m_record.assign(size_t(offset), 0);
    m_records = int(layout.records);
    return true;
}

int ParadoxTable::fieldIndex(const QString& name) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (name.compare(m_fields[i].name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

bool ParadoxTable::read(int recno, QString* error)
{
    if (!m_doc || recno < 0 || recno >= m_records ||
        !PX_get_record(m_doc->px, recno, m_record.data()))
        return damaged(error, QStringLiteral("nie można odczytać rekordu %1").arg(recno + 1));
    // Values no field of the type can hold are damage, never data.
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const Field& f = m_fields[i];
        const int field = int(i);
        if (isNull(field))
            continue;
        if (f.kind == Kind::Date) {
            long days = 0;
            PX_get_data_long(m_doc->px, const_cast<char*>(data(field)), f.length, &days);
            if (days < 1 || days > kLastDay)
                return damaged(
                    error,
                    QStringLiteral("rekord %1: pole %2 nie jest datą").arg(recno + 1).arg(f.name));
        } else if (f.kind == Kind::Number && !std::isfinite(rawNumber(field))) {
            return damaged(
                error,
                QStringLiteral("rekord %1: pole %2 nie jest liczbą").arg(recno + 1).arg(f.name));
        }
    }
    return true;
}

bool ParadoxTable::isNull(int field) const
{
    const Field& f = m_fields[size_t(field)];
    if (f.kind == Kind::Other)
        return true;
    // Alpha fields end at their first zero byte; an empty one starts with it.
    if (f.kind == Kind::Text)
        return data(field)[0] == 0;
    return AllZero(data(field), f.length);
}

qint64 ParadoxTable::rawInteger(int field) const
{
    const Field& f = m_fields[size_t(field)];
    char* p = const_cast<char*>(data(field));
    if (f.type == pxfShort) {
        short value = 0;
        PX_get_data_short(m_doc->px, p, f.length, &value);
        return value;
    }
    long value = 0;
    PX_get_data_long(m_doc->px, p, f.length, &value);
    if (f.kind == Kind::Date) {
        int year = 0, month = 0, day = 0;
        PX_SdnToGregorian(value + kSdnOffset, &year, &month, &day);
        return qint64(year) * 10000 + month * 100 + day;
    }
    return value;
}

double ParadoxTable::rawNumber(int field) const
{
    const Field& f = m_fields[size_t(field)];
    char* p = const_cast<char*>(data(field));
    if (f.type == pxfBCD)
        return BcdValue(reinterpret_cast<const unsigned char*>(p), f.decimals);
    double value = 0.0;
    PX_get_data_double(m_doc->px, p, f.length, &value);
    return value;
}

qint64 ParadoxTable::integer(int field) const
{
    if (isNull(field))
        return 0;
    switch (m_fields[size_t(field)].kind) {
    case Kind::Integer:
    case Kind::Date:
        return rawInteger(field);
    case Kind::Number:
        return qint64(std::llround(rawNumber(field)));
    case Kind::Text: {
        bool ok = false;
        const qint64 value = text(field).trimmed().toLongLong(&ok);
        return ok ? value : qint64(std::llround(number(field)));
    }
    case Kind::Other:
        break;
    }
    return 0;
}

double ParadoxTable::number(int field) const
{
    if (isNull(field))
        return 0.0;
    switch (m_fields[size_t(field)].kind) {
    case Kind::Integer:
    case Kind::Date:
        return double(rawInteger(field));
    case Kind::Number:
        return rawNumber(field);
    case Kind::Text: {
        bool ok = false;
        const double value = text(field).trimmed().replace(u',', u'.').toDouble(&ok);
        return ok ? value : 0.0;
    }
    case Kind::Other:
        break;
    }
    return 0.0;
}

QString ParadoxTable::text(int field) const
{
    if (isNull(field))
        return QString();
    const Field& f = m_fields[size_t(field)];
    switch (f.kind) {
    case Kind::Text:
        // Read in place: pxlib's own alpha reader would only copy the same bytes.
        return m_decoder->decode(data(field), textSize(field));
    case Kind::Integer:
    case Kind::Date:
        return QString::number(rawInteger(field));
    case Kind::Number:
        return NumberText(rawNumber(field));
    case Kind::Other:
        break;
    }
    return QString();
}

bool ParadoxTable::setCodePage(int codePage)
{
    auto decoder = std::make_unique<TextDecoder>(codePage);
    if (!decoder->isValid())
        return false;
    m_decoder = std::move(decoder);
    return true;
}

void ParadoxTable::countHighBytes(HighByteCounts& counts) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (m_fields[i].kind != Kind::Text)
            continue;
        const char* bytes = data(int(i));
        for (int k = 0, n = textSize(int(i)); k < n; ++k) {
            const auto b = static_cast<unsigned char>(bytes[k]);
            if (b >= 0x80)
                ++counts[b - 0x80u];
        }
    }
}
