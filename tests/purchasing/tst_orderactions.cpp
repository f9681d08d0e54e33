#include "addeditpurchaseorder.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "pdfreader.h"
#include "purchasemanagement.h"
#include "purchasetest.h"
#include "reportviewer.h"
#include "urlrecorder.h"
#include "writefaults.h"

#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSqlQueryModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTextEdit>

// The purchase order editor's status reactions, its printed and e-mailed output and the low-stock import,
// on a real inventory database.
class TestOrderActions : public PurchaseTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void closing_data();
    void closing();
    void sentBeforeFirstSaveNamesTheOrder();
    void pdfAndEmail_data();
    void pdfAndEmail();
    void failedDraftIsSaid_data();
    void failedDraftIsSaid();
    void lowStock_data();
    void lowStock();
    void editedLineSavesTheOrder();
    void failedTaxSwitchChangesNothing();
    void vendorKeptByItsId_data();
    void vendorKeptByItsId();

private:
    // An order of ACME with status and tax switch; its lines are added by the caller. Returns its id.
    QString addOrder(int status, int taxOn, double subTotal, double tax) const
    {
        run(QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS, SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX, "
                           "PAYMENT_STATUS) SELECT ID, ?, ?, ?, ?, ?, 0 FROM tblVendors WHERE NAME = 'ACME'"),
            {status, subTotal, tax, subTotal + tax, taxOn});
        return rows(QStringLiteral("SELECT MAX(ID) FROM tblPOrders")).value(0);
    }
    QString addLine(const QString& orderId, const QString& code, int quantity, double unitPrice, double lineTotal) const
    {
        return run(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL, "
                                  "BATCH_NUMBER, STOCK_ID) SELECT ?, ID, ?, ?, ?, '', '-1' FROM tblProducts "
                                  "WHERE PRODUCT_CODE = ?"),
                   {orderId.toInt(), quantity, unitPrice, lineTotal, code});
    }
    QStringList linesAndSubTotal() const
    {
        return rows(QStringLiteral("SELECT o.SUB_TOTAL, (SELECT COALESCE(SUM(LINE_TOTAL), 0) FROM tblPODetails d "
                                   "WHERE d.PORDER_ID = o.ID) FROM tblPOrders o"));
    }
};

void TestOrderActions::initTestCase()
{
    PurchaseTest::initTestCase();
    for (const char* id : {"err_msg_26", "err_msg_39", "err_msg_45"})
        (*MessageSettings::Instance())[QLatin1String(id)].show = false;
}

void TestOrderActions::init()
{
    PurchaseTest::init();
    QCOMPARE(addVendor(QStringLiteral("ACME")), QString());
    QCOMPARE(addTaxedProduct(QStringLiteral("C01"), QStringLiteral("Copper Cable"), 10), QString());
    QCOMPARE(addTaxedProduct(QStringLiteral("C02"), QStringLiteral("Wall Plug"), 15), QString());
    QCOMPARE(addTaxedProduct(QStringLiteral("C03"), QStringLiteral("Desk Lamp"), 15), QString());
}

void TestOrderActions::closing_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("saveFails");
    QTest::addColumn<bool>("closed");
    QTest::newRow("yes") << int(QMessageBox::Yes) << false << true;
    QTest::newRow("no") << int(QMessageBox::No) << false << false;
    QTest::newRow("yes, save fails") << int(QMessageBox::Yes) << true << false;
}

void TestOrderActions::closing()
{
    QFETCH(int, answer);
    QFETCH(bool, saveFails);
    QFETCH(bool, closed);
    addOrder(1, 0, 0, 0);
    if (saveFails)
        QCOMPARE(failOn(QStringLiteral("UPDATE"), QStringLiteral("tblPOrders"), QStringLiteral("order is locked")),
                 QString());
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        auto* status = Child<QComboBox>(&editor, "comboStatus");
        QCOMPARE(status->currentText(), QStringLiteral("SENT"));
        answerer->pressButton(QMessageBox::StandardButton(answer));
        status->setCurrentIndex(4);
        QCOMPARE(answerer->pendingAnswers(), 0);
        QCOMPARE(answerer->messages().value(0).section(QLatin1Char('|'), 0, 0), QStringLiteral("PO Status"));
        QCOMPARE(rows(QStringLiteral("SELECT STATUS FROM tblPOrders")), QStringList{closed ? "4" : "1"});
        QCOMPARE(status->currentText(), closed ? QStringLiteral("CLOSED") : QStringLiteral("SENT"));
        QCOMPARE(status->isEnabled(), !closed);
        QCOMPARE(Child<QPushButton>(&editor, "pushSave")->isVisibleTo(&editor), !closed);
        QCOMPARE(Child<QComboBox>(&editor, "comboVendors")->isEnabled(), !closed);
        QCOMPARE(editor.windowTitle(), closed ? QStringLiteral("View Purchase Order") : QStringLiteral("Add/Edit Purchase Order"));
        if (saveFails) {
            QVERIFY2(statusText(&editor).contains(QStringLiteral("order is locked")), qPrintable(statusText(&editor)));
            QTRY_VERIFY(statusStyle(&editor).contains(QStringLiteral("red")));
        }
        // Choosing CLOSED again asks again: the remembered status went back too.
        if (!closed) {
            answerer->pressButton(QMessageBox::No);
            status->setCurrentIndex(4);
            QCOMPARE(answerer->pendingAnswers(), 0);
            QCOMPARE(status->currentText(), QStringLiteral("SENT"));
        }
    });
}

void TestOrderActions::sentBeforeFirstSaveNamesTheOrder()
{
    AddEditPurchaseOrder editor(nullptr, nullptr);
    Child<QComboBox>(&editor, "comboVendors")->setCurrentText(QStringLiteral("ACME"));
    QString description;
    answerer->handleClass<QDialog>("AddEditExpenseDialog", [&](QDialog* dialog) {
        description = Child<QTextEdit>(dialog, "textDescription")->toPlainText();
        dialog->reject();
    });
    Child<QComboBox>(&editor, "comboStatus")->setCurrentIndex(1);
    QCOMPARE(answerer->pendingAnswers(), 0);
    const QString id = Child<QLineEdit>(&editor, "linePoNumber")->text();
    QVERIFY(!id.isEmpty());
    QCOMPARE(description, QStringLiteral("Purchase Order Number: ") + id);
    QCOMPARE(rows(QStringLiteral("SELECT ID, STATUS FROM tblPOrders")), QStringList{id + QStringLiteral("|1")});
}

void TestOrderActions::pdfAndEmail_data()
{
    QTest::addColumn<int>("taxOn");
    QTest::addColumn<double>("unitPrice"); // stored: with tax when the order's items carry it
    QTest::addColumn<QStringList>("printed");
    QTest::newRow("without tax") << 0 << 10.0 << QStringList{"Unit Price", "10.00", "30.00", "$ 30.00"};
    QTest::newRow("with tax") << 1 << 11.0
                              << QStringList{"Sub Total", "10.00", "30.00", "$ 30.00", "$ 3.00", "$ 33.00", "Sales Tax"};
}

void TestOrderActions::pdfAndEmail()
{
    QFETCH(int, taxOn);
    QFETCH(double, unitPrice);
    QFETCH(QStringList, printed);
    const QString id = addOrder(1, taxOn, 30, taxOn ? 3 : 0);
    QCOMPARE(addLine(id, QStringLiteral("C01"), 3, unitPrice, 30), QString());
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QString draft = QDir::tempPath() + QStringLiteral("/VorantelComposedEmail.eml");
    QFile::remove(dataFolder + QStringLiteral("/pdf_print.pdf"));
    QFile::remove(draft);
    for (const QString& old : QDir(dataFolder).entryList({QStringLiteral("POrder_*.pdf")}))
        QFile::remove(dataFolder + QLatin1Char('/') + old);
    UrlRecorder urls;
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        Child<QPushButton>(&editor, "pushPrintToPDF")->click();
        QCOMPARE(urls.urls.value(0).toLocalFile(), dataFolder + QStringLiteral("/pdf_print.pdf"));
        const QString text = PdfReader::Text(dataFolder + QStringLiteral("/pdf_print.pdf"));
        for (const QString& word : printed + QStringList{"PURCHASE ORDER", "C01", "Copper Cable", "ACME"})
            QVERIFY2(text.contains(word), qPrintable(word + QStringLiteral(" not in:\n") + text));

        const qint64 before = QDateTime::currentSecsSinceEpoch();
        Child<QPushButton>(&editor, "pusSendEmail")->click();
        const qint64 after = QDateTime::currentSecsSinceEpoch();
        const QStringList made = QDir(dataFolder).entryList({QStringLiteral("POrder_%1_*.pdf").arg(id)});
        QCOMPARE(made.size(), 1);
        const qint64 secs = made.first().section(QLatin1Char('_'), 2).section(QLatin1Char('.'), 0, 0).toLongLong();
        QVERIFY(secs >= before && secs <= after);
        const QString attached = PdfReader::Text(dataFolder + QLatin1Char('/') + made.first());
        QVERIFY2(attached.contains(QStringLiteral("Copper Cable")) && attached.contains(QStringLiteral("30.00")),
                 qPrintable(attached));
        QFile file(draft);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString mail = QString::fromLatin1(file.readAll());
        QVERIFY2(mail.contains(QStringLiteral("Subject: POrder No. ") + id + QStringLiteral("\r\n")), qPrintable(mail));
        QVERIFY(mail.contains(QStringLiteral("To: acme@example.com")));
        QVERIFY(mail.contains(made.first()));
        QVERIFY(mail.contains(QStringLiteral("application/pdf"), Qt::CaseInsensitive));
    });
}

void TestOrderActions::failedDraftIsSaid_data()
{
    QTest::addColumn<bool>("pdfWritten"); // else its writes fail midway and the draft is never begun
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("told"); // message boxes
    QTest::newRow("draft not written") << true << "The e-mail draft could not be written or opened." << 0;
    QTest::newRow("pdf not written") << false << "" << 1;
}

// A draft that can not be written (a folder stands where the file goes) is said on the status line; after a PDF that
// was not written only that is told, and no file is named.
void TestOrderActions::failedDraftIsSaid()
{
    QFETCH(bool, pdfWritten);
    QFETCH(QString, status);
    QFETCH(int, told);
    const QString id = addOrder(1, 0, 30, 0);
    QCOMPARE(addLine(id, QStringLiteral("C01"), 3, 10.0, 30), QString());
    const QString draft = QDir::tempPath() + QStringLiteral("/VorantelComposedEmail.eml");
    QFile::remove(draft);
    QVERIFY(QDir().mkpath(draft));
    UrlRecorder urls;
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        {
            std::unique_ptr<WriteFaults::FileSizeLimit> limit;
            if (!pdfWritten)
                limit = std::make_unique<WriteFaults::FileSizeLimit>(3000);
            Child<QPushButton>(&editor, "pusSendEmail")->click();
        }
        const QString shown = Child<QLabel>(&editor, "labelStatus")->text();
        QCOMPARE(shown.left(status.size()), status);
        QVERIFY2(pdfWritten || !shown.contains(QLatin1String("POrder_")), qPrintable(shown));
    });
    QCOMPARE(answerer->messages().size(), told);
    QVERIFY(answerer->messages().join(QString()).contains(QLatin1String("File too large")) == !pdfWritten);
    QDir(draft).removeRecursively();
    for (const QUrl& url : qAsConst(urls.urls))
        QVERIFY2(!url.toLocalFile().endsWith(QLatin1String(".eml")), qPrintable(url.toString()));
}

void TestOrderActions::lowStock_data()
{
    QTest::addColumn<QString>("threshold");
    QTest::addColumn<QString>("vendor"); // chosen in the viewer's filter, empty for none
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QStringList>("added"); // code|quantity|unit price|batch|location|stock id
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("refused"); // every line insert fails

    const QStringList both{"C01|0|0.75|NOT SET|NOT SET|-1", "C02|0|0.75|NOT SET|NOT SET|-1"};
    const QString done = QStringLiteral("Purchase Items|Items added to purchase order.");
    QTest::newRow("below 5") << "5" << "" << 0 << 2 << both << done << false;
    QTest::newRow("below 5 of ACME") << "5" << "ACME" << 0 << 1 << QStringList{both.at(1)} << done << false;
    QTest::newRow("NONE is every vendor") << "5" << "NONE" << 0 << 2 << both << done << false;
    QTest::newRow("below 1") << "1" << "" << 0 << 0 << QStringList()
                             << "Error|Error occurred while adding purchase items." << false;
    QTest::newRow("inserts refused") << "5" << "" << 0 << 2 << QStringList()
                                     << "Error|Error occurred while adding purchase items. 2 of 2 items were not "
                                        "added: lines are locked"
                                     << true;
    QTest::newRow("not a number") << "5 OR 1=1" << "" << 0 << -1 << QStringList() << "" << false;
    QTest::newRow("closed order") << "5" << "" << 4 << 2 << QStringList() << "" << false;
}

void TestOrderActions::lowStock()
{
    QFETCH(QString, threshold);
    QFETCH(QString, vendor);
    QFETCH(int, status);
    QFETCH(int, listed);
    QFETCH(QStringList, added);
    QFETCH(QString, message);
    QFETCH(bool, refused);
    if (refused)
        QCOMPARE(failOn(QStringLiteral("INSERT"), QStringLiteral("tblPODetails"), QStringLiteral("lines are locked")),
                 QString());
    QCOMPARE(addStock(QStringLiteral("C01"), QStringLiteral("S1"), 2), QString());
    QCOMPARE(addStock(QStringLiteral("C02"), QStringLiteral("S2"), 4), QString());
    QCOMPARE(addStock(QStringLiteral("C03"), QStringLiteral("S3"), 7), QString());
    QCOMPARE(run(QStringLiteral("UPDATE tblInventory SET VENDOR_ID = (SELECT ID FROM tblVendors WHERE NAME = 'ACME') "
                                "WHERE BAR_CODE <> 'S1'")),
             QString());
    const QString id = addOrder(status, 0, 0, 0);

    answerer->handleClass<QDialog>("ReportParameterDialog", [&](QDialog* prompt) {
        Child<QLineEdit>(prompt, "lineEditValue")->setText(threshold);
        Child<QPushButton>(prompt, "pushButton")->click();
    });
    int shown = -1;
    bool buttonShown = false;
    if (listed < 0) {
        answerer->pressButton(QMessageBox::Ok);
    } else {
        answerer->handleClass<ReportViewer>("ReportViewer", [&](ReportViewer* viewer) {
            auto* filter = Child<QComboBox>(viewer, "comboBoxVendors");
            if (!vendor.isEmpty())
                filter->setCurrentText(vendor);
            shown = Child<QTableView>(viewer, "tableViewItems")->model()->rowCount();
            auto* add = Child<QPushButton>(viewer, "pushAddToPurchaseOrder");
            buttonShown = add->isVisibleTo(viewer);
            if (buttonShown) {
                answerer->pressButton(QMessageBox::Ok);
                add->click();
            }
            viewer->reject();
        });
    }
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        Child<QPushButton>(&editor, "pushButton")->click();
        QTRY_COMPARE(answerer->pendingAnswers(), 0);
        QCOMPARE(Child<QTableView>(&editor, "tableView")->model()->rowCount(), added.size());
    });
    QCOMPARE(shown, listed);
    QCOMPARE(buttonShown, listed >= 0 && status != 4);
    const QStringList messages = answerer->messages();
    if (listed < 0)
        QVERIFY2(messages.value(0).startsWith(QStringLiteral("Check Stock Levels|Please enter a whole number")),
                 qPrintable(messages.join(QLatin1Char('\n'))));
    else if (!message.isEmpty())
        QVERIFY2(messages.size() == 1 && messages.first().startsWith(message), qPrintable(messages.join('\n')));
    QCOMPARE(rows(QStringLiteral("SELECT p.PRODUCT_CODE, d.QUANTITY, d.UNIT_PRICE, d.BATCH_NUMBER, d.STORAGE_LOCATION, "
                                 "d.STOCK_ID FROM tblPODetails d, tblProducts p WHERE d.PRODUCT_ID = p.ID AND "
                                 "d.PORDER_ID = ? ORDER BY p.PRODUCT_CODE"),
                  {id.toInt()}),
             added);
    if (!added.isEmpty())
        QCOMPARE(rows(QStringLiteral("SELECT DISTINCT EXPIRY_DATE FROM tblPODetails")),
                 QStringList{QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"))});
    QCOMPARE(linesAndSubTotal(), QStringList{"0|0"});
}

void TestOrderActions::editedLineSavesTheOrder()
{
    const QString id = addOrder(0, 0, 30, 0);
    QCOMPARE(addLine(id, QStringLiteral("C01"), 3, 10, 30), QString());
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        answerer->handleClass<QDialog>("AddEditPOItemDialog", [](QDialog* dialog) {
            Child<QLineEdit>(dialog, "lineOrderQuantity")->setText(QStringLiteral("5"));
            Child<QPushButton>(dialog, "pushUpdate")->click();
            dialog->reject();
        });
        auto* table = Child<QTableView>(&editor, "tableView");
        table->setCurrentIndex(table->model()->index(0, 2));
        Child<QPushButton>(&editor, "pushEditItem")->click();
        QCOMPARE(answerer->pendingAnswers(), 0);
        QCOMPARE(Child<QLineEdit>(&editor, "lineTotal")->text(), QStringLiteral("50.00"));
        QVERIFY(!editor.IsModified());
    });
    QCOMPARE(linesAndSubTotal(), QStringList{"50|50"});
}

void TestOrderActions::failedTaxSwitchChangesNothing()
{
    const QString id = addOrder(0, 0, 30, 0);
    QCOMPARE(addLine(id, QStringLiteral("C02"), 3, 10, 30), QString());
    QCOMPARE(failOn(QStringLiteral("UPDATE"), QStringLiteral("tblPOrders"), QStringLiteral("order is locked")), QString());
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        auto* taxStatus = Child<QComboBox>(&editor, "comboBoxTaxStatus");
        taxStatus->setCurrentIndex(1);
        QCOMPARE(taxStatus->currentIndex(), 0);
        QCOMPARE(Child<QLineEdit>(&editor, "lineTotal")->text(), QStringLiteral("30.00"));
        QVERIFY2(statusText(&editor).contains(QStringLiteral("order is locked")), qPrintable(statusText(&editor)));
        QTRY_VERIFY(statusStyle(&editor).contains(QStringLiteral("red")));
    });
    QCOMPARE(rows(QStringLiteral("SELECT UNIT_PRICE, LINE_TOTAL FROM tblPODetails")), QStringList{"10|30"});
    QCOMPARE(rows(QStringLiteral("SELECT SUB_TOTAL, SALES_TAX, TOTAL, DISABLE_TAX FROM tblPOrders")),
             QStringList{"30|0|30|0"});
}

void TestOrderActions::vendorKeptByItsId_data()
{
    QTest::addColumn<QString>("email"); // of the order's vendor, one of two named "Metro"
    QTest::newRow("the first Metro") << "first@metro.test";
    QTest::newRow("the second Metro") << "second@metro.test";
}

// The order keeps its own vendor through opening, "Vendors...", Save, e-mail and receiving.
void TestOrderActions::vendorKeptByItsId()
{
    QFETCH(QString, email);
    (*MessageSettings::Instance())[QStringLiteral("err_msg_40")].show = false;
    for (const char* address : {"first@metro.test", "second@metro.test"})
        QCOMPARE(run(QStringLiteral("INSERT INTO tblVendors (NAME, EMAIL) VALUES ('Metro', ?)"), {QLatin1String(address)}),
                 QString());
    const QString vendor = rows(QStringLiteral("SELECT ID FROM tblVendors WHERE EMAIL = ?"), {email}).value(0);
    const QString id = addOrder(1, 0, 30, 0);
    QCOMPARE(run(QStringLiteral("UPDATE tblPOrders SET VENDOR_ID = ?"), {vendor.toInt()}), QString());
    QCOMPARE(addLine(id, QStringLiteral("C01"), 3, 10, 30), QString());
    const QString draft = QDir::tempPath() + QStringLiteral("/VorantelComposedEmail.eml");
    QFile::remove(draft);
    UrlRecorder urls;
    withListedOrder([&](AddEditPurchaseOrder& editor) {
        QCOMPARE(Child<QLineEdit>(&editor, "lineContact")->text(), email);
        answerer->handleClass<QDialog>("ManageVendors", [](QDialog* vendors) { vendors->reject(); });
        Child<QPushButton>(&editor, "pushSearchVendor")->click();
        QCOMPARE(answerer->pendingAnswers(), 0);
        QCOMPARE(Child<QLineEdit>(&editor, "lineContact")->text(), email);
        Child<QPushButton>(&editor, "pushSave")->click();
        QCOMPARE(rows(QStringLiteral("SELECT VENDOR_ID FROM tblPOrders")), QStringList{vendor});

        Child<QPushButton>(&editor, "pusSendEmail")->click();
        QFile file(draft);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(QString::fromLatin1(file.readAll()).contains(QStringLiteral("To: ") + email + QStringLiteral("\r\n")));

        answerer->handleClass<QDialog>("AddEditPOItemDialog", [this](QDialog* dialog) {
            Child<QLineEdit>(dialog, "lineRSReceivedQty")->setText(QStringLiteral("4"));
            answerer->pressButton(QMessageBox::Yes);
            Child<QPushButton>(dialog, "pushUpdateStock")->click();
            dialog->reject();
        });
        auto* table = Child<QTableView>(&editor, "tableView");
        table->setCurrentIndex(table->model()->index(0, 2));
        Child<QPushButton>(&editor, "pushReceiveStock")->click();
        QTRY_COMPARE(answerer->pendingAnswers(), 0);
    });
    QCOMPARE(rows(QStringLiteral("SELECT QUANTITY, VENDOR_ID FROM tblInventory")), QStringList{"4|" + vendor});
}

VORANTEL_TEST_MAIN(TestOrderActions)
#include "tst_orderactions.moc"
