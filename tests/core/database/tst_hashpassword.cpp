#include "databasetest.h"
#include "storedhash.h"

#include <QHash>
#include <QVector>

// Expected values were computed outside Qt (Python hashlib: MD5 of the UTF-8 bytes of password + salt
// up to the first zero byte; the digest decoded as UTF-8 up to its first zero byte, every byte of a
// malformed sequence becoming U+FFFD), written here as UTF-16 code units.
class TestHashPassword : public QObject
{
    Q_OBJECT

private slots:
    void goldenVectors_data();
    void goldenVectors();
    void weakHashTexts_data();
    void weakHashTexts();
    void storedThroughBoundValue_data();
    void storedThroughBoundValue();
    void storedFormsOpenOnlyTheirOwn();
};

static QString FromUnits(const QString& hexUnits)
{
    QString out;
    for (const QString& unit : hexUnits.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out += QChar(ushort(unit.toUInt(nullptr, 16)));
    return out;
}

void TestHashPassword::goldenVectors_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("units");
    // digest e23bc34ac0ca4a06a35e6f5403d56af2
    QTest::newRow("admin") << "admin"
                           << "fffd 003b fffd 004a fffd fffd 004a 0006 fffd 005e 006f 0054 0003 fffd 006a fffd";
    // digest 004b78f664ccf192d309535aa0125ec0: a zero first byte leaves nothing
    QTest::newRow("zero first byte") << "pw54" << "";
    // digest 35e9eccf5f20b970 00391d96f9f1067e: only the bytes before the zero
    QTest::newRow("zero byte in the middle") << "pw84" << "0035 fffd fffd fffd 005f 0020 fffd 0070";
    // digest e557d1b02527dc21be1dc3f3f9278ffd: d1 b0 is one character
    QTest::newRow("two-byte character") << "pw25"
                                        << "fffd 0057 0470 0025 0027 fffd 0021 fffd 001d fffd fffd fffd 0027 fffd fffd";
    // digest 5e0fd427b5cd7534f2b9bc8bc65e2558: f2 b9 bc 8b is one character outside the BMP
    QTest::newRow("four-byte character") << "pw381"
                                         << "005e 000f fffd 0027 fffd fffd 0075 0034 daa7 df0b fffd 005e 0025 0058";
    // digest 34a55e44b82bc286c943d5bcffc68eb5
    QTest::newRow("non-ASCII password") << QString::fromUtf8("p\xc3\xa4ssw\xc3\xb6rd")
                                        << "0034 fffd 005e 0044 fffd 002b 0086 fffd 0043 057c fffd 018e fffd";
    // Only the bytes before the zero are hashed, the salt included: MD5("a") = 0cc175b9c0f1b6a831c399e269772661
    QTest::newRow("zero character in password")
        << QString::fromUtf8("a\0b", 3) << "000c fffd 0075 fffd fffd fffd fffd fffd 0031 00d9 fffd 0069 0077 0026 0061";
}

void TestHashPassword::goldenVectors()
{
    QFETCH(QString, password);
    QFETCH(QString, units);
    QCOMPARE(HashPassword(password), FromUnits(units));
    QCOMPARE(HashPassword(password), HashPassword(password));
}

// Texts made up to lie on either side of the 32 bits a text must carry.
void TestHashPassword::weakHashTexts_data()
{
    QTest::addColumn<QString>("units");
    QTest::addColumn<bool>("weak");
    QTest::newRow("two 3-byte characters, 32 bits") << "4e2d 6587" << false;
    QTest::newRow("three ASCII and ten U+FFFD, 31 bits")
        << "0061 0062 0063 fffd fffd fffd fffd fffd fffd fffd fffd fffd fffd" << true;
}

void TestHashPassword::weakHashTexts()
{
    QFETCH(QString, units);
    QFETCH(bool, weak);
    QCOMPARE(HashIsWeak(FromUnits(units)), weak);
}

void TestHashPassword::storedThroughBoundValue_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("mustContain");
    QTest::newRow("backslash") << "pw21" << "\\";
    QTest::newRow("quote") << "pw25" << "'";
}

void TestHashPassword::storedThroughBoundValue()
{
    QFETCH(QString, password);
    QFETCH(QString, mustContain);
    const QString hash = HashPassword(password);
    QVERIFY2(hash.contains(mustContain), "the vector lost its point");

    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    DatabaseTest::UseFixtureServer();
    const QString name = TestDatabase::uniqueName(QStringLiteral("hash"));
    QCOMPARE(DatabaseTest::Create(1, name), QString());
    const QStringList inserted = DatabaseTest::Rows(
        name, QStringLiteral("INSERT INTO tblUsers (FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE_ID) "
                             "VALUES ('A', 'B', ?, ?, 1)"),
        {password, hash});
    const QStringList read = DatabaseTest::Rows(
        name, QStringLiteral("SELECT PASSWORD FROM tblUsers WHERE LOGIN_NAME = ? AND PASSWORD = ?"),
        {password, HashPassword(password)});
    DatabaseTest::ResetManager();
    TestDatabase::dropDatabase(name);
    QCOMPARE(inserted, QStringList());
    QCOMPARE(read, QStringList{hash});
}

void TestHashPassword::storedFormsOpenOnlyTheirOwn()
{
    // The login takes a typed password whose HashPassword text or long form is the stored text. Over
    // a few hundred thousand passwords no two are stored alike, and none is let into another's account.
    const int count = 300000;
    QHash<QString, int> owner;
    owner.reserve(count);
    QVector<QString> hashes(count);
    int weak = 0;
    for (int i = 0; i < count; ++i) {
        const QString password = QStringLiteral("c%1").arg(i);
        const QString stored = StoredPassword(password);
        hashes[i] = HashPassword(password);
        weak += stored != hashes[i];
        const auto taken = owner.constFind(stored);
        if (taken != owner.constEnd())
            QFAIL(qPrintable(QStringLiteral("c%1 and c%2 are stored alike").arg(*taken).arg(i)));
        owner.insert(stored, i);
    }
    for (int i = 0; i < count; ++i) {
        const int opened = owner.value(hashes[i], i);
        if (opened != i)
            QFAIL(qPrintable(QStringLiteral("c%1 opens the account of c%2").arg(i).arg(opened)));
    }
    // About one in thirty is weak: the rule neither missed them nor took everything.
    QVERIFY2(weak > count / 50 && weak < count / 20, qPrintable(QString::number(weak)));
}

VORANTEL_TEST_MAIN(TestHashPassword)
#include "tst_hashpassword.moc"
