#include "productmanagement.h"

#include "addeditproductdialog.h"
#include "caddnewitemsbatch.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "listfilter.h"
#include "listmending.h"
#include "managementpage.h"
#include "productmodels.h"
#include "progress.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"
#include "sqlfilter.h"

#include <QDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSettings>
#include <QShortcut>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlRelation>
#include <QTimer>

namespace {

// Deleting asks first, with no button preselected: Enter alone deletes nothing.
bool ConfirmDelete(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox question(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    question.setDefaultButton(QMessageBox::NoButton);
    return question.exec() == QMessageBox::Yes;
}
const int PRODUCTS_TAB = 0;
// The stock tab's filter until a product row becomes current.
const QString NO_STOCK = QStringLiteral("PRODUCT_ID = -1");
} // namespace

ProductManagement::ProductManagement(QWidget* parent, bool selectMode)
    : QScrollArea(parent)
    , selectMode(selectMode)
    , reads(this, tr("Product Management"))
{
    ui.setupUi(this);
    ui.push_show->hide();
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewProducts->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewInventory->viewport(), QScroller::LeftMouseButtonGesture);
    ui.frameCloseButton->hide();

    QSqlDatabase db = *DatabaseManager::Instance()->InventoryDatabase();
    QSettings* store = AppSettings::Instance()->settings;
    const QString taxName = store->value(QStringLiteral("SALES_TAX_NAME"), QStringLiteral("Tax")).toString();
    const bool hideSubItems = store->value(QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("n")).toString() == QLatin1String("n");
    const bool enableTax = store->value(QStringLiteral("enable_tax"), 1).toBool();

    productModel = new ProductModel(this, db);
    productModel->setTable(QStringLiteral("tblProducts"));
    // Every product has its category (the foreign key sees to that), so a left join lists the same rows; it
    // lets the server read the products first, and a name search then costs one pass over them instead of
    // an index lookup per product of every category.
    productModel->setJoinMode(QSqlRelationalTableModel::LeftJoin);
    productModel->setRelation(ProductModel::CATEGORY_ID,
                              QSqlRelation(QStringLiteral("tblProductCategories"), QStringLiteral("id"), QStringLiteral("name")));
    const QList<QPair<int, QString>> productCaptions{
        {ProductModel::CATEGORY_ID, tr("Category")},          {ProductModel::PRODUCT_CODE, tr("Product Code")},
        {ProductModel::NAME, tr("Product Name")},             {ProductModel::ITEMS_PER_UNIT, tr("Items Per Unit")},
        {ProductModel::DESCRIPTION, tr("Description")},       {ProductModel::TAX_RATE, tr("%1 Rate").arg(taxName)},
        {ProductModel::UNIT_NAME, tr("Unit Name")},           {ProductModel::SUB_UNIT_NAME, tr("Sub Unit Name")},
        {ProductModel::PRINT_UNIT_NAME, tr("Print Unit")},    {ProductModel::SERVICE_ITEM, tr("Service Item")},
    };
    proxy = new SortingProxyModel(this);
    proxy->setDynamicSortFilter(true);
    proxy->setSourceModel(productModel);
    ui.tableViewProducts->setModel(proxy);
    ListMending::SetUpColumns(ui.tableViewProducts, [this, productCaptions, hideSubItems, enableTax] {
        for (const auto& caption : productCaptions)
            productModel->setHeaderData(caption.first, Qt::Horizontal, caption.second);
        ui.tableViewProducts->hideColumn(ProductModel::ID);
        ui.tableViewProducts->hideColumn(ProductModel::IMAGE_FILE);
        if (hideSubItems) {
            ui.tableViewProducts->hideColumn(ProductModel::SUB_UNIT_NAME);
            ui.tableViewProducts->hideColumn(ProductModel::PRINT_UNIT_NAME);
            ui.tableViewProducts->hideColumn(ProductModel::ITEMS_PER_UNIT);
        }
        if (!enableTax)
            ui.tableViewProducts->hideColumn(ProductModel::TAX_RATE);
    });
    ui.tableViewProducts->setSelectionBehavior(QAbstractItemView::SelectRows);
    ui.tableViewProducts->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableViewProducts->horizontalHeader()->setStretchLastSection(true);
    ui.tableViewProducts->setAlternatingRowColors(true);

    stockModel = new StockModel(this, db);
    stockModel->setTable(QStringLiteral("tblInventory"));
    stockModel->setRelation(StockModel::VENDOR_ID,
                            QSqlRelation(QStringLiteral("tblVendors"), QStringLiteral("id"), QStringLiteral("name")));
    const QList<QPair<int, QString>> stockCaptions{
        {StockModel::VENDOR_ID, tr("Vendor")},
        {StockModel::BAR_CODE, tr("Stock Code")},
        {StockModel::BATCH_NUMBER, tr("Batch Number")},
        {StockModel::EXPIRY_DATE, tr("Expiry Date")},
        {StockModel::STORAGE_LOCATION, tr("Storage Location")},
        {StockModel::PURCHASE_PRICE, tr("Purchase Cost")},
        {StockModel::SALE_PRICE, tr("Sale Price Without %1").arg(taxName)},
        {StockModel::QUANTITY, tr("Quantity")},
        {StockModel::SUB_ITEMS, tr("Sub Quantity")},
        {StockModel::SHOW_ON_POS, tr("POS Button")},
        {StockModel::DISCOUNT, tr("Discount")},
        {StockModel::REORDER_LEVEL, tr("Reorder Level")},
        {StockModel::REORDER_QUANTITY, tr("Reorder Quantity")},
    };
    stockModel->setFilter(NO_STOCK);
    ui.tableViewInventory->setModel(stockModel);
    ListMending::SetUpColumns(ui.tableViewInventory, [this, stockCaptions, hideSubItems] {
        for (const auto& caption : stockCaptions)
            stockModel->setHeaderData(caption.first, Qt::Horizontal, caption.second);
        ui.tableViewInventory->hideColumn(StockModel::ID);
        ui.tableViewInventory->hideColumn(StockModel::PRODUCT_ID);
        if (hideSubItems)
            ui.tableViewInventory->hideColumn(StockModel::SUB_ITEMS);
        ui.tableViewInventory->horizontalHeader()->moveSection(StockModel::SHOW_ON_POS, StockModel::REORDER_QUANTITY);
    });
    ui.tableViewInventory->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Header clicks sort through the model; until one, the rows keep the order they were stored in.
    ui.tableViewInventory->horizontalHeader()->setSortIndicator(StockModel::ID, Qt::AscendingOrder);
    ui.tableViewInventory->setSortingEnabled(true);
    ListMending::WatchHeaderReads(ui.tableViewInventory, stockModel, [this] { return SelectStock(); });
    ListMending::KeepColumns(ui.tableViewProducts);
    ListMending::KeepColumns(ui.tableViewInventory);

    imagesFolder = store->value(QStringLiteral("IMAGES_FOLDER"), QString()).toString();

    on_buttonShowAll_clicked();

    SetUpListSorting(ui.tableViewProducts, ui.checkEnableSorting, QStringLiteral("tblProducts"), ProductModel::CATEGORY_ID);

    ui.labelStatus->setText(tr("PRODUCT MANAGEMENT"));
    ui.labelStatus->setStyleSheet(QStringLiteral("QLabel { font-size: 20px; }"));
    QTimer::singleShot(500, this, &ProductManagement::ShowMessage);

    connect(ui.tableViewProducts->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ProductManagement::OnProductSeleted);
    connect(ui.tableViewProducts, &QAbstractItemView::doubleClicked, this, &ProductManagement::OnRowDoubleClicked);
    connect(ui.tableViewInventory, &QAbstractItemView::doubleClicked, this, &ProductManagement::OnInventoryRowDoubleClicked);
    connect(ui.tableViewProducts, &QWidget::customContextMenuRequested, this,
            &ProductManagement::ShowContextMenuOnProductsTable);
    connect(ui.tableViewInventory, &QWidget::customContextMenuRequested, this,
            &ProductManagement::ShowContextMenuOnProductsStockTable);

    if (selectMode) {
        ui.groupBox_3->hide();
        ui.frameCloseButton->show();
        ui.labelStatus->setText(tr("DOUBLE CLICK ON TABLE ROW TO SELECT THE PRODUCT"));
    }

    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_B), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &ProductManagement::on_CtrlB);
    ListMending::SetUpColumns(ui.tableViewProducts,
                            [this] { ShowChosenColumns(ui.tableViewProducts, AppSettings::Instance()->productColumns); });
    ListMending::SetUpColumns(ui.tableViewInventory, [this] {
        ShowChosenColumns(ui.tableViewInventory, AppSettings::Instance()->productStockColumns);
    });
    ui.lineEditCategory->setFocus();
}

ProductManagement::~ProductManagement() = default;

QString ProductManagement::GetSelectedProductCode() const
{
    return selectedProductCode;
}

QString ProductManagement::PickProductCode(QWidget* hostParent, const QSize& size)
{
    QDialog host(hostParent);
    auto* layout = new QGridLayout(&host);
    host.resize(size);
    host.setModal(true);
    auto* page = new ProductManagement(&host, true);
    layout->addWidget(page);
    host.exec();
    return page->GetSelectedProductCode();
}

void ProductManagement::ShowMessage()
{
    const QString tip = tr("<b>TIP:</b> You can double click on any row to open or edit the product data.</b><br> Import "
                           "utility can be used to import new products or update existing products. Update product "
                           "information in CSV file and click on import button. All the products and inventory will be "
                           "updated  with new information. You can open and edit this CSV file in Excel or some other "
                           "program of your choice.");
    const QString text = imagesFolder.isEmpty()
        ? tr("<b>IMPORTANT:</b> Images folder path is not set. Please open settings dialog and set the path to images "
             "folder and place all of your product images in that folder.<br>") + tip
        : tip + tr("<br><b>STOCK EDITING</b> After selecting the product on products tab, corresponding stock or "
                   "inventory for the selected product will appear on the second tab. Add, Edit, and Delete buttons "
                   "will function according to the selected tab.<br><b>HIDE or SHOW COLUMNS</b> If you right click "
                   "anywhere on the table area, a context menu will be shown. Using this menu you can easily hide or "
                   "show the columns for better visibility<br><b>ENTER KEY SHORTCUT</b> Pressing Enter key on search "
                   "able fields is same pressing search button.");
    ErrorDialog notice(QStringLiteral("err_msg_14"), tr("Product Management"), text, AppSettings::Instance()->mainWindow,
                       false, true);
    notice.exec();
}

bool ProductManagement::ProductsTabCurrent() const
{
    return ui.tabWidget->currentIndex() == PRODUCTS_TAB;
}

void ProductManagement::SelectProducts(const std::optional<QString>& filter)
{
    // The stock of a product no longer listed must not stay on its tab.
    if (ReportListError(reads, SqlFilter::Select(productModel, filter), productModel))
        SelectStock(NO_STOCK);
}

bool ProductManagement::SelectStock(const std::optional<QString>& filter)
{
    return !ReportListError(reads, SqlFilter::Select(stockModel, filter), stockModel);
}

void ProductManagement::OnProductSeleted()
{
    ui.buttonDelete->setEnabled(true);
    ui.buttonEdit->setEnabled(true);
    ui.labelImage->setText(QString());
    const QModelIndex current = proxy->mapToSource(ui.tableViewProducts->currentIndex());
    if (!current.isValid())
        return;
    const QSqlRecord row = productModel->record(current.row());
    selectedProductCode = row.value(ProductModel::PRODUCT_CODE).toString();
    const QString image = row.value(ProductModel::IMAGE_FILE).toString();
    const QString id = row.value(ProductModel::ID).toString();

    SelectStock(QStringLiteral("PRODUCT_ID = ") + QString::number(id.toLongLong()));
    ui.tableViewInventory->resizeColumnsToContents();
    ui.tableViewInventory->show();

    if (image.isEmpty()) {
        ui.labelImage->setStyleSheet(ImageLabelStyle(NoImagePath()));
    } else if (imagesFolder.isEmpty()) {
        ui.labelImage->setStyleSheet(ImageLabelStyle(image));
    } else {
        // Stored names may carry another workstation's folder: only the file name counts.
        const QString path = imagesFolder + QLatin1Char('/') + QFileInfo(QString(image).replace(QLatin1Char('\\'), QLatin1Char('/'))).fileName();
        if (QFileInfo::exists(path)) {
            ui.labelImage->setStyleSheet(ImageLabelStyle(path));
        } else {
            ui.labelImage->setStyleSheet(ImageLabelStyle(QString()));
            ui.labelImage->setText(tr("Image not found in images folder: ") + path);
        }
    }
}

void ProductManagement::on_buttonSearch_clicked()
{
    QStringList conditions;
    if (!ui.editName->text().isEmpty())
        conditions << ContainsCondition(QStringLiteral("tblProducts.NAME"), ui.editName->text());
    if (!ui.editCode->text().isEmpty())
        conditions << ContainsCondition(QStringLiteral("tblProducts.PRODUCT_CODE"), ui.editCode->text());
    // relTblAl_1 is the alias under which the model joins the category table of column 1.
    if (!ui.lineEditCategory->text().isEmpty())
        conditions << ContainsCondition(QStringLiteral("relTblAl_1.name"), ui.lineEditCategory->text());
    SelectProducts(conditions.join(QStringLiteral(" AND ")));
    ui.tableViewProducts->resizeColumnsToContents();
    ui.tableViewProducts->show();
}

void ProductManagement::on_lineEditCategory_returnPressed() { on_buttonSearch_clicked(); }
void ProductManagement::on_editName_returnPressed() { on_buttonSearch_clicked(); }
void ProductManagement::on_editCode_returnPressed() { on_buttonSearch_clicked(); }

void ProductManagement::on_buttonShowAll_clicked()
{
    ui.editCode->clear();
    ui.editName->clear();
    SelectProducts(QString());
    ui.tableViewProducts->resizeColumnsToContents();
    ui.labelStatus->clear();
}

void ProductManagement::on_buttonAddNew_clicked()
{
    QMainWindow* mainWindow = AppSettings::Instance()->mainWindow;
    if (ProductsTabCurrent()) {
        AddEditProductDialog dialog(mainWindow);
        dialog.setModal(true);
        dialog.exec();
        if (!ListMending::KeptWhileAway(productModel))
            SelectProducts();
        ui.tableViewProducts->resizeColumnsToContents();
        ui.labelStatus->clear();
        return;
    }
    if (selectedProductCode.isEmpty()) {
        ui.labelStatus->setText(tr("SELECT PRODUCT FROM PRODUCTS TAB, THEN CLICK ON INVENTORY TAB TO EDIT STOCK."));
        return;
    }
    CAddNewItemsBatch dialog(mainWindow);
    dialog.setModal(true);
    dialog.show();
    dialog.SelectProductAndStock(selectedProductCode, QString());
    dialog.exec();
    if (!ListMending::KeptWhileAway(stockModel))
        SelectStock();
    ui.tableViewInventory->resizeColumnsToContents();
    ui.labelStatus->clear();
}

void ProductManagement::on_buttonEdit_clicked()
{
    Progress progress(this, tr("Please wait..."));
    progress.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QMainWindow* mainWindow = AppSettings::Instance()->mainWindow;

    if (ProductsTabCurrent()) {
        const QModelIndex current = proxy->mapToSource(ui.tableViewProducts->currentIndex());
        if (!current.isValid())
            return;
        AddEditProductDialog dialog(mainWindow);
        dialog.SetProduct(current.row(), productModel->record(current.row()));
        dialog.setModal(true);
        progress.hide();
        dialog.exec();
        if (!ListMending::KeptWhileAway(productModel))
            SelectProducts();
        ui.tableViewProducts->resizeColumnsToContents();
        ui.labelStatus->clear();
        return;
    }
    if (selectedProductCode.isEmpty()) {
        ui.labelStatus->setText(tr("SELECT A PRODUCT FROM PRODUCTS TAB, THEN CLICK ON INVENTORY TAB TO EDIT STOCK."));
        return;
    }
    const QModelIndex stock = ui.tableViewInventory->currentIndex();
    if (!stock.isValid()) {
        ui.labelStatus->setText(tr("SELECT THE STOCK FROM INVENTORY TAB TO EDIT"));
        return;
    }
    const QString stockCode = stockModel->record(stock.row()).value(StockModel::BAR_CODE).toString();
    CAddNewItemsBatch dialog(mainWindow);
    dialog.setModal(true);
    dialog.show();
    dialog.SelectProductAndStock(selectedProductCode, stockCode);
    progress.hide();
    dialog.exec();
    if (!ListMending::KeptWhileAway(stockModel))
        SelectStock();
    ui.tableViewInventory->resizeColumnsToContents();
    ui.labelStatus->clear();
}

void ProductManagement::OnRowDoubleClicked(const QModelIndex& index)
{
    if (!selectMode) {
        on_buttonEdit_clicked();
        return;
    }
    const QModelIndex source = proxy->mapToSource(index);
    if (!source.isValid())
        return;
    selectedProductCode = productModel->record(source.row()).value(ProductModel::PRODUCT_CODE).toString();
    if (parentWidget())
        parentWidget()->close();
}

void ProductManagement::OnInventoryRowDoubleClicked(const QModelIndex&)
{
    if (!selectMode)
        on_buttonEdit_clicked();
}

void ProductManagement::on_pushButton_clicked()
{
    if (parentWidget())
        parentWidget()->close();
}

void ProductManagement::on_buttonDelete_clicked()
{
    if (!ProductsTabCurrent()) {
        DeleteStock();
        return;
    }
    const QModelIndexList selected = ui.tableViewProducts->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        ui.labelStatus->setText(tr("PLEASE SELECT PRODUCTS TO DELETE"));
        return;
    }
    if (!ConfirmDelete(this, tr("Delete Product"),
                       tr("Do you really want to delete [%1] selected products?").arg(selected.size())))
        return;

    // Ids and codes first: the rows move under the indexes once anything is deleted.
    QList<QPair<QString, QString>> products;
    for (const QModelIndex& index : selected) {
        const QSqlRecord row = productModel->record(proxy->mapToSource(index).row());
        products << qMakePair(row.value(ProductModel::ID).toString(), row.value(ProductModel::PRODUCT_CODE).toString());
    }
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    for (const auto& product : qAsConst(products)) {
        // Without the server every later product would fail alike: one box is enough.
        if (!DeleteProduct(*query, product.first, product.second))
            break;
    }
    SelectProducts();
    ui.tableViewProducts->resizeColumnsToContents();
    ui.labelImage->setStyleSheet(ImageLabelStyle(QString()));
    ui.labelStatus->clear();
}

bool ProductManagement::DeleteProduct(QSqlQuery& query, QString id, QString code)
{
    const auto refuse = [this](const QString& text) { QMessageBox::warning(this, tr("Error"), text, QMessageBox::Ok); };
    // A failed statement is told; false only when the connection is lost.
    const auto failed = [&query, &refuse] {
        refuse(tr("Can not delete this product due to some system error.") + QLatin1Char('\n')
               + DatabaseFailure::WriteReason(query));
        return !DatabaseFailure::ConnectionLost(query.driver(), query.lastError());
    };
    const auto references = [&query, &id](const QString& sql, int* count) {
        query.prepare(sql);
        query.bindValue(QStringLiteral(":id"), id);
        if (!query.exec() || !query.next())
            return false;
        *count = query.value(0).toInt();
        return true;
    };

    int count = 0;
    if (!references(QStringLiteral("SELECT COUNT(*) FROM tblInventory WHERE PRODUCT_ID = :id"), &count))
        return failed();
    if (count != 0) {
        refuse(tr("Can not delete product with code [%1] because inventory exists against this product. Please delete "
                  "stock first from inventory tab and then delete product.")
                   .arg(code));
        return true;
    }
    if (!references(QStringLiteral("SELECT COUNT(*) FROM tblPODetails WHERE PRODUCT_ID = :id"), &count))
        return failed();
    if (count != 0) {
        refuse(tr("Can not delete product with code [%1] because purchase order exists against this product. Please "
                  "delete purchase order for this product and then delete product.")
                   .arg(code));
        return true;
    }
    query.prepare(QStringLiteral("DELETE FROM tblProducts WHERE ID = :id"));
    query.bindValue(QStringLiteral(":id"), id);
    return query.exec() || failed();
}

void ProductManagement::DeleteStock()
{
    const QModelIndexList selected = ui.tableViewInventory->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        ui.labelStatus->setText(tr("PLEASE SELECT STOCK TO DELETE"));
        return;
    }
    if (!ConfirmDelete(this, tr("Delete Inventory"),
                       tr("Do you really want to delete [%1] selected stocks?").arg(selected.size())))
        return;
    QList<QPair<QString, QString>> stocks;
    for (const QModelIndex& index : selected) {
        const QSqlRecord row = stockModel->record(index.row());
        stocks << qMakePair(row.value(StockModel::ID).toString(), row.value(StockModel::BAR_CODE).toString());
    }
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    for (const auto& stock : qAsConst(stocks)) {
        query->prepare(QStringLiteral("DELETE FROM tblInventory WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), stock.first);
        if (!query->exec()) {
            QMessageBox::warning(this, tr("Error"),
                                 tr("Can not delete stock [%1]: %2").arg(stock.second, DatabaseFailure::WriteReason(*query)),
                                 QMessageBox::Ok);
            // Without the server every later row would fail alike: one box is enough.
            if (DatabaseFailure::ConnectionLost(query->driver(), query->lastError()))
                break;
        }
    }
    if (!ListMending::KeptWhileAway(stockModel))
        SelectStock();
    ui.tableViewInventory->resizeColumnsToContents();
    ui.labelStatus->clear();
}

void ProductManagement::ChooseColumns(QTableView* view, ColumnVisibility& columns, const QPoint& pos)
{
    if (ChooseVisibleColumns(view, columns, pos))
        ApplyColumnChoice();
}

void ProductManagement::ShowContextMenuOnProductsTable(const QPoint& pos)
{
    ChooseColumns(ui.tableViewProducts, AppSettings::Instance()->productColumns, pos);
}

void ProductManagement::ShowContextMenuOnProductsStockTable(const QPoint& pos)
{
    ChooseColumns(ui.tableViewInventory, AppSettings::Instance()->productStockColumns, pos);
}

void ProductManagement::ApplyColumnChoice()
{
    ShowChosenColumns(ui.tableViewProducts, AppSettings::Instance()->productColumns);
    ShowChosenColumns(ui.tableViewInventory, AppSettings::Instance()->productStockColumns);
}

void ProductManagement::on_checkEnableSorting_toggled(bool checked)
{
    SetListSorting(ui.tableViewProducts, ProductModel::CATEGORY_ID, checked);
}

void ProductManagement::on_CtrlB()
{
    ui.editCode->setFocus();
    ui.editCode->selectAll();
}

void ProductManagement::on_groupBox_toggled(bool checked)
{
    ui.frame_search->setVisible(checked);
}

void ProductManagement::on_group_image_toggled(bool checked)
{
    SetPicturePanelShown(ui.group_image, ui.labelImage, ui.push_show, checked, tr("Show Picture"));
}

void ProductManagement::on_push_show_clicked()
{
    SetPicturePanelShown(ui.group_image, ui.labelImage, ui.push_show, true, tr("Show Picture"));
    ui.group_image->setChecked(true);
}

void ProductManagement::on_pushExport_clicked()
{
    AppSettings::Instance()->ExportTableToCsv(QStringLiteral("Products"), ui.tableViewProducts, this);
}

void ProductManagement::on_pushImport_clicked()
{
    if (RunInventoryImport(this))
        on_buttonShowAll_clicked();
}

void ProductManagement::PrintList(bool toPdf)
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("PRODUCTS REPORT"), ui.tableViewProducts, true, toPdf);
}

void ProductManagement::on_pushPrint_clicked() { PrintList(false); }
void ProductManagement::on_pushSaveAsPDF_clicked() { PrintList(true); }
