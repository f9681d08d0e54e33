#pragma once

#include <QDate>
#include <QImage>
#include <QMap>
#include <QPointer>
#include <QScrollArea>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

class Calculator;
class CPosButton;
class NumberPad;
class PoleDisplay;
class QCompleter;
class QDateTimeEdit;
class QLineEdit;
class QLocale;
class QPrinter;
class QSqlDatabase;
class QSqlError;
class QSqlQuery;
class QSqlQueryModel;
class QSqlRecord;
class QSqlTableModel;
class QTimer;
class SaleLineStore;
class SalesModel;
class SettingsDialog;
struct StockRow;
class Ui_CPOS;

// The customer chosen for the sale on screen.
struct SelectedCustomer
{
    QString id;
    QString name;
    QString address;
    QString email;
    QString contact;
};

// A held sale: its hold number, its sale row and the name the operator gave it.
struct PendingPayment
{
    int buttonIndex = 0;
    QString saleId;
    QString name;
};

// One product button of the grid.
struct ProductButtonItem
{
    QString barCode;
    QString name;
    QString imageFile;
    int categoryId = 0;
};

// The sale screen. One class over several source files, by concern:
// cpos.cpp (construction, closing, settings restart, guide), cpos_keys.cpp (keys, status line,
// scanner), cpos_popups.cpp (more options, number pad), cpos_sale.cpp (sale record, new sale),
// cpos_items.cpp (item entry, look-up, returns), cpos_buttons.cpp (product buttons), cpos_payment.cpp
// (pay, quick pay), cpos_holds.cpp (held sales), cpos_load.cpp (loading stored sales), cpos_search.cpp
// (stored-sale searches, OpenSale), cpos_invoice.cpp (invoice mode and save), cpos_customers.cpp
// (customer, timestamps), cpos_porder.cpp (automatic purchase orders), cpos_printing.cpp (print, PDF,
// e-mail).
class CPOS : public QScrollArea
{
    Q_OBJECT
public:
    explicit CPOS(QWidget* parent);
    ~CPOS() override;

    // Loads a stored sale as an invoice or a receipt (the sales records page's "Open Sale").
    void OpenSale(const QString& saleId, bool invoice);
    void OpenSettings();
    // No widget of the form carries these names: plain members, called by the pop-up and the mode.
    void on_pushSales_clicked();
    void on_pushHelpShortCutKeys_clicked();
    void ShowNumberPad(QWidget* parent = nullptr);
    void ShowStatus(const QString& text, bool isError);
    // A text the cashier must act on: the grey phase of the text before it does not hide it early.
    void ShowLastingStatus(const QString& text, bool isError);
    // A failure's text followed by why the action reached no server, when an opening of the action was refused (the
    // port held by another account's program, ...): the cashier is told to start the program again. A write's also
    // says that nothing was saved. The text alone otherwise.
    QString WithRefusal(const QString& text, bool write) const;
    void ClearStatus();
    void ResizeTableViewColumns();
    void LoadProductButtons();
    void LoadPendingPayments();
    void ResetAmounts();

    // Sale record and line index (cpos_sale.cpp).
    int NextFreeIndex() const;
    void ReleaseIndex(int index);
    void CreateTransaction();
    bool RefreshSalesTable();
    // Reads the sale's lines into the cart; on a failure the cart stays as it was, false comes back and
    // failure (when given) gets the reason, empty when the server went away. A failed read is read again
    // once the server is back.
    bool ReadCart(QString* failure = nullptr);
    // True when the stored lines of the sale are known, reading them first when they are not; false, with the
    // refusal on the status line, when they cannot be read. Every action that uses the sale's totals or acts on
    // a line asks first.
    bool SaleLinesKnown();
    // After a write whose lines could not be read again: the status line says what was done (doneText) and why
    // the lines were not read (failure, as ReadCart gave it); shownAsStored false when the cart could not show
    // the written line.
    void TellCartUnread(const QString& doneText, const QString& failure, bool shownAsStored);
    // The new-sale action as item entry, the mode switch and pay-later call it; the button passes true, true.
    void on_pushNew_clicked(bool createTransaction, bool saveFirst);
    bool ValidateInputs();
    void UpdatePaymentStateReceipt();
    void UpdatePaymentStateInvoice();

    // Process-wide, kept across restarts of the screen.
    static bool blinkPhase;
    static int paidEnterCount;
    // The sale that the Enter counted in paidEnterCount paid: only that sale's next Enter prints.
    static QString paidEnterSale;

    Ui_CPOS* ui = nullptr;

    QString transactionId;
    int saleState = 0;
    // The sale on screen has been paid: the next item starts a new sale, also after a failed save
    // has set saleState back to 1. Only line deletion still changes a paid sale.
    bool salePaid = false;
    double grandTotal = 0.0;
    double totalTax = 0.0;
    double totalDiscount = 0.0;
    bool changedSinceSave = false;
    bool invoiceMode = false;
    int posMode = 1;
    QVector<int> itemIndexes;
    QMap<QString, QString> autoOrderByVendor;
    QStringList reorderStockCodes;
    SelectedCustomer selectedCustomer;
    QStringList quickPayAmounts;
    QVector<PendingPayment> pendingButtons;

    // Product button grid.
    QVector<ProductButtonItem> productItems;
    QVector<ProductButtonItem> categoryItems;
    int pageCount = 0;
    int currentPage = 0;
    int categoryPageCount = 0;
    int categoryCurrentPage = 0;
    int posRows = 3;
    int posColumns = 3;
    int buttonsPerPage = 9;
    int posButtonSize = 90;

    QWidget* invoiceDetailsPage = nullptr;
    QWidget* receiptDetailsPage = nullptr;
    QWidget* pendingPaymentsPage = nullptr;

    QTimer* blinkTimer = nullptr;
    QTimer* statusWatchDogTimer = nullptr;
    QTimer* statusShowTimer = nullptr;
    bool statusIsError = false;

    bool poleDisplayEnabled = false;
    PoleDisplay* poleDisplay = nullptr;
    QString welcomeMessage;
    QPointer<NumberPad> numberPad;
    bool numberPadOpen = false;
    Calculator* calculator = nullptr;
    SettingsDialog* settingsDialog = nullptr;
    bool restartRequested = false;
    bool trackChanges = true;
    bool holdingSale = false;
    bool suppressCustomerToggle = false;
    bool keepFocusAfterAdd = false;
    bool itemEntryBusy = false;
    bool deletingLine = false;
    bool reorderChecked = false;
    QLocale* locale = nullptr;

    SalesModel* cartModel = nullptr;
    QSqlTableModel* categoryModel = nullptr;
    QSqlQueryModel* productSearchModel = nullptr;
    QCompleter* productCompleter = nullptr;
    QImage companyLogo;
    // Headers this screen created: the closing sweep removes those of them still unfinished and empty.
    QStringList ownHeaders;

    // Settings, read once by the constructor.
    int taxRounding = 2;
    bool autoPrintSecondary = false;
    int marginLeft = 5;
    int marginBottom = 0;
    int marginRight = 5;
    int marginTop = 15;
    QString receiptPrinter;
    bool scannerInputEnabled = true;
    bool forceOutOfStockSale = true;
    bool warnOutOfStock = true;
    bool resetQuantity = true;
    bool autoPurchaseOrder = true;
    bool showPosButtons = true;
    int decimalPlaces = 2;
    int finalAmountPrecision = 2;
    QString invoiceTitle;
    QString receiptTitle;
    QString imagesFolder;
    QString promoText;
    QString companyName;
    QString companyAddress;
    QString companyPhone;
    QString storeId;
    QString terminalId;
    QString companyLogoFile;
    bool subItemsMode = false;
    bool receiptPrintToPdf = true;
    bool secondaryPrintToPdf = true;
    QString currencySymbol;
    bool taxEnabled = true;
    QString salesTaxName;
    bool printCompanyInfoLarge = true;
    bool printCompanyLogoLarge = true;
    bool printLogo = true;
    int logoSize = 10;
    int logoSizeLarge = 20;
    int timeFormat = 0;

public slots:
    // Lifecycle (cpos.cpp).
    void on_pushButtonClose_clicked();
    void on_pushButton_clicked();

    // Keys, status line and scanner (cpos_keys.cpp).
    void OnBlinkingTimeout();
    void OnStatusWatchDogTimeout();
    void OnStatusShowTimeout();
    void SetFocusOnBarCode();
    void on_CtrlZero();
    void on_CtrlP();
    void on_CtrlD();
    void on_CtrlQ();
    void on_CtrlC();
    void on_CtrlT();
    void on_CtrlL();
    void on_CtrlS();
    void on_CtrlN();
    void on_CtrlR();
    void on_CtrlX();
    void on_CtrlK();
    void on_Plus();
    void on_Minus();
    void on_CtrlF();
    void on_lineBarcodeScannerInput_returnPressed();
    void on_pushReadyForScanner_toggled(bool checked);
    void on_pushReadyForScanner_clicked();
    void on_SetCheckedScannerReady(bool val);
    void on_lineEditPaid_returnPressed();
    void on_lineRefNumber_returnPressed();
    void on_lineSelectedSalePrice_returnPressed();
    void on_lineEditDiscount_returnPressed();
    void on_lineEditAbsDiscount_returnPressed();
    void on_lineEditItems_returnPressed();
    void on_lineEditSubItems_returnPressed();

    // Pop-ups (cpos_popups.cpp).
    void on_pushMore_clicked();
    void onNumPadClsoe();

    // Sale record, stored sales, customer (cpos_sale.cpp).
    void on_pushNew_clicked();
    void on_pushSearchReceipt_clicked();
    void on_pushInvoiceSearch_clicked();
    void on_pushCustomers_clicked();
    void on_pushCustomers_toggled(bool checked);
    void on_pushUpdateInvoiceTimestamp_clicked();
    void on_pushUpdateReceiptTimestamp_clicked();

    // Item entry, look-up, returns, product buttons (cpos_items.cpp).
    void on_pushAddItem_clicked();
    void on_lineEditBarCode_returnPressed();
    void on_pushDeleteItem_clicked();
    void on_checkReturnMode_toggled(bool checked);
    void on_pushEnterCode_clicked();
    void on_pushButtonLookUp_clicked();
    void on_pushSelect_clicked();
    void on_comboBoxProducts_activated(int index);
    void on_lineEditPaid_textChanged(const QString& text);
    void on_pushFavPages_clicked();
    void on_nextButton_clicked();
    void on_previousButton_clicked();

    // Payment and quick pay (cpos_payment.cpp).
    int on_pushButtonPay_clicked();
    void on_pushButtonPAID_clicked();
    void on_CtrlOne();
    void on_CtrlTwo();
    void on_CtrlThree();
    void on_CtrlFour();
    void on_CtrlFive();
    void on_CtrlSix();
    void on_CtrlSeven();
    void on_CtrlEight();
    void on_CtrlNine();

    // Held sales (cpos_holds.cpp).
    void on_pushPayLater_clicked();

    // Invoice mode (cpos_invoice.cpp).
    void on_pushInvoiceMode_clicked();
    void on_pushInvoiceMode_toggled(bool checked);
    void on_pushSaveInvoice_clicked();

    // Printing and e-mail (cpos_printing.cpp).
    void on_pushPrint_clicked();
    void on_pushPrintPreview_clicked();
    void on_pushEmailInvoiceToCustomer_clicked();
    void on_pushEmailReceiptToCustomer_clicked();

    // Pole display start-up, posted by the constructor when the display is enabled.
    void OnInitializePoleDisplay();

    // Printing, PDF and e-mail (cpos_printing.cpp, cpos_smallreceipt.cpp).
    // False when the PDF of the given file name was not written (the cashier has been told).
    bool printReport(bool preview, QString file_name, bool open_afer_printing, bool secondary_print);
    void printReport(bool preview, QString file_name, bool open_afer_printing);
    void printReport(bool preview, QString file_name);
    void printReport(bool preview);
    void setValue(int& recNo, QString& paramName, QVariant& paramValue, int reportPage);
    void setValueImage(int& recNo, QString& paramName, QImage& paramValue, int reportPage);

public:
    QString PdfOutputFile(bool secondary);
    void PrintReceiptDirect(bool preview, bool secondary);
    bool SetupReceiptPrinter(QPrinter* printer, bool preview, bool secondary);
    // Set from printDirection at every direct print.
    bool printUpsideDown = false;

private:
    // Quantity of a cart line as printed: units plus sub-items as a fraction, with the unit name when asked.
    QString PrintedQuantity(const QSqlRecord& line) const;
    void EmailDocument(bool invoice);

    // Payment, held sales, product grid, stored-sale loading (cpos_payment.cpp, cpos_holds.cpp,
    // cpos_buttons.cpp, cpos_load.cpp); the invoice save they call lives in cpos_invoice.cpp, the
    // automatic purchase order in cpos_porder.cpp.
public:
    void LoadReceipt(const QString& saleId);
    void LoadInvoice(const QString& saleId);
    void StylePendingButton();
    void ClearPendingButtons();
    void LayoutProductButtons(int first, int last);
    void ClearProductButtons();
    // The invoice save, also run by pay in invoice mode. As pay: 0 saved or nothing to save,
    // 1 a field refused, 4 the database refused.
    int SaveInvoice();
    void GeneratePurchaseOrder(const QString& stockCode);
public slots:
    void PendingPaymentButtonClicked();
    void PosButtonClicked();
    void on_comboCategory_currentIndexChanged(const QString& arg1);
    void on_comboReceiptStatus_currentIndexChanged(int index);
    void on_comboInvoiceStatus_currentIndexChanged(int index);
private:
    // The sale header as pay, pay-later and the invoice save write it; false with the error text when refused.
    struct HeaderValues
    {
        QString customer;
        QString timeStamp;
        int invoiceMode = 0;
        int status = 0;
        QString sentDate;
        QString dueDate;
        QVariant customerId;
        int shipToCustomer = 1;
        QString shipName;
        QString shipAddress;
        QString shipContact;
        QString shipVia;
        QString notes;
    };
    // Unconfirmed: the COMMIT's answer was lost, and the server may have stored the header.
    enum class HeaderWrite { Stored, Refused, Unconfirmed };
    // With a hold: its number and name to store, or, when the sale's hold row is already stored (by a hold
    // whose answer was lost), that row's, which is then kept.
    HeaderWrite WriteHeader(const HeaderValues& values, PendingPayment* hold, QString* error);
    // The status line after a header write that did not store: refusedText when the server refused it. An
    // unconfirmed write's stamp goes back into stampField, so that saving again sends the same values.
    void TellHeaderNotStored(HeaderWrite result, const HeaderValues& sent, QDateTimeEdit* stampField,
                             const QString& refusedText);
    // The customer columns from the receipt page, as pay and pay-later write them in either mode.
    HeaderValues ReceiptCustomer() const;
    HeaderValues ReceiptHeader();
    HeaderValues InvoiceHeader();
    // Cuts the sale's text fields to their columns; the name of a field holding a character
    // the sales tables cannot store, empty when all can be stored.
    void LimitSaleFields();
    QString UnstorableField(bool invoice) const;
    void PoleShowPaidAndDue();
    // Whether the amount is finite and the field shows it whole, at the final amount's places.
    bool FitsAmountField(double amount, const QLineEdit* field) const;
    // False, with the reason on the status line, when the paid amount or the due amount it leaves
    // would be cut by the amount fields.
    bool PaidFitsAmountFields(double paid);
    // "Paid amount is not valid…" on the status line, the focus in the paid field.
    void ShowPaidNotValid();
    QString PageLabel(bool category) const;
    int PendingTabIndex() const;
    bool LoadSaleCustomer(const QVariant& customerId);
    void FillAmounts(const QSqlRecord& row);
    void FillPaymentType(const QSqlRecord& row);
    void LoadLinesOfSale(const QString& openedText);
    void ShowPendingCount();
    QString SizeRule() const;
    QString RowStyle(int place) const;
    static QString ButtonStyleTail();
    static QString ButtonCaption(const QString& name);
    // After a hold whose COMMIT's answer was lost, the sale's hold row is looked up before anything else is
    // done with the sale: true, with what was found on the status line, when the asking action must stop. An
    // item entry names its product (notRungUp), so that the cashier knows to enter it again.
    bool HoldInDoubt(const QString& notRungUp = QString());
    // The held sale's button shown, then a new sale, as after a stored hold.
    void GoOnAsHeld(const PendingPayment& hold, bool saveFirst);
    // Reads the sale's stored hold row (the first, where a sale is held twice) into hold; held says whether there
    // is one. False, with the error text, when the read failed.
    bool ReadStoredHold(QSqlQuery& find, PendingPayment* hold, bool* held, QString* error);
    static const char* const HOLD_FIND;
    // The hold whose answer was lost, until its row is looked up; its number is not offered again here.
    std::optional<PendingPayment> unconfirmedHold;
    int unconfirmedHoldNumber = 0;
    std::unique_ptr<QSqlQuery> headerUpdate;
    std::unique_ptr<QSqlQuery> holdInsert;
    std::unique_ptr<QSqlQuery> holdFind;
    QSqlDatabase* headerDb = nullptr;
public slots:

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void RejoinFocusChain();
    void ReadSettingsAndBuild();
    void SetUpCart();
    void SetUpProductSelection();
    void CreateKeyBindings();
    void SweepUnfinishedSales();
    void QuickPay(int index);
    void FocusAndSelect(QWidget* field);
    // The status line keeps a room of three lines at the top of the sale column, shown or hidden, so that a click
    // that waited while the screen was busy lands on the button it was aimed at, not on one a text moved there. A
    // text that needs more lies across the whole width in view, over the product buttons' top, moving nothing: a
    // refused connection's reason, with the account and what to do, is read whole at 1024 wide.
    void PlaceStatusLine();
    QWidget* statusRoom = nullptr;
    // The scanner's prefix (Ctrl+B): every pop-up closes and the scanner line takes the focus.
    void TakeScannerPrefix();
    // An amount cut at its side reads as another number: each amount field keeps the width of its text, and at least
    // that of ten characters, at its font, whatever the window's width.
    QVector<QLineEdit*> AmountFields() const;
    void FitAmountField(QLineEdit* field);
    void ItemFieldEnter();

    // Item entry (cpos_items.cpp).
    void EnterItem();
    void DeleteLine(int row);
    // The stock row of a code, or false with the reason on the status line.
    bool LookUpSellableStock(const QString& code, StockRow* row);
    // How a sale line is written or removed, and what is shown when that fails.
    struct LineWrite
    {
        std::function<bool()> write;
        QString failure;
        // With the database's error as %1, when the stock row can not be updated; empty: the failure text.
        QString stockFailure;
        // The connection was lost before the commit: nothing was stored.
        QString unreachable;
        // The commit's answer was lost: the server may have stored it.
        QString unconfirmed;
        // The stock would leave its column: the locked stock and what would remain, in sub-units.
        std::function<void(qint64 locked, qint64 remaining)> refuseOverflow;
    };
    // Writes a line change and the stock change it makes in one transaction: takesStock takes the
    // requested sub-units off the stock under the out-of-stock rules, otherwise they go back. Notes a
    // crossing of the reorder level; false, with the reason shown, when nothing was written.
    bool WriteLineWithStock(const StockRow& stock, const QString& code, bool takesStock, qint64 requested, bool asked,
                            const LineWrite& write);
    void TakeChosenSuggestion();
    void ShowProduct();
    // The code whose price the screen put into the price field; cleared once the cashier edits it.
    QString shownPriceCode;
    void ShowTotals(double linePrice);
    void FitCartColumnsToLastRow();
    // The customer display, when one is enabled and opened.
    void PoleShowPrice(const QString& text);
    void PoleShowTotal(const QString& text);
    void PoleShowWelcome();
    // The cart, line numbers and column widths taken from the stored lines once they are read (by the screen or
    // by the connection manager's pass over the lists of a reopened connection), and what they tell of an
    // unconfirmed write; the read is no change of the sale's.
    void ResyncFromCart();
    void CartWasRead();
    QString CartStatement() const;
    // The totals of lines just read, with the status rule, but no stamp moved and no change marked.
    void ShowTotalsOfRead();
    // After a stored line (or one whose commit's answer was lost): nothing typed for it applies to the next.
    void ClearEntryFields();

    std::unique_ptr<SaleLineStore> lineStore;
    // The sale's stored lines are not known: a line write whose commit's answer was lost, or a loaded sale
    // whose lines could not be read. Their next read sets the cart and the line numbers.
    bool linesUnread = false;
    // The line write whose commit's answer was lost, until the stored lines show what the server kept.
    struct UnconfirmedWrite
    {
        bool deletion = false;
        int index = 0;      // the line number an item was written under
        qint64 lineId = 0;  // the line a deletion removed
        // What the write changes in the totals when the server kept it.
        double gross = 0.0;
        double tax = 0.0;
        double discount = 0.0;
        // The product, named when the read tells what the server kept: a line not stored or deleted is no
        // longer in the cart then.
        QString name;
    };
    std::optional<UnconfirmedWrite> unconfirmedWrite;
    // One text of a status line: %1 (where it has one) stands for name; brief says the same in fewer words.
    struct StatusPart
    {
        QString text;
        QString name;
        QString brief;
    };
    // What the last read said about an unconfirmed write; its text is empty when none was waiting.
    StatusPart writeOutcome;
    static StatusPart NotRungUp(const QString& name);
    // Texts joined into one status line, to be read whole at the status line's width: the names are cut with "…"
    // as far as needed, each keeping at least its first letter; where the words leave no room for that, or where
    // the brief wordings would show more of a cut name, the brief wordings stand in for them.
    QString NamedStatus(const QVector<StatusPart>& parts) const;
    // The totals shown are a loaded sale's stored header's: its lines read late leave them, as at its opening.
    bool totalsFromHeader = false;

    // Invoice mode, customers and timestamps, stored-sale searches and automatic purchase orders
    // (cpos_invoice.cpp, cpos_customers.cpp, cpos_search.cpp, cpos_porder.cpp).
public:
    // Orders what the sale's lines took to their reorder level; each noted code is consumed once.
    void RunReorderCheck();
public slots:
    void UpdateCustomerSelection(bool invoice_mode, bool selected);
    void on_comboPaymentType_currentIndexChanged(int index);
    void on_lineRefNumber_textChanged(const QString& arg1);
    void on_dateSentDate_dateChanged(const QDate& date);
    void on_dateDueDate_dateChanged(const QDate& date);
    void on_lineShipName_textChanged(const QString& arg1);
    void on_lineCustomerEmailInvoice_textChanged(const QString& arg1);
    void on_lineShipContact_textChanged(const QString& arg1);
    void on_lineShipVia_textChanged(const QString& arg1);
    void on_checkShipToCustomerAddress_toggled(bool checked);
    void on_textShipAddress_textChanged();
    void on_textNotes_textChanged();
    void on_textReceiptNotes_textChanged();
private:
    void MarkChanged();
    void StampChange();
    void SwitchMode(bool toInvoice);
    // The first field whose text its column cannot hold, reported; false when one is refused.
    bool InvoiceFieldsFit();
    // Saves the sale on screen the way its mode does: the invoice save or pay.
    int SaveCurrentSale();
    // Runs the sales records page as a picker of receipts (1) or invoices (2); the chosen ID or empty.
    QString PickStoredSale(int saleTypeFilter);
    // False, with the refusal shown, when no stored sale has this ID.
    bool StoredSaleExists(const QString& saleId);
    // What the server said when it refused a statement, without the driver's own words.
    static QString ServerWords(const QSqlError& error);
    void SetCustomerFields(bool invoice, const SelectedCustomer& customer);
    void MarkCustomerChange();
};
