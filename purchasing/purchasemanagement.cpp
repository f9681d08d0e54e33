#include "purchasemanagement.h"

#include "addeditpurchaseorder.h"
#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "listmending.h"
#include "managementpage.h"
#include "purchasemodel.h"
#include "purchasestatus.h"
#include "purchasinglog.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"

#include <QBrush>
#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSet>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

// The search combos list "NONE" first, then the codes in order.
const char* const NONE_SHEET = "QComboBox { background-color: white; color:black }";

} // namespace

PurchaseManagement::PurchaseManagement(QWidget* parent)
    : QScrollArea(parent)
    , reads(this, tr("Manage Purchase"))
{
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewItems->viewport(), QScroller::LeftMouseButtonGesture);

    AppSettings* settings = AppSettings::Instance();
    baseQuery = QStringLiteral("SELECT po.ID, v.NAME as VENDOR, po.STATUS, ")
        + settings->SqlDateColumn(QStringLiteral("po.SENT_DATE"), tr("Sent Date")) + QStringLiteral(", ")
        + settings->SqlDateColumn(QStringLiteral("po.DELIVERY_DATE"), tr("Delivery Date"))
        + QStringLiteral(", po.LAST_MODIFIED ")
        + QStringLiteral(" , po.SUB_TOTAL, po.SALES_TAX, po.TOTAL, po.NOTES, po.DISABLE_TAX, po.SHIP_TO_COMPANY_ADDRESS, "
                         "po.SHIPPING_NAME,  po.SHIPPING_ADDRESS, po.SHIPPING_CONTACT, po.SHIP_VIA, po.PAYMENT_STATUS, "
                         "po.PAID_AMOUNT FROM tblPOrders as po, tblVendors as v WHERE po.VENDOR_ID = v.ID");

    model = new PurchaseModel(this);
    currentQuery = baseQuery;
    RunCurrentQuery();
    proxy = new SortingProxyModel(this);
    proxy->setDynamicSortFilter(true);
    proxy->setSourceModel(model);
    ui.tableViewItems->setModel(proxy);
    ListMending::KeepColumns(ui.tableViewItems);
    const QString taxName = settings->settings->value(QStringLiteral("SALES_TAX_NAME"), QStringLiteral("Tax")).toString();
    const QList<QPair<int, QString>> headers = {
        {PurchaseModel::ID, tr("ID")},
        {PurchaseModel::VENDOR, tr("Vendor")},
        {PurchaseModel::STATUS, tr("PO Status")},
        {PurchaseModel::SENT_DATE, tr("Sent Date")},
        {PurchaseModel::DELIVERY_DATE, tr("Delivery Date")},
        {PurchaseModel::LAST_MODIFIED, tr("Last Modified Time")},
        {PurchaseModel::SUB_TOTAL, tr("Sub Total")},
        {PurchaseModel::SALES_TAX, tr("%1").arg(taxName)},
        {PurchaseModel::TOTAL, tr("Total")},
        {PurchaseModel::NOTES, tr("Notes")},
        {PurchaseModel::PAYMENT_STATUS, tr("Payment Status")},
        {PurchaseModel::PAID_AMOUNT, tr("Paid Amount")},
    };
    ListMending::SetUpColumns(ui.tableViewItems, [this, headers] {
        for (int column = 10; column <= 15; ++column)
            ui.tableViewItems->hideColumn(column);
        for (const auto& header : headers)
            model->setHeaderData(header.first, Qt::Horizontal, header.second, Qt::EditRole);
        ui.tableViewItems->horizontalHeader()->moveSection(16, 1);
        ui.tableViewItems->horizontalHeader()->moveSection(17, 9);
    });
    ui.tableViewItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableViewItems->horizontalHeader()->setStretchLastSection(true);
    ui.tableViewItems->setAlternatingRowColors(true);
    connect(ui.tableViewItems, &QAbstractItemView::doubleClicked, this, &PurchaseManagement::OnRowDoubleClicked);
    connect(ui.tableViewItems->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &PurchaseManagement::OnItemSeleted);

    const QString dateFormat = settings->DateFormat();
    for (QDateEdit* edit : {ui.dateSent, ui.dateDelivery}) {
        edit->setDate(QDate::currentDate());
        edit->setDisplayFormat(dateFormat);
    }

    const auto addPlain = [](QComboBox* combo) { combo->addItem(tr("NONE")); };
    addPlain(ui.comboStatus);
    PurchaseStatus::AddStatusItems(ui.comboStatus);
    addPlain(ui.combo_payment_status);
    PurchaseStatus::AddPaymentItems(ui.combo_payment_status);

    SetUpListSorting(ui.tableViewItems, ui.checkEnableSorting, QStringLiteral("tblPOrders"), PurchaseModel::ID);
    // The base query has just run: showing it again would only repeat a failure's message. Sized once the sorting
    // is set, as every later read sizes them: with room for the sort arrow.
    ShowTable();
    ui.labelStatus->setStyleSheet(QStringLiteral("QLabel { font-size: 20px; }"));
    ui.editName->setFocus();
}

PurchaseManagement::~PurchaseManagement() = default;

void PurchaseManagement::RunCurrentQuery(bool afterWrite)
{
    QSqlQuery query(*DatabaseManager::Instance()->InventoryDatabase());
    query.prepare(currentQuery);
    for (const QVariant& value : qAsConst(currentValues))
        query.addBindValue(value);
    if (!query.exec()) {
        if (afterWrite && ListMending::KeepsRows(model, query))
            return;
        // Empty, keeping the page's column titles (clear() would drop them).
        model->setQuery(query);
        reads.Check(false, tr("The purchase orders could not be read from the database:\n%1"), query.driver(),
                    query.lastError());
        return;
    }
    reads.ReadSucceeded();
    model->setQuery(query);
}

void PurchaseManagement::ShowTable()
{
    ui.tableViewItems->show();
    ui.tableViewItems->resizeColumnsToContents();
}

void PurchaseManagement::on_buttonSearch_clicked()
{
    QStringList conditions;
    QVariantList values;
    if (!ui.editName->text().isEmpty()) {
        conditions << QStringLiteral(" v.NAME LIKE ? ");
        values << SqlFilter::ContainsPattern(ui.editName->text());
    }
    if (ui.comboStatus->currentText() != tr("NONE")) {
        conditions << QStringLiteral(" po.STATUS = ? ");
        values << ui.comboStatus->currentIndex() - 1;
    }
    if (ui.combo_payment_status->currentText() != tr("NONE")) {
        conditions << QStringLiteral(" po.PAYMENT_STATUS = ? ");
        values << ui.combo_payment_status->currentIndex() - 1;
    }
    if (ui.checkDelivery->isChecked()) {
        conditions << QStringLiteral(" date(po.DELIVERY_DATE) = date(?)");
        values << ui.dateDelivery->date().toString(QStringLiteral("yyyy-MM-dd"));
    }
    if (ui.checkSent->isChecked()) {
        conditions << QStringLiteral(" date(po.SENT_DATE) = date(?)");
        values << ui.dateSent->date().toString(QStringLiteral("yyyy-MM-dd"));
    }
    currentQuery = baseQuery;
    for (const QString& condition : qAsConst(conditions))
        currentQuery += QStringLiteral(" AND ") + condition;
    currentValues = values;
    RunCurrentQuery();
    ShowTable();
}

void PurchaseManagement::on_editName_returnPressed()
{
    on_buttonSearch_clicked();
}

void PurchaseManagement::on_buttonShowAll_clicked()
{
    currentQuery = baseQuery;
    currentValues.clear();
    RunCurrentQuery();
    ShowTable();
}

void PurchaseManagement::on_buttonAddNew_clicked()
{
    {
        AddEditPurchaseOrder editor(AppSettings::Instance()->mainWindow, nullptr);
        editor.setModal(true);
        editor.exec();
    }
    RunCurrentQuery();
    ShowTable();
}

void PurchaseManagement::on_buttonEdit_clicked()
{
    const QModelIndex index = proxy->mapToSource(ui.tableViewItems->currentIndex());
    if (index.isValid()) {
        QSqlRecord record = model->record(index.row());
        {
            AddEditPurchaseOrder editor(AppSettings::Instance()->mainWindow, &record);
            editor.setModal(true);
            editor.exec();
        }
        RunCurrentQuery(true);
    }
    ShowTable();
}

void PurchaseManagement::OnRowDoubleClicked(const QModelIndex&)
{
    on_buttonEdit_clicked();
}

void PurchaseManagement::on_buttonDelete_clicked()
{
    // Rows in the order they were selected, each once.
    QModelIndexList selected;
    QSet<int> seen;
    const QModelIndexList indexes = ui.tableViewItems->selectionModel()->selectedIndexes();
    for (const QModelIndex& index : indexes) {
        if (!seen.contains(index.row())) {
            seen.insert(index.row());
            selected << index.siblingAtColumn(0);
        }
    }
    if (selected.isEmpty()) {
        ShowTable();
        return;
    }
    const auto answer = QMessageBox::question(
        this, tr("Delete Purchase Orders"),
        tr("Do you really want to delete %1 selected purchase order(s)?").arg(selected.size()),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes) {
        ShowTable();
        return;
    }
    QList<int> ids;
    for (const QModelIndex& index : selected)
        ids << model->record(proxy->mapToSource(index).row()).value(0).toInt();

    // Each order goes with its lines or not at all; one failure keeps every selected order.
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    QString failure;
    if (!manager->BeginTransaction(db)) {
        failure = DatabaseFailure::WriteReason(*db);
    } else {
        QSqlQuery* query = manager->InventoryQuery();
        for (int id : qAsConst(ids)) {
            query->prepare(QStringLiteral("DELETE FROM tblPODetails WHERE PORDER_ID = :id"));
            query->bindValue(QStringLiteral(":id"), id);
            if (query->exec()) {
                query->prepare(QStringLiteral("DELETE FROM tblPOrders WHERE ID = :id"));
                query->bindValue(QStringLiteral(":id"), id);
            }
            if (!query->exec()) {
                failure = DatabaseFailure::WriteReason(*query);
                break;
            }
        }
        if (failure.isEmpty() && !manager->CommitTransaction(db))
            failure = DatabaseFailure::WriteReason(*db);
        if (!failure.isEmpty())
            manager->RollbackTransaction(db);
    }
    if (!failure.isEmpty()) {
        qCWarning(lcPurchasing) << "purchase order delete failed:" << failure;
        QMessageBox::warning(this, tr("Delete Purchase Orders"),
                             tr("The purchase orders could not be deleted:\n%1").arg(failure));
    }
    RunCurrentQuery(true);
    ShowTable();
}

void PurchaseManagement::OnItemSeleted()
{
    ui.buttonEdit->setEnabled(true);
    ui.buttonDelete->setEnabled(true);
}

void PurchaseManagement::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Purchase_Orders"), ui.tableViewItems, this);
}

void PurchaseManagement::on_pushPrint_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("PURCHASE ORDERS REPORT"), ui.tableViewItems, true, false);
}

void PurchaseManagement::on_pushSaveAsPDF_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("PURCHASE ORDERS REPORT"), ui.tableViewItems, true, true);
}

void PurchaseManagement::on_checkSent_toggled(bool checked)
{
    ui.dateSent->setEnabled(checked);
}

void PurchaseManagement::on_checkDelivery_toggled(bool checked)
{
    ui.dateDelivery->setEnabled(checked);
}

void PurchaseManagement::on_group_search_toggled(bool checked)
{
    ui.frame_search->setVisible(checked);
}

void PurchaseManagement::on_checkEnableSorting_toggled(bool checked)
{
    SetListSorting(ui.tableViewItems, PurchaseModel::ID, checked);
}

void PurchaseManagement::on_comboStatus_currentIndexChanged(int index)
{
    const QString sheet = index == 0 ? QLatin1String(NONE_SHEET) : PurchaseStatus::StatusStyleSheet(index - 1);
    if (!sheet.isEmpty())
        ui.comboStatus->setStyleSheet(sheet);
}

void PurchaseManagement::on_combo_payment_status_currentIndexChanged(int index)
{
    const QString sheet = index == 0 ? QLatin1String(NONE_SHEET) : PurchaseStatus::PaymentStyleSheet(index - 1);
    if (!sheet.isEmpty())
        ui.combo_payment_status->setStyleSheet(sheet);
}
