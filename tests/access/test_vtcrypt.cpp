#include "access/uVtCrypt.h"

#include <QTest>

class TestVtCrypt : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void encrypt_data();
    void encrypt();
    void newComponentIsEmpty();
    void encryptTwiceShiftsTwice();
    void keyIsNotAltered();
    void sameLengthTextsDiffer();
    void encryptPasswordUsesWholeProgramKey();
    void encryptPasswordOfDefaultPassword();
};

void TestVtCrypt::encrypt_data()
{
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("clear");
    QTest::addColumn<QByteArray>("expected");

    // "kestu" + "lod27": 107+108, 101+111, 115+100, 116+50, 117+55.
    const QByteArray kestuCipher("\xD7\xD4\xD7\xA6\xAC", 5);

    QTest::newRow("empty key leaves text")
        << QByteArray() << QByteArray("kestu") << QByteArray("kestu");
    QTest::newRow("empty text stays empty")
        << QByteArray("lod27wbsq3164") << QByteArray() << QByteArray();
    QTest::newRow("default password")
        << QByteArray("lod27wbsq3164") << QByteArray("kestu") << kestuCipher;
    QTest::newRow("sum of exactly 256 gives 0")
        << QByteArray("l") << QByteArray("\x94", 1) << QByteArray("\x00", 1);
    QTest::newRow("sum of 300 gives 44")
        << QByteArray("l") << QByteArray("\xC0", 1) << QByteArray(",");
    QTest::newRow("high bytes are unsigned")
        << QByteArray("\xFF\x80", 2) << QByteArray("\x01\x80", 2) << QByteArray("\x00\x00", 2);
    QTest::newRow("14th byte takes 1st key byte")
        << QByteArray("lod27wbsq3164") << QByteArray(14, '\0') << QByteArray("lod27wbsq3164l");
    QTest::newRow("short key repeats")
        << QByteArray("\x01\x02") << QByteArray("aaaaa") << QByteArray("bcbcb");
    QTest::newRow("text shorter than key")
        << QByteArray("\x01\x02\x03\x04") << QByteArray("aa") << QByteArray("bc");
}

void TestVtCrypt::encrypt()
{
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, clear);
    QFETCH(QByteArray, expected);

    TVtCrypt crypt;
    crypt.SetKey(key);
    crypt.SetCryptogram(clear);
    crypt.Encrypt();
    QCOMPARE(crypt.Cryptogram(), expected);
}

void TestVtCrypt::newComponentIsEmpty()
{
    QObject owner;
    auto* crypt = new TVtCrypt(&owner);
    QVERIFY(crypt->Key().isEmpty());
    QVERIFY(crypt->Cryptogram().isEmpty());
    crypt->Encrypt();
    QVERIFY(crypt->Cryptogram().isEmpty());
}

void TestVtCrypt::encryptTwiceShiftsTwice()
{
    TVtCrypt crypt;
    crypt.SetKey("lod27wbsq3164");
    crypt.SetCryptogram("kestu");
    crypt.Encrypt();
    crypt.Encrypt();
    // 107+2*108-256, 101+2*111-256, 115+2*100-256, 116+2*50, 117+2*55.
    QCOMPARE(crypt.Cryptogram(), QByteArray("\x43\x43\x3B\xD8\xE3"));
}

void TestVtCrypt::keyIsNotAltered()
{
    TVtCrypt crypt;
    crypt.SetKey("lod27wbsq3164");
    crypt.SetCryptogram("kestu");
    crypt.Encrypt();
    QCOMPARE(crypt.Key(), QByteArray("lod27wbsq3164"));

    // A second text under the same component gives what a fresh one gives.
    crypt.SetCryptogram("Kestu");
    crypt.Encrypt();
    QCOMPARE(crypt.Cryptogram(), EncryptPassword("Kestu"));
}

void TestVtCrypt::sameLengthTextsDiffer()
{
    // Passwords are compared as cipher texts, so case and blanks must survive.
    QVERIFY(EncryptPassword("kestu") != EncryptPassword("Kestu"));
    QVERIFY(EncryptPassword("kestu ") != EncryptPassword(" kestu"));
    QCOMPARE(EncryptPassword("kestu"), EncryptPassword("kestu"));
}

void TestVtCrypt::encryptPasswordUsesWholeProgramKey()
{
    // Zero bytes reveal the key stream: the 13 key bytes, then the key again.
    QCOMPARE(EncryptPassword(QByteArray(15, '\0')), QByteArray("lod27wbsq3164lo"));
}

void TestVtCrypt::encryptPasswordOfDefaultPassword()
{
    QCOMPARE(EncryptPassword("kestu"), QByteArray("\xD7\xD4\xD7\xA6\xAC"));
}

QTEST_GUILESS_MAIN(TestVtCrypt)
#include "test_vtcrypt.moc"
