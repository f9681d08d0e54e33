#include "addeditpoitemdialog.h"
#include "addeditpurchaseorder.h"
#include "purchasemanagement.h"
#include "databasemanager.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "purchaseitemsmodel.h"
#include "purchasetest.h"
#include "testdatabase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSemaphore>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QSqlQueryModel>
#include <QThread>

namespace {

// Sells from one stock row on a connection of its own: it takes the row's lock with its sale and commits only
// once another transaction waits for that lock, so the receipt runs exactly while the sale is in progress.
class Seller : public QThread
{
public:
    Seller(TestDatabase::Server server, QString database, QString code)
        : server(std::move(server)), database(std::move(database)), code(std::move(code))
    {
    }
    QSemaphore locked;
    QString error;
    bool sawWaiter = false;

protected:
    void run() override
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), QStringLiteral("seller"));
            db.setHostName(server.host);
            db.setPort(server.port);
            db.setUserName(server.user);
            db.setPassword(server.password);
            db.setDatabaseName(database);
            if (!db.open()) {
                error = db.lastError().text();
                locked.release();
            } else {
                Sell(db);
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("seller"));
    }

private:
    void Sell(QSqlDatabase& db)
    {
        QSqlQuery query(db);
        QSqlQuery sale(db);
        sale.prepare(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - 2 WHERE BAR_CODE = ?"));
        sale.addBindValue(code);
        if (!query.exec(QStringLiteral("START TRANSACTION")) || !sale.exec()) {
            error = query.lastError().text() + sale.lastError().text();
            locked.release();
            return;
        }
        locked.release();
        QSqlQuery waiters(db);
        for (int i = 0; i < 200 && !sawWaiter; ++i) {
            if (!waiters.exec(QStringLiteral("SELECT COUNT(*) FROM information_schema.PROCESSLIST WHERE ID <> CONNECTION_ID() AND INFO LIKE '%tblInventory%'")))
                error = waiters.lastError().text();
            sawWaiter = waiters.next() && waiters.value(0).toInt() > 0;
            if (!sawWaiter)
                QThread::msleep(50);
        }
        if (!query.exec(QStringLiteral("COMMIT")))
            error = query.lastError().text();
    }

    TestDatabase::Server server;
    QString database;
    QString code;
};

} // namespace

// Receiving order lines into stock on a real inventory database: new stock rows with their codes, existing
// rows raised by each delivery, the receipt without stock, and what a failure leaves behind.
class TestReceiving : public PurchaseTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void newThenExistingStock();
    void automaticCodeSkipsTakenNumbers();
    void typedCodeIsChecked_data();
    void typedCodeIsChecked();
    void failedStockWriteKeepsTheLine();
    void concurrentSaleIsNotLost();
    void existingStockFillsTheLine();
    void editorOpensReceiveMode();
    void countsBeyondTheColumnsAreRefused_data();
    void countsBeyondTheColumnsAreRefused();
    void salePriceWithTaxAsks_data();
    void salePriceWithTaxAsks();

private:
    // An order of vendor ACME with one line of 10 × C01; returns the order id.
    QString addOrder(const QString& stockId = QStringLiteral("-1")) const
    {
        run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, "
                           "PAYMENT_STATUS) SELECT ID, 1, 100, 0, 100, 0, 0 FROM tblVendors WHERE NAME = 'ACME'"));
        run(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, "
                           "SALE_PRICE, BATCH_NUMBER, STOCK_ID) SELECT MAX(o.ID), MAX(p.ID), 10, 10, 100, 14, 'B1', ? "
                           "FROM tblPOrders o, tblProducts p"),
            {stockId});
        return rows(QStringLiteral("SELECT MAX(ID) FROM tblPOrders")).value(0);
    }
    QString vendorId() const { return rows(QStringLiteral("SELECT ID FROM tblVendors WHERE NAME = 'ACME'")).value(0); }
    // Sets the dialog up on the order's line as the editor's Receive Stock does.
    void openForReceiving(AddEditPOItemDialog& dialog, const QString& orderId) const
    {
        dialog.SetEditMode(firstLine(orderId));
        dialog.SetReceiveMode();
        dialog.vendorId = vendorId();
    }
    QString received() const { return rows(QStringLiteral("SELECT RECEIVED_QUANTITY FROM tblPODetails")).value(0); }
    // Receives qty with the answer given to the stock question; returns the status line.
    QString receive(AddEditPOItemDialog& dialog, const QString& qty, QMessageBox::StandardButton answer)
    {
        Child<QLineEdit>(&dialog, "lineRSReceivedQty")->setText(qty);
        answerer->pressButton(answer);
        Child<QPushButton>(&dialog, "pushUpdateStock")->click();
        return statusText(&dialog);
    }
};

void TestReceiving::initTestCase()
{
    PurchaseTest::initTestCase();
    (*MessageSettings::Instance())[QStringLiteral("err_msg_40")].show = false;
}

void TestReceiving::init()
{
    PurchaseTest::init();
    QCOMPARE(addTaxedProduct(QStringLiteral("C01"), QStringLiteral("Cable"), 0), QString());
    QCOMPARE(addVendor(QStringLiteral("ACME")), QString());
}

void TestReceiving::newThenExistingStock()
{
    const QString id = addOrder();
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    QVERIFY(Child<QCheckBox>(&dialog, "checkAutoGenerateNewStockCode")->isChecked());

    QCOMPARE(receive(dialog, QStringLiteral("3"), QMessageBox::Yes), QStringLiteral("Stock updated successfully."));
    const QStringList stock = rows(QStringLiteral("SELECT ID, BAR_CODE, QUANTITY, VENDOR_ID FROM tblInventory"));
    QCOMPARE(stock.size(), 1);
    const QStringList row = stock.first().split(QLatin1Char('|'));
    QCOMPARE(row.at(1), row.at(0)); // the automatic code is the row's ID
    QCOMPARE(row.at(2), QStringLiteral("3"));
    QCOMPARE(row.at(3), vendorId());
    QCOMPARE(received(), QStringLiteral("3"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineRSTotalReceived")->text(), QStringLiteral("3"));
    QCOMPARE(Child<QComboBox>(&dialog, "comboSelectStock")->currentText(), row.at(0));

    // The next delivery goes onto the row just made.
    Child<QCheckBox>(&dialog, "checkAddToExistingStock")->setChecked(true);
    QCOMPARE(Child<QComboBox>(&dialog, "comboSelectStock")->currentText(), row.at(0));
    QCOMPARE(receive(dialog, QStringLiteral("5"), QMessageBox::Yes), QStringLiteral("Stock updated successfully."));
    QCOMPARE(quantity(row.at(0)), QStringLiteral("8"));
    QCOMPARE(received(), QStringLiteral("8"));
    QCOMPARE(rows(QStringLiteral("SELECT STOCK_ID FROM tblPODetails")), QStringList{row.at(0)});

    // No records the delivery on the line and leaves the stock alone. While Update Stock asks, the line shows
    // neither the success before nor its colour.
    QTRY_VERIFY(statusStyle(&dialog).contains(QStringLiteral("green")));
    QString whileAsked = QStringLiteral("not asked");
    answerer->handleClass<QMessageBox>("QMessageBox", [&](QMessageBox* box) {
        whileAsked = statusText(&dialog) + statusStyle(&dialog);
        box->button(QMessageBox::No)->click();
    });
    Child<QLineEdit>(&dialog, "lineRSReceivedQty")->setText(QStringLiteral("2"));
    Child<QPushButton>(&dialog, "pushUpdateStock")->click();
    QCOMPARE(whileAsked, QString());
    QCOMPARE(received(), QStringLiteral("10"));
    QCOMPARE(quantity(row.at(0)), QStringLiteral("8"));
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblInventory")), QStringList{"1"});
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestReceiving::automaticCodeSkipsTakenNumbers()
{
    QCOMPARE(addStock(QStringLiteral("C01"), QStringLiteral("FIRST"), 1), QString());
    // A leftover of an interrupted receipt of an older version holds received goods: it stays.
    QCOMPARE(addStock(QStringLiteral("C01"), QStringLiteral("AAAAAAAAAAAAAAAAAAAA"), 4), QString());

    const QString id = addOrder();
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    QCOMPARE(receive(dialog, QStringLiteral("3"), QMessageBox::Yes), QStringLiteral("Stock updated successfully."));
    const QStringList made = rows(QStringLiteral("SELECT ID, BAR_CODE FROM tblInventory WHERE QUANTITY = 3"));
    QCOMPARE(made.size(), 1);
    const int madeId = made.first().section(QLatin1Char('|'), 0, 0).toInt();
    QCOMPARE(made.first().section(QLatin1Char('|'), 1), QString::number(madeId));
    QCOMPARE(quantity(QStringLiteral("AAAAAAAAAAAAAAAAAAAA")), QStringLiteral("4"));

    // Now the next ID's number is taken by a code: the receipt moves on to the next free number.
    const int nextId = madeId + 1;
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET BAR_CODE = ? WHERE BAR_CODE = 'FIRST'"),
                 {QString::number(nextId)}),
             QString());
    QCOMPARE(receive(dialog, QStringLiteral("6"), QMessageBox::Yes), QStringLiteral("Stock updated successfully."));
    QCOMPARE(rows(QStringLiteral("SELECT ID, BAR_CODE FROM tblInventory WHERE QUANTITY = 6")),
             QStringList{QStringLiteral("%1|%2").arg(nextId).arg(nextId + 1)});
}

void TestReceiving::typedCodeIsChecked_data()
{
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("taken") << "S1" << "Error: stock code S1 already exists. Please choose some other.";
    QTest::newRow("taken in other letter case") << "s1" << "Error: stock code s1 already exists. Please choose some other.";
    QTest::newRow("blank") << "   " << "Enter valid alpha numeric stock code";
    QTest::newRow("51 characters") << QString(51, QLatin1Char('7')) << "Enter valid alpha numeric stock code";
    QTest::newRow("quote kept as text") << "X' OR '1'='1" << "Stock updated successfully.";
}

void TestReceiving::typedCodeIsChecked()
{
    QFETCH(QString, code);
    QFETCH(QString, message);
    QCOMPARE(addStock(QStringLiteral("C01"), QStringLiteral("S1"), 1), QString());
    const QString id = addOrder();
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    Child<QCheckBox>(&dialog, "checkAutoGenerateNewStockCode")->setChecked(false);
    Child<QLineEdit>(&dialog, "lineRSNewStockCode")->setText(code);
    const bool accepted = message == QLatin1String("Stock updated successfully.");
    Child<QLineEdit>(&dialog, "lineRSReceivedQty")->setText(QStringLiteral("4"));
    if (accepted)
        answerer->pressButton(QMessageBox::Yes);
    Child<QPushButton>(&dialog, "pushUpdateStock")->click();
    QCOMPARE(statusText(&dialog), message);
    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(received(), accepted ? QStringLiteral("4") : QStringLiteral("0"));
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblInventory")), QStringList{accepted ? "2" : "1"});
    if (accepted)
        QCOMPARE(quantity(code), QStringLiteral("4"));
}

void TestReceiving::failedStockWriteKeepsTheLine()
{
    QCOMPARE(failOn(QStringLiteral("INSERT"), QStringLiteral("tblInventory"), QStringLiteral("stock is locked")),
             QString());
    const QString id = addOrder();
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    const QString status = receive(dialog, QStringLiteral("3"), QMessageBox::Yes);
    QVERIFY2(status.startsWith(QStringLiteral("Error occurred while updating the stock.")), qPrintable(status));
    QVERIFY(status.contains(QStringLiteral("stock is locked")));
    QTRY_VERIFY(statusStyle(&dialog).contains(QStringLiteral("red")));
    // Nothing of the receipt was kept: the user can simply try again.
    QCOMPARE(received(), QStringLiteral("0"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineRSTotalReceived")->text(), QStringLiteral("0"));
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblInventory")), QStringList{"0"});
}

void TestReceiving::concurrentSaleIsNotLost()
{
    QCOMPARE(addStock(QStringLiteral("C01"), QStringLiteral("S1"), 8), QString());
    const QString id = addOrder(QStringLiteral("S1"));
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    QCOMPARE(Child<QComboBox>(&dialog, "comboSelectStock")->currentText(), QStringLiteral("S1"));

    Seller seller(TestDatabase::server(), fixture.name(), QStringLiteral("S1"));
    seller.start();
    seller.locked.acquire();
    QVERIFY2(seller.error.isEmpty(), qPrintable(seller.error));
    QCOMPARE(receive(dialog, QStringLiteral("5"), QMessageBox::Yes), QStringLiteral("Stock updated successfully."));
    QVERIFY(seller.wait(20000));
    QVERIFY2(seller.error.isEmpty(), qPrintable(seller.error));
    QCOMPARE(quantity(QStringLiteral("S1")), QStringLiteral("11"));
    QVERIFY(seller.sawWaiter);
    QCOMPARE(received(), QStringLiteral("5"));
}

void TestReceiving::existingStockFillsTheLine()
{
    QCOMPARE(addStock(QStringLiteral("C01"), QStringLiteral("S1"), 10, 1234567.89, QStringLiteral("Shelf 9")), QString());
    const QString id = addOrder(QStringLiteral("S1"));
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    QCOMPARE(AppSettings::Instance()->locale->toDouble(Child<QLineEdit>(&dialog, "lineSalePrice")->text()), 1234567.89);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineStorage")->text(), QStringLiteral("Shelf 9"));
    QCOMPARE(receive(dialog, QStringLiteral("3"), QMessageBox::Yes), QStringLiteral("Stock updated successfully."));
    QCOMPARE(quantity(QStringLiteral("S1")), QStringLiteral("13"));
    QCOMPARE(rows(QStringLiteral("SELECT SALE_PRICE, BATCH_NUMBER, STORAGE_LOCATION, STOCK_ID, STOCK_CODE FROM tblPODetails")),
             QStringList{"1234567.89|BATCH-7|Shelf 9|S1|"});
    // The stock row itself changed only in quantity.
    QCOMPARE(rows(QStringLiteral("SELECT SALE_PRICE, STORAGE_LOCATION, VENDOR_ID FROM tblInventory")),
             QStringList{QStringLiteral("1234567.89|Shelf 9|") + rows(QStringLiteral("SELECT ID FROM tblVendors WHERE NAME = 'NONE'")).value(0)});
}

void TestReceiving::editorOpensReceiveMode()
{
    addOrder();
    PurchaseManagement page(nullptr);
    QSqlRecord row = listRow(page);
    AddEditPurchaseOrder editor(nullptr, &row);
    auto* receiveButton = Child<QPushButton>(&editor, "pushReceiveStock");
    QVERIFY(receiveButton->isEnabled());
    answerer->pressButton(QMessageBox::Ok);
    receiveButton->click();
    QCOMPARE(answerer->messages(),
             QStringList{"Receive Stock|No item selected. Please select a row or item from the table."});

    QString title;
    answerer->handleClass<AddEditPOItemDialog>("AddEditPOItemDialog", [&](AddEditPOItemDialog* dialog) {
        title = dialog->windowTitle();
        receive(*dialog, QStringLiteral("4"), QMessageBox::Yes);
        dialog->reject();
    });
    auto* table = Child<QTableView>(&editor, "tableView");
    table->setCurrentIndex(table->model()->index(0, 2));
    receiveButton->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(title, QStringLiteral("Receive and Update Stock"));
    // The new stock row belongs to the order's vendor, and the grid shows the received total.
    QCOMPARE(rows(QStringLiteral("SELECT QUANTITY, VENDOR_ID FROM tblInventory")), QStringList{"4|" + vendorId()});
    QCOMPARE(table->model()->index(0, PurchaseItemsModel::RECEIVED_QUANTITY).data().toString(), QStringLiteral("4"));
    QVERIFY(editor.IsModified());
}

void TestReceiving::countsBeyondTheColumnsAreRefused_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("status"); // start of the message, %1 the count that does not fit

    QTest::newRow("existing stock")
        << true << "Error occurred while updating the stock. The Quantity of stock S1 would become %1,";
    QTest::newRow("total received") << false << "Error: Total Received would become %1,";
}

void TestReceiving::countsBeyondTheColumnsAreRefused()
{
    QFETCH(bool, existing);
    QFETCH(QString, status);
    QCOMPARE(addStock(QStringLiteral("C01"), QStringLiteral("S1"), existing ? 2147483000 : 1), QString());
    const QString id = addOrder(existing ? QStringLiteral("S1") : QStringLiteral("-1"));
    if (!existing)
        QCOMPARE(run(QStringLiteral("UPDATE tblPODetails SET RECEIVED_QUANTITY = 2147483000")), QString());
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    const QStringList before = rows(QStringLiteral("SELECT BAR_CODE, QUANTITY FROM tblInventory"));
    const QString receivedBefore = received();

    Child<QLineEdit>(&dialog, "lineRSReceivedQty")->setText(QStringLiteral("1000"));
    if (existing)
        answerer->pressButton(QMessageBox::Yes);
    Child<QPushButton>(&dialog, "pushUpdateStock")->click();
    const QString message = statusText(&dialog);
    QVERIFY2(message.startsWith(status.arg(AppSettings::Instance()->locale->toString(Q_INT64_C(2147484000)))),
             qPrintable(message));
    QCOMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(rows(QStringLiteral("SELECT BAR_CODE, QUANTITY FROM tblInventory")), before);
    QCOMPARE(received(), receivedBefore);
}

void TestReceiving::salePriceWithTaxAsks_data()
{
    QTest::addColumn<QString>("mode");  // tax_rounding_off, at 20 % and 2 places
    QTest::addColumn<QString>("typed"); // sale price with tax
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QString>("stored"); // SALE_PRICE|QUANTITY of the new stock row; empty: none

    const QString question = QStringLiteral("Stock Update|Stock will be adjusted according to details provided. Do you "
                                            "want to proceed");
    // No net price sells at 0.97 when rounding up: 0.80 sells at 0.96, 0.81 at 0.98.
    QTest::newRow("No saves nothing") << "round_up" << "0.97" << false << QStringList{"Receive Stock|Sells at 0.98"}
                                      << "";
    QTest::newRow("Yes goes on to the stock")
        << "round_up" << "0.97" << true << QStringList{"Receive Stock|Sells at 0.98", question} << "0.81|3";
    QTest::newRow("a price the till keeps is not asked") << "round_up" << "1.20" << true << QStringList{question}
                                                         << "1|3";
    QTest::newRow("0.99 rounding up is 0.82, not asked") << "round_up" << "0.99" << true << QStringList{question}
                                                         << "0.82|3";
    QTest::newRow("1.00 rounding down is 0.84, not asked") << "round_down" << "1.00" << true
                                                           << QStringList{question} << "0.84|3";
}

void TestReceiving::salePriceWithTaxAsks()
{
    QFETCH(QString, mode);
    QFETCH(QString, typed);
    QFETCH(bool, yes);
    QFETCH(QStringList, messages);
    QFETCH(QString, stored);
    AppSettings::Instance()->settings->setValue(QStringLiteral("tax_rounding_off"), mode);
    QCOMPARE(run(QStringLiteral("UPDATE tblProducts SET TAX_RATE = 20")), QString());
    const QString id = addOrder();
    AddEditPOItemDialog dialog(nullptr, id, true);
    openForReceiving(dialog, id);
    QVERIFY(Child<QRadioButton>(&dialog, "radioSalePriceWithTax")->isChecked());
    Child<QLineEdit>(&dialog, "lineEditSalePriceWithTax")->setText(typed);

    Child<QLineEdit>(&dialog, "lineRSReceivedQty")->setText(QStringLiteral("3"));
    answerer->pressButton(yes ? QMessageBox::Yes : QMessageBox::No);
    if (messages.size() > 1)
        answerer->pressButton(QMessageBox::Yes);
    Child<QPushButton>(&dialog, "pushUpdateStock")->click();
    QCOMPARE(answerer->messages(), messages);
    QCOMPARE(rows(QStringLiteral("SELECT SALE_PRICE, QUANTITY FROM tblInventory")),
             stored.isEmpty() ? QStringList() : QStringList{stored});
    QCOMPARE(received(), stored.isEmpty() ? QStringLiteral("0") : QStringLiteral("3"));
}

VORANTEL_TEST_MAIN(TestReceiving)
#include "tst_receiving.moc"
