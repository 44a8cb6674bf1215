#pragma once

#include <QByteArray>
#include <QObject>

// The key every part of the program enciphers the password with.
inline constexpr char PasswordCipherKey[] = "lod27wbsq3164";

// Repeating-key additive byte cipher for the program password. It works on Windows-1250 bytes;
// callers convert text before assigning it. There is deliberately no way back: cipher texts are
// only ever compared with each other.
class TVtCrypt : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QByteArray Key READ Key WRITE SetKey)
    Q_PROPERTY(QByteArray Cryptogram READ Cryptogram WRITE SetCryptogram)

public:
    explicit TVtCrypt(QObject* parent = nullptr);

    QByteArray Key() const { return m_key; }
    void SetKey(const QByteArray& key) { m_key = key; }

    // Holds the clear text before Encrypt and the cipher text after it.
    QByteArray Cryptogram() const { return m_cryptogram; }
    void SetCryptogram(const QByteArray& cryptogram) { m_cryptogram = cryptogram; }

    // Replaces Cryptogram with its cipher text under Key; an empty key leaves it unchanged.
    void Encrypt();

private:
    QByteArray m_key;
    QByteArray m_cryptogram;
};

// The cipher text of a password's Windows-1250 bytes under PasswordCipherKey, as stored in
// rejestr.ini.
QByteArray EncryptPassword(const QByteArray& clearBytes);
