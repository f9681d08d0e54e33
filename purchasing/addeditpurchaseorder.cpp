#include "addeditpurchaseorder.h"

#include "appsettings.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "listmending.h"
#include "managementpage.h"
#include "managevendors.h"
#include "purchaseitemsmodel.h"
#include "purchasestatus.h"
#include "purchasinglog.h"
#include "sqlfilter.h"
#include "statuslabel.h"
#include "stockbrowser.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QImage>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QTimer>

namespace {
const char* const SAMPLE_LOGO = ":/resources/images/logos/sample_logo.png";
} // namespace

AddEditPurchaseOrder::AddEditPurchaseOrder(QWidget* parent, QSqlRecord* row)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    // Messages come and go above the item buttons: those stay where the user aims.
    KeepStatusRoom(ui.labelStatus, 2);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.tableView->viewport(), QScroller::LeftMouseButtonGesture);
    locale = AppSettings::Instance()->locale;

    AppSettings* appSettings = AppSettings::Instance();
    QSettings* settings = appSettings->settings;
    imagesFolder = settings->value(QStringLiteral("IMAGES_FOLDER"), QString()).toString();
    ui.dateSent->setDisplayFormat(appSettings->DateFormat());
    ui.dateDeliver->setDisplayFormat(appSettings->DateFormat());
    ui.dateTimePOTimeStamp->setDisplayFormat(appSettings->DateFormat() + QLatin1Char(' ') + appSettings->TimeFormat());
    ui.dateTimePOTimeStamp->setDateTime(QDateTime::currentDateTime());

    taxName = settings->value(QStringLiteral("SALES_TAX_NAME"), QStringLiteral("Sales Tax")).toString();
    ui.labelSalesTax->setText(taxName);
    decimalPlaces = settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString();
    roundingMode = ReadRoundingMode(*settings);
    taxEnabled = settings->value(QStringLiteral("enable_tax"), 1).toBool();

    LoadPurchaseOrder(row);

    ui.pushDeleteItem->setEnabled(false);
    ui.pushEditItem->setEnabled(false);

    companyName = settings->value(QStringLiteral("REPORT_COMPANY_NAME"), QString()).toString();
    companyAddress = settings->value(QStringLiteral("REPORT_COMPANY_ADDRESS"), QString()).toString();
    companyPhone = settings->value(QStringLiteral("REPORT_PHONE_NUMBER"), QString()).toString();
    printCompanyInfoLarge = settings->value(QStringLiteral("printCompanyInfoLarge"), 1).toBool();
    printCompanyLogoLarge = settings->value(QStringLiteral("printCompanyLogoLarge"), 1).toBool();
    companyLogoPath = settings->value(QStringLiteral("REPORT_COMPANY_LOGO")).toString();
    if (companyLogoPath.isEmpty())
        companyLogoPath = QLatin1String(SAMPLE_LOGO);
    finalAmountPrecision = settings->value(QStringLiteral("final_amount_precision"), QStringLiteral("2")).toInt();
    currencySymbol = settings->value(QStringLiteral("CURRENCY_SYMBOL"), QStringLiteral("$")).toString();
    logoSize = settings->value(QStringLiteral("logoSizeLarge"), 20).toInt();
    companyLogo = new QImage(companyLogoPath);

    if (!taxEnabled) {
        ShowTaxTotals(false);
        // The choice is hidden, but the order keeps the tax status and amounts it was stored with:
        // forcing the status here would rewrite the order on opening.
        ui.comboBoxTaxStatus->hide();
    }

    resize(950, 720);
    ui.tabWidget->setCurrentIndex(1);
    ui.tabWidget->setCurrentIndex(0);
    modified = false;
    QTimer::singleShot(500, this, &AddEditPurchaseOrder::ShowMessage);
}

AddEditPurchaseOrder::~AddEditPurchaseOrder()
{
    delete companyLogo;
}

double AddEditPurchaseOrder::Amount(const QLineEdit* field) const
{
    return locale->toDouble(field->text()); // 0 when it does not parse
}

AddEditPurchaseOrder::AmountTexts AddEditPurchaseOrder::AmountsShown() const
{
    return {ui.lineSubTotal->text(), ui.lineTax->text(), ui.line_paid_amount->text()};
}

QString AddEditPurchaseOrder::Money(double value) const
{
    return locale->toString(value, 'f', decimalPlaces.toInt());
}

double AddEditPurchaseOrder::Round(double value) const
{
    return RoundByMode(roundingMode, decimalPlaces.toInt(), value);
}

void AddEditPurchaseOrder::Stamp()
{
    ui.dateTimePOTimeStamp->setDateTime(QDateTime::currentDateTime());
}

void AddEditPurchaseOrder::LoadPurchaseOrder(QSqlRecord* row)
{
    PurchaseStatus::AddStatusItems(ui.comboStatus);
    PurchaseStatus::AddPaymentItems(ui.comboPaymentStatus);
    ui.comboPaymentStatus->setCurrentIndex(0);
    on_comboPaymentStatus_currentIndexChanged(0);
    ui.comboBoxTaxStatus->addItem(tr("DISABLE %1 FOR PO ITEMS").arg(taxName));
    ui.comboBoxTaxStatus->addItem(tr("ENABLE %1 FOR PO ITEMS").arg(taxName));

    vendorModel = new QSqlTableModel(this, *DatabaseManager::Instance()->InventoryDatabase());
    vendorModel->setTable(QStringLiteral("tblVendors"));
    vendorModel->setSort(1, Qt::AscendingOrder);
    if (!SqlFilter::Select(vendorModel))
        ShowStatus(tr("The vendors could not be read: %1").arg(DatabaseFailure::ReadReason(vendorModel)), 0);
    ui.comboVendors->setModel(vendorModel);
    ui.comboVendors->setModelColumn(1);

    if (!row) {
        ui.comboBoxTaxStatus->setCurrentIndex(0);
        ui.comboVendors->setCurrentText(tr("NONE"));
        ui.dateSent->setDate(QDate::currentDate());
        ui.dateDeliver->setDate(QDate::currentDate());
        loadedStatusText = PurchaseStatus::StatusWord(PurchaseStatus::Draft);
        on_comboStatus_currentIndexChanged(ui.comboStatus->currentIndex());
    } else {
        purchaseOrderId = row->value(0).toString();
        ui.linePoNumber->setText(purchaseOrderId);
        // Vendors may share a name: the order's own vendor is the one with its stored ID.
        QSqlQuery stored(*DatabaseManager::Instance()->InventoryDatabase());
        stored.prepare(QStringLiteral("SELECT VENDOR_ID FROM tblPOrders WHERE ID = :id"));
        stored.bindValue(QStringLiteral(":id"), purchaseOrderId.toInt());
        if (!stored.exec() || !stored.next()) {
            ShowStatus(tr("The order's vendor could not be read: %1").arg(DatabaseFailure::ReadReason(stored)), 0);
            ui.comboVendors->setCurrentText(row->value(1).toString());
        } else if (!SelectVendor(stored.value(0).toString())) {
            ui.comboVendors->setCurrentText(row->value(1).toString());
        }
        const int status = row->value(2).toInt();
        closedInDatabase = status == PurchaseStatus::Closed;
        loadedStatusText = PurchaseStatus::StatusWord(status);
        ui.comboStatus->setCurrentIndex(status >= 0 && status < PurchaseStatus::StatusCount ? status : -1);
        on_comboStatus_currentIndexChanged(ui.comboStatus->currentIndex());
        if (loadedStatusText == PurchaseStatus::StatusWord(PurchaseStatus::Closed))
            SetViewOnlyMode();
        const QString dateFormat = AppSettings::Instance()->DateFormat();
        ui.dateSent->setDate(QDate::fromString(row->value(3).toString(), dateFormat));
        ui.dateDeliver->setDate(QDate::fromString(row->value(4).toString(), dateFormat));
        // Each amount is noted as it is shown: the tax status set below may still clear the tax field
        // (a stored status other than 0 or 1), and a save must then write the tax.
        ui.lineSubTotal->setText(Money(row->value(6).toDouble()));
        savedAmounts.subTotal = ui.lineSubTotal->text();
        ui.lineTax->setText(Money(row->value(7).toDouble()));
        savedAmounts.tax = ui.lineTax->text();
        ui.lineTotal->setText(Money(row->value(8).toDouble()));
        // An earlier version could store a total apart from its amounts; the next save puts it right.
        savedAmounts.totalIsSum =
            qFuzzyCompare(row->value(8).toDouble(), row->value(6).toDouble() + row->value(7).toDouble());
        ui.textEditNotes->setPlainText(row->value(9).toString());
        ui.comboBoxTaxStatus->setCurrentIndex(row->value(10).toInt());
        ui.checkBoxShipToCompanyAddress->blockSignals(true); // loading must not overwrite the stored address
        ui.checkBoxShipToCompanyAddress->setChecked(row->value(11).toBool());
        ui.checkBoxShipToCompanyAddress->blockSignals(false);
        ui.lineEditShippingName->setText(row->value(12).toString());
        ui.textEditShippingAddress->setPlainText(row->value(13).toString());
        ui.lineEditShippingContact->setText(row->value(14).toString());
        ui.lineEditShipVia->setText(row->value(15).toString());
        ui.comboPaymentStatus->setCurrentIndex(row->value(16).toInt());
        ui.line_paid_amount->setText(Money(row->value(17).toDouble()));
        savedAmounts.paid = ui.line_paid_amount->text();
        // The paid-amount rule ran above with the field's text; the stored payment status holds.
        ui.comboPaymentStatus->setCurrentIndex(row->value(16).toInt());
        const QDateTime stamp = PurchaseStatus::StoredDateTime(row->value(QStringLiteral("LAST_MODIFIED")));
        if (stamp.isValid())
            ui.dateTimePOTimeStamp->setDateTime(stamp);
    }

    BuildItemGrid();
    if (ui.comboBoxTaxStatus->currentIndex() == 0)
        ShowTaxTotals(false);
}

void AddEditPurchaseOrder::ShowTaxTotals(bool shown)
{
    for (QWidget* widget : {static_cast<QWidget*>(ui.labelSubTotal), static_cast<QWidget*>(ui.lineSubTotal),
                            static_cast<QWidget*>(ui.labelSalesTax), static_cast<QWidget*>(ui.lineTax)})
        widget->setVisible(shown);
}

void AddEditPurchaseOrder::ShowStatus(const QString& text, int kind)
{
    ShowFlashingStatus(ui.labelStatus, parentWidget() ? parentWidget()->styleSheet() : QString(), text, kind);
}

void AddEditPurchaseOrder::ShowMessage()
{
    ErrorDialog notice(QStringLiteral("err_msg_15"), tr("Purchase Order"),
                       tr("<p>Purchase Order has following states.</p><p><b>DRAFT:</b> Initially when you create a "
                          "purchase order. Add items to the order list and set other parameters. You can add any special "
                          "notes.</p><p><b>SENT:</b> Change to this state when the purchase order has been sent to the "
                          "vendor. Please add the total purchase cost to Expenses, so that you can track expenses related "
                          "to purchase.</p><p><b>PARTIALLY RECEIVED:</b> Change to this state when the ordered items "
                          "arrive in partial amounts. Please do not forget to receive stock by clicking on Receive Stock "
                          "button.</p><p><b>RECEIVED:</b> Change to this state when all the items have been received from "
                          "the vendor.</p><p><b>CLOSED:</b> Change to this state when you want to close the purchase "
                          "order. Once closed, purchase order can not be edited again, and it will become ready "
                          "only.</p>"),
                       AppSettings::Instance()->mainWindow, false, true);
    notice.exec();
}

void AddEditPurchaseOrder::on_comboVendors_currentIndexChanged(int index)
{
    if (index < 0)
        return;
    const QSqlRecord vendor = vendorModel->record(index);
    vendorId = vendor.value(QStringLiteral("ID")).toString();
    vendorName = vendor.value(QStringLiteral("NAME")).toString();
    vendorAddress = vendor.value(QStringLiteral("ADDRESS")).toString();
    vendorContact = vendor.value(QStringLiteral("CONTACT_NUMBER")).toString();
    vendorEmail = vendor.value(QStringLiteral("EMAIL")).toString();
    ui.lineContact->setText(vendorEmail);
    ui.lineContact->setCursorPosition(0);
    ui.lineEditVendorName->setText(vendorName);
    ui.lineEditVendorContact->setText(vendorContact);
    ui.textEditVendorAddress->setPlainText(vendorAddress);
    modified = true;
}

bool AddEditPurchaseOrder::SelectVendor(const QString& id)
{
    if (id.isEmpty())
        return false;
    const int idColumn = vendorModel->fieldIndex(QStringLiteral("ID"));
    for (int row = 0;; ++row) {
        if (row == vendorModel->rowCount()) {
            if (!vendorModel->canFetchMore())
                return false;
            vendorModel->fetchMore();
            if (row == vendorModel->rowCount())
                return false;
        }
        if (vendorModel->index(row, idColumn).data().toString() != id)
            continue;
        if (ui.comboVendors->currentIndex() == row)
            on_comboVendors_currentIndexChanged(row); // no change signal: fill the vendor's fields all the same
        else
            ui.comboVendors->setCurrentIndex(row);
        return true;
    }
}

void AddEditPurchaseOrder::on_pushSearchVendor_clicked()
{
    const QString currentId = vendorId;
    const QString currentName = ui.comboVendors->currentText();
    {
        ManageVendors vendors(this);
        vendors.resize(800, 600);
        vendors.setModal(true);
        vendors.exec();
    }
    // While the server is away the vendors shown stay, and the chosen one with them.
    if (!ListMending::KeptWhileAway(vendorModel) && !SqlFilter::Select(vendorModel))
        ShowStatus(tr("The vendors could not be read: %1").arg(DatabaseFailure::ReadReason(vendorModel)), 0);
    if (!SelectVendor(currentId)) {
        ui.comboVendors->setCurrentText(currentName);
        on_comboVendors_currentIndexChanged(ui.comboVendors->currentIndex());
    }
    modified = true;
}

bool AddEditPurchaseOrder::RefuseClosed()
{
    if (!closedInDatabase)
        return false;
    ShowStatus(tr("Closed purchase order can not be changed."), 0);
    return true;
}

bool AddEditPurchaseOrder::Save()
{
    if (RefuseClosed())
        return false;
    SetTotals(Amount(ui.lineSubTotal), Amount(ui.lineTax));
    const bool insert = purchaseOrderId.isEmpty();
    // An amount is shown rounded to the shop's places: one whose text is unchanged keeps its stored value.
    const bool subTotalWritten = insert || ui.lineSubTotal->text() != savedAmounts.subTotal;
    const bool taxWritten = insert || ui.lineTax->text() != savedAmounts.tax;
    const bool paidWritten = insert || ui.line_paid_amount->text() != savedAmounts.paid;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    if (insert) {
        query->prepare(QStringLiteral(
            "INSERT INTO tblPOrders ( VENDOR_ID, STATUS, SENT_DATE, DELIVERY_DATE, SUB_TOTAL, SALES_TAX, TOTAL, NOTES, "
            "DISABLE_TAX, SHIP_TO_COMPANY_ADDRESS, SHIPPING_NAME,  SHIPPING_ADDRESS, SHIPPING_CONTACT, SHIP_VIA, "
            "LAST_MODIFIED, PAYMENT_STATUS, PAID_AMOUNT) VALUES (:v, :s, :sd, :dd, :st, :stx, :t, :n, :dt, :stca, :sn,  "
            ":sa, :sc, :sv, :lm, :ps, :pa) "));
    } else {
        QString amounts;
        if (subTotalWritten)
            amounts += QLatin1String(", SUB_TOTAL = :st");
        if (taxWritten)
            amounts += QLatin1String(", SALES_TAX = :stx");
        if (paidWritten)
            amounts += QLatin1String(", PAID_AMOUNT = :pa");
        // The stored total is always the sum of the two stored amounts: it is written with them, or to put right a
        // total stored apart from them. An amount not written adds its stored value, places its field does not show
        // included.
        if (subTotalWritten && taxWritten)
            amounts += QLatin1String(", TOTAL = :t");
        else if (subTotalWritten || taxWritten || !savedAmounts.totalIsSum)
            amounts += QStringLiteral(", TOTAL = %1 + %2")
                           .arg(QLatin1String(subTotalWritten ? ":st" : "SUB_TOTAL"),
                                QLatin1String(taxWritten ? ":stx" : "SALES_TAX"));
        query->prepare(QStringLiteral(
            "UPDATE tblPOrders SET VENDOR_ID = :v, STATUS=:s, SENT_DATE=:sd, DELIVERY_DATE=:dd, NOTES=:n,  DISABLE_TAX "
            "= :dt, SHIP_TO_COMPANY_ADDRESS = :stca,  SHIPPING_NAME = :sn, SHIPPING_ADDRESS = :sa,  SHIPPING_CONTACT = "
            ":sc, SHIP_VIA = :sv, LAST_MODIFIED = :lm, PAYMENT_STATUS = :ps%1  WHERE ID = :id")
                           .arg(amounts));
        query->bindValue(QStringLiteral(":id"), purchaseOrderId.toInt());
    }
    // A value for a placeholder that the statement leaves out is not used.
    query->bindValue(QStringLiteral(":st"), Amount(ui.lineSubTotal));
    query->bindValue(QStringLiteral(":stx"), Amount(ui.lineTax));
    query->bindValue(QStringLiteral(":t"), Amount(ui.lineTotal));
    query->bindValue(QStringLiteral(":pa"), Amount(ui.line_paid_amount));
    query->bindValue(QStringLiteral(":v"), vendorId.isEmpty() ? -1 : vendorId.toInt());
    query->bindValue(QStringLiteral(":s"), ui.comboStatus->currentIndex());
    query->bindValue(QStringLiteral(":sd"), ui.dateSent->date().toString(QStringLiteral("yyyy-MM-dd")));
    query->bindValue(QStringLiteral(":dd"), ui.dateDeliver->date().toString(QStringLiteral("yyyy-MM-dd")));
    query->bindValue(QStringLiteral(":n"), ui.textEditNotes->toPlainText());
    query->bindValue(QStringLiteral(":dt"), ui.comboBoxTaxStatus->currentIndex());
    query->bindValue(QStringLiteral(":stca"), ui.checkBoxShipToCompanyAddress->isChecked() ? 1 : 0);
    query->bindValue(QStringLiteral(":sn"), ui.lineEditShippingName->text());
    query->bindValue(QStringLiteral(":sa"), ui.textEditShippingAddress->toPlainText());
    query->bindValue(QStringLiteral(":sc"), ui.lineEditShippingContact->text());
    query->bindValue(QStringLiteral(":sv"), ui.lineEditShipVia->text());
    query->bindValue(QStringLiteral(":lm"),
                     ui.dateTimePOTimeStamp->dateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    query->bindValue(QStringLiteral(":ps"), ui.comboPaymentStatus->currentIndex());
    if (!query->exec()) {
        qCWarning(lcPurchasing) << "Error: " << query->lastError().text();
        // The driver's words tell the user what to correct (a note too long, a vendor gone).
        ShowStatus(tr("Error occurred while saving purchase order.") + QLatin1Char(' ') + DatabaseFailure::WriteReason(*query),
                   0);
        return false;
    }
    if (insert) {
        purchaseOrderId = query->lastInsertId().toString();
        ui.linePoNumber->setText(purchaseOrderId);
    }
    // Only a save that the database took leaves nothing unsaved.
    modified = false;
    savedAmounts = AmountsShown();
    closedInDatabase = ui.comboStatus->currentIndex() == PurchaseStatus::Closed;
    ShowStatus(tr("Purchase order saved successfully."), 1);
    return true;
}

void AddEditPurchaseOrder::on_pushSave_clicked()
{
    Save();
}

void AddEditPurchaseOrder::on_line_paid_amount_returnPressed()
{
    Save();
}

void AddEditPurchaseOrder::on_pushClose_clicked()
{
    if (modified && !closedInDatabase) {
        const auto answer = QMessageBox::question(this, tr("Close?"), tr("Do you want to save changes?"),
                                                  QMessageBox::Yes | QMessageBox::No);
        // A failed save keeps the dialog open, so the changes are not lost with it.
        if (answer == QMessageBox::Yes && !Save())
            return;
    }
    close();
}

void AddEditPurchaseOrder::on_textEditNotes_textChanged()
{
    modified = true;
}

void AddEditPurchaseOrder::on_lineEditShippingName_textChanged(const QString&)
{
    modified = true;
}

void AddEditPurchaseOrder::on_textEditShippingAddress_textChanged()
{
    modified = true;
}

void AddEditPurchaseOrder::on_lineEditShippingContact_textChanged(const QString&)
{
    modified = true;
}

void AddEditPurchaseOrder::on_lineEditShipVia_textChanged(const QString&)
{
    modified = true;
}

void AddEditPurchaseOrder::on_dateSent_dateChanged(const QDate&)
{
    modified = true;
}

void AddEditPurchaseOrder::on_dateDeliver_dateChanged(const QDate&)
{
    modified = true;
}

void AddEditPurchaseOrder::on_checkBoxShipToCompanyAddress_clicked()
{
    modified = true; // the box itself is saved
}

void AddEditPurchaseOrder::on_checkBoxShipToCompanyAddress_toggled(bool checked)
{
    if (checked)
        FillShippingFromCompany();
}

void AddEditPurchaseOrder::FillShippingFromCompany()
{
    QSettings* settings = AppSettings::Instance()->settings;
    const auto either = [settings](const char* first, const char* second) {
        const QString key = QLatin1String(first);
        return settings->contains(key) ? settings->value(key, QString()).toString()
                                       : settings->value(QLatin1String(second), QString()).toString();
    };
    ui.lineEditShippingName->setText(either("SHIPPING_NAME", "REPORT_COMPANY_NAME"));
    ui.lineEditShippingContact->setText(either("SHIPPING_CONTACT", "REPORT_PHONE_NUMBER"));
    ui.textEditShippingAddress->setPlainText(either("SHIPPING_ADDRESS", "REPORT_COMPANY_ADDRESS"));
    Stamp();
    modified = true;
}

void AddEditPurchaseOrder::on_tabWidget_currentChanged(int index)
{
    const bool shipping = index == 1;
    ui.groupBoxPOItems->setVisible(!shipping);
    ui.groupBoxShippingDetails->setVisible(shipping);
    ui.groupBoxVendorDetails->setVisible(shipping);
    // A page not shown brings its layouts up to date only when it shows: until then it would ask the room of the
    // groups it showed, and the tab widget would keep that room on the other tabs too, pushing items and totals down.
    ui.boxDetails->invalidate();
    ui.boxShippingTab->invalidate();
    updateGeometry();
}

void AddEditPurchaseOrder::on_pushSearchInventory_clicked()
{
    BrowseStock(AppSettings::Instance()->mainWindow, QSize(1050, 600));
}

void AddEditPurchaseOrder::ShowProductImage(const QString& imageFile)
{
    ui.labelImage->clear();
    if (imageFile.isEmpty()) {
        ui.labelImage->setStyleSheet(ImageLabelStyle(NoImagePath()));
        return;
    }
    if (imagesFolder.isEmpty()) {
        ui.labelImage->setStyleSheet(ImageLabelStyle(imageFile));
        return;
    }
    const QString path = imagesFolder + QLatin1Char('/') + QFileInfo(imageFile).fileName();
    if (QFileInfo::exists(path)) {
        ui.labelImage->setStyleSheet(ImageLabelStyle(path));
    } else {
        ui.labelImage->setStyleSheet(ImageLabelStyle(QString()));
        ui.labelImage->setText(tr("NOT FOUND"));
    }
}

void AddEditPurchaseOrder::on_pushUpdateTimestamp_clicked()
{
    if (!AppSettings::Instance()->HasPermission(4)) {
        QMessageBox::information(this, tr("Permission"),
                                 tr("You are not allowed to access this function. Please contact ADMINISTRATOR user of "
                                    "Vorantel and request Purchase Management permissions."));
        return;
    }
    if (purchaseOrderId.isEmpty()) {
        Save();
        return;
    }
    if (RefuseClosed())
        return;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("UPDATE tblPOrders SET LAST_MODIFIED = :lm WHERE ID = :id"));
    query->bindValue(QStringLiteral(":lm"),
                     ui.dateTimePOTimeStamp->dateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    query->bindValue(QStringLiteral(":id"), purchaseOrderId.toInt());
    if (query->exec())
        QMessageBox::information(this, tr("Timestamp"), tr("Timestamp updated successfully"));
    else
        QMessageBox::information(this, tr("Timestamp"),
                                 tr("Error occurred. Failed to update timestamp") + QLatin1Char('\n')
                                     + DatabaseFailure::WriteReason(*query));
}
