#include "cpos.h"
#include "messagesettings.h"
#include "posfixture.h"
#include "ptypair.h"
#include "qposdialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

// The sale screen's customer display on a pseudo-terminal pair: what each command set shows at
// start-up, for an item and for a payment, and a port that does not open.
class TestCPOSDisplay : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void saleOnTheDisplay_data();
    void saleOnTheDisplay();
    void unopenablePortSwitchesDisplayOff_data();
    void unopenablePortSwitchesDisplayOff();

private:
    QString inventoryDb;
    QString salesDb;
    ModalAnswerer* answerer = nullptr;
};

namespace {

// Lines 1 and 2 of each command set.
QByteArray Lines(int set, const QByteArray& one, const QByteArray& two)
{
    switch (set) {
    case 0: return "\x1F\x14\x11" + one + "\r\n" + two;
    case 1: return "\x0C\x0B\x1F\x43\x30\x30" + one + "\x0B\x0A\x18" + two;
    case 2: return "!#1" + one + "\r!#2" + two + "\r";
    default: return one + "\r\n" + two;
    }
}

struct Screen : PosFixture::Host
{
    Screen() : Host(false) {}
};

} // namespace

void TestCPOSDisplay::initTestCase()
{
    REQUIRE_TEST_SERVER();
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("pos_pole_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("pos_pole_sales"));
    QCOMPARE(PosFixture::OpenDatabases(inventoryDb, salesDb), QString());
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("P23"), {{"SALE_PRICE", 23}}), QString());
    answerer = new ModalAnswerer(this);
}

void TestCPOSDisplay::init()
{
    PosFixture::ResetSettings({{"enable_pole_display", true}});
    PosFixture::SilenceAndLogIn({"err_msg_13"});
    answerer->clear();
}

void TestCPOSDisplay::cleanup()
{
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
}

void TestCPOSDisplay::cleanupTestCase()
{
    PosFixture::DropDatabases(inventoryDb, salesDb);
}

void TestCPOSDisplay::saleOnTheDisplay_data()
{
    QTest::addColumn<int>("commandSet");
    QTest::addColumn<QByteArray>("startUp");
    QTest::newRow("LCI") << 0 << QByteArray("\x1F\x14\x11\x1F\x14\x05WELCOME");
    QTest::newRow("Epson") << 1 << QByteArray("\x0C\x0B\x1F\x43\x30\x30\x0C\x0B\x1F\x43\x30\x30\x1F\x03WELCOME");
    QTest::newRow("Emax") << 2 << QByteArray("\r\r!#1 \r\n\n!#4WELCOME\r");
    QTest::newRow("IEE") << 3 << QByteArray("\x14\x0C\x0E\x14\x0C\x0EWELCOME");
}

void TestCPOSDisplay::saleOnTheDisplay()
{
    QFETCH(int, commandSet);
    QFETCH(QByteArray, startUp);
    PtyPair pty;
    QVERIFY(pty.start());
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("pole_port"), pty.displayEnd());
    store->setValue(QStringLiteral("pole_command_set"), commandSet);

    Screen s;
    // The start-up's clear and welcome come first: nothing reached the port before it opened.
    QTRY_VERIFY2(pty.received().startsWith(startUp), pty.received().toHex().constData());
    QVERIFY(s.screen->poleDisplay);
    pty.forget();

    Child<QLineEdit>(s.screen, "lineBarcodeScannerInput")->setText(QStringLiteral("P23"));
    s.screen->on_lineBarcodeScannerInput_returnPressed();
    const QByteArray priceAndTotal = Lines(commandSet, "Price:         23.00", "Total:         23.00");
    QTRY_VERIFY2(pty.received().endsWith(priceAndTotal), pty.received().toHex().constData());
    pty.forget();

    Child<QLineEdit>(s.screen, "lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    const QByteArray paidAndDue = Lines(commandSet, "Paid:          23.00", "Due:            0.00");
    QTRY_COMPARE(pty.received(), paidAndDue);
}

void TestCPOSDisplay::unopenablePortSwitchesDisplayOff_data()
{
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("commandSet");
    QTest::addColumn<int>("messages");
    QTest::newRow("no port chosen") << "NONE" << 0 << 1;
    QTest::newRow("absent device") << "/dev/vorantel-no-such-port" << 2 << 1;
    QTest::newRow("unknown command set") << "NONE" << 7 << 0;
}

void TestCPOSDisplay::unopenablePortSwitchesDisplayOff()
{
    QFETCH(QString, port);
    QFETCH(int, commandSet);
    QFETCH(int, messages);
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("pole_port"), port);
    store->setValue(QStringLiteral("pole_command_set"), commandSet);
    if (messages)
        answerer->pressButton(QMessageBox::Ok);
    Screen s;
    QTRY_VERIFY(!s.screen->poleDisplayEnabled);
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages(),
             messages ? QStringList{"Test|Error occurred while opening serial port. Please check all parameters and try "
                                    "again."}
                      : QStringList());
    QVERIFY(!s.screen->poleDisplay);
    // The screen goes on without it.
    Child<QLineEdit>(s.screen, "lineBarcodeScannerInput")->setText(QStringLiteral("P23"));
    s.screen->on_lineBarcodeScannerInput_returnPressed();
    Child<QLineEdit>(s.screen, "lineEditPaid")->setText(QStringLiteral("23.00"));
    QCOMPARE(s.screen->on_pushButtonPay_clicked(), 0);
    QCOMPARE(Child<QLabel>(s.screen, "labelStatus")->text(), QStringLiteral("Paid successfully and saved."));
    QCOMPARE(answerer->seen.size(), messages);
}

VORANTEL_TEST_MAIN(TestCPOSDisplay)
#include "tst_cposdisplay.moc"
