#pragma once

#include "readfailurenotice.h"

#include <QScrollArea>

#include <optional>

#include "ui_salesmanagement.h"

class QSqlTableModel;
class QTableView;
class SalesDetailsSqlTableModel;
class SalesSqlTableModel;

// The stored sales of the active sales database: searched, inspected line by line, deleted,
// reopened in the sale screen, printed and exported. The sale screen also runs it as its
// picker of stored receipts or invoices.
class SalesManagement : public QScrollArea
{
    Q_OBJECT
public:
    // saleTypeFilter: 0 no preset, 1 receipts, 2 invoices.
    SalesManagement(QWidget* parent, bool popup, bool selectMode, int saleTypeFilter);
    ~SalesManagement() override;

    QString GetSelectedSaleId() const;

public slots:
    void OnItemSelected(const QModelIndex& index);
    void OnRowDoubleClicked(const QModelIndex& index);
    void ShowContextMenuOnSalesTable(const QPoint& pos);
    void ShowContextMenuOnSalesDetailsTable(const QPoint& pos);

private slots:
    void on_buttonSearch_clicked();
    void on_editSalesID_returnPressed();
    void on_lineEditCustomerName_returnPressed();
    void on_buttonShowAll_clicked();
    void on_pushSelect_clicked();
    void on_pushClose_clicked();
    void on_comboFilter_currentIndexChanged(int index);
    void on_comboInvoiceStatus_currentIndexChanged(int index);
    void on_comboInvoiceStatus_currentTextChanged(const QString& text);
    void on_checkBoxEnableDate_toggled(bool checked);
    void on_checkDueDate_toggled(bool checked);
    void on_group_search_toggled(bool checked);
    void on_checkEnableSorting_toggled(bool checked);
    // Deletion, reopening and output (salesmanagement_actions.cpp).
    void on_buttonDelete_clicked();
    void on_buttonEdit_clicked();
    void on_pushExport_clicked();
    void on_pushPrint_clicked();
    void on_pushSaveAsPDF_clicked();

private:
    SalesSqlTableModel* salesModel() const;
    SalesDetailsSqlTableModel* detailsModel() const;
    QModelIndex ToSales(const QModelIndex& viewIndex) const;
    // Selects a model, with a new filter when one is given, and loads every row; a failed query is reported
    // instead of passing for an empty list. A sales list that could not be read takes the lines with it.
    void Select(QSqlTableModel* model, const std::optional<QString>& filter = std::nullopt);
    void ShowLinesOf(const QString& saleId);
    void ShowColumnChooser(QTableView* view, QVector<QPair<QString, bool>>* columns, const QPoint& pos);
    void ApplyColumnVisibility();
    // Deletes one sale with its lines and held payments as a whole; false after reporting a failure.
    bool DeleteSale(const QString& saleId);

    Ui::SalesManagement ui;
    QString selectedSaleId;
    bool popupMode;
    int saleTypeFilter;
    bool selectedSaleIsInvoice = false;
    ReadFailureNotice reads;
};
