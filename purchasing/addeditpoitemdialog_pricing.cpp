// The item dialog's price and tax arithmetic and its product look-up.
#include "addeditpoitemdialog.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "productmanagement.h"
#include "productsearchmodel.h"
#include "purchasinglog.h"
#include "searchbox.h"
#include "statuslabel.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QLineEdit>
#include <QLocale>
#include <QMainWindow>
#include <QSqlError>
#include <QSqlQuery>

int AddEditPOItemDialog::Int(const QLineEdit* field) const
{
    return locale->toInt(field->text()); // 0 when it does not parse
}

double AddEditPOItemDialog::Double(const QLineEdit* field) const
{
    return locale->toDouble(field->text());
}

QString AddEditPOItemDialog::Fixed(double value) const
{
    return locale->toString(value, 'f', decimalPlaces);
}

QString AddEditPOItemDialog::Exact(double value) const
{
    return locale->toString(value, 'f', QLocale::FloatingPointShortest);
}

double AddEditPOItemDialog::Round(double value) const
{
    return RoundByMode(roundingMode, decimalPlaces, value);
}

double AddEditPOItemDialog::ProductRate() const
{
    return Double(ui.lineTaxStatus) / 100;
}

double AddEditPOItemDialog::ItemRate() const
{
    return taxEnabled && itemTaxEnabled ? ProductRate() : 0;
}

double AddEditPOItemDialog::LineTax(double lineTotal) const
{
    // The same rounding wherever a line's tax enters the order's totals (add, update, delete).
    return taxEnabled && itemTaxEnabled ? Round(lineTotal * ProductRate()) : 0;
}

void AddEditPOItemDialog::on_lineOrderQuantity_textChanged(const QString&)
{
    ui.lineLineTotal->setText(Fixed(Int(ui.lineOrderQuantity) * Double(ui.lineUnitPrice)));
}

void AddEditPOItemDialog::on_lineUnitPrice_textChanged(const QString&)
{
    const double unitPrice = Double(ui.lineUnitPrice);
    ui.lineLineTotal->setText(Fixed(Int(ui.lineOrderQuantity) * unitPrice));
    ui.lineTaxPerUnit->setText(Fixed(Round(unitPrice * ProductRate())));
    if (ui.radioUnitPriceWithoutTax->isChecked())
        ui.lineUnitPriceWithTax->setText(Fixed(Round(unitPrice * (ItemRate() + 1))));
}

void AddEditPOItemDialog::on_lineUnitPriceWithTax_textChanged(const QString&)
{
    if (ui.radioUnitPriceWitTax->isChecked())
        ui.lineUnitPrice->setText(Fixed(Double(ui.lineUnitPriceWithTax) / (ItemRate() + 1)));
}

void AddEditPOItemDialog::on_radioUnitPriceWithoutTax_toggled(bool checked)
{
    ui.lineUnitPrice->setEnabled(checked);
    ui.lineUnitPriceWithTax->setEnabled(!checked);
    if (checked)
        on_lineUnitPrice_textChanged(ui.lineUnitPrice->text());
    else
        on_lineUnitPriceWithTax_textChanged(ui.lineUnitPriceWithTax->text());
}

void AddEditPOItemDialog::UpdateSalePriceWithTax()
{
    ui.lineEditSalePriceWithTax->setText(Fixed(Round(Double(ui.lineSalePrice) * (ProductRate() + 1))));
}

void AddEditPOItemDialog::UpdateSalePriceWithoutTax()
{
    ui.lineSalePrice->setText(
        Fixed(NetForTillPrice(roundingMode, decimalPlaces, Double(ui.lineEditSalePriceWithTax), Double(ui.lineTaxStatus))));
}

void AddEditPOItemDialog::on_lineSalePrice_textChanged(const QString&)
{
    if (ui.radioSalePriceWithoutTax->isChecked())
        UpdateSalePriceWithTax();
}

void AddEditPOItemDialog::on_lineEditSalePriceWithTax_textChanged(const QString&)
{
    if (ui.radioSalePriceWithTax->isChecked())
        UpdateSalePriceWithoutTax();
}

void AddEditPOItemDialog::on_radioSalePriceWithoutTax_toggled(bool checked)
{
    ui.lineSalePrice->setEnabled(checked);
    ui.lineEditSalePriceWithTax->setEnabled(!checked);
    if (checked && ui.radioSalePriceWithoutTax->isChecked())
        UpdateSalePriceWithTax();
    else if (!checked && ui.radioSalePriceWithTax->isChecked())
        UpdateSalePriceWithoutTax();
}

void AddEditPOItemDialog::RecomputeDerivedPrices()
{
    // A new rate changes every field derived from a typed price: the one the radio does not drive,
    // the tax per unit, the sale-price pair and the line total.
    if (ui.radioUnitPriceWitTax->isChecked() && !ui.lineUnitPriceWithTax->text().isEmpty())
        on_lineUnitPriceWithTax_textChanged(ui.lineUnitPriceWithTax->text());
    else if (!ui.lineUnitPrice->text().isEmpty())
        on_lineUnitPrice_textChanged(ui.lineUnitPrice->text());
    if (ui.radioSalePriceWithTax->isChecked()) {
        if (!ui.lineEditSalePriceWithTax->text().isEmpty())
            UpdateSalePriceWithoutTax();
    } else if (!ui.lineSalePrice->text().isEmpty()) {
        UpdateSalePriceWithTax();
    }
}

void AddEditPOItemDialog::SetUpProductSearch()
{
    productModel = new ProductSearchModel(this);
    productModel->setQuery(QStringLiteral("SELECT PRODUCT_CODE, CONCAT(NAME , ' [CODE:' , PRODUCT_CODE , ']') FROM "
                                          "tblProducts "),
                           *DatabaseManager::Instance()->InventoryDatabase());
    if (productModel->lastError().isValid())
        qCWarning(lcPurchasing) << "product list failed:" << productModel->lastError().text();
    completer = NewProductCompleter(productModel, 1, this);
    ui.comboBoxProducts->setEditable(true);
    ui.comboBoxProducts->setCompleter(completer);
    ui.comboBoxProducts->lineEdit()->setPlaceholderText(tr("Search product and press Enter"));
}

void AddEditPOItemDialog::on_comboBoxProducts_activated(int)
{
    completer->setCompletionPrefix(ui.comboBoxProducts->currentText());
    const QModelIndex current = completer->completionModel()->index(completer->currentRow(), 0);
    const QString code = completer->completionModel()->data(current).toString();
    ui.lineProductCode->setText(code);
    ui.comboBoxProducts->clearEditText();
    ui.comboBoxProducts->setFocus();
}

void AddEditPOItemDialog::on_pushSelect_clicked()
{
    on_comboBoxProducts_activated(0);
}

void AddEditPOItemDialog::on_pushSearchItem_clicked()
{
    const QString code = ProductManagement::PickProductCode(AppSettings::Instance()->mainWindow, QSize(900, 600));
    ui.lineProductCode->setText(code);
}

void AddEditPOItemDialog::on_lineProductCode_textChanged(const QString& code)
{
    if (code.isEmpty())
        return;
    ClearStatus(ui.labelStatus);
    ui.lineAvailableStock->clear();

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT NAME, TAX_RATE, UNIT_NAME, PRINT_UNIT_NAME FROM  tblProducts WHERE "
                                  "PRODUCT_CODE = :code"));
    query->bindValue(QStringLiteral(":code"), code);
    if (!query->exec()) {
        qCWarning(lcPurchasing) << "product look-up failed:" << query->lastError().text();
        return;
    }
    if (!query->next()) {
        ShowStatus(tr("No product found with code %1").arg(code), 0);
        // A price typed before the code stays: the code may still be on its way, key by key.
        ui.lineItemName->clear();
        ui.lineAvailableStock->clear();
        ui.labelQuantityUnit->clear();
        return;
    }
    ui.labelQuantityUnit->setText(query->value(2).toString());
    {
        // The derived prices are recomputed once, below, with the new rate.
        const QSignalBlocker block(ui.lineTaxStatus);
        ui.lineTaxStatus->setText(locale->toString(static_cast<double>(query->value(1).toFloat()), 'f',
                                                   taxDecimalPlaces.toInt()));
    }
    if (!taxEnabled)
        ui.lineTaxStatus->setText(QStringLiteral("0"));
    ui.lineItemName->setText(query->value(0).toString());
    ui.lineItemName->setCursorPosition(0);
    ui.lineRSItemName->setText(query->value(0).toString());

    query->prepare(QStringLiteral("SELECT SUM(QUANTITY) AS STOCK FROM tblInventory as i, tblProducts as p WHERE "
                                  "i.PRODUCT_ID = p.ID AND PRODUCT_CODE = :code"));
    query->bindValue(QStringLiteral(":code"), code);
    if (!query->exec()) {
        qCWarning(lcPurchasing) << "Statement: " << query->lastQuery() << query->lastError().text();
        ui.lineAvailableStock->setText(QStringLiteral("0"));
    } else {
        const int stock = query->next() ? query->value(0).toInt() : 0;
        ui.lineAvailableStock->setText(QString::number(stock));
    }

    LoadStockRows(code);
    ui.comboStockPrices->setModel(stockModel);
    ui.comboStockPrices->setModelColumn(0);
    ui.comboSelectStock->setModel(stockModel);
    ui.comboSelectStock->setModelColumn(0);
    if (stockModel->rowCount() > 0) {
        ui.comboStockPrices->setCurrentIndex(0);
        ui.comboSelectStock->setCurrentIndex(0);
    }
    RecomputeDerivedPrices();
}
