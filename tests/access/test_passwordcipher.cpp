#include "access/uPasswordCipher.h"
#include "data/uDefinicje.h"
#include "support/TempProgramDir.h"

#include <QTest>

class TestPasswordCipher : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void storableExactlyWhenTheFileGivesItBack();
};

void TestPasswordCipher::storableExactlyWhenTheFileGivesItBack()
{
    TempProgramDir program;
    QVERIFY(program.isValid());
    int accepted = 0;
    for (int code = 0; code <= 255; ++code) {
        const QByteArray b(1, char(code));
        for (const QByteArray& cipher : {b, b + "xy", "x" + b + "y", "xy" + b, b + "x" + b}) {
            // Written and read back by the program's own INI code, through the file.
            QVERIFY(StorePasswordCipher(cipher, nullptr));
            ReadSettings();
            // Refused on purpose although this reader keeps them: other INI readers end the
            // line or the text there.
            const bool breaksLine =
                cipher.contains('\0') || cipher.contains('\r') || cipher.contains('\n');
            const bool expected =
                storedPassword == cipher && !breaksLine && !IsBlankPasswordCipher(storedPassword);
            QVERIFY2(CanStorePasswordCipher(cipher) == expected, cipher.toHex(' ').constData());
            accepted += expected;
        }
    }
    // Refusals stay rare (a few dozen of 1280): a reader mangling most values would show here.
    QVERIFY(accepted > 1200);
}

QTEST_GUILESS_MAIN(TestPasswordCipher)
#include "test_passwordcipher.moc"
