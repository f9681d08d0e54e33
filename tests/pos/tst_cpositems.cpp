#include "cpos.h"
#include "inventorymanagement.h"
#include "messagesettings.h"
#include "posfixture.h"
#include "reportparameterdialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QPushButton>
#include <QTableView>

// Item entry on the sale screen against real inventory and sales databases: the stored line and
// stock row for each way of entering an item, search and code entry, deleting lines, returns.
class TestCPOSItems : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    TestCPOSItems() : SaleScreenTest(QStringLiteral("pos_items"), {}, {"err_msg_13", "err_msg_4", "err_msg_27"}) {}

private slots:
    void storedLineAndStock_data();
    void storedLineAndStock();
    void reorderNotedOnlyWhenCrossing_data();
    void reorderNotedOnlyWhenCrossing();
    void scannerRoadAddsLines();
    void refusedEntriesWriteNothing_data();
    void refusedEntriesWriteNothing();
    void outOfStockQuestion();
    void itemAfterPaidSaleStartsNewSale();
    void itemNeverJoinsPaidSale_data();
    void itemNeverJoinsPaidSale();
    void deletingLineOfLargeStock_data();
    void deletingLineOfLargeStock();
    void deletingLineRestoresStockTotalsAndIndex();
    void deletingReturnedLineTakesStockAgain();
    void deletingLineOfPaidSaleStaysInThatSale();
    void deletingUsesStoredAmounts();
    void deletingVanishedLineChangesNothing();
    void returnModeToggleShowsNotice();
    void searchAndCodePromptShowPriceWithTax();
    void searchPickChargesShownPrice_data();
    void searchPickChargesShownPrice();
    void suggestionsFollowQuery_data();
    void suggestionsFollowQuery();
    void cartShowsEveryLineInLocale();
    void lookUpShowsPickedStock();
    void failedStockChangeWritesNoLine();
    void lineIndexNumbers_data();
    void lineIndexNumbers();
    void newSaleStartsEmpty();
    void selectButtonAddsChosenSuggestion();
    void selectedProductTipShowsTheName();

private:
    using Screen = PosFixture::Screen;
    QStringList lines(const QString& columns) const
    {
        return DatabaseTest::Rows(salesDb, QStringLiteral("SELECT %1 FROM tblSalesInvoice ORDER BY ID").arg(columns));
    }
    // Picks the stock row of the code in the look-up the next time it opens; title, when given, gets
    // the look-up's window title and size.
    void pickInLookUp(const QString& code, QString* title = nullptr)
    {
        answerer->handle([code, title](QWidget* modal) {
            auto* page = modal->findChild<InventoryManagement*>();
            if (!page)
                return false;
            if (title)
                *title = modal->windowTitle() + QStringLiteral(" %1x%2").arg(modal->width()).arg(modal->height());
            auto* view = Child<QTableView>(page, "tableViewItems");
            for (int column = 0; column < view->model()->columnCount() && !view->currentIndex().isValid(); ++column) {
                const QModelIndexList hit = view->model()->match(view->model()->index(0, column), Qt::DisplayRole,
                                                                 code, 1, Qt::MatchExactly);
                if (!hit.isEmpty())
                    view->setCurrentIndex(hit.first());
            }
            Child<QPushButton>(page, "pushSelect")->click();
            return true;
        });
    }
    void cleanupTest() override { TestDatabase::exec(salesDb, {QStringLiteral("DROP TRIGGER IF EXISTS refuse_pay")}); }
};

namespace {
const QString LINE_COLUMNS = QStringLiteral(
    "QUANTITY, SUB_ITEMS, SALE_PRICE, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, SUB_TAX, TAX_RATE, RETURNED");

QStringList Repeated(int count, const QString& text)
{
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << text;
    return list;
}
}

void TestCPOSItems::storedLineAndStock_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QVariantMap>("stockRow");
    QTest::addColumn<QVariantMap>("entry"); // field object name -> text; "return" checks return mode
    QTest::addColumn<QString>("line");      // LINE_COLUMNS
    QTest::addColumn<QString>("stockAfter");
    QTest::addColumn<QString>("total");
    QTest::addColumn<QString>("tax");
    QTest::addColumn<double>("discount");

    const QVariantMap subItems{{"SUB_ITEMS_MODE", "y"}};
    QTest::newRow("units and sub-units")
        << subItems << QVariantMap{{"ITEMS_PER_UNIT", 12}, {"QUANTITY", 10}, {"SUB_ITEMS", 5}, {"SALE_PRICE", 12}}
        << QVariantMap{{"lineEditItems", "2"}, {"lineEditSubItems", "7"}} << "2|7|12|0|31|15.5|0|0|0"
        << "7|10" << "31.00" << "0.00" << 0.0;
    QTest::newRow("sub-units go below zero")
        << subItems << QVariantMap{{"ITEMS_PER_UNIT", 12}, {"QUANTITY", 0}, {"SUB_ITEMS", 5}, {"SALE_PRICE", 12}}
        << QVariantMap{{"lineEditItems", "1"}} << "1|0|12|0|12|6|0|0|0" << "0|-7" << "12.00" << "0.00" << 0.0;
    QTest::newRow("forced sale below zero units")
        << QVariantMap{} << QVariantMap{{"QUANTITY", 1}} << QVariantMap{{"lineEditItems", "3"}}
        << "3|0|10|0|30|18|0|0|0" << "-2|0" << "30.00" << "0.00" << 0.0;
    QTest::newRow("last units sold, without forced sales")
        << QVariantMap{{"force_out_of_stock_item_sale", false}} << QVariantMap{{"QUANTITY", 2}}
        << QVariantMap{{"lineEditItems", "2"}} << "2|0|10|0|20|12|0|0|0" << "0|0" << "20.00" << "0.00" << 0.0;
    QTest::newRow("price typed with tax")
        << QVariantMap{} << QVariantMap{{"TAX_RATE", 15}} << QVariantMap{{"lineSelectedSalePrice", "11.50"}}
        << "1|0|10|0|10|6|1.5|15|0" << "99|0" << "11.50" << "1.50" << 0.0;
    QTest::newRow("price typed, tax off")
        << QVariantMap{{"enable_tax", false}} << QVariantMap{{"TAX_RATE", 15}}
        << QVariantMap{{"lineSelectedSalePrice", "11.50"}} << "1|0|11.5|0|11.5|6|0|0|0" << "99|0" << "11.50"
        << "0.00" << 0.0;
    // The net price the till sells at the typed price: 0.82 + 0.17 rounded up, 0.84 + 0.16 rounded down.
    QTest::newRow("price typed with tax, rounding up")
        << QVariantMap{} << QVariantMap{{"TAX_RATE", 20}} << QVariantMap{{"lineSelectedSalePrice", "0.99"}}
        << "1|0|0.82|0|0.82|6|0.17|20|0" << "99|0" << "0.99" << "0.17" << 0.0;
    QTest::newRow("price typed with tax, rounding down")
        << QVariantMap{{"tax_rounding_off", "round_down"}} << QVariantMap{{"TAX_RATE", 20}}
        << QVariantMap{{"lineSelectedSalePrice", "1.00"}} << "1|0|0.84|0|0.84|6|0.16|20|0" << "99|0" << "1.00"
        << "0.16" << 0.0;
    QTest::newRow("absolute discount")
        << QVariantMap{} << QVariantMap{{"DISCOUNT", 25}}
        << QVariantMap{{"lineEditItems", "2"}, {"lineEditAbsDiscount", "2"}} << "2|0|10|2|18|12|0|0|0" << "98|0"
        << "18.00" << "0.00" << 2.0;
    QTest::newRow("amount discount of the whole line")
        << QVariantMap{} << QVariantMap{} << QVariantMap{{"lineEditAbsDiscount", "10"}} << "1|0|10|10|0|6|0|0|0"
        << "99|0" << "0.00" << "0.00" << 10.0;
    QTest::newRow("percent discount")
        << QVariantMap{} << QVariantMap{{"DISCOUNT", 25}}
        << QVariantMap{{"lineEditItems", "2"}, {"lineEditDiscount", "10"}} << "2|0|10|2|18|12|0|0|0" << "98|0"
        << "18.00" << "0.00" << 2.0;
    QTest::newRow("stock row's default discount")
        << QVariantMap{} << QVariantMap{{"DISCOUNT", 25}} << QVariantMap{{"lineEditItems", "2"}}
        << "2|0|10|5|15|12|0|0|0" << "98|0" << "15.00" << "0.00" << 5.0;
    QTest::newRow("tax rounded up")
        << QVariantMap{} << QVariantMap{{"SALE_PRICE", 3.33}, {"TAX_RATE", 8.5}} << QVariantMap{}
        << "1|0|3.33|0|3.33|6|0.29|8.5|0" << "99|0" << "3.62" << "0.29" << 0.0;
    QTest::newRow("tax rounded down")
        << QVariantMap{{"tax_rounding_off", "round_down"}} << QVariantMap{{"SALE_PRICE", 3.33}, {"TAX_RATE", 8}}
        << QVariantMap{} << "1|0|3.33|0|3.33|6|0.26|8|0" << "99|0" << "3.59" << "0.26" << 0.0;
    QTest::newRow("tax rounded to nearest")
        << QVariantMap{{"tax_rounding_off", "nearest"}} << QVariantMap{{"SALE_PRICE", 3.33}, {"TAX_RATE", 8}}
        << QVariantMap{} << "1|0|3.33|0|3.33|6|0.27|8|0" << "99|0" << "3.60" << "0.27" << 0.0;
    // 100 x 1.10 x 10 % computes to 11.000000000000002: an exact tax stays exact when rounded up.
    QTest::newRow("exact tax not rounded up by binary noise")
        << QVariantMap{} << QVariantMap{{"SALE_PRICE", 1.1}, {"TAX_RATE", 10}, {"QUANTITY", 200}}
        << QVariantMap{{"lineEditItems", "100"}} << "100|0|1.1|0|110|600|11|10|0" << "100|0" << "121.00"
        << "11.00" << 0.0;
    QTest::newRow("return")
        << QVariantMap{} << QVariantMap{{"TAX_RATE", 15}} << QVariantMap{{"lineEditItems", "2"}, {"return", true}}
        << "2|0|10|0|-20|-12|-3|15|1" << "102|0" << "-23.00" << "-3.00" << 0.0;
    QTest::newRow("return with discount")
        << QVariantMap{} << QVariantMap{} << QVariantMap{{"lineEditItems", "2"}, {"lineEditAbsDiscount", "2"}, {"return", true}}
        << "2|0|10|2|-18|-12|0|0|1" << "102|0" << "-18.00" << "0.00" << -2.0;
    // Counted in sub-units, these stocks and quantities go beyond 32 bits.
    QTest::newRow("3,000,000 units of 1,000 pieces")
        << QVariantMap{} << QVariantMap{{"ITEMS_PER_UNIT", 1000}, {"QUANTITY", 3000000}, {"SALE_PRICE", 1}, {"PURCHASE_PRICE", 0.5}}
        << QVariantMap{{"lineEditItems", "100000"}} << "100000|0|1|0|100000|50000|0|0|0" << "2900000|0"
        << "100,000.00" << "0.00" << 0.0;
    QTest::newRow("20,000,000 units of 120 pieces, forced sale")
        << QVariantMap{} << QVariantMap{{"ITEMS_PER_UNIT", 120}, {"QUANTITY", 97}, {"SALE_PRICE", 0.01}, {"PURCHASE_PRICE", 0.01}}
        << QVariantMap{{"lineEditItems", "20000000"}} << "20000000|0|0.01|0|200000|200000|0|0|0" << "-19999903|0"
        << "200,000.00" << "0.00" << 0.0;
    QTest::newRow("whole line discounted in percent")
        << QVariantMap{} << QVariantMap{} << QVariantMap{{"lineEditItems", "2"}, {"lineEditDiscount", "100"}}
        << "2|0|10|20|0|12|0|0|0" << "98|0" << "0.00" << "0.00" << 20.0;
    QTest::newRow("service item keeps no stock")
        << QVariantMap{} << QVariantMap{{"SERVICE_ITEM", 1}, {"QUANTITY", 0}} << QVariantMap{{"lineEditItems", "4"}}
        << "4|0|10|0|40|24|0|0|0" << "0|0" << "40.00" << "0.00" << 0.0;
}

void TestCPOSItems::storedLineAndStock()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QVariantMap, stockRow);
    QFETCH(QVariantMap, entry);
    QFETCH(QString, line);
    QFETCH(QString, stockAfter);
    QFETCH(QString, total);
    QFETCH(QString, tax);
    QFETCH(double, discount);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        AppSettings::Instance()->settings->setValue(it.key(), it.value());
    addStock(QStringLiteral("C1"), stockRow);

    Screen s;
    for (auto it = entry.cbegin(); it != entry.cend(); ++it) {
        if (it.key() == QLatin1String("return"))
            Child<QPushButton>(s.screen, "checkReturnMode")->setChecked(true);
        else
            s.child(qPrintable(it.key()))->setText(it.value().toString());
    }
    s.child("lineEditBarCode")->setText(QStringLiteral("C1"));
    s.screen->on_pushAddItem_clicked();

    QCOMPARE(s.status(), QString());
    QCOMPARE(lines(LINE_COLUMNS), QStringList{line});
    QCOMPARE(stock(QStringLiteral("C1")), stockAfter);
    QCOMPARE(s.child("lineEditTotal")->text(), total);
    QCOMPARE(s.child("lineEditTax")->text(), tax);
    QCOMPARE(s.screen->totalDiscount, discount);
    QCOMPARE(s.child("lineEditChange")->text(), total);
    // The header the item started, and the line's own columns.
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT ID, USER_ID, STATUS FROM tblSalesTransactions")),
             QStringList{s.screen->transactionId + QStringLiteral("|clerk|-1")});
    QCOMPARE(lines(QStringLiteral("TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, BAR_CODE, CATEGORY")),
             QStringList{s.screen->transactionId + QStringLiteral("|1|C1|C1|Drinks")});
    QCOMPARE(s.screen->itemIndexes, QVector<int>{1});
    QCOMPARE(s.screen->saleState, 1);
    QVERIFY(s.screen->changedSinceSave);
}

void TestCPOSItems::reorderNotedOnlyWhenCrossing_data()
{
    QTest::addColumn<int>("quantity");
    QTest::addColumn<bool>("noted");
    QTest::newRow("11 to 9 crosses level 10") << 11 << true;
    QTest::newRow("10 to 8 was already at the level") << 10 << false;
}

void TestCPOSItems::reorderNotedOnlyWhenCrossing()
{
    QFETCH(int, quantity);
    QFETCH(bool, noted);
    addStock(QStringLiteral("R1"), {{"QUANTITY", quantity}, {"REORDER_LEVEL", 10}});
    Screen s;
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.scan(QStringLiteral("R1"));
    QCOMPARE(stock(QStringLiteral("R1")), QStringLiteral("%1|0").arg(quantity - 2));
    QCOMPARE(s.screen->reorderStockCodes, noted ? QStringList{"R1"} : QStringList{});
}

void TestCPOSItems::scannerRoadAddsLines()
{
    const QString quoted = QStringLiteral("O'Neil 7");
    addStock(quoted, {{"NAME", QString(60, QLatin1Char('N'))}, {"TAX_RATE", 10}});
    addStock(QStringLiteral("T2"), {{"SALE_PRICE", 2.5}});
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    auto* scanner = s.child("lineBarcodeScannerInput");
    QTRY_COMPARE(QApplication::focusWidget(), scanner);

    QTest::keyClicks(scanner, quoted);
    QTest::keyClick(scanner, Qt::Key_Return);
    QCOMPARE(s.status(), QString());
    QTest::keyClicks(scanner, QStringLiteral("T2"));
    QTest::keyClick(scanner, Qt::Key_Return);

    // The name cut to the line's 50 characters; stock, cart, totals and index follow each scan.
    QCOMPARE(lines(QStringLiteral("ITEM_INDEX, PRODUCT_NAME, BAR_CODE, SUB_TOTAL, SUB_TAX")),
             (QStringList{QStringLiteral("1|%1|O'Neil 7|10|1").arg(QString(50, QLatin1Char('N'))), "2|T2|T2|2.5|0"}));
    QCOMPARE(stock(quoted), QStringLiteral("99|0"));
    QCOMPARE(stock(QStringLiteral("T2")), QStringLiteral("99|0"));
    QCOMPARE(Child<QTableView>(s.screen, "tableViewItems")->model()->rowCount(), 2);
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("13.50"));
    QCOMPARE(s.child("lineEditTax")->text(), QStringLiteral("1.00"));
    QCOMPARE(s.screen->itemIndexes, (QVector<int>{1, 2}));
    QCOMPARE(QApplication::focusWidget(), scanner);
    QCOMPARE(s.child("lineEditBarCode")->text(), QString());

    // An unknown code: the status line says so in red and nothing is written.
    QTest::keyClicks(scanner, QStringLiteral("NOPE"));
    QTest::keyClick(scanner, Qt::Key_Return);
    QCOMPARE(s.status(), QStringLiteral("No stock found with code NOPE"));
    QVERIFY(s.screen->statusIsError);
    QCOMPARE(lines(QStringLiteral("ID")).size(), 2);
    QCOMPARE(scanner->selectedText(), QStringLiteral("NOPE"));
}

void TestCPOSItems::refusedEntriesWriteNothing_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QVariantMap>("stockRow");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QVariantMap>("entry");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("header"); // refused after the sale's header row was made

    const QString longCode = QString(46, QLatin1Char('L'));
    QTest::newRow("code with a character outside the set")
        << QVariantMap{} << QVariantMap{} << QStringLiteral("CAF\u00c9") << QVariantMap{}
        << QStringLiteral("Stock code CAF\u00c9 is invalid.") << QString() << false;
    QTest::newRow("code longer than the line keeps")
        << QVariantMap{} << QVariantMap{} << longCode << QVariantMap{}
        << QStringLiteral("Stock code %1 is too long for a sale line: at most 45 characters can be sold.").arg(longCode)
        << QString() << false;
    QTest::newRow("unknown code") << QVariantMap{} << QVariantMap{} << "X9" << QVariantMap{}
                                  << "No stock found with code X9" << QString() << true;
    QTest::newRow("price not a number")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineSelectedSalePrice", "ten"}}
        << "Please enter valid value for sale price." << "lineSelectedSalePrice" << false;
    // The locale reads these as numbers; the database stores none of them as a line's amounts.
    for (const char* price : {"inf", "-inf", "nan", "1e308"})
        QTest::addRow("price %s", price)
            << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineSelectedSalePrice", price}}
            << "Please enter valid value for sale price." << "lineSelectedSalePrice" << false;
    // 1e21 fills the 32 characters of an amount field; ten of them are more.
    QTest::newRow("price times the quantity beyond the amount fields")
        << QVariantMap{} << QVariantMap{} << "C1"
        << QVariantMap{{"lineSelectedSalePrice", "1000000000000000000000"}, {"lineEditItems", "10"}}
        << "Please enter valid value for sale price." << "lineSelectedSalePrice" << false;
    QTest::newRow("both discounts")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditDiscount", "5"}, {"lineEditAbsDiscount", "1"}}
        << "Enter discount either in % or in $ amount, and not both." << "lineEditDiscount" << false;
    QTest::newRow("percent discount not a number")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditDiscount", "x"}}
        << "Discount is invalid. Please enter numeric 0 to 99.99 (%) discount value." << "lineEditDiscount" << false;
    QTest::newRow("amount discount not a number")
        << QVariantMap{{"CURRENCY_SYMBOL", "EUR"}} << QVariantMap{} << "C1" << QVariantMap{{"lineEditAbsDiscount", "x"}}
        << "Discount is invalid. Please enter valid discount value. Example EUR 2.50" << "lineEditAbsDiscount"
        << false;
    QTest::newRow("quantity not a whole number")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditItems", "1.5"}}
        << "Quantity is invalid. Please enter numeric quantity value." << "lineEditItems" << false;
    QTest::newRow("quantity beyond whole numbers")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditItems", "2147483648"}}
        << "Quantity is invalid: 2147483648 is too large." << "lineEditItems" << false;
    QTest::newRow("quantity below whole numbers")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditItems", "-2147483649"}}
        << "Quantity is invalid: -2147483649 is too small." << "lineEditItems" << false;
    QTest::newRow("sub quantity beyond whole numbers")
        << QVariantMap{{"SUB_ITEMS_MODE", "y"}} << QVariantMap{{"ITEMS_PER_UNIT", 12}} << "C1"
        << QVariantMap{{"lineEditSubItems", "-99999999999"}} << "Sub Quantity is invalid: -99999999999 is too small."
        << "lineEditSubItems" << false;
    QTest::newRow("sub items not a whole number")
        << QVariantMap{{"SUB_ITEMS_MODE", "y"}} << QVariantMap{} << "C1" << QVariantMap{{"lineEditSubItems", "a"}}
        << "Sub items is invalid. Please enter numeric sub items value." << "lineEditSubItems" << false;
    QTest::newRow("product with no items per unit")
        << QVariantMap{} << QVariantMap{{"ITEMS_PER_UNIT", 0}} << "C1" << QVariantMap{}
        << "Stock code C1 can not be sold: its product has 0 items per unit. Please set at least 1 in the product."
        << QString() << true;
    QTest::newRow("sub-units of a whole item")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditSubItems", "1"}}
        << "This item can only be sold as a whole. Sub Quantity should be 0." << QString() << true;
    QTest::newRow("more than the stock holds, without forced sales")
        << QVariantMap{{"force_out_of_stock_item_sale", false}}
        << QVariantMap{{"ITEMS_PER_UNIT", 12}, {"QUANTITY", 2}, {"SUB_ITEMS", 3}} << "C1"
        << QVariantMap{{"lineEditItems", "2"}, {"lineEditSubItems", "4"}}
        << "Requested quantity is not available. There are 2 items, and 3 sub items in the stock." << QString()
        << true;
    QTest::newRow("percent discount above 100")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditDiscount", "150"}}
        << "Discount is invalid: 150 % is more than 100 %." << "lineEditDiscount" << false;
    QTest::newRow("amount discount above the line amount")
        << QVariantMap{} << QVariantMap{} << "C1" << QVariantMap{{"lineEditItems", "2"}, {"lineEditAbsDiscount", "1000"}}
        << "Discount is invalid: 1,000.00 is more than the line amount 20.00." << "lineEditAbsDiscount" << true;
    QTest::newRow("stock row's discount above 100")
        << QVariantMap{} << QVariantMap{{"DISCOUNT", 150}} << "C1" << QVariantMap{}
        << "Discount is invalid: the stock of C1 gives 150 %, more than 100 %. Please correct its discount." << QString()
        << true;
    QTest::newRow("sub items too long for the line")
        << QVariantMap{{"SUB_ITEMS_MODE", "y"}} << QVariantMap{{"ITEMS_PER_UNIT", 12}} << "C1"
        << QVariantMap{{"lineEditSubItems", "2147483647"}}
        << "Sub Quantity 2147483647 is too large for a sale line: at most 8 characters can be stored."
        << "lineEditSubItems" << false;
    QTest::newRow("returned quantity beyond the stock column")
        << QVariantMap{} << QVariantMap{{"ITEMS_PER_UNIT", 12}, {"QUANTITY", 97}} << "C1"
        << QVariantMap{{"lineEditItems", "2147483647"}, {"return", true}}
        << "Quantity is too large: the stock of C1 would become 2147483744 units, and a stock holds -2147483648 to "
           "2147483647."
        << "lineEditItems" << true;
    QTest::newRow("sold quantity below the stock column")
        << QVariantMap{{"show_warning_for_out_of_stock_item", false}} << QVariantMap{{"QUANTITY", -2}} << "C1"
        << QVariantMap{{"lineEditItems", "2147483647"}}
        << "Quantity is too large: the stock of C1 would become -2147483649 units, and a stock holds -2147483648 to "
           "2147483647."
        << "lineEditItems" << true;
    QTest::newRow("returned sub quantity beyond the stock column")
        << QVariantMap{{"SUB_ITEMS_MODE", "y"}} << QVariantMap{{"ITEMS_PER_UNIT", 1000}, {"QUANTITY", 2147483000}} << "C1"
        << QVariantMap{{"lineEditItems", "0"}, {"lineEditSubItems", "9999999"}, {"return", true}}
        << "Sub Quantity is too large: the stock of C1 would become 2147492999 units, and a stock holds -2147483648 to "
           "2147483647."
        << "lineEditSubItems" << true;
}

void TestCPOSItems::refusedEntriesWriteNothing()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QVariantMap, stockRow);
    QFETCH(QString, code);
    QFETCH(QVariantMap, entry);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    QFETCH(bool, header);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        AppSettings::Instance()->settings->setValue(it.key(), it.value());
    addStock(QStringLiteral("C1"), stockRow);
    const QString before = stock(QStringLiteral("C1"));

    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    for (auto it = entry.cbegin(); it != entry.cend(); ++it) {
        if (it.key() == QLatin1String("return"))
            Child<QPushButton>(s.screen, "checkReturnMode")->setChecked(true);
        else
            s.child(qPrintable(it.key()))->setText(it.value().toString());
    }
    s.child("lineEditBarCode")->setText(code);
    s.screen->on_pushAddItem_clicked();

    QCOMPARE(s.status(), message);
    QVERIFY(s.screen->statusIsError);
    if (!focus.isEmpty())
        QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, qPrintable(focus)));
    QCOMPARE(lines(QStringLiteral("ID")), QStringList());
    QCOMPARE(sales(QStringLiteral("ID")).size(), header ? 1 : 0);
    QCOMPARE(stock(QStringLiteral("C1")), before);
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("0"));
    QVERIFY(s.screen->itemIndexes.isEmpty());
}

void TestCPOSItems::outOfStockQuestion()
{
    addStock(QStringLiteral("Z0"), {{"QUANTITY", 0}});
    Screen s;
    answerer->pressButton(QMessageBox::No);
    s.scan(QStringLiteral("Z0"));
    QCOMPARE(answerer->messages(),
             QStringList{"Out of Stock Item|This item is out of stock. Do you still want to proceed with the sale? Press "
                         "Yes to proceed, and No to cancel."});
    QCOMPARE(s.status(), QStringLiteral("This item is out of stock"));
    QCOMPARE(lines(QStringLiteral("ID")), QStringList());

    answerer->pressButton(QMessageBox::Yes);
    s.scan(QStringLiteral("Z0"));
    QCOMPARE(lines(QStringLiteral("QUANTITY")), QStringList{"1"});
    QCOMPARE(stock(QStringLiteral("Z0")), QStringLiteral("-1|0"));
}

void TestCPOSItems::itemAfterPaidSaleStartsNewSale()
{
    addStock(QStringLiteral("P1"));
    Screen s;
    s.scan(QStringLiteral("P1"));
    const QString first = s.screen->transactionId;
    s.screen->saleState = 2; // paid
    s.screen->changedSinceSave = false;
    s.child("lineEditItems")->setText(QStringLiteral("3"));
    s.child("lineEditAbsDiscount")->setText(QStringLiteral("1"));
    s.scan(QStringLiteral("P1"));
    QVERIFY(s.screen->transactionId != first);
    QCOMPARE(lines(QStringLiteral("TRANSACTION_ID, ITEM_INDEX, QUANTITY, DISCOUNT")),
             (QStringList{first + "|1|1|0", s.screen->transactionId + "|1|3|1"}));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("29.00"));
}

void TestCPOSItems::itemNeverJoinsPaidSale_data()
{
    QTest::addColumn<QString>("paid"); // typed over the paid amount after paying
    QTest::addColumn<int>("answer");   // to the underpaid question, 0 = not asked
    QTest::addColumn<bool>("refuseUpdate");
    QTest::addColumn<QString>("message");
    QTest::newRow("paid field not a number") << "abc" << 0 << false << "Paid amount is not valid. Example 50.75";
    QTest::newRow("underpaid, declined") << "5" << int(QMessageBox::No) << false
                                         << "Paid amount is less than due amount";
    QTest::newRow("database error") << "15" << 0 << true << "Error occurred while logging payment information";
}

// When the paid sale can not be saved again, the next customer's item is not added to it.
void TestCPOSItems::itemNeverJoinsPaidSale()
{
    QFETCH(QString, paid);
    QFETCH(int, answer);
    QFETCH(bool, refuseUpdate);
    QFETCH(QString, message);
    addStock(QStringLiteral("PA1"));
    Screen s;
    s.scan(QStringLiteral("PA1"));
    const QString sale = s.screen->transactionId;
    s.child("lineEditPaid")->setText(QStringLiteral("10"));
    Child<QPushButton>(s.screen, "pushButtonPay")->click();
    const QString headerAndLines = QStringLiteral(
        "SELECT t.ID, t.GRAND_TOTAL, t.PAID, t.STATUS, (SELECT SUM(SUB_TOTAL + SUB_TAX) FROM tblSalesInvoice "
        "WHERE TRANSACTION_ID = t.ID) FROM tblSalesTransactions t");
    QCOMPARE(DatabaseTest::Rows(salesDb, headerAndLines), QStringList{sale + "|10|10|2|10"});

    s.child("lineEditPaid")->setText(paid);
    if (refuseUpdate)
        QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("CREATE TRIGGER refuse_pay BEFORE UPDATE ON "
                                                             "tblSalesTransactions FOR EACH ROW SIGNAL SQLSTATE '45000' "
                                                             "SET MESSAGE_TEXT = 'books closed'")}),
                 QString());
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (answer)
            answerer->pressButton(QMessageBox::StandardButton(answer));
        s.scan(QStringLiteral("PA1"));
        QCOMPARE(s.status(), message);
        QCOMPARE(s.screen->transactionId, sale);
        QCOMPARE(DatabaseTest::Rows(salesDb, headerAndLines), QStringList{sale + "|10|10|2|10"});
        QCOMPARE(stock(QStringLiteral("PA1")), QStringLiteral("99|0"));
        QCOMPARE(Child<QTableView>(s.screen, "tableViewItems")->model()->rowCount(), 1);
    }
}

void TestCPOSItems::deletingLineOfLargeStock_data()
{
    QTest::addColumn<QVariantMap>("stockRow");
    QTest::addColumn<int>("units");
    QTest::addColumn<int>("stockBeforeDeleting"); // units set by another till, 0 = left as the sale left it
    QTest::addColumn<QString>("stockAfter");
    QTest::addColumn<QString>("message");
    QTest::newRow("3,000,000 units of 1,000 pieces")
        << QVariantMap{{"ITEMS_PER_UNIT", 1000}, {"QUANTITY", 3000000}} << 100000 << 0 << "3000000|0" << QString();
    QTest::newRow("beyond the stock column")
        << QVariantMap{{"ITEMS_PER_UNIT", 12}} << 100 << 2147483600 << "2147483600|0"
        << "Quantity is too large: the stock of DL1 would become 2147483700 units, and a stock holds -2147483648 to "
           "2147483647.";
}

void TestCPOSItems::deletingLineOfLargeStock()
{
    QFETCH(QVariantMap, stockRow);
    QFETCH(int, units);
    QFETCH(int, stockBeforeDeleting);
    QFETCH(QString, stockAfter);
    QFETCH(QString, message);
    addStock(QStringLiteral("DL1"), stockRow);
    Screen s;
    s.child("lineEditItems")->setText(QString::number(units));
    s.scan(QStringLiteral("DL1"));
    QCOMPARE(lines(QStringLiteral("QUANTITY")), QStringList{QString::number(units)});
    if (stockBeforeDeleting)
        QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("UPDATE tblInventory SET QUANTITY = %1")
                                                      .arg(stockBeforeDeleting)}),
                 QString());
    const QString total = s.child("lineEditTotal")->text();

    auto* view = Child<QTableView>(s.screen, "tableViewItems");
    view->setCurrentIndex(view->model()->index(0, 2));
    Child<QPushButton>(s.screen, "pushDeleteItem")->click();

    QCOMPARE(s.status(), message);
    QCOMPARE(stock(QStringLiteral("DL1")), stockAfter);
    QCOMPARE(lines(QStringLiteral("QUANTITY")).size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(s.child("lineEditTotal")->text(), message.isEmpty() ? QStringLiteral("0.00") : total);
}

void TestCPOSItems::deletingLineRestoresStockTotalsAndIndex()
{
    addStock(QStringLiteral("D1"), {{"TAX_RATE", 10}});
    addStock(QStringLiteral("D2"), {{"SALE_PRICE", 4}});
    Screen s;
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.child("lineEditAbsDiscount")->setText(QStringLiteral("1"));
    s.scan(QStringLiteral("D1")); // 19.00 + 1.90
    s.scan(QStringLiteral("D2"));
    s.scan(QStringLiteral("D2"));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("28.90"));
    QCOMPARE(stock(QStringLiteral("D1")), QStringLiteral("98|0"));
    s.child("lineEditItems")->setText(QStringLiteral("5"));
    s.child("lineEditDiscount")->setText(QStringLiteral("3"));

    auto* view = Child<QTableView>(s.screen, "tableViewItems");
    view->setCurrentIndex(view->model()->index(0, 3));
    Child<QPushButton>(s.screen, "pushDeleteItem")->click();

    QCOMPARE(s.status(), QString());
    QCOMPARE(stock(QStringLiteral("D1")), QStringLiteral("100|0"));
    QCOMPARE(lines(QStringLiteral("ITEM_INDEX, BAR_CODE")), (QStringList{"2|D2", "3|D2"}));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("8.00"));
    QCOMPARE(s.child("lineEditTax")->text(), QStringLiteral("0.00"));
    QCOMPARE(s.screen->totalDiscount, 0.0);
    QCOMPARE(s.screen->itemIndexes, (QVector<int>{2, 3}));
    QVERIFY(s.screen->changedSinceSave);
    // The entry fields are as they were.
    QCOMPARE(s.child("lineEditItems")->text(), QStringLiteral("5"));
    QCOMPARE(s.child("lineEditDiscount")->text(), QStringLiteral("3"));

    // The highest index freed is given again; a gap is not filled.
    view->setCurrentIndex(view->model()->index(1, 3));
    s.screen->on_pushDeleteItem_clicked();
    QCOMPARE(s.screen->NextFreeIndex(), 3);
    QCOMPARE(stock(QStringLiteral("D2")), QStringLiteral("99|0"));

    // Nothing selected.
    view->setCurrentIndex(QModelIndex());
    s.screen->on_pushDeleteItem_clicked();
    QCOMPARE(s.status(), QStringLiteral("No row selected from the sales table."));
}

void TestCPOSItems::deletingReturnedLineTakesStockAgain()
{
    addStock(QStringLiteral("B1"), {{"TAX_RATE", 15}});
    Screen s;
    Child<QPushButton>(s.screen, "checkReturnMode")->setChecked(true);
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.scan(QStringLiteral("B1"));
    QCOMPARE(stock(QStringLiteral("B1")), QStringLiteral("102|0"));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("-23.00"));

    auto* view = Child<QTableView>(s.screen, "tableViewItems");
    view->setCurrentIndex(view->model()->index(0, 2));
    s.screen->on_pushDeleteItem_clicked();
    QVERIFY(!Child<QPushButton>(s.screen, "checkReturnMode")->isChecked());
    QCOMPARE(stock(QStringLiteral("B1")), QStringLiteral("100|0"));
    QCOMPARE(lines(QStringLiteral("ID")), QStringList());
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("0.00"));
    QCOMPARE(s.child("lineEditTax")->text(), QStringLiteral("0.00"));
}

void TestCPOSItems::deletingLineOfPaidSaleStaysInThatSale()
{
    addStock(QStringLiteral("S1"));
    Screen s;
    s.scan(QStringLiteral("S1"));
    s.scan(QStringLiteral("S1"));
    const QString sale = s.screen->transactionId;
    QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("UPDATE tblSalesTransactions SET STATUS = 2")}), QString());
    s.screen->saleState = 2;
    s.screen->changedSinceSave = false;

    auto* view = Child<QTableView>(s.screen, "tableViewItems");
    view->setCurrentIndex(view->model()->index(1, 2));
    s.screen->on_pushDeleteItem_clicked();

    QCOMPARE(s.screen->transactionId, sale);
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT ID FROM tblSalesTransactions")), QStringList{sale});
    QCOMPARE(lines(QStringLiteral("TRANSACTION_ID, ITEM_INDEX")), QStringList{sale + "|1"});
    QCOMPARE(stock(QStringLiteral("S1")), QStringLiteral("99|0"));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("10.00"));
    QVERIFY(s.screen->changedSinceSave);
}

void TestCPOSItems::deletingUsesStoredAmounts()
{
    addStock(QStringLiteral("V1"), {{"TAX_RATE", 15}});
    Screen s;
    s.scan(QStringLiteral("V1"));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("11.50"));
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("UPDATE tblProducts SET TAX_RATE = 20")}), QString());
    auto* view = Child<QTableView>(s.screen, "tableViewItems");
    view->setCurrentIndex(view->model()->index(0, 2));
    s.screen->on_pushDeleteItem_clicked();
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("0.00"));
    QCOMPARE(s.child("lineEditTax")->text(), QStringLiteral("0.00"));
    QCOMPARE(s.screen->grandTotal, 0.0);
}

void TestCPOSItems::deletingVanishedLineChangesNothing()
{
    addStock(QStringLiteral("G1"));
    Screen s;
    s.scan(QStringLiteral("G1"));
    QCOMPARE(TestDatabase::exec(salesDb, {QStringLiteral("DELETE FROM tblSalesInvoice")}), QString());
    auto* view = Child<QTableView>(s.screen, "tableViewItems");
    view->setCurrentIndex(view->model()->index(0, 2));
    s.screen->on_pushDeleteItem_clicked();
    QCOMPARE(s.status(), QStringLiteral("Error occurred while deleting item"));
    QCOMPARE(stock(QStringLiteral("G1")), QStringLiteral("99|0"));
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("10.00"));
    QCOMPARE(s.screen->itemIndexes, QVector<int>{1});
}

void TestCPOSItems::returnModeToggleShowsNotice()
{
    AppSettings::Instance()->settings->remove(QStringLiteral("err_msg_4"));
    MessageSettings::Instance()->Load();
    Screen s;
    answerer->accept();
    answerer->accept();
    auto* button = Child<QPushButton>(s.screen, "checkReturnMode");
    button->setChecked(true);
    button->setChecked(false);
    QCOMPARE(answerer->seen.size(), 2);
    for (const ModalAnswerer::Seen& seen : qAsConst(answerer->seen)) {
        QCOMPARE(seen.className, QStringLiteral("ErrorDialog"));
        QCOMPARE(seen.title, QStringLiteral("Return Mode"));
    }
}

void TestCPOSItems::searchAndCodePromptShowPriceWithTax()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_tax"), false);
    addStock(QStringLiteral("Tea'1"), {{"NAME", "Green Tea"}, {"SALE_PRICE", 10.0}, {"TAX_RATE", 15}});
    addStock(QStringLiteral("K2"), {{"NAME", "Kiwi"}, {"SALE_PRICE", 10.001}});
    {
        Screen s;
        QVERIFY(QTest::qWaitForWindowActive(s.host));
        auto* search = Child<QComboBox>(s.screen, "comboBoxProducts");

        // Chosen in the search box with tax off on the screen: the stock row's price, as a scan charges it.
        search->setEditText(QStringLiteral("green"));
        s.screen->on_comboBoxProducts_activated(0);
        QCOMPARE(s.child("lineEditBarCode")->text(), QStringLiteral("Tea'1"));
        QCOMPARE(s.child("lineSelectedProduct")->text(), QStringLiteral("Green Tea"));
        QCOMPARE(s.child("lineSelectedSalePrice")->text(), QStringLiteral("10.00"));
        QCOMPARE(search->currentText(), QString());
        // Return in the price field adds it at that price (tax off: the price is taken as it is).
        QTest::keyClick(s.child("lineSelectedSalePrice"), Qt::Key_Return);
        QCOMPARE(lines(QStringLiteral("BAR_CODE, SALE_PRICE, SUB_TAX")), QStringList{"Tea'1|10|0"});
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(search));
    }

    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_tax"), true);
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    auto* search = Child<QComboBox>(s.screen, "comboBoxProducts");
    // With tax on, rounded up alike by the search box and the code prompt.
    search->setEditText(QStringLiteral("Kiwi"));
    s.screen->on_comboBoxProducts_activated(0);
    QCOMPARE(s.child("lineSelectedSalePrice")->text(), QStringLiteral("10.01"));
    answerer->handleClass<ReportParameterDialog>("ReportParameterDialog", [](ReportParameterDialog* prompt) {
        QCOMPARE(prompt->windowTitle(), QStringLiteral("Product Code"));
        QCOMPARE(prompt->ui->label->text(), QStringLiteral("Enter code"));
        prompt->ui->lineEditValue->setText(QStringLiteral("K2"));
        prompt->ui->pushButton->click();
    });
    Child<QPushButton>(s.screen, "pushEnterCode")->click();
    QCOMPARE(s.child("lineSelectedSalePrice")->text(), QStringLiteral("10.01"));

    // Nothing matches: nothing is shown.
    s.child("lineSelectedProduct")->clear();
    search->setEditText(QStringLiteral("zzz"));
    s.screen->on_comboBoxProducts_activated(0);
    QCOMPARE(s.child("lineEditBarCode")->text(), QString());
    QCOMPARE(s.child("lineSelectedProduct")->text(), QString());

    // A cancelled prompt leaves the code empty; an unknown code says so.
    answerer->reject();
    s.screen->on_pushEnterCode_clicked();
    QCOMPARE(s.child("lineEditBarCode")->text(), QString());
    answerer->handleClass<ReportParameterDialog>("ReportParameterDialog", [](ReportParameterDialog* prompt) {
        prompt->ui->lineEditValue->setText(QStringLiteral("NO'PE"));
        prompt->ui->pushButton->click();
    });
    s.screen->on_pushEnterCode_clicked();
    QCOMPARE(s.status(), QStringLiteral("No product found with code NO'PE"));
}

void TestCPOSItems::searchPickChargesShownPrice_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("places");
    QTest::addColumn<bool>("tax");
    QTest::addColumn<double>("rate");
    QTest::addColumn<double>("salePrice"); // the stock row's, which sells at the shown price
    QTest::addColumn<QString>("shown");
    QTest::newRow("20 %, rounding up") << "round_up" << 2 << true << 20.0 << 0.82 << "0.99";
    QTest::newRow("10 %, rounding down") << "round_down" << 2 << true << 10.0 << 4.56 << "5.01";
    QTest::newRow("7.25 %, nearest") << "nearest" << 2 << true << 7.25 << 10.26 << "11.00";
    QTest::newRow("whole units, rounding up") << "round_up" << 0 << true << 20.0 << 7.0 << "9";
    QTest::newRow("three places, rounding up") << "round_up" << 3 << true << 15.0 << 1.741 << "2.003";
    // Tax off: the stock row's price, whatever the product's rate.
    QTest::newRow("tax off, rounding up") << "round_up" << 2 << false << 15.0 << 10.0 << "10.00";
    QTest::newRow("tax off, rounding down") << "round_down" << 2 << false << 20.0 << 0.82 << "0.82";
    QTest::newRow("tax off, nearest") << "nearest" << 2 << false << 7.25 << 10.26 << "10.26";
}

// The search, the code prompt (Ctrl+I) and the look-up (F8) show the price a scan of the product
// charges, and adding the product at that price charges it.
void TestCPOSItems::searchPickChargesShownPrice()
{
    QFETCH(QString, mode);
    QFETCH(int, places);
    QFETCH(bool, tax);
    QFETCH(double, rate);
    QFETCH(double, salePrice);
    QFETCH(QString, shown);
    AppSettings::Instance()->settings->setValue(QStringLiteral("tax_rounding_off"), mode);
    AppSettings::Instance()->settings->setValue(QStringLiteral("decimal_places"), QString::number(places));
    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_tax"), tax);
    addStock(QStringLiteral("P1"), {{"NAME", "Plum"}, {"SALE_PRICE", salePrice}, {"TAX_RATE", rate}});
    Screen s;
    s.scan(QStringLiteral("P1"));

    Child<QComboBox>(s.screen, "comboBoxProducts")->setEditText(QStringLiteral("plum"));
    s.screen->on_comboBoxProducts_activated(0);
    QStringList shownPrices{s.child("lineSelectedSalePrice")->text()};
    QTest::keyClick(s.child("lineSelectedSalePrice"), Qt::Key_Return);

    answerer->handleClass<ReportParameterDialog>("ReportParameterDialog", [](ReportParameterDialog* prompt) {
        prompt->ui->lineEditValue->setText(QStringLiteral("P1"));
        prompt->ui->pushButton->click();
    });
    s.screen->on_pushEnterCode_clicked();
    shownPrices << s.child("lineSelectedSalePrice")->text();
    QTest::keyClick(s.child("lineSelectedSalePrice"), Qt::Key_Return);

    pickInLookUp(QStringLiteral("P1"));
    s.screen->on_pushButtonLookUp_clicked();
    shownPrices << s.child("lineSelectedSalePrice")->text();
    QTest::keyClick(s.child("lineSelectedSalePrice"), Qt::Key_Return);

    QCOMPARE(s.status(), QString());
    QCOMPARE(shownPrices, Repeated(3, shown));
    // Four lines, the scan's first: each sells at the stock row's price and charges the shown price.
    QCOMPARE(lines(QStringLiteral("SALE_PRICE")), Repeated(4, QString::number(salePrice)));
    const QStringList charged = lines(QStringLiteral("ROUND(SUB_TOTAL + SUB_TAX, %1)").arg(places));
    QCOMPARE(charged, Repeated(4, QString::number(AppSettings::Instance()->locale->toDouble(shown))));
    QCOMPARE(AppSettings::Instance()->locale->toString(s.screen->grandTotal / 4, 'f', places), shown);
}

void TestCPOSItems::cartShowsEveryLineInLocale()
{
    QLocale* const english = AppSettings::Instance()->locale;
    QLocale german(QLocale::German, QLocale::Germany);
    german.setNumberOptions(QLocale::OmitGroupSeparator);
    AppSettings::Instance()->locale = &german;
    addStock(QStringLiteral("M1"), {{"SALE_PRICE", 12.5}, {"QUANTITY", 1000}});
    {
        Screen s;
        for (int i = 0; i < 300; ++i)
            s.scan(QStringLiteral("M1"));
        QAbstractItemModel* cart = Child<QTableView>(s.screen, "tableViewItems")->model();
        QCOMPARE(cart->rowCount(), 300);
        QCOMPARE(cart->index(299, 2).data().toInt(), 300);
        QCOMPARE(cart->index(299, 6).data().toString(), QStringLiteral("12,50"));
        QCOMPARE(cart->index(299, 4).data().toString(), QStringLiteral("1"));
        QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("3750,00"));
        QCOMPARE(s.screen->NextFreeIndex(), 301);
    }
    AppSettings::Instance()->locale = english;
    QCOMPARE(stock(QStringLiteral("M1")), QStringLiteral("700|0"));
}

void TestCPOSItems::lookUpShowsPickedStock()
{
    addStock(QStringLiteral("L1"), {{"NAME", "Lemon"}, {"SALE_PRICE", 2.0}, {"TAX_RATE", 50}});
    addStock(QStringLiteral("L2"), {{"NAME", "Lime"}});
    Screen s;
    QString title;
    pickInLookUp(QStringLiteral("L1"), &title);
    Child<QPushButton>(s.screen, "pushButtonLookUp")->click();
    QCOMPARE(title, QStringLiteral("Inventory 950x600"));
    QCOMPARE(s.child("lineEditBarCode")->text(), QStringLiteral("L1"));
    QCOMPARE(s.child("lineSelectedProduct")->text(), QStringLiteral("Lemon"));
    QCOMPARE(s.child("lineSelectedSalePrice")->text(), QStringLiteral("3.00"));

    // Closed without a choice: the code is empty and nothing else changes.
    answerer->handle([](QWidget* modal) {
        auto* page = modal->findChild<InventoryManagement*>();
        if (!page)
            return false;
        Child<QPushButton>(page, "pushClose")->click();
        return true;
    });
    s.screen->on_pushButtonLookUp_clicked();
    QCOMPARE(s.child("lineEditBarCode")->text(), QString());
    QCOMPARE(s.child("lineSelectedProduct")->text(), QStringLiteral("Lemon"));
}

void TestCPOSItems::failedStockChangeWritesNoLine()
{
    addStock(QStringLiteral("F1"));
    Screen s;
    s.scan(QStringLiteral("F1"));
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("CREATE TRIGGER refuse_stock BEFORE UPDATE ON tblInventory "
                                                             "FOR EACH ROW SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                                                             "'stock is being counted'")}),
             QString());
    s.scan(QStringLiteral("F1"));
    QVERIFY2(s.status().startsWith(QStringLiteral("Error occurred while updating stock, so the item was not added: "
                                                  "stock is being counted")),
             qPrintable(s.status()));
    QCOMPARE(lines(QStringLiteral("ITEM_INDEX")), QStringList{"1"});
    QCOMPARE(s.child("lineEditTotal")->text(), QStringLiteral("10.00"));
    QCOMPARE(s.screen->itemIndexes, QVector<int>{1});

    // Deleting: the line stays with its stock as it was.
    auto* view = Child<QTableView>(s.screen, "tableViewItems");
    view->setCurrentIndex(view->model()->index(0, 2));
    s.screen->on_pushDeleteItem_clicked();
    QCOMPARE(s.status(), QStringLiteral("Error occurred while deleting item"));
    QCOMPARE(lines(QStringLiteral("ITEM_INDEX")), QStringList{"1"});
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("DROP TRIGGER refuse_stock")}), QString());
    QCOMPARE(stock(QStringLiteral("F1")), QStringLiteral("99|0"));

    // And the till goes on.
    s.scan(QStringLiteral("F1"));
    QCOMPARE(lines(QStringLiteral("ITEM_INDEX")), (QStringList{"1", "2"}));
    QCOMPARE(stock(QStringLiteral("F1")), QStringLiteral("98|0"));
}

void TestCPOSItems::lineIndexNumbers_data()
{
    QTest::addColumn<QVector<int>>("used");
    QTest::addColumn<int>("released");
    QTest::addColumn<int>("next");
    QTest::newRow("empty list") << QVector<int>{} << 0 << 1;
    QTest::newRow("after 1, 2, 3") << QVector<int>{1, 2, 3} << 0 << 4;
    QTest::newRow("highest released is given again") << QVector<int>{1, 2, 3} << 3 << 3;
    QTest::newRow("a gap is not filled") << QVector<int>{1, 2, 3} << 2 << 4;
    QTest::newRow("releasing an unused number changes nothing") << QVector<int>{1, 2} << 7 << 3;
}

void TestCPOSItems::lineIndexNumbers()
{
    QFETCH(QVector<int>, used);
    QFETCH(int, released);
    QFETCH(int, next);
    Screen s;
    s.screen->itemIndexes = used;
    s.screen->ReleaseIndex(released);
    QCOMPARE(s.screen->NextFreeIndex(), next);
}

void TestCPOSItems::newSaleStartsEmpty()
{
    addStock(QStringLiteral("N1"), {{"QUANTITY", 5}, {"REORDER_LEVEL", 4}});
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    s.child("lineEditItems")->setText(QStringLiteral("2"));
    s.child("lineEditDiscount")->setText(QStringLiteral("10"));
    AppSettings::Instance()->settings->setValue(QStringLiteral("reset_qty"), false);
    s.scan(QStringLiteral("N1"));
    const QString first = s.screen->transactionId;
    QCOMPARE(s.screen->reorderStockCodes, QStringList{"N1"});
    s.child("lineEditPaid")->setText(QStringLiteral("5"));
    s.child("lineRefNumber")->setText(QStringLiteral("R-1"));
    s.child("lineCustomerName")->setText(QStringLiteral("Ann"));
    s.screen->changedSinceSave = false;

    Child<QPushButton>(s.screen, "pushNew")->click();

    QVERIFY(!s.screen->transactionId.isEmpty());
    QVERIFY(s.screen->transactionId != first);
    QCOMPARE(DatabaseTest::Rows(salesDb, QStringLiteral("SELECT ID, STATUS FROM tblSalesTransactions ORDER BY ID")),
             (QStringList{first + "|-1", s.screen->transactionId + "|-1"}));
    QCOMPARE(s.child("lineReceiptNumber")->text(), s.screen->transactionId);
    QCOMPARE(Child<QTableView>(s.screen, "tableViewItems")->model()->rowCount(), 0);
    for (const char* zero : {"lineEditTotal", "lineEditPaid", "lineEditChange", "lineEditTax"})
        QCOMPARE(s.child(zero)->text(), QStringLiteral("0"));
    QCOMPARE(s.child("lineEditItems")->text(), QStringLiteral("1"));
    QCOMPARE(s.child("lineEditDiscount")->text(), QStringLiteral("0"));
    QCOMPARE(s.child("lineRefNumber")->text(), QString());
    QCOMPARE(s.child("lineCustomerName")->text(), QString());
    QVERIFY(s.screen->itemIndexes.isEmpty());
    QVERIFY(s.screen->reorderStockCodes.isEmpty());
    QCOMPARE(s.screen->grandTotal, 0.0);
    QCOMPARE(s.screen->saleState, 0);
    QVERIFY(!s.screen->changedSinceSave);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(s.child("lineBarcodeScannerInput")));
}

void TestCPOSItems::suggestionsFollowQuery_data()
{
    QTest::addColumn<bool>("startsWith");
    QTest::addColumn<QString>("typed"); // a letter at a time, each narrowing the list of the one before
    QTest::newRow("starts with") << true << "gre";
    QTest::newRow("starts with, other case") << true << "GRE";
    QTest::newRow("contains") << false << "gre";
    QTest::newRow("contains, in the stock code") << false << "code:o";
    QTest::newRow("one letter, every row") << false << "e";
}

// The suggestions are the rows of the search query that match, in the query's order.
void TestCPOSItems::suggestionsFollowQuery()
{
    QFETCH(bool, startsWith);
    QFETCH(QString, typed);
    AppSettings::Instance()->settings->setValue(QStringLiteral("start_with_search_term"), startsWith);
    const QStringList names{"Green Tea",   "Oat Milk",    "Evergreen Soap", "Greek Yogurt",
                            "Agreed Rice", "Grape Juice", "Ogre Cookies"};
    for (int i = 0; i < names.size(); ++i)
        addStock(names.at(i).left(1) + QString::number(i), {{"NAME", names.at(i)}});
    const QStringList rows = inventory(QStringLiteral(
        "SELECT i.BAR_CODE, CONCAT(p.NAME, ' [STOCK CODE:' , i.BAR_CODE , ']') FROM tblInventory as i, tblProducts as p "
        " WHERE i.PRODUCT_ID = p.ID "));
    QCOMPARE(rows.size(), names.size());
    QStringList expected;
    for (const QString& row : rows) {
        const QString text = row.section(QLatin1Char('|'), 1);
        if (startsWith ? text.startsWith(typed, Qt::CaseInsensitive) : text.contains(typed, Qt::CaseInsensitive))
            expected << row;
    }
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    auto* search = Child<QComboBox>(s.screen, "comboBoxProducts");
    search->setFocus();
    QTest::keyClicks(search->lineEdit(), typed);
    QCOMPARE(search->completer()->completionPrefix(), typed);
    const QAbstractItemModel* shown = search->completer()->completionModel();
    QStringList suggestions;
    for (int row = 0; row < shown->rowCount(); ++row)
        suggestions << shown->index(row, 0).data().toString() + QLatin1Char('|')
                           + shown->index(row, 1).data().toString();
    QCOMPARE(suggestions, expected);

    // The open list draws its rows a line of text high, the first ones in sight.
    QAbstractItemView* list = search->completer()->popup();
    QTRY_VERIFY(list->isVisible());
    const int column = search->completer()->completionColumn();
    for (int row = 0; row < std::min(3, shown->rowCount()); ++row) {
        const QRect drawn = list->visualRect(shown->index(row, column));
        QVERIFY2(drawn.height() >= list->fontMetrics().height(), qPrintable(QString::number(drawn.height())));
        QVERIFY(list->viewport()->rect().contains(drawn.topLeft()));
        QVERIFY(list->viewport()->rect().contains(drawn.bottomLeft()));
    }
}

void TestCPOSItems::selectButtonAddsChosenSuggestion()
{
    addStock(QStringLiteral("SEL1"), {{"NAME", "Oat Milk"}});
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    Child<QComboBox>(s.screen, "comboBoxProducts")->setEditText(QStringLiteral("oat"));
    s.screen->on_pushSelect_clicked();
    QCOMPARE(lines(QStringLiteral("BAR_CODE, SALE_PRICE")), QStringList{"SEL1|10"});
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "comboBoxProducts"));
}

void TestCPOSItems::selectedProductTipShowsTheName()
{
    const QString name = QStringLiteral("<img src=/tmp/some.png><h1>Big</h1> mango");
    addStock(QStringLiteral("M1"), {{"NAME", name}});
    Screen s;
    auto* search = Child<QComboBox>(s.screen, "comboBoxProducts");
    search->setEditText(QStringLiteral("<img"));
    s.screen->on_comboBoxProducts_activated(0);
    QCOMPARE(s.child("lineSelectedProduct")->text(), name);
    QCOMPARE(TestSupport::AsShown(TestSupport::HoverTip(s.child("lineSelectedProduct"))), name);
}

VORANTEL_TEST_MAIN(TestCPOSItems)
#include "tst_cpositems.moc"
