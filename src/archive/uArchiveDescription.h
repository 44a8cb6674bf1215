#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

class QIODevice;

// The description of an archive: its name and its date as typed, kept in "archiwum.bak" as one
// fixed record of 112 bytes in Windows-1250: a length byte and 100 bytes of name, a length byte
// and 10 bytes of date. Bytes after the significant ones carry no meaning.
struct ArchiveDescription
{
    QString Nazwa;
    QString Data;

    bool operator==(const ArchiveDescription&) const = default;
};

inline constexpr int kDescriptionRecordSize = 112;
inline constexpr int kDescriptionNameSize = 100;
inline constexpr int kDescriptionDateSize = 10;
inline const QString kDescriptionFileName = QStringLiteral("archiwum.bak");

// The record; a longer name or date is cut to its field, the unused bytes are zero.
QByteArray EncodeDescription(const ArchiveDescription& description);
// Nothing unless the record has all its 112 bytes; further bytes are ignored.
std::optional<ArchiveDescription> DecodeDescription(const QByteArray& record);

// An empty name and EmptyDateText when the file cannot be opened or is shorter than a record.
ArchiveDescription ReadDescription(const QString& fileName);
// Replaces the file as a whole (a failed write leaves the earlier file intact); false on failure.
bool WriteDescription(const QString& fileName, const ArchiveDescription& description);
// Writes the record to an open device; false unless all of it was written.
bool WriteDescription(QIODevice& device, const ArchiveDescription& description);
