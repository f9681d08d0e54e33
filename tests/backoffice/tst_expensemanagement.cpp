#include "addeditexpensedialog.h"
#include "appsettings.h"
#include "backofficefixture.h"
#include "expensemanagement.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "testsupport.h"
#include "urlrecorder.h"

#include <QAbstractProxyModel>
#include <QSignalSpy>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScopeGuard>
#include <QSettings>
#include <QTableView>

namespace {
enum { CATEGORY = 1, DATED = 2, AMOUNT = 3, DESCRIPTION = 4 };
} // namespace

// The expenses page on a real inventory database: searches with text that means something to
// SQL, the display formats, editing through the dialog, deleting the selection, and long lists.
class TestExpenseManagement : public BackofficeTest
{
    Q_OBJECT

private slots:
    void init();
    void search_data();
    void search();
    void showAllKeepsTheCategoryText();
    void amountsAndDatesUseTheDisplayFormats();
    void numbersAndDatesSortByValue_data();
    void numbersAndDatesSortByValue();
    void doubleClickEditsTheExpense();
    void deleteSelectedRows_data();
    void deleteSelectedRows();
    void longListIsCountedAndPrintedWhole();
    void failedListQueryIsReported();
    void refusedReadGivesTheServersReason();
    void opensInCategoryOrder();
    void sortingSetUpOnceTheTableIsCounted();

private:
    static QTableView* grid(ExpenseManagement& page) { return Child<QTableView>(&page, "tableViewExpenses"); }
    static void click(ExpenseManagement& page, const char* button) { Child<QPushButton>(&page, button)->click(); }
    static void selectRows(QTableView* view, const QStringList& descriptions);
};

void TestExpenseManagement::init()
{
    BackofficeTest::init();
    UseLanguage(QLocale::English);
    QCOMPARE(fixture.execInventory(
                 {QStringLiteral("DELETE FROM tblExpenses"), QStringLiteral("DELETE FROM tblExpenseCategories"),
                  QStringLiteral("INSERT INTO tblExpenseCategories (ID, NAME) VALUES (1, 'Travel'), (2, 'Rent'), "
                                 "(3, 'Bob''s 100%'), (4, 'a_b'), (5, 'axb')"),
                  QStringLiteral("INSERT INTO tblExpenses (ID, CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) VALUES "
                                 "(1, 1, '2026-12-01', 12.5, 'Taxi to O''Hare'), "
                                 "(2, 2, '2026-12-01', 1234.5, 'December rent'), "
                                 "(3, 3, '2026-12-02', 3, 'wool 50% off'), "
                                 "(4, 4, '2026-12-03', 4, 'under_score'), "
                                 "(5, 5, '2026-12-03', 5, 'underXscore'), "
                                 "(6, 1, '2026-12-04', 6, 'Taxi home')")}),
             QString());
}

void TestExpenseManagement::selectRows(QTableView* view, const QStringList& descriptions)
{
    view->clearSelection();
    for (const QString& text : descriptions) {
        const QModelIndexList found = view->model()->match(view->model()->index(0, DESCRIPTION), Qt::DisplayRole, text,
                                                           1, Qt::MatchFixedString | Qt::MatchCaseSensitive);
        QVERIFY2(!found.isEmpty(), qPrintable(text));
        view->selectionModel()->select(found.first(), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        view->selectionModel()->setCurrentIndex(found.first(), QItemSelectionModel::NoUpdate);
    }
}

void TestExpenseManagement::search_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("category");
    QTest::addColumn<QString>("day"); // empty: the date is not searched
    QTest::addColumn<QStringList>("listed"); // descriptions, sorted
    QTest::newRow("nothing given") << "" << "" << ""
                                   << QStringList{"December rent", "Taxi home", "Taxi to O'Hare", "underXscore",
                                                  "under_score", "wool 50% off"};
    QTest::newRow("category") << "" << "trav" << "" << QStringList{"Taxi home", "Taxi to O'Hare"};
    QTest::newRow("category and day") << "" << "Travel" << "2026-12-01" << QStringList{"Taxi to O'Hare"};
    QTest::newRow("description and category") << "home" << "Travel" << "" << QStringList{"Taxi home"};
    QTest::newRow("day") << "" << "" << "2026-12-03" << QStringList{"underXscore", "under_score"};
    QTest::newRow("apostrophe") << "O'H" << "" << "" << QStringList{"Taxi to O'Hare"};
    QTest::newRow("apostrophe in the category") << "" << "Bob's" << "" << QStringList{"wool 50% off"};
    QTest::newRow("percent") << "%" << "" << "" << QStringList{"wool 50% off"};
    QTest::newRow("underscore") << "under_" << "" << "" << QStringList{"under_score"};
    QTest::newRow("underscore in the category") << "" << "a_b" << "" << QStringList{"under_score"};
    QTest::newRow("always-true condition") << "' OR '1'='1" << "" << "" << QStringList();
}

void TestExpenseManagement::search()
{
    QFETCH(QString, description);
    QFETCH(QString, category);
    QFETCH(QString, day);
    QFETCH(QStringList, listed);
    ExpenseManagement page(nullptr);
    page.show();
    QVERIFY(!Child<QDateEdit>(&page, "dateEditExpenseDate")->isEnabled());
    Child<QLineEdit>(&page, "editDescription")->setText(description);
    Child<QLineEdit>(&page, "lineEditCategory")->setText(category);
    if (!day.isEmpty()) {
        Child<QCheckBox>(&page, "checkBoxExpenseDate")->setChecked(true);
        QVERIFY(Child<QDateEdit>(&page, "dateEditExpenseDate")->isEnabled());
        Child<QDateEdit>(&page, "dateEditExpenseDate")->setDate(QDate::fromString(day, Qt::ISODate));
    }
    QTest::keyClick(Child<QLineEdit>(&page, "lineEditCategory"), Qt::Key_Return);
    QStringList shown = ColumnTexts(grid(page), DESCRIPTION);
    shown.sort();
    QCOMPARE(shown, listed);
    QCOMPARE(answerer->seen.size(), 0);
}

void TestExpenseManagement::showAllKeepsTheCategoryText()
{
    ExpenseManagement page(nullptr);
    page.show();
    Child<QLineEdit>(&page, "editDescription")->setText(QStringLiteral("home"));
    Child<QLineEdit>(&page, "lineEditCategory")->setText(QStringLiteral("Travel"));
    // Each reads the list once.
    QSignalSpy reads(static_cast<QAbstractProxyModel*>(grid(page)->model())->sourceModel(), &QAbstractItemModel::modelReset);
    click(page, "buttonSearch");
    QCOMPARE(grid(page)->model()->rowCount(), 1);
    click(page, "buttonShowAll");
    QCOMPARE(grid(page)->model()->rowCount(), 6);
    QCOMPARE(reads.count(), 2);
    QCOMPARE(Child<QLineEdit>(&page, "editDescription")->text(), QString());
    QCOMPARE(Child<QLineEdit>(&page, "lineEditCategory")->text(), QStringLiteral("Travel"));
}

void TestExpenseManagement::amountsAndDatesUseTheDisplayFormats()
{
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(QStringLiteral("DATE_FORMAT"), QStringLiteral("DD/MM/YYYY"));
    store->setValue(QStringLiteral("decimal_places"), 3);
    store->setValue(QStringLiteral("locale_lang_index"), int(QLocale::German));
    AppSettings::Instance()->LoadLocale();
    AppSettings::Instance()->LoadDateFormat();
    ExpenseManagement page(nullptr);
    store->remove(QStringLiteral("decimal_places"));
    QVERIFY(SelectRow(grid(page), DESCRIPTION, QStringLiteral("December rent")));
    const QModelIndex row = grid(page)->currentIndex();
    QCOMPARE(row.siblingAtColumn(AMOUNT).data().toString(), QStringLiteral("1.234,500"));
    QCOMPARE(row.siblingAtColumn(DATED).data().toString(), QStringLiteral("01-12-2026"));
    QCOMPARE(row.siblingAtColumn(CATEGORY).data().toString(), QStringLiteral("Rent"));
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT DATED FROM tblExpenses WHERE ID = 2")), QStringList{"2026-12-01"});
    store->setValue(QStringLiteral("DATE_FORMAT"), QStringLiteral("YYYY/MM/DD"));
    AppSettings::Instance()->LoadDateFormat();
}

void TestExpenseManagement::numbersAndDatesSortByValue_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("descending");
    QTest::newRow("AMOUNT") << int(AMOUNT) << QStringList{"1,234.50", "12.50", "6.00", "5.00", "4.00", "3.00"};
    QTest::newRow("Dated, day first") << int(DATED)
                                      << QStringList{"03-12-2026", "03-12-2026", "02-12-2026", "01-12-2026",
                                                     "01-12-2026", "30-11-2026"};
}

void TestExpenseManagement::numbersAndDatesSortByValue()
{
    QFETCH(int, column);
    QFETCH(QStringList, descending);
    const DayFirstFormats formats;
    QCOMPARE(fixture.execInventory({QStringLiteral("UPDATE tblExpenses SET DATED = '2026-11-30' WHERE ID = 6")}), QString());
    ExpenseManagement page(nullptr);
    grid(page)->sortByColumn(column, Qt::DescendingOrder);
    QCOMPARE(ColumnTexts(grid(page), column), descending);
}

void TestExpenseManagement::doubleClickEditsTheExpense()
{
    ExpenseManagement page(nullptr);
    page.resize(900, 650);
    page.show();
    QVERIFY(SelectRow(grid(page), DESCRIPTION, QStringLiteral("December rent")));
    QString shownAmount;
    answerer->handleClass("AddEditExpenseDialog", [&](QWidget* dialog) {
        auto* amount = dialog->findChild<QLineEdit*>(QStringLiteral("lineAmount"));
        shownAmount = amount->text();
        amount->setText(QStringLiteral("1,300"));
        dialog->findChild<QPushButton*>(QStringLiteral("pushAdd"))->click();
        dialog->findChild<QPushButton*>(QStringLiteral("pushClose"))->click();
    });
    QTableView* view = grid(page);
    const QPoint cell = view->visualRect(view->currentIndex()).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell);
    QCOMPARE(shownAmount, QStringLiteral("1,234.50"));
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT AMOUNT FROM tblExpenses WHERE ID = 2")), QStringList{"1300"});
    QVERIFY(SelectRow(grid(page), DESCRIPTION, QStringLiteral("December rent")));
    QCOMPARE(grid(page)->currentIndex().siblingAtColumn(AMOUNT).data().toString(), QStringLiteral("1,300.00"));
}

void TestExpenseManagement::deleteSelectedRows_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("left");
    QTest::newRow("Yes") << int(QMessageBox::Yes) << "2|3|6";
    QTest::newRow("No") << int(QMessageBox::No) << "1|2|3|4|5|6";
}

void TestExpenseManagement::deleteSelectedRows()
{
    QFETCH(int, answer);
    QFETCH(QString, left);
    ExpenseManagement page(nullptr);
    page.show();
    selectRows(grid(page), {"Taxi to O'Hare", "under_score", "underXscore"});
    answerer->pressButton(QMessageBox::StandardButton(answer));
    click(page, "buttonDelete");
    QCOMPARE(answerer->messages(), QStringList{"Delete Expense|Do you really want to delete 3 selected expense(s)?"});
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT ID FROM tblExpenses ORDER BY ID")).join(QLatin1Char('|')), left);
    QCOMPARE(grid(page)->model()->rowCount(), left.count(QLatin1Char('|')) + 1);
}

void TestExpenseManagement::longListIsCountedAndPrintedWhole()
{
    QStringList values;
    for (int id = 100; id < 420; ++id)
        values << QStringLiteral("(%1, 2, '2026-11-01', 1, 'Item %1')").arg(id);
    QCOMPARE(fixture.execInventory({QStringLiteral("INSERT INTO tblExpenses (ID, CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) "
                                                   "VALUES ")
                                    + values.join(QLatin1Char(','))}),
             QString());
    ExpenseManagement page(nullptr);
    // Every row is loaded, not only what a view on screen would ask for.
    QCOMPARE(grid(page)->model()->rowCount(), 326);
    page.show();

    UrlRecorder urls;
    click(page, "pushSaveAsPDF");
    QCOMPARE(urls.urls.size(), 1);
    const QString text = PdfReader::Text(urls.urls.first().toLocalFile());
    QVERIFY(text.contains(QStringLiteral("EXPENSES REPORT")));
    QVERIFY2(text.contains(QStringLiteral("Item 419")), "the last expense is printed too");

    grid(page)->selectionModel()->setCurrentIndex(grid(page)->model()->index(0, DESCRIPTION), QItemSelectionModel::NoUpdate);
    grid(page)->selectAll();
    answerer->pressButton(QMessageBox::No);
    click(page, "buttonDelete");
    QCOMPARE(answerer->messages(), QStringList{"Delete Expense|Do you really want to delete 326 selected expense(s)?"});
}

void TestExpenseManagement::failedListQueryIsReported()
{
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblExpenses TO tblExpensesAway")}), QString());
    {
        ExpenseManagement page(nullptr);
        QCOMPARE(answerer->seen.size(), 1);
        QVERIFY2(answerer->messages().first().startsWith(
                     QStringLiteral("Expense Management|The expense list could not be read.")),
                 qPrintable(answerer->messages().join(' ')));
    }
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblExpensesAway TO tblExpenses")}), QString());
}

// A list the server refuses to read once the page has its columns: the page says why in the server's words.
void TestExpenseManagement::refusedReadGivesTheServersReason()
{
    ExpenseManagement page(nullptr);
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblExpenses TO tblExpensesAway")}), QString());
    click(page, "buttonShowAll");
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblExpensesAway TO tblExpenses")}), QString());
    QCOMPARE(answerer->seen.size(), 1);
    QVERIFY2(answerer->messages().first().contains(QLatin1String("tblExpenses' doesn't exist")),
             qPrintable(answerer->messages().first()));
}

void TestExpenseManagement::opensInCategoryOrder()
{
    ExpenseManagement page(nullptr);
    QVERIFY(!Child<QCheckBox>(&page, "checkEnableSorting")->isVisibleTo(&page));
    QCOMPARE(ColumnTexts(grid(page), CATEGORY),
             (QStringList{"Bob's 100%", "Rent", "Travel", "Travel", "a_b", "axb"}));
}

// A page whose count failed when it opened counts the table again after a read that succeeds, and again after the
// next one when that count failed too; once counted, further reads keep the sorting the user chose.
void TestExpenseManagement::sortingSetUpOnceTheTableIsCounted()
{
    const auto table = [this](bool away) {
        return fixture.execInventory({away ? QStringLiteral("RENAME TABLE tblExpenses TO tblExpensesAway")
                                           : QStringLiteral("RENAME TABLE tblExpensesAway TO tblExpenses")});
    };
    QCOMPARE(fixture.execInventory({QStringLiteral("INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT, "
                                                   "DESCRIPTION) SELECT 2, '2026-11-01', 1, CONCAT('many', seq) "
                                                   "FROM seq_1_to_1000")}),
             QString());
    QCOMPARE(table(true), QString());
    auto restore = qScopeGuard([&table] { table(false); });
    ExpenseManagement page(nullptr);
    auto* box = Child<QCheckBox>(&page, "checkEnableSorting");
    QCOMPARE(table(false), QString());
    // The list is read; the count after it fails.
    click(page, "buttonShowAll");
    QCOMPARE(table(true), QString());
    QCoreApplication::processEvents();
    QCOMPARE(table(false), QString());
    restore.dismiss();
    QVERIFY(!box->isVisibleTo(&page));

    click(page, "buttonShowAll");
    QTRY_VERIFY(box->isVisibleTo(&page));
    QVERIFY(!box->isChecked());
    QVERIFY(!grid(page)->isSortingEnabled());
    box->setChecked(true);
    click(page, "buttonShowAll");
    QCoreApplication::processEvents();
    QVERIFY(box->isChecked());
    QVERIFY(grid(page)->isSortingEnabled());
    QCOMPARE(answerer->seen.size(), 1); // the read when the page opened
}

VORANTEL_TEST_MAIN(TestExpenseManagement)
#include "tst_expensemanagement.moc"
