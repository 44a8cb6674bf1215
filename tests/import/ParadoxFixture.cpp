#include "import/ParadoxFixture.h"
#include "import/Pxlib.h"

#include <QFile>

#include <cstring>

namespace {

// Where a Paradox header keeps its code page (a little-endian word).
constexpr qint64 kCodePageOffset = 0x6A;

} // namespace

bool WriteParadoxTable(const QString& path, const std::vector<PxField>& fields,
                       const std::vector<PxRow>& rows, int codePage)
{
    pxdoc_t* doc = PX_new();
    if (!doc)
        return false;
    // pxlib takes the field array and names over and frees them with the document's own
    // allocator, so they must come from it.
    auto* px = static_cast<pxfield_t*>(
        doc->malloc(doc, fields.size() * sizeof(pxfield_t), "fixture fields"));
    for (size_t i = 0; i < fields.size(); ++i) {
        px[i].px_fname = PX_strdup(doc, fields[i].name.constData());
        px[i].px_ftype = char(fields[i].type);
        px[i].px_flen = fields[i].length;
        px[i].px_fdc = fields[i].decimals;
    }
    if (PX_create_file(doc, px, int(fields.size()), QFile::encodeName(path).constData(),
                       pxfFileTypNonIndexDB) != 0) {
        PX_delete(doc);
        return false;
    }
    PX_set_value(doc, "codepage", float(codePage));
    std::vector<char> record(size_t(PX_get_recordsize(doc)));
    bool ok = true;
    for (const PxRow& row : rows) {
        std::memset(record.data(), 0, record.size());
        char* p = record.data();
        for (size_t i = 0; i < fields.size() && i < row.size(); ++i) {
            const PxField& f = fields[i];
            const PxValue& v = row[i];
            if (const auto* n = std::get_if<qint64>(&v)) {
                if (f.type == pxfShort)
                    PX_put_data_short(doc, p, f.length, short(*n));
                else if (f.type == pxfLogical)
                    PX_put_data_byte(doc, p, f.length, char(*n));
                else
                    PX_put_data_long(doc, p, f.length, int(*n));
            } else if (const auto* d = std::get_if<double>(&v)) {
                PX_put_data_double(doc, p, f.length, *d);
            } else if (const auto* b = std::get_if<QByteArray>(&v)) {
                QByteArray bytes = *b;
                if (f.type == pxfBCD)
                    PX_put_data_bcd(doc, p, f.decimals, bytes.data());
                else
                    PX_put_data_alpha(doc, p, f.length, bytes.data());
            } else if (const auto* date = std::get_if<QDate>(&v)) {
                PX_put_data_long(
                    doc, p, f.length,
                    int(PX_GregorianToSdn(date->year(), date->month(), date->day()) - 1721425));
            }
            p += f.length;
        }
        ok = ok && PX_put_record(doc, record.data()) >= 0;
    }
    PX_close(doc);
    PX_delete(doc);
    if (ok && codePage == 0) {
        // pxlib keeps its own default for 0, so the header's code page word is cleared here.
        QFile file(path);
        ok = file.open(QIODevice::ReadWrite) && file.seek(kCodePageOffset) &&
             file.write(QByteArray(2, '\0')) == 2;
    }
    return ok;
}

std::vector<PxField> KontrahenciFields()
{
    return {{"ID", pxfLong, 4, 0},          {"NAZWA", pxfAlpha, 254, 0},
            {"NIP", pxfAlpha, 20, 0},       {"ADRES", pxfAlpha, 254, 0},
            {"KODPOCZT", pxfAlpha, 20, 0},  {"MIEJSCOWOSC", pxfAlpha, 100, 0},
            {"TELEFONY", pxfAlpha, 100, 0}, {"UWAGI", pxfAlpha, 254, 0},
            {"SKROT", pxfAlpha, 100, 0}};
}

std::vector<PxField> RejestrFields()
{
    return {{"ID", pxfLong, 4, 0},
            {"DATAWPISU", pxfLong, 4, 0},
            {"DATADOK", pxfLong, 4, 0},
            {"NALEZNOSC", pxfNumber, 8, 0},
            {"STAWKA", pxfNumber, 8, 0},
            {"DATAZAPLATY", pxfLong, 4, 0},
            {"NRDOK", pxfAlpha, 50, 0},
            {"IMIE", pxfAlpha, 50, 0},
            {"NAZWISKO", pxfAlpha, 100, 0},
            {"NIP", pxfAlpha, 20, 0},
            {"ADRES", pxfAlpha, 254, 0},
            {"KODPOCZT", pxfAlpha, 20, 0},
            {"MIEJSCOWOSC", pxfAlpha, 100, 0},
            {"UWAGI", pxfAlpha, 254, 0},
            {"IDKONTRAHENTA", pxfLong, 4, 0},
            {"WARTOSC", pxfNumber, 8, 0}};
}
