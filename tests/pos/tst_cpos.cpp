#include "calculator.h"
#include "cpos.h"
#include "databasetest.h"
#include "mainwindow.h"
#include "numberpad.h"
#include "posfixture.h"
#include "qposdialog.h"
#include "salesmodel.h"
#include "urlrecorder.h"

#include <QAction>
#include <QAbstractItemView>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDialog>
#include <QMenu>
#include <QVBoxLayout>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScopeGuard>
#include <QShortcut>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>
#include "settingsdialog.h"

#include <algorithm>

// The sale screen against real inventory and sales databases: its form for the settings it reads,
// its keys, its status line, closing and the restart through the main window's launcher.
class TestCPOS : public PosFixture::SaleScreenTest
{
    Q_OBJECT

public:
    // The start notice and the no-administrator notice stay silent; printing to PDF (the default)
    // tells so once per print, and these tests print through the keys.
    TestCPOS()
        : SaleScreenTest(QStringLiteral("pos"), {{"SHOW_WELCOME", 0}, {"FIRST_TIME_START", 0}},
                         {"err_msg_13", "err_msg_5", "err_msg_1"})
    {
    }

private slots:
    void formFollowsSettings_data();
    void formFollowsSettings();
    void amountFieldsKeepLongAmounts();
    void formCaptionsShortcutsAndTabOrder();
    void quantityKeys_data();
    void quantityKeys();
    void tabKeyWraps_data();
    void tabKeyWraps();
    void paidFieldEnterPaysThenPrints();
    void scannerEnterHandsTheCodeOn();
    void scannerButtonColourFollowsFocus();
    void guideReplacesAnOldCopy();
    void guideSaysWhereItIsWithoutPdfApplication();
    void startedProgramHoldsNoConnection();
    void settingsFromScreen_data();
    void settingsFromScreen();
    void keyReachesItsAction_data();
    void keyReachesItsAction();
    void scanAfterKeyLands_data();
    void scanAfterKeyLands();
    void tapOnCartLineThenDelDeletesIt_data();
    void tapOnCartLineThenDelDeletesIt();
    void prefixedScanLands_data();
    void prefixedScanLands();
    void windowsOpenAboveTheScreen_data();
    void windowsOpenAboveTheScreen();
    void statusLineBlinksFadesAndHides();
    void refusalGoesWithItsText_data();
    void refusalGoesWithItsText();
    void closingAnsweredNoKeepsScreen();
    void closingSweepsOwnEmptySalesOnly();
    void windowSystemCloseAsksFirst();
    void opensFromNavigatorFullScreen();
    void settingsSaveRestartsOnceWithoutStoredSale();
    void numberPadTypesWithoutTakingFocus();
    void calculatorIsKeptBetweenShows();

private:
    // A host and its screen, shown and active, as the launcher leaves them (not run modally).
    struct Screen : PosFixture::Screen
    {
        Screen() : PosFixture::Screen(true, true) {}
    };
    QStringList rows(const QString& sql) const { return DatabaseTest::Rows(salesDb, sql); }
    QString insertSale(const QString& user) const;
    static void ActivateAgain(QWidget* host);
};

// Under a window manager the screen is active again once a window over it closed; the offscreen
// platform leaves no window active.
void TestCPOS::ActivateAgain(QWidget* host)
{
    // A dialog counts as active while a window it shares activation with is (isActiveWindow), and so
    // does its window while a pop-up above it is.
    if (host && QApplication::activeWindow() != host) {
        host->activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), host);
    }
}

QString TestCPOS::insertSale(const QString& user) const
{
    QSqlQuery q(TestDatabase::connect(QStringLiteral("pos_writer"), salesDb));
    q.prepare(QStringLiteral("INSERT INTO tblSalesTransactions (USER_ID, TIME_STAMP, STATUS) VALUES (:u, NOW(), -1)"));
    q.bindValue(QStringLiteral(":u"), user);
    if (!q.exec())
        return QStringLiteral("error ") + q.lastError().text();
    return q.lastInsertId().toString();
}

namespace {

// The side tab whose page holds the widget.
int PageTab(const QTabWidget* tabs, const QWidget* widget)
{
    int tab = 0;
    while (tab < tabs->count() && !tabs->widget(tab)->isAncestorOf(widget))
        ++tab;
    return tab;
}

// Captions of the cart's visible columns, in the order the header shows them.
QStringList VisibleCaptions(QTableView* view)
{
    QStringList captions;
    QHeaderView* header = view->horizontalHeader();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int logical = header->logicalIndex(visual);
        if (!header->isSectionHidden(logical))
            captions << view->model()->headerData(logical, Qt::Horizontal).toString();
    }
    return captions;
}

} // namespace

void TestCPOS::formFollowsSettings_data()
{
    QTest::addColumn<QVariantMap>("settings");
    QTest::addColumn<QStringList>("tabs");
    QTest::addColumn<int>("currentTab");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QString>("taxCaption");
    QTest::addColumn<bool>("invoiceMode");
    QTest::addColumn<bool>("scannerShown");

    const QStringList allTabs{"Product Buttons", "Receipt Details", "Pending Payments"};
    const QStringList plainCart{"Index", "Product", "Qty", "Unit Price", "Discount", "Line Total", "Line Sales Tax"};
    QTest::newRow("defaults") << QVariantMap{} << allTabs << 0 << plainCart << "SALES TAX $" << false << true;
    QTest::newRow("no product buttons") << QVariantMap{{"show_pos_buttons", false}}
                                        << QStringList{"Receipt Details", "Pending Payments"} << 0 << plainCart
                                        << "SALES TAX $" << false << true;
    QTest::newRow("sub-items before unit price")
        << QVariantMap{{"SUB_ITEMS_MODE", "y"}, {"CURRENCY_SYMBOL", "EUR"}} << allTabs << 0
        << QStringList{"Index", "Product", "Qty", "Sub Qty", "Unit Price", "Discount", "Line Total", "Line Sales Tax"}
        << "SALES TAX EUR" << false << true;
    QTest::newRow("tax off, named tax, no scanner")
        << QVariantMap{{"enable_tax", false}, {"SALES_TAX_NAME", "Vat"}, {"enable_scanner_input", false}} << allTabs << 0
        << QStringList{"Index", "Product", "Qty", "Unit Price", "Discount", "Line Total"} << "Tax" << false << false;
    QTest::newRow("empty tax name") << QVariantMap{{"SALES_TAX_NAME", ""}} << allTabs << 0
                                    << QStringList{"Index", "Product", "Qty", "Unit Price", "Discount", "Line Total",
                                                   "Line SALES TAX"}
                                    << "SALES TAX $" << false << true;
    QTest::newRow("POS_MODE 0 starts in invoice mode")
        << QVariantMap{{"POS_MODE", 0}} << QStringList{"Product Buttons", "Invoice Details", "Pending Payments"} << 1
        << plainCart << "SALES TAX $" << true << true;
}

void TestCPOS::formFollowsSettings()
{
    QFETCH(QVariantMap, settings);
    QFETCH(QStringList, tabs);
    QFETCH(int, currentTab);
    QFETCH(QStringList, captions);
    QFETCH(QString, taxCaption);
    QFETCH(bool, invoiceMode);
    QFETCH(bool, scannerShown);
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        AppSettings::Instance()->settings->setValue(it.key(), it.value());

    Screen s;
    auto* tabWidget = Child<QTabWidget>(s.screen, "tabWidget");
    QCOMPARE(s.tabs(), tabs);
    QCOMPARE(tabWidget->currentIndex(), currentTab);
    QCOMPARE(VisibleCaptions(Child<QTableView>(s.screen, "tableViewItems")), captions);
    QCOMPARE(Child<QLabel>(s.screen, "labelTax")->text(), taxCaption);
    QCOMPARE(Child<QLabel>(s.screen, "labelTax")->isVisible(), taxCaption != QLatin1String("Tax"));
    QCOMPARE(s.screen->invoiceMode, invoiceMode);
    QCOMPARE(Child<QPushButton>(s.screen, "pushInvoiceMode")->isChecked(), invoiceMode);
    QCOMPARE(Child<QWidget>(s.screen, "lineBarcodeScannerInput")->isVisible(), scannerShown);
    QCOMPARE(Child<QWidget>(s.screen, "pushReadyForScanner")->isVisible(), scannerShown);
    QVERIFY(Child<QPushButton>(s.screen, "pushButtonPay")->isEnabled());
    QVERIFY(!Child<QLabel>(s.screen, "labelStatus")->isVisible());
    const QString currency = settings.value(QStringLiteral("CURRENCY_SYMBOL"), QStringLiteral("$")).toString();
    QCOMPARE(Child<QLabel>(s.screen, "labelTotal")->text(), QStringLiteral("TOTAL ") + currency);
    QCOMPARE(Child<QLabel>(s.screen, "labelChange")->text(), QStringLiteral("DUE ") + currency);
    // The pages taken off the tabs are kept for invoice mode.
    QCOMPARE(s.screen->invoiceDetailsPage->objectName(), QStringLiteral("tab_2"));
    QCOMPARE(s.screen->quickPayAmounts.size(), 10);
    QCOMPARE(s.screen->quickPayAmounts.first(), QStringLiteral("NO AMOUNT"));
    QCOMPARE(s.screen->quickPayAmounts.last(), QStringLiteral("0.00"));
}

void TestCPOS::amountFieldsKeepLongAmounts()
{
    Screen s;
    for (const char* name : {"lineEditTax", "lineEditTotal", "lineEditPaid", "lineEditChange"}) {
        auto* field = Child<QLineEdit>(s.screen, name);
        for (const QString& amount : {QStringLiteral("1,000,000.00"), QStringLiteral("-100,000.00"),
                                      QStringLiteral("10,000,000.00")}) {
            field->setText(amount);
            QCOMPARE(field->text(), amount);
        }
    }
}

void TestCPOS::formCaptionsShortcutsAndTabOrder()
{
    Screen s;
    const QPair<const char*, const char*> captions[] = {
        {"labelProducts", "Products    "}, {"label_34", "Product "},    {"label_18", "Discount %"},
        {"label_5", "CLOSE"},              {"label_pay_due", "PAY DUE"}, {"labelPay", "SAVE"},
        {"labelF5", "[F6]"},               {"label_9", "[F10]"},         {"labelFavPages", "Page 1 of 0 "},
    };
    for (const auto& caption : captions)
        QCOMPARE(Child<QLabel>(s.screen, caption.first)->text(), QString::fromLatin1(caption.second));
    QCOMPARE(Child<QPushButton>(s.screen, "pushInvoiceMode")->text(), QStringLiteral("RECEIPT\nMODE"));
    for (const char* name : {"comboReceiptStatus", "comboInvoiceStatus"}) {
        auto* status = Child<QComboBox>(s.screen, name);
        QCOMPARE(status->count(), 3);
        QCOMPARE(status->itemText(1), QStringLiteral("PARTIALLY PAID"));
        QCOMPARE(status->currentIndex(), 0);
        QCOMPARE(status->itemData(0, Qt::BackgroundRole).value<QColor>(), QColor(Qt::red));
        QCOMPARE(status->itemData(1, Qt::BackgroundRole).value<QColor>(), QColor(97, 173, 226));
        QCOMPARE(status->itemData(2, Qt::ForegroundRole).value<QColor>(), QColor(Qt::white));
    }
    auto* paymentType = Child<QComboBox>(s.screen, "comboPaymentType");
    QCOMPARE(paymentType->count(), 7);
    QCOMPARE(paymentType->itemText(5), QStringLiteral("PayPal"));
    QCOMPARE(paymentType->currentText(), QStringLiteral("CASH"));
    QCOMPARE(Child<QPushButton>(s.screen, "pushButtonPay")->toolTip(),
             QStringLiteral("<html><head/><body><p>Press this button or F6 after entering paid amount in the green "
                            "PAID box. </p></body></html>"));

    const QPair<const char*, const char*> shortcuts[] = {
        {"pushMore", "F1"},          {"pushNew", "F2"},          {"pushPrint", "F3"},
        {"pushPrintPreview", "F4"},  {"pushButtonPAID", "F5"},   {"pushButtonPay", "F6"},
        {"checkReturnMode", "F7"},   {"pushButtonLookUp", "F8"}, {"pushPayLater", "F9"},
        {"pushCustomers", "F10"},    {"pushFavPages", "Home"},   {"nextButton", "PgUp"},
        {"previousButton", "PgDown"}, {"pushDeleteItem", "Del"}, {"pushAddItem", "Ctrl+Return"},
        {"pushEnterCode", "Ctrl+I"}, {"pushReadyForScanner", "Ctrl+B"}, {"pushButtonClose", ""},
        {"pushInvoiceMode", ""},
    };
    for (const auto& shortcut : shortcuts)
        QCOMPARE(Child<QAbstractButton>(s.screen, shortcut.first)->shortcut(), QKeySequence(shortcut.second));

    // The focus chain keeps the form's order (a sample spanning both panes and the bar); the grid's
    // placeholder buttons are gone once the product buttons are laid out.
    const QStringList expected{"pushReadyForScanner", "comboBoxProducts",  "lineEditItems",  "pushAddItem",
                               "tableViewItems",      "lineEditPaid",      "lineRefNumber",  "pushButtonClose",
                               "pushInvoiceMode",     "nextButton",        "previousButton", "pushFavPages",
                               "comboCategory",       "lineReceiptNumber", "textReceiptNotes", "tabWidget",
                               "pushButtonPAID",      "pushPayLater",
                               "scrollAreaPendingPayments"};
    QStringList chain;
    QWidget* start = Child<QWidget>(s.screen, "pushReadyForScanner");
    QWidget* w = start;
    do {
        if (expected.contains(w->objectName()) && !chain.contains(w->objectName()))
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start);
    QCOMPARE(chain, expected);
}

void TestCPOS::quantityKeys_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("after");
    QTest::newRow("plus") << "1" << int(Qt::Key_Plus) << "2";
    QTest::newRow("minus stops at zero") << "0" << int(Qt::Key_Minus) << "0";
    QTest::newRow("minus on text") << "abc" << int(Qt::Key_Minus) << "0";
    QTest::newRow("plus on text") << "abc" << int(Qt::Key_Plus) << "1";
    QTest::newRow("plus in thousands") << "999" << int(Qt::Key_Plus) << "1,000";
}

void TestCPOS::quantityKeys()
{
    QFETCH(QString, before);
    QFETCH(int, key);
    QFETCH(QString, after);
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    auto* quantity = Child<QLineEdit>(s.screen, "lineEditItems");
    quantity->setText(before);
    QTest::keyClick(Child<QWidget>(s.screen, "pushButtonClose"), Qt::Key(key), Qt::ControlModifier);
    QCOMPARE(quantity->text(), after);
}

void TestCPOS::tabKeyWraps_data()
{
    QTest::addColumn<bool>("buttons");
    QTest::addColumn<QStringList>("pages");
    QTest::newRow("with product buttons")
        << true << QStringList{"Receipt Details", "Pending Payments", "Product Buttons", "Receipt Details"};
    QTest::newRow("without product buttons")
        << false << QStringList{"Pending Payments", "Receipt Details", "Pending Payments"};
}

void TestCPOS::tabKeyWraps()
{
    QFETCH(bool, buttons);
    QFETCH(QStringList, pages);
    AppSettings::Instance()->settings->setValue(QStringLiteral("show_pos_buttons"), buttons);
    Screen s;
    auto* tabs = Child<QTabWidget>(s.screen, "tabWidget");
    QStringList seen;
    for (int i = 0; i < pages.size(); ++i) {
        s.screen->on_CtrlT();
        seen << tabs->tabText(tabs->currentIndex());
    }
    QCOMPARE(seen, pages);
}

void TestCPOS::paidFieldEnterPaysThenPrints()
{
    UrlRecorder urls;
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    CPOS::paidEnterCount = 0;
    auto* paid = Child<QLineEdit>(s.screen, "lineEditPaid");
    paid->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), paid);
    QTest::keyClick(paid, Qt::Key_Return);
    QCOMPARE(CPOS::paidEnterCount, 1);
    QCOMPARE(QApplication::focusWidget(), paid);
    QTest::keyClick(paid, Qt::Key_Return);
    QCOMPARE(CPOS::paidEnterCount, 0);
    QCOMPARE(urls.urls.size(), 1); // the print
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "comboBoxProducts"));
    // The reference field pays without touching the count.
    QTest::keyClick(Child<QWidget>(s.screen, "lineRefNumber"), Qt::Key_Return);
    QCOMPARE(CPOS::paidEnterCount, 0);
}

void TestCPOS::scannerEnterHandsTheCodeOn()
{
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    auto* scanner = Child<QLineEdit>(s.screen, "lineBarcodeScannerInput");
    QTRY_COMPARE(QApplication::focusWidget(), scanner);
    QTest::keyClicks(scanner, QStringLiteral("AB<1>"));
    QTest::keyClick(scanner, Qt::Key_Return);
    QCOMPARE(Child<QLineEdit>(s.screen, "lineEditBarCode")->text(), QStringLiteral("AB<1>"));
    QCOMPARE(QApplication::focusWidget(), scanner);
    QCOMPARE(scanner->selectedText(), QStringLiteral("AB<1>"));
}

void TestCPOS::scannerButtonColourFollowsFocus()
{
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    auto* button = Child<QPushButton>(s.screen, "pushReadyForScanner");
    QTRY_VERIFY(button->isChecked());
    QCOMPARE(button->styleSheet(), QStringLiteral("QPushButton { background-color: green; }"));
    Child<QWidget>(s.screen, "lineEditItems")->setFocus();
    QTRY_VERIFY(!button->isChecked());
    QCOMPARE(button->styleSheet(), QStringLiteral("QPushButton { background-color: red; }"));
    // A click from elsewhere turns the scanner on, a second one off again.
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
    QVERIFY(button->isChecked());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "comboBoxProducts"));
    QVERIFY(!button->isChecked());
}

void TestCPOS::guideReplacesAnOldCopy()
{
    UrlRecorder urls;
    Screen s;
    const QString target =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/pos_shortcut_keys.pdf");
    QVERIFY(TestSupport::WriteFile(target, "old guide"));
    QFile::setPermissions(target, QFileDevice::ReadOwner);
    for (int round = 0; round < 2; ++round) {
        s.screen->on_CtrlK();
        QVERIFY(TestSupport::ReadFile(target).startsWith("%PDF"));
    }
    QCOMPARE(urls.urls, (QList<QUrl>{QUrl::fromLocalFile(target), QUrl::fromLocalFile(target)}));
    QCOMPARE(answerer->seen.size(), 2);
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Quick Star Guide"));
}

// Ctrl+K writes the guide and opens it as every written PDF is opened: without a PDF application on
// the desktop, the cashier learns where the file is.
void TestCPOS::guideSaysWhereItIsWithoutPdfApplication()
{
    UrlRecorder urls;
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
    StandInPrograms programs;
    QVERIFY(programs.add(QStringLiteral("xdg-open"), "exit 3"));
    QVERIFY(programs.add(QStringLiteral("xdg-mime"), "exit 0"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier);

    const QString target =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/pos_shortcut_keys.pdf");
    QTRY_COMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(target)});
    QTRY_COMPARE(answerer->messages(),
                 QStringList{QStringLiteral("PDF File|No PDF application is registered on this desktop. The PDF file "
                                            "was written to:\n")
                             + QDir::toNativeSeparators(target)});
    QCOMPARE(answerer->seen.first().title, QStringLiteral("Quick Star Guide"));
}

// A program the screen starts (here the desktop's PDF registry, asked at Ctrl+K, as a viewer is started after it)
// holds none of the screen's server connections: a copy killed while a viewer runs would otherwise leave its
// transaction and row locks on the server for as long as the viewer runs.
void TestCPOS::startedProgramHoldsNoConnection()
{
    UrlRecorder urls;
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
    // The test's own connections are not the program's: the sockets left are the screen's.
    const QStringList screens{QStringLiteral("INVENTORY_DB"), QStringLiteral("SALES_DB"), QStringLiteral("MYSQL_SERVER")};
    for (const QString& name : QSqlDatabase::connectionNames())
        if (!screens.contains(name))
            QSqlDatabase::database(name, false).close();
    const QStringList fds = QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System);
    QVERIFY(std::any_of(fds.begin(), fds.end(), [](const QString& fd) {
        return QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd).contains(QLatin1String("socket:"));
    }));
    const QString record = TestSupport::ScratchDir() + QStringLiteral("/started-program-descriptors");
    QFile::remove(record);
    StandInPrograms programs;
    QVERIFY(programs.add(QStringLiteral("xdg-mime"),
                         "/bin/ls -l /proc/$$/fd > '" + QFile::encodeName(record) + "'\necho viewer.desktop"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_K, Qt::ControlModifier);

    const QString target =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/pos_shortcut_keys.pdf");
    QTRY_COMPARE(urls.urls, QList<QUrl>{QUrl::fromLocalFile(target)});
    const QByteArray held = TestSupport::ReadFile(record);
    QVERIFY2(held.contains(" 2 -> "), held.constData());
    QVERIFY2(!held.contains("socket:"), held.constData());
}

void TestCPOS::settingsFromScreen_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("answer"); // how the settings dialog ends
    QTest::addColumn<bool>("restart");
    QTest::addColumn<QStringList>("messages");
    const QString refused = QStringLiteral(
        "Module Permission|You are not allowed to access this function. Please contact ADMINISTRATOR user of Vorantel "
        "and request desired permissions.");
    QTest::newRow("saved") << "ADMINISTRATOR" << "save" << true
                           << QStringList{"Settings|In order for settings to take effect, POS will restart now."};
    QTest::newRow("closed without saving") << "ADMINISTRATOR" << "close" << false << QStringList{};
    QTest::newRow("role without settings") << "SALES PERSON" << "" << true << QStringList{refused};
}

void TestCPOS::settingsFromScreen()
{
    QFETCH(QString, role);
    QFETCH(QString, answer);
    QFETCH(bool, restart);
    QFETCH(QStringList, messages);
    AppSettings::Instance()->roleName = role;
    AppSettings::Instance()->SetPermittedModules({0, 3});
    Screen s;
    // A refusal leaves the flag as it was.
    s.screen->restartRequested = true;
    if (answer == QLatin1String("save")) {
        answerer->handleClass("SettingsDialog", [](QWidget* settings) {
            QTimer::singleShot(0, settings->findChild<QPushButton*>(QStringLiteral("pushSave")), &QPushButton::click);
        });
        answerer->pressButton(QMessageBox::Ok);
    } else if (answer == QLatin1String("close")) {
        answerer->reject();
    }
    s.screen->OpenSettings();
    QCOMPARE(s.screen->restartRequested, restart);
    QCOMPARE(answerer->messages(), messages);
    if (answer == QLatin1String("save"))
        QCOMPARE(s.screen->settingsDialog->contentWidget()->currentRow(), 6);
}

void TestCPOS::keyReachesItsAction_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("expected"); // what, then the object or value
    QTest::addColumn<bool>("customersUsable");
    QTest::addColumn<QString>("from"); // the widget with the focus when the key is pressed

    const int ctrl = Qt::ControlModifier;
    const struct
    {
        const char* name;
        int key;
        int modifiers;
        const char* expected;
    } rows[] = {
        {"F1 more options", Qt::Key_F1, 0, "clicked pushMore"},
        {"F2 new sale", Qt::Key_F2, 0, "clicked pushNew"},
        {"F3 print", Qt::Key_F3, 0, "clicked pushPrint"},
        {"F4 PDF", Qt::Key_F4, 0, "clicked pushPrintPreview"},
        {"F5 pay due", Qt::Key_F5, 0, "clicked pushButtonPAID"},
        {"F6 pay", Qt::Key_F6, 0, "clicked pushButtonPay"},
        {"F7 return mode", Qt::Key_F7, 0, "toggled checkReturnMode"},
        {"F8 look-up", Qt::Key_F8, 0, "clicked pushButtonLookUp"},
        {"F9 pay later", Qt::Key_F9, 0, "clicked pushPayLater"},
        {"F10 customers", Qt::Key_F10, 0, "toggled pushCustomers"},
        {"F12 paid field", Qt::Key_F12, 0, "selected lineEditPaid"},
        {"Home all buttons", Qt::Key_Home, 0, "clicked pushFavPages"},
        {"PgUp is next", Qt::Key_PageUp, 0, "clicked nextButton"},
        {"PgDown is previous", Qt::Key_PageDown, 0, "clicked previousButton"},
        {"Del deletes", Qt::Key_Delete, 0, "clicked pushDeleteItem"},
        {"Ctrl+Return adds", Qt::Key_Return, ctrl, "clicked pushAddItem"},
        {"Ctrl+I code entry", Qt::Key_I, ctrl, "clicked pushEnterCode"},
        {"Ctrl+B scanner off", Qt::Key_B, ctrl, "focus lineBarcodeScannerInput"},
        {"Ctrl+B scanner on", Qt::Key_B, ctrl, "focus lineBarcodeScannerInput"},
        {"Ctrl+1 quick pay", Qt::Key_1, ctrl, "shortcut Ctrl+1"},
        {"Ctrl+5 quick pay", Qt::Key_5, ctrl, "shortcut Ctrl+5"},
        {"Ctrl+9 quick pay", Qt::Key_9, ctrl, "shortcut Ctrl+9"},
        {"Ctrl+P paid", Qt::Key_P, ctrl, "selected lineEditPaid"},
        {"Ctrl+D discount", Qt::Key_D, ctrl, "selected lineEditDiscount"},
        {"Ctrl+Q quantity", Qt::Key_Q, ctrl, "selected lineEditItems"},
        {"Ctrl+S sale price", Qt::Key_S, ctrl, "selected lineSelectedSalePrice"},
        {"Ctrl+R reference", Qt::Key_R, ctrl, "selected lineRefNumber"},
        {"Ctrl+G categories", Qt::Key_G, ctrl, "focus comboCategory"},
        {"Ctrl+L payment type", Qt::Key_L, ctrl, "focus comboPaymentType"},
        {"Ctrl+F product search", Qt::Key_F, ctrl, "focus comboBoxProducts"},
        {"Ctrl+N receipt notes", Qt::Key_N, ctrl, "selected textReceiptNotes"},
        {"Ctrl+T next tab", Qt::Key_T, ctrl, "tab 1"},
        {"Ctrl++ quantity up", Qt::Key_Plus, ctrl, "quantity 8"},
        {"Ctrl+- quantity down", Qt::Key_Minus, ctrl, "quantity 6"},
        {"Ctrl+X close question", Qt::Key_X, ctrl, "message Close POS?|Do you really want to close POS?"},
        {"Ctrl+K guide", Qt::Key_K, ctrl, "guide"},
        {"Ctrl+0 nothing", Qt::Key_0, ctrl, "nothing"},
    };
    // The scanner line keeps Home and Del for its own text; elsewhere they reach their actions.
    for (const auto& row : rows) {
        const bool editingKey = row.key == Qt::Key_Home || row.key == Qt::Key_Delete || row.key == Qt::Key_X;
        const char* from = editingKey ? "pushButtonClose" : "lineBarcodeScannerInput";
        if (QByteArray(row.name) == "Ctrl+B scanner on")
            from = "comboBoxProducts";
        QTest::newRow(row.name) << row.key << row.modifiers << row.expected << true << from;
    }
    // Without the customers button the screen's own key handler takes F10.
    QTest::newRow("F10 without customers button")
        << int(Qt::Key_F10) << 0 << "focus comboBoxProducts" << false << "lineBarcodeScannerInput";
    // The fields would take Ctrl+X as Cut: the screen's close comes first wherever the cashier types.
    for (const char* field : {"lineBarcodeScannerInput", "lineEditItems", "lineEditPaid", "comboBoxProducts",
                              "textReceiptNotes", "dateTimeReceiptTimeStamp"})
        QTest::newRow(qPrintable(QStringLiteral("Ctrl+X close question from %1").arg(QLatin1String(field))))
            << int(Qt::Key_X) << ctrl << "message Close POS?|Do you really want to close POS?" << true << field;
}

void TestCPOS::keyReachesItsAction()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, expected);
    QFETCH(bool, customersUsable);
    QFETCH(QString, from);

    UrlRecorder urls;
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    Child<QPushButton>(s.screen, "pushCustomers")->setEnabled(customersUsable);
    auto* quantity = Child<QLineEdit>(s.screen, "lineEditItems");
    quantity->setText(QStringLiteral("7"));
    for (const char* name : {"lineEditPaid", "lineEditDiscount", "lineSelectedSalePrice", "lineRefNumber"})
        Child<QLineEdit>(s.screen, name)->setText(QStringLiteral("12"));
    Child<QTextEdit>(s.screen, "textReceiptNotes")->setPlainText(QStringLiteral("thanks"));
    // The screen starts in the scanner line.
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
    if (expected.endsWith(QLatin1String("textReceiptNotes")) || s.screen->receiptDetailsPage->isAncestorOf(
                                                                     Child<QWidget>(s.screen, qPrintable(from))))
        Child<QTabWidget>(s.screen, "tabWidget")->setCurrentWidget(s.screen->receiptDetailsPage);
    Child<QWidget>(s.screen, qPrintable(from))->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, qPrintable(from)));

    const QString what = expected.section(QLatin1Char(' '), 0, 0);
    const QString target = expected.section(QLatin1Char(' '), 1);
    std::unique_ptr<QSignalSpy> spy;
    if (what == QLatin1String("clicked"))
        spy.reset(new QSignalSpy(Child<QAbstractButton>(s.screen, qPrintable(target)), &QAbstractButton::clicked));
    else if (what == QLatin1String("toggled"))
        spy.reset(new QSignalSpy(Child<QAbstractButton>(s.screen, qPrintable(target)), &QAbstractButton::toggled));
    else if (what == QLatin1String("shortcut")) {
        const auto shortcuts = s.screen->findChildren<QShortcut*>();
        for (QShortcut* shortcut : shortcuts)
            if (shortcut->key() == QKeySequence(target))
                spy.reset(new QSignalSpy(shortcut, &QShortcut::activated));
        QVERIFY2(spy, "no window shortcut for the key");
    }

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    if (spy) {
        // The customers picker closed without a choice puts the button back: a second toggle.
        QTRY_COMPARE(spy->count(), target == QLatin1String("pushCustomers") ? 2 : 1);
    } else if (what == QLatin1String("focus")) {
        QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, qPrintable(target)));
    } else if (what == QLatin1String("selected")) {
        QWidget* field = Child<QWidget>(s.screen, qPrintable(target));
        QTRY_COMPARE(QApplication::focusWidget(), field);
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            QCOMPARE(edit->selectedText(), edit->text());
        else
            QCOMPARE(qobject_cast<QTextEdit*>(field)->textCursor().selectedText(), QStringLiteral("thanks"));
    } else if (what == QLatin1String("tab")) {
        QCOMPARE(Child<QTabWidget>(s.screen, "tabWidget")->currentIndex(), target.toInt());
    } else if (what == QLatin1String("quantity")) {
        QCOMPARE(quantity->text(), target);
    } else if (what == QLatin1String("message")) {
        QTRY_COMPARE(answerer->messages(), QStringList{target});
        QVERIFY2(s.host && s.host->isVisible(), "a close answered with Escape keeps the screen");
    } else if (what == QLatin1String("guide")) {
        QTRY_COMPARE(urls.urls.size(), 1);
        QVERIFY(urls.urls.first().toLocalFile().endsWith(QLatin1String("/pos_shortcut_keys.pdf")));
        QVERIFY(QFileInfo(urls.urls.first().toLocalFile()).size() > 1000);
        QCOMPARE(answerer->seen.first().className, QStringLiteral("ErrorDialog"));
    } else {
        QCOMPARE(what, QStringLiteral("nothing"));
        QVERIFY(answerer->seen.isEmpty());
        QCOMPARE(quantity->text(), QStringLiteral("7"));
    }
    // Return mode, the code prompt, the look-up and the customers button open their notice, prompt or picker,
    // and pay due its question over a paid field already filled in, which the answerer closes.
    const QStringList opensModal{"pushMore",         "checkReturnMode", "pushEnterCode",
                                 "pushButtonLookUp", "pushButtonPAID",  "pushCustomers"};
    if (what != QLatin1String("message") && what != QLatin1String("guide") && !opensModal.contains(target))
        QVERIFY2(answerer->seen.isEmpty(), qPrintable(answerer->messages().join(',')));

    // A key leaves the focus where it was, unless moving it is what the key is for: the next scan
    // must land in the scanner line.
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    ActivateAgain(s.host);
    const bool movesFocus = what == QLatin1String("focus") || what == QLatin1String("selected");
    const auto focused = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };
    QTRY_COMPARE(focused(), movesFocus ? target : from);
}

void TestCPOS::scanAfterKeyLands_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("button"); // the button the key clicks
    QTest::addColumn<QString>("customer"); // picked in the customers picker
    QTest::addColumn<QString>("returned");
    QTest::addColumn<bool>("tap"); // a mouse click on the button instead of its key
    QTest::newRow("F2 new sale") << int(Qt::Key_F2) << "pushNew" << "" << "0" << false;
    QTest::newRow("F6 pay") << int(Qt::Key_F6) << "pushButtonPay" << "" << "0" << false;
    QTest::newRow("F7 return mode") << int(Qt::Key_F7) << "checkReturnMode" << "" << "1" << false;
    QTest::newRow("F10 customer") << int(Qt::Key_F10) << "pushCustomers" << "Ann Lee" << "0" << false;
    QTest::newRow("tap RETURN") << 0 << "checkReturnMode" << "" << "1" << true;
    QTest::newRow("tap CUSTOMERS, picker closed") << 0 << "pushCustomers" << "" << "0" << true;
    // A tap on the tab of a side page, then on an empty part of the page.
    QTest::newRow("tap on the receipt details page") << 0 << "scrollAreaReceiptData" << "" << "0" << true;
    QTest::newRow("tap on the pending payments page") << 0 << "scrollAreaPendingPayments" << "" << "0" << true;
    QTest::newRow("tap on the invoice details page (invoice mode)") << 0 << "scrollAreaInvoiceData" << "" << "0"
                                                                    << true;
}

// A wedge scanner types into whatever holds the focus and ends with Enter.
void TestCPOS::scanAfterKeyLands()
{
    QFETCH(int, key);
    QFETCH(QString, button);
    QFETCH(QString, customer);
    QFETCH(QString, returned);
    QFETCH(bool, tap);
    addStock(QStringLiteral("4006381333931"));
    if (!customer.isEmpty()) {
        QVERIFY(!addCustomer(customer, QStringLiteral("1 Main St"), QString(), QString()).startsWith("error"));
        pickCustomer(customer);
    }
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));

    if (auto* page = qobject_cast<QScrollArea*>(Child<QWidget>(s.screen, qPrintable(button)))) {
        if (button == QLatin1String("scrollAreaInvoiceData")) {
            Child<QAbstractButton>(s.screen, "pushInvoiceMode")->click();
            QTRY_VERIFY(s.screen->invoiceMode);
            QTRY_COMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
        }
        auto* tabs = Child<QTabWidget>(s.screen, "tabWidget");
        const int tab = PageTab(tabs, page);
        QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier, tabs->tabBar()->tabRect(tab).center());
        QTRY_COMPARE(tabs->currentIndex(), tab);
        QPoint empty(4, 4);
        while (page->widget()->childAt(empty))
            empty += QPoint(0, 4);
        QTest::mouseClick(page->widget(), Qt::LeftButton, Qt::NoModifier, empty);
    } else {
        QSignalSpy clicked(Child<QAbstractButton>(s.screen, qPrintable(button)), &QAbstractButton::clicked);
        if (tap)
            QTest::mouseClick(Child<QWidget>(s.screen, qPrintable(button)), Qt::LeftButton);
        else
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QTRY_COMPARE(clicked.count(), 1);
    }
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QTRY_VERIFY(!QApplication::activeModalWidget());
    ActivateAgain(s.host);
    QVERIFY(QApplication::focusWidget());

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("4006381333931"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    QCOMPARE(rows(QStringLiteral("SELECT BAR_CODE, RETURNED FROM tblSalesInvoice")),
             QStringList{QStringLiteral("4006381333931|") + returned});
    QCOMPARE(stock(QStringLiteral("4006381333931")), returned == QLatin1String("1") ? QString("101|0") : QString("99|0"));
    QCOMPARE(Child<QAbstractButton>(s.screen, "checkReturnMode")->isChecked(), returned == QLatin1String("1"));
    QCOMPARE(Child<QAbstractButton>(s.screen, "pushCustomers")->isChecked(), !customer.isEmpty());
    QCOMPARE(s.child("lineCustomerName")->text(), customer);
    QCOMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
}

void TestCPOS::tapOnCartLineThenDelDeletesIt_data()
{
    QTest::addColumn<QString>("typed"); // keys after the tap, each to the focus; "\n" is Enter
    QTest::addColumn<QStringList>("lines"); // the sale's codes after them
    QTest::addColumn<int>("column"); // of the tapped cell
    QTest::addColumn<bool>("scannerInput");
    QTest::addColumn<int>("current"); // the cart's current line while the keys arrive
    QTest::newRow("Del at once") << "" << QStringList{"T1", "T2"} << int(COL_PRODUCT_NAME) << true << 0;
    // A scanner without the prefix: the cart's type-ahead would move to line 2 and keep the code.
    QTest::newRow("a scan without the prefix first")
        << "2000000000015\n" << QStringList{"T1", "T2", "2000000000015"} << int(COL_PRODUCT_NAME) << true << 0;
    QTest::newRow("a scan without the prefix, tapped on the line number")
        << "2000000000015\n" << QStringList{"T1", "T2", "2000000000015"} << int(COL_ITEM_INDEX) << true << 0;
    // The scanner line still holds T2: Enter in the cart must not add it again.
    QTest::newRow("a bare Enter first") << "\n" << QStringList{"T1", "T2"} << int(COL_PRODUCT_NAME) << true << 0;
    // Without the scanner line the cart keeps its own type-ahead.
    QTest::newRow("scanner line off, a digit") << "2" << QStringList{"T1", "T2"} << int(COL_ITEM_INDEX) << false << 1;
}

// A tap on a cart line followed by Del deletes that line; what a scanner types in between is rung up.
void TestCPOS::tapOnCartLineThenDelDeletesIt()
{
    QFETCH(QString, typed);
    QFETCH(QStringList, lines);
    QFETCH(int, column);
    QFETCH(bool, scannerInput);
    QFETCH(int, current);
    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_scanner_input"), scannerInput);
    for (const char* code : {"T1", "T2", "2000000000015"})
        addStock(QLatin1String(code));
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    s.scan(QStringLiteral("T1"));
    s.scan(QStringLiteral("T2"));
    auto* cart = Child<QTableView>(s.screen, "tableViewItems");
    const auto tapFirstLine = [cart, column] {
        QTest::mouseClick(cart->viewport(), Qt::LeftButton, Qt::NoModifier,
                          cart->visualRect(cart->model()->index(0, column)).center());
        QCOMPARE(cart->currentIndex().row(), 0);
    };
    tapFirstLine();
    for (const QChar c : typed) {
        if (c == QLatin1Char('\n')) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            continue;
        }
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
        QCOMPARE(cart->currentIndex().row(), current);
    }
    const QString all = QStringLiteral("SELECT BAR_CODE FROM tblSalesInvoice ORDER BY ID");
    QCOMPARE(rows(all), lines);
    if (!scannerInput)
        QCOMPARE(s.child("lineBarcodeScannerInput")->text(), QStringLiteral("T2"));

    tapFirstLine();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
    QTRY_COMPARE(rows(all), lines.mid(1));
    QCOMPARE(stock(QStringLiteral("T1")), QStringLiteral("100|0"));
}

void TestCPOS::prefixedScanLands_data()
{
    QTest::addColumn<QString>("start"); // what the cashier did before the scanner's Ctrl+B
    QTest::addColumn<bool>("scannerInput");
    QTest::addColumn<int>("scans");
    QTest::addColumn<QString>("returned"); // empty: nothing is rung up
    QTest::addColumn<QString>("price"); // charged for the scanned code
    // The keys after the prefix had been addressed to the pop-up before it closed (a busy screen; after
    // "idle, ", a screen whose event loop ran in between).
    QTest::addColumn<bool>("addressed");
    QTest::newRow("scanner line after a scan") << "scan" << true << 1 << "0" << "10" << false;
    QTest::newRow("two prefixed scans in a row") << "scan" << true << 2 << "0" << "10" << false;
    QTest::newRow("scanner line with typed text") << "typed" << true << 1 << "0" << "10" << false;
    QTest::newRow("product search (Ctrl+F)") << "Ctrl+F" << true << 1 << "0" << "10" << false;
    QTest::newRow("product search, suggestions open") << "suggestions" << true << 1 << "0" << "10" << false;
    QTest::newRow("product search, suggestions open, keys already addressed to the list")
        << "suggestions" << true << 2 << "0" << "10" << true;
    QTest::newRow("product search after Enter, Enter printed") << "paid and printed" << true << 1 << "0" << "10" << false;
    QTest::newRow("paid field after Enter paid") << "paid" << true << 1 << "0" << "10" << false;
    QTest::newRow("quantity field (Ctrl+Q)") << "Ctrl+Q" << true << 1 << "0" << "10" << false;
    QTest::newRow("price field after picking another product") << "picked" << true << 1 << "0" << "10" << false;
    // The cashier's own price applies to the next code, though it reads as the last one shown.
    QTest::newRow("price typed after adding a picked product") << "picked, added, typed" << true << 1 << "0" << "25"
                                                                << false;
    QTest::newRow("return mode") << "F7" << true << 1 << "1" << "10" << false;
    QTest::newRow("scanner input disabled") << "Ctrl+F" << false << 1 << "" << "10" << false;
    // A pop-up open as the scan starts, with Down pressed in it so that a wrong Enter changes the choice.
    QTest::newRow("payment type list open") << "list comboPaymentType" << true << 1 << "0" << "10" << false;
    QTest::newRow("payment type list, keys already addressed to the list")
        << "list comboPaymentType" << true << 1 << "0" << "10" << true;
    QTest::newRow("receipt status list open") << "list comboReceiptStatus" << true << 1 << "0" << "10" << false;
    QTest::newRow("category list open") << "list comboCategory" << true << 1 << "0" << "10" << false;
    QTest::newRow("invoice status list open (invoice mode)")
        << "invoice, list comboInvoiceStatus" << true << 1 << "0" << "10" << false;
    QTest::newRow("due date calendar open (invoice mode)")
        << "invoice, calendar dateDueDate" << true << 1 << "0" << "10" << false;
    QTest::newRow("due date calendar and its month menu open (invoice mode)")
        << "invoice, month menu dateDueDate" << true << 1 << "0" << "10" << false;
    // The pop-up the prefix closed is there to open again once the closed menus' second is over.
    QTest::newRow("payment type list, opened again a second later")
        << "reopened, list comboPaymentType" << true << 1 << "0" << "10" << false;
    QTest::newRow("due date calendar, opened again a second later (invoice mode)")
        << "reopened, invoice, calendar dateDueDate" << true << 1 << "0" << "10" << false;
    QTest::newRow("product search, suggestions opened again a second later")
        << "reopened, suggestions" << true << 1 << "0" << "10" << false;
    QTest::newRow("quantity field context menu open") << "menu lineEditItems" << true << 1 << "0" << "10" << false;
    QTest::newRow("quantity field context menu, keys after an idle pass")
        << "idle, menu lineEditItems" << true << 1 << "0" << "10" << true;
    QTest::newRow("receipt notes context menu, keys after an idle pass")
        << "idle, menu textReceiptNotes" << true << 1 << "0" << "10" << true;
    QTest::newRow("receipt timestamp context menu, keys after an idle pass")
        << "idle, menu dateTimeReceiptTimeStamp" << true << 1 << "0" << "10" << true;
    // Pop-ups that are not the screen's to close.
    QTest::newRow("scanner input disabled, payment type list open")
        << "list comboPaymentType" << false << 1 << "" << "10" << false;
    QTest::newRow("a list open in a dialog above the screen") << "dialog list" << true << 1 << "" << "10" << false;
}

namespace {

// A menu's entries as the cashier reads them: text, shortcut and whether it can be chosen.
QStringList MenuEntries(const QWidget* menu)
{
    QStringList entries;
    for (const QAction* action : menu->actions())
        entries << (action->isSeparator() ? QStringLiteral("-")
                                          : QStringLiteral("%1|%2|%3")
                                                .arg(action->text(), action->shortcut().toString())
                                                .arg(action->isEnabled()));
    return entries;
}

// The menu a date field builds itself, from its own handler past any filter on it.
struct OwnDateMenu : QDateTimeEdit
{
    using QDateTimeEdit::contextMenuEvent;
};

} // namespace

// A scanner set up as the settings page's help says: Ctrl+B, the code and Enter at scanner speed,
// each key reaching whatever holds the focus at that moment, with no event loop in between.
void TestCPOS::prefixedScanLands()
{
    QFETCH(QString, start);
    QFETCH(bool, scannerInput);
    QFETCH(int, scans);
    QFETCH(QString, returned);
    QFETCH(QString, price);
    QFETCH(bool, addressed);
    const bool reopened = start.startsWith(QLatin1String("reopened, "));
    if (reopened)
        start = start.section(QLatin1String(", "), 1);
    const bool idle = start.startsWith(QLatin1String("idle, "));
    const QString openAtStart = start.section(QLatin1String(", "), -1);
    const QString code = QStringLiteral("4006381333931");
    AppSettings::Instance()->settings->setValue(QStringLiteral("enable_scanner_input"), scannerInput);
    PosFixture::SilenceAndLogIn({QStringLiteral("err_msg_4")}); // the return-mode notice
    addStock(code);
    addStock(QStringLiteral("5012345678900"), {{"NAME", "Olive oil"}, {"SALE_PRICE", 25.0}});
    UrlRecorder urls;
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    // As the window system delivers a key: to an open pop-up, else to the focus; or to where it was
    // addressed while the program was busy.
    QPointer<QWidget> addressedTo;
    const auto receiver = [&addressedTo] {
        if (addressedTo)
            return addressedTo.data();
        QWidget* popup = QApplication::activePopupWidget();
        if (popup)
            return popup->focusWidget() ? popup->focusWidget() : popup;
        return QApplication::focusWidget();
    };
    const auto press = [&receiver](int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(receiver(), Qt::Key(key), modifiers);
    };
    QWidget* opened = nullptr; // the field whose pop-up is open as the scan starts
    std::unique_ptr<QDialog> dialog;
    const auto choice = [&opened] {
        if (auto* combo = qobject_cast<QComboBox*>(opened))
            return QVariant(combo->currentIndex());
        // A new sale stamps the time fields itself.
        if (auto* date = qobject_cast<QDateEdit*>(opened))
            return QVariant(date->date());
        return QVariant();
    };
    QVariant choiceBefore;
    auto* search = Child<QComboBox>(s.screen, "comboBoxProducts");
    const auto openSuggestions = [&] {
        press(Qt::Key_F, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Oliv"));
        return QTest::qWaitFor([search] { return search->completer()->popup()->isVisible(); });
    };
    QStringList paidBefore;
    QStringList linesBefore;
    const auto takeBefore = [&] {
        QVERIFY(!QApplication::activeModalWidget());
        paidBefore = sales(QStringLiteral("ID, PAID, STATUS"));
        linesBefore = rows(QStringLiteral("SELECT ID FROM tblSalesInvoice"));
    };
    // Does what the cashier does in the menu that opening shows, from inside it: some menus run an event
    // loop of their own until they close. A menu left open is closed, and fails the test.
    const auto inMenu = [this](const std::function<void()>& opening, const std::function<void()>& act) {
        bool done = false;
        QTimer::singleShot(0, this, [&] {
            const auto closeLeftOpen = qScopeGuard([&done] {
                done = true;
                const bool closed = QTest::qWaitFor([] { return !QApplication::activePopupWidget(); }, 1000);
                for (int i = 0; i < 16 && QApplication::activePopupWidget(); ++i)
                    QApplication::activePopupWidget()->close();
                QVERIFY2(closed, "a menu stayed open");
            });
            QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
            act();
        });
        opening();
        QTRY_VERIFY(done);
    };
    QPointer<QWidget> prefixReceiver;
    bool prefixSent = false;
    std::function<void()> open; // opens the pop-up of the field
    std::function<void()> reopen; // opens it again after the scan
    const auto sendPrefix = [&] {
        prefixReceiver = receiver();
        press(Qt::Key_B, Qt::ControlModifier);
        prefixSent = true;
    };
    QTRY_COMPARE(QApplication::focusWidget(),
                 scannerInput ? Child<QWidget>(s.screen, "lineBarcodeScannerInput") : search);

    if (start == QLatin1String("scan") || start.startsWith(QLatin1String("paid"))) {
        s.scan(code);
        if (start.startsWith(QLatin1String("paid"))) {
            press(Qt::Key_P, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("20"));
            press(Qt::Key_Return);
            QCOMPARE(sales(QStringLiteral("STATUS")), QStringList{"2"});
            if (start == QLatin1String("paid and printed")) {
                press(Qt::Key_Return);
                QTRY_COMPARE(urls.urls.size(), 1);
            }
        }
    } else if (start == QLatin1String("suggestions") || start.startsWith(QLatin1String("picked"))) {
        QVERIFY(openSuggestions());
        if (start.startsWith(QLatin1String("picked"))) {
            press(Qt::Key_Return);
            QTRY_COMPARE(s.child("lineSelectedSalePrice")->text(), QStringLiteral("25.00"));
        }
        if (start == QLatin1String("picked, added, typed")) {
            QTest::keyClick(s.child("lineSelectedSalePrice"), Qt::Key_Return);
            press(Qt::Key_S, Qt::ControlModifier);
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("25.00"));
        }
    } else if (start == QLatin1String("typed")) {
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("12"));
    } else if (start == QLatin1String("F7")) {
        press(Qt::Key_F7);
        QTRY_VERIFY(Child<QAbstractButton>(s.screen, "checkReturnMode")->isChecked());
    } else if (start.contains(QLatin1Char(' '))) {
        if (start.startsWith(QLatin1String("invoice, "))) {
            Child<QAbstractButton>(s.screen, "pushInvoiceMode")->click();
            QTRY_VERIFY(s.screen->invoiceMode);
        }
        if (start.startsWith(QLatin1String("dialog"))) {
            dialog.reset(new QDialog(s.screen));
            auto* combo = new QComboBox(dialog.get());
            combo->addItems({QStringLiteral("Visa"), QStringLiteral("Cash")});
            (new QVBoxLayout(dialog.get()))->addWidget(combo);
            dialog->show();
            QVERIFY(QTest::qWaitForWindowActive(dialog.get()));
            opened = combo;
        } else {
            opened = Child<QWidget>(s.screen, qPrintable(start.section(QLatin1Char(' '), -1)));
            auto* tabs = Child<QTabWidget>(s.screen, "tabWidget");
            tabs->setCurrentIndex(PageTab(tabs, opened));
        }
        const bool monthMenu = openAtStart.startsWith(QLatin1String("month menu"));
        if (auto* combo = qobject_cast<QComboBox*>(opened)) {
            open = [combo] { combo->showPopup(); };
            reopen = open;
        } else if (openAtStart.startsWith(QLatin1String("calendar")) || monthMenu) {
            // The arrow at the field's right end.
            reopen = [opened] {
                QTest::mouseClick(opened, Qt::LeftButton, Qt::NoModifier, QPoint(opened->width() - 6, opened->height() / 2));
            };
            reopen();
            QTRY_VERIFY(QApplication::activePopupWidget());
            auto* month = Child<QWidget>(QApplication::activePopupWidget(), "qt_calendar_monthbutton");
            open = [month, monthMenu] {
                if (monthMenu)
                    QTest::mouseClick(month, Qt::LeftButton);
            };
        } else {
            // A right click lands on a text field's viewport.
            auto* area = qobject_cast<QAbstractScrollArea*>(opened);
            QWidget* clicked = area ? area->viewport() : opened;
            open = [clicked] {
                QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(6, 6), clicked->mapToGlobal(QPoint(6, 6)));
                QApplication::sendEvent(clicked, &menu);
            };
        }
        QStringList ownMenu;
        auto* date = qobject_cast<QDateTimeEdit*>(opened);
        if (date && openAtStart.startsWith(QLatin1String("menu"))) {
            const auto ownHandler = [date] {
                QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(6, 6), date->mapToGlobal(QPoint(6, 6)));
                (date->*&OwnDateMenu::contextMenuEvent)(&event);
            };
            // The screen's menu reads as the field's own; at its latest time the field cannot step up, at its
            // earliest it cannot step down.
            const QDateTime shown = date->dateTime();
            for (const QDateTime& end : {date->maximumDateTime(), date->minimumDateTime()}) {
                date->setDateTime(end);
                // A menu shows the key of an action only while no shortcut of the active window has it.
                ActivateAgain(s.host);
                QPoint ownAt;
                inMenu(ownHandler, [&ownMenu, &ownAt] {
                    ownMenu = MenuEntries(QApplication::activePopupWidget());
                    ownAt = QApplication::activePopupWidget()->pos();
                    QApplication::activePopupWidget()->close();
                });
                QVERIFY(ownMenu.size() > 5);
                ActivateAgain(s.host);
                // The same right click opens it at the same place.
                inMenu(open, [&ownMenu, &ownAt] {
                    QCOMPARE(MenuEntries(QApplication::activePopupWidget()), ownMenu);
                    QCOMPARE(QApplication::activePopupWidget()->pos(), ownAt);
                    QApplication::activePopupWidget()->close();
                });
            }
            date->setDateTime(shown);
            // And it does what the field's own does.
            const auto choose = [&](const QString& text) {
                inMenu(open, [&press, text] {
                    auto* menu = static_cast<QMenu*>(QApplication::activePopupWidget());
                    for (QAction* action : menu->actions())
                        if (action->text() == text)
                            menu->setActiveAction(action);
                    press(Qt::Key_Return);
                });
            };
            choose(QAbstractSpinBox::tr("&Step up"));
            QVERIFY(date->dateTime() > shown);
            const QDateTime steppedUp = date->dateTime();
            choose(QAbstractSpinBox::tr("Step &down"));
            QVERIFY(date->dateTime() < steppedUp);
            auto* editor = date->findChild<QLineEdit*>();
            editor->deselect();
            choose(QAbstractSpinBox::tr("&Select All"));
            QVERIFY(!editor->text().isEmpty());
            QCOMPARE(editor->selectedText(), editor->text());
        }
        const auto inPopup = [&] {
            press(Qt::Key_Down);
            // A calendar applies the day it moves to at once, as the cashier's own choice.
            choiceBefore = choice();
        };
        if (monthMenu || !ownMenu.isEmpty()) {
            inMenu(open, [&] {
                inPopup();
                takeBefore();
                sendPrefix();
            });
        } else {
            open();
            QTRY_VERIFY(QApplication::activePopupWidget());
            inPopup();
        }
    } else {
        press(start == QLatin1String("Ctrl+Q") ? Qt::Key_Q : Qt::Key_F, Qt::ControlModifier);
    }
    if (!prefixSent) {
        QTRY_VERIFY(!QApplication::activeModalWidget());
        takeBefore();
    }
    // A list that stays open would take the scanner's Enter as the cashier's choice.
    const bool listKept = opened && (!scannerInput || dialog);
    const bool prefixedInMenuLoop = prefixSent;

    for (int i = 0; i < scans; ++i) {
        if (i > 0 || !prefixedInMenuLoop)
            sendPrefix();
        if (idle || (i == 0 && prefixedInMenuLoop)) {
            // The event loop ran since the prefix. The offscreen platform then leaves no window active
            // once the pop-up closed, where on X11 the screen stays active.
            QTest::qWait(50);
            if (!listKept)
                ActivateAgain(s.host);
        }
        if (idle)
            QVERIFY2(prefixReceiver, "the pop-up was deleted while keys were still addressed to it");
        if (addressed)
            addressedTo = prefixReceiver;
        for (const QChar digit : code)
            press(digit.unicode());
        if (!listKept)
            press(Qt::Key_Return);
        addressedTo = nullptr;
        if (start == QLatin1String("suggestions") && i + 1 < scans)
            QVERIFY(openSuggestions());
    }
    // A click that the key started would come about 100 ms later.
    QTest::qWait(350);

    const QStringList lines = rows(QStringLiteral("SELECT TRANSACTION_ID, BAR_CODE, SALE_PRICE, RETURNED FROM "
                                                  "tblSalesInvoice ORDER BY ID"))
                                  .mid(linesBefore.size());
    if (returned.isEmpty()) {
        // The key does nothing here: no line, and the focus never went to the scanner line.
        QCOMPARE(lines, QStringList{});
        QVERIFY(QApplication::focusWidget() != Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
        if (!scannerInput)
            QVERIFY(!Child<QAbstractButton>(s.screen, "pushReadyForScanner")->isChecked());
        if (opened) {
            QVERIFY(QApplication::activePopupWidget());
            QCOMPARE(choice(), choiceBefore);
            press(Qt::Key_Escape);
            QTRY_VERIFY(!QApplication::activePopupWidget());
            if (dialog)
                QCOMPARE(QApplication::focusWidget(), opened);
        }
        return;
    }
    QCOMPARE(lines.size(), scans);
    for (const QString& line : lines) {
        QCOMPARE(line.section(QLatin1Char('|'), 1), code + QLatin1Char('|') + price + QLatin1Char('|') + returned);
        // An item after a paid sale starts a new one; the paid sale stays as it was paid.
        for (const QString& paid : paidBefore)
            if (paid.endsWith(QLatin1String("|2")))
                QVERIFY(line.section(QLatin1Char('|'), 0, 0) != paid.section(QLatin1Char('|'), 0, 0));
    }
    for (const QString& sale : paidBefore)
        QVERIFY2(sales(QStringLiteral("ID, PAID, STATUS")).contains(sale), qPrintable(sale));
    QCOMPARE(QApplication::activePopupWidget(), nullptr);
    QCOMPARE(choice(), choiceBefore);
    // The offscreen platform makes a pop-up the active window; on X11 it only holds the keyboard.
    if (opened)
        ActivateAgain(s.host);
    QCOMPARE(search->currentText(), QString());
    QCOMPARE(QApplication::focusWidget(), Child<QWidget>(s.screen, "lineBarcodeScannerInput"));
    QVERIFY(Child<QAbstractButton>(s.screen, "pushReadyForScanner")->isChecked());

    if (reopened) {
        // A little over the second for which a closed pop-up that deletes itself stays, hidden.
        QTest::qWait(1300);
        ActivateAgain(s.host);
        if (start == QLatin1String("suggestions")) {
            QVERIFY(openSuggestions());
            press(Qt::Key_Return);
            QTRY_COMPARE(s.child("lineSelectedSalePrice")->text(), QStringLiteral("25.00"));
        } else {
            reopen();
            QTRY_VERIFY(QApplication::activePopupWidget());
            press(Qt::Key_Down);
            press(Qt::Key_Return);
            QTRY_VERIFY(!QApplication::activePopupWidget());
            QVERIFY(choice() != choiceBefore);
        }
    }
    if (idle) {
        // Menus opened and closed over and over, by the prefix or by Escape, do not pile up.
        for (int i = 0; i < 50; ++i) {
            inMenu(open, [&press, i] {
                press(i % 2 ? Qt::Key_Escape : Qt::Key_B, i % 2 ? Qt::NoModifier : Qt::ControlModifier);
            });
        }
        QTest::qWait(2000);
        QVERIFY(opened->findChildren<QMenu*>().size() <= 1);
    }
}

void TestCPOS::windowsOpenAboveTheScreen_data()
{
    QTest::addColumn<QString>("button"); // clicked on the screen
    QTest::addColumn<int>("smallReceipt");
    QTest::addColumn<bool>("fromSettings"); // the window opens from the settings dialog that More opens
    QTest::addColumn<QString>("expected"); // the window that opens: title, where, a message box's text
    QTest::newRow("Delete Item notice") << "pushDeleteItem" << 0 << false << "Delete Item|above the screen";
    QTest::newRow("Email notice") << "pushEmailReceiptToCustomer" << 0 << false << "Email|above the screen";
    QTest::newRow("PDF Print warning of a direct receipt")
        << "pushPrint" << 1 << false << "PDF Print|above the screen|File /";
    QTest::newRow("old PDF on a receipt print") << "pushPrint" << 0 << false << "PDF Print|above the screen|File [";
    QTest::newRow("settings from More (F1)") << "pushMore" << 0 << false << "Settings|above the screen";
    // Saving a tax page with 9 decimal places: the settings dialog's message box.
    QTest::newRow("message box of the settings dialog")
        << "pushMore" << 0 << true << "Tax Settings|above its dialog|Enter ";
}

// Under a window manager a window is kept above its transient parent only: one that is merely
// above the main window can open underneath the full-screen sale screen.
void TestCPOS::windowsOpenAboveTheScreen()
{
    QFETCH(QString, button);
    QFETCH(int, smallReceipt);
    QFETCH(bool, fromSettings);
    QFETCH(QString, expected);
    AppSettings::Instance()->settings->setValue(QStringLiteral("SMALL_RECEIPT"), smallReceipt);
    // A folder where the receipt's PDF goes: the old PDF can not be removed.
    const QString pdf =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/pdf_print.pdf");
    QFile::remove(pdf);
    QVERIFY(QDir().mkpath(pdf + QStringLiteral("/locked")));
    QMainWindow mainWindow;
    mainWindow.show();
    AppSettings::Instance()->mainWindow = &mainWindow;
    const auto restore = qScopeGuard([&] {
        AppSettings::Instance()->mainWindow = nullptr;
        QDir(pdf).removeRecursively();
    });
    addStock(QStringLiteral("T1"));
    UrlRecorder urls;

    {
        Screen s;
        QVERIFY(QTest::qWaitForWindowActive(s.host));
        s.scan(QStringLiteral("T1"));
        auto* cart = Child<QTableView>(s.screen, "tableViewItems");
        cart->setCurrentIndex(cart->model()->index(0, 2));

        if (button == QLatin1String("pushMore")) {
            answerer->handleClass("MorePOSOptions", [](QWidget* options) {
                QTimer::singleShot(0, Child<QPushButton>(options, "pushSettings"), &QPushButton::click);
            });
        }
        QPointer<QWidget> opener;
        if (fromSettings) {
            answerer->handleClass<SettingsDialog>("SettingsDialog", [&opener](SettingsDialog* settings) {
                opener = settings;
                settings->contentWidget()->setCurrentRow(3);
                Child<QLineEdit>(settings, "lineTaxDecimalPlaces")->setText(QStringLiteral("9"));
                QTimer::singleShot(0, Child<QPushButton>(settings, "pushSave"), &QPushButton::click);
            });
        }
        QString seen;
        answerer->handle([&](QWidget* window) {
            QWindow* transient = window->windowHandle() ? window->windowHandle()->transientParent() : nullptr;
            seen = window->windowTitle();
            if (transient == s.host->windowHandle())
                seen += QLatin1String("|above the screen");
            else if (opener && transient == opener->windowHandle())
                seen += QLatin1String("|above its dialog");
            else
                seen += QLatin1String("|elsewhere");
            if (auto* box = qobject_cast<QMessageBox*>(window)) {
                seen += QLatin1Char('|') + box->text().left(6);
                (box->escapeButton() ? box->escapeButton() : box->buttons().first())->click();
            } else {
                qobject_cast<QDialog*>(window)->reject();
            }
            return true;
        });
        Child<QPushButton>(s.screen, qPrintable(button))->click();
        QTRY_COMPARE(answerer->pendingAnswers(), 0);
        QCOMPARE(seen, expected);

        // A dialog of the main window shown while the screen is up, and kept for later.
        QDialog kept(&mainWindow);
        kept.show();
        QCOMPARE(kept.windowHandle()->transientParent(), s.host->windowHandle());
        kept.hide();

        // Once the screen is gone from view, the main window's windows are the main window's again.
        s.host->hide();
        QDialog later(&mainWindow);
        later.show();
        QCOMPARE(later.windowHandle()->transientParent(), mainWindow.windowHandle());
        kept.show();
        QCOMPARE(kept.windowHandle()->transientParent(), mainWindow.windowHandle());
    }
}

void TestCPOS::statusLineBlinksFadesAndHides()
{
    addStock(QStringLiteral("T1"));
    Screen s;
    auto* label = Child<QLabel>(s.screen, "labelStatus");
    const auto margins = [&] {
        const QMargins m = Child<QWidget>(s.screen, "groupBox")->layout()->contentsMargins();
        return QStringLiteral("%1 %2 %3 %4").arg(m.left()).arg(m.top()).arg(m.right()).arg(m.bottom());
    };
    const QString grey = QStringLiteral("QLabel {background-color: gray; color:white; }");

    // The line's room is kept from the start, shown or hidden: nothing below it moves.
    QCOMPARE(margins(), QStringLiteral("9 9 9 9"));
    CPOS::blinkPhase = false;
    s.screen->ShowStatus(QStringLiteral("Code <b>A&B</b> not found"), true);
    QVERIFY(label->isVisible());
    QCOMPARE(label->textFormat(), Qt::PlainText);
    QCOMPARE(label->text(), QStringLiteral("Code <b>A&B</b> not found"));
    QCOMPARE(margins(), QStringLiteral("9 9 9 9"));
    QVERIFY(s.screen->blinkTimer->isActive());
    QCOMPARE(s.screen->blinkTimer->interval(), 350);
    QVERIFY(s.screen->statusWatchDogTimer->isActive());
    QCOMPARE(s.screen->statusWatchDogTimer->interval(), 3000);
    QVERIFY(!s.screen->statusShowTimer->isActive());

    s.screen->OnBlinkingTimeout();
    QCOMPARE(label->styleSheet(), grey);
    s.screen->OnBlinkingTimeout();
    QCOMPARE(label->styleSheet(), QStringLiteral("QLabel {background-color: red; color:white; }"));

    // 3 s: grey for 4 s more.
    s.screen->OnStatusWatchDogTimeout();
    QVERIFY(!s.screen->blinkTimer->isActive());
    QVERIFY(!s.screen->statusWatchDogTimer->isActive());
    QCOMPARE(label->styleSheet(), grey);
    QVERIFY(s.screen->statusShowTimer->isActive());
    QCOMPARE(s.screen->statusShowTimer->interval(), 4000);

    // A success message during the grey phase blinks green, and the grey phase keeps its own count.
    const int remaining = s.screen->statusShowTimer->remainingTime();
    s.screen->ShowStatus(QStringLiteral("Item added"), false);
    QVERIFY(s.screen->blinkTimer->isActive());
    QVERIFY(s.screen->statusWatchDogTimer->isActive());
    QVERIFY(s.screen->statusShowTimer->isActive());
    QVERIFY(s.screen->statusShowTimer->remainingTime() <= remaining);
    s.screen->OnBlinkingTimeout();
    s.screen->OnBlinkingTimeout();
    QCOMPARE(label->styleSheet(), QStringLiteral("QLabel {background-color: green; color:white; }"));

    s.screen->OnStatusShowTimeout();
    QVERIFY(!label->isVisible());
    QVERIFY(!s.screen->statusShowTimer->isActive());
    QCOMPARE(margins(), QStringLiteral("9 9 9 9"));
}

void TestCPOS::refusalGoesWithItsText_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("lines"); // in the cart afterwards
    QTest::newRow("a scan") << "scan" << 1;
    // Seen behind the question about an amount below the total.
    QTest::newRow("a payment") << "pay" << 1;
    QTest::newRow("New") << "new" << 0;
}

// An action that clears a refusal still flashing hides the line with its text: no red bar without words.
void TestCPOS::refusalGoesWithItsText()
{
    QFETCH(QString, action);
    QFETCH(int, lines);
    addStock(QStringLiteral("T1"));
    Screen s;
    auto* label = Child<QLabel>(s.screen, "labelStatus");
    const auto seen = [label] {
        return !label->isVisible() ? QStringLiteral("hidden")
                                   : label->text().isEmpty() ? QStringLiteral("a bar without words") : label->text();
    };
    if (action == QLatin1String("pay"))
        s.scan(QStringLiteral("T1"));
    s.screen->ShowStatus(QStringLiteral("Please enter valid value for paid amount."), true);
    QString during = QStringLiteral("no question");
    if (action == QLatin1String("scan")) {
        s.scan(QStringLiteral("T1"));
    } else if (action == QLatin1String("pay")) {
        Child<QLineEdit>(s.screen, "lineEditPaid")->setText(QStringLiteral("1"));
        answerer->handleClass<QMessageBox>("QMessageBox", [&](QMessageBox* box) {
            s.screen->OnBlinkingTimeout();
            during = seen();
            box->button(QMessageBox::No)->click();
        });
        s.screen->on_pushButtonPay_clicked();
        QCOMPARE(during, QStringLiteral("hidden"));
    } else {
        s.screen->on_pushNew_clicked();
    }
    if (action != QLatin1String("pay")) {
        s.screen->OnBlinkingTimeout();
        QCOMPARE(seen(), QStringLiteral("hidden"));
        QVERIFY(!s.screen->blinkTimer->isActive());
    }
    QCOMPARE(Child<QTableView>(s.screen, "tableViewItems")->model()->rowCount(), lines);
    QCOMPARE(Child<QWidget>(s.screen, "groupBox")->layout()->contentsMargins(), QMargins(9, 9, 9, 9));
}

void TestCPOS::closingAnsweredNoKeepsScreen()
{
    const QString id = insertSale(QStringLiteral("clerk"));
    Screen s;
    answerer->pressButton(QMessageBox::No);
    s.screen->on_pushButtonClose_clicked();
    QCOMPARE(answerer->messages(), QStringList{"Close POS?|Do you really want to close POS?"});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(s.host);
    QVERIFY(s.host->isVisible());
    QCOMPARE(rows(QStringLiteral("SELECT ID FROM tblSalesTransactions")), QStringList{id});
}

void TestCPOS::closingSweepsOwnEmptySalesOnly()
{
    QCOMPARE(TestDatabase::exec(inventoryDb, {QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks')"),
                                              QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Acme')"),
                                              QStringLiteral("DELETE FROM tblInventory"), QStringLiteral("DELETE FROM tblProducts"),
                                              QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, "
                                                             "ITEMS_PER_UNIT) VALUES (1, 1, 'TEA', 'Tea', 1)"),
                                              QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, "
                                                             "BATCH_NUMBER, PURCHASE_PRICE, SALE_PRICE, QUANTITY) VALUES "
                                                             "(1, 1, 'TEA1', 'B', 1, 2, 10)")}),
             QString());
    const QString otherDesk = insertSale(QStringLiteral("clerk"));

    Screen s;
    // Three headers of this screen: one with a line, two without.
    s.screen->on_pushNew_clicked();
    const QString withLine = s.screen->transactionId;
    s.screen->findChild<QLineEdit*>(QStringLiteral("lineEditBarCode"))->setText(QStringLiteral("TEA1"));
    s.screen->on_pushAddItem_clicked();
    // The sale with its line is saved first, unpaid.
    answerer->pressButton(QMessageBox::Yes);
    s.screen->on_pushNew_clicked();
    s.screen->on_pushNew_clicked();
    QCOMPARE(rows(QStringLiteral("SELECT COUNT(*) FROM tblSalesTransactions")), QStringList{"4"});
    // Another terminal starts a sale meanwhile: it is not this screen's to sweep.
    const QString lateOther = insertSale(QStringLiteral("clerk"));

    answerer->pressButton(QMessageBox::Yes);
    s.screen->on_pushButtonClose_clicked();
    QVERIFY(!s.host->isVisible());
    QTRY_VERIFY(s.host.isNull());
    QCOMPARE(rows(QStringLiteral("SELECT ID FROM tblSalesTransactions ORDER BY ID")),
             (QStringList{otherDesk, withLine, lateOther}));
}

void TestCPOS::windowSystemCloseAsksFirst()
{
    Screen s;
    answerer->pressButton(QMessageBox::No);
    QVERIFY(!s.host->close());
    QCOMPARE(answerer->messages(), QStringList{"Close POS?|Do you really want to close POS?"});
    QVERIFY(s.host->isVisible());

    answerer->pressButton(QMessageBox::Yes);
    s.host->close();
    QVERIFY(!s.host->isVisible());
    QTRY_VERIFY(s.host.isNull());
    // One question per close: the screen's own end of the host asks nothing more.
    QCOMPARE(answerer->messages().size(), 2);
}

void TestCPOS::opensFromNavigatorFullScreen()
{
    MainWindow window;
    auto* launcher = Child<QPushButton>(&window, "pushPointOfSale");
    QVERIFY(launcher->isEnabled());
    QVERIFY(Child<QAction>(&window, "actionLanuch_POS")->isEnabled());

    bool fullScreen = false;
    bool keptAfterEscape = false;
    answerer->handleClass<QPOSDialog>("QPOSDialog", [&](QPOSDialog* host) {
        fullScreen = host->windowState().testFlag(Qt::WindowFullScreen);
        QTest::keyClick(host, Qt::Key_Escape);
        QTest::keyClick(host->findChild<CPOS*>(), Qt::Key_Escape);
        keptAfterEscape = host->isVisible() && window.posDialog == host;
        QTimer::singleShot(0, host->findChild<QPushButton*>(QStringLiteral("pushButtonClose")), &QPushButton::click);
    });
    answerer->pressButton(QMessageBox::Yes);
    launcher->click();
    QVERIFY(fullScreen);
    QVERIFY(keptAfterEscape);
    QTRY_VERIFY(window.posDialog.isNull());
    QCOMPARE(answerer->messages(), QStringList{"Close POS?|Do you really want to close POS?"});
}

void TestCPOS::settingsSaveRestartsOnceWithoutStoredSale()
{
    MainWindow window;
    window.openSaleRequested = true;
    window.openSaleId = QStringLiteral("1001");
    QList<bool> requestSeenByScreens;
    // The chain returns through widgets that are still open: the More pop-up between the settings
    // dialog and the restart notice, the host while its close waits. Each is answered when it opens
    // only; whether a poll catches one of them again in passing depends on the machine's load.
    answerer->setAnswerOncePerShowing(true);
    auto closeScreen = [](QPOSDialog* host) {
        QTimer::singleShot(0, host->findChild<QPushButton*>(QStringLiteral("pushButtonClose")), &QPushButton::click);
    };
    answerer->handleClass<QPOSDialog>("QPOSDialog", [&](QPOSDialog* host) {
        requestSeenByScreens << window.openSaleRequested;
        QTimer::singleShot(0, host->findChild<QPushButton*>(QStringLiteral("pushMore")), &QPushButton::click);
    });
    answerer->handleClass("MorePOSOptions", [](QWidget* options) {
        QTimer::singleShot(0, options->findChild<QPushButton*>(QStringLiteral("pushSettings")), &QPushButton::click);
    });
    answerer->handleClass("SettingsDialog", [](QWidget* settings) {
        QTimer::singleShot(0, settings->findChild<QPushButton*>(QStringLiteral("pushSave")), &QPushButton::click);
    });
    answerer->pressButton(QMessageBox::Ok); // "POS will restart now."
    answerer->pressButton(QMessageBox::Yes); // the close that follows 200 ms later
    answerer->handleClass<QPOSDialog>("QPOSDialog", [&](QPOSDialog* host) {
        requestSeenByScreens << window.openSaleRequested;
        closeScreen(host);
    });
    answerer->pressButton(QMessageBox::Yes);

    window.on_pushPointOfSale_clicked();
    QTRY_COMPARE(answerer->pendingAnswers(), 0);
    QCOMPARE(requestSeenByScreens, (QList<bool>{true, false}));
    QCOMPARE(answerer->messages(),
             (QStringList{"Settings|In order for settings to take effect, POS will restart now.",
                          "Close POS?|Do you really want to close POS?", "Close POS?|Do you really want to close POS?"}));
    QTRY_VERIFY(window.posDialog.isNull());
    QVERIFY(!window.openSaleRequested);
}

void TestCPOS::numberPadTypesWithoutTakingFocus()
{
    Screen s;
    QVERIFY(QTest::qWaitForWindowActive(s.host));
    auto* code = Child<QLineEdit>(s.screen, "lineRefNumber");
    code->setFocus();
    code->clear();
    QTRY_COMPARE(QApplication::focusWidget(), code);

    s.screen->ShowNumberPad();
    QVERIFY(s.screen->numberPadOpen);
    QPointer<NumberPad> pad = s.screen->numberPad;
    for (const char* key : {"push1", "push2", "pushComma", "push5", "pushBack", "pushDot", "push0"})
        Child<QPushButton>(pad, key)->click();
    QCOMPARE(code->text(), QStringLiteral("12,.0"));
    QCOMPARE(QApplication::focusWidget(), code);
    QVERIFY(QApplication::activeWindow() != pad);

    QSignalSpy entered(code, &QLineEdit::returnPressed);
    Child<QPushButton>(pad, "pushEnter")->click();
    QCOMPARE(entered.count(), 1);

    // A second show replaces the pad at the same place; closing it clears the open flag.
    pad->move(40, 50);
    const QPoint where = pad->pos();
    s.screen->ShowNumberPad();
    QVERIFY(pad.isNull());
    QCOMPARE(s.screen->numberPad->pos(), where);
    s.screen->numberPad->close();
    QVERIFY(!s.screen->numberPadOpen);
}

void TestCPOS::calculatorIsKeptBetweenShows()
{
    Screen s;
    QPointer<Calculator> first;
    for (int round = 0; round < 2; ++round) {
        answerer->handleClass("MorePOSOptions", [](QWidget* options) {
            QTimer::singleShot(0, options->findChild<QPushButton*>(QStringLiteral("pushCalculator")),
                               &QPushButton::click);
        });
        Child<QPushButton>(s.screen, "pushMore")->click();
        QVERIFY(s.screen->calculator);
        QVERIFY(s.screen->calculator->isVisible());
        if (round == 0) {
            first = s.screen->calculator;
            s.screen->calculator->close();
        }
    }
    QCOMPARE(s.screen->calculator, first.data());
}

VORANTEL_TEST_MAIN(TestCPOS)
#include "tst_cpos.moc"
