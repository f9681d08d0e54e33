#pragma once

#include "rounding.h"
#include "voranteldialog.h"

#include "ui_addeditpoitemdialog.h"

#include <QSqlRecord>

class QCompleter;
class QLocale;
class QSqlQuery;
class QSqlQueryModel;

// One line of a purchase order (tblPODetails), added, edited or viewed. The dialog writes the line itself
// and tells its opener by how much the order's sub-total and tax changed.
class AddEditPOItemDialog : public VorantelDialog
{
    Q_OBJECT
public:
    AddEditPOItemDialog(QWidget* parent, QString purchaseOrderId, bool itemTaxDisabled);
    ~AddEditPOItemDialog() override;

    // A row of the editor's items query.
    void SetEditMode(const QSqlRecord& line);
    void SetViewMode();
    // After SetEditMode: the line's deliveries are received into stock.
    void SetReceiveMode();
    bool ValidateReceiveInput();
    void ShowStatus(const QString& message, int kind);
    bool ValidateInput();
    void HideStockReceiving() { ui.groupStockReceiving->hide(); }

    double subTotalChange = 0;
    double taxChange = 0;
    QString vendorId;

public slots:
    void on_pushButton_clicked();
    void on_comboBoxProducts_activated(int index);
    void on_pushSelect_clicked();
    void on_lineOrderQuantity_textChanged(const QString& text);
    void on_lineProductCode_textChanged(const QString& code);
    void on_pushSearchItem_clicked();
    void on_pushUpdate_clicked();
    void on_pushClose_clicked();
    void on_lineUnitPrice_textChanged(const QString& text);
    void on_radioUnitPriceWithoutTax_toggled(bool checked);
    void on_radioSalePriceWithoutTax_toggled(bool checked);
    void on_lineUnitPriceWithTax_textChanged(const QString& text);
    void on_lineSalePrice_textChanged(const QString& text);
    void on_lineEditSalePriceWithTax_textChanged(const QString& text);
    void on_checkAddToExistingStock_toggled(bool checked);
    void on_comboSelectStock_currentIndexChanged(int index);
    void on_comboStockPrices_currentIndexChanged(int index);
    void on_pushInventorySearch_clicked();
    void on_checkBoxExpiry_pressed();
    void on_pushRSSearchStock_clicked();
    void on_checkCreateNewStock_toggled(bool checked);
    void on_checkAutoGenerateNewStockCode_toggled(bool checked);
    void on_CtrlB();
    void on_lineUnitPriceWithTax_returnPressed();
    void on_lineUnitPrice_returnPressed();
    void on_lineOrderQuantity_returnPressed();
    void on_pushUpdateStock_clicked();
    void ShowHelpMessage();

private:
    enum Mode { AddMode, EditMode, ViewMode, ReceiveMode };

    // Receiving (addeditpoitemdialog_receive.cpp).
    bool WriteReceipt(QSqlQuery& query, qint64 newTotal, const QString& stockId, QString* error);
    bool AddToExistingStock(QSqlQuery& query, const QString& code, QString* error);
    bool ConfirmSalePrice();
    bool CreateStockRow(QSqlQuery& query, QString* code, QString* error);
    void ReloadStockCodes(const QString& current);

    // Pricing (addeditpoitemdialog_pricing.cpp).
    void SetUpProductSearch();
    void UpdateSalePriceWithTax();
    void UpdateSalePriceWithoutTax();
    void RecomputeDerivedPrices();
    int Int(const QLineEdit* field) const;
    double Double(const QLineEdit* field) const;
    QString Fixed(double value) const;
    // The shortest text that reads back as the same double, without exponent.
    QString Exact(double value) const;
    double Round(double value) const;
    double ItemRate() const; // r: the rate of the unit purchase prices
    double ProductRate() const;
    double LineTax(double lineTotal) const;

    // Writes (addeditpoitemdialog.cpp).
    void SaveAction();
    bool WriteLine(bool update);
    void StoreOptions();
    // Ticks and opens the new-stock choices, or clears and closes them for a delivery onto existing stock.
    void SetNewStockFields(bool newStock);
    // The expiry date to store, or NULL when the line has none.
    QVariant ExpiryValue() const;

    // Stock look-ups (addeditpoitemdialog_stock.cpp).
    // The product's stock rows (code and purchase price) behind both stock combos.
    void LoadStockRows(const QString& productCode);

    Ui::AddEditPOItemDialog ui;
    QString purchaseOrderId;
    bool taxEnabled = true;
    QString lineId;
    double loadedLineTotal = 0;
    double loadedLineTax = 0;
    bool itemTaxEnabled = true;
    int decimalPlaces = 2;
    QSqlQueryModel* stockModel = nullptr;
    RoundingMode roundingMode = RoundingUp;
    const QLocale* locale = nullptr;
    QString taxDecimalPlaces;
    Mode mode = AddMode;
    QSqlQueryModel* productModel = nullptr;
    QCompleter* completer = nullptr;
};
