#include "appsettings.h"
#include "testsupport.h"

#include <QSettings>

class TestAppSettingsDatabase : public QObject
{
    Q_OBJECT

private slots:
    void sqlDateColumn_data();
    void sqlDateColumn();
    void dateFormatFollowsLoader();
};

void TestAppSettingsDatabase::sqlDateColumn_data()
{
    QTest::addColumn<QString>("stored"); // "(none)": no DATE_FORMAT key
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("alias");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no key") << "(none)" << "DATED" << "Date" << " DATE_FORMAT(DATED,'%Y-%m-%d') as 'Date'";
    QTest::newRow("year first") << "YYYY/MM/DD" << "DATED" << "Date" << " DATE_FORMAT(DATED,'%Y-%m-%d') as 'Date'";
    QTest::newRow("month first") << "MM/DD/YYYY" << "t.TIME_STAMP" << "Sold"
                                 << " DATE_FORMAT(t.TIME_STAMP,'%m-%d-%Y') as 'Sold'";
    QTest::newRow("day first") << "DD/MM/YYYY" << "SENT_DATE" << "Sent Date"
                               << " DATE_FORMAT(SENT_DATE,'%d-%m-%Y') as 'Sent Date'";
    // Never written by the settings pages; a usable format rather than a broken statement.
    QTest::newRow("unknown value") << "D.M.Y" << "DATED" << "Date" << " DATE_FORMAT(DATED,'%Y-%m-%d') as 'Date'";
}

void TestAppSettingsDatabase::sqlDateColumn()
{
    QFETCH(QString, stored);
    QFETCH(QString, column);
    QFETCH(QString, alias);
    QFETCH(QString, expected);
    AppSettings* s = AppSettings::Instance();
    if (stored == QLatin1String("(none)"))
        s->settings->remove(QStringLiteral("DATE_FORMAT"));
    else
        s->settings->setValue(QStringLiteral("DATE_FORMAT"), stored);
    // Read at every call, without a reload of the formats.
    QCOMPARE(s->SqlDateColumn(column, alias), expected);
}

void TestAppSettingsDatabase::dateFormatFollowsLoader()
{
    AppSettings* s = AppSettings::Instance();
    s->settings->setValue(QStringLiteral("DATE_FORMAT"), QStringLiteral("DD/MM/YYYY"));
    QCOMPARE(s->DateFormat(), QStringLiteral("yyyy-MM-dd")); // read once at start
    s->LoadDateFormat();
    QCOMPARE(s->DateFormat(), QStringLiteral("dd-MM-yyyy"));
}

VORANTEL_TEST_MAIN(TestAppSettingsDatabase)
#include "tst_appsettings_database.moc"
