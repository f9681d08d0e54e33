// The order's line grid: adding, editing and deleting lines with their effect on the order's totals,
// and the switch of tax for the order's lines.
#include "addeditpurchaseorder.h"

#include "addeditpoitemdialog.h"
#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "listmending.h"
#include "purchaseitemsmodel.h"
#include "purchasestatus.h"
#include "purchasinglog.h"
#include "reportparameterdialog.h"
#include "reportviewer.h"

#include <QHeaderView>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>

void AddEditPurchaseOrder::BuildItemGrid()
{
    itemsModel = new PurchaseItemsModel(this);
    ReadItems();
    ui.tableView->setModel(itemsModel);
    ListMending::KeepColumns(ui.tableView);

    using C = PurchaseItemsModel;
    const QList<QPair<int, QString>> headers = {
        {C::PRODUCT_CODE, tr("Product Code")}, {C::NAME, tr("Name")},
        {C::QUANTITY, tr("Ordered Quantity")}, {C::RECEIVED_QUANTITY, tr("Total Received")},
        {C::LINE_TOTAL, tr("Line Total")},     {C::SALE_PRICE, tr("Sale Price")},
        {C::BATCH_NUMBER, tr("Batch Number")}, {C::EXPIRY_DATE, tr("Expiry Date")},
        {C::STORAGE_LOCATION, tr("Storage Location")}, {C::UNIT_NAME, tr("Unit Name")},
        {C::STOCK_ID, tr("Stock ID / Barcode")},
    };
    ListMending::SetUpColumns(ui.tableView, [this, headers] {
        for (int column : {C::LINE_ID, C::PORDER_ID, C::PRINT_UNIT_NAME})
            ui.tableView->hideColumn(column);
        for (const auto& header : headers)
            itemsModel->setHeaderData(header.first, Qt::Horizontal, header.second, Qt::EditRole);
        SetUnitPriceHeader();
        for (int column = C::SALE_PRICE; column <= C::UNIT_NAME; ++column)
            ui.tableView->hideColumn(column);
        for (int column = C::STOCK_ID; column <= C::STOCK_CODE; ++column)
            ui.tableView->hideColumn(column);
    });

    ui.tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableView->horizontalHeader()->setAutoScroll(true);
    ui.tableView->setAlternatingRowColors(true);
    ui.tableView->resizeColumnsToContents();
    ui.tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui.tableView->setTabKeyNavigation(false);

    connect(ui.tableView, &QAbstractItemView::clicked, this, &AddEditPurchaseOrder::OnItemSelected);
    connect(ui.tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &AddEditPurchaseOrder::on_RowChanged);
    connect(ui.tableView, &QAbstractItemView::doubleClicked, this, &AddEditPurchaseOrder::OnRowDoubleClicked);
}

void AddEditPurchaseOrder::ReadItems()
{
    const QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    QSqlQuery items(*db);
    if (items.exec(PurchaseItemsModel::ItemsQuery(purchaseOrderId))) {
        itemsModel->setQuery(items);
        return;
    }
    // Read again after a write while the server is away: the grid keeps the lines it shows.
    if (!ListMending::KeepsRows(itemsModel, items))
        itemsModel->setQuery(items);
    ShowStatus(tr("The order's items could not be read: %1").arg(DatabaseFailure::ReadReason(items)), 0);
}

void AddEditPurchaseOrder::SetUnitPriceHeader()
{
    itemsModel->setHeaderData(PurchaseItemsModel::UNIT_PRICE, Qt::Horizontal,
                              ui.comboBoxTaxStatus->currentIndex() == 0 ? tr("Unit Price")
                                                                        : tr("Unit Price with %1").arg(taxName),
                              Qt::EditRole);
}

void AddEditPurchaseOrder::RefreshItems()
{
    ReadItems();
    ui.tableView->show();
    ui.tableView->resizeColumnsToContents();
}

void AddEditPurchaseOrder::SelectLine(const QModelIndex& index)
{
    if (!index.isValid() || !index.model())
        return;
    ui.pushDeleteItem->setEnabled(true);
    ui.pushEditItem->setEnabled(true);
    const QString code = itemsModel->record(index.row()).value(QStringLiteral("PRODUCT_CODE")).toString();
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT IMAGE_FILE FROM tblProducts WHERE PRODUCT_CODE = :code"));
    query->bindValue(QStringLiteral(":code"), code);
    QString image;
    if (query->exec() && query->next())
        image = query->value(0).toString();
    ShowProductImage(image);
}

void AddEditPurchaseOrder::OnItemSelected(const QModelIndex& index)
{
    SelectLine(index);
}

void AddEditPurchaseOrder::on_RowChanged(const QModelIndex& current, const QModelIndex&)
{
    SelectLine(current);
}

void AddEditPurchaseOrder::OnRowDoubleClicked(const QModelIndex& index)
{
    SelectLine(index);
    on_pushEditItem_clicked();
}

void AddEditPurchaseOrder::SetTotals(double subTotal, double tax)
{
    ui.lineSubTotal->setText(Money(subTotal));
    ui.lineTax->setText(Money(tax));
    // The total is the sum of the two amounts as shown, so the three fields always agree.
    ui.lineTotal->setText(Money(Amount(ui.lineSubTotal) + Amount(ui.lineTax)));
}

void AddEditPurchaseOrder::on_pushAddItem_clicked()
{
    if (ui.comboVendors->currentText().isEmpty()) {
        ShowStatus(tr("Please select vendor for this purchase order"), 0);
        return;
    }
    // Lines need the order's row: without it they would be written to no order.
    if (purchaseOrderId.isEmpty() && !Save())
        return;

    AddEditPOItemDialog dialog(AppSettings::Instance()->mainWindow, purchaseOrderId,
                               ui.comboBoxTaxStatus->currentIndex() == 0);
    dialog.HideStockReceiving();
    dialog.resize(900, 400);
    dialog.setModal(true);
    dialog.exec();

    RefreshItems();
    SetTotals(Amount(ui.lineSubTotal) + dialog.subTotalChange, Amount(ui.lineTax) + dialog.taxChange);
    Save();
}

void AddEditPurchaseOrder::on_pushEditItem_clicked()
{
    const QModelIndex index = ui.tableView->currentIndex();
    if (index.row() < 0 || index.column() < 0 || !index.model())
        return;
    const QSqlRecord line = itemsModel->record(index.row());
    AddEditPOItemDialog dialog(AppSettings::Instance()->mainWindow, purchaseOrderId,
                               ui.comboBoxTaxStatus->currentIndex() == 0);
    dialog.SetEditMode(line);
    dialog.HideStockReceiving();
    dialog.resize(900, 400);
    if (ui.comboStatus->currentIndex() == PurchaseStatus::Closed)
        dialog.SetViewMode();
    dialog.setModal(true);
    dialog.exec();

    if (dialog.subTotalChange != 0 || dialog.taxChange != 0) {
        // The line is already written: the order's totals follow at once, so the two never disagree.
        SetTotals(Amount(ui.lineSubTotal) + dialog.subTotalChange, Amount(ui.lineTax) + dialog.taxChange);
        Stamp();
        Save();
    }
    RefreshItems();
}

void AddEditPurchaseOrder::on_pushButton_clicked()
{
    QWidget* mainWindow = AppSettings::Instance()->mainWindow;
    ReportViewer viewer(mainWindow);
    // A new order gets its number first, so that the listed items can be added to it.
    if (purchaseOrderId.isEmpty())
        StampAndSave();
    viewer.SetPurchaseOrder(purchaseOrderId.isEmpty() ? QStringLiteral("-1") : purchaseOrderId);

    ReportParameterDialog prompt(mainWindow, false);
    prompt.ui->label->setText(tr("Enter low stock value"));
    prompt.setModal(true);
    prompt.ui->lineEditValue->setInputMethodHints(Qt::ImhDigitsOnly);
    prompt.exec();
    const QString value = prompt.GetValue().trimmed();
    if (value.isEmpty())
        return; // the prompt was closed without a value
    bool ok = false;
    const int threshold = locale->toInt(value, &ok);
    if (!ok) {
        QMessageBox::warning(this, tr("Check Stock Levels"),
                             tr("Please enter a whole number, such as 5. \"%1\" is not one.").arg(value));
        return;
    }

    viewer.reportQuery = QStringLiteral(
        "SELECT p.PRODUCT_CODE as CODE, p.NAME as PRODUCT,i.QUANTITY as QUANTITY, i.PURCHASE_PRICE as 'PURCHASE PRICE', "
        "v.NAME as VENDOR, i.BATCH_NUMBER as BATCH, i.EXPIRY_DATE as EXPIRY, i.STORAGE_LOCATION as LOCATION, UNIT_NAME "
        "as UNIT, p.ID as 'PRODUCT ID'   FROM tblInventory as i, tblProducts as p , tblVendors as v  WHERE i.PRODUCT_ID "
        "= p.ID AND i.VENDOR_ID = v.ID AND i.QUANTITY < :threshold");
    viewer.reportBindings = {{QStringLiteral(":threshold"), threshold}};
    viewer.reportTitle = tr("STOCK LEVEL LESS THAN (") + value + QLatin1Char(')');
    viewer.SetHeading(viewer.reportTitle);
    viewer.showSalesSummary = false;
    viewer.setModal(true);
    viewer.SetStockMode(false);
    if (ui.comboStatus->currentIndex() == PurchaseStatus::Closed)
        viewer.findChild<QWidget*>(QStringLiteral("pushAddToPurchaseOrder"))->hide();
    viewer.exec();

    RefreshItems();
}

void AddEditPurchaseOrder::on_pushReceiveStock_clicked()
{
    const QModelIndex index = ui.tableView->currentIndex();
    if (index.row() < 0 || index.column() < 0 || !index.model()) {
        QMessageBox::information(this, tr("Receive Stock"),
                                 tr("No item selected. Please select a row or item from the table."), QMessageBox::Ok);
        return;
    }
    const QSqlRecord line = itemsModel->record(index.row());
    AddEditPOItemDialog dialog(AppSettings::Instance()->mainWindow, purchaseOrderId,
                               ui.comboBoxTaxStatus->currentIndex() == 0);
    dialog.SetEditMode(line);
    dialog.SetReceiveMode();
    dialog.vendorId = vendorId;
    dialog.setModal(true);
    dialog.exec();

    RefreshItems();
    Stamp();
    modified = true;
}

void AddEditPurchaseOrder::on_pushDeleteItem_clicked()
{
    const QModelIndex index = ui.tableView->currentIndex();
    if (!index.isValid())
        return;
    const QSqlRecord line = itemsModel->record(index.row());
    const QVariant lineId = line.value(PurchaseItemsModel::LINE_ID);
    bool idRead = false;
    const int id = lineId.toInt(&idRead);
    selectedItemId = lineId.toString();
    const QString code = line.value(PurchaseItemsModel::PRODUCT_CODE).toString();
    const QString subTotalBefore = ui.lineSubTotal->text();
    const QString taxBefore = ui.lineTax->text();
    const QString totalBefore = ui.lineTotal->text();
    const AmountTexts savedBefore = savedAmounts;
    const QString gone = tr("it is no longer part of this order.");

    // The line and the order's new totals are written together, so the stored sub-total stays the sum
    // of the stored lines.
    QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    DatabaseManager* manager = DatabaseManager::Instance();
    QString failure;
    // A blank row (its cells no longer readable) names no line: its value would read as ID 0.
    if (!idRead || lineId.isNull()) {
        failure = gone;
    } else if (!manager->BeginTransaction(db)) {
        failure = DatabaseFailure::WriteReason(*db);
    } else {
        QSqlQuery* query = manager->InventoryQuery();
        query->prepare(QStringLiteral("DELETE FROM tblPODetails WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), id);
        if (!query->exec()) {
            failure = DatabaseFailure::WriteReason(*query);
        } else if (query->numRowsAffected() < 1) {
            // Another workstation deleted the line meanwhile: lowering the totals again would take its amount
            // off twice.
            failure = gone;
        } else {
            double rate = 0;
            query->prepare(QStringLiteral("SELECT TAX_RATE FROM tblProducts WHERE PRODUCT_CODE = :code"));
            query->bindValue(QStringLiteral(":code"), code);
            if (query->exec() && query->next())
                rate = query->value(0).toDouble();
            const double lineTotal = line.value(QStringLiteral("LINE_TOTAL")).toDouble();
            // Rounded as the line dialog rounded it when the line was added.
            const double lineTax =
                taxEnabled && ui.comboBoxTaxStatus->currentIndex() == 1 ? Round(lineTotal * rate / 100) : 0;
            SetTotals(Amount(ui.lineSubTotal) - lineTotal, Amount(ui.lineTax) - lineTax);
            if (!Save())
                failure = tr("The order's totals could not be saved.");
            else if (!manager->CommitTransaction(db))
                failure = DatabaseFailure::WriteReason(*db);
        }
        if (!failure.isEmpty())
            manager->RollbackTransaction(db);
    }
    selectedItemId.clear();
    if (!failure.isEmpty()) {
        qCWarning(lcPurchasing) << "line delete failed:" << failure;
        ui.lineSubTotal->setText(subTotalBefore);
        ui.lineTax->setText(taxBefore);
        ui.lineTotal->setText(totalBefore);
        savedAmounts = savedBefore; // a save rolled back with the line
        RefreshItems();
        ShowStatus(tr("The item could not be deleted: %1").arg(failure), 0);
        return;
    }
    RefreshItems();
    ui.pushDeleteItem->setEnabled(false);
}

bool AddEditPurchaseOrder::RepriceLines(bool withTax, double* subTotal, double* tax, QString* error)
{
    QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    QSqlQuery lines(*db);
    lines.prepare(QStringLiteral("SELECT d.ID, d.UNIT_PRICE, d.QUANTITY, p.TAX_RATE FROM tblPODetails d, tblProducts p "
                                 "WHERE d.PRODUCT_ID = p.ID AND d.PORDER_ID = :id"));
    lines.bindValue(QStringLiteral(":id"), purchaseOrderId.toInt());
    if (!lines.exec()) {
        *error = DatabaseFailure::WriteReason(lines);
        return false;
    }
    const int places = decimalPlaces.toInt();
    const auto stored = [places](double value) { return QString::number(value, 'f', places).toDouble(); };
    QSqlQuery update(*db);
    update.prepare(QStringLiteral("UPDATE tblPODetails SET LINE_TOTAL = :lt, UNIT_PRICE = :up WHERE ID = :id"));
    *subTotal = 0;
    *tax = 0;
    while (lines.next()) {
        const double unitPrice = lines.value(1).toDouble();
        const int quantity = lines.value(2).toInt();
        const double rate = lines.value(3).toDouble() / 100;
        double lineTotal;
        double newUnitPrice;
        if (withTax) {
            // The stored unit price was without tax; it now carries the product's rate.
            lineTotal = stored(quantity * unitPrice);
            newUnitPrice = stored((rate + 1) * unitPrice);
            *tax += Round(lineTotal * rate);
        } else {
            newUnitPrice = stored(unitPrice / (rate + 1));
            lineTotal = stored(quantity * newUnitPrice);
        }
        *subTotal += lineTotal;
        update.bindValue(QStringLiteral(":lt"), lineTotal);
        update.bindValue(QStringLiteral(":up"), newUnitPrice);
        update.bindValue(QStringLiteral(":id"), lines.value(0).toInt());
        if (!update.exec()) {
            *error = DatabaseFailure::WriteReason(update);
            return false;
        }
    }
    return true;
}

void AddEditPurchaseOrder::on_comboBoxTaxStatus_currentIndexChanged(int index)
{
    const bool withTax = index == 1;
    ShowTaxTotals(withTax);
    if (!withTax)
        ui.lineTax->setText(QStringLiteral("0"));
    if (purchaseOrderId.isEmpty() || !itemsModel) {
        if (itemsModel)
            SetUnitPriceHeader();
        return;
    }

    // Every line and the order's totals change together, or none of them.
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    const QString subTotalBefore = ui.lineSubTotal->text();
    const QString taxBefore = ui.lineTax->text();
    const QString totalBefore = ui.lineTotal->text();
    const AmountTexts savedBefore = savedAmounts;
    QString failure;
    double subTotal = 0;
    double tax = 0;
    if (!manager->BeginTransaction(db)) {
        failure = DatabaseFailure::WriteReason(*db);
    } else {
        if (!RepriceLines(withTax, &subTotal, &tax, &failure)) {
            manager->RollbackTransaction(db);
        } else {
            SetTotals(subTotal, withTax ? tax : 0);
            Stamp();
            if (!Save()) {
                failure = ui.labelStatus->text(); // the save's own words, with the driver's reason
                manager->RollbackTransaction(db);
            } else if (!manager->CommitTransaction(db)) {
                failure = DatabaseFailure::WriteReason(*db);
                manager->RollbackTransaction(db);
            }
        }
    }
    if (!failure.isEmpty()) {
        qCWarning(lcPurchasing) << "tax switch failed:" << failure;
        ui.lineSubTotal->setText(subTotalBefore);
        ui.lineTax->setText(taxBefore);
        ui.lineTotal->setText(totalBefore);
        savedAmounts = savedBefore; // a save rolled back with the lines
        const QSignalBlocker block(ui.comboBoxTaxStatus);
        ui.comboBoxTaxStatus->setCurrentIndex(withTax ? 0 : 1);
        ShowTaxTotals(!withTax);
        ShowStatus(tr("The order's items could not be repriced: %1").arg(failure), 0);
    }
    RefreshItems();
    SetUnitPriceHeader();
    ui.tableView->resizeColumnsToContents();
}
