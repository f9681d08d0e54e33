#include "salesmanagement.h"

#include "appsettings.h"
#include "backofficelog.h"
#include "constants.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "listmending.h"
#include "managementpage.h"
#include "salesdetailssqltablemodel.h"
#include "salessqltablemodel.h"
#include "selector.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"

#include <QHeaderView>
#include <QMainWindow>
#include <QMenu>
#include <QScroller>
#include <QSettings>
#include <QSqlError>
#include <QSqlRecord>

namespace {

const QString NO_LINES = QStringLiteral("ID = -1");

// A sale number is digits only; anything else can match no sale.
QString SaleNumberCondition(const QString& text)
{
    const QString number = text.trimmed();
    bool digitsOnly = !number.isEmpty();
    for (const QChar c : number)
        digitsOnly = digitsOnly && c >= QLatin1Char('0') && c <= QLatin1Char('9');
    return digitsOnly ? QStringLiteral("ID = ") + number : QStringLiteral("1 = 0");
}

} // namespace

SalesManagement::SalesManagement(QWidget* parent, bool popup, bool selectMode, int saleTypeFilter)
    : QScrollArea(parent)
    , popupMode(popup)
    , saleTypeFilter(saleTypeFilter)
    , reads(this, tr("Sales Management"))
{
    ui.setupUi(this);
    AppSettings* appSettings = AppSettings::Instance();

    if (popup) {
        ui.pushClose->show();
        for (QWidget* w : {static_cast<QWidget*>(ui.buttonDelete), static_cast<QWidget*>(ui.pushExport),
                           static_cast<QWidget*>(ui.pushPrint), static_cast<QWidget*>(ui.pushSaveAsPDF),
                           static_cast<QWidget*>(ui.buttonEdit)})
            w->hide();
    } else {
        ui.pushClose->hide();
        ui.pushSelect->hide();
    }
    if (selectMode) {
        ui.pushSelect->show();
        ui.labelStatus->setText(tr("SELECT ANY TABLE ROW BY SINGLE CLICK AND THEN PRESS SELECT BUTTON"));
        for (QWidget* w : {static_cast<QWidget*>(ui.pushExport), static_cast<QWidget*>(ui.pushPrint),
                           static_cast<QWidget*>(ui.pushSaveAsPDF), static_cast<QWidget*>(ui.buttonEdit)})
            w->hide();
    } else {
        ui.pushSelect->hide();
    }

    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewSales->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewDetails->viewport(), QScroller::LeftMouseButtonGesture);

    ui.comboInvoiceStatus->addItems({tr("NONE"), tr("NOT PAID"), tr("PARTIALLY PAID"), tr("PAID")});
    const QColor statusColours[] = {QColor(Qt::red), QColor(97, 173, 226), QColor(Qt::green)};
    for (int i = 1; i <= 3; ++i) {
        ui.comboInvoiceStatus->setItemData(i, statusColours[i - 1], Qt::BackgroundRole);
        ui.comboInvoiceStatus->setItemData(i, QColor(Qt::white), Qt::ForegroundRole);
    }
    ui.comboFilter->addItems({tr("NONE"), tr("SALES RECEIPTS"), tr("SALES INVOICES")});

    ui.tableViewSales->setContextMenuPolicy(Qt::CustomContextMenu);
    ui.tableViewDetails->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ui.tableViewSales, &QTableView::customContextMenuRequested, this,
            &SalesManagement::ShowContextMenuOnSalesTable);
    connect(ui.tableViewDetails, &QTableView::customContextMenuRequested, this,
            &SalesManagement::ShowContextMenuOnSalesDetailsTable);

    const QSqlDatabase salesDb = *DatabaseManager::Instance()->SalesDatabase();
    auto* sales = new SalesSqlTableModel(this, salesDb);
    sales->setTable(QStringLiteral("tblSalesTransactions"));
    auto* salesProxy = new SortingProxyModel(this);
    salesProxy->setSourceModel(sales);
    salesProxy->setDynamicSortFilter(true);
    ui.tableViewSales->setModel(salesProxy);
    ListMending::KeepColumns(ui.tableViewSales);
    const QString taxName = appSettings->settings->value(SALES_TAX_NAME, QStringLiteral("Tax")).toString();
    const QStringList salesCaptions = {
        tr("ID"), tr("Sales Person"), tr("Customer Name"), tr("Timestamp"), tr("Total"), tr("Paid"),
        tr("Amount Due"), tr("%1").arg(taxName), tr("Sale Type"), tr("Payment Status"), tr("Sent Date"),
        tr("Due Date"), tr("Customer ID"), tr("Ship to Customer Address?"), tr("Shipping Name"),
        tr("Shipping Address"), tr("Shipping Contact"), tr("Ship Via"), tr("Notes"), tr("Total Discount"),
        tr("Payment Type"), tr("Reference Number"), tr("Store ID"), tr("Terminal ID")};
    QHeaderView* salesHeader = ui.tableViewSales->horizontalHeader();
    ListMending::SetUpColumns(ui.tableViewSales, [sales, salesCaptions, salesHeader] {
        for (int c = 0; c < salesCaptions.size(); ++c)
            sales->setHeaderData(c, Qt::Horizontal, salesCaptions.at(c), Qt::EditRole);
        for (const auto& move : {qMakePair(9, 1), qMakePair(3, 2), qMakePair(9, 3), qMakePair(5, 4), qMakePair(10, 5),
                                 qMakePair(11, 6), qMakePair(7, 12), qMakePair(19, 11), qMakePair(12, 2),
                                 qMakePair(22, 14), qMakePair(23, 15)})
            salesHeader->moveSection(move.first, move.second);
    });
    ui.tableViewSales->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui.tableViewSales->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(ui.tableViewSales, &QTableView::clicked, this, &SalesManagement::OnItemSelected);
    connect(ui.tableViewSales, &QTableView::doubleClicked, this, &SalesManagement::OnRowDoubleClicked);
    salesHeader->setStretchLastSection(true);
    ui.tableViewSales->setAlternatingRowColors(true);
    Select(sales);
    ui.tableViewSales->resizeColumnsToContents();

    auto* lines = new SalesDetailsSqlTableModel(this, salesDb);
    lines->setTable(QStringLiteral("tblSalesInvoice"));
    lines->setFilter(NO_LINES);
    auto* linesProxy = new SortingProxyModel(this);
    linesProxy->setSourceModel(lines);
    linesProxy->setDynamicSortFilter(true);
    ui.tableViewDetails->setModel(linesProxy);
    ListMending::KeepColumns(ui.tableViewDetails);
    ui.tableViewDetails->setSortingEnabled(true);
    const QStringList lineCaptions = {
        tr("Item Index"), tr("Product Name"), tr("Quantity"), tr("Purchase Price"), tr("Sale Price"), tr("Sub Items"),
        tr("Discount"), tr("Line Total"), tr("Line Purchase Cost"), tr("Line %1").arg(taxName),
        tr("Stock Code / Barcode"), tr("Items per Unit"), tr("Unit Name"), tr("Sub Unit Name"), tr("Print Unit?"),
        tr("Category"), tr("Tax Rate"), tr("Returned")};
    QHeaderView* linesHeader = ui.tableViewDetails->horizontalHeader();
    ListMending::SetUpColumns(ui.tableViewDetails, [this, lines, lineCaptions, linesHeader] {
        ui.tableViewDetails->hideColumn(SalesDetailsSqlTableModel::ID);
        ui.tableViewDetails->hideColumn(SalesDetailsSqlTableModel::TRANSACTION_ID);
        for (int i = 0; i < lineCaptions.size(); ++i)
            lines->setHeaderData(SalesDetailsSqlTableModel::ITEM_INDEX + i, Qt::Horizontal, lineCaptions.at(i),
                                 Qt::EditRole);
        for (const auto& move :
             {qMakePair(17, 3), qMakePair(13, 5), qMakePair(18, 13), qMakePair(12, 8), qMakePair(19, 7)})
            linesHeader->moveSection(move.first, move.second);
    });
    ui.tableViewDetails->setSelectionMode(QAbstractItemView::SingleSelection);
    ui.tableViewDetails->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui.tableViewDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    linesHeader->setStretchLastSection(true);
    ui.tableViewDetails->setAlternatingRowColors(true);
    Select(lines);
    ui.tableViewDetails->resizeColumnsToContents();

    ui.dateEdit->setDate(QDate::currentDate());
    ui.dateEditDueDate->setDate(QDate::currentDate());
    ui.buttonAddNew->hide();
    ui.dateEdit->setDisplayFormat(appSettings->dateFormat);
    ui.dateEditDueDate->setDisplayFormat(appSettings->dateFormat);

    if (saleTypeFilter == 1 || saleTypeFilter == 2) {
        ui.comboFilter->setCurrentIndex(saleTypeFilter);
        on_buttonSearch_clicked();
    }

    SetUpListSorting(ui.tableViewSales, ui.checkEnableSorting, QStringLiteral("tblSalesTransactions"),
                     SalesSqlTableModel::ID, ListDatabase::Sales);

    ui.labelStatus->setStyleSheet(QStringLiteral("QLabel { font-size: 20px; }"));
    ListMending::SetUpColumns(ui.tableViewSales,
                            [this] { ShowChosenColumns(ui.tableViewSales, AppSettings::Instance()->salesColumns); });
    ListMending::SetUpColumns(ui.tableViewDetails, [this] {
        ShowChosenColumns(ui.tableViewDetails, AppSettings::Instance()->salesDetailColumns);
    });
    ui.editSalesID->setFocus();
}

SalesManagement::~SalesManagement() = default;

QString SalesManagement::GetSelectedSaleId() const
{
    return selectedSaleId;
}

SalesSqlTableModel* SalesManagement::salesModel() const
{
    auto* proxy = static_cast<QSortFilterProxyModel*>(ui.tableViewSales->model());
    return static_cast<SalesSqlTableModel*>(proxy->sourceModel());
}

SalesDetailsSqlTableModel* SalesManagement::detailsModel() const
{
    auto* proxy = static_cast<QSortFilterProxyModel*>(ui.tableViewDetails->model());
    return static_cast<SalesDetailsSqlTableModel*>(proxy->sourceModel());
}

QModelIndex SalesManagement::ToSales(const QModelIndex& viewIndex) const
{
    auto* proxy = static_cast<QSortFilterProxyModel*>(ui.tableViewSales->model());
    return proxy->mapToSource(viewIndex);
}

void SalesManagement::Select(QSqlTableModel* model, const std::optional<QString>& filter)
{
    const bool sales = model == salesModel();
    const bool read = reads.Check(SqlFilter::Select(model, filter),
                                  (sales ? tr("The sales could not be read.") : tr("The lines of the sale could not be read."))
                                      + QStringLiteral("\n\n%1"),
                                  model);
    SqlFilter::FetchAll(model);
    // The lines of a sale no longer listed must not stay beside the list; the lines model exists once the
    // constructor built it.
    if (!read && sales && ui.tableViewDetails->model())
        Select(detailsModel(), NO_LINES);
}

void SalesManagement::on_buttonSearch_clicked()
{
    QStringList conditions;
    if (ui.comboFilter->currentIndex() == 1)
        conditions << QStringLiteral("INVOICE_MODE = 0");
    else if (ui.comboFilter->currentIndex() == 2)
        conditions << QStringLiteral("INVOICE_MODE = 1");
    switch (ui.comboInvoiceStatus->currentIndex()) {
    case 1:
        conditions << QStringLiteral("STATUS = 0");
        break;
    case 2:
        conditions << QStringLiteral("STATUS = 1");
        break;
    case 3:
        conditions << QStringLiteral("STATUS = 2");
        break;
    default:
        break;
    }
    if (!ui.editSalesID->text().isEmpty())
        conditions << SaleNumberCondition(ui.editSalesID->text());
    const QSqlDatabase db = salesModel()->database();
    if (ui.checkBoxEnableDate->isChecked())
        conditions << QStringLiteral(" date(TIME_STAMP) = date(%1)").arg(SqlFilter::DateLiteral(db, ui.dateEdit->date()));
    if (!ui.lineEditCustomerName->text().isEmpty())
        conditions << QLatin1Char(' ') + SqlFilter::Contains(db, QStringLiteral("CUSTOMER"), ui.lineEditCustomerName->text());
    if (ui.checkDueDate->isChecked())
        conditions << QStringLiteral(" date(DUE_DATE) = date(%1)").arg(SqlFilter::DateLiteral(db, ui.dateEditDueDate->date()));

    Select(salesModel(), conditions.join(QStringLiteral(" AND ")));
    ui.tableViewSales->resizeColumnsToContents();
    ui.tableViewSales->show();
}

void SalesManagement::on_editSalesID_returnPressed()
{
    on_buttonSearch_clicked();
}

void SalesManagement::on_lineEditCustomerName_returnPressed()
{
    on_buttonSearch_clicked();
}

void SalesManagement::on_buttonShowAll_clicked()
{
    ui.editSalesID->clear();
    ui.dateEdit->clear();
    Select(salesModel(), QString());
    ui.tableViewSales->resizeColumnsToContents();
}

void SalesManagement::ShowLinesOf(const QString& saleId)
{
    qCDebug(lcBackoffice) << "Transaction ID =" << saleId;
    // The ID comes from the sales table itself, a number.
    Select(detailsModel(), QStringLiteral("TRANSACTION_ID = %1").arg(saleId.toLongLong()));
    ui.tableViewDetails->show();
}

void SalesManagement::OnItemSelected(const QModelIndex& index)
{
    const QModelIndex source = ToSales(index);
    if (!source.isValid())
        return;
    const QSqlRecord record = salesModel()->record(source.row());
    selectedSaleId = record.value(SalesSqlTableModel::ID).toString();
    selectedSaleIsInvoice = record.value(SalesSqlTableModel::INVOICE_MODE).toBool();
    ShowLinesOf(selectedSaleId);
    ui.tableViewDetails->resizeColumnsToContents();

    ErrorDialog notice(
        QStringLiteral("err_msg_12"), tr("Sale Details"),
        tr("<p>Please click on 'Sales Details' tab to view details of this sale. All individual items are listed on "
           "this tab. You can double click on the row to go directly to details page as well.</p> <p><b>HIDE or SHOW "
           "COLUMNS</b> If you right click anywhere on the table area, a context menu will be shown. Using this menu "
           "you can easily hide or show the columns for better visibility</p><p><b>TIP: ENTER KEY SHORTCUT</b> "
           "Pressing Enter key on search able fields is same as pressing Search button.</p>"),
        AppSettings::Instance()->mainWindow, false, true);
    notice.exec();

    ui.buttonDelete->setEnabled(true);
    ui.buttonEdit->setEnabled(true);
}

void SalesManagement::OnRowDoubleClicked(const QModelIndex& index)
{
    const QModelIndex source = ToSales(index);
    if (!source.isValid())
        return;
    ShowLinesOf(salesModel()->record(source.row()).value(SalesSqlTableModel::ID).toString());
    ui.tabWidget->setCurrentIndex(1);
    ui.tableViewDetails->resizeColumnsToContents();
}

void SalesManagement::on_pushSelect_clicked()
{
    const QModelIndex source = ToSales(ui.tableViewSales->currentIndex());
    if (!source.isValid())
        return;
    selectedSaleId = salesModel()->record(source.row()).value(SalesSqlTableModel::ID).toString();
    if (parentWidget())
        parentWidget()->close();
}

void SalesManagement::on_pushClose_clicked()
{
    if (parentWidget())
        parentWidget()->close();
}

void SalesManagement::on_comboFilter_currentIndexChanged(int index)
{
    if (index == 1) {
        // Receipts are paid at the counter: a payment status means nothing for them.
        ui.comboInvoiceStatus->setCurrentIndex(0);
        ui.comboInvoiceStatus->setEnabled(false);
    } else {
        ui.comboInvoiceStatus->setEnabled(true);
    }
}

void SalesManagement::on_comboInvoiceStatus_currentIndexChanged(int index)
{
    static const char* const sheets[] = {
        "QComboBox { background-color: white; color:black }",
        "QComboBox { background-color: red; color:white }",
        "QComboBox { background-color: rgb(97,173,226); color:white }",
        "QComboBox { background-color: green; color:white }",
    };
    if (index >= 0 && index < 4)
        ui.comboInvoiceStatus->setStyleSheet(QLatin1String(sheets[index]));
}

void SalesManagement::on_comboInvoiceStatus_currentTextChanged(const QString& text)
{
    Q_UNUSED(text)
}

void SalesManagement::on_checkBoxEnableDate_toggled(bool checked)
{
    ui.dateEdit->setEnabled(checked);
}

void SalesManagement::on_checkDueDate_toggled(bool checked)
{
    ui.dateEditDueDate->setEnabled(checked);
}

void SalesManagement::on_group_search_toggled(bool checked)
{
    ui.frame_search->setVisible(checked);
}

void SalesManagement::on_checkEnableSorting_toggled(bool checked)
{
    if (checked)
        ui.tableViewSales->sortByColumn(SalesSqlTableModel::ID, Qt::AscendingOrder);
    ui.tableViewSales->setSortingEnabled(checked);
}

void SalesManagement::ShowContextMenuOnSalesTable(const QPoint& pos)
{
    ShowColumnChooser(ui.tableViewSales, &AppSettings::Instance()->salesColumns, pos);
}

void SalesManagement::ShowContextMenuOnSalesDetailsTable(const QPoint& pos)
{
    ShowColumnChooser(ui.tableViewDetails, &AppSettings::Instance()->salesDetailColumns, pos);
}

void SalesManagement::ShowColumnChooser(QTableView* view, QVector<QPair<QString, bool>>* columns, const QPoint& pos)
{
    QMenu menu(this);
    QAction* chooseColumns = menu.addAction(tr("Hide and Show Columns..."));
    if (menu.exec(view->viewport()->mapToGlobal(pos)) != chooseColumns)
        return;

    columns->clear();
    QAbstractItemModel* model = view->model();
    for (int c = 0; c < model->columnCount(); ++c)
        columns->append({model->headerData(c, Qt::Horizontal).toString(), !view->isColumnHidden(c)});
    Selector chooser(AppSettings::Instance()->mainWindow);
    chooser.SetItems(*columns, tr("Please check all column names which you want to show"), tr("Hide/Show Columns"));
    chooser.exec();
    if (!chooser.cancelled)
        ApplyColumnVisibility();
}

void SalesManagement::ApplyColumnVisibility()
{
    AppSettings* appSettings = AppSettings::Instance();
    ShowChosenColumns(ui.tableViewSales, appSettings->salesColumns);
    ShowChosenColumns(ui.tableViewDetails, appSettings->salesDetailColumns);
}
