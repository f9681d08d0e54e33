// The item dialog's stock look-ups: the chosen stock row, its price, the stock browser and the expiry box.
#include "addeditpoitemdialog.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "purchasinglog.h"
#include "stockbrowser.h"

#include <QLocale>
#include <QMainWindow>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>

void AddEditPOItemDialog::on_comboSelectStock_currentIndexChanged(int)
{
    const QString code = ui.comboSelectStock->currentText();
    if (code.isEmpty())
        return;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT ")
                   + AppSettings::Instance()->SqlDateColumn(QStringLiteral("EXPIRY_DATE"), QStringLiteral("EXPIRY_DATE"))
                   + QStringLiteral(", BATCH_NUMBER, PURCHASE_PRICE, SALE_PRICE, STORAGE_LOCATION, QUANTITY,  DISCOUNT, "
                                    "REORDER_LEVEL, REORDER_QUANTITY FROM tblInventory   WHERE BAR_CODE = :code"));
    query->bindValue(QStringLiteral(":code"), code);
    if (!query->exec()) {
        qCWarning(lcPurchasing) << "stock row failed:" << query->lastError().text();
        return;
    }
    if (!query->next())
        return;
    const QSqlRecord row = query->record();
    const QString expiry = row.value(0).toString();
    if (expiry.isEmpty()) {
        ui.checkBoxExpiry->setChecked(false);
        ui.dateExpiry->setEnabled(false);
    } else {
        ui.checkBoxExpiry->setChecked(true);
        ui.dateExpiry->setDate(QDate::fromString(expiry, AppSettings::Instance()->DateFormat()));
    }
    ui.lineBatch->setText(row.value(1).toString());
    ui.lineSalePrice->setText(Exact(row.value(3).toDouble()));
    UpdateSalePriceWithTax();
    ui.lineStorage->setText(row.value(4).toString());
    ui.lineStockQuantity->setText(locale->toString(row.value(5).toInt()));
    ui.lineRSDiscount->setText(locale->toString(row.value(6).toDouble(), 'g', 6));
    ui.lineRSReorderLevel->setText(locale->toString(row.value(7).toInt()));
    ui.lineRSReorderQty->setText(locale->toString(row.value(8).toInt()));
}

void AddEditPOItemDialog::LoadStockRows(const QString& productCode)
{
    QSqlQuery stockRows(*DatabaseManager::Instance()->InventoryDatabase());
    stockRows.prepare(QStringLiteral("SELECT i.BAR_CODE, i.PURCHASE_PRICE FROM tblInventory as i, tblProducts as p "
                                     "WHERE i.PRODUCT_ID = p.ID AND p.PRODUCT_CODE = :code"));
    stockRows.bindValue(QStringLiteral(":code"), productCode);
    if (!stockRows.exec())
        qCWarning(lcPurchasing) << "stock rows failed:" << stockRows.lastError().text();
    stockModel->setQuery(stockRows);
}

void AddEditPOItemDialog::on_comboStockPrices_currentIndexChanged(int index)
{
    if (index < 0 || index >= stockModel->rowCount()) {
        ui.lineStockPrice->clear();
        return;
    }
    ui.lineStockPrice->setText(Exact(stockModel->record(index).value(1).toDouble()));
}

void AddEditPOItemDialog::on_pushInventorySearch_clicked()
{
    BrowseStock(AppSettings::Instance()->mainWindow, QSize(950, 600));
}

void AddEditPOItemDialog::on_pushRSSearchStock_clicked()
{
    BrowseStock(AppSettings::Instance()->mainWindow, QSize(950, 600));
}

void AddEditPOItemDialog::on_checkBoxExpiry_pressed()
{
    // Runs before the box changes: after the click the date is enabled exactly when the box is ticked.
    ui.dateExpiry->setEnabled(!ui.checkBoxExpiry->isChecked());
}
