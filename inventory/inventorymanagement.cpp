#include "inventorymanagement.h"

#include "appsettings.h"
#include "barcodesettings.h"
#include "caddnewitemsbatch.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "inventoryexport.h"
#include "inventorymodel.h"
#include "listfilter.h"
#include "listmending.h"
#include "managementpage.h"
#include "movestock.h"
#include "progress.h"
#include "reportprinter.h"
#include "sortingproxymodel.h"
#include "voranteldialog.h"

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
#include <QTimer>

InventoryManagement::InventoryManagement(QWidget* parent, bool selectMode)
    : QScrollArea(parent)
    , selectMode(selectMode)
    , reads(this, tr("Manage Inventory"))
{
    ui.setupUi(this);
    ui.push_show->hide();
    ui.frameCloseButton->hide();
    QSettings* store = AppSettings::Instance()->settings;
    const bool enableTax = store->value(QStringLiteral("enable_tax"), 1).toBool();
    const QString taxName = store->value(QStringLiteral("SALES_TAX_NAME"), QStringLiteral("Sales Tax")).toString();
    imagesFolder = store->value(QStringLiteral("IMAGES_FOLDER"), QString()).toString();
    const bool hideSubItems = store->value(QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("n")).toString() == QLatin1String("n");
    const bool showMore = store->value(QStringLiteral("anib_show_more"), 0).toBool();
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableViewItems->viewport(), QScroller::LeftMouseButtonGesture);

    const QString first = QStringLiteral("SELECT i.ID, i.PRODUCT_ID, i.VENDOR_ID, i.BAR_CODE, i.BATCH_NUMBER, c.NAME as CATEGORY, "
                                         "p.NAME as P_NAME, v.NAME as V_NAME, ");
    const QString dateColumn = AppSettings::Instance()->SqlDateColumn(QStringLiteral("i.EXPIRY_DATE"), QStringLiteral("EXPIRY_DATE"));
    const QString rest = QStringLiteral(
        " , i.STORAGE_LOCATION, i.QUANTITY, i.SUB_ITEMS, i.PURCHASE_PRICE, i.SALE_PRICE, p.PRODUCT_CODE, i.SHOW_ON_POS, "
        "i.DISCOUNT, i.REORDER_LEVEL, i.REORDER_QUANTITY, p.IMAGE_FILE FROM tblInventory as i, tblProducts as p , "
        "tblVendors as v, tblProductCategories as c WHERE ");
    baseQuery = first + dateColumn + rest + QStringLiteral("i.PRODUCT_ID = p.ID AND i.VENDOR_ID = v.ID AND p.CATEGORY_ID = c.ID");
    currentQuery = first + QLatin1Char(' ') + dateColumn + rest + QStringLiteral("i.ID = -1 ");

    model = new InventoryModel(this);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    connect(ui.tableViewItems, &QWidget::customContextMenuRequested, this,
            &InventoryManagement::ShowContextMenuOnInventoryTable);
    model->setQuery(currentQuery, *DatabaseManager::Instance()->InventoryDatabase());

    proxy = new SortingProxyModel(this);
    proxy->setDynamicSortFilter(true);
    proxy->setSourceModel(model);
    ui.tableViewItems->setModel(proxy);
    ListMending::KeepColumns(ui.tableViewItems);

    const QList<QPair<int, QString>> captions{
        {InventoryModel::BAR_CODE, tr("Stock Code")},
        {InventoryModel::BATCH_NUMBER, tr("Batch Number")},
        {InventoryModel::CATEGORY, tr("Category")},
        {InventoryModel::P_NAME, tr("Product")},
        {InventoryModel::V_NAME, tr("Vendor")},
        {InventoryModel::EXPIRY_DATE, tr("Expiry")},
        {InventoryModel::STORAGE_LOCATION, tr("Storage Location")},
        {InventoryModel::QUANTITY, tr("Quantity")},
        {InventoryModel::SUB_ITEMS, tr("Sub Quantity")},
        {InventoryModel::PURCHASE_PRICE, tr("Purchase Unit Cost")},
        {InventoryModel::SALE_PRICE, enableTax ? tr("Sale Price Without %1").arg(taxName) : tr("Sale Price")},
        {InventoryModel::PRODUCT_CODE, tr("Product Code")},
        {InventoryModel::DISCOUNT, tr("Discount")},
        {InventoryModel::REORDER_LEVEL, tr("Reorder Level")},
        {InventoryModel::REORDER_QUANTITY, tr("Reorder Quantity")},
    };
    ListMending::SetUpColumns(ui.tableViewItems, [this, showMore, hideSubItems, captions] {
        for (int column : {InventoryModel::ID, InventoryModel::PRODUCT_ID, InventoryModel::VENDOR_ID,
                           InventoryModel::SHOW_ON_POS, InventoryModel::IMAGE_FILE})
            ui.tableViewItems->hideColumn(column);
        if (!showMore) {
            ui.tableViewItems->hideColumn(InventoryModel::BATCH_NUMBER);
            ui.tableViewItems->hideColumn(InventoryModel::EXPIRY_DATE);
        }
        if (hideSubItems)
            ui.tableViewItems->hideColumn(InventoryModel::SUB_ITEMS);
        for (const auto& caption : captions)
            model->setHeaderData(caption.first, Qt::Horizontal, caption.second, Qt::EditRole);
        ui.tableViewItems->horizontalHeader()->swapSections(InventoryModel::BATCH_NUMBER, InventoryModel::PRODUCT_CODE);
    });
    ui.tableViewItems->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ui.tableViewItems->horizontalHeader()->setStretchLastSection(true);
    ui.tableViewItems->setAlternatingRowColors(true);
    connect(ui.tableViewItems, &QAbstractItemView::doubleClicked, this, &InventoryManagement::OnRowDoubleClicked);

    if (selectMode) {
        ui.groupBoxButtons->hide();
        ui.frameCloseButton->show();
        ui.labelStatus->setText(tr("SELECT ANY ROW AND DOUBLE CLICK OR PRESS SELECT BUTTON."));
        ui.pushExport->hide();
        ui.pushImport->hide();
    }

    connect(ui.tableViewItems->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &InventoryManagement::on_currentRowChanged);
    ui.dateEditExpiry->setDate(QDate::currentDate());
    ui.dateEditExpiry->setDisplayFormat(AppSettings::Instance()->DateFormat());

    on_buttonShowAll_clicked();

    SetUpListSorting(ui.tableViewItems, ui.checkEnableSorting, QStringLiteral("tblInventory"), InventoryModel::BAR_CODE);

    ui.labelStatus->setStyleSheet(QStringLiteral("QLabel { font-size: 20px; }"));
    QTimer::singleShot(500, this, &InventoryManagement::on_AdjustImageSize);

    auto* shortcut = new QShortcut(QKeySequence(Qt::CTRL + Qt::Key_B), this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, this, &InventoryManagement::on_CtrlB);

    ListMending::SetUpColumns(ui.tableViewItems,
                            [this] { ShowChosenColumns(ui.tableViewItems, AppSettings::Instance()->inventoryColumns); });
    ui.editName->setFocus();
}

InventoryManagement::~InventoryManagement() = default;

QString InventoryManagement::GetSelectedStockCode() const
{
    return selectedStockCode;
}

QString InventoryManagement::PickStockCode(QWidget* hostParent)
{
    VorantelDialog host(hostParent);
    auto* layout = new QGridLayout(&host);
    host.resize(950, 600);
    host.setModal(true);
    auto* page = new InventoryManagement(&host, true);
    layout->addWidget(page);
    host.exec();
    return page->GetSelectedStockCode();
}

void InventoryManagement::RunCurrentQuery(bool afterWrite)
{
    const QSqlDatabase* db = DatabaseManager::Instance()->InventoryDatabase();
    QSqlQuery rows(*db);
    if (!rows.exec(currentQuery) && afterWrite && ListMending::KeepsRows(model, rows))
        return;
    model->setQuery(rows);
    ReportListError(reads, model->query().isActive(), model->lastError(), db->driver());
}

void InventoryManagement::on_buttonSearch_clicked()
{
    QStringList conditions;
    const auto add = [&conditions](const QLineEdit* field, const char* column) {
        if (!field->text().isEmpty())
            conditions << ContainsCondition(QLatin1String(column), field->text());
    };
    add(ui.lineLocation, "i.STORAGE_LOCATION");
    add(ui.lineProductCode, "p.PRODUCT_CODE");
    add(ui.editName, "p.NAME");
    add(ui.editCode, "i.BAR_CODE");
    add(ui.lineEditVendor, "v.NAME");
    add(ui.lineCategory, "c.NAME");
    add(ui.lineEditBatchNumber, "i.BATCH_NUMBER");
    if (ui.checkBoxExpiry->isChecked())
        conditions << QStringLiteral(" date(i.EXPIRY_DATE) = date('%1')").arg(ui.dateEditExpiry->date().toString(QStringLiteral("yyyy-MM-dd")));

    currentQuery = baseQuery;
    for (const QString& condition : qAsConst(conditions))
        currentQuery += QStringLiteral(" AND ") + condition;
    RunCurrentQuery();
    ui.tableViewItems->show();
    ui.tableViewItems->resizeColumnsToContents();
}

void InventoryManagement::on_buttonShowAll_clicked()
{
    currentQuery = baseQuery;
    RunCurrentQuery();
    ui.tableViewItems->show();
    ui.tableViewItems->resizeColumnsToContents();
}

void InventoryManagement::Refresh(bool resize)
{
    RunCurrentQuery(true);
    ui.tableViewItems->show();
    if (resize)
        ui.tableViewItems->resizeColumnsToContents();
}

void InventoryManagement::on_editName_returnPressed() { on_buttonSearch_clicked(); }
void InventoryManagement::on_editCode_returnPressed() { on_buttonSearch_clicked(); }
void InventoryManagement::on_lineProductCode_returnPressed() { on_buttonSearch_clicked(); }
void InventoryManagement::on_lineCategory_returnPressed() { on_buttonSearch_clicked(); }
void InventoryManagement::on_lineEditVendor_returnPressed() { on_buttonSearch_clicked(); }
void InventoryManagement::on_lineLocation_returnPressed() { on_buttonSearch_clicked(); }
void InventoryManagement::on_lineEditBatchNumber_returnPressed() { on_buttonSearch_clicked(); }

int InventoryManagement::SourceRow(const QModelIndex& viewIndex) const
{
    const QModelIndex source = proxy->mapToSource(viewIndex);
    return source.isValid() ? source.row() : -1;
}

void InventoryManagement::on_buttonAddNew_clicked()
{
    CAddNewItemsBatch dialog(AppSettings::Instance()->mainWindow);
    dialog.setModal(true);
    dialog.exec();
    Refresh(true);
}

void InventoryManagement::on_buttonEdit_clicked()
{
    Progress progress(this, tr("Please wait..."));
    progress.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    const int row = SourceRow(ui.tableViewItems->currentIndex());
    if (row < 0) {
        QMessageBox::information(this, tr("Edit Item"), tr("No item selected. Please select from the above table"),
                                 QMessageBox::Ok);
    } else {
        CAddNewItemsBatch dialog(AppSettings::Instance()->mainWindow);
        dialog.LoadStock(model->record(row));
        progress.hide();
        dialog.setModal(true);
        dialog.exec();
        Refresh(false);
    }
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ui.tableViewItems->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    ui.tableViewItems->resizeColumnsToContents();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void InventoryManagement::on_buttonDelete_clicked()
{
    const QModelIndexList selected = ui.tableViewItems->selectionModel()->selectedRows(0);
    if (selected.isEmpty()) {
        QMessageBox::information(this, tr("Delete Item"), tr("No item selected. Please select from the above table"),
                                 QMessageBox::Ok);
        return;
    }
    if (QMessageBox::question(this, tr("Delete Inventory Item"),
                              tr("Do you really want to delete %1 selected stock item(s)?").arg(selected.size()),
                              QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
        return;

    // Ids first: the rows move under the indexes once anything changes.
    QList<QPair<QString, QString>> stocks;
    for (const QModelIndex& index : selected) {
        const QSqlRecord row = model->record(SourceRow(index));
        stocks << qMakePair(row.value(InventoryModel::ID).toString(), row.value(InventoryModel::BAR_CODE).toString());
    }
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    for (const auto& stock : qAsConst(stocks)) {
        query->prepare(QStringLiteral("DELETE FROM tblInventory WHERE ID = :id"));
        query->bindValue(QStringLiteral(":id"), stock.first);
        if (!query->exec()) {
            QMessageBox::warning(this, tr("Delete Inventory Item"),
                                 tr("Can not delete stock [%1]: %2").arg(stock.second, DatabaseFailure::WriteReason(*query)),
                                 QMessageBox::Ok);
            // Without the server every later row would fail alike: one box is enough.
            if (DatabaseFailure::ConnectionLost(query->driver(), query->lastError()))
                break;
        }
    }
    Refresh(true);
}

void InventoryManagement::on_pushMove_clicked()
{
    const int row = SourceRow(ui.tableViewItems->currentIndex());
    if (row < 0) {
        QMessageBox::information(this, tr("Move Stock"), tr("Please select source stock from the inventory table"),
                                 QMessageBox::Ok);
        return;
    }
    MoveStock dialog(AppSettings::Instance()->mainWindow);
    dialog.SetSourceStock(model->record(row));
    dialog.setModal(true);
    dialog.exec();
    Refresh(false);
}

void InventoryManagement::on_pushBarcodes_clicked()
{
    BarcodeSettings dialog(AppSettings::Instance()->mainWindow, ui.tableViewItems);
    dialog.findChild<QRadioButton*>(QStringLiteral("radioPrintingMode"))->setChecked(true);
    dialog.setModal(true);
    dialog.exec();
}

void InventoryManagement::on_pushImport_clicked()
{
    if (RunInventoryImport(this))
        on_buttonShowAll_clicked();
}

void InventoryManagement::on_pushExport_clicked()
{
    ExportInventoryData(this, QStringLiteral("Inventory"));
}

void InventoryManagement::PrintList(bool toPdf)
{
    ReportPrinter printer(this);
    printer.PrintTableView(tr("INVENTORY REPORT"), ui.tableViewItems, true, toPdf);
}

void InventoryManagement::on_pushPrint_clicked() { PrintList(false); }
void InventoryManagement::on_pushSaveAsPDF_clicked() { PrintList(true); }

void InventoryManagement::SelectRow(const QModelIndex& viewIndex)
{
    const int row = SourceRow(viewIndex);
    if (row < 0)
        return;
    selectedStockCode = model->record(row).value(InventoryModel::BAR_CODE).toString();
    if (parentWidget())
        parentWidget()->close();
}

void InventoryManagement::on_pushSelect_clicked()
{
    SelectRow(ui.tableViewItems->currentIndex());
}

void InventoryManagement::on_pushClose_clicked()
{
    if (parentWidget())
        parentWidget()->close();
}

void InventoryManagement::on_checkBoxExpiry_toggled(bool checked)
{
    ui.dateEditExpiry->setEnabled(checked);
}

void InventoryManagement::on_checkEnableSorting_toggled(bool checked)
{
    SetListSorting(ui.tableViewItems, InventoryModel::BAR_CODE, checked);
}

void InventoryManagement::on_groupBox_toggled(bool checked)
{
    ui.frame_search->setVisible(checked);
}

void InventoryManagement::on_push_show_clicked()
{
    SetPicturePanelShown(ui.group_image, ui.labelImage, ui.push_show, true, tr("Show Picture"));
    ui.group_image->setChecked(true);
}

void InventoryManagement::on_group_image_toggled(bool checked)
{
    SetPicturePanelShown(ui.group_image, ui.labelImage, ui.push_show, checked, tr("Show Picture"));
}

void InventoryManagement::on_currentRowChanged(const QModelIndex&, const QModelIndex&)
{
    ui.buttonDelete->setEnabled(true);
    ui.buttonEdit->setEnabled(true);
    ui.pushMove->setEnabled(true);
    const int row = SourceRow(ui.tableViewItems->currentIndex());
    if (row < 0)
        return;
    const QString file = model->record(row).value(InventoryModel::IMAGE_FILE).toString();
    // The "NOT FOUND" of an earlier row would otherwise stay over this row's picture.
    ui.labelImage->setText(QString());
    if (file.isEmpty()) {
        ui.labelImage->setStyleSheet(ImageLabelStyle(NoImagePath()));
    } else if (imagesFolder.isEmpty()) {
        ui.labelImage->setStyleSheet(ImageLabelStyle(file));
    } else {
        const QString path = imagesFolder + QLatin1Char('/') + QFileInfo(file).fileName();
        if (QFileInfo::exists(path)) {
            ui.labelImage->setStyleSheet(ImageLabelStyle(path));
        } else {
            ui.labelImage->setStyleSheet(ImageLabelStyle(QString()));
            ui.labelImage->setText(tr("NOT FOUND"));
        }
    }
}

void InventoryManagement::OnRowDoubleClicked(const QModelIndex& index)
{
    on_currentRowChanged(index, QModelIndex());
    if (selectMode)
        SelectRow(index);
    else
        on_buttonEdit_clicked();
}

void InventoryManagement::ShowContextMenuOnInventoryTable(const QPoint& pos)
{
    if (ChooseVisibleColumns(ui.tableViewItems, AppSettings::Instance()->inventoryColumns, pos))
        ApplyColumnChoice();
}

void InventoryManagement::ApplyColumnChoice()
{
    ShowChosenColumns(ui.tableViewItems, AppSettings::Instance()->inventoryColumns);
}

void InventoryManagement::on_CtrlB()
{
    ui.editCode->setFocus();
    ui.editCode->selectAll();
}

void InventoryManagement::on_AdjustImageSize()
{
    ErrorDialog tip(QStringLiteral("err_msg_42"), tr("Hide or Show Columns"),
                    tr("<p><b>Hide or Show Columns</b> If you right click anywhere on the table area, a context menu will be "
                       "shown. Using this menu you can easily hide or show the columns for better visibility</p>"),
                    AppSettings::Instance()->mainWindow, false, true);
    tip.exec();
}
