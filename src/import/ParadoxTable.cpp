#include "import/ParadoxTable.h"

#include "data/Cp1250.h"
#include "import/Pxlib.h"

#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <iconv.h>

namespace {

// pxlib counts a date in days from 1 January of year 1 (day 1); its calendar helpers count
// from the start of the Julian period.
constexpr long kSdnOffset = 1721425;

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

// Texts of the declared code page into QString: Windows-1250 through the program's own table,
// any other code page through iconv.
struct ParadoxTable::Decoder
{
    iconv_t cd = iconv_t(-1);

    bool open(int codePage)
    {
        if (codePage == 0 || codePage == 1250)
            return true;
        cd = iconv_open("UTF-8", QByteArray("CP" + QByteArray::number(codePage)).constData());
        return cd != iconv_t(-1);
    }
    ~Decoder()
    {
        if (cd != iconv_t(-1))
            iconv_close(cd);
    }

    QString decode(const char* bytes, int size) const
    {
        if (cd == iconv_t(-1))
            return FromCp1250(QByteArray::fromRawData(bytes, size));
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out(size * 4, Qt::Uninitialized);
        char* in = const_cast<char*>(bytes);
        size_t inLeft = size_t(size);
        char* to = out.data();
        size_t outLeft = size_t(out.size());
        while (inLeft > 0 && iconv(cd, &in, &inLeft, &to, &outLeft) == size_t(-1)) {
            if (errno != EILSEQ && errno != EINVAL)
                break;
            // A byte the code page lacks becomes "?", as in the program's own code page table.
            ++in;
            --inLeft;
            if (outLeft > 0) {
                *to++ = '?';
                --outLeft;
            }
        }
        out.truncate(to - out.data());
        return QString::fromUtf8(out);
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
    const QFileInfo info(path);
    if (!info.isFile()) {
        if (error)
            *error = QStringLiteral("Brak pliku %1.").arg(path);
        return false;
    }
    m_doc = std::make_unique<Doc>();
    if (!m_doc->px)
        return fail(error, QStringLiteral("brak pamięci"));
    // Its warnings go straight to stderr; every check that matters is made here instead.
    PX_set_parameter(m_doc->px, "warning", "false");
    if (PX_open_file(m_doc->px, QFile::encodeName(path).constData()) != 0) {
        const QString why = m_doc->lastError;
        m_doc.reset();
        return fail(error, QStringLiteral("nieczytelny nagłówek (%1)").arg(why));
    }
    const pxhead_t* head = m_doc->px->px_head;
    if (head->px_filetype != pxfFileTypIndexDB && head->px_filetype != pxfFileTypNonIndexDB)
        return fail(error, QStringLiteral("to plik indeksu, nie tabela"));
    // pxlib reads past the end of a cut file without complaint, so its length is checked here.
    const qint64 blockSize = qint64(head->px_maxtablesize) * 1024;
    if (info.size() < qint64(head->px_headersize) + qint64(head->px_fileblocks) * blockSize)
        return fail(error, QStringLiteral("plik jest niekompletny"));

    m_codePage = head->px_doscodepage;
    m_decoder = std::make_unique<Decoder>();
    if (!m_decoder->open(m_codePage))
        return fail(error, QStringLiteral("nieobsługiwana strona kodowa %1").arg(m_codePage));

    int offset = 0;
    const int count = PX_get_num_fields(m_doc->px);
    for (int i = 0; i < count; ++i) {
        const pxfield_t* f = PX_get_field(m_doc->px, i);
        if (!f || f->px_flen <= 0)
            return fail(error, QStringLiteral("uszkodzony opis pola %1").arg(i + 1));
        Field field;
        field.name =
            f->px_fname ? m_decoder->decode(f->px_fname, int(std::strlen(f->px_fname))) : QString();
        field.type = f->px_ftype;
        field.length = f->px_flen;
        field.decimals = f->px_fdc;
        field.offset = offset;
        field.kind = KindOf(f->px_ftype);
        offset += f->px_flen;
        m_fields.push_back(field);
    }
    if (count <= 0 || offset != PX_get_recordsize(m_doc->px))
        return fail(error, QStringLiteral("uszkodzony opis pól"));
    m_record.assign(size_t(offset), 0);
    m_records = PX_get_num_records(m_doc->px);
    if (m_records < 0)
        return fail(error, QStringLiteral("uszkodzona liczba rekordów"));
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
        !PX_get_record(m_doc->px, recno, m_record.data())) {
        if (error)
            *error = QStringLiteral("Plik %1 jest uszkodzony: nie można odczytać rekordu %2 (%3).")
                         .arg(m_path)
                         .arg(recno + 1)
                         .arg(m_doc ? m_doc->lastError : QString());
        return false;
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
    if (f.type == pxfBCD) {
        char* digits = nullptr;
        double value = 0.0;
        if (PX_get_data_bcd(m_doc->px, reinterpret_cast<unsigned char*>(p), f.decimals, &digits) >
                0 &&
            digits)
            value = QByteArray(digits).toDouble();
        if (digits)
            m_doc->px->free(m_doc->px, digits);
        return value;
    }
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
        return m_decoder->decode(data(field), int(qstrnlen(data(field), uint(f.length))));
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
