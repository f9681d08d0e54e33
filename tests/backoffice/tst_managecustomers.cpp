#include "backofficefixture.h"
#include "managecustomers.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QAbstractProxyModel>
#include <QSignalSpy>
#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTableView>
#include <QTextEdit>

// The customers dialog against a real inventory database: the form's writes, the filter with
// characters that mean something to SQL, the picker, and the CSV round trip.
class TestManageCustomers : public BackofficeTest
{
    Q_OBJECT

private slots:
    void init();
    void addFilterUpdateDelete();
    void filterMatchesTextLiterally_data();
    void filterMatchesTextLiterally();
    void failedSaveIsShownAndKeepsTheForm_data();
    void failedSaveIsShownAndKeepsTheForm();
    void failedListQueryIsReportedAndAnAddMendsIt();
    void refusedReadGivesTheServersReason();
    void textKeptToItsColumns_data();
    void textKeptToItsColumns();
    void pickerHandsBackTheChosenCustomer_data();
    void pickerHandsBackTheChosenCustomer();
    void greekNameStoredAndFound();
    void exportThenImportAddsNoCustomer();
    void importLines_data();
    void importLines();

private:
    void addCustomers(const QStringList& names);
    static void fill(ManageCustomers& dialog, const QString& name, const QString& address, const QString& email,
                     const QString& contact);
    static QTableView* grid(ManageCustomers& dialog) { return Child<QTableView>(&dialog, "tableView"); }
    static void click(ManageCustomers& dialog, const char* button) { Child<QPushButton>(&dialog, button)->click(); }
    static QString nameField(ManageCustomers& dialog) { return Child<QLineEdit>(&dialog, "lineEdit")->text(); }
    // Runs the import on a file; returns the completion text.
    QString import(ManageCustomers& dialog, const QString& path);
    QString customers() const
    {
        return fixture.inventoryRows(QStringLiteral("SELECT ID, NAME, ADDRESS, EMAIL, CONTACT_NUMBER FROM tblCustomers "
                                                    "ORDER BY ID"))
            .join(QLatin1Char('\n'));
    }
};

void TestManageCustomers::init()
{
    BackofficeTest::init();
    QCOMPARE(fixture.execInventory({QStringLiteral("DELETE FROM tblCustomers"),
                                    QStringLiteral("ALTER TABLE tblCustomers AUTO_INCREMENT = 1")}),
             QString());
}

void TestManageCustomers::addCustomers(const QStringList& names)
{
    for (const QString& name : names) {
        const QStringList result = fixture.inventoryRows(
            QStringLiteral("INSERT INTO tblCustomers (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) VALUES (?, ?, ?, ?)"),
            {name, QStringLiteral("addr ") + name, QStringLiteral("mail ") + name, QStringLiteral("tel ") + name});
        QVERIFY2(result.isEmpty(), qPrintable(result.join(' ')));
    }
}

void TestManageCustomers::fill(ManageCustomers& dialog, const QString& name, const QString& address,
                               const QString& email, const QString& contact)
{
    Child<QLineEdit>(&dialog, "lineEdit")->setText(name);
    Child<QTextEdit>(&dialog, "textEditAddress")->setPlainText(address);
    Child<QLineEdit>(&dialog, "lineEditEmail")->setText(email);
    Child<QLineEdit>(&dialog, "lineEditContact")->setText(contact);
}

void TestManageCustomers::addFilterUpdateDelete()
{
    ManageCustomers dialog(nullptr, false);
    dialog.show();
    QVERIFY(!Child<QPushButton>(&dialog, "pushSelect")->isVisible());
    QVERIFY(!Child<QPushButton>(&dialog, "pushButtonUpdate")->isEnabled());

    fill(dialog, QStringLiteral("O'Brien"), QStringLiteral("1 Main St\nTown"), QStringLiteral("ob@example.com"),
         QStringLiteral("555"));
    click(dialog, "pushButtonAdd");
    fill(dialog, QStringLiteral("Smith"), QStringLiteral("2 High St"), QStringLiteral("s@example.com"),
         QStringLiteral("777"));
    QTest::keyClick(Child<QLineEdit>(&dialog, "lineEditContact"), Qt::Key_Return);
    QCOMPARE(customers(), QStringLiteral("1|O'Brien|1 Main St\nTown|ob@example.com|555\n2|Smith|2 High St|s@example.com|777"));
    QCOMPARE(nameField(dialog), QString());
    QCOMPARE(ColumnTexts(grid(dialog), 1), (QStringList{"O'Brien", "Smith"}));
    QCOMPARE(ColumnTexts(grid(dialog), 0), (QStringList{"1", "2"})); // the IDs the server gave, for the picker

    Child<QLineEdit>(&dialog, "lineEditFilter")->setText(QStringLiteral("O'B"));
    QCOMPARE(ColumnTexts(grid(dialog), 1), QStringList{"O'Brien"});

    QVERIFY(SelectRow(grid(dialog), 1, QStringLiteral("O'Brien")));
    QCOMPARE(Child<QTextEdit>(&dialog, "textEditAddress")->toPlainText(), QStringLiteral("1 Main St\nTown"));
    Child<QLineEdit>(&dialog, "lineEditContact")->setText(QStringLiteral("556"));
    click(dialog, "pushButtonUpdate");
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT CONTACT_NUMBER FROM tblCustomers WHERE ID = 1")),
             QStringList{"556"});
    QCOMPARE(ColumnTexts(grid(dialog), 1), QStringList{"O'Brien"}); // the filter stays

    QVERIFY(SelectRow(grid(dialog), 1, QStringLiteral("O'Brien")));
    click(dialog, "pushButtonDelete");
    QCOMPARE(answerer->seen.size(), 0); // no question
    QCOMPARE(customers(), QStringLiteral("2|Smith|2 High St|s@example.com|777"));
    QCOMPARE(nameField(dialog), QString());
    QVERIFY(Child<QPushButton>(&dialog, "pushButtonDelete")->isEnabled());
    QCOMPARE(grid(dialog)->model()->rowCount(), 0);
}

void TestManageCustomers::filterMatchesTextLiterally_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("apostrophe") << "'" << QStringList{"O'Brien"};
    QTest::newRow("backslash") << "\\" << QStringList{"back\\slash"};
    QTest::newRow("backslash before a quote") << "\\'" << QStringList();
    QTest::newRow("percent") << "%" << QStringList{"100% cotton"};
    QTest::newRow("underscore") << "a_b" << QStringList{"a_b"};
    QTest::newRow("always-true condition") << "' OR '1'='1" << QStringList();
    QTest::newRow("empty shows all") << "" << QStringList{"O'Brien", "back\\slash", "100% cotton", "a_b", "axb"};
    QTest::newRow("inside the address") << "addr 100" << QStringList{"100% cotton"};
}

void TestManageCustomers::filterMatchesTextLiterally()
{
    QFETCH(QString, filter);
    QFETCH(QStringList, shown);
    addCustomers({"O'Brien", "back\\slash", "100% cotton", "a_b", "axb"});
    ManageCustomers dialog(nullptr, false);
    dialog.show();
    // Each text reads the list once.
    QSignalSpy reads(static_cast<QAbstractProxyModel*>(grid(dialog)->model())->sourceModel(), &QAbstractItemModel::modelReset);
    Child<QLineEdit>(&dialog, "lineEditFilter")->setText(QStringLiteral("x"));
    Child<QLineEdit>(&dialog, "lineEditFilter")->setText(filter);
    QCOMPARE(ColumnTexts(grid(dialog), 1), shown);
    QCOMPARE(reads.count(), 2);
    QCOMPARE(answerer->seen.size(), 0);
}

void TestManageCustomers::failedSaveIsShownAndKeepsTheForm_data()
{
    QTest::addColumn<bool>("update");
    QTest::newRow("add") << false;
    QTest::newRow("update") << true;
}

void TestManageCustomers::failedSaveIsShownAndKeepsTheForm()
{
    QFETCH(bool, update);
    addCustomers({"Ann"});
    ManageCustomers dialog(nullptr, false);
    dialog.show();
    if (update)
        QVERIFY(SelectRow(grid(dialog), 1, QStringLiteral("Ann")));
    // The fields hold only what fits, so the server is made to refuse the write.
    QCOMPARE(fixture.execInventory({QStringLiteral("CREATE TRIGGER customers_kept BEFORE %1 ON tblCustomers FOR EACH ROW "
                                                   "SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = 'customers are kept'")
                                        .arg(update ? QStringLiteral("UPDATE") : QStringLiteral("INSERT"))}),
             QString());
    const auto dropTrigger = qScopeGuard(
        [this] { fixture.execInventory({QStringLiteral("DROP TRIGGER IF EXISTS customers_kept")}); });
    fill(dialog, QStringLiteral("Zoe"), QStringLiteral("addr"), QStringLiteral("mail"), QStringLiteral("tel"));
    click(dialog, update ? "pushButtonUpdate" : "pushButtonAdd");

    QCOMPARE(answerer->seen.size(), 1);
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Manage Customers"));
    QVERIFY2(answerer->seen.first().text.contains(QStringLiteral("customers are kept")), qPrintable(answerer->seen.first().text));
    QCOMPARE(customers(), QStringLiteral("1|Ann|addr Ann|mail Ann|tel Ann"));
    QCOMPARE(ColumnTexts(grid(dialog), 1), QStringList{"Ann"});
    QCOMPARE(nameField(dialog), QStringLiteral("Zoe"));
    QCOMPARE(Child<QLineEdit>(&dialog, "lineEditContact")->text(), QStringLiteral("tel"));
}

void TestManageCustomers::failedListQueryIsReportedAndAnAddMendsIt()
{
    addCustomers({"Ann"});
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblCustomers TO tblCustomersAway")}), QString());
    {
        ManageCustomers dialog(nullptr, false);
        QCOMPARE(answerer->seen.size(), 1);
        QVERIFY2(answerer->messages().first().startsWith(
                     QStringLiteral("Manage Customers|The customer list could not be read.")),
                 qPrintable(answerer->messages().join(' ')));

        // The model that could not read its table gets it back at the first add once the table is there.
        QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblCustomersAway TO tblCustomers")}), QString());
        fill(dialog, QStringLiteral("Bea"), QString(), QString(), QString());
        click(dialog, "pushButtonAdd");
        QCOMPARE(answerer->seen.size(), 1);
        QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT NAME FROM tblCustomers ORDER BY ID")),
                 (QStringList{QStringLiteral("Ann"), QStringLiteral("Bea")}));
        QCOMPARE(ColumnTexts(grid(dialog), 1), (QStringList{QStringLiteral("Ann"), QStringLiteral("Bea")}));
    }
}

// A list the server refuses to read once the page has its columns: the page says why in the server's words.
void TestManageCustomers::refusedReadGivesTheServersReason()
{
    ManageCustomers dialog(nullptr, false);
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblCustomers TO tblCustomersAway")}), QString());
    click(dialog, "pushFilter");
    QCOMPARE(fixture.execInventory({QStringLiteral("RENAME TABLE tblCustomersAway TO tblCustomers")}), QString());
    QCOMPARE(answerer->seen.size(), 1);
    QVERIFY2(answerer->messages().first().contains(QLatin1String("tblCustomers' doesn't exist")),
             qPrintable(answerer->messages().first()));
}

void TestManageCustomers::textKeptToItsColumns_data()
{
    QTest::addColumn<bool>("update");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("refusal"); // empty: stored as the field holds it
    QTest::addColumn<QString>("stored");  // the customer's row afterwards
    const QString emoji = QStringLiteral("Ann \U0001F600");
    const QString refusal = QStringLiteral("Manage Customers|The field '%1' can not hold characters such as emoji. Please "
                                           "remove them.");
    const QString tooLong = QStringLiteral("Manage Customers|The field '%1' can hold at most %2 characters. Please shorten it.");
    const QString ann = QStringLiteral("Ann|addr Ann|mail Ann|tel Ann");
    const QString long10k(10000, QLatin1Char('x'));
    QTest::newRow("add: emoji in the name") << false << "lineEdit" << emoji << refusal.arg(QStringLiteral("Name")) << ann;
    QTest::newRow("add: emoji in the address") << false << "textEditAddress" << emoji << refusal.arg(QStringLiteral("Address")) << ann;
    QTest::newRow("update: emoji in the email") << true << "lineEditEmail" << emoji << refusal.arg(QStringLiteral("Email")) << ann;
    QTest::newRow("update: emoji in the contact") << true << "lineEditContact" << emoji << refusal.arg(QStringLiteral("Contact")) << ann;
    QTest::newRow("add: 10,000 characters of name") << false << "lineEdit" << long10k << tooLong.arg("Name").arg(50) << ann;
    QTest::newRow("update: 10,000 characters of address") << true << "textEditAddress" << long10k
                                                           << tooLong.arg("Address").arg(200) << ann;
    QTest::newRow("add: 201 characters of email") << false << "lineEditEmail" << QString(201, QLatin1Char('x'))
                                                   << tooLong.arg("Email").arg(200) << ann;
    QTest::newRow("update: 10,000 characters of contact") << true << "lineEditContact" << long10k
                                                          << tooLong.arg("Contact").arg(50) << ann;
    QTest::newRow("add: a name as long as its column") << false << "lineEdit" << QString(50, QLatin1Char('x')) << ""
                                                       << QString(50, QLatin1Char('x')) + "|a|m|c";
    QTest::newRow("update: an address as long as its column")
        << true << "textEditAddress" << QString(200, QLatin1Char('x')) << "" << "n|" + QString(200, QLatin1Char('x')) + "|m|c";
}

void TestManageCustomers::textKeptToItsColumns()
{
    QFETCH(bool, update);
    QFETCH(QString, field);
    QFETCH(QString, typed);
    QFETCH(QString, refusal);
    QFETCH(QString, stored);
    addCustomers({"Ann"});
    ManageCustomers dialog(nullptr, false);
    dialog.show();
    if (update)
        QVERIFY(SelectRow(grid(dialog), 1, QStringLiteral("Ann")));
    fill(dialog, QStringLiteral("n"), QStringLiteral("a"), QStringLiteral("m"), QStringLiteral("c"));
    QWidget* edit = Child<QWidget>(&dialog, qPrintable(field));
    if (auto* text = qobject_cast<QTextEdit*>(edit))
        text->setPlainText(typed);
    else
        qobject_cast<QLineEdit*>(edit)->setText(typed);
    click(dialog, update ? "pushButtonUpdate" : "pushButtonAdd");

    const QString table = fixture.inventoryRows(QStringLiteral("SELECT NAME, ADDRESS, EMAIL, CONTACT_NUMBER FROM "
                                                               "tblCustomers ORDER BY ID"))
                              .join(QLatin1Char('\n'));
    if (refusal.isEmpty()) {
        QCOMPARE(answerer->messages(), QStringList());
        QCOMPARE(table, update ? stored : "Ann|addr Ann|mail Ann|tel Ann\n" + stored);
    } else {
        // Refused before any statement, with the cursor in the field.
        QCOMPARE(answerer->messages(), QStringList{refusal});
        QCOMPARE(table, stored);
        QCOMPARE(dialog.focusWidget(), edit);
    }
}

void TestManageCustomers::pickerHandsBackTheChosenCustomer_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("expected"); // the five strings joined by '|'
    const QString untouched = QStringLiteral("keep|keep|keep|keep|keep");
    QTest::newRow("Select button") << "select" << "2|Bea|addr Bea|mail Bea|tel Bea";
    QTest::newRow("double click") << "double click" << "2|Bea|addr Bea|mail Bea|tel Bea";
    QTest::newRow("typed over, then Select") << "typed" << "2|Bea|addr Bea|mail Bea|tel Bea";
    QTest::newRow("Close") << "close" << untouched;
    QTest::newRow("Select without a row") << "no row" << "||||";
    QTest::newRow("Select after a delete") << "deleted" << "||||";
}

void TestManageCustomers::pickerHandsBackTheChosenCustomer()
{
    QFETCH(QString, how);
    QFETCH(QString, expected);
    addCustomers({"Ann", "Bea", "Cy"});
    ManageCustomers dialog(nullptr, true);
    dialog.show();
    QVERIFY(Child<QPushButton>(&dialog, "pushSelect")->isVisible());
    if (how != QLatin1String("no row"))
        QVERIFY(SelectRow(grid(dialog), 1, QStringLiteral("Bea")));
    if (how == QLatin1String("typed"))
        fill(dialog, QStringLiteral("typed"), QString(), QString(), QString());
    if (how == QLatin1String("deleted"))
        click(dialog, "pushButtonDelete");

    if (how == QLatin1String("close")) {
        click(dialog, "pushButtonClose");
    } else if (how == QLatin1String("double click")) {
        QTableView* view = grid(dialog);
        const QRect cell = view->visualRect(view->currentIndex());
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, cell.center());
    } else {
        click(dialog, "pushSelect");
    }
    QVERIFY(!dialog.isVisible());

    QString id = QStringLiteral("keep"), name = id, address = id, email = id, contact = id;
    dialog.getSelectedCustomer(id, name, address, email, contact);
    QCOMPARE(QStringList({id, name, address, email, contact}).join(QLatin1Char('|')), expected);
}

void TestManageCustomers::greekNameStoredAndFound()
{
    ManageCustomers dialog(nullptr, false);
    dialog.show();
    fill(dialog, QStringLiteral("Ζωή"), QStringLiteral("Αθήνα"), QString(), QString());
    click(dialog, "pushButtonAdd");
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT NAME, ADDRESS FROM tblCustomers WHERE NAME = ?"),
                                   {QStringLiteral("Ζωή")}),
             QStringList{"Ζωή|Αθήνα"});
    addCustomers({"Zoe"});
    Child<QLineEdit>(&dialog, "lineEditFilter")->setText(QStringLiteral("ωή"));
    QCOMPARE(ColumnTexts(grid(dialog), 1), QStringList{"Ζωή"});
}

QString TestManageCustomers::import(ManageCustomers& dialog, const QString& path)
{
    // As a user does: open the folder, type the name, press the button.
    answerer->handle([path](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        auto* nameEdit = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!chooser || !nameEdit)
            return false;
        const QFileInfo info(path);
        chooser->setDirectory(info.absolutePath());
        nameEdit->setText(info.fileName());
        static_cast<QDialog*>(chooser)->accept();
        if (chooser->isVisible()) {
            chooser->reject();
            return false;
        }
        return true;
    });
    // The busy box stays up until the import closes it, if the answerer sees it at all; the
    // completion box gets OK (its Esc button too).
    answerer->handle([](QWidget* modal) {
        if (auto* box = qobject_cast<QMessageBox*>(modal))
            box->button(QMessageBox::Ok)->click();
        return modal->inherits("Progress") || modal->inherits("QMessageBox");
    });
    answerer->seen.clear();
    click(dialog, "pushImport");
    const QStringList messages = answerer->messages();
    return messages.isEmpty() ? QString() : messages.last();
}

void TestManageCustomers::exportThenImportAddsNoCustomer()
{
    QStringList names;
    for (int i = 1; i <= 320; ++i)
        names << QStringLiteral("Customer %1").arg(i, 3, 10, QLatin1Char('0'));
    names << QStringLiteral("Ζωή, Jr.");
    addCustomers(names);
    const QString folder = EmptyScratchFolder(QStringLiteral("customers_export"));
    QVERIFY(!folder.isEmpty());

    ManageCustomers dialog(nullptr, false);
    // Every row is loaded, not only what a view on screen would ask for.
    QCOMPARE(grid(dialog)->model()->rowCount(), 321);
    dialog.show();
    AnswerFileDialogIn(answerer, folder);
    click(dialog, "pushExport");
    const QStringList files = QDir(folder).entryList({QStringLiteral("Customers_data_export_*.csv")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString path = folder + QLatin1Char('/') + files.first();
    QCOMPARE(QString::fromUtf8(TestSupport::ReadFile(path)).count(QLatin1Char('\n')), 322);

    // Changes made after the export are taken back by the import.
    QCOMPARE(fixture.execInventory({QStringLiteral("UPDATE tblCustomers SET NAME = 'changed' WHERE ID = 7")}), QString());
    const QString before = customers();
    QCOMPARE(import(dialog, path), QStringLiteral("Import/Update|Import/Update operation completed."));
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT COUNT(*) FROM tblCustomers")), QStringList{"321"});
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT NAME FROM tblCustomers WHERE ID = 7")),
             QStringList{"Customer 007"});
    // The comma inside a name cannot survive a file without quoting; everything else does.
    QCOMPARE(fixture.inventoryRows(QStringLiteral("SELECT NAME FROM tblCustomers WHERE ID = 321")),
             QStringList{"Ζωή Jr."});
    QVERIFY(before.contains(QStringLiteral("7|changed|")));
    QCOMPARE(grid(dialog)->model()->rowCount(), 321);
}

void TestManageCustomers::importLines_data()
{
    QTest::addColumn<QString>("body"); // after the header line
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored");
    const QString done = QStringLiteral("Import/Update|Import/Update operation completed.");
    const QString ann = QStringLiteral("1|Ann|addr Ann|mail Ann|tel Ann");
    QTest::newRow("matching id updates") << "1, Anne , a, e, c\n" << done << "1|Anne|a|e|c";
    QTest::newRow("unknown id inserts") << "99,New,a,e,c\n" << done << ann + "\n2|New|a|e|c";
    QTest::newRow("id with letters inserts") << "1abc,New,a,e,c\n" << done << ann + "\n2|New|a|e|c";
    QTest::newRow("id with an expression inserts") << "1 OR 1=1,New,a,e,c\n" << done << ann + "\n2|New|a|e|c";
    QTest::newRow("empty id inserts") << ",New,a,e,c" << done << ann + "\n2|New|a|e|c";
    QTest::newRow("quote and backslash stored as typed") << "1,O'Hara \\,a,e,c\n" << done << "1|O'Hara \\|a|e|c";
    QTest::newRow("4-field line") << "1,Anne,a,e,c\n2,Four,a,e\n,New,a,e,c\n"
                                  << done + "\nInvalid line at index 2" << "1|Anne|a|e|c\n2|New|a|e|c";
    QTest::newRow("empty line") << "\n,New,a,e,c\n" << done + "\nInvalid line at index 1" << ann + "\n2|New|a|e|c";
    // What the form refuses is refused in the form's words, naming the line; the other lines go in.
    const QString tooLong = QStringLiteral("The field '%1' can hold at most %2 characters. Please shorten it.");
    QTest::newRow("refused line") << QStringLiteral(",%1,a,e,c\n,New,a,e,c\n").arg(QString(60, QLatin1Char('n')))
                                  << done + "\nLine 1: " + tooLong.arg("Name").arg(50) << ann + "\n2|New|a|e|c";
    QTest::newRow("emoji in the name")
        << QStringLiteral(",Before,a,e,c\n,Smile \U0001F600,a,e,c\n,After,a,e,c\n")
        << done + "\nLine 2: The field 'Name' can not hold characters such as emoji. Please remove them."
        << ann + "\n2|Before|a|e|c\n3|After|a|e|c";
    QTest::newRow("300 characters of address")
        << QStringLiteral(",Before,a,e,c\n,Long,%1,e,c\n1,Anne,a,e,c\n").arg(QString(300, QLatin1Char('a')))
        << done + "\nLine 2: " + tooLong.arg("Address").arg(200) << "1|Anne|a|e|c\n2|Before|a|e|c";
    QTest::newRow("name of blanks") << "1,   ,a,e,c\n,   ,a,e,c\n"
                                    << done + "\nLine 1: Name is empty.\nLine 2: Name is empty." << ann;
    QTest::newRow("60 characters of name on an update")
        << QStringLiteral("1,%1,a,e,c\n").arg(QString(60, QLatin1Char('n'))) << done + "\nLine 1: " + tooLong.arg("Name").arg(50)
        << ann;
    // The server's refusal is told without its driver text (a check of the test's own on the name).
    QTest::newRow("refused by the server") << ",Before,a,e,c\n,Refused,a,e,c\n,After,a,e,c\n"
                                           << done + "\nLine 2 could not be saved."
                                           << ann + "\n2|Before|a|e|c\n3|After|a|e|c";
}

void TestManageCustomers::importLines()
{
    QFETCH(QString, body);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    addCustomers({"Ann"});
    const QString path = TestSupport::ScratchDir() + QStringLiteral("/customers_import.csv");
    QVERIFY(TestSupport::WriteFile(path, QStringLiteral("Customer ID,Name,Address,Email,Contact Number\n").toUtf8()
                                             + body.toUtf8()));
    QCOMPARE(fixture.execInventory({QStringLiteral("ALTER TABLE tblCustomers ADD CONSTRAINT test_refused CHECK "
                                                   "(NAME <> 'Refused')")}),
             QString());
    const auto dropCheck = qScopeGuard([this] {
        fixture.execInventory({QStringLiteral("ALTER TABLE tblCustomers DROP CONSTRAINT test_refused")});
    });
    if (message.endsWith(QLatin1String("could not be saved.")))
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("not saved:.*test_refused")));
    ManageCustomers dialog(nullptr, false);
    dialog.show();
    const QString shown = import(dialog, path);
    QCOMPARE(shown, message);
    QCOMPARE(customers(), stored);
    QCOMPARE(grid(dialog)->model()->rowCount(), stored.count(QLatin1Char('\n')) + 1);
}

VORANTEL_TEST_MAIN(TestManageCustomers)
#include "tst_managecustomers.moc"
