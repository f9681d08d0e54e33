#include "appsettings.h"
#include "databasemanager.h"
#include "inventorymanagement.h"
#include "modalanswerer.h"
#include "movestock.h"
#include "stockfixture.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QThread>
#include <QTableView>
#include <QtTest>

namespace {
const QString SAME_PRODUCT_SOURCE = QStringLiteral("S1");

QString Moved(int quantity)
{
    return QStringLiteral("Move Stock|%1 Stock items moved successfully to destination stock.").arg(quantity);
}
} // namespace

class TestMoveStock : public StockTest
{
    Q_OBJECT

private slots:
    void init();

    void movesIntoExistingStockTwice();
    void refusesQuantity_data();
    void refusesQuantity();
    void refusesDestinationBeyondStockColumn();
    void concurrentSalesLoseNothing();
    void salesOnAnotherThreadDuringMovesLoseNothing();
    void guardRefusesWhenSoldMeanwhile_data();
    void guardRefusesWhenSoldMeanwhile();
    void failedDestinationUndoesTheSource_data();
    void failedDestinationUndoesTheSource();
    void refusesDestination_data();
    void refusesDestination();
    void newStockCopiesTheSource_data();
    void newStockCopiesTheSource();
    void newStockStepsPastUsedCode();
    void newStockRefusesUsedTypedCode();
    void pickerReturnsStockCodeToAnotherCaller();

private:
    // A dialog on the source row as the inventory page hands it over.
    void open(MoveStock& dialog, const QString& stockCode);
    void pickStock(const QString& code);
    void move(MoveStock& dialog, const QString& quantity);
};

void TestMoveStock::init()
{
    StockTest::init();
    AppSettings::Instance()->settings->remove(QStringLiteral("DATE_FORMAT"));
    AppSettings::Instance()->LoadDateFormat();
    QString error = addProduct(QStringLiteral("P1"), QStringLiteral("Milk"));
    error += addProduct(QStringLiteral("P2"), QStringLiteral("Bread"));
    error += addStock(QStringLiteral("P1"), SAME_PRODUCT_SOURCE, 10, 1.25, QStringLiteral("Shelf A"));
    error += addStock(QStringLiteral("P1"), QStringLiteral("D1"), 6, 1.25, QStringLiteral("Cellar"));
    error += addStock(QStringLiteral("P2"), QStringLiteral("X1"), 4);
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void TestMoveStock::open(MoveStock& dialog, const QString& stockCode)
{
    InventoryManagement page(nullptr, false);
    QSqlQuery query(*DatabaseManager::Instance()->InventoryDatabase());
    QVERIFY(query.exec(page.CurrentQuery() + QStringLiteral(" AND i.BAR_CODE = '%1'").arg(stockCode)));
    QVERIFY(query.next());
    dialog.SetSourceStock(query.record());
}

void TestMoveStock::pickStock(const QString& code)
{
    answerer->handle([code](QWidget* modal) {
        auto* page = modal->findChild<InventoryManagement*>();
        if (!page)
            return false;
        if (code.isEmpty()) {
            Child<QPushButton>(page, "pushClose")->click();
            return true;
        }
        if (!SelectRow(Child<QTableView>(page, "tableViewItems"), 3, code))
            return false;
        Child<QPushButton>(page, "pushSelect")->click();
        return true;
    });
}

void TestMoveStock::move(MoveStock& dialog, const QString& quantity)
{
    Child<QLineEdit>(&dialog, "lineDestinationQuantity")->setText(quantity);
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushMove")->click();
}

void TestMoveStock::movesIntoExistingStockTwice()
{
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    QVERIFY(Child<QCheckBox>(&dialog, "checkMoveToExistingStock")->isChecked());
    pickStock(QStringLiteral("D1"));
    Child<QPushButton>(&dialog, "pushSelectStock")->click();
    QCOMPARE(Child<QLineEdit>(&dialog, "lineDestinationSelectedStock")->text(), QStringLiteral("D1"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineDestinationLocation")->text(), QStringLiteral("Cellar"));

    move(dialog, QStringLiteral("4"));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("10"));
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("6"));
    move(dialog, QStringLiteral("3"));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("13"));
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("3"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineSourceQty")->text(), QStringLiteral("3"));
    move(dialog, QStringLiteral("5"));
    QCOMPARE(answerer->messages(),
             (QStringList{Moved(4), Moved(3),
                          QStringLiteral("Move Stock|Error: Please enter valid quantity value less than or equal to source stock.")}));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("13"));
}

void TestMoveStock::refusesQuantity_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("empty") << QString();
    QTest::newRow("letters") << QStringLiteral("4x");
    QTest::newRow("zero") << QStringLiteral("0");
    QTest::newRow("negative") << QStringLiteral("-3");
}

void TestMoveStock::refusesQuantity()
{
    QFETCH(QString, typed);
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    pickStock(QStringLiteral("D1"));
    Child<QPushButton>(&dialog, "pushSelectStock")->click();
    move(dialog, typed);
    QCOMPARE(answerer->messages(), QStringList{QStringLiteral("Move Stock|Error: Please enter valid quantity value.")});
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("10"));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("6"));
}

void TestMoveStock::refusesDestinationBeyondStockColumn()
{
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET QUANTITY = 2147483640 WHERE BAR_CODE = 'D1'")), QString());
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    pickStock(QStringLiteral("D1"));
    Child<QPushButton>(&dialog, "pushSelectStock")->click();
    move(dialog, QStringLiteral("10"));
    const QLocale& locale = *AppSettings::Instance()->locale;
    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Move Stock|Error: The Quantity of the destination stock would become %1, more "
                                        "than a stock holds (%2). Nothing was moved.")
                             .arg(locale.toString(Q_INT64_C(2147483650)), locale.toString(2147483647))});
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("10"));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("2147483640"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineSourceQty")->text(), QStringLiteral("10"));
}

void TestMoveStock::concurrentSalesLoseNothing()
{
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    pickStock(QStringLiteral("D1"));
    Child<QPushButton>(&dialog, "pushSelectStock")->click();

    // Another terminal sells from both rows after the dialog read them.
    QSqlQuery till(TestDatabase::connect(QStringLiteral("till"), fixture.name()));
    QVERIFY_SQL(till, exec(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - 2 WHERE BAR_CODE = 'S1'")));
    QVERIFY_SQL(till, exec(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - 5 WHERE BAR_CODE = 'D1'")));

    move(dialog, QStringLiteral("7"));
    QCOMPARE(answerer->messages(), QStringList{Moved(7)});
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("1"));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("8"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineSourceQty")->text(), QStringLiteral("1"));

    // The till sells again, then the dialog moves into the same destination without choosing it again.
    QVERIFY_SQL(till, exec(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - 1 WHERE BAR_CODE = 'D1'")));
    move(dialog, QStringLiteral("1"));
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("0"));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("8"));
}

void TestMoveStock::salesOnAnotherThreadDuringMovesLoseNothing()
{
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET QUANTITY = 100 WHERE BAR_CODE = 'S1'")), QString());
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    pickStock(QStringLiteral("D1"));
    Child<QPushButton>(&dialog, "pushSelectStock")->click();

    // A till on a connection of its own sells 60 units, one at a time, while ten moves of 3 run.
    const QString database = fixture.name();
    QAtomicInt sold = 0;
    QThread* till = QThread::create([database, &sold] {
        {
            QSqlDatabase db = TestDatabase::connect(QStringLiteral("till_thread"), database);
            QSqlQuery sale(db);
            for (int i = 0; i < 60; ++i) {
                if (sale.exec(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - 1 WHERE BAR_CODE = 'S1'")))
                    sold.fetchAndAddOrdered(1);
                QThread::msleep(5);
            }
        }
        QSqlDatabase::removeDatabase(QStringLiteral("till_thread"));
    });
    till->start();
    for (int i = 0; i < 10; ++i)
        move(dialog, QStringLiteral("3"));
    QVERIFY(till->wait(60000));
    delete till;
    QCOMPARE(int(sold), 60);
    QCOMPARE(answerer->messages().count(Moved(3)), 10);
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("10"));
    QCOMPARE(quantity(QStringLiteral("D1")), QStringLiteral("36"));
}

void TestMoveStock::guardRefusesWhenSoldMeanwhile_data()
{
    QTest::addColumn<bool>("existing");
    QTest::newRow("into existing stock") << true;
    QTest::newRow("into new stock") << false;
}

void TestMoveStock::guardRefusesWhenSoldMeanwhile()
{
    QFETCH(bool, existing);
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    if (existing) {
        pickStock(QStringLiteral("D1"));
        Child<QPushButton>(&dialog, "pushSelectStock")->click();
    } else {
        Child<QCheckBox>(&dialog, "checkMoveToExistingStock")->setChecked(false);
    }
    QSqlQuery till(TestDatabase::connect(QStringLiteral("till"), fixture.name()));
    QVERIFY_SQL(till, exec(QStringLiteral("UPDATE tblInventory SET QUANTITY = QUANTITY - 8 WHERE BAR_CODE = 'S1'")));

    move(dialog, QStringLiteral("5"));
    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Move Stock|Error: Another terminal has changed the source stock meanwhile. It now "
                                        "holds 2 items, fewer than 5. Nothing was moved.")});
    QCOMPARE(Child<QLineEdit>(&dialog, "lineSourceQty")->text(), QStringLiteral("2"));
    QCOMPARE(rows(QStringLiteral("SELECT BAR_CODE, QUANTITY FROM tblInventory ORDER BY ID")),
             (QStringList{QStringLiteral("S1|2"), QStringLiteral("D1|6"), QStringLiteral("X1|4")}));
}

void TestMoveStock::failedDestinationUndoesTheSource_data()
{
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QString>("trigger");
    QTest::newRow("destination update refused") << true
        << QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON tblInventory FOR EACH ROW BEGIN "
                          "IF NEW.BAR_CODE = 'D1' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'destination held'; "
                          "END IF; END");
    QTest::newRow("new row refused") << false
        << QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON tblInventory FOR EACH ROW "
                          "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'destination held'");
}

void TestMoveStock::failedDestinationUndoesTheSource()
{
    QFETCH(bool, existing);
    QFETCH(QString, trigger);
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    if (existing) {
        pickStock(QStringLiteral("D1"));
        Child<QPushButton>(&dialog, "pushSelectStock")->click();
    } else {
        Child<QCheckBox>(&dialog, "checkMoveToExistingStock")->setChecked(false);
    }
    QCOMPARE(fixture.exec({trigger}), QString());
    move(dialog, QStringLiteral("4"));
    const QStringList messages = answerer->messages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().startsWith(QStringLiteral("Move Stock|Error: The stock could not be moved, nothing was changed."))
                 && messages.first().contains(QStringLiteral("destination held")),
             qPrintable(messages.first()));
    QCOMPARE(rows(QStringLiteral("SELECT BAR_CODE, QUANTITY FROM tblInventory ORDER BY ID")),
             (QStringList{QStringLiteral("S1|10"), QStringLiteral("D1|6"), QStringLiteral("X1|4")}));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineSourceQty")->text(), QStringLiteral("10"));
}

void TestMoveStock::refusesDestination_data()
{
    QTest::addColumn<QString>("picked");
    QTest::addColumn<QString>("message");
    QTest::newRow("the source itself") << QStringLiteral("S1") << QStringLiteral("Move Stock|Error: Source and Destination stocks are same.");
    QTest::newRow("another product") << QStringLiteral("X1")
                                     << QStringLiteral("Move Stock|Error: Destination stock is not of same product type as of source stock.");
    QTest::newRow("nothing chosen") << QString() << QString();
}

void TestMoveStock::refusesDestination()
{
    QFETCH(QString, picked);
    QFETCH(QString, message);
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    pickStock(picked);
    if (!message.isEmpty())
        answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushSelectStock")->click();
    QCOMPARE(Child<QLineEdit>(&dialog, "lineDestinationSelectedStock")->text(), QString());
    move(dialog, QStringLiteral("2"));
    QStringList expected{QStringLiteral("Move Stock|Error: Please select destination stock.")};
    if (!message.isEmpty())
        expected.prepend(message);
    QCOMPARE(answerer->messages(), expected);
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("10"));
}

void TestMoveStock::newStockCopiesTheSource_data()
{
    QTest::addColumn<QString>("dateFormat");
    QTest::addColumn<QString>("expiry");
    QTest::newRow("day-month-year display") << QStringLiteral("DD/MM/YYYY") << QStringLiteral("2017-10-13");
    QTest::newRow("month-day-year display") << QStringLiteral("MM/DD/YYYY") << QStringLiteral("2017-10-13");
    QTest::newRow("no expiry date") << QStringLiteral("DD/MM/YYYY") << QString();
}

void TestMoveStock::newStockCopiesTheSource()
{
    QFETCH(QString, dateFormat);
    QFETCH(QString, expiry);
    AppSettings::Instance()->settings->setValue(QStringLiteral("DATE_FORMAT"), dateFormat);
    AppSettings::Instance()->LoadDateFormat();
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET EXPIRY_DATE = ? WHERE BAR_CODE = 'S1'"),
                 {expiry.isEmpty() ? QVariant(QVariant::Date) : QVariant(expiry)}),
             QString());
    QCOMPARE(run(QStringLiteral("ALTER TABLE tblInventory AUTO_INCREMENT = 57")), QString());
    QCOMPARE(addStock(QStringLiteral("P2"), QStringLiteral("X57"), 1), QString()); // the highest id is now 57

    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    Child<QCheckBox>(&dialog, "checkMoveToExistingStock")->setChecked(false);
    QVERIFY(Child<QCheckBox>(&dialog, "checkAutoGenerate")->isChecked());
    Child<QLineEdit>(&dialog, "lineDestinationLocation")->setText(QStringLiteral("Back room"));
    move(dialog, QStringLiteral("4"));
    QCOMPARE(answerer->messages(),
             QStringList{QStringLiteral("Move Stock|4 Stock items mvoved successfully to destination stock.")});
    const QString columns = QStringLiteral("PRODUCT_ID, VENDOR_ID, BATCH_NUMBER, IFNULL(EXPIRY_DATE, 'none'), PURCHASE_PRICE, "
                                           "SALE_PRICE, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY, SHOW_ON_POS");
    const QStringList source = rows(QStringLiteral("SELECT %1 FROM tblInventory WHERE BAR_CODE = 'S1'").arg(columns));
    QCOMPARE(rows(QStringLiteral("SELECT %1 FROM tblInventory WHERE BAR_CODE = '58'").arg(columns)), source);
    QCOMPARE(rows(QStringLiteral("SELECT IFNULL(EXPIRY_DATE, ''), STORAGE_LOCATION, QUANTITY, SUB_ITEMS FROM tblInventory "
                                 "WHERE BAR_CODE = '58'")),
             QStringList{QStringLiteral("%1|Back room|4|0").arg(expiry)});
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("6"));
}

void TestMoveStock::newStockStepsPastUsedCode()
{
    // The highest id is 3, and a row already carries the code "4".
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET BAR_CODE = '4' WHERE BAR_CODE = 'X1'")), QString());
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    Child<QCheckBox>(&dialog, "checkMoveToExistingStock")->setChecked(false);
    move(dialog, QStringLiteral("2"));
    QCOMPARE(quantity(QStringLiteral("5")), QStringLiteral("2"));
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("8"));
}

void TestMoveStock::newStockRefusesUsedTypedCode()
{
    MoveStock dialog(nullptr);
    open(dialog, SAME_PRODUCT_SOURCE);
    Child<QCheckBox>(&dialog, "checkMoveToExistingStock")->setChecked(false);
    Child<QCheckBox>(&dialog, "checkAutoGenerate")->setChecked(false);
    Child<QLineEdit>(&dialog, "lineDestinationStockCode")->setText(QStringLiteral("N'1"));
    move(dialog, QStringLiteral("2"));
    move(dialog, QStringLiteral("2"));
    const QString used = QStringLiteral("Move Stock|Error: Destination stock value already assigned to some other stock. "
                                        "Please choose some other, or select auto generate.");
    QCOMPARE(answerer->messages(),
             (QStringList{QStringLiteral("Move Stock|2 Stock items mvoved successfully to destination stock."), used}));
    QCOMPARE(quantity(QStringLiteral("N'1")), QStringLiteral("2"));
    QCOMPARE(quantity(SAME_PRODUCT_SOURCE), QStringLiteral("8"));
}

void TestMoveStock::pickerReturnsStockCodeToAnotherCaller()
{
    // A caller of its own, as purchasing and the sale screen run the picker.
    pickStock(QStringLiteral("X1"));
    QCOMPARE(InventoryManagement::PickStockCode(nullptr), QStringLiteral("X1"));
    pickStock(QString());
    QCOMPARE(InventoryManagement::PickStockCode(nullptr), QString());
}

VORANTEL_TEST_MAIN(TestMoveStock)
#include "tst_movestock.moc"
