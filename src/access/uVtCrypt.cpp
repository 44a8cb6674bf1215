#include "access/uVtCrypt.h"

TVtCrypt::TVtCrypt(QObject* parent) : QObject(parent) {}

void TVtCrypt::Encrypt()
{
    const qsizetype keyLength = m_key.size();
    if (keyLength == 0)
        return;
    for (qsizetype i = 0; i < m_cryptogram.size(); ++i) {
        // Unsigned arithmetic: bytes above 127 must count as 128..255, and the sum wraps at 256.
        const auto text = static_cast<unsigned char>(m_cryptogram[i]);
        const auto key = static_cast<unsigned char>(m_key[i % keyLength]);
        m_cryptogram[i] = static_cast<char>(static_cast<unsigned char>(text + key));
    }
}

QByteArray EncryptPassword(const QByteArray& clearBytes)
{
    TVtCrypt crypt;
    crypt.SetKey(QByteArray(PasswordCipherKey));
    crypt.SetCryptogram(clearBytes);
    crypt.Encrypt();
    return crypt.Cryptogram();
}
