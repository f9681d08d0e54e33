#pragma once

#include <QScrollArea>

#include "ui_reportsmanagement.h"

// The page from which a report is chosen: financial and expense reports over a period, and
// the inventory lists (low stock, expiring and out-of-stock stock, stock count and value).
class ReportsManagement : public QScrollArea
{
    Q_OBJECT
public:
    explicit ReportsManagement(QWidget* parent);

private slots:
    void on_buttonInventoryView_clicked();
    void on_buttonSaleView_clicked();
    void on_pushViewExpenseReport_clicked();

private:
    // Asks for a whole number; false (after saying why, unless nothing was given) otherwise.
    bool AskWholeNumber(const QString& caption, int* number);
    // Shows a stock list in a report viewer with its vendor filter.
    void RunStockList(const QString& heading, const QString& statement, const QVariantMap& bindings);

    Ui::ReportsManagement ui;
};
