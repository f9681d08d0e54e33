#include "reportviewer.h"

#include "appsettings.h"
#include "backofficelog.h"
#include "constants.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "listmending.h"
#include "reportveiwermodel.h"
#include "reportveiwermodelsubitems.h"
#include "selector.h"
#include "sortingproxymodel.h"

#include <QDateTime>
#include <QHeaderView>
#include <QImage>
#include <QLocale>
#include <QMainWindow>
#include <QMenu>
#include <QPixmap>
#include <QScroller>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTimer>

ReportViewer::ReportViewer(QWidget* parent)
    : VorantelDialog(parent)
    , reads(this, tr("Report Viewer"))
{
    ui.setupUi(this);
    resize(900, 650);

    ui.pushAddToPurchaseOrder->hide();
    ui.groupVendorFilter->hide();
    ui.frameTotalExpenses->hide();
    ui.groupStockCountAndValue->hide();
    ui.checkViewReturns->hide();
    // Only reports over a chosen period show their dates under the heading.
    ui.labelStarDate->hide();
    ui.labelEndDate->hide();
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewItems->viewport(), QScroller::LeftMouseButtonGesture);

    QSettings* store = AppSettings::Instance()->settings;
    subItemsMode = store->value(SUB_ITEMS_MODE, QStringLiteral("n")).toString() == QLatin1String("y");
    salesTaxName = store->value(SALES_TAX_NAME, QStringLiteral("Sales Tax")).toString();
    ui.labelTotalSalesTax->setText(tr("Total %1").arg(salesTaxName));
    decimalPlaces = store->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString();
    companyLogoPath = store->value(REPORT_COMPANY_LOGO).toString();
    printCompanyInfo = store->value(QStringLiteral("printCompanyInfoLarge"), true).toBool();
    printCompanyLogo = store->value(QStringLiteral("printCompanyLogoLarge"), true).toBool();

    if (companyLogoPath.isEmpty())
        companyLogoPath = QStringLiteral(":/resources/images/logos/sample_logo.png");
    const QImage logo(companyLogoPath);
    logoSize = store->value(QStringLiteral("logoSizeLarge"), 20).toInt();
    // A missing or unreadable image has no width to scale by: no logo then.
    if (!logo.isNull() && logo.width() > 0 && logoSize > 0) {
        logoWidth = int(60.0 / (10.0 / logoSize));
        logoHeight = int(logo.height() * (double(logoWidth) / logo.width()));
    }
    if (logoWidth > 0 && logoHeight > 0) {
        const QImage scaled = logo.scaled(logoWidth, logoHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        ui.labelLogo->resize(scaled.size());
        ui.labelLogo->setMinimumSize(scaled.size());
        ui.labelLogo->setPixmap(QPixmap::fromImage(scaled));
    } else {
        logoWidth = 0;
        logoHeight = 0;
    }

    AppSettings* appSettings = AppSettings::Instance();
    ui.labelDate->setText(QDateTime::currentDateTime().toString(appSettings->DateFormat() + QLatin1Char(' ')
                                                                + appSettings->TimeFormat()));

    if (subItemsMode)
        model = new ReportVeiwerModelSubItems(this);
    else
        model = new ReportVeiwerModel(this);
    proxy = new SortingProxyModel(this);
    proxy->setSourceModel(model);
    proxy->setDynamicSortFilter(true);
    ui.tableViewItems->setModel(proxy);
    ListMending::KeepColumns(ui.tableViewItems);
    ui.tableViewItems->horizontalHeader()->setSortIndicatorShown(false);
    ui.tableViewItems->setSortingEnabled(false);
    connect(ui.tableViewItems, &QWidget::customContextMenuRequested, this, &ReportViewer::ShowContextMenuOnTable);

    QTimer::singleShot(500, this, &ReportViewer::on_ShowMessage);
}

ReportViewer::~ReportViewer() = default;

void ReportViewer::showEvent(QShowEvent* event)
{
    VorantelDialog::showEvent(event);
    ui.tableViewItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableViewItems->resizeColumnsToContents();
    ui.tableViewItems->horizontalHeader()->setStretchLastSection(true);
    ui.tableViewItems->setAlternatingRowColors(true);
    ui.tableViewItems->show();
}

void ReportViewer::SetHeading(const QString& heading)
{
    ui.labelHeading->setText(heading);
}

void ReportViewer::SetDates(const QDate& start, const QDate& end)
{
    startDate = start;
    endDate = end;
    const QString format = AppSettings::Instance()->DateFormat();
    ui.labelStarDate->setText(QStringLiteral("START DATE : ") + start.toString(format));
    ui.labelEndDate->setText(QStringLiteral("END DATE : ") + end.toString(format));
}

void ReportViewer::ShowDateLabels()
{
    ui.labelStarDate->show();
    ui.labelEndDate->show();
}

void ReportViewer::SetSalesSummary(QString totalSales, QString purchaseCost, QString totalDiscount,
                                   QString totalSalesTax, QString itemsSold, QString totalReturns,
                                   QString itemsReturned)
{
    this->totalReturns = totalReturns;
    if (totalSales.isEmpty())
        totalSales = QStringLiteral("0.0");
    if (purchaseCost.isEmpty())
        purchaseCost = QStringLiteral("0.00");
    if (totalDiscount.isEmpty())
        totalDiscount = QStringLiteral("0.00");
    if (totalSalesTax.isEmpty())
        totalSalesTax = QStringLiteral("0.00");
    if (itemsSold.isEmpty())
        itemsSold = QStringLiteral("0");
    ui.lineTotalSales->setText(totalSales);
    ui.linePurchaseCost->setText(purchaseCost);
    ui.lineDiscount->setText(totalDiscount);
    ui.lineEditSalesTax->setText(totalSalesTax);
    ui.lineItemsSold->setText(itemsSold);
    ui.lineItemsReturned->setText(itemsReturned);

    const QLocale& locale = *AppSettings::Instance()->locale;
    const double net = locale.toDouble(ui.lineTotalSales->text()) - locale.toDouble(ui.linePurchaseCost->text());
    ui.lineProfit->setText(locale.toString(net, 'f', decimalPlaces.toInt()));
}

void ReportViewer::SetSalesSummary(const QString& totalSales, const QString& purchaseCost,
                                   const QString& totalDiscount, const QString& totalSalesTax,
                                   const QString& itemsSold, const QString& itemsReturned)
{
    SetSalesSummary(totalSales, purchaseCost, totalDiscount, totalSalesTax, itemsSold, QString(), itemsReturned);
}

bool ExecReportStatement(QSqlQuery& query, const QString& sql, const QVariantMap& bindings)
{
    // The MySQL client copies every column of a prepared statement's row into its bound buffers at each step
    // through the rows: a long report read again for a sort or a search takes twice as long as a text query's.
    if (bindings.isEmpty())
        return query.exec(sql);
    if (!query.prepare(sql))
        return false;
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it)
        query.bindValue(it.key(), it.value());
    return query.exec();
}

QVariantMap ReportPeriod(const QDate& start, const QDate& end)
{
    return {{QStringLiteral(":start"), start.toString(QStringLiteral("yyyy-MM-dd"))},
            {QStringLiteral(":end"), end.toString(QStringLiteral("yyyy-MM-dd"))}};
}

bool ReportViewer::RunReportQuery(const QSqlDatabase& db, const QString& sql, const QVariantMap& bindings)
{
    QSqlQuery query(db);
    if (!ExecReportStatement(query, sql, bindings)) {
        model->clear();
        ShowTotalsOf(false);
        ShowQueryError(tr("The report could not be made."), query);
        return false;
    }
    reads.ReadSucceeded();
    model->setQuery(query);
    ShowTotalsOf(true);
    ui.tableViewItems->resizeColumnsToContents();
    return true;
}

void ReportViewer::ShowTotalsOf(bool reportRead)
{
    if (!reportRead) {
        if (!totalsBeforeFailure.isEmpty())
            return;
        // The sales figures and Net Sales came from the caller, which read them: they stand whatever this
        // viewer's own reads do.
        for (QLineEdit* total : {ui.lineEditExpenses, ui.lineTotalExpensesSummary, ui.lineStockCount,
                                 ui.lineTotalPurchaseValue}) {
            totalsBeforeFailure.append({total, total->text()});
            total->setText(QStringLiteral("0"));
        }
        return;
    }
    for (const auto& total : qAsConst(totalsBeforeFailure))
        total.first->setText(total.second);
    // The totals read by this viewer may have failed with the report: read them again.
    if (!totalsBeforeFailure.isEmpty() && (expenseMode || showSalesSummary)) {
        const QString expenses = ExpenseTotalText();
        (expenseMode ? ui.lineTotalExpensesSummary : ui.lineEditExpenses)->setText(expenses);
    }
    totalsBeforeFailure.clear();
}

QString ReportViewer::SumText(const QSqlDatabase& db, const QString& sql, const QVariantMap& bindings,
                              bool localeMoney)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!ExecReportStatement(query, sql, bindings)) {
        ShowQueryError(tr("A report total could not be read."), query);
        return QStringLiteral("0");
    }
    reads.ReadSucceeded();
    if (!query.next())
        return QStringLiteral("0");
    // Counts and values as the server gives them; a sum over no rows (NULL) stays empty.
    if (!localeMoney)
        return query.value(0).toString();
    // A money sum over no rows is NULL: the period's total is then zero.
    return AppSettings::Instance()->locale->toString(query.value(0).toDouble(), 'f', decimalPlaces.toInt());
}

void ReportViewer::ShowQueryError(const QString& what, const QSqlQuery& query)
{
    reads.Check(false, what + QStringLiteral("\n\n%1"), query.driver(), query.lastError());
}

QVariantMap ReportViewer::PeriodBindings() const
{
    return ReportPeriod(startDate, endDate);
}

QString ReportViewer::ExpenseTotalText()
{
    return SumText(*DatabaseManager::Instance()->InventoryDatabase(),
                   QStringLiteral("SELECT SUM(AMOUNT)   FROM tblExpenses WHERE date(DATED) BETWEEN date(:start) AND date(:end)"),
                   PeriodBindings(), true);
}

void ReportViewer::on_checkEnableSorting_toggled(bool checked)
{
    if (checked) {
        ui.tableViewItems->sortByColumn(0, Qt::AscendingOrder);
        ui.tableViewItems->setSortingEnabled(true);
    } else {
        ui.tableViewItems->setSortingEnabled(false);
    }
}

void ReportViewer::on_group_summary_toggled(bool checked)
{
    ui.frame_summary->setVisible(checked);
}

void ReportViewer::on_ShowMessage()
{
    ErrorDialog notice(QStringLiteral("err_msg_45"), tr("Hide or Show Columns"),
                       tr("<p><b>Hide or Show Columns</b> If you right click anywhere on the table area, a context "
                          "menu will be shown. Using this menu you can easily hide or show the columns for better "
                          "visibility</p>"),
                       AppSettings::Instance()->mainWindow, false, true);
    notice.exec();
}

void ReportViewer::ShowContextMenuOnTable(const QPoint& pos)
{
    QMenu menu(this);
    menu.addAction(tr("Hide and Show Columns..."));
    // The request's position is the viewport's, below the header.
    if (!menu.exec(ui.tableViewItems->viewport()->mapToGlobal(pos)))
        return;

    ColumnVisibility& columns = AppSettings::Instance()->reportColumns;
    columns.clear();
    QAbstractItemModel* shown = ui.tableViewItems->model();
    for (int c = 0; c < shown->columnCount(); ++c)
        columns.append({shown->headerData(c, Qt::Horizontal).toString(), !ui.tableViewItems->isColumnHidden(c)});
    Selector chooser(AppSettings::Instance()->mainWindow);
    chooser.SetItems(columns, tr("Please check all column names which you want to show"), tr("Hide/Show Columns"));
    chooser.exec();
    if (!chooser.cancelled)
        ApplyColumnVisibility();
}

void ReportViewer::ApplyColumnVisibility()
{
    const ColumnVisibility& columns = AppSettings::Instance()->reportColumns;
    for (int i = 0; i < columns.size(); ++i)
        ui.tableViewItems->setColumnHidden(i, !columns.at(i).second);
    ui.tableViewItems->resizeColumnsToContents();
}

void ReportViewer::on_buttonClose_clicked()
{
    close();
}
