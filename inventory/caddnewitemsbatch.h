#pragma once

#include "rounding.h"
#include "voranteldialog.h"

#include "ui_caddnewitemsbatch.h"

#include <QSqlRecord>

class QCompleter;
class QSqlQuery;
class QSqlQueryModel;
class QSqlTableModel;

// Adds a stock batch (a tblInventory row) to a product or edits one: stock code, vendor, prices with or
// without tax, quantity, sub-items, discount, reorder values, point-of-sale button and expiry.
class CAddNewItemsBatch : public VorantelDialog
{
    Q_OBJECT
public:
    explicit CAddNewItemsBatch(QWidget* parent);

    void SelectProductByCode(const QString& productCode);
    void SelectProductAndStock(const QString& productCode, const QString& stockCode);
    // Shows a stock row (ID, BAR_CODE, PRODUCT_CODE, BATCH_NUMBER, V_NAME, EXPIRY_DATE in the display date
    // format, STORAGE_LOCATION, QUANTITY, SUB_ITEMS, PURCHASE_PRICE, SALE_PRICE, SHOW_ON_POS, DISCOUNT,
    // REORDER_LEVEL, REORDER_QUANTITY, IMAGE_FILE) for editing.
    void LoadStock(const QSqlRecord& record);

public slots:
    void UpdateLayout();
    void ShowHelpMessage();
    void on_pushButtonClose_clicked();
    void on_pushButtonAdd_clicked();
    void on_pushSelectProduct_clicked();
    void on_editProductCode_returnPressed();
    void on_pushVendors_clicked();
    void on_editProductCode_textChanged(const QString& text);
    void on_comboBoxProducts_activated(int index);
    void on_pushSelect_clicked() {}
    void on_lineEditSalePrice_textChanged(const QString& text);
    void on_lineEditSalePriceWitTax_textChanged(const QString& text);
    void on_lineEditSalePrice_editingFinished() {}
    void on_lineEditSalePriceWitTax_editingFinished() {}
    void on_radioButtonSalePriceWithTax_toggled(bool checked);
    void on_radioPurchaseWithoutTax_toggled(bool checked);
    void on_lineEditPurchasePrice_textChanged(const QString& text);
    void on_lineEditPurchasePriceWithTax_textChanged(const QString& text);
    void on_comboBoxStocks_currentIndexChanged(int index);
    void on_pushButtonUpdate_clicked();
    void on_checkExpiryDate_toggled(bool checked);
    void on_checkAutoGenerate_toggled(bool checked);
    void on_CtrlB();
    void on_editBatch_returnPressed();
    void on_lineStorageLocation_returnPressed();
    void on_lineEditPurchasePrice_returnPressed();
    void on_lineEditPurchasePriceWithTax_returnPressed();
    void on_lineEditSalePrice_returnPressed();
    void on_lineEditSalePriceWitTax_returnPressed();
    void on_lineEditDiscount_returnPressed();
    void on_lineQuantity_returnPressed();
    void on_editSubItems_returnPressed();
    void on_lineReoderLevel_returnPressed();
    void on_lineReoderQuantity_returnPressed();
    void on_groupShowMore_toggled(bool checked);

private:
    bool ValidateStockCode(const QString& code);
    bool ValidateInput();
    void Save();
    void ShowStatus(const QString& text, int kind);
    void ClearStockFields();
    void ShowProductImage(const QString& imageFile);
    void UpdateSalePriceWithTax();
    void UpdateSalePriceWithoutTax();
    void UpdatePurchasePriceWithTax();
    void UpdatePurchasePriceWithoutTax();
    void TakeProductCode(const QString& code);
    void SelectProduct(const QString& productCode, bool refillStocks);
    void ShowStock(const QSqlRecord& record, bool refillStocks);
    void StoreOptions();
    bool ReadStockCount(QLineEdit* field, const QString& caption, const QString& emptyMessage, qint64* count);
    bool ConfirmSalePrice();
    bool UpdateStockRow(QSqlQuery* query, qint64 typedQuantity, qint64 typedSubItems, QString* error);
    void ShowStoredCounts();
    double TaxFactor() const;
    double ReadAmount(const QLineEdit* field) const;
    QString AmountText(double amount) const;

    Ui::CAddNewItemsBatch ui;
    bool editFlag = false;
    int productId = -1;
    QString productCode;
    QString stockRowId;
    QString loadedCode;
    // What the edited row held when shown: a save adds the user's change to what the row holds then.
    qint64 loadedQuantity = 0;
    qint64 loadedSubItems = 0;
    int itemsPerUnit = 1;
    // The sale price texts as the edited row was shown; a save that leaves both alone asks nothing about them.
    QString shownSalePrice;
    QString shownSalePriceWithTax;
    bool serviceFlag = false;
    RoundingMode roundingMode = RoundingUp;
    QString decimalPlaces;
    QString taxDecimals;
    QString imagesFolder;
    bool loading = false; // a stock row is being shown: the product selection must not load another one
    bool typedLookUp = false; // the code being typed is looked up: the look-up moves no focus
    bool autoGenerateChoice = true; // "Auto Generate Stock Code" as last set for a new stock
    QSqlTableModel* vendorModel = nullptr;
    QSqlQueryModel* productModel = nullptr;
    QCompleter* completer = nullptr;
};
