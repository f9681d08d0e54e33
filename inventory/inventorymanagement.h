#pragma once

#include "readfailurenotice.h"
#include "ui_inventorymanagement.h"

#include <QScrollArea>

class InventoryModel;
class SortingProxyModel;
class QShortcut;

// The inventory page: every stock row with its product, category and vendor, searched, moved, deleted,
// printed and labelled. In select mode it is the stock picker inside a caller's host dialog.
class InventoryManagement : public QScrollArea
{
    Q_OBJECT
public:
    InventoryManagement(QWidget* parent, bool selectMode);
    ~InventoryManagement() override;

    QString GetSelectedStockCode() const;

    // Runs the stock picker in its host dialog (950 x 600, modal) and returns the chosen stock code,
    // empty when nothing was chosen.
    static QString PickStockCode(QWidget* hostParent);

    // The statement the list shows now: the full list plus the active search conditions.
    QString CurrentQuery() const { return currentQuery; }

public slots:
    void on_buttonSearch_clicked();
    void on_buttonShowAll_clicked();
    void on_buttonAddNew_clicked();
    void on_buttonEdit_clicked();
    void on_buttonDelete_clicked();
    void on_pushMove_clicked();
    void on_pushBarcodes_clicked();
    void on_pushImport_clicked();
    void on_pushExport_clicked();
    void on_pushPrint_clicked();
    void on_pushSaveAsPDF_clicked();
    void on_pushSelect_clicked();
    void on_pushClose_clicked();
    void on_checkBoxExpiry_toggled(bool checked);
    void on_checkEnableSorting_toggled(bool checked);
    void on_groupBox_toggled(bool checked);
    void on_push_show_clicked();
    void on_group_image_toggled(bool checked);
    void on_editName_returnPressed();
    void on_editCode_returnPressed();
    void on_lineProductCode_returnPressed();
    void on_lineCategory_returnPressed();
    void on_lineEditVendor_returnPressed();
    void on_lineLocation_returnPressed();
    void on_lineEditBatchNumber_returnPressed();
    void on_currentRowChanged(const QModelIndex& current, const QModelIndex& previous);
    void OnRowDoubleClicked(const QModelIndex& index);
    void ShowContextMenuOnInventoryTable(const QPoint& pos);
    void on_CtrlB();
    void on_AdjustImageSize();

private:
    // Gives the model currentQuery; a refused statement is reported, not shown as an empty list. After a write, a
    // read that finds the server away keeps the rows shown instead.
    void RunCurrentQuery(bool afterWrite = false);
    void Refresh(bool resize);
    void ApplyColumnChoice();
    void PrintList(bool toPdf);
    // The model row of a grid index, -1 when it is not valid.
    int SourceRow(const QModelIndex& viewIndex) const;
    void SelectRow(const QModelIndex& viewIndex);

    Ui::InventoryManagement ui;
    QString baseQuery;
    QString currentQuery;
    QString selectedStockCode;
    bool selectMode;
    InventoryModel* model = nullptr;
    SortingProxyModel* proxy = nullptr;
    QString imagesFolder;
    ReadFailureNotice reads;
};
