// Construction, closing, the settings restart and the shortcut-keys guide of the sale screen.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "calculator.h"
#include "constants.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "numberpad.h"
#include "pos.h"
#include "poledisplayemax.h"
#include "poledisplayepson.h"
#include "poledisplayiee.h"
#include "poledisplaylci.h"
#include "popupkeyrouter.h"
#include "productsearchmodel.h"
#include "progress.h"
#include "qposdialog.h"
#include "salelinestore.h"
#include "salesmodel.h"
#include "searchbox.h"
#include "settingsdialog.h"
#include "windowsabovescreen.h"
#include "writtenpdf.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCompleter>
#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QScrollBar>
#include <QScroller>
#include <QSettings>
#include <QShortcut>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QStandardPaths>
#include <QTextEdit>
#include <QTabBar>
#include <QTimer>

namespace {

const QString REFUSED_TITLE = QStringLiteral("Module Permission");
const QString REFUSED_TEXT = QStringLiteral("You are not allowed to access this function. Please contact "
                                            "ADMINISTRATOR user of Vorantel and request desired permissions.");
const int MODULE_SETTINGS = 13;
const int POS_SETTINGS_PAGE = 6;

} // namespace

CPOS::CPOS(QWidget* parent)
    : QScrollArea(parent)
    , ui(new Ui_CPOS)
{
    ui->setupUi(this);
    RejoinFocusChain();
    new WindowsAboveScreen(this);

    for (QWidget* viewport : {viewport(), ui->tableViewItems->viewport(), ui->scrollAreaInvoiceData->viewport(),
                              ui->scrollAreaPosButtons->viewport(), ui->scrollAreaReceiptData->viewport()})
        QScroller::grabGesture(viewport, QScroller::LeftMouseButtonGesture);

    // The fields: the paid field selects its text on focus, and none of them keeps the screen's
    // keys (Ctrl+X is Cut in an editable field) from the screen.
    for (QWidget* field : findChildren<QWidget*>()) {
        if (qobject_cast<QLineEdit*>(field) || qobject_cast<QTextEdit*>(field) || qobject_cast<QComboBox*>(field)
            || qobject_cast<QAbstractSpinBox*>(field))
            field->installEventFilter(this);
    }
    // Ctrl+B acts as soon as it is pressed, before the scanner's code (eventFilter).
    ui->pushReadyForScanner->installEventFilter(this);
    // A price the cashier typed (keys or number pad) is no longer the one shown for a picked product.
    connect(ui->lineSelectedSalePrice, &QLineEdit::textEdited, this, [this] { shownPriceCode.clear(); });
    // A tap on a cart line takes the focus, so that Del then deletes it: a field keeps Del for its text.
    ui->tableViewItems->setFocusPolicy(Qt::StrongFocus);
    ui->tableViewItems->installEventFilter(this);
    // The status line's place in the column is kept by a room of its own; the line lies over it (PlaceStatusLine).
    // Codes may hold '<' and '>': never markup.
    statusRoom = new QWidget(ui->groupBox);
    delete ui->gridLayoutLeftBox->replaceWidget(ui->labelStatus, statusRoom);
    ui->labelStatus->setParent(ui->scrollAreaWidgetContents);
    ui->labelStatus->setTextFormat(Qt::PlainText);
    // Over the product buttons when it is wide: a click there still reaches them.
    ui->labelStatus->setAttribute(Qt::WA_TransparentForMouseEvents);
    ui->labelStatus->installEventFilter(this);
    statusRoom->installEventFilter(this);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, &CPOS::PlaceStatusLine);
    PlaceStatusLine();

    keepFocusAfterAdd = false;
    changedSinceSave = false;
    transactionId.clear();
    trackChanges = true;
    settingsDialog = nullptr;
    numberPad = nullptr;
    poleDisplay = nullptr;
    numberPadOpen = false;
    restartRequested = false;
    locale = AppSettings::Instance()->locale;
    for (QLineEdit* amount : AmountFields()) {
        FitAmountField(amount);
        connect(amount, &QLineEdit::textChanged, this, [this, amount] { FitAmountField(amount); });
    }
    lineStore.reset(new SaleLineStore);

    ReadSettingsAndBuild();
}

CPOS::~CPOS()
{
    delete ui;
    delete blinkTimer;
    delete statusWatchDogTimer;
    delete numberPad;
    delete settingsDialog;
}

void CPOS::RejoinFocusChain()
{
    // Qt places the tab widget's pages after its tab bar; ordering a widget of a page after the
    // tab widget itself cuts that page's widgets, Pay Due and Pay Later off into a ring of their own,
    // which Tab then never enters or leaves. Ordering them after the tab bar joins the rings again.
    QWidget* previous = ui->tabWidget->tabBar();
    for (QWidget* next : std::initializer_list<QWidget*>{
             ui->scrollAreaPosButtons, ui->pushButton_4, ui->pushButton_3, ui->pushButton_7, ui->pushButton_2,
             ui->pushButton_6, ui->pushButton, ui->pushButton_5, ui->pushButton_9, ui->pushButton_10,
             ui->pushButton_11, ui->pushButton_12, ui->pushButton_13, ui->pushButton_14, ui->pushButton_15,
             ui->pushButton_8, ui->pushButton_16, ui->scrollAreaInvoiceData, ui->scrollAreaReceiptData,
             ui->pushButtonPAID, ui->pushPayLater, ui->scrollAreaPendingPayments}) {
        setTabOrder(previous, next);
        previous = next;
    }
}

void CPOS::ReadSettingsAndBuild()
{
    QSettings* store = AppSettings::Instance()->settings;

    poleDisplayEnabled = store->value(QStringLiteral("enable_pole_display"), false).toBool();
    if (poleDisplayEnabled)
        QTimer::singleShot(0, this, &CPOS::OnInitializePoleDisplay);

    const QString rounding = store->value(QStringLiteral("tax_rounding_off"), QStringLiteral("round_up")).toString();
    taxRounding = rounding == QLatin1String("round_down") ? 1 : rounding == QLatin1String("round_up") ? 2 : 0;
    autoPrintSecondary = store->value(QStringLiteral("auto_print_to_secondary_printer"), false).toBool();
    marginLeft = store->value(QStringLiteral("marginLeft"), 5).toInt();
    marginBottom = store->value(QStringLiteral("marginBottom"), 0).toInt();
    marginRight = store->value(QStringLiteral("marginRight"), 5).toInt();
    marginTop = store->value(QStringLiteral("marginTop"), 15).toInt();
    receiptPrinter = store->value(QStringLiteral("receiptPrinter"), QString()).toString();
    if (!store->value(QStringLiteral("enable_product_selection"), true).toBool()) {
        ui->labelProducts->hide();
        ui->frameProductSelection->hide();
    }
    scannerInputEnabled = store->value(QStringLiteral("enable_scanner_input"), true).toBool();
    if (!scannerInputEnabled) {
        ui->lineBarcodeScannerInput->hide();
        ui->pushReadyForScanner->hide();
    } else {
        new PopupKeyRouter(this, ui->pushReadyForScanner->shortcut(), [this] { TakeScannerPrefix(); });
    }
    forceOutOfStockSale = store->value(QStringLiteral("force_out_of_stock_item_sale"), true).toBool();
    warnOutOfStock = store->value(QStringLiteral("show_warning_for_out_of_stock_item"), true).toBool();
    resetQuantity = store->value(QStringLiteral("reset_qty"), true).toBool();
    autoPurchaseOrder = store->value(QStringLiteral("auto_porder"), true).toBool();
    showPosButtons = store->value(QStringLiteral("show_pos_buttons"), true).toBool();
    decimalPlaces = store->value(QStringLiteral("decimal_places"), 2).toInt();
    finalAmountPrecision = store->value(QStringLiteral("final_amount_precision"), 2).toInt();
    invoiceTitle = store->value(QStringLiteral("invoice_title"), tr("SALES INVOICE")).toString();
    receiptTitle = store->value(QStringLiteral("receipt_title"), tr("SALES RECEIPT")).toString();
    posMode = store->value(QStringLiteral("POS_MODE"), 1).toInt();

    invoiceMode = false;
    reorderChecked = false;
    suppressCustomerToggle = false;
    autoOrderByVendor.clear();
    const QColor statusColours[] = {QColor(QStringLiteral("red")), QColor(97, 173, 226), QColor(QStringLiteral("green"))};
    for (QComboBox* combo : {ui->comboInvoiceStatus, ui->comboReceiptStatus}) {
        combo->addItems({tr("NOT PAID"), tr("PARTIALLY PAID"), tr("PAID")});
        combo->setCurrentIndex(0);
        for (int i = 0; i < 3; ++i) {
            combo->setItemData(i, statusColours[i], Qt::BackgroundRole);
            combo->setItemData(i, QColor(Qt::white), Qt::ForegroundRole);
        }
    }

    itemIndexes.clear();
    invoiceDetailsPage = ui->tabWidget->widget(1);
    receiptDetailsPage = ui->tabWidget->widget(2);
    pendingPaymentsPage = ui->tabWidget->widget(3);
    ui->tabWidget->removeTab(1);
    if (!showPosButtons)
        ui->tabWidget->removeTab(0);
    else
        ui->tabWidget->setCurrentIndex(0);

    const QString dateFormat = AppSettings::Instance()->DateFormat();
    const QString dateTimeFormat = dateFormat + QLatin1Char(' ') + AppSettings::Instance()->TimeFormat();
    for (QDateEdit* date : {ui->dateDueDate, ui->dateSentDate}) {
        date->setDisplayFormat(dateFormat);
        date->setDate(QDate::currentDate());
    }
    for (QDateTimeEdit* stamp : {ui->dateTimeReceiptTimeStamp, ui->dateTimeInvoiceTimeStamp}) {
        stamp->setDisplayFormat(dateTimeFormat);
        stamp->setDateTime(QDateTime::currentDateTime());
    }

    posButtonSize = 14 * store->value(QStringLiteral("POS_BUTTON_SIZE"), 5).toInt() + 20;
    // The settings page allows 0 rows; the grid divides by the row count.
    posRows = qMax(1, store->value(QStringLiteral("POS_ROWS"), 3).toInt());
    posColumns = posRows;
    buttonsPerPage = posRows * posColumns;
    imagesFolder = store->value(QStringLiteral("IMAGES_FOLDER"), QString()).toString();
    promoText = store->value(QStringLiteral("promo"), QString()).toString();
    companyName = store->value(REPORT_COMPANY_NAME, QStringLiteral("My Company")).toString();
    if (companyName.isEmpty())
        companyName = QStringLiteral("My Company");
    companyAddress = store->value(REPORT_COMPANY_ADDRESS, QStringLiteral("Company Address")).toString();
    if (companyAddress.isEmpty())
        companyAddress = QStringLiteral("Company Address");
    companyPhone = store->value(REPORT_PHONE_NUMBER, QStringLiteral("Ph: 1111-8888-3333")).toString();
    storeId = store->value(QStringLiteral("store_id"), QString()).toString();
    terminalId = store->value(QStringLiteral("terminal_id"), QString()).toString();
    companyLogoFile = store->value(REPORT_COMPANY_LOGO).toString();
    if (companyLogoFile.isEmpty())
        companyLogoFile = QStringLiteral(":/resources/images/logos/sample_logo.png");

    companyLogo.load(companyLogoFile);

    subItemsMode = false;
    if (store->contains(SUB_ITEMS_MODE))
        subItemsMode = store->value(SUB_ITEMS_MODE, QStringLiteral("n")).toString() == QLatin1String("y");
    receiptPrintToPdf = store->value(QStringLiteral("ReceiptPrintToPDF"), true).toBool();
    secondaryPrintToPdf = store->value(QStringLiteral("SecondaryPrintToPDF"), true).toBool();
    currencySymbol = store->value(CURRENCY_SYMBOL, QStringLiteral("$")).toString();
    taxEnabled = store->value(QStringLiteral("enable_tax"), true).toBool();
    salesTaxName = store->value(SALES_TAX_NAME, QStringLiteral("Sales Tax")).toString();

    ui->lineRefNumber->setPlaceholderText(tr("Reference Number"));
    LimitSaleFields();
    ui->comboPaymentType->addItems({tr("CASH"), tr("CREDIT CARD"), tr("DEBIT CARD"), tr("CHECK"), tr("BANK TRANSFER"),
                                    tr("PayPal"), tr("OTHER")});

    if (salesTaxName.isEmpty())
        salesTaxName = QStringLiteral("SALES TAX");
    if (!taxEnabled) {
        ui->lineEditTax->hide();
        ui->labelTax->hide();
    } else {
        ui->labelTax->setText(salesTaxName.toUpper() + QLatin1Char(' ') + currencySymbol);
    }
    if (!subItemsMode) {
        ui->lineEditSubItems->hide();
        ui->labelSubQty->hide();
    }

    ui->labelTotal->setText(tr("TOTAL %1").arg(currencySymbol));
    ui->labelPaid->setText(tr("PAID %1").arg(currencySymbol));
    ui->labelChange->setText(tr("DUE %1").arg(currencySymbol));
    ui->labelAbsDiscount->setText(tr("Discount %1").arg(currencySymbol));

    grandTotal = 0.0;
    totalTax = 0.0;
    totalDiscount = 0.0;
    saleState = 0;
    holdingSale = false;
    blinkTimer = new QTimer(this);
    statusWatchDogTimer = new QTimer(this);
    statusShowTimer = new QTimer(this);
    connect(blinkTimer, &QTimer::timeout, this, &CPOS::OnBlinkingTimeout);
    connect(statusWatchDogTimer, &QTimer::timeout, this, &CPOS::OnStatusWatchDogTimeout);
    connect(statusShowTimer, &QTimer::timeout, this, &CPOS::OnStatusShowTimeout);
    ui->labelStatus->setStyleSheet(QStringLiteral("QLabel {background-color: gray }"));

    SetUpCart();

    printCompanyInfoLarge = store->value(QStringLiteral("printCompanyInfoLarge"), true).toBool();
    printCompanyLogoLarge = store->value(QStringLiteral("printCompanyLogoLarge"), true).toBool();
    printLogo = store->value(QStringLiteral("printLogo"), true).toBool();
    logoSize = store->value(QStringLiteral("logoSize"), 10).toInt();
    logoSizeLarge = store->value(QStringLiteral("logoSizeLarge"), 20).toInt();
    timeFormat = store->value(QStringLiteral("time_format"), 0).toInt();

    SetUpProductSelection();

    ErrorDialog notice(
        QStringLiteral("err_msg_13"), tr("Point of Sale"),
        tr("<p><b>POS Settings</b> You can launch settings dialog from More Options button, or by pressing F1. Please "
           "customize according to your use and requirements with the help of settings dialog.</p><p><b>On-Screen "
           "Number Pad</b> For touch screen terminal, we have provided a virtual on-screen number pad. You can show "
           "this virtual number pad by clicking on More button (pressing F1), then on Show on-screen number pad "
           "button.</p><p><b>POS Shortcut Keys</b> Different keys are associated with different functions in POS. You "
           "can view all shortcut keys by clicking on <b>More</b> button, or F1, then on <b>Show Shortcut Keys</b> "
           "button. If you press <b>Ctrl+K</b>, it will also open guide in PDF viewer.</p><p><b>Quick Pay Settings: "
           "</b> Please configure quick pay settings from settings dialog or Tools menu.</p><p><b>Barcode Scanner: "
           "</b>If you are using barcode scanner, please attach to your computer or device. Point of Sale screen will "
           "capture barcodes generated from the scanner. Please configure the scanner according to the instructions "
           "provided on POS settings dialog. If you are not using barcode scanner, then you can disable it from POS "
           "settings.</p><p><b>Product Selection: </b>You can use product buttons with images on the screen for "
           "product selection, or type the name of product in product selection box.</p>"),
        AppSettings::Instance()->mainWindow, false, true);
    notice.exec();

    if (posMode == 0) {
        invoiceMode = true;
        ui->pushInvoiceMode->setChecked(true);
    } else {
        ui->pushInvoiceMode->setChecked(false);
    }
    ui->pushButtonPay->setEnabled(true);
    // The mode switch above may have opened the status line.
    OnStatusShowTimeout();
    statusIsError = false;
    deletingLine = false;

    connect(ui->lineBarcodeScannerInput, &ScannerInputEdit::SetCheckedScannerReady, this,
            &CPOS::on_SetCheckedScannerReady);

    quickPayAmounts.clear();
    quickPayAmounts << QStringLiteral("NO AMOUNT");
    for (const char* key : {"ctrl_plus_one", "ctrl_plus_two", "ctrl_plus_three", "ctrl_plus_four", "ctrl_plus_five",
                            "ctrl_plus_six", "ctrl_plus_seven", "ctrl_plus_eight", "ctrl_plus_nine"})
        quickPayAmounts << store->value(QLatin1String(key), QStringLiteral("0.00")).toString();

    CreateKeyBindings();
    LoadPendingPayments();
    QTimer::singleShot(0, this, &CPOS::SetFocusOnBarCode);
}

void CPOS::SetUpCart()
{
    QSqlDatabase* sales = DatabaseManager::Instance()->SalesDatabase();
    cartModel = new SalesModel(this);
    if (sales)
        cartModel->setQuery(QStringLiteral("SELECT * FROM tblSalesInvoice WHERE TRANSACTION_ID = -1"), *sales);
    if (cartModel->lastError().isValid())
        qCWarning(lcPos) << "cart:" << cartModel->lastError().text();
    QTableView* view = ui->tableViewItems;
    view->setModel(cartModel);
    // Also a read by the connection manager's pass, after the server came back.
    connect(cartModel, &QAbstractItemModel::modelReset, this, &CPOS::CartWasRead);
    view->setAlternatingRowColors(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->resizeColumnsToContents();

    const QPair<int, QString> captions[] = {
        {COL_ITEM_INDEX, tr("Index")},         {COL_PRODUCT_NAME, tr("Product")}, {COL_QUANTITY, tr("Qty")},
        {COL_SALE_PRICE, tr("Unit Price")},    {COL_SUB_ITEMS, tr("Sub Qty")},    {COL_DISCOUNT, tr("Discount")},
        {COL_LINE_TOTAL, tr("Line Total")},    {COL_LINE_TAX, tr("Line %1").arg(salesTaxName)},
    };
    for (const auto& caption : captions)
        cartModel->setHeaderData(caption.first, Qt::Horizontal, caption.second);
    for (int column : {COL_ID, COL_TRANSACTION_ID, COL_PURCHASE_PRICE, COL_PURCHASE_SUB_TOTAL})
        view->hideColumn(column);
    if (!taxEnabled)
        view->hideColumn(COL_LINE_TAX);
    for (int column = COL_BAR_CODE; column <= COL_RETURNED; ++column)
        view->hideColumn(column);
    if (subItemsMode)
        view->horizontalHeader()->moveSection(view->horizontalHeader()->visualIndex(COL_SUB_ITEMS), 6);
    else
        view->hideColumn(COL_SUB_ITEMS);
    view->resizeColumnsToContents();

    ui->lineEditTotal->setText(locale->toString(grandTotal, 'f', decimalPlaces));
    ui->lineEditTax->setText(locale->toString(totalTax, 'f', decimalPlaces));
    ResetAmounts();
}

void CPOS::SetUpProductSelection()
{
    QSqlDatabase* inventory = DatabaseManager::Instance()->InventoryDatabase();
    const QSqlDatabase db = inventory ? *inventory : QSqlDatabase();

    categoryModel = new QSqlTableModel(this, db);
    categoryModel->setTable(QStringLiteral("tblProductCategories"));
    categoryModel->setSort(1, Qt::AscendingOrder);
    if (!categoryModel->select())
        qCWarning(lcPos) << "categories:" << categoryModel->lastError().text();
    ui->comboCategory->setModel(categoryModel);
    ui->comboCategory->setModelColumn(1);
    LoadProductButtons();

    productSearchModel = new ProductSearchModel(this);
    productSearchModel->setQuery(
        QStringLiteral("SELECT i.BAR_CODE, CONCAT(p.NAME, ' [STOCK CODE:' , i.BAR_CODE , ']') FROM tblInventory as i, "
                       "tblProducts as p  WHERE i.PRODUCT_ID = p.ID "),
        db);
    if (productSearchModel->lastError().isValid())
        qCWarning(lcPos) << "product search:" << productSearchModel->lastError().text();
    productCompleter = NewProductCompleter(productSearchModel, 1, this);
    itemEntryBusy = false;

    ui->comboBoxProducts->setEditable(true);
    ui->comboBoxProducts->setCompleter(productCompleter);
    ui->comboBoxProducts->lineEdit()->setPlaceholderText(tr("Search product and press Enter to select"));
    ui->comboBoxProducts->lineEdit()->setStyleSheet(GetSearchBoxStyleSheet());
    ui->pushSelect->hide();
    ui->lineEditBarCode->hide();
    ui->lineEditBarCode->setMaximumSize(0, 0);
    ui->groupBox->updateGeometry();
}

void CPOS::CreateKeyBindings()
{
    using Slot = void (CPOS::*)();
    const QPair<QKeySequence, Slot> bindings[] = {
        {QKeySequence(Qt::CTRL + Qt::Key_0), &CPOS::on_CtrlZero},
        {QKeySequence(Qt::CTRL + Qt::Key_1), &CPOS::on_CtrlOne},
        {QKeySequence(Qt::CTRL + Qt::Key_2), &CPOS::on_CtrlTwo},
        {QKeySequence(Qt::CTRL + Qt::Key_3), &CPOS::on_CtrlThree},
        {QKeySequence(Qt::CTRL + Qt::Key_4), &CPOS::on_CtrlFour},
        {QKeySequence(Qt::CTRL + Qt::Key_5), &CPOS::on_CtrlFive},
        {QKeySequence(Qt::CTRL + Qt::Key_6), &CPOS::on_CtrlSix},
        {QKeySequence(Qt::CTRL + Qt::Key_7), &CPOS::on_CtrlSeven},
        {QKeySequence(Qt::CTRL + Qt::Key_8), &CPOS::on_CtrlEight},
        {QKeySequence(Qt::CTRL + Qt::Key_9), &CPOS::on_CtrlNine},
        {QKeySequence(Qt::CTRL + Qt::Key_P), &CPOS::on_CtrlP},
        {QKeySequence(Qt::CTRL + Qt::Key_D), &CPOS::on_CtrlD},
        {QKeySequence(Qt::CTRL + Qt::Key_Q), &CPOS::on_CtrlQ},
        // Ctrl+C stays with the fields' copy; the category combo answers Ctrl+G.
        {QKeySequence(Qt::CTRL + Qt::Key_G), &CPOS::on_CtrlC},
        {QKeySequence(Qt::CTRL + Qt::Key_T), &CPOS::on_CtrlT},
        {QKeySequence(Qt::CTRL + Qt::Key_L), &CPOS::on_CtrlL},
        {QKeySequence(Qt::CTRL + Qt::Key_S), &CPOS::on_CtrlS},
        {QKeySequence(Qt::CTRL + Qt::Key_N), &CPOS::on_CtrlN},
        {QKeySequence(Qt::CTRL + Qt::Key_R), &CPOS::on_CtrlR},
        {QKeySequence(Qt::CTRL + Qt::Key_X), &CPOS::on_CtrlX},
        {QKeySequence(Qt::CTRL + Qt::Key_K), &CPOS::on_CtrlK},
        {QKeySequence(Qt::CTRL + Qt::Key_Plus), &CPOS::on_Plus},
        {QKeySequence(Qt::CTRL + Qt::Key_Minus), &CPOS::on_Minus},
        {QKeySequence(Qt::CTRL + Qt::Key_F), &CPOS::on_CtrlF},
    };
    for (const auto& binding : bindings) {
        auto* shortcut = new QShortcut(binding.first, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, binding.second);
    }
}

void CPOS::on_pushButtonClose_clicked()
{
    auto* host = qobject_cast<QPOSDialog*>(parentWidget());
    if (QMessageBox::question(host ? static_cast<QWidget*>(host) : this, tr("Close POS?"),
                              tr("Do you really want to close POS?"), QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::NoButton)
        != QMessageBox::Yes)
        return;

    if (changedSinceSave && on_pushButtonPay_clicked() != 0) {
        // The lines of a lost write could not be read, as the server is away: closing waits for it, not for a save.
        if (linesUnread && !DatabaseManager::Instance()->salesOpen) {
            ShowStatus(tr("Not closed: the lines are read once the server is back; press Close again."), true);
            return;
        }
        // Another account's program on the port, or a refused login: nothing reaches the server until the program
        // is started again, which the cashier is told to do, so the screen may close without the save. Enter (a
        // scanner's last key) keeps it.
        const PortOwner::Refusal refused = DatabaseManager::Instance()->HeldPort();
        if (!refused
            || QMessageBox::question(host ? static_cast<QWidget*>(host) : this, tr("Close POS?"),
                                     tr("The sale could not be saved. %1\n\nClose POS without saving it? Its lines "
                                        "stay as they were stored; what was not saved is lost.")
                                         .arg(DatabaseFailure::RefusalReason(refused, true)),
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                   != QMessageBox::Yes)
            return;
    }

    // Only once the sale on screen is saved: its header may still be the one the sweep removes.
    SweepUnfinishedSales();

    close();
    // The host (and this screen with it) goes once control is back in an event loop; the launcher
    // builds a fresh one after its run returned when a restart is due.
    if (host)
        host->Finish(restartRequested ? int(QPOSDialog::Restart) : int(QDialog::Accepted));
}

void CPOS::SweepUnfinishedSales()
{
    // Only the headers this screen created: another terminal's fresh sale may be waiting for its first line.
    if (ownHeaders.isEmpty())
        return;
    QSqlDatabase* sales = DatabaseManager::Instance()->SalesDatabase();
    if (!sales)
        return;
    QSqlQuery remove(*sales);
    remove.prepare(QStringLiteral("DELETE FROM tblSalesTransactions WHERE ID = :id AND STATUS = -1 AND NOT EXISTS "
                                  "(SELECT 1 FROM tblSalesInvoice WHERE TRANSACTION_ID = :line_id)"));
    for (const QString& id : qAsConst(ownHeaders)) {
        remove.bindValue(QStringLiteral(":id"), id);
        remove.bindValue(QStringLiteral(":line_id"), id);
        if (!remove.exec())
            qCWarning(lcPos) << "closing sweep:" << remove.lastError().text();
    }
    ownHeaders.clear();
}

void CPOS::OpenSettings()
{
    if (!AppSettings::Instance()->HasPermission(MODULE_SETTINGS)) {
        QMessageBox::information(this, REFUSED_TITLE, REFUSED_TEXT, QMessageBox::Ok);
        return;
    }
    Progress busy(parentWidget(), tr("Please wait..."));
    busy.show();
    ProcessEventPasses(5);
    delete settingsDialog;
    settingsDialog = new SettingsDialog(AppSettings::Instance()->mainWindow);
    settingsDialog->contentWidget()->setCurrentRow(POS_SETTINGS_PAGE);
    ProcessEventPasses(3);
    settingsDialog->setModal(true);
    ProcessEventPasses(2);
    busy.hide();
    settingsDialog->exec();
    ProcessEventPasses(3);

    if (settingsDialog->relaunched) {
        // A new copy of the program is starting and this one is ending: nothing to rebuild.
        restartRequested = false;
    } else if (settingsDialog->saved) {
        QMessageBox::information(this, tr("Settings"), tr("In order for settings to take effect, POS will restart now."),
                                 QMessageBox::Ok);
        restartRequested = true;
    } else {
        restartRequested = false;
    }
}

void CPOS::on_pushSales_clicked()
{
    if (invoiceMode)
        on_pushInvoiceSearch_clicked();
    else
        on_pushSearchReceipt_clicked();
}

void CPOS::on_pushHelpShortCutKeys_clicked()
{
    ErrorDialog notice(QStringLiteral("err_msg_3"), tr("Quick Star Guide"),
                       tr("<p><b>Shortcut Keys & Quick Start Guide: </b> Vorantel POS will now open Quick Start Guide "
                          "and POS Shortcut Keys in default  PDF viewer. You can print it for your reference. There is "
                          "also a quick way to open the same document by pressing <b>Ctrl+K</b> keys combination. "
                          "Pressing Ctrl and K keys on your keyboard will open the quick start guide.</p>"),
                       this, false, true);
    notice.exec();

    const QString target =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/pos_shortcut_keys.pdf");
    if (QFileInfo::exists(target))
        RemoveOldFile(target);
    if (!QFile::copy(QStringLiteral(":/resources/docs/pos_shortcut_keys.pdf"), target))
        qCWarning(lcPos) << "shortcut-keys guide not copied to" << target;
    // A copy of a resource is read-only; the next copy must be able to replace it.
    QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner);
    OpenWrittenPdf(target, this);
}

void CPOS::on_pushButton_clicked()
{
    const int w = ui->scrollAreaPosButtonsContents->width();
    const int h = ui->scrollAreaPosButtonsContents->height();
    if (w > h)
        ui->groupBoxButtons->setMaximumWidth(h + 30);
    else if (h > w)
        ui->groupBoxButtons->setMaximumWidth(w + 30);
    ui->scrollAreaWidgetContents->update();
    ui->scrollAreaWidgetContents->updateGeometry();
}

void CPOS::ResizeTableViewColumns()
{
    ui->tableViewItems->resizeColumnsToContents();
}

void CPOS::OnInitializePoleDisplay()
{
    Progress busy(this, tr("Initializing pole display..."));
    busy.show();
    ProcessEventPasses(5);
    QSettings* store = AppSettings::Instance()->settings;
    welcomeMessage = store->value(QStringLiteral("welcome_msg"), QStringLiteral("WELCOME")).toString();
    const QString port = store->value(QStringLiteral("pole_port"), QStringLiteral("NONE")).toString();
    const QString speed = store->value(QStringLiteral("pole_port_speed"), QStringLiteral("9600")).toString();
    const QString dataBits = store->value(QStringLiteral("pole_data_bits"), QStringLiteral("8")).toString();
    const QString parity = store->value(QStringLiteral("pole_parity"), QStringLiteral("NONE")).toString();
    const QString stopBits = store->value(QStringLiteral("pole_stop_bits"), QStringLiteral("1")).toString();
    const QString flow = store->value(QStringLiteral("pole_flow_control"), QStringLiteral("NONE")).toString();
    const int lineCount = store->value(QStringLiteral("pole_line_count"), QStringLiteral("2")).toInt();
    const int charCount = store->value(QStringLiteral("pole_char_count"), QStringLiteral("20")).toInt();
    const int commandSet = store->value(QStringLiteral("pole_command_set"), 0).toInt();
    ProcessEventPasses(5);

    delete poleDisplay;
    switch (commandSet) {
    case 0: poleDisplay = new PoleDisplayLCI(this); break;
    case 1: poleDisplay = new PoleDisplayEpson(this); break;
    case 2: poleDisplay = new PoleDisplayEmax(this); break;
    case 3: poleDisplay = new PoleDisplayIEE(this); break;
    default: poleDisplay = nullptr; break;
    }
    if (!poleDisplay) {
        // A command set no settings page writes: the screen runs without a display.
        qCWarning(lcPos) << "pole display: unknown command set" << commandSet;
        poleDisplayEnabled = false;
        return;
    }
    const bool opened = poleDisplay->open(port, speed, dataBits, parity, stopBits, flow, lineCount, charCount);
    poleDisplay->clear();
    poleDisplay->showWelcome(welcomeMessage);
    ProcessEventPasses(5);
    busy.hide();
    if (!opened) {
        poleDisplayEnabled = false;
        delete poleDisplay;
        poleDisplay = nullptr;
    }
}
