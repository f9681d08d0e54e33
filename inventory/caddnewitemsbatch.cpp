// The stock batch dialog's form: construction, product selection, stock list, prices and small slots.
#include "caddnewitemsbatch.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "searchbox.h"
#include "inventorydialogs.h"
#include "inventorylog.h"
#include "productmanagement.h"
#include "productsearchmodel.h"
#include "statuslabel.h"
#include "textfields.h"

#include <QCompleter>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLocale>
#include <QMainWindow>
#include <QScopedValueRollback>
#include <QScroller>
#include <QSettings>
#include <QShortcut>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTimer>

namespace {
const QString NO_IMAGE = QStringLiteral(":/resources/images/NoImageAvailable.jpg");
} // namespace

CAddNewItemsBatch::CAddNewItemsBatch(QWidget* parent)
    : VorantelDialog(parent)
{
    AppSettings* app = AppSettings::Instance();
    QSettings* settings = app->settings;
    QSqlDatabase& db = *DatabaseManager::Instance()->InventoryDatabase();

    ui.setupUi(this);
    // The status line lies below the scrolled form, above Add: a message is in view wherever the form was scrolled,
    // and its room stays, so the buttons stay where the user aims.
    KeepStatusRoom(ui.labelStatus, 2);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    ui.checkAutoGenerate->setChecked(true);
    ui.labelServiceItem->hide();

    QCoreApplication::processEvents();
    vendorModel = new QSqlTableModel(this, db);
    vendorModel->setTable(QStringLiteral("tblVendors"));
    vendorModel->setSort(1, Qt::AscendingOrder);
    ui.comboBoxVendors->setModel(vendorModel);
    ui.comboBoxVendors->setModelColumn(1);
    ui.pushVendors->setEnabled(bool(InventoryDialogs::vendors));

    ui.dateEditExpiryDate->setDisplayFormat(app->DateFormat());
    ui.dateEditExpiryDate->setDate(QDate::currentDate());

    imagesFolder = settings->value(QStringLiteral("IMAGES_FOLDER"), QString()).toString();
    roundingMode = ReadRoundingMode(*settings);
    decimalPlaces = settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString();
    taxDecimals = settings->value(QStringLiteral("tax_decimal_places"), 3).toString();

    for (QLineEdit* field : {ui.editSubItems, ui.lineEditDiscount, ui.lineReoderQuantity, ui.lineReoderLevel})
        field->setText(QStringLiteral("0"));
    if (settings->value(QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("n")).toString() == QLatin1String("n")) {
        for (QWidget* w : {static_cast<QWidget*>(ui.editItemsPerUnit), static_cast<QWidget*>(ui.editSubItems),
                           static_cast<QWidget*>(ui.frameSubQuantity), static_cast<QWidget*>(ui.labelBatchSubItems),
                           static_cast<QWidget*>(ui.labelProductSubItems),
                           static_cast<QWidget*>(ui.lablelSubQuantityUnit)})
            w->hide();
    }

    vendorModel->select();
    ui.comboBoxVendors->setCurrentText(QStringLiteral("NONE"));
    ui.pushButtonRetrieve->hide();

    QCoreApplication::processEvents();
    productModel = new ProductSearchModel(this);
    productModel->setQuery(
        QStringLiteral("SELECT PRODUCT_CODE, CONCAT(NAME, ' [CODE:' , PRODUCT_CODE , ']') FROM tblProducts "), db);
    completer = NewProductCompleter(productModel, 1, this);
    ui.comboBoxProducts->setEditable(true);
    ui.comboBoxProducts->setCompleter(completer);
    ui.pushSelect->hide();
    ui.comboBoxProducts->lineEdit()->setPlaceholderText(tr("Search product and press Enter"));
    ui.comboBoxProducts->lineEdit()->setStyleSheet(GetSearchBoxStyleSheet());
    ui.comboBoxProducts->setFocus();

    if (settings->value(QStringLiteral("enable_tax"), true).toBool()) {
        const bool withTax = settings->value(QStringLiteral("anib_default_sale_price_with_tax"), true).toBool();
        ui.radioButtonSalePriceWithTax->setChecked(withTax);
        ui.radioButtonSalePriceWithoutTax->setChecked(!withTax);
        ui.lineEditSalePrice->setEnabled(!withTax);
        ui.lineEditSalePriceWitTax->setEnabled(withTax);
    } else {
        ui.radioButtonSalePriceWithoutTax->setChecked(true);
        ui.lineEditSalePrice->setEnabled(true);
        for (QWidget* w : {static_cast<QWidget*>(ui.radioButtonSalePriceWithoutTax),
                           static_cast<QWidget*>(ui.radioButtonSalePriceWithTax),
                           static_cast<QWidget*>(ui.lineEditSalePriceWitTax), static_cast<QWidget*>(ui.labelTaxRate),
                           static_cast<QWidget*>(ui.lineTaxStatus)})
            w->hide();
    }

    const bool expiry = settings->value(QStringLiteral("default_has_expiry_date"), true).toBool();
    ui.checkExpiryDate->setChecked(expiry);
    on_checkExpiryDate_toggled(expiry);
    ui.checkAutoGenerate->setChecked(settings->value(QStringLiteral("anib_default_auto_generate"), true).toBool());
    on_checkAutoGenerate_toggled(ui.checkAutoGenerate->isChecked());

    ui.lineEditPurchasePriceWithTax->setEnabled(false);
    ui.lineEditPurchasePriceWithTax->hide();
    ui.radioPurchaseWithoutTax->hide();
    ui.radioPurchaseWithTax->hide();

    const bool showMore = settings->value(QStringLiteral("anib_show_more"), false).toBool();
    ui.groupShowMore->setChecked(showMore);
    on_groupShowMore_toggled(showMore);

    ui.comboBoxStocks->addItem(tr("Add New Stock"));

    const QString taxName = settings->value(QStringLiteral("SALES_TAX_NAME"), QStringLiteral("Sales Tax")).toString();
    ui.radioButtonSalePriceWithoutTax->setText(tr("Without %1").arg(taxName));
    ui.radioPurchaseWithoutTax->setText(tr("Without %1").arg(taxName));
    ui.radioButtonSalePriceWithTax->setText(tr("With %1").arg(taxName));
    ui.radioPurchaseWithTax->setText(tr("With %1").arg(taxName));
    ui.labelTaxRate->setText(tr("%1 Rate").arg(taxName));

    resize(975, 625);
    if (settings->value(QStringLiteral("theme"), QString()).toString() == QLatin1String("dark"))
        ui.comboBoxStocks->setStyleSheet(QStringLiteral(
            "QComboBox { color: white; font-weight: bold; font-size: 12px; background-color: QLinearGradient( x1: 0, "
            "y1: 0, x2: 0, y2: 1, stop: 0 #88d, stop: 0.1 #99e, stop: 0.49 #77c, stop: 0.5 #66b, stop: 1 #77c); }"));
    else
        ui.comboBoxStocks->setStyleSheet(QStringLiteral(
            "QComboBox { color: white; font-weight: bold; font-size: 12px; background-color: QLinearGradient( x1: 0, "
            "y1: 0, x2: 0, y2: 1, stop: 0 #8D8D8D, stop: 0.3 #7D7D7D  , stop: 0.4 #616161 , stop: 1 #535353); }"));

    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+B")), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &CAddNewItemsBatch::on_CtrlB);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QTimer::singleShot(500, this, &CAddNewItemsBatch::ShowHelpMessage);
    QTimer::singleShot(20, this, &CAddNewItemsBatch::UpdateLayout);
}

void CAddNewItemsBatch::on_editProductCode_textChanged(const QString& text)
{
    // The code typed so far is looked up at every key, but the keys still to come belong to this field: nothing
    // found on the way takes the focus from it. Return does.
    const QScopedValueRollback<bool> typing(typedLookUp, true);
    TakeProductCode(text);
}

void CAddNewItemsBatch::on_editProductCode_returnPressed()
{
    TakeProductCode(ui.editProductCode->text());
}

void CAddNewItemsBatch::TakeProductCode(const QString& code)
{
    if (!ui.checkAutoGenerate->isChecked())
        ui.lineEditBarCode->setText(code);
    SelectProductByCode(code);
}

void CAddNewItemsBatch::on_comboBoxProducts_activated(int)
{
    completer->setCompletionPrefix(ui.comboBoxProducts->currentText());
    const QModelIndex index = completer->currentIndex();
    if (index.isValid()) {
        const QString code = completer->completionModel()->index(index.row(), 0).data().toString();
        ui.editProductCode->setText(code);
        SelectProductByCode(code);
    }
    ui.comboBoxProducts->clearEditText();
}

void CAddNewItemsBatch::on_pushSelectProduct_clicked()
{
    const QString code = ProductManagement::PickProductCode(AppSettings::Instance()->mainWindow, QSize(800, 600));
    // Closed without ever choosing a row: keep what the dialog holds.
    if (code.isEmpty())
        return;
    ui.editProductCode->setText(code);
    if (!ui.checkAutoGenerate->isChecked())
        ui.lineEditBarCode->setText(code);
    SelectProductByCode(code);
}

void CAddNewItemsBatch::SelectProductByCode(const QString& code)
{
    SelectProduct(code, true);
}

void CAddNewItemsBatch::SelectProductAndStock(const QString& code, const QString& stockCode)
{
    QSignalBlocker block(ui.editProductCode);
    ui.editProductCode->setText(code);
    SelectProduct(code, true);
    const int index = stockCode.isEmpty() ? -1 : ui.comboBoxStocks->findText(stockCode);
    if (index > 0)
        ui.comboBoxStocks->setCurrentIndex(index);
}

void CAddNewItemsBatch::SelectProduct(const QString& code, bool refillStocks)
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral(
        "SELECT p.ID, p.NAME, p.ITEMS_PER_UNIT, p.DESCRIPTION, p.CATEGORY_ID, c.ID, c.NAME as C_NAME, p.TAX_RATE, "
        "p.UNIT_NAME, p.SUB_UNIT_NAME, p.SERVICE_ITEM, p.IMAGE_FILE FROM tblProducts as p, tblProductCategories as c "
        "WHERE p.PRODUCT_CODE = :product_code AND p.CATEGORY_ID = c.ID"));
    query->bindValue(QStringLiteral(":product_code"), code);
    if (!query->exec()) {
        ShowStatus(tr("Error: System could not find product with code ( %1 )").arg(code), 0);
        return;
    }
    QSqlRecord row;
    if (query->next()) {
        row = query->record();
        // A message about an earlier look-up or the form before no longer holds beside the product found.
        ClearStatus(ui.labelStatus);
    }
    productCode = code;
    productId = row.value(QStringLiteral("ID")).toInt();
    ui.lineName->setText(row.value(QStringLiteral("NAME")).toString());
    ui.lineName->setToolTip(PlainToolTip(ui.lineName->text()));
    ui.lineName->setCursorPosition(0);
    ui.editItemsPerUnit->setText(locale.toString(row.value(QStringLiteral("ITEMS_PER_UNIT")).toInt()));
    itemsPerUnit = qMax(1, row.value(QStringLiteral("ITEMS_PER_UNIT")).toInt());
    ui.lineDescription->setText(row.value(QStringLiteral("DESCRIPTION")).toString());
    ui.lineDescription->setToolTip(PlainToolTip(ui.lineDescription->text()));
    ui.lineDescription->setCursorPosition(0);
    ui.lineCategory->setText(row.value(QStringLiteral("C_NAME")).toString());
    ui.lineTaxStatus->setText(
        locale.toString(row.value(QStringLiteral("TAX_RATE")).toDouble(), 'f', taxDecimals.toInt()));
    ui.labelQuantityUnit->setText(row.value(QStringLiteral("UNIT_NAME")).toString());
    ui.lablelSubQuantityUnit->setText(row.value(QStringLiteral("SUB_UNIT_NAME")).toString());
    ShowProductImage(row.value(QStringLiteral("IMAGE_FILE")).toString());

    serviceFlag = row.value(QStringLiteral("SERVICE_ITEM")).toBool();
    ui.labelServiceItem->setVisible(serviceFlag);
    if (serviceFlag) {
        for (QLineEdit* field : {ui.lineQuantity, ui.lineReoderLevel, ui.lineReoderQuantity})
            field->setText(QStringLiteral("0"));
    }
    for (QLineEdit* field : {ui.lineQuantity, ui.lineReoderLevel, ui.lineReoderQuantity, ui.editSubItems})
        field->setEnabled(!serviceFlag);

    if (!refillStocks)
        return;
    {
        QSignalBlocker block(ui.comboBoxStocks);
        ui.comboBoxStocks->clear();
        ui.comboBoxStocks->addItem(tr("Add New Stock"));
        QSqlQuery* stocks = DatabaseManager::Instance()->InventoryQuery();
        stocks->prepare(QStringLiteral("SELECT i.BAR_CODE FROM tblInventory as i, tblProducts as p WHERE i.PRODUCT_ID = "
                                       "p.ID AND p.PRODUCT_CODE = :code"));
        stocks->bindValue(QStringLiteral(":code"), code);
        if (stocks->exec()) {
            while (stocks->next())
                ui.comboBoxStocks->addItem(stocks->value(0).toString());
        }
    }
    if (ui.comboBoxStocks->count() > 1 && !loading)
        ui.comboBoxStocks->setCurrentIndex(1);
    else
        on_comboBoxStocks_currentIndexChanged(loading ? -1 : 0);
    if (!typedLookUp)
        ui.lineQuantity->setFocus();
}

void CAddNewItemsBatch::on_comboBoxStocks_currentIndexChanged(int index)
{
    if (loading || index < 0)
        return;
    if (index == 0) {
        ui.pushButtonUpdate->setEnabled(false);
        ui.pushButtonAdd->setEnabled(true);
        editFlag = false;
        ClearStockFields();
        // A stock that a code typed so far loaded on the way took the tick away; the code's own product has it back.
        if (typedLookUp)
            ui.checkAutoGenerate->setChecked(autoGenerateChoice);
        ui.checkAutoGenerate->show();
        ui.lineEditBarCode->clear();
        return;
    }
    ui.pushButtonUpdate->setEnabled(true);
    ui.pushButtonAdd->setEnabled(false);
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral(
                       "SELECT i.ID, i.PRODUCT_ID, i.VENDOR_ID, i.BAR_CODE, i.BATCH_NUMBER, p.NAME as P_NAME, v.NAME as "
                       "V_NAME, ")
                   + AppSettings::Instance()->SqlDateColumn(QStringLiteral("i.EXPIRY_DATE"), QStringLiteral("EXPIRY_DATE"))
                   + QStringLiteral(
                       " , i.STORAGE_LOCATION, i.QUANTITY, i.SUB_ITEMS, i.PURCHASE_PRICE, i.SALE_PRICE, p.PRODUCT_CODE, "
                       "i.SHOW_ON_POS, i.DISCOUNT, i.REORDER_LEVEL, i.REORDER_QUANTITY, p.IMAGE_FILE FROM tblInventory as "
                       "i, tblProducts as p , tblVendors as v WHERE  i.PRODUCT_ID = p.ID AND i.VENDOR_ID = v.ID AND "
                       "i.BAR_CODE = :code"));
    query->bindValue(QStringLiteral(":code"), ui.comboBoxStocks->itemText(index));
    if (query->exec() && query->next()) {
        editFlag = true;
        ShowStock(query->record(), false);
    }
}

void CAddNewItemsBatch::LoadStock(const QSqlRecord& record)
{
    ShowStock(record, true);
}

void CAddNewItemsBatch::ShowStock(const QSqlRecord& record, bool refillStocks)
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    editFlag = true;
    ui.checkAutoGenerate->setChecked(false);
    ui.checkAutoGenerate->hide();
    ui.pushButtonAdd->setEnabled(false);
    ui.pushButtonUpdate->setEnabled(true);

    loadedCode = record.value(QStringLiteral("BAR_CODE")).toString();
    {
        QSignalBlocker block(ui.editProductCode);
        ui.editProductCode->setText(record.value(QStringLiteral("PRODUCT_CODE")).toString());
    }
    loading = true;
    SelectProduct(ui.editProductCode->text(), refillStocks);
    loading = false;
    ui.lineEditBarCode->setText(loadedCode);

    stockRowId = record.value(QStringLiteral("ID")).toString();
    ui.editBatch->setText(record.value(QStringLiteral("BATCH_NUMBER")).toString());
    ui.comboBoxVendors->setCurrentText(record.value(QStringLiteral("V_NAME")).toString());

    const QString expiry = record.value(QStringLiteral("EXPIRY_DATE")).toString();
    ui.checkExpiryDate->setChecked(!expiry.isEmpty());
    if (!expiry.isEmpty())
        ui.dateEditExpiryDate->setDate(QDate::fromString(expiry, AppSettings::Instance()->DateFormat()));
    on_checkExpiryDate_toggled(!expiry.isEmpty());

    ui.lineStorageLocation->setText(record.value(QStringLiteral("STORAGE_LOCATION")).toString());
    loadedQuantity = record.value(QStringLiteral("QUANTITY")).toLongLong();
    loadedSubItems = record.value(QStringLiteral("SUB_ITEMS")).toLongLong();
    ui.lineQuantity->setText(locale.toString(loadedQuantity));
    ui.editSubItems->setText(locale.toString(loadedSubItems));
    // The shortest text that reads back as the stored value: saving unchanged keeps 12345.67 exactly.
    ui.lineEditPurchasePrice->setText(
        locale.toString(record.value(QStringLiteral("PURCHASE_PRICE")).toDouble(), 'f', QLocale::FloatingPointShortest));
    ui.lineEditSalePrice->setText(
        locale.toString(record.value(QStringLiteral("SALE_PRICE")).toDouble(), 'f', QLocale::FloatingPointShortest));
    UpdateSalePriceWithTax();
    shownSalePrice = ui.lineEditSalePrice->text();
    shownSalePriceWithTax = ui.lineEditSalePriceWitTax->text();

    ui.checkShowOnPOS->setChecked(record.value(QStringLiteral("SHOW_ON_POS")).toBool());
    ui.lineEditDiscount->setText(locale.toString(record.value(QStringLiteral("DISCOUNT")).toDouble(), 'f', 2));
    ui.lineReoderLevel->setText(locale.toString(record.value(QStringLiteral("REORDER_LEVEL")).toInt()));
    ui.lineReoderQuantity->setText(locale.toString(record.value(QStringLiteral("REORDER_QUANTITY")).toInt()));
    ShowProductImage(record.value(QStringLiteral("IMAGE_FILE")).toString());

    for (QWidget* w : {static_cast<QWidget*>(ui.editItemsPerUnit), static_cast<QWidget*>(ui.lineName),
                       static_cast<QWidget*>(ui.lineDescription), static_cast<QWidget*>(ui.lineCategory)})
        w->setEnabled(false);
    {
        QSignalBlocker block(ui.comboBoxStocks);
        ui.comboBoxStocks->setCurrentIndex(ui.comboBoxStocks->findText(loadedCode));
    }
    UpdateLayout();
}

void CAddNewItemsBatch::ClearStockFields()
{
    ui.editSubItems->setText(QStringLiteral("0"));
    ui.lineEditDiscount->setText(QStringLiteral("0"));
    ui.editBatch->clear();
    ui.comboBoxVendors->setCurrentText(QStringLiteral("NONE"));
    for (QLineEdit* field : {ui.lineEditSalePrice, ui.lineEditSalePriceWitTax, ui.lineEditPurchasePrice, ui.lineQuantity,
                             ui.lineStorageLocation})
        field->clear();
    ui.lineReoderLevel->setText(QStringLiteral("0"));
    ui.lineReoderQuantity->setText(QStringLiteral("0"));
    if (serviceFlag)
        ui.lineQuantity->setText(QStringLiteral("0"));
}

double CAddNewItemsBatch::TaxFactor() const
{
    return AppSettings::Instance()->locale->toDouble(ui.lineTaxStatus->text()) / 100.0 + 1.0;
}

double CAddNewItemsBatch::ReadAmount(const QLineEdit* field) const
{
    return AppSettings::Instance()->locale->toDouble(field->text()); // 0 when empty or unreadable
}

QString CAddNewItemsBatch::AmountText(double amount) const
{
    return AppSettings::Instance()->locale->toString(amount, 'f', decimalPlaces.toInt());
}

void CAddNewItemsBatch::UpdateSalePriceWithTax()
{
    const double withTax = RoundByMode(roundingMode, decimalPlaces.toInt(), ReadAmount(ui.lineEditSalePrice) * TaxFactor());
    QSignalBlocker block(ui.lineEditSalePriceWitTax);
    ui.lineEditSalePriceWitTax->setText(AmountText(withTax));
}

void CAddNewItemsBatch::UpdateSalePriceWithoutTax()
{
    const double rate = AppSettings::Instance()->locale->toDouble(ui.lineTaxStatus->text());
    const double net = NetForTillPrice(roundingMode, decimalPlaces.toInt(), ReadAmount(ui.lineEditSalePriceWitTax), rate);
    QSignalBlocker block(ui.lineEditSalePrice);
    ui.lineEditSalePrice->setText(AmountText(net));
}

void CAddNewItemsBatch::UpdatePurchasePriceWithTax()
{
    QSignalBlocker block(ui.lineEditPurchasePriceWithTax);
    ui.lineEditPurchasePriceWithTax->setText(AmountText(ReadAmount(ui.lineEditPurchasePrice) * TaxFactor()));
}

void CAddNewItemsBatch::UpdatePurchasePriceWithoutTax()
{
    QSignalBlocker block(ui.lineEditPurchasePrice);
    ui.lineEditPurchasePrice->setText(AmountText(ReadAmount(ui.lineEditPurchasePriceWithTax) / TaxFactor()));
}

void CAddNewItemsBatch::on_lineEditSalePrice_textChanged(const QString&)
{
    if (ui.radioButtonSalePriceWithoutTax->isChecked())
        UpdateSalePriceWithTax();
}

void CAddNewItemsBatch::on_lineEditSalePriceWitTax_textChanged(const QString&)
{
    if (ui.radioButtonSalePriceWithTax->isChecked())
        UpdateSalePriceWithoutTax();
}

void CAddNewItemsBatch::on_radioButtonSalePriceWithTax_toggled(bool checked)
{
    ui.lineEditSalePrice->setEnabled(!checked);
    ui.lineEditSalePriceWitTax->setEnabled(checked);
    if (checked)
        UpdateSalePriceWithoutTax();
    else
        UpdateSalePriceWithTax();
}

void CAddNewItemsBatch::on_lineEditPurchasePrice_textChanged(const QString&)
{
    if (ui.radioPurchaseWithoutTax->isChecked())
        UpdatePurchasePriceWithTax();
}

void CAddNewItemsBatch::on_lineEditPurchasePriceWithTax_textChanged(const QString&)
{
    if (!ui.radioPurchaseWithoutTax->isChecked())
        UpdatePurchasePriceWithoutTax();
}

void CAddNewItemsBatch::on_radioPurchaseWithoutTax_toggled(bool checked)
{
    ui.lineEditPurchasePrice->setEnabled(checked);
    if (checked)
        UpdatePurchasePriceWithTax();
    else
        UpdatePurchasePriceWithoutTax();
}

void CAddNewItemsBatch::ShowProductImage(const QString& imageFile)
{
    if (imageFile.isEmpty()) {
        ui.labelImage->clear();
        ui.labelImage->setStyleSheet(QStringLiteral("QLabel {border-image:url(") + NO_IMAGE + QStringLiteral("); }"));
    } else if (imagesFolder.isEmpty()) {
        ui.labelImage->setStyleSheet(QStringLiteral("QLabel {border-image:url(") + imageFile + QStringLiteral("); }"));
    } else {
        const QString path = imagesFolder + QLatin1Char('/') + QFileInfo(imageFile).fileName();
        if (QFileInfo::exists(path)) {
            ui.labelImage->setStyleSheet(QStringLiteral("QLabel {border-image:url(") + path + QStringLiteral("); }"));
        } else {
            ui.labelImage->setStyleSheet(QStringLiteral("QLabel {border-image:url(); }"));
            ui.labelImage->setText(tr("NOT FOUND"));
        }
    }
}

void CAddNewItemsBatch::ShowStatus(const QString& text, int kind)
{
    ShowFlashingStatus(ui.labelStatus, parentWidget() ? parentWidget()->styleSheet() : QString(), text, kind);
}

void CAddNewItemsBatch::on_checkAutoGenerate_toggled(bool checked)
{
    // Only a new stock has the choice: a loaded one unticks the box with the edit flag already set.
    if (!editFlag)
        autoGenerateChoice = checked;
    if (checked) {
        ui.lineEditBarCode->clear();
        ui.lineEditBarCode->setEnabled(false);
    } else {
        ui.lineEditBarCode->setEnabled(true);
        if (!typedLookUp)
            ui.lineEditBarCode->setFocus();
    }
}

void CAddNewItemsBatch::on_checkExpiryDate_toggled(bool checked)
{
    ui.dateEditExpiryDate->setEnabled(checked);
    ui.dateEditExpiryDate->setVisible(checked);
    ui.lineEditExpiry->setVisible(!checked);
}

void CAddNewItemsBatch::on_groupShowMore_toggled(bool checked)
{
    ui.frame_more->setVisible(checked);
    ui.groupShowMore->setTitle(checked ? tr("Hide") : tr("Show More Options"));
}

void CAddNewItemsBatch::on_pushVendors_clicked()
{
    if (!InventoryDialogs::vendors)
        return;
    const QString current = ui.comboBoxVendors->currentText();
    QDialog* vendors = InventoryDialogs::vendors(this);
    vendors->setModal(true);
    vendors->exec();
    delete vendors;
    vendorModel->select();
    // The chosen vendor stays chosen unless it was deleted meanwhile.
    ui.comboBoxVendors->setCurrentText(current);
}

void CAddNewItemsBatch::on_CtrlB()
{
    ui.lineEditBarCode->setFocus();
    ui.lineEditBarCode->selectAll();
}

void CAddNewItemsBatch::StoreOptions()
{
    QSettings* settings = AppSettings::Instance()->settings;
    settings->setValue(QStringLiteral("anib_show_more"), ui.groupShowMore->isChecked());
    settings->setValue(QStringLiteral("anib_default_auto_generate"), ui.checkAutoGenerate->isChecked());
    settings->setValue(QStringLiteral("default_has_expiry_date"), ui.checkExpiryDate->isChecked());
    settings->setValue(QStringLiteral("anib_default_sale_price_with_tax"), ui.radioButtonSalePriceWithTax->isChecked());
}

void CAddNewItemsBatch::on_pushButtonClose_clicked()
{
    StoreOptions();
    close();
}

void CAddNewItemsBatch::ShowHelpMessage()
{
    ErrorDialog notice(
        QStringLiteral("err_msg_19"), tr("Edit Inventory"),
        QStringLiteral(
            "<p>This dialog allows to enter new stock or update existing stocks of products.</p> <p>Please select a "
            "product first by typing the product code, or name, or use the search function. Each product can have "
            "multiple stocks. Please select the stock from available stocks list to update, or select <b>'Add "
            "New'</b> for adding new stock. Each stock must be assigned a unique code or barcode. Initially the first "
            "stock is assigned the same code as of product, but that can be changed at any time. There could be "
            "multiple stocks of one product.</p><p><b>TIP: ENTER KEY SHORTCUT</b> Pressing Enter key on editable "
            "fields is same as pressing Add or Update button.</p>"),
        AppSettings::Instance()->mainWindow);
    notice.exec();
}

void CAddNewItemsBatch::UpdateLayout()
{
    const QList<QWidget*> captions = {ui.label_12,          ui.label_purchase_unit_cost, ui.label_7,
                                      ui.label_14,          ui.label_8,                  ui.labelBatchSubItems,
                                      ui.label_16,          ui.checkExpiryDate,          ui.label_batch_number,
                                      ui.label_storage_location, ui.label_9};
    int widest = 0;
    for (QWidget* caption : captions)
        widest = qMax(widest, caption->width());
    for (QWidget* caption : captions)
        caption->setMinimumWidth(widest);
}

void CAddNewItemsBatch::on_pushButtonAdd_clicked() { Save(); }
void CAddNewItemsBatch::on_pushButtonUpdate_clicked() { Save(); }
void CAddNewItemsBatch::on_editBatch_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineStorageLocation_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineEditPurchasePrice_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineEditPurchasePriceWithTax_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineEditSalePrice_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineEditSalePriceWitTax_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineEditDiscount_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineQuantity_returnPressed() { Save(); }
void CAddNewItemsBatch::on_editSubItems_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineReoderLevel_returnPressed() { Save(); }
void CAddNewItemsBatch::on_lineReoderQuantity_returnPressed() { Save(); }
