#include "cpos.h"
#include "posfixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>

#include <atomic>
#include <chrono>
#include <thread>

// The database server killed outright while a till pays, and started again: the sale is either
// paid as shown or still payable, never written in part, and the till pays once the server is back.
class TestPosPayKill : public PosFixture::PrivateServerTest
{
    Q_OBJECT

public:
    TestPosPayKill() : PrivateServerTest(QStringLiteral("paykill")) {}

private slots:
    void payingSurvivesServerKill();
};

void TestPosPayKill::payingSurvivesServerKill()
{
    QCOMPARE(PosFixture::AddStock(inventoryDb, QStringLiteral("K1"), {{"SALE_PRICE", 23}}), QString());
    QSqlDatabase::removeDatabase(QStringLiteral("pos_stock_writer"));

    const PosFixture::Screen s(false);
    CPOS* screen = s.screen;
    auto* scanner = screen->findChild<QLineEdit*>(QStringLiteral("lineBarcodeScannerInput"));
    auto* paid = screen->findChild<QLineEdit*>(QStringLiteral("lineEditPaid"));
    auto* status = screen->findChild<QLabel*>(QStringLiteral("labelStatus"));
    scanner->setText(QStringLiteral("K1"));
    screen->on_lineBarcodeScannerInput_returnPressed();
    QCOMPARE(status->text(), QString());
    const QString sale = screen->transactionId;

    // Each pay writes other amounts (all at or above the total: no question), so every one is a change.
    int pays = 0;
    const auto pay = [&] {
        paid->setText(QString::number(23 + pays % 50) + QStringLiteral(".00"));
        ++pays;
        return screen->on_pushButtonPay_clicked();
    };
    QCOMPARE(pay(), 0);

    std::atomic<bool> killed{false};
    bool gone = false;
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        gone = server.kill();
        killed = true;
    });
    int failures = 0;
    for (int i = 0; i < 20000 && (!killed || failures < 3); ++i)
        if (pay() != 0)
            ++failures;
    killer.join();
    QVERIFY(gone);
    QVERIFY(failures >= 3);
    QCOMPARE(status->text(), QStringLiteral("Error occurred while logging payment information"));
    QVERIFY(screen->changedSinceSave);
    QCOMPARE(screen->saleState, 1);

    // Until it is started again its port stays this program's: no other server takes it (a bind with address
    // reuse, as a server's), none is handed it, and a connection is refused as by a stopped server.
    const quint16 port = quint16(server.port());
    QTcpServer other;
    QVERIFY2(!other.listen(QHostAddress::LocalHost, port), "another server took the port");
    QProcess chooser;
    chooser.start(QStringLiteral(VORANTEL_SCRIPTS_DIR "/server-port.py"), {QStringLiteral("-")});
    chooser.write(QByteArray::number(port));
    chooser.closeWriteChannel();
    QVERIFY(chooser.waitForFinished(-1));
    QVERIFY(chooser.readAllStandardOutput().trimmed().toInt() != port);
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, port);
    QVERIFY(!client.waitForConnected(-1));
    QCOMPARE(client.error(), QAbstractSocket::ConnectionRefusedError);

    const QString error = server.start();
    QVERIFY2(error.isEmpty(), qPrintable(error));
    // Back on that port, where the rows below are read.
    QCOMPARE(server.port(), int(port));
    // Whatever the last pay before the kill did, the row is whole: a payment as written, consistent.
    const QStringList before = rows(salesDb, QStringLiteral("SELECT STATUS, GRAND_TOTAL, PAID + AMOUNT_DUE, "
                                                            "USER_ID, SHIP_VIA FROM tblSalesTransactions WHERE ID = ")
                                                 + sale);
    QCOMPARE(before, QStringList{"2|23|23|clerk| "});

    // The manager retries a lost connection every two seconds; the till pays once it is back.
    QTRY_VERIFY_WITH_TIMEOUT(pay() == 0, 20000);
    const QString shown = paid->text();
    QCOMPARE(status->text(), QStringLiteral("Paid successfully and saved."));
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT STATUS, PAID, AMOUNT_DUE FROM tblSalesTransactions WHERE ID = ") + sale),
             QStringList{QStringLiteral("2|%1|%2").arg(shown.toDouble()).arg(23 - shown.toDouble())});
    QCOMPARE(rows(salesDb, QStringLiteral("SELECT COUNT(*) FROM tblSalesTransactions")), QStringList{"1"});
    qInfo("%d pays, %d failed while the server was down", pays, failures);
}

VORANTEL_TEST_MAIN(TestPosPayKill)
#include "tst_pospaykill.moc"
