#include "addeditpoitemdialog.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "purchaseitemsmodel.h"
#include "purchasinglog.h"
#include "searchbox.h"
#include "statuslabel.h"

#include <QCoreApplication>
#include <QLocale>
#include <QScroller>
#include <QSettings>
#include <QShortcut>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>

AddEditPOItemDialog::AddEditPOItemDialog(QWidget* parent, QString orderId, bool itemTaxDisabled)
    : VorantelDialog(parent)
    , purchaseOrderId(std::move(orderId))
{
    ui.setupUi(this);
    // Its own messages take one line; a second would bring a scroll bar that narrows and shifts the fields.
    KeepStatusRoom(ui.labelStatus, 1);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    ui.pushUpdate->hide();
    stockModel = new QSqlQueryModel(this);
    locale = AppSettings::Instance()->locale;

    AppSettings* appSettings = AppSettings::Instance();
    ui.dateExpiry->setDisplayFormat(appSettings->DateFormat());
    ui.dateExpiry->setDate(QDate::currentDate());

    QSettings* settings = appSettings->settings;
    roundingMode = ReadRoundingMode(*settings);
    decimalPlaces = settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt();
    taxDecimalPlaces = settings->value(QStringLiteral("tax_decimal_places"), 3).toString();
    itemTaxEnabled = !itemTaxDisabled;
    taxEnabled = settings->value(QStringLiteral("enable_tax"), true).toBool();

    if (itemTaxEnabled) {
        const bool withTax = settings->value(QStringLiteral("apid_default_unit_price_with_tax"), true).toBool();
        ui.radioUnitPriceWitTax->setChecked(withTax);
        if (withTax)
            ui.lineUnitPrice->setEnabled(false);
        else
            ui.lineUnitPriceWithTax->setEnabled(false);
    } else {
        ui.lineUnitPriceWithTax->setEnabled(false);
    }
    const bool saleWithTax =
        taxEnabled ? settings->value(QStringLiteral("apid_default_sale_price_with_tax"), true).toBool() : false;
    ui.radioSalePriceWithTax->setChecked(saleWithTax);
    if (saleWithTax)
        ui.lineSalePrice->setEnabled(false);
    else
        ui.lineEditSalePriceWithTax->setEnabled(false);

    const QString taxName = settings->value(QStringLiteral("SALES_TAX_NAME"), QStringLiteral("Sales Tax")).toString();
    ui.radioSalePriceWithoutTax->setText(tr("Without %1").arg(taxName));
    ui.radioUnitPriceWithoutTax->setText(tr("Without %1").arg(taxName));
    ui.radioSalePriceWithTax->setText(tr("With %1").arg(taxName));
    ui.radioUnitPriceWitTax->setText(tr("With %1").arg(taxName));
    ui.labelTaxPerUnit->setText(tr("%1 Per Unit").arg(taxName));
    ui.labelTaxRate->setText(tr("%1 Rate").arg(taxName));

    if (!taxEnabled) {
        for (QWidget* widget : {static_cast<QWidget*>(ui.radioSalePriceWithTax),
                                static_cast<QWidget*>(ui.radioSalePriceWithoutTax),
                                static_cast<QWidget*>(ui.lineEditSalePriceWithTax), static_cast<QWidget*>(ui.labelTaxPerUnit),
                                static_cast<QWidget*>(ui.labelTaxRate), static_cast<QWidget*>(ui.lineTaxPerUnit),
                                static_cast<QWidget*>(ui.lineTaxStatus)})
            widget->hide();
    }
    if (!itemTaxEnabled) {
        ui.radioUnitPriceWithoutTax->hide();
        ui.radioUnitPriceWitTax->hide();
        ui.lineUnitPriceWithTax->hide();
    }

    SetUpProductSearch();
    ui.pushSelect->hide();
    ui.comboBoxProducts->setStyleSheet(GetSearchBoxStyleSheet());
    resize(900, 550);

    ui.lineProductCode->clear();
    ui.checkBoxExpiry->setChecked(true);
    ui.pushUpdateStock->hide();
    setWindowTitle(tr("Add Purchase Order Item"));

    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_B), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &AddEditPOItemDialog::on_CtrlB);
}

AddEditPOItemDialog::~AddEditPOItemDialog() = default;

void AddEditPOItemDialog::SetEditMode(const QSqlRecord& line)
{
    mode = EditMode;
    ui.pushButton->hide();
    ui.pushUpdate->show();
    setWindowTitle(tr("Update Purchase Order Item"));

    lineId = line.value(PurchaseItemsModel::LINE_ID).toString();
    ui.lineProductCode->setText(line.value(PurchaseItemsModel::PRODUCT_CODE).toString());
    ui.lineRSItemCode->setText(line.value(PurchaseItemsModel::PRODUCT_CODE).toString());
    const int quantity = line.value(PurchaseItemsModel::QUANTITY).toInt();
    ui.lineOrderQuantity->setText(locale->toString(quantity));
    ui.lineRSOrderedQty->setText(locale->toString(quantity));
    if (!taxEnabled)
        ui.lineTaxStatus->setText(QStringLiteral("0"));

    // The stored figures are shown as they are, not derived again from rounded texts: a line opened
    // and updated unchanged writes back what it holds.
    const double unitPrice = line.value(PurchaseItemsModel::UNIT_PRICE).toDouble();
    const double lineTotal = line.value(PurchaseItemsModel::LINE_TOTAL).toDouble();
    const double netUnitPrice = quantity != 0 ? lineTotal / quantity : unitPrice / (1 + ItemRate());
    {
        const QSignalBlocker blockWithTax(ui.lineUnitPriceWithTax);
        const QSignalBlocker blockNet(ui.lineUnitPrice);
        const QSignalBlocker blockTotal(ui.lineLineTotal);
        ui.lineUnitPriceWithTax->setText(Exact(unitPrice));
        ui.lineUnitPrice->setText(Exact(netUnitPrice));
        ui.lineLineTotal->setText(Fixed(lineTotal));
        ui.lineTaxPerUnit->setText(Fixed(Round(netUnitPrice * ProductRate())));
    }

    const double salePrice = line.value(QStringLiteral("SALE_PRICE")).toDouble();
    ui.lineSalePrice->setText(Exact(salePrice));
    {
        const QSignalBlocker block(ui.lineEditSalePriceWithTax);
        ui.lineEditSalePriceWithTax->setText(Fixed(Round(salePrice * (1 + ProductRate()))));
    }
    ui.lineStorage->setText(line.value(QStringLiteral("STORAGE_LOCATION")).toString());
    ui.lineBatch->setText(line.value(QStringLiteral("BATCH_NUMBER")).toString());

    const QString stockId = line.value(QStringLiteral("STOCK_ID")).toString();
    if (stockId != QLatin1String("-1")) {
        ui.checkAddToExistingStock->setChecked(true);
        ui.comboSelectStock->setCurrentText(stockId);
        SetNewStockFields(false);
    } else {
        ui.checkAddToExistingStock->setChecked(false);
        ui.comboSelectStock->setCurrentIndex(-1);
        SetNewStockFields(true);
        ui.lineRSNewStockCode->setEnabled(true);
    }

    const QString expiry = line.value(PurchaseItemsModel::EXPIRY_DATE).toString();
    if (expiry.isEmpty()) {
        ui.checkBoxExpiry->setChecked(false);
        ui.dateExpiry->setEnabled(false);
    } else {
        ui.checkBoxExpiry->setChecked(true);
        ui.dateExpiry->setEnabled(true);
        ui.dateExpiry->setDate(QDate::fromString(expiry, AppSettings::Instance()->DateFormat()));
    }

    ui.lineRSDiscount->setText(locale->toString(line.value(QStringLiteral("DISCOUNT")).toDouble(), 'g', 6));
    ui.lineRSReorderLevel->setText(locale->toString(line.value(QStringLiteral("REORDER_LEVEL")).toInt()));
    ui.lineRSReorderQty->setText(locale->toString(line.value(QStringLiteral("REORDER_QUANTITY")).toInt()));
    ui.lineRSTotalReceived->setText(locale->toString(line.value(QStringLiteral("RECEIVED_QUANTITY")).toInt()));
    const QString stockCode = line.value(QStringLiteral("STOCK_CODE")).toString();
    if (!stockCode.isEmpty()) {
        ui.lineRSNewStockCode->setText(stockCode);
        ui.checkAutoGenerateNewStockCode->setChecked(false);
    }

    loadedLineTotal = lineTotal;
    loadedLineTax = LineTax(lineTotal);
}

void AddEditPOItemDialog::SetViewMode()
{
    mode = ViewMode;
    ui.pushUpdate->hide();
    setWindowTitle(tr("View Purchase Order Item"));
}

void AddEditPOItemDialog::ShowStatus(const QString& message, int kind)
{
    ShowFlashingStatus(ui.labelStatus, parentWidget() ? parentWidget()->styleSheet() : QString(), message, kind);
}

bool AddEditPOItemDialog::ValidateInput()
{
    if (ui.lineItemName->text().isEmpty()) {
        ShowStatus(tr("Please enter valid product code"), 0);
        return false;
    }
    bool ok = false;
    locale->toDouble(ui.lineUnitPrice->text(), &ok);
    if (!ok) {
        ShowStatus(tr("Please enter valid unit price of product item"), 0);
        ui.lineUnitPrice->setFocus();
        return false;
    }
    locale->toInt(ui.lineOrderQuantity->text(), &ok);
    if (!ok) {
        ShowStatus(tr("Please enter valid order quantity"), 0);
        return false;
    }
    return true;
}

bool AddEditPOItemDialog::WriteLine(bool update)
{
    const QString code = ui.lineProductCode->text();
    if (code.isEmpty()) {
        ShowStatus(tr("Please provide valid product code."), 0);
        ui.lineProductCode->setFocus();
        return false;
    }
    // An update is checked like an add: "2.5" must not be stored as 0.
    if (!ValidateInput())
        return false;

    QString stockId = QStringLiteral("-1");
    if (ui.checkAddToExistingStock->isChecked()) {
        stockId = ui.comboSelectStock->currentText();
        if (stockId.isEmpty()) {
            ShowStatus(tr("Please select stock or uncheck the box captioned 'Add to existing stock'"), 0);
            return false;
        }
    }

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT ID FROM tblProducts WHERE PRODUCT_CODE = :code"));
    query->bindValue(QStringLiteral(":code"), code);
    int productId = 0;
    if (query->exec() && query->next())
        productId = query->value(0).toInt();

    if (update) {
        query->prepare(QStringLiteral("UPDATE tblPODetails SET PRODUCT_ID = :p_id, QUANTITY = :q,  UNIT_PRICE = :up, "
                                      "LINE_TOTAL = :lt,  SALE_PRICE = :s, BATCH_NUMBER = :b, EXPIRY_DATE = :e, "
                                      "STORAGE_LOCATION = :sl, STOCK_ID = :sid  WHERE ID = :id"));
        query->bindValue(QStringLiteral(":p_id"), productId);
        query->bindValue(QStringLiteral(":up"), Double(ui.lineUnitPriceWithTax));
        query->bindValue(QStringLiteral(":lt"), Double(ui.lineLineTotal));
        query->bindValue(QStringLiteral(":id"), lineId.toInt());
    } else {
        query->prepare(QStringLiteral("INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL,  "
                                      "SALE_PRICE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, STOCK_ID) VALUES (:p, "
                                      ":pr_id, :q, :u, :l, :s, :b, :e, :sl, :sid)"));
        query->bindValue(QStringLiteral(":p"), purchaseOrderId.toInt());
        query->bindValue(QStringLiteral(":pr_id"), productId);
        query->bindValue(QStringLiteral(":u"), Double(ui.lineUnitPriceWithTax));
        query->bindValue(QStringLiteral(":l"), Double(ui.lineLineTotal));
    }
    query->bindValue(QStringLiteral(":q"), Int(ui.lineOrderQuantity));
    query->bindValue(QStringLiteral(":s"), Double(ui.lineSalePrice));
    query->bindValue(QStringLiteral(":b"), ui.lineBatch->text());
    query->bindValue(QStringLiteral(":e"), ExpiryValue());
    query->bindValue(QStringLiteral(":sl"), ui.lineStorage->text());
    query->bindValue(QStringLiteral(":sid"), stockId);
    if (!query->exec()) {
        qCWarning(lcPurchasing) << "Error: " << query->lastError().text();
        ShowStatus(update ? tr("Error occurred while updating purchase item.")
                          : tr("Error occurred while adding purchase item."),
                   0);
        return false;
    }
    return true;
}

void AddEditPOItemDialog::on_pushButton_clicked()
{
    if (!WriteLine(false))
        return;
    ShowStatus(tr("Item added to purchase order successfully."), 1);
    const double lineTotal = Double(ui.lineLineTotal);
    subTotalChange += lineTotal;
    taxChange += LineTax(lineTotal);

    for (QLineEdit* field : {ui.lineProductCode, ui.lineItemName, ui.lineLineTotal, ui.lineOrderQuantity,
                             ui.lineAvailableStock, ui.lineTaxStatus, ui.lineSalePrice, ui.lineUnitPrice,
                             ui.lineUnitPriceWithTax, ui.lineBatch, ui.lineStorage})
        field->clear();
    ui.labelQuantityUnit->clear();
    ui.dateExpiry->setDate(QDate::currentDate());
    StoreOptions();
}

void AddEditPOItemDialog::on_pushUpdate_clicked()
{
    if (!WriteLine(true))
        return;
    ShowStatus(tr("Purchase item updated successfully."), 1);
    const double lineTotal = Double(ui.lineLineTotal);
    subTotalChange = lineTotal - loadedLineTotal;
    taxChange = LineTax(lineTotal) - loadedLineTax;
    StoreOptions();
}

void AddEditPOItemDialog::StoreOptions()
{
    QSettings* settings = AppSettings::Instance()->settings;
    settings->setValue(QStringLiteral("apid_default_unit_price_with_tax"), ui.radioUnitPriceWitTax->isChecked());
    settings->setValue(QStringLiteral("apid_default_sale_price_with_tax"), ui.radioSalePriceWithTax->isChecked());
}

void AddEditPOItemDialog::SaveAction()
{
    if (mode == AddMode)
        on_pushButton_clicked();
    else if (mode == EditMode)
        on_pushUpdate_clicked();
}

void AddEditPOItemDialog::on_lineUnitPriceWithTax_returnPressed()
{
    SaveAction();
}

void AddEditPOItemDialog::on_lineUnitPrice_returnPressed()
{
    SaveAction();
}

void AddEditPOItemDialog::on_lineOrderQuantity_returnPressed()
{
    SaveAction();
}

void AddEditPOItemDialog::on_pushClose_clicked()
{
    close();
}

void AddEditPOItemDialog::on_CtrlB()
{
    if (mode != ReceiveMode) {
        ui.lineProductCode->setFocus();
        ui.lineProductCode->selectAll();
    } else if (!ui.checkAutoGenerateNewStockCode->isChecked()) {
        ui.lineRSNewStockCode->setFocus();
        ui.lineRSNewStockCode->selectAll();
    }
}

void AddEditPOItemDialog::SetNewStockFields(bool newStock)
{
    ui.checkCreateNewStock->setChecked(newStock);
    ui.checkAutoGenerateNewStockCode->setChecked(newStock);
    ui.checkAutoGenerateNewStockCode->setEnabled(newStock);
    // Closed either way: the code is generated, or the stock row exists.
    ui.lineRSNewStockCode->clear();
    ui.lineRSNewStockCode->setEnabled(false);
    ui.lineRSDiscount->setEnabled(newStock);
    ui.lineRSReorderLevel->setEnabled(newStock);
    ui.lineRSReorderQty->setEnabled(newStock);
}

QVariant AddEditPOItemDialog::ExpiryValue() const
{
    return ui.checkBoxExpiry->isChecked() ? QVariant(ui.dateExpiry->date().toString(QStringLiteral("yyyy-MM-dd")))
                                          : QVariant(QVariant::Date);
}

void AddEditPOItemDialog::on_checkCreateNewStock_toggled(bool checked)
{
    ui.checkAddToExistingStock->setChecked(!checked);
}

void AddEditPOItemDialog::on_checkAutoGenerateNewStockCode_toggled(bool checked)
{
    if (checked) {
        ui.lineRSNewStockCode->clear();
        ui.lineRSNewStockCode->setEnabled(false);
    } else {
        ui.lineRSNewStockCode->setEnabled(true);
    }
}

void AddEditPOItemDialog::on_checkAddToExistingStock_toggled(bool)
{
    if (ui.checkAddToExistingStock->isChecked()) {
        ui.comboSelectStock->setEnabled(true);
        ui.lineSalePrice->setText(QStringLiteral("0"));
        ui.lineEditSalePriceWithTax->setText(QStringLiteral("0"));
        on_comboSelectStock_currentIndexChanged(ui.comboSelectStock->currentIndex());
        for (QWidget* widget : {static_cast<QWidget*>(ui.checkBoxExpiry), static_cast<QWidget*>(ui.dateExpiry),
                                static_cast<QWidget*>(ui.lineBatch), static_cast<QWidget*>(ui.lineSalePrice),
                                static_cast<QWidget*>(ui.lineEditSalePriceWithTax), static_cast<QWidget*>(ui.lineStorage),
                                static_cast<QWidget*>(ui.radioSalePriceWithoutTax),
                                static_cast<QWidget*>(ui.radioSalePriceWithTax)})
            widget->setEnabled(false);
        SetNewStockFields(false);
    } else {
        ui.comboSelectStock->setEnabled(false);
        ui.comboSelectStock->setCurrentIndex(-1);
        for (QWidget* widget : {static_cast<QWidget*>(ui.dateExpiry), static_cast<QWidget*>(ui.lineBatch),
                                static_cast<QWidget*>(ui.checkBoxExpiry), static_cast<QWidget*>(ui.radioSalePriceWithTax),
                                static_cast<QWidget*>(ui.radioSalePriceWithoutTax), static_cast<QWidget*>(ui.lineStorage)})
            widget->setEnabled(true);
        ui.lineEditSalePriceWithTax->setText(QStringLiteral("0"));
        ui.lineEditSalePriceWithTax->setEnabled(true);
        for (QLineEdit* field : {ui.lineSalePrice, ui.lineRSReorderLevel, ui.lineRSReorderQty, ui.lineRSDiscount})
            field->setText(QStringLiteral("0"));
        ui.radioSalePriceWithTax->setChecked(true);
        ui.lineBatch->clear();
        ui.lineStorage->clear();
        ui.lineStockQuantity->clear();
        SetNewStockFields(true);
    }
}
