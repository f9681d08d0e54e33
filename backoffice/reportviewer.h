#pragma once

#include "readfailurenotice.h"
#include "voranteldialog.h"

#include "ui_reportviewer.h"

#include <QDate>
#include <QVariantMap>

class Progress;
class QSqlDatabase;
class QSqlQuery;
class QSqlQueryModel;
class QSqlTableModel;
class QTextStream;
class SortingProxyModel;

// Prepares a report statement and runs it with the values of its named placeholders.
bool ExecReportStatement(QSqlQuery& query, const QString& sql, const QVariantMap& bindings);
// The ":start" and ":end" values of the statements over a period.
QVariantMap ReportPeriod(const QDate& start, const QDate& end);

// The one dialog in which every computed report is shown, grouped, printed and exported.
// A caller fills the public fields, calls SetDates and SetSalesSummary where they apply and
// then exactly one mode setter, and runs the dialog modally.
class ReportViewer : public VorantelDialog
{
    Q_OBJECT
public:
    explicit ReportViewer(QWidget* parent);
    ~ReportViewer() override;

    void SetDates(const QDate& start, const QDate& end);
    void SetSalesSummary(QString totalSales, QString purchaseCost, QString totalDiscount, QString totalSalesTax,
                         QString itemsSold, QString totalReturns, QString itemsReturned);
    // The same without the returns total, which is never shown.
    void SetSalesSummary(const QString& totalSales, const QString& purchaseCost, const QString& totalDiscount,
                         const QString& totalSalesTax, const QString& itemsSold, const QString& itemsReturned);
    // The heading on screen; callers give it the text of reportTitle.
    void SetHeading(const QString& heading);
    // The period's returns as the quick report handed them over; not shown.
    QString TotalReturns() const { return totalReturns; }
    // Shows the start and end date under the heading (reports over a chosen period).
    void ShowDateLabels();

    void SetSalesMode();
    void SetExpenseMode();
    void SetStockMode(bool countAndValue);
    // The order that "Add To Purchase Order" fills; "-1" (an order without a number) disables the button.
    void SetPurchaseOrder(QString purchaseOrderId);

    // Every report's frame: the busy box is shown, and painted, while the caller builds the
    // report; then the report, run modally, takes its place.
    static void ShowBusy(Progress& busy);
    void ExecInPlaceOf(Progress& busy);

    void WriteHtmlReport(QTextStream& out);

    QString reportTitle;
    // Statement of the stock modes; it ends inside its WHERE clause, for the filter appended to it.
    QString reportQuery;
    // Values for the named placeholders of reportQuery (":threshold" and the like).
    QVariantMap reportBindings;
    bool showSalesSummary = false;

protected:
    void showEvent(QShowEvent* event) override;

private slots:
    void on_radioSalesCategory_toggled(bool checked);
    void on_radioProduct_toggled(bool checked);
    void on_radioCustomer_toggled(bool checked);
    void on_radioDate_toggled(bool checked);
    void on_radioUser_toggled(bool checked);
    void on_checkViewReturns_toggled(bool checked);
    void on_radioIndividualExpenses_toggled(bool checked);
    void on_radioCategory_toggled(bool checked);
    void on_radioDate_2_toggled(bool checked);
    void on_comboBoxVendors_currentIndexChanged(int index);
    void on_checkEnableSorting_toggled(bool checked);
    void on_group_summary_toggled(bool checked);
    void ShowContextMenuOnTable(const QPoint& pos);
    void on_buttonPrint_clicked();
    void on_pushPrintToPDF_clicked();
    void on_pushExport_clicked();
    void on_buttonClose_clicked();
    void on_pushAddToPurchaseOrder_clicked();

private:
    // Not a slot, so that connectSlotsByName does not look for an object of this name.
    void on_ShowMessage();

    // reportviewer_sales.cpp
    void ShowSalesByCategory();
    void ShowSalesByProduct();
    void ShowSalesByCustomer();
    void ShowSalesByDate();
    void ShowSalesByUser();
    void ShowSalesGrouping(int kind, const QString& key, const QString& group);
    // reportviewer_stock.cpp
    void ShowIndividualExpenses();
    void ShowExpensesByCategory();
    void ShowExpensesByDate();
    void ShowStockTotals(const QVariant& categoryId);

    // Prints the report as on screen, or saves it as "report.pdf" and opens it.
    void PrintReport(bool toPdf);
    void ApplyColumnVisibility();
    // Runs a report statement into the table; a failure is shown and leaves the table empty.
    bool RunReportQuery(const QSqlDatabase& db, const QString& sql, const QVariantMap& bindings);
    // The first value of a one-row sum as text, "0" for none; a failure is shown and gives "0".
    QString SumText(const QSqlDatabase& db, const QString& sql, const QVariantMap& bindings, bool localeMoney);
    // Tells the first of a run of failed reads, with its reason.
    void ShowQueryError(const QString& what, const QSqlQuery& query);
    // A failed report shows none of the totals this viewer read before it: they read "0" until a report is read
    // again, which brings them back. The sales summary handed in stays.
    void ShowTotalsOf(bool reportRead);
    QVariantMap PeriodBindings() const;
    // The period's expenses, shown in the sales and the expense mode.
    QString ExpenseTotalText();

    Ui::ReportViewer ui;
    QDate startDate;
    QString totalReturns;
    QDate endDate;
    QString purchaseOrderId;
    bool expenseMode = false;
    bool categoryMode = false;
    bool subItemsMode = false;
    QString salesTaxName;
    QString decimalPlaces;
    bool printCompanyInfo = true;
    bool printCompanyLogo = true;
    QString companyLogoPath;
    int logoSize = 20;
    int logoWidth = 0;
    int logoHeight = 0;
    QSqlQueryModel* model = nullptr;
    SortingProxyModel* proxy = nullptr;
    QSqlTableModel* filterModel = nullptr;
    ReadFailureNotice reads;
    QList<QPair<QLineEdit*, QString>> totalsBeforeFailure;
};
