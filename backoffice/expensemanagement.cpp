#include "expensemanagement.h"

#include "addeditexpensedialog.h"
#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "listmending.h"
#include "managementpage.h"
#include "mysqltablemodel.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelation>

ExpenseManagement::ExpenseManagement(QWidget* parent, QWidget* unused)
    : QScrollArea(parent)
    , reads(this, tr("Expense Management"))
{
    Q_UNUSED(unused)
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewExpenses->viewport(), QScroller::LeftMouseButtonGesture);
    ui.dateEditExpenseDate->setDate(QDate::currentDate());
    ui.dateEditExpenseDate->setDisplayFormat(AppSettings::Instance()->DateFormat());

    const QSqlDatabase db = *DatabaseManager::Instance()->InventoryDatabase();
    model = new MySqlTableModel(this, db);
    model->setTable(QStringLiteral("tblExpenses"));
    model->setRelation(MySqlTableModel::CATEGORY, QSqlRelation(QStringLiteral("tblExpenseCategories"),
                                                               QStringLiteral("id"), QStringLiteral("name")));
    proxy = new SortingProxyModel(this);
    proxy->setSourceModel(model);
    proxy->setDynamicSortFilter(true);
    ui.tableViewExpenses->setModel(proxy);
    ListMending::KeepColumns(ui.tableViewExpenses);
    ListMending::SetUpColumns(ui.tableViewExpenses, [this] {
        model->setHeaderData(MySqlTableModel::CATEGORY, Qt::Horizontal, tr("Category"), Qt::EditRole);
        model->setHeaderData(MySqlTableModel::DATED, Qt::Horizontal, tr("Dated"), Qt::EditRole);
        model->setHeaderData(MySqlTableModel::AMOUNT, Qt::Horizontal, tr("AMOUNT"), Qt::EditRole);
        model->setHeaderData(MySqlTableModel::DESCRIPTION, Qt::Horizontal, tr("DESCRIPTION"), Qt::EditRole);
        ui.tableViewExpenses->hideColumn(MySqlTableModel::ID);
    });
    ui.tableViewExpenses->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui.tableViewExpenses->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableViewExpenses->horizontalHeader()->setStretchLastSection(true);
    ui.tableViewExpenses->setAlternatingRowColors(true);

    connect(ui.tableViewExpenses->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ExpenseManagement::OnExpenseSeleted);
    connect(ui.tableViewExpenses, &QTableView::doubleClicked, this, &ExpenseManagement::OnRowDoubleClicked);

    on_buttonShowAll_clicked();

    SetUpListSorting(ui.tableViewExpenses, ui.checkEnableSorting, QStringLiteral("tblExpenses"),
                     MySqlTableModel::CATEGORY);
    // Sized again once the sorting is set, as every later read sizes them: with room for the sort arrow.
    ui.tableViewExpenses->resizeColumnsToContents();

    ui.labelStatus->setStyleSheet(QStringLiteral("QLabel { font-size: 20px; }"));
    ui.lineEditCategory->setFocus();
}

ExpenseManagement::~ExpenseManagement() = default;

void ExpenseManagement::Reload(const std::optional<QString>& filter)
{
    if (reads.Check(SqlFilter::Select(model, filter), tr("The expense list could not be read.") + QStringLiteral("\n\n%1"),
                    model))
        SqlFilter::FetchAll(model);
    ui.tableViewExpenses->resizeColumnsToContents();
}

void ExpenseManagement::on_buttonSearch_clicked()
{
    const QSqlDatabase db = model->database();
    QStringList conditions;
    if (!ui.editDescription->text().isEmpty())
        conditions << QLatin1Char(' ') + SqlFilter::Contains(db, QStringLiteral("DESCRIPTION"), ui.editDescription->text());
    if (!ui.lineEditCategory->text().isEmpty())
        conditions << QLatin1Char(' ') + SqlFilter::Contains(db, QStringLiteral("NAME"), ui.lineEditCategory->text());
    if (ui.checkBoxExpenseDate->isChecked())
        conditions << QStringLiteral(" date(DATED) = date(%1)")
                          .arg(SqlFilter::DateLiteral(db, ui.dateEditExpenseDate->date()));
    Reload(conditions.join(QStringLiteral(" AND ")));
    ui.tableViewExpenses->show();
}

void ExpenseManagement::on_lineEditCategory_returnPressed()
{
    on_buttonSearch_clicked();
}

void ExpenseManagement::on_editDescription_returnPressed()
{
    on_buttonSearch_clicked();
}

void ExpenseManagement::on_buttonShowAll_clicked()
{
    ui.editDescription->clear();
    Reload(QString());
}

void ExpenseManagement::OnExpenseSeleted()
{
    ui.buttonEdit->setEnabled(true);
    ui.buttonDelete->setEnabled(true);
}

void ExpenseManagement::on_buttonAddNew_clicked()
{
    AddEditExpenseDialog dialog(AppSettings::Instance()->mainWindow);
    dialog.setModal(true);
    dialog.setWindowIconText(tr("Add New Expense"));
    dialog.exec();
    Reload();
}

void ExpenseManagement::on_buttonEdit_clicked()
{
    const QModelIndex index = proxy->mapToSource(ui.tableViewExpenses->currentIndex());
    if (!index.isValid())
        return;
    AddEditExpenseDialog dialog(AppSettings::Instance()->mainWindow);
    dialog.LoadExpense(model->record(index.row()));
    dialog.setModal(true);
    dialog.exec();
    Reload();
}

void ExpenseManagement::OnRowDoubleClicked(const QModelIndex& index)
{
    Q_UNUSED(index)
    on_buttonEdit_clicked();
}

void ExpenseManagement::on_buttonDelete_clicked()
{
    const QModelIndexList rows = ui.tableViewExpenses->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return;
    if (QMessageBox::question(this, tr("Delete Expense"),
                              tr("Do you really want to delete %1 selected expense(s)?").arg(rows.size()),
                              QMessageBox::Yes | QMessageBox::No)
        != QMessageBox::Yes)
        return;

    QList<qlonglong> ids;
    for (const QModelIndex& row : rows)
        ids << model->record(proxy->mapToSource(row).row()).value(MySqlTableModel::ID).toLongLong();
    for (const qlonglong id : qAsConst(ids)) {
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral("DELETE FROM tblExpenses WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), id);
        if (!query->exec()) {
            QMessageBox::warning(this, tr("Delete Expense"),
                                 tr("Expense %1 could not be deleted.").arg(id) + QStringLiteral("\n\n")
                                     + DatabaseFailure::WriteReason(*query));
            break;
        }
    }
    Reload();
    ui.tableViewExpenses->show();
}

void ExpenseManagement::on_checkBoxExpenseDate_toggled(bool checked)
{
    ui.dateEditExpenseDate->setEnabled(checked);
}

void ExpenseManagement::on_group_search_toggled(bool checked)
{
    ui.frame_search->setVisible(checked);
}

void ExpenseManagement::on_checkEnableSorting_toggled(bool checked)
{
    if (checked)
        ui.tableViewExpenses->sortByColumn(MySqlTableModel::CATEGORY, Qt::AscendingOrder);
    ui.tableViewExpenses->setSortingEnabled(checked);
}

void ExpenseManagement::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Expenses"), ui.tableViewExpenses, this);
}

void ExpenseManagement::on_pushPrint_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("EXPENSES REPORT"), ui.tableViewExpenses, false, false);
}

void ExpenseManagement::on_pushSaveAsPDF_clicked()
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("EXPENSES REPORT"), ui.tableViewExpenses, false, true);
}
