#include "appsettings.h"
#include "constants.h"
#include "testsupport.h"

#include <QLocale>
#include <QSettings>

class TestAppSettings : public QObject
{
    Q_OBJECT

private slots:
    void freshStoreDefaults();
    void dateFormat_data();
    void dateFormat();
    void timeFormat_data();
    void timeFormat();
    void localeFromStore();
    void currentUserBeforeAndAfterLogin();
    void permissionRule();
    void constants();
};

void TestAppSettings::freshStoreDefaults()
{
    // The scratch store is empty when the program starts.
    AppSettings* s = AppSettings::Instance();
    QCOMPARE(s->dateFormat, QStringLiteral("yyyy-MM-dd"));
    QCOMPARE(s->TimeFormat(), QStringLiteral("hh:mm:ss"));
    QCOMPARE(s->Theme(), QStringLiteral("light"));
    QCOMPARE(*s->locale, QLocale());
    QVERIFY(s->salesColumns.isEmpty() && s->reportColumns.isEmpty());
    QCOMPARE(s->settings->organizationName(), QStringLiteral("Ostrevi"));
    QCOMPARE(s->settings->applicationName(), QStringLiteral("VizuviduVoreruvEzov"));
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
    QTest::newRow("lower case is unknown") << "dd/mm/yyyy" << "" << "";
}

void TestAppSettings::dateFormat()
{
    QFETCH(QString, stored);
    QFETCH(QString, previous);
    QFETCH(QString, expected);
    AppSettings* s = AppSettings::Instance();
    s->dateFormat = previous;
    s->settings->setValue(QStringLiteral("DATE_FORMAT"), stored);
    s->LoadDateFormat();
    QCOMPARE(s->dateFormat, expected);
}

void TestAppSettings::timeFormat_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("expected");
    QTest::newRow("24 hour") << QVariant(0) << "hh:mm:ss";
    QTest::newRow("AM/PM") << QVariant(1) << "h:mm:ss AP";
    QTest::newRow("am/pm") << QVariant(2) << "h:mm:ss ap";
    QTest::newRow("out of range") << QVariant(7) << "h:mm:ss ap";
    QTest::newRow("text 1") << QVariant(QStringLiteral("1")) << "h:mm:ss AP";
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

void TestAppSettings::localeFromStore()
{
    AppSettings* s = AppSettings::Instance();
    s->settings->setValue(QStringLiteral("locale_lang_index"), int(QLocale::German));
    s->LoadLocale();
    QCOMPARE(s->locale->language(), QLocale::German);
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
    QVERIFY(s->HasPermission(0));
    QVERIFY(s->HasPermission(17));
    QVERIFY(!s->HasPermission(1));
    QVERIFY(!s->HasPermission(16));
    s->SetPermittedModules({3});
    QVERIFY(!s->HasPermission(0));
    QVERIFY(s->HasPermission(3));
}

void TestAppSettings::constants()
{
    QCOMPARE(GetApplicationVersion(), QStringLiteral("29.7.0"));
    QCOMPARE(PASSWORD_SALT.size(), 24);
    QCOMPARE(CURRENCY_SYMBOL, QStringLiteral("CURRENCY_SYMBOL"));
    QCOMPARE(ACTIVE_SALES_DB, QStringLiteral("ACTIVE_SALES_DB"));
    QCOMPARE(SMALL_RECEIPT, QStringLiteral("SMALL_RECEIPT"));
}

VORANTEL_TEST_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
