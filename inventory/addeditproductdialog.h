#pragma once

#include "voranteldialog.h"

#include "ui_addeditproductdialog.h"

#include <QMap>
#include <QSqlRecord>

class QCompleter;
class QSqlQuery;
class QSqlQueryModel;
class QSqlTableModel;

// Creates a product (with its first, empty stock row) or edits one; the form's search box loads any product.
class AddEditProductDialog : public VorantelDialog
{
    Q_OBJECT
public:
    explicit AddEditProductDialog(QWidget* parent);

    // Loads a product and switches to edit mode. The record has the columns of tblProducts, with the
    // category name in place of CATEGORY_ID.
    void SetProduct(int row, const QSqlRecord& record);

    // Kept for callers of the older form; they do nothing.
    void on_pushButton_clicked() {}
    void on_checkServiceItem_clicked() {}

    QString CurrentCode() const { return currentCode; }
    QString InitialStockCode() const { return initialStockCode; }

public slots:
    void on_buttonAdd_clicked();
    void on_pushUpdate_clicked();
    void on_buttonClose_clicked();
    void on_pushNewProduct_clicked();
    void SetStateOnNewProduct();
    void SetStateAfterAddProduct();
    void on_buttonSelectImage_clicked();
    void on_checkBoxCustomRate_toggled(bool checked);
    void on_pushCategories_clicked();
    void on_pushAddInventory_clicked();
    void on_pushWhatIsThis_clicked();
    void on_checkBoxPrint_toggled(bool checked);
    void on_checkServiceItem_toggled(bool checked);
    void on_checkAutoGenerate_toggled(bool checked);
    void on_comboProductSearch_activated(int index);
    void on_groupShowMore_toggled(bool checked);
    void on_editCode_textChanged(const QString& text);
    void UpdateLayout(bool display_message = true);
    void on_CtrlB();
    bool ValidateProductCode();
    void on_editName_returnPressed();
    void on_editDescription_returnPressed();
    void on_lineEditQuantityUnitName_returnPressed();
    void on_lineEditSubQuantityUnitName_returnPressed();
    void on_editItemsPerUnit_returnPressed();
    void on_editCode_returnPressed();
    void on_lineEditCustomRate_returnPressed();
    void on_ComboCategoryReturnPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadProductById(const QString& id);
    void ClearForm();
    void ShowStatus(const QString& message, int kind);
    void ShowImage(const QString& path);
    // Field checks shared by add and update; add selects the add's wording.
    bool CheckFields(bool checkCode, bool add, int* categoryId, int* itemsPerUnit);
    // Reads the category list; a failure is told on the status line.
    bool LoadCategories();
    double TaxRateValue() const;
    // Binds the form's product columns, alike for an add and an update.
    void BindFormFields(QSqlQuery* query, int items) const;
    // Writes the new product's first stock row on the add's transaction; false with the driver's text.
    bool AddInitialStock(int productId, const QString& productCode, QString* error);
    void StoreOptions();
    void ReturnPressed();

    Ui::AddEditProductDialog ui;
    QString imagePath;
    bool editMode = false;
    int loadedRow = -1;
    QString imagesFolder;
    QString taxDecimals;
    QMap<QString, double> rateTable;
    QString currentCode;
    QString initialStockCode;
    QSqlRecord loadedRecord;
    bool bangFlag = false;
    QSqlTableModel* categoryModel = nullptr;
    bool categoriesRead = false;
    QSqlQueryModel* searchModel = nullptr;
    QCompleter* completer = nullptr;
};
