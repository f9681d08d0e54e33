// The product dialog's form: construction, the two modes, loading, options, image and keys.
#include "addeditproductdialog.h"

#include "appsettings.h"
#include "caddnewitemsbatch.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "managecategories.h"
#include "productsearchmodel.h"
#include "progress.h"
#include "searchbox.h"
#include "sqlfilter.h"
#include "statuslabel.h"

#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocale>
#include <QMainWindow>
#include <QScroller>
#include <QSettings>
#include <QShortcut>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTimer>

namespace {
const QString NO_IMAGE = QStringLiteral(":/resources/images/NoImageAvailable.jpg");

QString ImageStyle(const QString& path)
{
    return QStringLiteral("QLabel {border-image:url(") + path + QStringLiteral("); }");
}
} // namespace

AddEditProductDialog::AddEditProductDialog(QWidget* parent)
    : VorantelDialog(parent)
{
    AppSettings* app = AppSettings::Instance();
    QSettings* settings = app->settings;
    const QLocale& locale = *app->locale;

    ui.setupUi(this);
    ui.pushNewProduct->setEnabled(false);
    ui.pushUpdate->setEnabled(false);
    ui.editItemsPerUnit->setText(QStringLiteral("1"));
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);

    categoryModel = new QSqlTableModel(this, *DatabaseManager::Instance()->InventoryDatabase());
    categoryModel->setTable(QStringLiteral("tblProductCategories"));
    categoryModel->setSort(1, Qt::AscendingOrder);
    ui.comboCategory->setModel(categoryModel);
    ui.comboCategory->setModelColumn(1);
    LoadCategories();

    imagePath = NO_IMAGE;
    ShowImage(imagePath);

    const QString taxName = settings->value(QStringLiteral("SALES_TAX_NAME"), QStringLiteral("Sales Tax")).toString();
    ui.labelTaxRate->setText(tr("%1 Rate").arg(taxName));
    ui.checkBoxCustomRate->setText(tr("Custom %1 Rate  ").arg(taxName));

    imagesFolder = settings->value(QStringLiteral("IMAGES_FOLDER"), QString()).toString();
    taxDecimals = settings->value(QStringLiteral("tax_decimal_places"), 3).toString();

    const struct
    {
        const char* key;
        const char* prefix;
    } rates[] = {{"SALES_TAX_RATE_A", "A - "}, {"SALES_TAX_RATE_B", "B - "}, {"SALES_TAX_RATE_C", "C - "}};
    for (const auto& rate : rates) {
        const QString text = locale.toString(settings->value(QLatin1String(rate.key), 0).toDouble(), 'f',
                                             taxDecimals.toInt());
        rateTable.insert(QLatin1String(rate.prefix) + text + QStringLiteral(" %"), locale.toDouble(text));
    }
    for (auto it = rateTable.cbegin(); it != rateTable.cend(); ++it)
        ui.comboTaxRates->addItem(it.key());
    ui.comboTaxRates->setCurrentIndex(0);
    ui.lineEditCustomRate->setEnabled(false);

    if (!settings->value(QStringLiteral("enable_tax"), true).toBool()) {
        ui.checkBoxCustomRate->setChecked(true);
        ui.lineEditCustomRate->setText(QStringLiteral("0"));
        for (QWidget* w : {static_cast<QWidget*>(ui.comboTaxRates), static_cast<QWidget*>(ui.checkBoxCustomRate),
                           static_cast<QWidget*>(ui.lineEditCustomRate)}) {
            w->setEnabled(false);
            w->hide();
        }
        ui.labelTaxRate->hide();
    }
    if (settings->value(QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("n")).toString() == QLatin1String("n")) {
        for (QWidget* w : {static_cast<QWidget*>(ui.editItemsPerUnit), static_cast<QWidget*>(ui.pushWhatIsThis),
                           static_cast<QWidget*>(ui.labelSubItems),
                           static_cast<QWidget*>(ui.lineEditSubQuantityUnitName),
                           static_cast<QWidget*>(ui.labelSubUnitName)})
            w->hide();
    }

    qApp->installEventFilter(this);

    ui.checkAutoGenerate->setChecked(settings->value(QStringLiteral("aepd_default_auto_generate"), true).toBool());
    ui.editCode->setEnabled(!ui.checkAutoGenerate->isChecked());
    const bool showMore = settings->value(QStringLiteral("aepd_show_more"), false).toBool();
    ui.groupShowMore->setChecked(showMore);
    on_groupShowMore_toggled(showMore);

    auto* shortcut = new QShortcut(QKeySequence(QStringLiteral("Ctrl+B")), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &AddEditProductDialog::on_CtrlB);

    if (ui.checkAutoGenerate->isChecked())
        ui.editName->setFocus();
    else
        ui.editCode->setFocus();

    searchModel = new ProductSearchModel(this);
    searchModel->setQuery(QStringLiteral("SELECT ID, PRODUCT_CODE, CONCAT(NAME, ' [CODE: ' , PRODUCT_CODE, ']') FROM tblProducts"),
                          *DatabaseManager::Instance()->InventoryDatabase());
    completer = NewProductCompleter(searchModel, 2, this);
    ui.comboProductSearch->setEditable(true);
    ui.comboProductSearch->setCompleter(completer);
    ui.comboProductSearch->lineEdit()->setPlaceholderText(tr("Search product and press Enter to select"));
    ui.comboProductSearch->lineEdit()->setStyleSheet(GetSearchBoxStyleSheet());

    QTimer::singleShot(100, this, [this] { UpdateLayout(); });
}

void AddEditProductDialog::ShowImage(const QString& path)
{
    ui.labelImage->setStyleSheet(ImageStyle(path));
}

void AddEditProductDialog::SetProduct(int row, const QSqlRecord& record)
{
    const QLocale& locale = *AppSettings::Instance()->locale;
    loadedRecord = record;
    loadedRow = row;
    editMode = true;

    ui.buttonAdd->setEnabled(false);
    ui.pushUpdate->setEnabled(true);
    ui.pushNewProduct->setEnabled(true);
    ui.pushAddInventory->setEnabled(true);
    ui.checkAutoGenerate->hide();
    ui.editCode->setEnabled(true);

    currentCode = record.value(2).toString();
    ui.editCode->setText(currentCode);
    ui.editName->setText(record.value(3).toString());
    ui.editName->setCursorPosition(0);
    ui.editDescription->setText(record.value(5).toString());
    ui.editDescription->setCursorPosition(0);
    ui.comboCategory->setCurrentText(record.value(1).toString());

    imagePath = record.value(6).toString();
    if (imagePath.isEmpty() || imagePath == NO_IMAGE) {
        ShowImage(NO_IMAGE);
    } else if (!imagesFolder.isEmpty()) {
        const QString path = imagesFolder + QLatin1Char('/') + QFileInfo(imagePath).fileName();
        if (QFileInfo::exists(path))
            ShowImage(path);
        else
            ShowStatus(tr("Image not found in images folder: ") + path, 0);
    } else if (QFileInfo::exists(imagePath)) {
        ShowImage(imagePath);
    } else {
        ShowStatus(tr("Image not found: ") + QFileInfo(imagePath).absoluteFilePath(), 0);
    }

    // Both sides at 6 significant digits: a stored 10.100000381469727 still matches a listed 10.1.
    const QString rateText = locale.toString(record.value(7).toDouble(), 'g', 6);
    ui.comboTaxRates->setCurrentIndex(-1);
    for (auto it = rateTable.cbegin(); it != rateTable.cend(); ++it) {
        if (locale.toString(it.value(), 'g', 6) == rateText) {
            ui.comboTaxRates->setCurrentText(it.key());
            ui.checkBoxCustomRate->setChecked(false);
            break;
        }
    }
    if (ui.comboTaxRates->currentText().isEmpty()) {
        ui.checkBoxCustomRate->setChecked(true);
        ui.lineEditCustomRate->setText(rateText);
    }

    ui.lineEditQuantityUnitName->setText(record.value(8).toString());
    ui.lineEditSubQuantityUnitName->setText(record.value(9).toString());
    ui.checkBoxPrint->setChecked(record.value(10).toBool());
    ui.checkServiceItem->setChecked(record.value(11).toBool());
    ui.editItemsPerUnit->setText(locale.toString(record.value(4).toInt()));
}

void AddEditProductDialog::LoadProductById(const QString& id)
{
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral(
        "Select p.ID, c.NAME, PRODUCT_CODE, p.NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, TAX_RATE, UNIT_NAME, "
        "SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM FROM tblProducts as p, tblProductCategories as c "
        "WHERE p.CATEGORY_ID = c.ID AND p.ID = :id"));
    query->bindValue(QStringLiteral(":id"), id.toInt());
    if (!query->exec() || !query->next())
        return;
    SetProduct(0, query->record());
    ui.pushUpdate->setEnabled(true);
}

void AddEditProductDialog::on_comboProductSearch_activated(int)
{
    completer->setCompletionPrefix(ui.comboProductSearch->currentText());
    const QModelIndex index = completer->currentIndex();
    if (!index.isValid())
        return;
    const QAbstractItemModel* model = completer->completionModel();
    LoadProductById(model->index(index.row(), 0).data().toString());
}

void AddEditProductDialog::ClearForm()
{
    const bool taxEnabled = AppSettings::Instance()->settings->value(QStringLiteral("enable_tax"), true).toBool();
    ui.comboProductSearch->clearEditText();
    ui.comboCategory->setCurrentIndex(-1);
    ui.editCode->clear();
    ui.editName->clear();
    ui.editItemsPerUnit->clear();
    ui.editDescription->clear();
    ui.checkBoxCustomRate->setChecked(!taxEnabled);
    ui.lineEditCustomRate->setText(taxEnabled ? QString() : QStringLiteral("0"));
    if (!taxEnabled)
        ui.lineEditCustomRate->setEnabled(false);
    ui.lineEditQuantityUnitName->clear();
    ui.lineEditSubQuantityUnitName->clear();
    ShowImage(NO_IMAGE);
    imagePath.clear();
    ShowStatus(QString(), 2);
    currentCode.clear();
    ui.editItemsPerUnit->setText(QStringLiteral("1"));
    if (ui.checkAutoGenerate->isChecked())
        ui.editName->setFocus();
    else
        ui.editCode->setFocus();
}

void AddEditProductDialog::on_pushNewProduct_clicked()
{
    SetStateOnNewProduct();
}

void AddEditProductDialog::SetStateOnNewProduct()
{
    const bool taxEnabled = AppSettings::Instance()->settings->value(QStringLiteral("enable_tax"), true).toBool();
    for (QWidget* w : {static_cast<QWidget*>(ui.comboCategory), static_cast<QWidget*>(ui.editName),
                       static_cast<QWidget*>(ui.editItemsPerUnit), static_cast<QWidget*>(ui.editDescription),
                       static_cast<QWidget*>(ui.lineEditQuantityUnitName),
                       static_cast<QWidget*>(ui.lineEditSubQuantityUnitName),
                       static_cast<QWidget*>(ui.buttonSelectImage)})
        w->setEnabled(true);
    // Without tax the rate stays the fixed custom 0.
    for (QWidget* w : {static_cast<QWidget*>(ui.comboTaxRates), static_cast<QWidget*>(ui.checkBoxCustomRate),
                       static_cast<QWidget*>(ui.lineEditCustomRate)})
        w->setEnabled(taxEnabled);
    ui.editCode->setEnabled(!ui.checkAutoGenerate->isChecked());
    ui.checkAutoGenerate->show();
    ui.checkBoxPrint->setChecked(false);
    ui.checkServiceItem->setChecked(false);
    ui.pushAddInventory->setEnabled(false);
    ui.pushUpdate->setEnabled(false);
    ui.buttonAdd->setEnabled(true);
    ClearForm();
    if (taxEnabled)
        ui.lineEditCustomRate->setEnabled(ui.checkBoxCustomRate->isChecked());
}

void AddEditProductDialog::SetStateAfterAddProduct()
{
    ui.pushAddInventory->setEnabled(true);
    ui.pushUpdate->setEnabled(true);
}

void AddEditProductDialog::on_checkAutoGenerate_toggled(bool checked)
{
    ui.editCode->setEnabled(!checked);
}

void AddEditProductDialog::on_editCode_textChanged(const QString& text)
{
    if (text != currentCode)
        ui.buttonAdd->setEnabled(true);
}

void AddEditProductDialog::on_checkBoxCustomRate_toggled(bool checked)
{
    ui.lineEditCustomRate->setEnabled(checked);
    ui.comboTaxRates->setCurrentIndex(0);
    ui.comboTaxRates->setEnabled(!checked);
}

void AddEditProductDialog::on_checkServiceItem_toggled(bool)
{
    ui.editItemsPerUnit->setText(QStringLiteral("1"));
}

void AddEditProductDialog::on_checkBoxPrint_toggled(bool checked)
{
    if (!checked)
        return;
    ErrorDialog notice(QStringLiteral("err_msg_17"), tr("Print Unit Name"),
                       QStringLiteral("<p>Now the unit name will be printed with the item quantity on sales receipts and "
                                      "purchase orders.</p> <p>This is useful for units such as kilogram <b>(Kg), "
                                      "gram(g),liter (L),milliliter(ml), inches(in), meter(m)</b>. In general, if you "
                                      "are selling  measured quantities then check this box, otherwise leave it "
                                      "unchecked.</p> "),
                       AppSettings::Instance()->mainWindow);
    notice.exec();
}

void AddEditProductDialog::on_pushWhatIsThis_clicked()
{
    ErrorDialog notice(
        QString(), tr("Items Per Unit Help"),
        tr("This information is for pricing calculation of the sub quantity. In most cases this value would be 1. "
           "Products such as mobile phones have no sub items, and would be sold as whole item. If the product "
           "contains sub items, and you want to sell as sub quantity, enter that amount in this box. For example, if "
           "the product is a pack of six bottles, and you want to sell one bottle each, then enter 6 here in this "
           "box.  Another example would be a product of 1Kg of sugar, and you want to sell in grams. Then you would "
           "enter 1000 in this box.  If customer wants to purchase 1.5Kg of sugar, on the point of sale screen you "
           "would enter 1 in the Quantity box and 500 in the  Sub quantity box. "),
        this, true, false);
    notice.exec();
}

void AddEditProductDialog::on_groupShowMore_toggled(bool checked)
{
    ui.frame_more->setVisible(checked);
    ui.groupShowMore->setTitle(checked ? tr("Hide") : tr("Show More Options"));
    UpdateLayout();
}

void AddEditProductDialog::on_pushCategories_clicked()
{
    // The reload resets the combo box: choose the same category again by its ID (its name may have
    // changed), or none when it was deleted.
    const int chosen = ui.comboCategory->currentIndex();
    const QVariant chosenId = chosen < 0 ? QVariant() : categoryModel->index(chosen, 0).data();
    ManageCategories dialog(AppSettings::Instance()->mainWindow, 0);
    dialog.setModal(true);
    dialog.exec();
    LoadCategories();
    int row = -1;
    for (int r = 0; chosenId.isValid() && r < categoryModel->rowCount() && row < 0; ++r)
        if (categoryModel->index(r, 0).data() == chosenId)
            row = r;
    ui.comboCategory->setCurrentIndex(row);
}

bool AddEditProductDialog::LoadCategories()
{
    categoriesRead = SqlFilter::Select(categoryModel);
    if (categoriesRead)
        SqlFilter::FetchAll(categoryModel);
    else
        ShowStatus(tr("Error: The product categories could not be read: %1").arg(DatabaseFailure::ReadReason(categoryModel)),
                   0);
    return categoriesRead;
}

void AddEditProductDialog::on_pushAddInventory_clicked()
{
    Progress progress(this, tr("Please wait..."));
    progress.show();
    CAddNewItemsBatch dialog(AppSettings::Instance()->mainWindow);
    dialog.setModal(true);
    dialog.show();
    dialog.SelectProductAndStock(currentCode, initialStockCode);
    progress.close();
    dialog.exec();
}

void AddEditProductDialog::on_buttonClose_clicked()
{
    StoreOptions();
    close();
}

void AddEditProductDialog::StoreOptions()
{
    QSettings* settings = AppSettings::Instance()->settings;
    settings->setValue(QStringLiteral("aepd_default_auto_generate"), ui.checkAutoGenerate->isChecked());
    settings->setValue(QStringLiteral("aepd_show_more"), ui.groupShowMore->isChecked());
}

void AddEditProductDialog::UpdateLayout(bool)
{
    if (imagesFolder.isEmpty()) {
        ErrorDialog notice(QStringLiteral("err_msg_32"), tr("Product Images Folder"),
                           QStringLiteral("<p>Images folder path is not set. Please open settings dialog and set the "
                                          "path to images folder and place all of your product images in that "
                                          "folder.</p>"),
                           AppSettings::Instance()->mainWindow);
        notice.exec();
    }
    ui.labelTaxRate->setMinimumWidth(ui.labelSubItems->width());
    ui.labelProductSearch->setMinimumWidth(ui.labelSubItems->width());
    ui.lineEditSubQuantityUnitName->setMinimumWidth(ui.pushWhatIsThis->width());
    const QList<QWidget*> labels = {ui.labelProductSearch, ui.labelCode,     ui.labelName,    ui.labelDescription,
                                    ui.labelServiceItem,   ui.labelUnitName, ui.labelPrintUnit, ui.labelSubItems,
                                    ui.labelTaxRate,       ui.labelCategory};
    int widest = 0;
    for (QWidget* label : labels)
        widest = qMax(widest, label->width());
    for (QWidget* label : labels)
        label->setMinimumWidth(widest);
}

void AddEditProductDialog::on_buttonSelectImage_clicked()
{
    QSettings* settings = AppSettings::Instance()->settings;
    ErrorDialog notice(QStringLiteral("err_msg_30"), tr("Product Images"),
                       QStringLiteral("<p>Please set the path of <b>Product Images Folder</b> from settings dialog. "
                                      "Place all of your product images in this folder, and select from this folder. "
                                      "You can copy this folder to other computers or devices running Vorantel, and "
                                      "set the path of  <b>Product Images Folder</b> accordingly on other computers "
                                      "from settings dialog.</p>"),
                       AppSettings::Instance()->mainWindow);
    notice.exec();
    QString start = settings->value(QStringLiteral("RECENT_LOCATION"), QString()).toString();
    if (start.isEmpty())
        start = QStringLiteral("/home");
    const QString file = QFileDialog::getOpenFileName(this, tr("Select Product Image"), start,
                                                      tr("Image Files (*.png *.jpg *.bmp)"));
    if (file.isEmpty())
        return;
    imagePath = QFileInfo(file).absoluteFilePath();
    settings->setValue(QStringLiteral("RECENT_LOCATION"), imagePath);
    ShowImage(imagePath);
}

void AddEditProductDialog::ShowStatus(const QString& message, int kind)
{
    ShowFlashingStatus(ui.labelStatus, parentWidget() ? parentWidget()->styleSheet() : QString(), message, kind);
}

void AddEditProductDialog::on_CtrlB()
{
    if (!editMode && ui.checkAutoGenerate->isChecked())
        return;
    ui.editCode->setFocus();
    ui.editCode->selectAll();
}

void AddEditProductDialog::ReturnPressed()
{
    if (ui.pushUpdate->isEnabled())
        on_pushUpdate_clicked();
    else
        on_buttonAdd_clicked();
}

void AddEditProductDialog::on_editName_returnPressed() { ReturnPressed(); }
void AddEditProductDialog::on_editDescription_returnPressed() { ReturnPressed(); }
void AddEditProductDialog::on_lineEditQuantityUnitName_returnPressed() { ReturnPressed(); }
void AddEditProductDialog::on_lineEditSubQuantityUnitName_returnPressed() { ReturnPressed(); }
void AddEditProductDialog::on_editItemsPerUnit_returnPressed() { ReturnPressed(); }
void AddEditProductDialog::on_editCode_returnPressed() { ReturnPressed(); }
void AddEditProductDialog::on_lineEditCustomRate_returnPressed() { ReturnPressed(); }
void AddEditProductDialog::on_ComboCategoryReturnPressed() { ReturnPressed(); }

bool AddEditProductDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return false;
    // Only keys meant for this dialog's own fields; dialogs opened from here type "!" as usual.
    auto* target = qobject_cast<QWidget*>(watched);
    if (!target || target->window() != this)
        return false;
    QWidget* focus = QApplication::focusWidget();
    auto* key = static_cast<QKeyEvent*>(event);
    if (event->type() == QEvent::KeyPress && key->key() == Qt::Key_Exclam) {
        if (focus == ui.editCode && bangFlag) {
            bangFlag = false;
            return true;
        }
        ui.editCode->setFocus();
        ui.editCode->selectAll();
        bangFlag = true;
        return true;
    }
    if (event->type() == QEvent::KeyRelease && key->key() == Qt::Key_Return
        && (focus == ui.comboCategory || focus == ui.comboTaxRates)) {
        if (!ui.pushUpdate->isEnabled())
            on_buttonAdd_clicked();
        else
            on_pushUpdate_clicked();
        return true;
    }
    return false;
}
