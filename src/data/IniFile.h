#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A settings file in INI form, read and written as bytes: values keep their exact bytes (the
// stored password is a cipher text in the file's code page), other sections, keys and lines
// stay as they were. Sections and keys match without regard to case, as the classic INI
// functions do.
class IniFile
{
public:
    explicit IniFile(QString path);

    // A missing file reads as empty; false only when the file exists but cannot be read.
    bool load();
    // Replaces the file as a whole (see SafeFile.h): a failed write leaves the old file as it was;
    // false, with the reason in *error, on failure.
    bool save(QString* error = nullptr) const;

    // The value after "=", without surrounding blanks and without one pair of enclosing quotes.
    QByteArray value(const QByteArray& section, const QByteArray& key,
                     const QByteArray& defaultValue = {}) const;
    // Replaces the key's line, or adds it at the end of its section (or a new section).
    void setValue(const QByteArray& section, const QByteArray& key, const QByteArray& value);

    const QList<QByteArray>& lines() const { return m_lines; }

private:
    // Index of the section's header line, -1 when absent.
    int findSection(const QByteArray& section) const;
    // Index of the key's line within the section starting after header, -1 when absent.
    int findKey(int header, const QByteArray& key) const;
    int sectionEnd(int header) const;

    QString m_path;
    QList<QByteArray> m_lines;
};
