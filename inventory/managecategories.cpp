#include "managecategories.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "listmending.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"
#include "textfields.h"

#include <QHeaderView>
#include <QMessageBox>
#include <QScroller>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>

namespace {
// Widths of the NAME columns of the two category tables.
const int PRODUCT_CATEGORY_LENGTH = 50;
const int EXPENSE_CATEGORY_LENGTH = 100;
} // namespace

ManageCategories::ManageCategories(QWidget* parent, int categoryType)
    : VorantelDialog(parent)
    , reads(this, tr("Manage Categories"))
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableView->viewport(), QScroller::LeftMouseButtonGesture);

    model = new QSqlTableModel(this, *DatabaseManager::Instance()->InventoryDatabase());
    proxy = new SortingProxyModel(this);
    proxy->setSourceModel(model);
    proxy->setDynamicSortFilter(true);
    ui.tableView->setModel(proxy);
    ListMending::KeepColumns(ui.tableView);

    // The first item makes index 0 current, which loads the product categories.
    ui.comboCategoriesType->addItem(tr("PRODUCT CATEGORIES"));
    ui.comboCategoriesType->addItem(tr("EXPENSE CATEGORIES"));
    ui.comboCategoriesType->setCurrentIndex(categoryType != 0 ? 1 : 0);

    ui.tableView->setSortingEnabled(true);
    ui.tableView->setSelectionMode(QAbstractItemView::SingleSelection);
    ui.tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListMending::SetUpColumns(ui.tableView, [this] {
        ui.tableView->hideColumn(0);
        model->setHeaderData(1, Qt::Horizontal, caption);
    });
    ui.tableView->resizeColumnsToContents();
    ui.tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableView->horizontalHeader()->setStretchLastSection(true);

    ui.lineEdit->setFocus();
    connect(ui.tableView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ManageCategories::OnCategorySelected);
    connect(ui.pushButtonDelete, &QPushButton::clicked, this, &ManageCategories::OnPushButtonDeleteClicked);
    connect(ui.pushButtonUpdate, &QPushButton::clicked, this, &ManageCategories::OnPushButtonUpdateClicked);
    ui.tableView->show();
}

void ManageCategories::on_comboCategoriesType_currentIndexChanged(int index)
{
    if (index == 0) {
        categoryTable = QStringLiteral("tblProductCategories");
        itemTable = QStringLiteral("tblProducts");
        caption = tr("Product Categories");
    } else if (index == 1) {
        categoryTable = QStringLiteral("tblExpenseCategories");
        itemTable = QStringLiteral("tblExpenses");
        caption = tr("Expense Categories");
    } else {
        return;
    }
    model->setTable(categoryTable);
    SelectCategories();
}

void ManageCategories::SelectCategories()
{
    // A table chosen while the server was away has no columns to title until a read brings them.
    if (reads.Check(SqlFilter::Select(model), tr("The categories could not be read.") + QStringLiteral("\n\n%1"), model))
        model->setHeaderData(1, Qt::Horizontal, caption);
}

bool ManageCategories::IsEmptyText()
{
    return ui.lineEdit->text().remove(QLatin1Char(' ')).isEmpty();
}

bool ManageCategories::TextStorable()
{
    const int length =
        categoryTable == QLatin1String("tblProductCategories") ? PRODUCT_CATEGORY_LENGTH : EXPENSE_CATEGORY_LENGTH;
    return TextFitsColumns(this, tr("Error"), {{ui.lineEdit, tr("Category"), length}});
}

bool ManageCategories::IsSameText()
{
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT Count(*) from %1 WHERE lower(name) = lower( :name )").arg(categoryTable));
    query->bindValue(QStringLiteral(":name"), ui.lineEdit->text());
    if (!query->exec()) {
        // Without an answer the name may exist: refuse it.
        ReportFailure(DatabaseFailure::WriteReason(*query));
        return true;
    }
    if (query->next() && query->value(0).toInt() == 0)
        return false;
    QMessageBox::warning(this, tr("Error"), tr("Category already exists in the system"), QMessageBox::Ok);
    return true;
}

void ManageCategories::OnCategorySelected()
{
    const QModelIndex index = proxy->mapToSource(ui.tableView->currentIndex());
    if (!index.isValid())
        return;
    ui.lineEdit->setText(model->index(index.row(), 1).data().toString());
    ui.pushButtonDelete->setEnabled(true);
    ui.pushButtonUpdate->setEnabled(true);
}

QString ManageCategories::CurrentId() const
{
    const QModelIndex index = proxy->mapToSource(ui.tableView->currentIndex());
    if (!index.isValid())
        return QString();
    return model->index(index.row(), 0).data().toString();
}

void ManageCategories::ReportFailure(const QString& error)
{
    QMessageBox::warning(this, tr("Error"), error, QMessageBox::Ok);
}

void ManageCategories::on_pushButtonAdd_clicked()
{
    if (IsEmptyText() || !TextStorable() || IsSameText())
        return;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("INSERT INTO %1 (NAME) VALUES ( :name )").arg(categoryTable));
    query->bindValue(QStringLiteral(":name"), ui.lineEdit->text());
    const bool added = query->exec();
    if (!added)
        ReportFailure(DatabaseFailure::WriteReason(*query));
    if (!ListMending::KeptWhileAway(model))
        SelectCategories();
    // A name that could not be stored stays for the user to correct.
    if (added)
        ui.lineEdit->clear();
}

void ManageCategories::on_lineEdit_returnPressed()
{
    on_pushButtonAdd_clicked();
}

void ManageCategories::OnPushButtonUpdateClicked()
{
    if (IsEmptyText() || !TextStorable() || IsSameText())
        return;
    const QString id = CurrentId();
    bool renamed = true;
    if (!id.isEmpty()) {
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral("UPDATE %1 SET NAME = :name WHERE ID = :id").arg(categoryTable));
        query->bindValue(QStringLiteral(":name"), ui.lineEdit->text());
        query->bindValue(QStringLiteral(":id"), id.toInt());
        renamed = query->exec();
        if (!renamed)
            ReportFailure(DatabaseFailure::WriteReason(*query));
    }
    if (!ListMending::KeptWhileAway(model))
        SelectCategories();
    if (renamed)
        ui.lineEdit->clear();
    ui.tableView->resizeColumnsToContents();
}

void ManageCategories::OnPushButtonDeleteClicked()
{
    const QString id = CurrentId();
    if (id.isEmpty())
        return;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT Count(*) FROM %1 WHERE CATEGORY_ID = :id").arg(itemTable));
    query->bindValue(QStringLiteral(":id"), id.toInt());
    if (!query->exec() || !query->next()) {
        // Unknown use is no permission to delete.
        ReportFailure(DatabaseFailure::WriteReason(*query));
        return;
    }
    if (query->value(0).toInt() != 0) {
        QMessageBox::warning(this, tr("Error"),
                             tr("Category can not be deleted because records exist for this category in the system"),
                             QMessageBox::Ok);
        return;
    }
    query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("DELETE FROM %1 WHERE ID = :id").arg(categoryTable));
    query->bindValue(QStringLiteral(":id"), id.toInt());
    if (!query->exec())
        ReportFailure(DatabaseFailure::WriteReason(*query));
    ui.lineEdit->clear();
    if (!ListMending::KeptWhileAway(model))
        SelectCategories();
    ui.tableView->resizeColumnsToContents();
}

void ManageCategories::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Categories"), ui.tableView, this);
}

void ManageCategories::on_pushPrint_clicked()
{
    ReportPrinter printer;
    printer.PrintTableView(ui.comboCategoriesType->currentText(), ui.tableView, false, false);
}

void ManageCategories::on_pushSaveAsPDF_clicked()
{
    ReportPrinter printer;
    printer.PrintTableView(ui.comboCategoriesType->currentText(), ui.tableView, false, true);
}

void ManageCategories::on_pushButtonClose_clicked()
{
    close();
}
