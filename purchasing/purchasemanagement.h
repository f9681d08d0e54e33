#pragma once

#include "readfailurenotice.h"
#include "ui_purchasemanagement.h"

#include <QScrollArea>
#include <QVariantList>

class PurchaseModel;
class SortingProxyModel;

// The purchase orders page: every order with its vendor, status, dates, totals and payment state;
// searched, opened in the editor, deleted with its lines, printed and exported.
class PurchaseManagement : public QScrollArea
{
    Q_OBJECT
public:
    explicit PurchaseManagement(QWidget* parent);
    ~PurchaseManagement() override;

    // The statement the list shows now and the values bound to it.
    QString CurrentQuery() const { return currentQuery; }
    QVariantList CurrentValues() const { return currentValues; }

public slots:
    void on_buttonSearch_clicked();
    void on_editName_returnPressed();
    void on_buttonShowAll_clicked();
    void on_buttonAddNew_clicked();
    void on_buttonEdit_clicked();
    void OnRowDoubleClicked(const QModelIndex& index);
    void on_buttonDelete_clicked();
    void OnItemSeleted();
    void on_pushExport_clicked();
    void on_pushPrint_clicked();
    void on_pushSaveAsPDF_clicked();
    void on_checkSent_toggled(bool checked);
    void on_checkDelivery_toggled(bool checked);
    void on_group_search_toggled(bool checked);
    void on_checkEnableSorting_toggled(bool checked);
    void on_comboStatus_currentIndexChanged(int index);
    void on_combo_payment_status_currentIndexChanged(int index);

private:
    // After a write (edit, delete) a read that finds the server away keeps the rows shown instead.
    void RunCurrentQuery(bool afterWrite = false);
    void ShowTable();

    Ui::PurchaseManagement ui;
    QString baseQuery;
    QString currentQuery;
    QVariantList currentValues;
    PurchaseModel* model = nullptr;
    SortingProxyModel* proxy = nullptr;
    ReadFailureNotice reads;
};
