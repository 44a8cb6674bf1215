#include "archive/uArchiveDescription.h"

#include "data/Cp1250.h"
#include "data/SafeFile.h"
#include "data/uDefinicje.h"

#include <QFile>

namespace {

// Length byte, then the field; the text is cut to the field in characters and, should an
// unmappable character ever take more than one byte, in bytes as well.
void putField(QByteArray& record, int at, int size, const QString& text)
{
    const QByteArray bytes = ToCp1250(text.left(size)).left(size);
    record[at] = char(bytes.size());
    record.replace(at + 1, bytes.size(), bytes);
}

QString takeField(const QByteArray& record, int at, int size)
{
    // A length beyond the field (a foreign or damaged file) reads the whole field.
    const int length = qMin(int(quint8(record[at])), size);
    return FromCp1250(record.mid(at + 1, length));
}

const int dateAt = 1 + kDescriptionNameSize;

} // namespace

QByteArray EncodeDescription(const ArchiveDescription& description)
{
    QByteArray record(kDescriptionRecordSize, '\0');
    putField(record, 0, kDescriptionNameSize, description.Nazwa);
    putField(record, dateAt, kDescriptionDateSize, description.Data);
    return record;
}

std::optional<ArchiveDescription> DecodeDescription(const QByteArray& record)
{
    if (record.size() < kDescriptionRecordSize)
        return std::nullopt;
    return ArchiveDescription{takeField(record, 0, kDescriptionNameSize),
                              takeField(record, dateAt, kDescriptionDateSize)};
}

ArchiveDescription ReadDescription(const QString& fileName)
{
    QFile file(fileName);
    if (file.open(QIODevice::ReadOnly)) {
        if (auto found = DecodeDescription(file.read(kDescriptionRecordSize)))
            return *found;
    }
    return ArchiveDescription{QString(), EmptyDateText};
}

bool WriteDescription(QIODevice& device, const ArchiveDescription& description)
{
    const QByteArray record = EncodeDescription(description);
    return device.write(record) == record.size();
}

bool WriteDescription(const QString& fileName, const ArchiveDescription& description)
{
    return SafeFile::writeWhole(fileName, EncodeDescription(description));
}
