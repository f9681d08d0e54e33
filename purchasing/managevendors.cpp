#include "managevendors.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "listfilter.h"
#include "listmending.h"
#include "managementpage.h"
#include "purchasinglog.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"
#include "textfields.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QScroller>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace {
enum Column { ID = 0, NAME = 1, ADDRESS = 2, EMAIL = 3, CONTACT_NUMBER = 4 };
const QString DEFAULT_VENDOR = QStringLiteral("NONE");
// MySQL's "Cannot delete or update a parent row: a foreign key constraint fails".
const int ROW_IS_REFERENCED = 1451;
const int ADDRESS_LENGTH = 200; // tblVendors.ADDRESS; the line edits carry their lengths in the form
} // namespace

ManageVendors::ManageVendors(QWidget* parent)
    : VorantelDialog(parent)
    , reads(this, tr("Manage Vendors"))
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableView->viewport(), QScroller::LeftMouseButtonGesture);

    model = new QSqlTableModel(nullptr, *DatabaseManager::Instance()->InventoryDatabase());
    // Every change is written by its own button, so a failure can be reported and taken back.
    model->setEditStrategy(QSqlTableModel::OnManualSubmit);
    model->setTable(QStringLiteral("tblVendors"));
    Reselect();

    proxy = new SortingProxyModel(this);
    proxy->setDynamicSortFilter(true);
    proxy->setSourceModel(model);
    ui.tableView->setModel(proxy);
    ListMending::KeepColumns(ui.tableView);
    ui.tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui.tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListMending::SetUpColumns(ui.tableView, [this] {
        model->setHeaderData(ID, Qt::Horizontal, tr("Vendor ID"), Qt::EditRole);
        model->setHeaderData(NAME, Qt::Horizontal, tr("Name"), Qt::EditRole);
        model->setHeaderData(ADDRESS, Qt::Horizontal, tr("Address"), Qt::EditRole);
        model->setHeaderData(EMAIL, Qt::Horizontal, tr("Email"), Qt::EditRole);
        model->setHeaderData(CONTACT_NUMBER, Qt::Horizontal, tr("Contact Number"), Qt::EditRole);
    });
    ui.tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableView->horizontalHeader()->setStretchLastSection(true);
    ui.lineEdit->setFocus();

    connect(ui.tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ManageVendors::OnVendorSelected);
    connect(ui.pushButtonDelete, &QPushButton::clicked, this, &ManageVendors::OnPushButtonDeleteClicked);
    connect(ui.pushButtonUpdate, &QPushButton::clicked, this, &ManageVendors::OnPushButtonUpdateClicked);

    resize(800, 600);
    SetUpListSorting(ui.tableView, ui.checkEnableSorting, QStringLiteral("tblVendors"), ID);
    // Sized once the sorting is set, as every later read sizes them, and as the first read of a dialog opened while
    // the server was away does: with room for the sort arrow when the vendors are sorted.
    ui.tableView->resizeColumnsToContents();
}

ManageVendors::~ManageVendors()
{
    ui.tableView->setModel(nullptr);
    delete model;
}

void ManageVendors::Reselect(const std::optional<QString>& filter)
{
    ReportListError(reads, SqlFilter::Select(model, filter), model);
}

int ManageVendors::SelectedRow() const
{
    const QModelIndex index = proxy->mapToSource(ui.tableView->currentIndex());
    return index.isValid() ? index.row() : -1;
}

bool ManageVendors::IsEmptyText()
{
    return ui.lineEdit->text().remove(QLatin1Char(' ')).isEmpty();
}

bool ManageVendors::TextStorable()
{
    return TextFitsColumns(this, tr("Error"),
                           {{ui.lineEdit, tr("Name")},
                            {ui.textEditAddress, tr("Address"), ADDRESS_LENGTH},
                            {ui.lineEditEmail, tr("Email")},
                            {ui.lineEditContact, tr("Contact")}});
}

void ManageVendors::SetRowFromFields(int row)
{
    model->setData(model->index(row, NAME), ui.lineEdit->text());
    model->setData(model->index(row, ADDRESS), ui.textEditAddress->toPlainText());
    model->setData(model->index(row, EMAIL), ui.lineEditEmail->text());
    model->setData(model->index(row, CONTACT_NUMBER), ui.lineEditContact->text());
}

void ManageVendors::ClearFields()
{
    ui.lineEdit->clear();
    ui.textEditAddress->clear();
    ui.lineEditEmail->clear();
    ui.lineEditContact->clear();
}

bool ManageVendors::Submit(const QString& failureText, int deletedVendorId)
{
    if (model->submitAll())
        return true;
    const QSqlError error = model->lastError();
    qCWarning(lcPurchasing) << "vendor change failed:" << error.text();
    QString text = failureText + QLatin1Char('\n') + DatabaseFailure::WriteReason(model);
    model->revertAll();
    if (deletedVendorId >= 0 && error.nativeErrorCode() == QString::number(ROW_IS_REFERENCED)) {
        // Only stock rows are counted before the delete; the orders' reference is what the database refused.
        QSqlQuery orders(*DatabaseManager::Instance()->InventoryDatabase());
        orders.prepare(QStringLiteral("SELECT COUNT(*) FROM tblPOrders WHERE VENDOR_ID = :id"));
        orders.bindValue(QStringLiteral(":id"), deletedVendorId);
        if (orders.exec() && orders.next() && orders.value(0).toInt() > 0)
            text = tr("Can not delete this vendor as purchase orders exist for this vendor.");
    }
    QMessageBox::warning(this, tr("Error"), text, QMessageBox::Ok);
    return false;
}

void ManageVendors::on_pushButtonAdd_clicked()
{
    if (IsEmptyText() || !TextStorable())
        return;
    ListMending::Ready(model);
    const int row = model->rowCount();
    model->insertRow(row);
    SetRowFromFields(row);
    if (!Submit(tr("The vendor could not be added.")))
        return;
    ui.tableView->resizeColumnsToContents();
    ClearFields();
}

void ManageVendors::OnPushButtonUpdateClicked()
{
    ListMending::Ready(model);
    const int row = SelectedRow();
    if (row >= 0 && model->record(row).value(NAME).toString() == DEFAULT_VENDOR) {
        QMessageBox::warning(this, tr("Error"), tr("Can not update this as this is default system vendor for no selection."),
                             QMessageBox::Ok);
        return;
    }
    if (IsEmptyText() || !TextStorable())
        return;
    if (row >= 0) {
        SetRowFromFields(row);
        if (!Submit(tr("The vendor could not be updated.")))
            return;
        if (!ListMending::KeptWhileAway(model))
            Reselect();
        ClearFields();
    }
    ui.tableView->resizeColumnsToContents();
}

void ManageVendors::OnPushButtonDeleteClicked()
{
    ListMending::Ready(model);
    const int row = SelectedRow();
    if (row < 0)
        return;
    const QSqlRecord record = model->record(row);
    if (record.value(NAME).toString() == DEFAULT_VENDOR) {
        QMessageBox::warning(this, tr("Error"), tr("Can not delete this as this is default system vendor for no selection."),
                             QMessageBox::Ok);
        return;
    }
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT Count(*) FROM tblInventory WHERE VENDOR_ID = :id"));
    query->bindValue(QStringLiteral(":id"), record.value(ID).toInt());
    if (!query->exec() || !query->next()) {
        // Without the count the vendor might still be referenced: refuse rather than guess.
        QMessageBox::warning(this, tr("Error"),
                             tr("The vendor's stock could not be counted.") + QLatin1Char('\n')
                                 + DatabaseFailure::WriteReason(*query),
                             QMessageBox::Ok);
        return;
    }
    if (query->value(0).toInt() != 0) {
        QMessageBox::warning(this, tr("Error"), tr("Can not delete this vendor as stock Items exist from this vendor."),
                             QMessageBox::Ok);
        return;
    }
    model->removeRow(row);
    if (!Submit(tr("The vendor could not be deleted."), record.value(ID).toInt()))
        return;
    if (!ListMending::KeptWhileAway(model))
        Reselect();
    ClearFields();
    ui.tableView->resizeColumnsToContents();
}

void ManageVendors::OnVendorSelected()
{
    const int row = SelectedRow();
    if (row < 0)
        return;
    const QSqlRecord record = model->record(row);
    ui.lineEdit->setText(record.value(NAME).toString());
    ui.textEditAddress->setPlainText(record.value(ADDRESS).toString());
    ui.lineEditEmail->setText(record.value(EMAIL).toString());
    ui.lineEditContact->setText(record.value(CONTACT_NUMBER).toString());
    ui.pushButtonDelete->setEnabled(true);
    ui.pushButtonUpdate->setEnabled(true);
}

void ManageVendors::ApplyFilter()
{
    const QString text = ui.lineEditFilter->text();
    // A table model's filter takes no bound values: the text is made a literal instead.
    QStringList conditions;
    if (!text.isEmpty()) {
        for (const char* column : {"NAME", "ADDRESS", "EMAIL", "CONTACT_NUMBER"})
            conditions << ContainsCondition(QLatin1String(column), text);
    }
    Reselect(conditions.join(QStringLiteral("OR")));
    ui.tableView->resizeColumnsToContents();
    ui.tableView->show();
}

void ManageVendors::on_lineEditFilter_textChanged(const QString&)
{
    ApplyFilter();
}

void ManageVendors::on_pushFilter_clicked()
{
    ApplyFilter();
}

void ManageVendors::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Vendors"), ui.tableView, this);
}

void ManageVendors::on_pushPrint_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("VENDORS REPORT"), ui.tableView, true, false);
}

void ManageVendors::on_pushSaveAsPDF_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("VENDORS REPORT"), ui.tableView, true, true);
}

void ManageVendors::on_checkEnableSorting_toggled(bool checked)
{
    SetListSorting(ui.tableView, ID, checked);
}

void ManageVendors::on_pushButtonClose_clicked()
{
    close();
}
