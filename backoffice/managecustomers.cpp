#include "managecustomers.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "listmending.h"
#include "managementpage.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"
#include "textfields.h"

#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace {

enum CustomerColumn { ID = 0, NAME, ADDRESS, EMAIL, CONTACT_NUMBER };

// The form's edit that a column's row of the table below names.
template <auto edit>
QWidget* FormEdit(const Ui::ManageCustomers& ui)
{
    return ui.*edit;
}

// The form's text fields as it names them, with the widths of their tblCustomers columns. Imported
// lines are held to the same rules.
struct TextColumn
{
    CustomerColumn column;
    const char* name;
    int length;
    QWidget* (*edit)(const Ui::ManageCustomers&);
};
const TextColumn TEXT_COLUMNS[] = {
    {NAME, QT_TRANSLATE_NOOP("ManageCustomers", "Name"), 50, FormEdit<&Ui::ManageCustomers::lineEdit>},
    {ADDRESS, QT_TRANSLATE_NOOP("ManageCustomers", "Address"), 200, FormEdit<&Ui::ManageCustomers::textEditAddress>},
    {EMAIL, QT_TRANSLATE_NOOP("ManageCustomers", "Email"), 200, FormEdit<&Ui::ManageCustomers::lineEditEmail>},
    {CONTACT_NUMBER, QT_TRANSLATE_NOOP("ManageCustomers", "Contact"), 50, FormEdit<&Ui::ManageCustomers::lineEditContact>}};

} // namespace

ManageCustomers::ManageCustomers(QWidget* parent, bool selectMode)
    : VorantelDialog(parent)
    , selectMode(selectMode)
    , reads(this, tr("Manage Customers"))
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea, QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableView->viewport(), QScroller::LeftMouseButtonGesture);

    if (selectMode)
        ui.label_message->setText(tr("DOUBLE CLICK ON A ROW OR USE SELECT BUTTON TO SELECT"));
    else
        ui.pushSelect->hide();

    QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    model = new QSqlTableModel(this, *db);
    model->setTable(QStringLiteral("tblCustomers"));
    proxy = new SortingProxyModel(this);
    proxy->setSourceModel(model);
    proxy->setDynamicSortFilter(true);
    ui.tableView->setModel(proxy);
    ListMending::KeepColumns(ui.tableView);
    ui.tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui.tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui.tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableView->setTabKeyNavigation(false);
    ListMending::SetUpColumns(ui.tableView, [this] {
        model->setHeaderData(ID, Qt::Horizontal, tr("Customer ID"), Qt::EditRole);
        model->setHeaderData(NAME, Qt::Horizontal, tr("Name"), Qt::EditRole);
        model->setHeaderData(ADDRESS, Qt::Horizontal, tr("Address"), Qt::EditRole);
        model->setHeaderData(EMAIL, Qt::Horizontal, tr("Email"), Qt::EditRole);
        model->setHeaderData(CONTACT_NUMBER, Qt::Horizontal, tr("Contact Number"), Qt::EditRole);
    });
    ui.lineEdit->setFocus();

    connect(ui.tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ManageCustomers::OnCustomerSelected);
    connect(ui.tableView, &QTableView::doubleClicked, this, &ManageCustomers::OnRowDoubleClicked);
    connect(ui.pushButtonDelete, &QPushButton::clicked, this, &ManageCustomers::OnPushButtonDeleteClicked);
    connect(ui.pushButtonUpdate, &QPushButton::clicked, this, &ManageCustomers::OnPushButtonUpdateClicked);

    resize(800, 650);
    Reload();
    ui.pushSelect->setDefault(true);

    SetUpListSorting(ui.tableView, ui.checkEnableSorting, QStringLiteral("tblCustomers"), ID);
    // Sized again once the sorting is set, as every later read sizes them: with room for the sort arrow.
    ui.tableView->resizeColumnsToContents();
}

ManageCustomers::~ManageCustomers() = default;

void ManageCustomers::getSelectedCustomer(QString& id, QString& name, QString& address, QString& email,
                                          QString& contact)
{
    if (!customerSelected)
        return;
    id = selectedCustomerId;
    name = ui.lineEdit->text();
    address = ui.textEditAddress->toPlainText();
    email = ui.lineEditEmail->text();
    contact = ui.lineEditContact->text();
}

bool ManageCustomers::IsEmptyText() const
{
    return ui.lineEdit->text().remove(QLatin1Char(' ')).isEmpty();
}

bool ManageCustomers::TextStorable()
{
    for (const TextColumn& text : TEXT_COLUMNS) {
        if (!TextFitsColumns(this, tr("Manage Customers"), {{text.edit(ui), tr(text.name), text.length}}))
            return false;
    }
    return true;
}

QString ManageCustomers::ImportRefusal(const QStringList& fields) const
{
    // The form refuses a name of blanks too; the fields come trimmed.
    if (fields.at(NAME).isEmpty())
        return tr("Name is empty.");
    for (const TextColumn& text : TEXT_COLUMNS) {
        const QString refusal = TextRefusal(fields.at(text.column), tr(text.name), text.length);
        if (!refusal.isEmpty())
            return refusal;
    }
    return QString();
}

QModelIndex ManageCustomers::CurrentSourceIndex() const
{
    return proxy->mapToSource(ui.tableView->currentIndex());
}

bool ManageCustomers::Reload(const std::optional<QString>& filter)
{
    const bool ok = reads.Check(SqlFilter::Select(model, filter),
                                tr("The customer list could not be read.") + QStringLiteral("\n\n%1"), model);
    if (ok)
        SqlFilter::FetchAll(model);
    ui.tableView->resizeColumnsToContents();
    return ok;
}

void ManageCustomers::OnCustomerSelected()
{
    const QModelIndex index = CurrentSourceIndex();
    if (!index.isValid())
        return;
    const QSqlRecord record = model->record(index.row());
    selectedCustomerId = record.value(ID).toString();
    ui.lineEdit->setText(record.value(NAME).toString());
    ui.textEditAddress->setPlainText(record.value(ADDRESS).toString());
    ui.lineEditEmail->setText(record.value(EMAIL).toString());
    ui.lineEditContact->setText(record.value(CONTACT_NUMBER).toString());
    ui.pushButtonUpdate->setEnabled(true);
    ui.pushButtonDelete->setEnabled(true);
}

void ManageCustomers::WriteFormToRow(int row)
{
    model->setData(model->index(row, NAME), ui.lineEdit->text(), Qt::EditRole);
    model->setData(model->index(row, ADDRESS), ui.textEditAddress->toPlainText(), Qt::EditRole);
    model->setData(model->index(row, EMAIL), ui.lineEditEmail->text(), Qt::EditRole);
    model->setData(model->index(row, CONTACT_NUMBER), ui.lineEditContact->text(), Qt::EditRole);
}

void ManageCustomers::ClearForm()
{
    ui.lineEdit->clear();
    ui.textEditAddress->clear();
    ui.lineEditEmail->clear();
    ui.lineEditContact->clear();
}

bool ManageCustomers::Submit(bool changed, const QString& failureText)
{
    if (changed && model->submitAll())
        return true;
    const QString reason = DatabaseFailure::WriteReason(model);
    // The failed row must not stay in the list as if it were stored.
    model->revertAll();
    QMessageBox::warning(this, tr("Manage Customers"), failureText + QStringLiteral("\n\n") + reason);
    return false;
}

void ManageCustomers::on_pushButtonAdd_clicked()
{
    if (IsEmptyText() || !TextStorable())
        return;
    ListMending::Ready(model);
    const int row = model->rowCount();
    model->insertRow(row);
    WriteFormToRow(row);
    const bool saved = Submit(true, tr("The customer could not be added."));
    if (saved)
        SqlFilter::FetchAll(model);
    ui.tableView->resizeColumnsToContents();
    if (saved)
        ClearForm();
}

void ManageCustomers::on_lineEdit_returnPressed()
{
    on_pushButtonAdd_clicked();
}

void ManageCustomers::on_lineEditEmail_returnPressed()
{
    on_pushButtonAdd_clicked();
}

void ManageCustomers::on_lineEditContact_returnPressed()
{
    on_pushButtonAdd_clicked();
}

void ManageCustomers::OnPushButtonUpdateClicked()
{
    if (IsEmptyText() || !TextStorable())
        return;
    ListMending::Ready(model);
    const QModelIndex index = CurrentSourceIndex();
    if (!index.isValid()) {
        ui.tableView->resizeColumnsToContents();
        return;
    }
    WriteFormToRow(index.row());
    if (!Submit(true, tr("The customer could not be updated."))) {
        ui.tableView->resizeColumnsToContents();
        return;
    }
    if (ListMending::KeptWhileAway(model) || Reload())
        ClearForm();
}

void ManageCustomers::OnPushButtonDeleteClicked()
{
    ListMending::Ready(model);
    const QModelIndex index = CurrentSourceIndex();
    if (!index.isValid()) {
        ui.tableView->resizeColumnsToContents();
        return;
    }
    // The default edit strategy deletes at once: its result counts as much as the submit's.
    const bool removed = model->removeRow(index.row());
    if (!Submit(removed, tr("The customer could not be deleted."))) {
        ui.tableView->resizeColumnsToContents();
        return;
    }
    // The picker must not hand back a customer that no longer exists.
    selectedCustomerId.clear();
    if (!ListMending::KeptWhileAway(model))
        Reload();
    ClearForm();
}

void ManageCustomers::OnRowDoubleClicked(const QModelIndex& index)
{
    Q_UNUSED(index)
    if (selectMode)
        on_pushSelect_clicked();
}

void ManageCustomers::on_pushSelect_clicked()
{
    OnCustomerSelected();
    customerSelected = true;
    close();
}

void ManageCustomers::ApplyFilter()
{
    const QString text = ui.lineEditFilter->text();
    QStringList conditions;
    if (!text.isEmpty()) {
        const QSqlDatabase db = model->database();
        for (const char* column : {"NAME", "ADDRESS", "EMAIL", "CONTACT_NUMBER"})
            conditions << SqlFilter::Contains(db, QLatin1String(column), text);
    }
    Reload(conditions.join(QStringLiteral(" OR ")));
    ui.tableView->show();
}

void ManageCustomers::on_lineEditFilter_textChanged(const QString& text)
{
    Q_UNUSED(text)
    ApplyFilter();
}

void ManageCustomers::on_pushFilter_clicked()
{
    ApplyFilter();
}

void ManageCustomers::on_checkEnableSorting_toggled(bool checked)
{
    if (checked)
        ui.tableView->sortByColumn(ID, Qt::AscendingOrder);
    ui.tableView->setSortingEnabled(checked);
}

void ManageCustomers::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Customers"), ui.tableView, this);
}

void ManageCustomers::on_pushPrint_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("CUSTOMERS REPORT"), ui.tableView, true, false);
}

void ManageCustomers::on_pushSaveAsPDF_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("CUSTOMERS REPORT"), ui.tableView, true, true);
}

void ManageCustomers::on_pushButtonClose_clicked()
{
    close();
}
