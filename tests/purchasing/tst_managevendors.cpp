#include "caddnewitemsbatch.h"
#include "inventorydialogs.h"
#include "managevendors.h"
#include "modalanswerer.h"
#include "purchasetest.h"

#include <QAbstractProxyModel>
#include <QSignalSpy>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTextEdit>
#include <QTextStream>

// The vendors dialog on a real inventory database: the default vendor's refusals, failures reported with
// the driver's text, the filter, and the CSV import of what the export writes.
class TestManageVendors : public PurchaseTest
{
    Q_OBJECT

private slots:
    void addAndRefusals();
    void failedWritesKeepTheFields_data();
    void failedWritesKeepTheFields();
    void vendorWithOrdersIsKept();
    void textKeptToItsColumns_data();
    void textKeptToItsColumns();
    void filterTakesTextLiterally_data();
    void filterTakesTextLiterally();
    void stockDialogOpensVendors();
    void importCounts();
    void exportThenImportChangesNothing_data();
    void exportThenImportChangesNothing();

private:
    static void fill(ManageVendors& dialog, const QString& name)
    {
        Child<QLineEdit>(&dialog, "lineEdit")->setText(name);
        Child<QTextEdit>(&dialog, "textEditAddress")->setPlainText(name + QStringLiteral(" Road 2"));
        Child<QLineEdit>(&dialog, "lineEditEmail")->setText(QStringLiteral("a@b.c"));
        Child<QLineEdit>(&dialog, "lineEditContact")->setText(QStringLiteral("123"));
    }
    void import(ManageVendors& dialog, const QString& path)
    {
        answerer->handleClass<QFileDialog>("QFileDialog", [path](QFileDialog* chooser) {
            // selectFile() leaves a focused name field alone: type the path as a user would.
            Child<QLineEdit>(chooser, "fileNameEdit")->setText(path);
            static_cast<QDialog*>(chooser)->accept();
        });
        // The busy box may be seen on a slow machine: it closes itself. The completion box gets its OK.
        answerer->handle([](QWidget* modal) {
            if (modal->inherits("Progress"))
                return true;
            auto* box = qobject_cast<QMessageBox*>(modal);
            if (!box || !box->button(QMessageBox::Ok))
                return false;
            box->button(QMessageBox::Ok)->click();
            return true;
        });
        Child<QPushButton>(&dialog, "pushImport")->click();
        QTRY_COMPARE(answerer->pendingAnswers(), 0);
    }
    QStringList vendors() const
    {
        return rows(QStringLiteral("SELECT ID, NAME, ADDRESS, EMAIL, CONTACT_NUMBER FROM tblVendors ORDER BY ID"));
    }
};

void TestManageVendors::addAndRefusals()
{
    ManageVendors dialog(nullptr);
    fill(dialog, QStringLiteral("Acme"));
    Child<QPushButton>(&dialog, "pushButtonAdd")->click();
    QCOMPARE(rows(QStringLiteral("SELECT NAME, ADDRESS FROM tblVendors WHERE NAME <> 'NONE'")),
             QStringList{"Acme|Acme Road 2"});
    QVERIFY(Child<QLineEdit>(&dialog, "lineEdit")->text().isEmpty());

    auto* table = Child<QTableView>(&dialog, "tableView");
    QVERIFY(SelectRow(table, 1, QStringLiteral("NONE")));
    Child<QLineEdit>(&dialog, "lineEdit")->setText(QStringLiteral("Renamed"));
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushButtonUpdate")->click();
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushButtonDelete")->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages(),
             (QStringList{"Error|Can not update this as this is default system vendor for no selection.",
                          "Error|Can not delete this as this is default system vendor for no selection."}));
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblVendors WHERE NAME = 'NONE'")), QStringList{"1"});
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit")->text(), QStringLiteral("Renamed")); // a refusal keeps the text

    // One stock row of Acme's keeps Acme; without it the same delete goes through.
    QCOMPARE(addProduct(QStringLiteral("P1"), QStringLiteral("Bolt")), QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE) "
                                "SELECT p.ID, v.ID, 'S1', '', 1 FROM tblProducts p, tblVendors v WHERE v.NAME = 'Acme'")),
             QString());
    answerer->clear();
    QVERIFY(SelectRow(table, 1, QStringLiteral("Acme")));
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushButtonDelete")->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages(), QStringList{"Error|Can not delete this vendor as stock Items exist from this vendor."});
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblVendors WHERE NAME = 'Acme'")), QStringList{"1"});

    QCOMPARE(run(QStringLiteral("DELETE FROM tblInventory")), QString());
    QVERIFY(SelectRow(table, 1, QStringLiteral("Acme")));
    Child<QPushButton>(&dialog, "pushButtonDelete")->click();
    QCOMPARE(rows(QStringLiteral("SELECT NAME FROM tblVendors")), QStringList{"NONE"});
}

void TestManageVendors::failedWritesKeepTheFields_data()
{
    QTest::addColumn<QString>("action"); // the button pressed on the vendor Acme
    QTest::addColumn<QString>("when");   // the statement the database refuses
    QTest::addColumn<QString>("message");
    QTest::newRow("add") << "pushButtonAdd" << "INSERT" << "The vendor could not be added.";
    QTest::newRow("update") << "pushButtonUpdate" << "UPDATE" << "The vendor could not be updated.";
    QTest::newRow("delete") << "pushButtonDelete" << "DELETE" << "The vendor could not be deleted.";
}

void TestManageVendors::failedWritesKeepTheFields()
{
    QFETCH(QString, action);
    QFETCH(QString, when);
    QFETCH(QString, message);
    QCOMPARE(addVendor(QStringLiteral("Acme")), QString());
    QCOMPARE(failOn(when, QStringLiteral("tblVendors"), QStringLiteral("vendors are read-only today")), QString());
    const QStringList before = vendors();

    ManageVendors dialog(nullptr);
    if (action != QLatin1String("pushButtonAdd"))
        QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Acme")));
    fill(dialog, QStringLiteral("Zenith"));
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, qPrintable(action))->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages().size(), 1);
    QVERIFY2(answerer->messages().first().startsWith(QStringLiteral("Error|") + message), qPrintable(answerer->messages().first()));
    QVERIFY2(answerer->messages().first().contains(QStringLiteral("vendors are read-only today")),
             qPrintable(answerer->messages().first()));
    QCOMPARE(vendors(), before);
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEdit")->text(), QStringLiteral("Zenith"));
    // The table shows what the database holds, not the refused change.
    auto* table = Child<QTableView>(&dialog, "tableView");
    QCOMPARE(table->model()->rowCount(), before.size());
    QVERIFY(SelectRow(table, 1, QStringLiteral("Acme")));
}

// No stock row, but an order: the database refuses the delete, and the refusal is said in words.
void TestManageVendors::vendorWithOrdersIsKept()
{
    QCOMPARE(addVendor(QStringLiteral("Acme")), QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, PAYMENT_STATUS) SELECT ID, 0, 0 FROM "
                                "tblVendors WHERE NAME = 'Acme'")),
             QString());
    const QStringList before = vendors();
    ManageVendors dialog(nullptr);
    QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Acme")));
    answerer->pressButton(QMessageBox::Ok);
    Child<QPushButton>(&dialog, "pushButtonDelete")->click();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(answerer->messages(), QStringList{"Error|Can not delete this vendor as purchase orders exist for this vendor."});
    QCOMPARE(vendors(), before);
    QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Acme")));
}

// Acme as addVendor() stores it.
static const QString ACME = QStringLiteral("Acme|Acme Street 1|acme@example.com|555-0100");

void TestManageVendors::textKeptToItsColumns_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // empty: stored as the field holds it
    QTest::addColumn<QString>("stored");  // the vendor written, or Acme untouched
    const QString emoji = QStringLiteral("Acme \U0001F680");
    const QString refusal =
        QStringLiteral("Error|The field '%1' can not hold characters such as emoji. Please remove them.");
    const QString tooLong = QStringLiteral("Error|The field 'Address' can hold at most 200 characters. Please shorten it.");
    const QString long10k(10000, QLatin1Char('x'));
    QTest::newRow("add: emoji in the name") << false << "lineEdit" << emoji << refusal.arg(QStringLiteral("Name")) << ACME;
    QTest::newRow("update: emoji in the address") << true << "textEditAddress" << emoji
                                                  << refusal.arg(QStringLiteral("Address")) << ACME;
    QTest::newRow("add: emoji in the email") << false << "lineEditEmail" << emoji << refusal.arg(QStringLiteral("Email"))
                                             << ACME;
    QTest::newRow("update: emoji in the contact") << true << "lineEditContact" << emoji
                                                  << refusal.arg(QStringLiteral("Contact")) << ACME;
    QTest::newRow("add: 10,000 characters of address") << false << "textEditAddress" << long10k << tooLong << ACME;
    QTest::newRow("update: 201 characters of address") << true << "textEditAddress" << QString(201, QLatin1Char('x'))
                                                        << tooLong << ACME;
    QTest::newRow("update: an address as long as its column") << true << "textEditAddress"
                                                              << QString(200, QLatin1Char('x')) << ""
                                                              << "n|" + QString(200, QLatin1Char('x')) + "|m|c";
    QTest::newRow("update: 10,000 characters of name") << true << "lineEdit" << long10k << ""
                                                        << QString(50, QLatin1Char('x')) + "|a|m|c";
}

void TestManageVendors::textKeptToItsColumns()
{
    QFETCH(bool, update);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    QCOMPARE(addVendor(QStringLiteral("Acme")), QString());
    ManageVendors dialog(nullptr);
    dialog.show();
    if (update)
        QVERIFY(SelectRow(Child<QTableView>(&dialog, "tableView"), 1, QStringLiteral("Acme")));
    Child<QLineEdit>(&dialog, "lineEdit")->setText(QStringLiteral("n"));
    Child<QTextEdit>(&dialog, "textEditAddress")->setPlainText(QStringLiteral("a"));
    Child<QLineEdit>(&dialog, "lineEditEmail")->setText(QStringLiteral("m"));
    Child<QLineEdit>(&dialog, "lineEditContact")->setText(QStringLiteral("c"));
    QWidget* edit = Child<QWidget>(&dialog, qPrintable(field));
    if (auto* text = qobject_cast<QTextEdit*>(edit))
        text->setPlainText(typed);
    else
        qobject_cast<QLineEdit*>(edit)->setText(typed);
    Child<QPushButton>(&dialog, update ? "pushButtonUpdate" : "pushButtonAdd")->click();

    const QStringList others = rows(QStringLiteral("SELECT NAME, ADDRESS, EMAIL, CONTACT_NUMBER FROM tblVendors WHERE "
                                                   "NAME <> 'NONE' ORDER BY ID"));
    if (refusal.isEmpty()) {
        QCOMPARE(answerer->messages(), QStringList());
        QCOMPARE(others, update ? QStringList{stored} : QStringList({ACME, stored}));
    } else {
        // Refused before any statement, with the cursor in the field.
        QCOMPARE(answerer->messages(), QStringList{refusal});
        QCOMPARE(others, QStringList{stored});
        QCOMPARE(dialog.focusWidget(), edit);
    }
}

void TestManageVendors::filterTakesTextLiterally_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("part of a name") << "cm" << QStringList{"Acme"};
    QTest::newRow("quote") << "o'neil &" << QStringList{"O'Neil & Sons"};
    QTest::newRow("e-mail") << "50% off@" << QStringList{"50% Off"};
    QTest::newRow("percent is no wildcard") << "50%" << QStringList{"50% Off"};
    QTest::newRow("underscore is no wildcard") << "a_b" << QStringList{};
    QTest::newRow("cleared") << "" << QStringList{"NONE", "Acme", "O'Neil & Sons", "50% Off"};
}

void TestManageVendors::filterTakesTextLiterally()
{
    QFETCH(QString, text);
    QFETCH(QStringList, shown);
    for (const char* name : {"Acme", "O'Neil & Sons", "50% Off"})
        QCOMPARE(addVendor(QLatin1String(name)), QString());
    ManageVendors dialog(nullptr);
    auto* filter = Child<QLineEdit>(&dialog, "lineEditFilter");
    auto* table = Child<QTableView>(&dialog, "tableView");
    // Each text reads the list once.
    QSignalSpy reads(static_cast<QAbstractProxyModel*>(table->model())->sourceModel(), &QAbstractItemModel::modelReset);
    filter->setText(QStringLiteral("x"));
    filter->setText(text);
    QStringList names;
    for (int row = 0; row < table->model()->rowCount(); ++row)
        names << table->model()->index(row, 1).data().toString();
    QCOMPARE(names, shown);
    QCOMPARE(reads.count(), 2);
    QVERIFY(answerer->messages().isEmpty());
}

void TestManageVendors::stockDialogOpensVendors()
{
    // As the main window sets it.
    InventoryDialogs::vendors = [](QWidget* parent) -> QDialog* { return new ManageVendors(parent); };
    CAddNewItemsBatch stock(nullptr);
    auto* vendorsButton = Child<QPushButton>(&stock, "pushVendors");
    QVERIFY(vendorsButton->isEnabled());
    answerer->handleClass<ManageVendors>("ManageVendors", [](ManageVendors* vendors) {
        fill(*vendors, QStringLiteral("Acme"));
        Child<QPushButton>(vendors, "pushButtonAdd")->click();
        vendors->reject();
    });
    vendorsButton->click();
    QCOMPARE(answerer->pendingAnswers(), 0);
    // The new vendor is offered at once; the chosen one stays chosen.
    auto* combo = Child<QComboBox>(&stock, "comboBoxVendors");
    QVERIFY(combo->findText(QStringLiteral("Acme")) >= 0);
    QCOMPARE(combo->currentText(), QStringLiteral("NONE"));
}

void TestManageVendors::importCounts()
{
    QCOMPARE(addVendor(QStringLiteral("Acme")), QString());
    const QString acme = rows(QStringLiteral("SELECT ID FROM tblVendors WHERE NAME = 'Acme'")).value(0);
    const QString none = rows(QStringLiteral("SELECT ID FROM tblVendors WHERE NAME = 'NONE'")).value(0);
    const QString path = TestSupport::ScratchDir() + QStringLiteral("/vendors.csv");
    QVERIFY(TestSupport::WriteFile(path, QStringLiteral("Vendor ID,Name,Address,Email,Contact Number\n"
                                                        "%1,Acme Ltd, Dock 4 ,acme@example.com,555\n"
                                                        ",Newco,Main St,new@example.com,777\n"
                                                        "%2,Hijack,x,x,x\n"
                                                        "0%2,Hijack,x,x,x\n"
                                                        "%2abc,Odd Id,y,y,y\n"
                                                        "9,Short,line,only\n"
                                                        "%1,   ,x,x,x\n"
                                                        ",   ,z,z,z\n")
                                             .arg(acme, none)
                                             .toUtf8()));
    ManageVendors dialog(nullptr);
    import(dialog, path);
    QCOMPARE(answerer->messages(),
             QStringList{"Import/Update|Import/Update operation completed.\nAdded: 2, updated: 1, skipped: 2, invalid: 3, "
                         "failed: 0"});
    QCOMPARE(rows(QStringLiteral("SELECT NAME, ADDRESS, EMAIL, CONTACT_NUMBER FROM tblVendors ORDER BY ID")),
             (QStringList{"NONE|NULL|NULL|NULL", "Acme Ltd|Dock 4|acme@example.com|555", "Newco|Main St|new@example.com|777",
                          "Odd Id|y|y|y"}));
    // The table shows the imported vendors at once.
    QCOMPARE(Child<QTableView>(&dialog, "tableView")->model()->rowCount(), 4);
}

void TestManageVendors::exportThenImportChangesNothing_data()
{
    QTest::addColumn<int>("delimiter");
    QTest::newRow("comma") << 0;
    QTest::newRow("semicolon") << 1;
    QTest::newRow("tab") << 2;
}

void TestManageVendors::exportThenImportChangesNothing()
{
    QFETCH(int, delimiter);
    AppSettings::Instance()->settings->setValue(QStringLiteral("delimiter"), delimiter);
    QCOMPARE(addVendor(QStringLiteral("Acme")), QString());
    QCOMPARE(run(QStringLiteral("INSERT INTO tblVendors (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) VALUES "
                                "('Bare', '', NULL, '')")),
             QString());
    const QStringList before = vendors();

    ManageVendors dialog(nullptr);
    const QString path = TestSupport::ScratchDir() + QStringLiteral("/export.csv");
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Text));
        QTextStream out(&file);
        AppSettings::Instance()->WriteTableAsCsv(&out, Child<QTableView>(&dialog, "tableView"));
    }
    import(dialog, path);
    QCOMPARE(answerer->messages(),
             QStringList{"Import/Update|Import/Update operation completed.\nAdded: 0, updated: 2, skipped: 1, invalid: 0, "
                         "failed: 0"});
    // An empty cell is written as one blank and read back empty: only NULL becomes an empty text.
    QStringList expected = before;
    expected.replaceInStrings(QStringLiteral("|Bare||NULL|"), QStringLiteral("|Bare|||"));
    QCOMPARE(vendors(), expected);
}

VORANTEL_TEST_MAIN(TestManageVendors)
#include "tst_managevendors.moc"
