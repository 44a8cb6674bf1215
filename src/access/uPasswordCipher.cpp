#include "access/uPasswordCipher.h"

#include "data/Cp1250.h"
#include "data/IniFile.h"
#include "data/SafeFile.h"
#include "data/uDefinicje.h"

#include <QFileInfo>

#include <cerrno>

bool IsBlankPasswordCipher(const QByteArray& cipher)
{
    return TrimmedLength(FromCp1250(cipher)) == 0;
}

bool CanStorePasswordCipher(const QByteArray& cipher)
{
    if (IsBlankPasswordCipher(cipher))
        return false;
    for (const char c : cipher) {
        if (c == '\0' || c == '\r' || c == '\n')
            return false;
    }
    const auto isBlank = [](char c) { return c == ' ' || c == '\t'; };
    if (isBlank(cipher.front()) || isBlank(cipher.back()))
        return false;
    const bool quoted = cipher.size() >= 2 && (cipher.front() == '"' || cipher.front() == '\'') &&
                        cipher.back() == cipher.front();
    return !quoted;
}

bool StorePasswordCipher(const QByteArray& cipher, QString* error)
{
    const QString path = ProgramPath(kSettingsFile);
    const auto fail = [&](const QString& reason) {
        if (error)
            *error = reason;
        return false;
    };
    // A file nobody may write to is left alone even when the process could replace it anyway
    // (as root, or by the rename of a safe save): the user froze it on purpose.
    const QFileInfo info(path);
    // The mode bits only: WriteUser answers whether this process may write, true for root.
    const auto anyWrite =
        QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    if (info.exists() && !info.isFile())
        return fail(SafeFile::reasonText(EISDIR));
    if (info.exists() && !(info.permissions() & anyWrite))
        return fail(QStringLiteral("plik %1 jest tylko do odczytu").arg(kSettingsFile));

    IniFile ini(path);
    // Saving what could not be read would drop the rest of the file.
    if (!ini.load())
        return fail(QStringLiteral("nie można odczytać pliku %1").arg(kSettingsFile));
    ini.setValue(kSettingsSection, kSettingsKey, cipher);
    QString reason;
    if (!ini.save(&reason))
        return fail(reason);
    return true;
}
