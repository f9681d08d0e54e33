#include "addeditexpensedialog.h"
#include "appsettings.h"
#include "backofficefixture.h"
#include "expensemanagement.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QSqlField>
#include <QSqlRecord>
#include <QTableView>
#include <QTextEdit>

// The expense dialog on a real inventory database: prefilled purchase-order expenses, amounts
// in the display locale, saving new and edited expenses, and failed saves.
class TestAddEditExpenseDialog : public BackofficeTest
{
    Q_OBJECT

private slots:
    void init();
    void cleanupTestCase();
    void prefillMakesSureTheCategoryExists_data();
    void prefillMakesSureTheCategoryExists();
    void amountIsReadWithTheDisplayLocale_data();
    void amountIsReadWithTheDisplayLocale();
    void returnAndAddEachSaveOneExpense();
    void editedExpenseKeepsItsId();
    void untouchedAmountIsNotRewritten_data();
    void untouchedAmountIsNotRewritten();
    void failedSaveIsShownAndKeepsTheForm();
    void descriptionKeptToItsColumn_data();
    void descriptionKeptToItsColumn();
    void statusTakesItsColourWithoutHoldingTheDialog();
    void categoriesDialogChangesTheList();
    void fieldsStayWhileMessagesComeAndGo();

private:
    static QString status(AddEditExpenseDialog& dialog) { return Child<QLabel>(&dialog, "labelStatus")->text(); }
    static QString statusStyle(AddEditExpenseDialog& dialog) { return Child<QLabel>(&dialog, "labelStatus")->styleSheet(); }
    QString expenses() const
    {
        return fixture
            .inventoryRows(QStringLiteral("SELECT e.ID, c.NAME, e.DATED, e.AMOUNT, e.DESCRIPTION FROM tblExpenses e "
                                          "JOIN tblExpenseCategories c ON c.ID = e.CATEGORY_ID ORDER BY e.ID"))
            .join(QLatin1Char('\n'));
    }
};

namespace {
const QString RED = QStringLiteral("QLabel {background-color: red; color:white }");
const QString GREEN = QStringLiteral("QLabel {background-color: green; color:white }");
} // namespace

void TestAddEditExpenseDialog::init()
{
    BackofficeTest::init();
    UseLanguage(QLocale::English);
    QCOMPARE(fixture.execInventory({QStringLiteral("DELETE FROM tblExpenses"), QStringLiteral("DELETE FROM tblExpenseCategories"),
                                    QStringLiteral("ALTER TABLE tblExpenses AUTO_INCREMENT = 1"),
                                    QStringLiteral("INSERT INTO tblExpenseCategories (ID, NAME) VALUES (1, 'Travel'), "
                                                   "(2, 'Rent')")}),
             QString());
}

void TestAddEditExpenseDialog::cleanupTestCase()
{
    UseLanguage(QLocale::AnyLanguage);
    BackofficeTest::cleanupTestCase();
}

void TestAddEditExpenseDialog::prefillMakesSureTheCategoryExists_data()
{
    QTest::addColumn<QString>("category");
    QTest::addColumn<QStringList>("categories");
    QTest::newRow("missing: created") << "PURCHASE ORDERS" << QStringList{"PURCHASE ORDERS", "Rent", "Travel"};
    QTest::newRow("existing: used") << "Rent" << QStringList{"Rent", "Travel"};
    QTest::newRow("apostrophe") << "Bob's Supplies" << QStringList{"Bob's Supplies", "Rent", "Travel"};
    QTest::newRow("backslash and quote") << "a\\' b" << QStringList{"a\\' b", "Rent", "Travel"};
}

void TestAddEditExpenseDialog::prefillMakesSureTheCategoryExists()
{
    QFETCH(QString, category);
    QFETCH(QStringList, categories);
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    dialog.PrefillExpense(QStringLiteral("Purchase Order Number: 12"), QStringLiteral("250.75"), category,
                          QDate(2026, 11, 30));
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT NAME FROM tblExpenseCategories ORDER BY NAME")), categories);
    auto* combo = Child<QComboBox>(&dialog, "comboCategories");
    QCOMPARE(combo->count(), categories.size());
    QCOMPARE(combo->currentText(), category);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineAmount")->text(), QStringLiteral("250.75"));
    QCOMPARE(Child<QDateEdit>(&dialog, "date")->date(), QDate(2026, 11, 30));

    Child<QPushButton>(&dialog, "pushAdd")->click();
    QCOMPARE(expenses(), QStringLiteral("1|%1|2026-11-30|250.75|Purchase Order Number: 12").arg(category));
    QCOMPARE(status(dialog), QStringLiteral("$250.75 added under %1 category ").arg(category));
    QTRY_COMPARE(statusStyle(dialog), GREEN);
}

void TestAddEditExpenseDialog::amountIsReadWithTheDisplayLocale_data()
{
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("amount");
    QTest::addColumn<QString>("refusal"); // empty: saved
    QTest::addColumn<QString>("stored");
    const QString dot = QStringLiteral("Amount is not valid. Example 50.50");
    const QString comma = QStringLiteral("Amount is not valid. Example 50,50");
    QTest::newRow("empty") << int(QLocale::English) << "" << dot << "";
    QTest::newRow("letters") << int(QLocale::English) << "12abc" << dot << "";
    QTest::newRow("group separators") << int(QLocale::English) << "1,234.50" << "" << "1234.5";
    QTest::newRow("negative") << int(QLocale::English) << "-5" << "" << "-5";
    QTest::newRow("full stop where the decimal point is a comma") << int(QLocale::German) << "1.5" << comma << "";
    QTest::newRow("comma as decimal point") << int(QLocale::German) << "1.234,50" << "" << "1234.5";
    QTest::newRow("infinite") << int(QLocale::English) << "inf" << dot << "";
    QTest::newRow("minus infinite") << int(QLocale::English) << "-inf" << dot << "";
    QTest::newRow("not a number") << int(QLocale::German) << "nan" << comma << "";
    QTest::newRow("beyond a double") << int(QLocale::English) << "1e400" << dot << "";
    QTest::newRow("large and finite: no upper limit") << int(QLocale::English) << "1e300" << "" << "1e+300";
}

void TestAddEditExpenseDialog::amountIsReadWithTheDisplayLocale()
{
    QFETCH(int, language);
    QFETCH(QString, amount);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    UseLanguage(QLocale::Language(language));
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    Child<QComboBox>(&dialog, "comboCategories")->setCurrentText(QStringLiteral("Travel"));
    Child<QLineEdit>(&dialog, "lineAmount")->setText(amount);
    Child<QPushButton>(&dialog, "pushAdd")->click();
    if (refusal.isEmpty()) {
        QTRY_COMPARE(statusStyle(dialog), GREEN);
        QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT AMOUNT FROM tblExpenses")), QStringList{stored});
    } else {
        QCOMPARE(status(dialog), refusal);
        QTRY_COMPARE(statusStyle(dialog), RED);
        QVERIFY(Child<QLineEdit>(&dialog, "lineAmount")->hasFocus());
        QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT COUNT(*) FROM tblExpenses")), QStringList{"0"});
    }
}

void TestAddEditExpenseDialog::returnAndAddEachSaveOneExpense()
{
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    Child<QComboBox>(&dialog, "comboCategories")->setCurrentText(QStringLiteral("Travel"));
    Child<QDateEdit>(&dialog, "date")->setDate(QDate(2026, 12, 1));
    Child<QTextEdit>(&dialog, "textDescription")->setPlainText(QStringLiteral("Taxi to O'Hare"));
    Child<QLineEdit>(&dialog, "lineAmount")->setText(QStringLiteral("12.5"));
    QTest::keyClick(Child<QLineEdit>(&dialog, "lineAmount"), Qt::Key_Return);
    QCOMPARE(status(dialog), QStringLiteral("$12.5 added under Travel category "));
    Child<QPushButton>(&dialog, "pushAdd")->click();
    QCOMPARE(expenses(), QStringLiteral("1|Travel|2026-12-01|12.5|Taxi to O'Hare\n2|Travel|2026-12-01|12.5|Taxi to O'Hare"));
    QVERIFY(dialog.isVisible());
}

void TestAddEditExpenseDialog::editedExpenseKeepsItsId()
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("decimal_places"), 3);
    QCOMPARE(fixture.execInventory({QStringLiteral("INSERT INTO tblExpenses (ID, CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) "
                                                   "VALUES (7, 1, '2026-12-02', 1234.5, 'old')")}),
             QString());
    QSqlRecord record;
    const QVariantList values{7, QStringLiteral("Travel"), QDate(2026, 12, 2), 1234.5, QStringLiteral("old")};
    for (int i = 0; i < values.size(); ++i) {
        record.append(QSqlField(QString::number(i), values.at(i).type()));
        record.setValue(i, values.at(i));
    }
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    dialog.LoadExpense(record);
    AppSettings::Instance()->settings->remove(QStringLiteral("decimal_places"));
    QCOMPARE(Child<QPushButton>(&dialog, "pushAdd")->text(), QStringLiteral("Update"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineAmount")->text(), QStringLiteral("1,234.500"));
    QCOMPARE(Child<QComboBox>(&dialog, "comboCategories")->currentText(), QStringLiteral("Travel"));
    Child<QComboBox>(&dialog, "comboCategories")->setCurrentText(QStringLiteral("Rent"));
    Child<QTextEdit>(&dialog, "textDescription")->setPlainText(QStringLiteral("new"));
    Child<QPushButton>(&dialog, "pushAdd")->click();
    QCOMPARE(status(dialog), QStringLiteral("$1,234.500 updated under Rent category "));
    QCOMPARE(expenses(), QStringLiteral("7|Rent|2026-12-02|1234.5|new"));
}

void TestAddEditExpenseDialog::untouchedAmountIsNotRewritten_data()
{
    QTest::addColumn<double>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("retyped"); // stored once the shown text is typed back over another amount
    QTest::newRow("1.005") << 1.005 << "1.00" << "1";
    QTest::newRow("2.675") << 2.675 << "2.67" << "2.67";
    QTest::newRow("12.3456") << 12.3456 << "12.35" << "12.35";
}

// Opened from the expenses page, only the description changed: the amount stays as stored, even after a
// changed amount was saved and then put back.
void TestAddEditExpenseDialog::untouchedAmountIsNotRewritten()
{
    QFETCH(double, stored);
    QFETCH(QString, shown);
    QFETCH(QString, retyped);
    QCOMPARE(fixture.execInventory({QStringLiteral("INSERT INTO tblExpenses (ID, CATEGORY_ID, DATED, AMOUNT, "
                                                   "DESCRIPTION) VALUES (3, 1, '2026-12-02', %1, 'old')")
                                        .arg(stored, 0, 'g', 17)}),
             QString());
    const QStringList before = fixture.inventoryRows(QStringLiteral("SELECT AMOUNT FROM tblExpenses"));
    ExpenseManagement page(nullptr);
    QVERIFY(SelectRow(Child<QTableView>(&page, "tableViewExpenses"), 4, QStringLiteral("old")));
    QStringList seen;
    answerer->handleClass("AddEditExpenseDialog", [&](QWidget* dialog) {
        auto* amount = Child<QLineEdit>(dialog, "lineAmount");
        auto* description = Child<QTextEdit>(dialog, "textDescription");
        auto* update = Child<QPushButton>(dialog, "pushAdd");
        seen << amount->text();
        description->setPlainText(QStringLiteral("new"));
        update->click();
        seen << fixture.inventoryRows(QStringLiteral("SELECT AMOUNT, DESCRIPTION FROM tblExpenses"));
        amount->setText(QStringLiteral("7"));
        update->click();
        amount->setText(shown);
        update->click();
        seen << fixture.inventoryRows(QStringLiteral("SELECT AMOUNT FROM tblExpenses"));
        dialog->close();
    });
    Child<QPushButton>(&page, "buttonEdit")->click();
    QCOMPARE(answerer->seen.size(), 1);
    QCOMPARE(seen, (QStringList{shown, before.value(0) + QStringLiteral("|new"), retyped}));
}

void TestAddEditExpenseDialog::failedSaveIsShownAndKeepsTheForm()
{
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    Child<QComboBox>(&dialog, "comboCategories")->setCurrentText(QStringLiteral("Travel"));
    Child<QLineEdit>(&dialog, "lineAmount")->setText(QStringLiteral("5"));
    // Another workstation removed the category meanwhile.
    QCOMPARE(fixture.execInventory({QStringLiteral("DELETE FROM tblExpenseCategories WHERE NAME = 'Travel'")}), QString());
    Child<QPushButton>(&dialog, "pushAdd")->click();
    QVERIFY2(status(dialog).startsWith(QStringLiteral("Error: Can not add new expense.")), qPrintable(status(dialog)));
    QTRY_COMPARE(statusStyle(dialog), RED);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineAmount")->text(), QStringLiteral("5"));
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT COUNT(*) FROM tblExpenses")), QStringList{"0"});
}

void TestAddEditExpenseDialog::descriptionKeptToItsColumn_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // empty: saved
    QTest::addColumn<QString>("stored");  // the description saved
    QTest::newRow("emoji") << QStringLiteral("Taxi \U0001F695")
                           << "The field 'Description' can not hold characters such as emoji. Please remove them." << "";
    QTest::newRow("10,000 characters") << QString(10000, QLatin1Char('d'))
                                       << "The field 'Description' can hold at most 250 characters. Please shorten it."
                                       << "";
    QTest::newRow("as long as its column") << QString(250, QLatin1Char('d')) << "" << QString(250, QLatin1Char('d'));
    QTest::newRow("Greek") << QStringLiteral("Ταξί") << "" << QStringLiteral("Ταξί");
}

void TestAddEditExpenseDialog::descriptionKeptToItsColumn()
{
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    Child<QComboBox>(&dialog, "comboCategories")->setCurrentText(QStringLiteral("Travel"));
    Child<QLineEdit>(&dialog, "lineAmount")->setText(QStringLiteral("5"));
    auto* description = Child<QTextEdit>(&dialog, "textDescription");
    description->setPlainText(typed);
    Child<QPushButton>(&dialog, "pushAdd")->click();
    if (refusal.isEmpty()) {
        QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT DESCRIPTION FROM tblExpenses")), QStringList{stored});
    } else {
        QCOMPARE(status(dialog), refusal);
        QCOMPARE(dialog.focusWidget(), description);
        QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT COUNT(*) FROM tblExpenses")), QStringList{"0"});
    }
}

void TestAddEditExpenseDialog::statusTakesItsColourWithoutHoldingTheDialog()
{
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    Child<QComboBox>(&dialog, "comboCategories")->setCurrentText(QStringLiteral("Travel"));
    Child<QLineEdit>(&dialog, "lineAmount")->setText(QStringLiteral("x"));
    Child<QPushButton>(&dialog, "pushAdd")->click();
    // The message is there at once, still plain; its colour follows without the dialog having waited for it.
    QCOMPARE(status(dialog), QStringLiteral("Amount is not valid. Example 50.50"));
    QCOMPARE(statusStyle(dialog), QString());
    QTRY_COMPARE(statusStyle(dialog), RED);
}

void TestAddEditExpenseDialog::categoriesDialogChangesTheList()
{
    AddEditExpenseDialog dialog(nullptr);
    dialog.show();
    answerer->handleClass("ManageCategories", [this](QWidget* categories) {
        categories->findChild<QLineEdit*>(QStringLiteral("lineEdit"))->setText(QStringLiteral("Fuel"));
        categories->findChild<QPushButton*>(QStringLiteral("pushButtonAdd"))->click();
        QCOMPARE(fixture.execInventory({QStringLiteral("DELETE FROM tblExpenseCategories WHERE NAME = 'Rent'")}), QString());
        categories->findChild<QPushButton*>(QStringLiteral("pushButtonClose"))->click();
    });
    Child<QPushButton>(&dialog, "pushEditCategories")->click();
    QCOMPARE(answerer->seen.size(), 1);
    auto* combo = Child<QComboBox>(&dialog, "comboCategories");
    QStringList listed;
    for (int i = 0; i < combo->count(); ++i)
        listed << combo->itemText(i);
    QCOMPARE(listed, (QStringList{"Fuel", "Travel"}));
}

void TestAddEditExpenseDialog::fieldsStayWhileMessagesComeAndGo()
{
    const QString message = QStringLiteral("Error: Can not add new expense. ")
        + QStringLiteral("Lost connection to MySQL server during query. ").repeated(6);
    AddEditExpenseDialog dialog(nullptr);
    auto* status = Child<QLabel>(&dialog, "labelStatus");
    QCOMPARE(TestSupport::MovedByMessage(&dialog, status, message), QString());
    // The room shows the first two lines; a pointer resting on them brings up the whole message.
    status->setText(message);
    QCOMPARE(TestSupport::HoverTip(status), message);
}

VORANTEL_TEST_MAIN(TestAddEditExpenseDialog)
#include "tst_addeditexpensedialog.moc"
