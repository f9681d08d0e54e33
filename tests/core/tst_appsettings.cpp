#include "appsettings.h"
#include "testsupport.h"

#include <QLocale>

class TestAppSettings : public QObject
{
    Q_OBJECT

private slots:
    void freshStoreDefaults();
    void dateFormat_data();
    void dateFormat();
    void timeFormat_data();
    void timeFormat();
    void sqlDateColumn_data();
    void sqlDateColumn();
    void localeFromStore();
    void currentUserBeforeAndAfterLogin();
    void permissionRule();
};

void TestAppSettings::freshStoreDefaults()
{
    AppSettings* s = AppSettings::Instance();
    QCOMPARE(s->DateFormat(), QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(s->TimeFormat(), QStringLiteral("hh:mm:ss"));
    QCOMPARE(s->Theme(), QStringLiteral("light"));
    QCOMPARE(*s->locale, QLocale());
    QVERIFY(s->settings->fileName().startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")));
}

void TestAppSettings::dateFormat_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("previous");
    QTest::addColumn<QString>("expected");
    QTest::newRow("year first") << "YYYY/MM/DD" << "dd-MM-yyyy" << "yyyy-MM-dd";
    QTest::newRow("month first") << "MM/DD/YYYY" << "yyyy-MM-dd" << "MM-dd-yyyy";
    QTest::newRow("day first") << "DD/MM/YYYY" << "yyyy-MM-dd" << "dd-MM-yyyy";
    QTest::newRow("unknown keeps previous") << "D.M.Y" << "MM-dd-yyyy" << "MM-dd-yyyy";
}

void TestAppSettings::dateFormat()
{
    QFETCH(QString, stored);
    QFETCH(QString, previous);
    QFETCH(QString, expected);
    AppSettings* s = AppSettings::Instance();
    s->dateFormat = previous;
    s->settings->setValue(QStringLiteral("DATE_FORMAT"), stored);
    QCOMPARE(s->DateFormat(), previous); // only the loader reads the store
    s->LoadDateFormat();
    QCOMPARE(s->DateFormat(), expected);
}

void TestAppSettings::timeFormat_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("24 hour") << QVariant(0) << "hh:mm:ss";
    QTest::newRow("AM/PM") << QVariant(1) << "h:mm:ss AP";
    QTest::newRow("am/pm") << QVariant(2) << "h:mm:ss ap";
    QTest::newRow("out of range") << QVariant(7) << "h:mm:ss ap";
}

void TestAppSettings::timeFormat()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, expected);
    AppSettings* s = AppSettings::Instance();
    s->settings->setValue(QStringLiteral("time_format"), stored);
    s->LoadTimeFormat();
    QCOMPARE(s->TimeFormat(), expected);
}

void TestAppSettings::sqlDateColumn_data()
{
    QTest::addColumn<QString>("stored"); // empty: no DATE_FORMAT key
    QTest::addColumn<QString>("expected");
    QTest::newRow("no key") << "" << " DATE_FORMAT(DATED,'%Y-%m-%d') as 'Sent Date'";
    QTest::newRow("month first") << "MM/DD/YYYY" << " DATE_FORMAT(DATED,'%m-%d-%Y') as 'Sent Date'";
    QTest::newRow("day first") << "DD/MM/YYYY" << " DATE_FORMAT(DATED,'%d-%m-%Y') as 'Sent Date'";
    // Never written by the settings pages; a usable format rather than a broken statement.
    QTest::newRow("unknown value") << "D.M.Y" << " DATE_FORMAT(DATED,'%Y-%m-%d') as 'Sent Date'";
}

void TestAppSettings::sqlDateColumn()
{
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    AppSettings* s = AppSettings::Instance();
    s->settings->remove(QStringLiteral("DATE_FORMAT"));
    if (!stored.isEmpty())
        s->settings->setValue(QStringLiteral("DATE_FORMAT"), stored);
    // Read at every call, without a reload of the formats.
    QCOMPARE(s->SqlDateColumn(QStringLiteral("DATED"), QStringLiteral("Sent Date")), expected);
}

void TestAppSettings::localeFromStore()
{
    AppSettings* s = AppSettings::Instance();
    s->settings->setValue(QStringLiteral("locale_lang_index"), int(QLocale::German));
    s->LoadLocale();
    QCOMPARE(s->locale->toString(1234.5, 'f', 2), QStringLiteral("1.234,50"));
    s->settings->remove(QStringLiteral("locale_lang_index"));
    s->LoadLocale();
    QCOMPARE(*s->locale, QLocale(QLocale::AnyLanguage, QLocale::AnyCountry));
}

void TestAppSettings::currentUserBeforeAndAfterLogin()
{
    AppSettings* s = AppSettings::Instance();
    s->loginName.clear();
    QCOMPARE(s->CurrentUser(), QStringLiteral("NO LOGGED IN USER"));
    QCOMPARE(s->loginName, QStringLiteral("NO LOGGED IN USER"));
    s->loginName = QStringLiteral("maria");
    QCOMPARE(s->CurrentUser(), QStringLiteral("maria"));
}

void TestAppSettings::permissionRule()
{
    AppSettings* s = AppSettings::Instance();
    s->roleName = QStringLiteral("ADMINISTRATOR");
    s->SetPermittedModules({});
    for (int module = 0; module <= 17; ++module)
        QVERIFY(s->HasPermission(module));
    // Only the exact role name grants everything.
    s->roleName = QStringLiteral("Administrator");
    QVERIFY(!s->HasPermission(0));
    s->roleName = QStringLiteral("SALES PERSON");
    s->SetPermittedModules({0, 17});
    QVERIFY(s->HasPermission(0) && s->HasPermission(17));
    QVERIFY(!s->HasPermission(1) && !s->HasPermission(16));
    s->SetPermittedModules({3});
    QVERIFY(!s->HasPermission(0) && s->HasPermission(3));
}

VORANTEL_TEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
