#include "managecategories.h"
#include "modalanswerer.h"
#include "producttest.h"
#include "testsupport.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

// The categories dialog on a real inventory database: duplicate names, bound names, deleting.
class TestManageCategories : public ProductTest
{
    Q_OBJECT

private slots:
    void add_data();
    void add();
    void renameToOwnNameRefused();
    void namesKeptToTheColumn_data();
    void namesKeptToTheColumn();
    void deleteUsedRefused_data();
    void deleteUsedRefused();
    void failedCountRefusesDelete();
    void refusedReadGivesTheServersReason();

private:
    QStringList names(const QString& table = QStringLiteral("tblProductCategories")) const
    {
        return fixture.rows(QStringLiteral("SELECT NAME FROM %1 ORDER BY ID").arg(table));
    }
};

static const QString DUPLICATE = QStringLiteral("Error|Category already exists in the system");
static const QString IN_USE =
    QStringLiteral("Error|Category can not be deleted because records exist for this category in the system");

void TestManageCategories::add_data()
{
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("stored");

    QTest::newRow("other letter case is a duplicate")
        << QStringList{"Drinks"} << "DRINKS" << QStringList{DUPLICATE} << QStringList{"Drinks"};
    QTest::newRow("apostrophe stored exactly")
        << QStringList{} << "O'Brien's" << QStringList{} << QStringList{"O'Brien's"};
    QTest::newRow("apostrophe name in another case refused")
        << QStringList{"O'Brien's"} << "O'BRIEN'S" << QStringList{DUPLICATE} << QStringList{"O'Brien's"};
    QTest::newRow("backslash stored exactly")
        << QStringList{} << "Tools\\Spares" << QStringList{} << QStringList{"Tools\\Spares"};
    QTest::newRow("backslash name matched exactly")
        << QStringList{"Tools\\Spares"} << "tools\\spares" << QStringList{DUPLICATE} << QStringList{"Tools\\Spares"};
    QTest::newRow("blanks only ignored silently") << QStringList{} << "  " << QStringList{} << QStringList{};
    QTest::newRow("leading blank is another name")
        << QStringList{"DRINKS"} << " Drinks" << QStringList{} << QStringList{"DRINKS", " Drinks"};
}

void TestManageCategories::add()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, typed);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, stored);

    ManageCategories dialog(nullptr, 0);
    auto* edit = Child<QLineEdit>(&dialog, "lineEdit");
    for (const QString& name : existing) {
        edit->setText(name);
        Child<QPushButton>(&dialog, "pushButtonAdd")->click();
    }
    QCOMPARE(names(), existing);
    edit->setText(typed);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(answerer->messages(), messages);
    QCOMPARE(names(), stored);
    QCOMPARE(dialog.findChild<QTableView*>()->model()->rowCount(), stored.size());
}

void TestManageCategories::renameToOwnNameRefused()
{
    addCategory(QStringLiteral("Snacks"));
    ManageCategories dialog(nullptr, 0);
    QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Snacks")));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit")->text(), QStringLiteral("Snacks"));
    Child<QPushButton>(&dialog, "pushButtonUpdate")->click();
    QCOMPARE(answerer->messages(), QStringList{DUPLICATE});

    Child<QLineEdit>(&dialog, "lineEdit")->setText(QStringLiteral("Nibbles 'n' Bits"));
    Child<QPushButton>(&dialog, "pushButtonUpdate")->click();
    QCOMPARE(names(), QStringList{"Nibbles 'n' Bits"});
}

void TestManageCategories::namesKeptToTheColumn_data()
{
    QTest::addColumn<int>("kind"); // 0 product categories, 1 expense categories
    QTest::addColumn<bool>("rename");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QStringList>("stored");
    const QStringList emojiRefused{"Error|The field 'Category' can not hold characters such as emoji. Please remove them."};
    const QString emoji = QStringLiteral("Snacks \U0001F36A");
    QTest::newRow("product: emoji added") << 0 << false << emoji << emojiRefused << QStringList{"Old"};
    QTest::newRow("product: emoji as new name") << 0 << true << emoji << emojiRefused << QStringList{"Old"};
    QTest::newRow("expense: emoji added") << 1 << false << emoji << emojiRefused << QStringList{"Old"};
    QTest::newRow("expense: emoji as new name") << 1 << true << emoji << emojiRefused << QStringList{"Old"};
    const QString tooLong = QStringLiteral("Error|The field 'Category' can hold at most %1 characters. Please shorten it.");
    QTest::newRow("product: 10,000 characters added")
        << 0 << false << QString(10000, QLatin1Char('p')) << QStringList{tooLong.arg(50)} << QStringList{"Old"};
    QTest::newRow("product: 51 characters as new name")
        << 0 << true << QString(51, QLatin1Char('p')) << QStringList{tooLong.arg(50)} << QStringList{"Old"};
    QTest::newRow("expense: 10,000 characters as new name")
        << 1 << true << QString(10000, QLatin1Char('e')) << QStringList{tooLong.arg(100)} << QStringList{"Old"};
    QTest::newRow("expense: as long as its column, added")
        << 1 << false << QString(100, QLatin1Char('e')) << QStringList{} << QStringList{"Old", QString(100, QLatin1Char('e'))};
}

void TestManageCategories::namesKeptToTheColumn()
{
    QFETCH(int, kind);
    QFETCH(bool, rename);
    QFETCH(QString, typed);
    QFETCH(QStringList, messages);
    QFETCH(QStringList, stored);
    const QString table = kind == 0 ? QStringLiteral("tblProductCategories") : QStringLiteral("tblExpenseCategories");
    QString error = fixture.exec({QStringLiteral("INSERT INTO %1 (NAME) VALUES ('Old')").arg(table)});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    ManageCategories dialog(nullptr, kind);
    dialog.show();
    if (rename)
        QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Old")));
    auto* edit = Child<QLineEdit>(&dialog, "lineEdit");
    edit->setText(typed);
    Child<QPushButton>(&dialog, rename ? "pushButtonUpdate" : "pushButtonAdd")->click();
    QCOMPARE(answerer->messages(), messages);
    QCOMPARE(names(table), stored);
    if (!messages.isEmpty())
        QCOMPARE(dialog.focusWidget(), edit);
}

void TestManageCategories::deleteUsedRefused_data()
{
    QTest::addColumn<bool>("used");
    QTest::newRow("used by a product") << true;
    QTest::newRow("unused") << false;
}

void TestManageCategories::deleteUsedRefused()
{
    QFETCH(bool, used);
    const QString id = addCategory(QStringLiteral("Bakery"));
    addCategory(QStringLiteral("Dairy"));
    if (used) {
        const QString error = fixture.exec({QStringLiteral(
            "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT) VALUES (%1, 'B1', 'Bread', 1)")
                                                .arg(id)});
        QVERIFY2(error.isEmpty(), qPrintable(error));
    }
    ManageCategories dialog(nullptr, 0);
    QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Bakery")));
    Child<QPushButton>(&dialog, "pushButtonDelete")->click();
    QCOMPARE(answerer->messages(), used ? QStringList{IN_USE} : QStringList{});
    QCOMPARE(names(), used ? QStringList({"Bakery", "Dairy"}) : QStringList{"Dairy"});
}

void TestManageCategories::failedCountRefusesDelete()
{
    fixture.exec({QStringLiteral("INSERT INTO tblExpenseCategories (NAME) VALUES ('Rent')")});
    ManageCategories dialog(nullptr, 1);
    QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Rent")));
    // Without its expenses table the count cannot be made: the category must stay.
    QString error = fixture.exec({QStringLiteral("RENAME TABLE tblExpenses TO tblExpensesAway")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    Child<QPushButton>(&dialog, "pushButtonDelete")->click();
    error = fixture.exec({QStringLiteral("RENAME TABLE tblExpensesAway TO tblExpenses")});
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(names(QStringLiteral("tblExpenseCategories")), QStringList{"Rent"});
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().contains(QLatin1String("tblExpenses")), qPrintable(answerer->messages().first()));
}

// The categories refused once the dialog has its columns (read again after a refused deletion): the server's words.
void TestManageCategories::refusedReadGivesTheServersReason()
{
    addCategory(QStringLiteral("Bakery"));
    ManageCategories dialog(nullptr, 0);
    QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Bakery")));
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblProductCategories TO tblProductCategoriesAway")}), QString());
    Child<QPushButton>(&dialog, "pushButtonDelete")->click();
    QCOMPARE(fixture.exec({QStringLiteral("RENAME TABLE tblProductCategoriesAway TO tblProductCategories")}), QString());
    const QString read = answerer->messages().value(1);
    QVERIFY2(read.contains(QLatin1String("The categories could not be read.")), qPrintable(answerer->messages().join('\n')));
    QVERIFY2(read.contains(QLatin1String("tblProductCategories' doesn't exist")), qPrintable(read));
}

VORANTEL_TEST_MAIN(TestManageCategories)
#include "tst_managecategories.moc"
