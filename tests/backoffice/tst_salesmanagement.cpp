#include "appsettings.h"
#include "backofficefixture.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "saleopener.h"
#include "salesmanagement.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialog>
#include <QDir>
#include <QMenu>
#include <QTimer>
#include <QGridLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QPushButton>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>

#include <time.h>

namespace {

// The main window's part in "Open in POS", recorded: what was requested and whether the sale
// screen was started, with the page's search inputs as the sale screen finds them.
class RecordingOpener : public QMainWindow, public SaleOpener
{
public:
    void RequestOpenSale(const QString& saleId, bool asInvoice) override
    {
        requests << QStringLiteral("%1 %2").arg(saleId, asInvoice ? "invoice" : "receipt");
    }
    void LaunchPointOfSale() override
    {
        launches++;
        if (duringLaunch)
            duringLaunch();
    }
    QStringList requests;
    int launches = 0;
    std::function<void()> duringLaunch;
};

enum { ID = 0, CUSTOMER = 2, STATUS = 9, DUE_DATE = 11 };

} // namespace

// The sales records page on a real sales database: the two pickers, searches with text that
// means something to SQL, the status marks, deleting sales whole, reopening and printing.
class TestSalesManagement : public BackofficeTest
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pickersListTheirKindOnly_data();
    void pickersListTheirKindOnly();
    void pickerHandsBackTheClickedSale_data();
    void pickerHandsBackTheClickedSale();
    void search_data();
    void search();
    void sortedListShowsTheRowsOfEachSearch();
    void statusMarks_data();
    void statusMarks();
    void dueMarkForTodayAndYesterday_data();
    void dueMarkForTodayAndYesterday();
    void deleteRemovesSalesFromEveryTable();
    void deleteAnsweredNoOrWithoutSelection_data();
    void deleteAnsweredNoOrWithoutSelection();
    void failedDeleteKeepsThatSaleAndTheRestWhole();
    void openInPosRequestsTheSaleAndKeepsTheSearch_data();
    void openInPosRequestsTheSaleAndKeepsTheSearch();
    void savedPdfListsEverySale();
    void columnChoiceHoldsForEveryPage();
    void exportWritesBothLists();
    void failedListQueryIsReported();
    void refusedReadGivesTheServersReason();
    void datesAndMoneyInTheDisplayFormats();
    void numbersAndDatesSortByValue_data();
    void numbersAndDatesSortByValue();
    void listFillsThePage();

private:
    static QTableView* sales(SalesManagement& page) { return Child<QTableView>(&page, "tableViewSales"); }
    static void clickRow(QTableView* view, const QString& saleId);
    static void click(QWidget& page, const char* button) { Child<QPushButton>(&page, button)->click(); }
    static void selectRows(QTableView* view, const QStringList& saleIds);
    // Rows of the sale in each table: "sale|lines|pending payments".
    QString stored(const QString& saleId) const;

    std::unique_ptr<RecordingOpener> window;
};

void TestSalesManagement::init()
{
    BackofficeTest::init();
    window.reset(new RecordingOpener);
    AppSettings::Instance()->mainWindow = window.get();
    QStringList statements = {
        QStringLiteral("DROP TRIGGER IF EXISTS refuse_delete"), QStringLiteral("DELETE FROM tblPendingPayments"),
        QStringLiteral("DELETE FROM tblSalesInvoice"), QStringLiteral("DELETE FROM tblSalesTransactions"),
        QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, GRAND_TOTAL, INVOICE_MODE, "
                       "STATUS, DUE_DATE) VALUES "
                       "(1, 'u', 'Ann', '2026-12-01 10:00:00', 10, 0, 2, NULL), "
                       "(2, 'u', 'O''Brien', '2026-12-02 11:00:00', 20, 1, 0, '2099-12-20'), "
                       "(3, 'u', '100% wool', '2026-12-03 12:00:00', 30, 1, 1, '2020-01-01'), "
                       "(4, 'u', 'a_b', '2026-12-03 13:00:00', 40, 0, -1, NULL), "
                       "(5, 'u', 'axb', '2026-12-04 14:00:00', 50, 0, 7, NULL), "
                       "(6, 'u', 'back\\\\slash', '2026-12-04 15:00:00', 60, 1, 2, '2020-01-01'), "
                       "(7, 'u', 'Ann', '2026-12-05 16:00:00', 70, 0, 0, NULL), "
                       "(17, 'u', 'Zed', '2026-12-05 17:00:00', 170, 1, -1, NULL)")};
    for (const int sale : {1, 2, 3, 4, 5, 6, 7, 17}) {
        for (int line = 1; line <= 2; ++line)
            statements << QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                                         "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, "
                                         "SUB_TAX) VALUES (%1, %2, 'item', 1, 1, 2, '0', 0, 2, 1, 0)")
                              .arg(sale)
                              .arg(line);
        statements << QStringLiteral("INSERT INTO tblPendingPayments (TRANSACTION_ID, BUTTON_INDEX, PAYMENT_NAME) "
                                     "VALUES (%1, 1, 'held')")
                          .arg(sale);
    }
    QCOMPARE(fixture.execSales(statements), QString());
}

void TestSalesManagement::cleanup()
{
    AppSettings::Instance()->mainWindow = nullptr;
    window.reset();
    BackofficeTest::cleanup();
}

QString TestSalesManagement::stored(const QString& saleId) const
{
    QStringList counts;
    for (const char* sql : {"SELECT COUNT(*) FROM tblSalesTransactions WHERE ID = ?",
                            "SELECT COUNT(*) FROM tblSalesInvoice WHERE TRANSACTION_ID = ?",
                            "SELECT COUNT(*) FROM tblPendingPayments WHERE TRANSACTION_ID = ?"})
        counts << fixture.salesRows(QLatin1String(sql), {saleId}).value(0);
    return counts.join(QLatin1Char('|'));
}

void TestSalesManagement::clickRow(QTableView* view, const QString& saleId)
{
    QVERIFY(SelectRow(view, ID, saleId));
    view->scrollTo(view->currentIndex());
    const QPoint centre = view->visualRect(view->currentIndex()).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, centre);
}

void TestSalesManagement::selectRows(QTableView* view, const QStringList& saleIds)
{
    view->clearSelection();
    for (const QString& id : saleIds) {
        const QModelIndexList found = view->model()->match(view->model()->index(0, ID), Qt::DisplayRole, id, 1,
                                                           Qt::MatchFixedString);
        QVERIFY2(!found.isEmpty(), qPrintable(id));
        view->selectionModel()->select(found.first(), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    }
}

void TestSalesManagement::pickersListTheirKindOnly_data()
{
    QTest::addColumn<int>("saleType");
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<bool>("statusComboEnabled");
    QTest::newRow("receipts") << 1 << QStringList{"1", "4", "5", "7"} << false;
    QTest::newRow("invoices") << 2 << QStringList{"2", "3", "6", "17"} << true;
    QTest::newRow("no preset") << 0 << QStringList{"1", "2", "3", "4", "5", "6", "7", "17"} << true;
}

void TestSalesManagement::pickersListTheirKindOnly()
{
    QFETCH(int, saleType);
    QFETCH(QStringList, listed);
    QFETCH(bool, statusComboEnabled);
    QDialog host;
    auto* page = new SalesManagement(&host, true, true, saleType);
    (new QGridLayout(&host))->addWidget(page);
    host.show();
    QCOMPARE(ColumnTexts(sales(*page), ID), listed);
    QCOMPARE(Child<QComboBox>(page, "comboFilter")->currentIndex(), saleType);
    QCOMPARE(Child<QComboBox>(page, "comboInvoiceStatus")->isEnabled(), statusComboEnabled);
    QVERIFY(Child<QPushButton>(page, "pushSelect")->isVisible());
    QVERIFY(Child<QPushButton>(page, "pushClose")->isVisible());
    for (const char* hidden : {"buttonDelete", "buttonEdit", "pushExport", "pushPrint", "pushSaveAsPDF", "buttonAddNew"})
        QVERIFY2(!Child<QPushButton>(page, hidden)->isVisible(), hidden);
}

void TestSalesManagement::pickerHandsBackTheClickedSale_data()
{
    QTest::addColumn<QString>("clicked");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("returned");
    QTest::newRow("click and Select") << "17" << "pushSelect" << "17";
    QTest::newRow("click and Close") << "3" << "pushClose" << "3";
    QTest::newRow("Close without a click") << "" << "pushClose" << "";
    QTest::newRow("Select without a row") << "" << "pushSelect" << "";
}

void TestSalesManagement::pickerHandsBackTheClickedSale()
{
    QFETCH(QString, clicked);
    QFETCH(QString, button);
    QFETCH(QString, returned);
    QDialog host;
    auto* page = new SalesManagement(&host, true, true, 2);
    (new QGridLayout(&host))->addWidget(page);
    host.resize(1000, 700);
    host.show();
    if (!clicked.isEmpty())
        clickRow(sales(*page), clicked);
    click(*page, qPrintable(button));
    QCOMPARE(host.isVisible(), button == QLatin1String("pushSelect") && clicked.isEmpty());
    QCOMPARE(page->GetSelectedSaleId(), returned);
}

void TestSalesManagement::search_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<QString>("customer");
    QTest::addColumn<int>("saleType");
    QTest::addColumn<int>("paymentStatus");
    QTest::addColumn<QString>("date"); // transaction date, empty: not searched
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("nothing given") << "" << "" << 0 << 0 << "" << QStringList{"1", "2", "3", "4", "5", "6", "7", "17"};
    QTest::newRow("number") << "17" << "" << 0 << 0 << "" << QStringList{"17"};
    QTest::newRow("number with an always-true condition") << "1 OR 1=1" << "" << 0 << 0 << "" << QStringList();
    QTest::newRow("number with letters") << "1a" << "" << 0 << 0 << "" << QStringList();
    QTest::newRow("number of another kind") << "17" << "" << 1 << 0 << "" << QStringList();
    QTest::newRow("customer with apostrophe") << "" << "O'B" << 0 << 0 << "" << QStringList{"2"};
    QTest::newRow("customer with percent") << "" << "%" << 0 << 0 << "" << QStringList{"3"};
    QTest::newRow("customer with underscore") << "" << "a_b" << 0 << 0 << "" << QStringList{"4"};
    QTest::newRow("customer with backslash") << "" << "\\" << 0 << 0 << "" << QStringList{"6"};
    QTest::newRow("customer closing the quote") << "" << "' OR ''='" << 0 << 0 << "" << QStringList();
    QTest::newRow("receipts of one customer") << "" << "ann" << 1 << 0 << "" << QStringList{"1", "7"};
    QTest::newRow("unpaid invoices") << "" << "" << 2 << 1 << "" << QStringList{"2"};
    QTest::newRow("transaction date") << "" << "" << 0 << 0 << "2026-12-03" << QStringList{"3", "4"};
}

void TestSalesManagement::search()
{
    QFETCH(QString, number);
    QFETCH(QString, customer);
    QFETCH(int, saleType);
    QFETCH(int, paymentStatus);
    QFETCH(QString, date);
    QFETCH(QStringList, listed);
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    Child<QComboBox>(&page, "comboFilter")->setCurrentIndex(saleType);
    Child<QComboBox>(&page, "comboInvoiceStatus")->setCurrentIndex(paymentStatus);
    Child<QLineEdit>(&page, "lineEditCustomerName")->setText(customer);
    if (!date.isEmpty()) {
        Child<QCheckBox>(&page, "checkBoxEnableDate")->setChecked(true);
        Child<QDateEdit>(&page, "dateEdit")->setDate(QDate::fromString(date, Qt::ISODate));
    }
    Child<QLineEdit>(&page, "editSalesID")->setText(number);
    QTest::keyClick(Child<QLineEdit>(&page, "editSalesID"), Qt::Key_Return);
    QCOMPARE(ColumnTexts(sales(page), ID), listed);

    click(page, "buttonShowAll");
    QCOMPARE(ColumnTexts(sales(page), ID).size(), 8);
}

// Sorted by customer: receipts, then as many invoices, then Show All; each shows its own rows.
void TestSalesManagement::sortedListShowsTheRowsOfEachSearch()
{
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    QTableView* view = sales(page);
    view->sortByColumn(CUSTOMER, Qt::AscendingOrder);
    const auto shown = [view] {
        QStringList rows;
        for (int row = 0; row < view->model()->rowCount(); ++row)
            rows << view->model()->index(row, ID).data().toString() + QLatin1Char('|')
                    + view->model()->index(row, CUSTOMER).data().toString();
        return rows;
    };
    // Each reads the list once.
    QSignalSpy reads(static_cast<QSortFilterProxyModel*>(view->model())->sourceModel(), &QAbstractItemModel::modelReset);
    Child<QComboBox>(&page, "comboFilter")->setCurrentIndex(1);
    click(page, "buttonSearch");
    QCOMPARE(shown(), QStringList({"1|Ann", "7|Ann", "4|a_b", "5|axb"}));
    QCOMPARE(reads.count(), 1);
    Child<QComboBox>(&page, "comboFilter")->setCurrentIndex(2);
    click(page, "buttonSearch");
    QCOMPARE(shown(), QStringList({"3|100% wool", "2|O'Brien", "17|Zed", "6|back\\slash"}));
    QCOMPARE(reads.count(), 2);
    click(page, "buttonShowAll");
    QCOMPARE(shown(), QStringList({"3|100% wool", "1|Ann", "7|Ann", "2|O'Brien", "17|Zed", "4|a_b", "5|axb",
                                   "6|back\\slash"}));
    QCOMPARE(reads.count(), 3);
}

void TestSalesManagement::statusMarks_data()
{
    QTest::addColumn<QString>("saleId");
    QTest::addColumn<QString>("status");
    QTest::addColumn<QColor>("statusMark");
    QTest::addColumn<bool>("dueMarked");
    QTest::newRow("paid receipt") << "1" << "PAID" << QColor(Qt::green) << false;
    QTest::newRow("unpaid, due later") << "2" << "NOT PAID" << QColor(Qt::red) << false;
    QTest::newRow("partially paid, overdue") << "3" << "PARTIALLY PAID" << QColor(97, 173, 226) << true;
    QTest::newRow("still being rung up") << "4" << "UNFINISHED" << QColor(Qt::gray) << true;
    QTest::newRow("unknown status") << "5" << "PAID" << QColor(Qt::green) << true;
    QTest::newRow("paid, due date passed") << "6" << "PAID" << QColor(Qt::green) << false;
    QTest::newRow("unpaid receipt without due date") << "7" << "NOT PAID" << QColor(Qt::red) << true;
}

void TestSalesManagement::statusMarks()
{
    QFETCH(QString, saleId);
    QFETCH(QString, status);
    QFETCH(QColor, statusMark);
    QFETCH(bool, dueMarked);
    SalesManagement page(nullptr, false, false, 0);
    QTableView* view = sales(page);
    QVERIFY(SelectRow(view, ID, saleId));
    const QModelIndex row = view->currentIndex();
    QCOMPARE(row.siblingAtColumn(STATUS).data().toString(), status);
    QCOMPARE(row.siblingAtColumn(STATUS).data(Qt::DecorationRole).value<QColor>(), statusMark);
    QCOMPARE(row.siblingAtColumn(DUE_DATE).data(Qt::DecorationRole).value<QColor>() == QColor(Qt::red), dueMarked);
}

void TestSalesManagement::dueMarkForTodayAndYesterday_data()
{
    QTest::addColumn<int>("dueIn"); // days from today
    QTest::addColumn<bool>("farZone"); // a time zone whose date is not UTC's at this hour
    QTest::addColumn<bool>("dueMarked");
    QTest::newRow("due today") << 0 << false << false;
    QTest::newRow("due yesterday") << -1 << false << true;
    QTest::newRow("due today, local date not UTC's") << 0 << true << false;
    QTest::newRow("due yesterday, local date not UTC's") << -1 << true << true;
}

// An unpaid invoice is overdue from the day after its due date, by the local calendar.
void TestSalesManagement::dueMarkForTodayAndYesterday()
{
    QFETCH(int, dueIn);
    QFETCH(bool, farZone);
    QFETCH(bool, dueMarked);
    const QByteArray zone = qgetenv("TZ");
    const auto restoreZone = qScopeGuard([zone] {
        if (zone.isNull())
            qunsetenv("TZ");
        else
            qputenv("TZ", zone);
        tzset();
    });
    if (farZone) {
        // Twelve hours behind UTC in its morning, fourteen ahead in its afternoon: another date either way.
        qputenv("TZ", QDateTime::currentDateTimeUtc().time().hour() < 12 ? "LOW+12" : "HIGH-14");
        tzset();
        QVERIFY(QDate::currentDate() != QDateTime::currentDateTimeUtc().date());
    }
    const QDate due = QDate::currentDate().addDays(dueIn);
    QCOMPARE(fixture.salesRows(QStringLiteral("UPDATE tblSalesTransactions SET DUE_DATE = ? WHERE ID = 2"),
                               {due.toString(Qt::ISODate)}),
             QStringList());
    SalesManagement page(nullptr, false, false, 0);
    QTableView* view = sales(page);
    QVERIFY(SelectRow(view, ID, QStringLiteral("2")));
    const QModelIndex dueDate = view->currentIndex().siblingAtColumn(DUE_DATE);
    QCOMPARE(dueDate.data().toString(), due.toString(AppSettings::Instance()->dateFormat));
    QCOMPARE(dueDate.data(Qt::DecorationRole).value<QColor>() == QColor(Qt::red), dueMarked);
}

void TestSalesManagement::deleteRemovesSalesFromEveryTable()
{
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    clickRow(sales(page), QStringLiteral("3"));
    QStringList lines = ColumnTexts(Child<QTableView>(&page, "tableViewDetails"), 2);
    lines.sort();
    QCOMPARE(lines, (QStringList{"1", "2"}));
    selectRows(sales(page), {"2", "3", "17"});
    answerer->pressButton(QMessageBox::Yes);
    click(page, "buttonDelete");
    QCOMPARE(answerer->messages(),
             QStringList{"Delete Sale|Do you really want to delete [3] selected sales and associated details?"});
    for (const char* gone : {"2", "3", "17"})
        QCOMPARE(stored(QLatin1String(gone)), QStringLiteral("0|0|0"));
    for (const char* kept : {"1", "4", "5", "6", "7"})
        QCOMPARE(stored(QLatin1String(kept)), QStringLiteral("1|2|1"));
    QCOMPARE(ColumnTexts(sales(page), ID), (QStringList{"1", "4", "5", "6", "7"}));
    QCOMPARE(Child<QTableView>(&page, "tableViewDetails")->model()->rowCount(), 0);
    QCOMPARE(page.GetSelectedSaleId(), QString());

    // Nothing is chosen any more: "Open in POS" asks for a row instead of opening a deleted sale.
    answerer->clear();
    click(page, "buttonEdit");
    QCOMPARE(answerer->messages(), QStringList{"Open Sale|Now row is selected. Please select a row first."});
    QCOMPARE(window->launches, 0);
}

void TestSalesManagement::deleteAnsweredNoOrWithoutSelection_data()
{
    QTest::addColumn<QStringList>("selected");
    QTest::addColumn<QString>("message");
    QTest::newRow("answered No") << QStringList{"1", "2", "3"}
                                 << "Delete Sale|Do you really want to delete [3] selected sales and associated details?";
    QTest::newRow("nothing selected") << QStringList()
                                      << "Delete Sale|Please select row from sales table, and then press delete.";
}

void TestSalesManagement::deleteAnsweredNoOrWithoutSelection()
{
    QFETCH(QStringList, selected);
    QFETCH(QString, message);
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    clickRow(sales(page), QStringLiteral("1"));
    selectRows(sales(page), selected);
    answerer->pressButton(selected.isEmpty() ? QMessageBox::Ok : QMessageBox::No);
    click(page, "buttonDelete");
    QCOMPARE(answerer->messages(), QStringList{message});
    QCOMPARE(fixture.salesRows(QStringLiteral("SELECT COUNT(*) FROM tblSalesTransactions")), QStringList{"8"});
    QCOMPARE(fixture.salesRows(QStringLiteral("SELECT COUNT(*) FROM tblSalesInvoice")), QStringList{"16"});
}

void TestSalesManagement::failedDeleteKeepsThatSaleAndTheRestWhole()
{
    // The sale row of sale 3 cannot go: its lines and held payment, deleted first, must come back.
    QCOMPARE(fixture.execSales({QStringLiteral(
                 "CREATE TRIGGER refuse_delete BEFORE DELETE ON tblSalesTransactions FOR EACH ROW BEGIN IF OLD.ID = 3 "
                 "THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'sale 3 is locked'; END IF; END")}),
             QString());
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    clickRow(sales(page), QStringLiteral("1"));
    selectRows(sales(page), {"2", "3", "17"});
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    click(page, "buttonDelete");
    QCOMPARE(answerer->messages().size(), 2);
    QVERIFY2(answerer->messages().last().startsWith(QStringLiteral("Delete Sale|Sale 3 could not be deleted")),
             qPrintable(answerer->messages().last()));
    QVERIFY2(answerer->messages().last().contains(QStringLiteral("sale 3 is locked")),
             qPrintable(answerer->messages().last()));
    QCOMPARE(stored(QStringLiteral("2")), QStringLiteral("0|0|0"));
    QCOMPARE(stored(QStringLiteral("3")), QStringLiteral("1|2|1"));
    QCOMPARE(stored(QStringLiteral("17")), QStringLiteral("1|2|1"));
    QCOMPARE(ColumnTexts(sales(page), ID), (QStringList{"1", "3", "4", "5", "6", "7", "17"}));
}

void TestSalesManagement::openInPosRequestsTheSaleAndKeepsTheSearch_data()
{
    QTest::addColumn<QString>("saleId");
    QTest::addColumn<QString>("request");
    QTest::newRow("invoice") << "2" << "2 invoice";
    QTest::newRow("receipt") << "7" << "7 receipt";
}

void TestSalesManagement::openInPosRequestsTheSaleAndKeepsTheSearch()
{
    QFETCH(QString, saleId);
    QFETCH(QString, request);
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    auto* saleType = Child<QComboBox>(&page, "comboFilter");
    auto* status = Child<QComboBox>(&page, "comboInvoiceStatus");
    auto* dueDate = Child<QCheckBox>(&page, "checkDueDate");
    Child<QLineEdit>(&page, "lineEditCustomerName")->setText(QStringLiteral("n"));
    saleType->setCurrentIndex(2);
    status->setCurrentIndex(1);
    click(page, "buttonSearch");
    QVERIFY(!Child<QPushButton>(&page, "buttonEdit")->isEnabled());
    saleType->setCurrentIndex(0);
    status->setCurrentIndex(0);
    click(page, "buttonSearch");
    clickRow(sales(page), saleId);
    QVERIFY(Child<QPushButton>(&page, "buttonEdit")->isEnabled());
    saleType->setCurrentIndex(1);
    dueDate->setChecked(true);
    Child<QDateEdit>(&page, "dateEditDueDate")->setDate(QDate(2099, 12, 20));

    // The sale screen changes the sale while it is open, and the search inputs are touched.
    window->duringLaunch = [&] {
        QCOMPARE(fixture.execSales({QStringLiteral("UPDATE tblSalesTransactions SET INVOICE_MODE = 0 WHERE ID = 2")}),
                 QString());
        saleType->setCurrentIndex(2);
        dueDate->setChecked(false);
    };
    click(page, "buttonEdit");
    QCOMPARE(window->requests, QStringList{request});
    QCOMPARE(window->launches, 1);
    QCOMPARE(saleType->currentIndex(), 1);
    QVERIFY(dueDate->isChecked());
    QCOMPARE(Child<QLineEdit>(&page, "lineEditCustomerName")->text(), QStringLiteral("n"));
    // Receipts due on that day whose customer has an "n": sale 2 became one while the sale screen was open.
    QCOMPARE(ColumnTexts(sales(page), ID), QStringList{"2"});
}

void TestSalesManagement::savedPdfListsEverySale()
{
    QStringList statements;
    QStringList values;
    for (int id = 100; id < 420; ++id)
        values << QStringLiteral("(%1, 'u', 'Customer %1', '2026-12-06 09:00:00', 1, 0, 2)").arg(id);
    QCOMPARE(fixture.execSales({QStringLiteral("INSERT INTO tblSalesTransactions (ID, USER_ID, CUSTOMER, TIME_STAMP, "
                                               "GRAND_TOTAL, INVOICE_MODE, STATUS) VALUES ")
                                + values.join(QLatin1Char(','))}),
             QString());
    SalesManagement page(nullptr, false, false, 0);
    // Every row is loaded, not only what a view on screen would ask for.
    QCOMPARE(sales(page)->model()->rowCount(), 328);
    page.show();
    // Two columns keep the printed words whole.
    answerer->handle([](QWidget* modal) {
        auto* list = modal->findChild<QListWidget*>();
        auto* ok = modal->findChild<QPushButton*>(QStringLiteral("pushOk"));
        if (!modal->inherits("Selector") || !list || !ok)
            return false;
        for (int row = 0; row < list->count(); ++row) {
            const QString caption = list->item(row)->text();
            list->item(row)->setCheckState(caption == QLatin1String("ID") || caption == QLatin1String("Customer Name")
                                               ? Qt::Checked
                                               : Qt::Unchecked);
        }
        ok->click();
        return true;
    });
    UrlRecorder urls;
    click(page, "pushSaveAsPDF");
    QCOMPARE(urls.urls.size(), 1);
    const QString text = PdfReader::Text(urls.urls.first().toLocalFile());
    QVERIFY(text.contains(QStringLiteral("SALES REPORT")));
    QVERIFY(text.contains(QStringLiteral("Customer 100")));
    QVERIFY2(text.contains(QStringLiteral("Customer 419")), "the last sale is printed too");
}

void TestSalesManagement::columnChoiceHoldsForEveryPage()
{
    AppSettings::Instance()->salesDetailColumns.clear();
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    auto* lines = Child<QTableView>(&page, "tableViewDetails");
    QVERIFY(lines->isColumnHidden(0) && lines->isColumnHidden(1));

    // The context menu's one entry, chosen as with the keyboard.
    QTimer::singleShot(50, [] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        menu->setActiveAction(menu->actions().value(0));
        QTest::keyClick(menu, Qt::Key_Return);
    });
    QStringList offered;
    answerer->handle([&offered](QWidget* modal) {
        auto* list = modal->findChild<QListWidget*>();
        if (!modal->inherits("Selector") || !list)
            return false;
        for (int row = 0; row < list->count(); ++row) {
            offered << list->item(row)->text() + (list->item(row)->checkState() == Qt::Checked ? "+" : "-");
            list->item(row)->setCheckState(row == 1 ? Qt::Unchecked : Qt::Checked);
        }
        modal->findChild<QPushButton*>(QStringLiteral("pushOk"))->click();
        return true;
    });
    emit lines->customContextMenuRequested(QPoint(5, 5));
    QCOMPARE(offered.size(), 20);
    QCOMPARE(offered.mid(0, 3), (QStringList{"ID-", "TRANSACTION_ID-", "Item Index+"}));
    QVERIFY(!lines->isColumnHidden(0));
    QVERIFY(lines->isColumnHidden(1));

    QDialog host;
    auto* picker = new SalesManagement(&host, true, true, 1);
    auto* pickerLines = Child<QTableView>(picker, "tableViewDetails");
    QVERIFY(!pickerLines->isColumnHidden(0));
    QVERIFY(pickerLines->isColumnHidden(1));
    AppSettings::Instance()->salesDetailColumns.clear();
}

void TestSalesManagement::exportWritesBothLists()
{
    const QString folder = EmptyScratchFolder(QStringLiteral("sales_export"));
    QVERIFY(!folder.isEmpty());
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    for (int i = 0; i < 2; ++i) {
        AnswerFileDialogIn(answerer, folder);
        answerer->pressButton(QMessageBox::Ok);
    }
    click(page, "pushExport");
    const QStringList salesFiles = QDir(folder).entryList({QStringLiteral("Sales_data_export_*.csv")}, QDir::Files);
    const QStringList lineFiles = QDir(folder).entryList({QStringLiteral("Sales_Details_data_export_*.csv")}, QDir::Files);
    QCOMPARE(salesFiles.size(), 1);
    QCOMPARE(lineFiles.size(), 1);
    QCOMPARE(TestSupport::ReadFile(folder + QLatin1Char('/') + salesFiles.first()).count('\n'), 9);
    const QByteArray linesCsv = TestSupport::ReadFile(folder + QLatin1Char('/') + lineFiles.first());
    QCOMPARE(linesCsv.count('\n'), 1); // no sale chosen: the header only
    QVERIFY(linesCsv.startsWith("Item Index,"));
}

void TestSalesManagement::failedListQueryIsReported()
{
    QCOMPARE(fixture.execSales({QStringLiteral("RENAME TABLE tblSalesInvoice TO tblSalesInvoiceAway")}), QString());
    {
        SalesManagement page(nullptr, false, false, 0);
        QCOMPARE(answerer->seen.size(), 1);
        QVERIFY2(answerer->messages().first().startsWith(
                     QStringLiteral("Sales Management|The lines of the sale could not be read.")),
                 qPrintable(answerer->messages().join(' ')));
        QCOMPARE(ColumnTexts(sales(page), ID).size(), 8);
    }
    QCOMPARE(fixture.execSales({QStringLiteral("RENAME TABLE tblSalesInvoiceAway TO tblSalesInvoice")}), QString());
}

// A list the server refuses to read once the page has its columns: the page says why in the server's words.
void TestSalesManagement::refusedReadGivesTheServersReason()
{
    SalesManagement page(nullptr, false, false, 0);
    QCOMPARE(fixture.execSales({QStringLiteral("RENAME TABLE tblSalesTransactions TO tblSalesTransactionsAway")}),
             QString());
    click(page, "buttonShowAll");
    QCOMPARE(fixture.execSales({QStringLiteral("RENAME TABLE tblSalesTransactionsAway TO tblSalesTransactions")}),
             QString());
    QCOMPARE(answerer->seen.size(), 1);
    QVERIFY2(answerer->messages().first().contains(QLatin1String("tblSalesTransactions' doesn't exist")),
             qPrintable(answerer->messages().first()));
}

void TestSalesManagement::datesAndMoneyInTheDisplayFormats()
{
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("DATE_FORMAT"), QStringLiteral("DD/MM/YYYY"));
    store->setValue(QStringLiteral("time_format"), 1);
    store->setValue(QStringLiteral("decimal_places"), 3);
    AppSettings::Instance()->LoadDateFormat();
    AppSettings::Instance()->LoadTimeFormat();
    SalesManagement page(nullptr, false, false, 0);
    store->remove(QStringLiteral("decimal_places"));
    QVERIFY(SelectRow(sales(page), ID, QStringLiteral("2")));
    const QModelIndex row = sales(page)->currentIndex();
    const QStringList shown = {row.siblingAtColumn(3).data().toString(), row.siblingAtColumn(4).data().toString(),
                               row.siblingAtColumn(8).data().toString(), row.siblingAtColumn(DUE_DATE).data().toString(),
                               row.siblingAtColumn(10).data().toString()};
    store->remove(QStringLiteral("DATE_FORMAT"));
    store->remove(QStringLiteral("time_format"));
    AppSettings::Instance()->LoadDateFormat();
    AppSettings::Instance()->LoadTimeFormat();
    // No sent date: an empty cell.
    QCOMPARE(shown, (QStringList{"02-12-2026 11:00:00 AM", "20.000", "INVOICE", "20-12-2099", ""}));
}

void TestSalesManagement::numbersAndDatesSortByValue_data()
{
    QTest::addColumn<QString>("list");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("descending"); // the first rows
    QTest::newRow("Total") << "tableViewSales" << 4 << QStringList{"170.00", "70.00", "60.00"};
    QTest::newRow("Timestamp, day first") << "tableViewSales" << 3
                                          << QStringList{"05-12-2026 16:00:00", "04-12-2026 15:00:00"};
    QTest::newRow("a line's Quantity") << "tableViewDetails" << 4 << QStringList{"1,200", "600"};
}

void TestSalesManagement::numbersAndDatesSortByValue()
{
    QFETCH(QString, list);
    QFETCH(int, column);
    QFETCH(QStringList, descending);
    const DayFirstFormats formats;
    QCOMPARE(fixture.execSales({QStringLiteral("UPDATE tblSalesTransactions SET TIME_STAMP = '2026-11-30' WHERE ID = 17"),
                                QStringLiteral("UPDATE tblSalesInvoice SET QUANTITY = ITEM_INDEX * 600 WHERE TRANSACTION_ID = 1")}),
             QString());
    SalesManagement page(nullptr, false, false, 0);
    page.show();
    clickRow(sales(page), QStringLiteral("1"));
    auto* view = Child<QTableView>(&page, qPrintable(list));
    view->sortByColumn(column, Qt::DescendingOrder);
    QCOMPARE(ColumnTexts(view, column).mid(0, descending.size()), descending);
}

void TestSalesManagement::listFillsThePage()
{
    SalesManagement page(nullptr, false, false, 0);
    page.resize(1000, 700);
    page.show();
    QVERIFY(QTest::qWaitForWindowExposed(&page));
    QTableView* list = sales(page);
    const QModelIndex last = list->model()->index(list->model()->rowCount() - 1, 0);
    QCOMPARE(last.row(), 7);
    QVERIFY2(list->viewport()->rect().contains(list->visualRect(last)),
             qPrintable(QStringLiteral("list %1 high").arg(list->height())));
    const auto* tabs = Child<QTabWidget>(&page, "tabWidget");
    const int below = page.viewport()->height() - tabs->mapTo(page.viewport(), QPoint(0, tabs->height())).y();
    QVERIFY2(below < 20, qPrintable(QStringLiteral("%1 pixels empty below the list").arg(below)));
}

VORANTEL_TEST_MAIN(TestSalesManagement)
#include "tst_salesmanagement.moc"
