#pragma once

#include "import/CodePages.h"

#include <QString>

#include <memory>
#include <vector>

struct px_doc;

// One Paradox table file (.DB) read through pxlib: its fields, then its records one at a time.
// A blank field (all its bytes zero, Paradox's NULL) reads as empty: 0, 0.0 or "".
class ParadoxTable
{
public:
    // How a field's values are read; Other covers logical, memo, binary and time fields.
    enum class Kind
    {
        Text,
        Integer,
        Number,
        Date,
        Other
    };

    struct Field
    {
        QString name;
        int type = 0;     // pxlib's pxf* code
        int length = 0;   // bytes in the record
        int decimals = 0; // digits after the point of a BCD field
        int offset = 0;   // position in the record
        Kind kind = Kind::Other;
    };

    ParadoxTable();
    ~ParadoxTable();
    ParadoxTable(const ParadoxTable&) = delete;
    ParadoxTable& operator=(const ParadoxTable&) = delete;

    // False, with a Polish reason naming the file, when it is missing, not a table, or damaged:
    // the header, the block chain and every field's length are checked before pxlib reads a
    // value, so no file can make it read past a buffer or loop.
    bool open(const QString& path, QString* error = nullptr);
    void close();

    const std::vector<Field>& fields() const { return m_fields; }
    // Case-insensitive; -1 when the table has no such field.
    int fieldIndex(const QString& name) const;
    int recordCount() const { return m_records; }
    // The code page the file declares, 0 when none; texts are read in it (Windows-1250 for 0)
    // until another is set. False for a page this system cannot read.
    int codePage() const { return m_codePage; }
    bool setCodePage(int codePage);
    static QString typeName(int pxType);

    // Loads record recno (0-based; ascending order is fastest). False, with a reason, on a
    // record the file does not hold intact, or a date or number no such field can hold.
    bool read(int recno, QString* error = nullptr);

    // Values of the loaded record, converted where the kinds differ: a date is its YYYYMMDD
    // code, a number as text is written without a needless fraction, a text as a number is
    // parsed (0 when it is none). Other fields read as empty.
    bool isNull(int field) const;
    qint64 integer(int field) const;
    double number(int field) const;
    QString text(int field) const;
    // Adds the bytes from 0x80 up of the loaded record's text fields, for LikelyCodePage.
    void countHighBytes(HighByteCounts& counts) const;

private:
    struct Doc;
    bool fail(QString* error, const QString& reason) const;
    bool unreadable(QString* error, const QString& reason) const;
    bool damaged(QString* error, const QString& reason) const;
    const char* data(int field) const { return m_record.data() + m_fields[size_t(field)].offset; }
    int textSize(int field) const
    {
        return int(qstrnlen(data(field), uint(m_fields[size_t(field)].length)));
    }
    qint64 rawInteger(int field) const;
    double rawNumber(int field) const;

    std::unique_ptr<Doc> m_doc;
    std::unique_ptr<TextDecoder> m_decoder;
    QString m_path;
    std::vector<Field> m_fields;
    std::vector<char> m_record;
    int m_records = 0;
    int m_codePage = 0;
};
