#pragma once

#include <QDate>
#include <QWidget>

// The ready-made reports over fixed periods: the financial report (sales, discount, tax,
// purchase cost, items sold and returned), the expense report and the stock count and value
// report. Each computes its figures, hands them to a fresh report viewer and runs it modally.
class ReportGenerator : public QWidget
{
    Q_OBJECT
public:
    explicit ReportGenerator(QWidget* parent);

    void FinancialReportCurrentDay();
    void FinancialReportLastDay();
    void FinancialReportLast7Days();
    void FinancialReportLast30Days();
    void FinancialReportDateRange();

    void ExpenseReportCurrentDay();
    void ExpenseReportLastDay();
    void ExpenseReportLast7Days();
    void ExpenseReportLast30Days();
    void ExpenseReportDateRange();

    void StockCountAndValueReport();

private:
    // Asks for a period in the date-range prompt; the report is made whatever way it closed.
    static QPair<QDate, QDate> AskPeriod();
    void FinancialReport(const QDate& start, const QDate& end, const QString& heading, bool chosenPeriod);
    void ExpenseReport(const QDate& start, const QDate& end, const QString& heading, bool chosenPeriod);

    int decimalPlaces;
    int finalAmountPrecision;
};
