#pragma once

#include "rounding.h"
#include "voranteldialog.h"

#include "ui_addeditpurchaseorder.h"

#include <QSqlRecord>

class PurchaseItemsModel;
class QImage;
class QLocale;
class QSqlTableModel;

// A purchase order (tblPOrders) with its lines: created, edited and, once closed, only viewed.
class AddEditPurchaseOrder : public VorantelDialog
{
    Q_OBJECT
public:
    // row null: a new order; otherwise a row of the purchase orders list.
    AddEditPurchaseOrder(QWidget* parent, QSqlRecord* row);
    ~AddEditPurchaseOrder() override;

    void LoadPurchaseOrder(QSqlRecord* row);
    void ShowStatus(const QString& text, int kind);
    void SetViewOnlyMode();
    void ShowProductImage(const QString& imageFile);
    void FillShippingFromCompany();
    // Writes the order; true when the database took it.
    bool Save();

    QString OrderId() const { return purchaseOrderId; }
    bool IsModified() const { return modified; }

public slots:
    void ShowMessage();
    void OnItemSelected(const QModelIndex& index);
    void on_RowChanged(const QModelIndex& current, const QModelIndex& previous);
    void OnRowDoubleClicked(const QModelIndex& index);
    void on_pushClose_clicked();
    void on_pushSearchVendor_clicked();
    void on_pushAddItem_clicked();
    void on_pushDeleteItem_clicked();
    void on_comboVendors_currentIndexChanged(int index);
    void on_pushSave_clicked();
    void on_line_paid_amount_returnPressed();
    void on_textEditNotes_textChanged();
    void on_lineEditShippingName_textChanged(const QString& text);
    void on_textEditShippingAddress_textChanged();
    void on_lineEditShippingContact_textChanged(const QString& text);
    void on_lineEditShipVia_textChanged(const QString& text);
    void on_dateSent_dateChanged(const QDate& date);
    void on_dateDeliver_dateChanged(const QDate& date);
    void on_checkBoxShipToCompanyAddress_clicked();
    void on_checkBoxShipToCompanyAddress_toggled(bool checked);
    void on_comboStatus_currentIndexChanged(int index);
    void on_comboPaymentStatus_currentIndexChanged(int index);
    void on_pushEditItem_clicked();
    void on_pushSearchInventory_clicked();
    void on_comboBoxTaxStatus_currentIndexChanged(int index);
    void on_tabWidget_currentChanged(int index);
    void on_line_paid_amount_textChanged(const QString& text);
    void on_pushUpdateTimestamp_clicked();
    void on_pushReceiveStock_clicked();
    void on_comboStatus_currentTextChanged(const QString& arg1);
    void on_pushButton_clicked();
    void on_pushPreview_clicked();
    void on_pushPrint_clicked();
    void on_pushPrintToPDF_clicked();
    void on_pusSendEmail_clicked();
    void setValue(int& recNo, QString& paramName, QVariant& paramValue, int reportPage);
    void setValueImage(int& recNo, QString& paramName, QImage& paramValue, int reportPage);

public:
    void printReport(bool preview);
    // False when the PDF was not written (the user has been told).
    bool PrintToPDF(QString& file_name, bool open_after_printing);
    void PrintToPDF(QString& file_name);

private:
    // Line grid (addeditpurchaseorder_items.cpp).
    void BuildItemGrid();
    void RefreshItems();
    // Reads the order's items into the grid; a failure is told on the status line.
    void ReadItems();
    void SetUnitPriceHeader();
    void SelectLine(const QModelIndex& index);
    void SetTotals(double subTotal, double tax);
    bool RepriceLines(bool withTax, double* subTotal, double* tax, QString* error);

    // Status reactions (addeditpurchaseorder_status.cpp).
    bool StampAndSave();
    void RestoreStatus(const QString& word);
    // Output (addeditpurchaseorder_output.cpp).
    class ReportEngine* NewEngine();

    // Makes the vendor of that ID the combo's choice; false when the list has no such vendor.
    bool SelectVendor(const QString& id);
    // Says so on the status line when the stored order is CLOSED.
    bool RefuseClosed();
    // The sub-total and tax fields with their labels.
    void ShowTaxTotals(bool shown);

    // The texts of the amount fields as loaded or last saved: the amounts are shown rounded to the
    // shop's places, so a save writes only those whose text changed.
    struct AmountTexts
    {
        QString subTotal, tax, paid;
        bool totalIsSum = true; // the stored total is the stored sub-total plus tax, so it need not be written
    };
    AmountTexts AmountsShown() const;

    double Amount(const QLineEdit* field) const;
    QString Money(double value) const;
    double Round(double value) const;
    void Stamp();

    Ui::AddEditPurchaseOrder ui;
    QString purchaseOrderId;
    QString vendorId;
    QString selectedItemId;
    QString loadedStatusText;
    QImage* companyLogo = nullptr;
    QString companyName;
    QString companyAddress;
    QString companyPhone;
    QString currencySymbol;
    QString companyLogoPath;
    QString vendorName;
    QString vendorAddress;
    QString vendorContact;
    QString vendorEmail;
    int logoSize = 20;
    QString taxName;
    bool taxEnabled = true;
    QString decimalPlaces;
    bool printCompanyInfoLarge = true;
    bool printCompanyLogoLarge = true;
    QString imagesFolder;
    int finalAmountPrecision = 2;
    bool modified = false;
    AmountTexts savedAmounts;
    bool closedInDatabase = false; // the stored order is CLOSED: it is never written again
    const QLocale* locale = nullptr;

    RoundingMode roundingMode = RoundingUp;
    QSqlTableModel* vendorModel = nullptr;
    PurchaseItemsModel* itemsModel = nullptr;
};
