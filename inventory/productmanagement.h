#pragma once

#include "appsettings.h"
#include "readfailurenotice.h"
#include "ui_productmanagement.h"

#include <QScrollArea>

#include <optional>

class ProductModel;
class SortingProxyModel;
class StockModel;
class QSqlQuery;
class QTableView;

// The products-and-stock page: products with their categories on one tab, the stock rows of the current
// product on the other. In select mode it is the product picker inside a caller's host dialog.
class ProductManagement : public QScrollArea
{
    Q_OBJECT
public:
    ProductManagement(QWidget* parent, bool selectMode);
    ~ProductManagement() override;

    QString GetSelectedProductCode() const;

    // Runs the product picker in a modal host dialog of the given size and returns the chosen product code,
    // empty when no product row was ever current.
    static QString PickProductCode(QWidget* hostParent, const QSize& size = QSize(800, 600));

    // False when the connection was lost; a refusal or another failure is told and lets the next product go on.
    bool DeleteProduct(QSqlQuery& query, QString id, QString code);
    void ApplyColumnChoice();

public slots:
    void ShowMessage();
    void OnProductSeleted();
    void on_buttonSearch_clicked();
    void on_buttonAddNew_clicked();
    void on_buttonEdit_clicked();
    void on_buttonDelete_clicked();
    void on_buttonShowAll_clicked();
    void OnRowDoubleClicked(const QModelIndex& index);
    void OnInventoryRowDoubleClicked(const QModelIndex& index);
    void on_pushButton_clicked();
    void on_pushExport_clicked();
    void on_pushImport_clicked();
    void on_pushSaveAsPDF_clicked();
    void on_pushPrint_clicked();
    void on_checkEnableSorting_toggled(bool checked);
    void ShowContextMenuOnProductsTable(const QPoint& pos);
    void ShowContextMenuOnProductsStockTable(const QPoint& pos);
    void on_CtrlB();
    void on_groupBox_toggled(bool checked);
    void on_group_image_toggled(bool checked);
    void on_push_show_clicked();
    void on_lineEditCategory_returnPressed();
    void on_editName_returnPressed();
    void on_editCode_returnPressed();

private:
    bool ProductsTabCurrent() const;
    // Selects the products again, with a new filter when one is given; a refused statement is reported, not
    // shown as an empty list.
    void SelectProducts(const std::optional<QString>& filter = std::nullopt);
    bool SelectStock(const std::optional<QString>& filter = std::nullopt);
    void ChooseColumns(QTableView* view, ColumnVisibility& columns, const QPoint& pos);
    void PrintList(bool toPdf);
    void DeleteStock();

    Ui::ProductManagement ui;
    QString selectedProductCode;
    QString imagesFolder;
    bool selectMode;
    ProductModel* productModel = nullptr;
    SortingProxyModel* proxy = nullptr;
    StockModel* stockModel = nullptr;
    ReadFailureNotice reads;
};
