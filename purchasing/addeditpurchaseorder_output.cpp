// The order printed through its report template: printer, preview, PDF and the e-mail draft with the PDF.
#include "addeditpurchaseorder.h"

#include "appsettings.h"
#include "composeemail.h"
#include "databasemanager.h"
#include "progress.h"
#include "purchaseitemsmodel.h"
#include "purchasinglog.h"
#include "reportengine.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QImage>
#include <QLabel>
#include <QLocale>
#include <QMainWindow>
#include <QSqlQuery>
#include <QStandardPaths>

ReportEngine* AddEditPurchaseOrder::NewEngine()
{
    const QString path = taxEnabled && ui.comboBoxTaxStatus->currentIndex() == 1
        ? QStringLiteral(":/xml/reports/purchase_order.xml")
        : QStringLiteral(":/xml/reports/purchase_order_no_tax.xml");
    auto* engine = new ReportEngine(AppSettings::Instance()->mainWindow);
    engine->recordCounts.append(itemsModel ? itemsModel->rowCount() : 0);
    if (!engine->LoadTemplate(path))
        qCWarning(lcPurchasing) << "Report's file not found";
    connect(engine, &ReportEngine::setValue, this, &AddEditPurchaseOrder::setValue);
    connect(engine, &ReportEngine::setValueImage, this, &AddEditPurchaseOrder::setValueImage);
    return engine;
}

void AddEditPurchaseOrder::printReport(bool preview)
{
    ReportEngine* engine = NewEngine();
    if (preview)
        engine->ShowPrintPreview(AppSettings::Instance()->mainWindow);
    else
        engine->PrintToPrinter(true);
    delete engine;
}

bool AddEditPurchaseOrder::PrintToPDF(QString& file_name, bool open_after_printing)
{
    ReportEngine* engine = NewEngine();
    const bool written = engine->PrintToPDFFile(file_name, open_after_printing, false);
    delete engine;
    return written;
}

void AddEditPurchaseOrder::PrintToPDF(QString& file_name)
{
    PrintToPDF(file_name, true);
}

void AddEditPurchaseOrder::on_pushPreview_clicked()
{
    printReport(true);
}

void AddEditPurchaseOrder::on_pushPrint_clicked()
{
    printReport(false);
}

void AddEditPurchaseOrder::on_pushPrintToPDF_clicked()
{
    QString name;
    PrintToPDF(name, true);
}

void AddEditPurchaseOrder::on_pusSendEmail_clicked()
{
    Progress busy(this, tr("Generating PDF file..."));
    busy.show();
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QString name = QStringLiteral("POrder_%1_%2.pdf").arg(purchaseOrderId).arg(QDateTime::currentSecsSinceEpoch());
    // A PDF not written has been told; a draft would name a file that is not there.
    if (!PrintToPDF(name, false))
        return;
    const QString path = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + name;
    const QString subject = tr("POrder No. %1").arg(purchaseOrderId);
    const QString body = tr("Please find attached the purchase order.\r\nATTACHED FILE PATH: %1").arg(path);
    QCoreApplication::processEvents();
    if (auto* label = busy.findChild<QLabel*>())
        label->setText(tr("Launching email client..."));
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const bool drafted = ComposeEmail(vendorEmail, QString(), subject, body, path);
    busy.close();
    if (!drafted)
        ShowStatus(tr("The e-mail draft could not be written or opened. The PDF is in %1.").arg(path), 0);
}

void AddEditPurchaseOrder::setValue(int& recNo, QString& paramName, QVariant& paramValue, int)
{
    const AppSettings* appSettings = AppSettings::Instance();
    const auto cell = [this, recNo](int column) {
        return itemsModel->data(itemsModel->index(recNo, column), Qt::DisplayRole).toString();
    };
    using C = PurchaseItemsModel;
    const int places = decimalPlaces.toInt();

    if (paramName == QLatin1String("company_name"))
        paramValue = printCompanyInfoLarge ? companyName : QString();
    else if (paramName == QLatin1String("company_address"))
        paramValue = printCompanyInfoLarge ? companyAddress : QString();
    else if (paramName == QLatin1String("company_contact"))
        paramValue = printCompanyInfoLarge ? companyPhone : QString();
    else if (paramName == QLatin1String("report_message"))
        paramValue = QString();
    else if (paramName == QLatin1String("vendor_name"))
        paramValue = vendorName;
    else if (paramName == QLatin1String("vendor_address"))
        paramValue = vendorAddress;
    else if (paramName == QLatin1String("vendor_contact"))
        paramValue = vendorContact;
    else if (paramName == QLatin1String("deliver_date"))
        paramValue = ui.dateDeliver->date().toString(appSettings->DateFormat());
    else if (paramName == QLatin1String("porder"))
        paramValue = purchaseOrderId;
    else if (paramName == QLatin1String("date"))
        paramValue = ui.dateTimePOTimeStamp->dateTime().toString(appSettings->DateFormat() + QLatin1Char(' ')
                                                                 + appSettings->TimeFormat());
    else if (paramName == QLatin1String("Qty"))
        paramValue = cell(C::QUANTITY) + QLatin1Char(' ')
            + (cell(C::PRINT_UNIT_NAME) == QLatin1String("1") ? cell(C::UNIT_NAME) : QString());
    else if (paramName == QLatin1String("Code"))
        paramValue = cell(C::PRODUCT_CODE);
    else if (paramName == QLatin1String("Name"))
        paramValue = cell(C::NAME);
    else if (paramName == QLatin1String("UnitPrice")) {
        const double shown = locale->toDouble(cell(C::UNIT_PRICE));
        if (ui.comboBoxTaxStatus->currentIndex() == 1) {
            QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
            query->prepare(QStringLiteral("SELECT TAX_RATE FROM tblProducts WHERE PRODUCT_CODE = :code"));
            query->bindValue(QStringLiteral(":code"), cell(C::PRODUCT_CODE));
            if (query->exec() && query->next())
                paramValue = locale->toString(shown / (query->value(0).toDouble() / 100 + 1), 'f', places);
        } else {
            paramValue = locale->toString(shown, 'f', places);
        }
    } else if (paramName == QLatin1String("LineTotal"))
        paramValue = cell(C::LINE_TOTAL);
    else if (paramName == QLatin1String("total"))
        paramValue = currencySymbol + QLatin1Char(' ') + ui.lineTotal->text();
    else if (paramName == QLatin1String("tax"))
        paramValue = currencySymbol + QLatin1Char(' ') + ui.lineTax->text();
    else if (paramName == QLatin1String("sub_total"))
        paramValue = currencySymbol + QLatin1Char(' ') + ui.lineSubTotal->text();
    else if (paramName == QLatin1String("Tax_Name"))
        paramValue = taxName;
    else if (paramName == QLatin1String("ship_name"))
        paramValue = ui.lineEditShippingName->text();
    else if (paramName == QLatin1String("ship_address"))
        paramValue = ui.textEditShippingAddress->toPlainText();
    else if (paramName == QLatin1String("ship_contact"))
        paramValue = ui.lineEditShippingContact->text();
    else if (paramName == QLatin1String("ship_via"))
        paramValue = ui.lineEditShipVia->text();
    else if (paramName == QLatin1String("notes"))
        paramValue = ui.textEditNotes->toPlainText();
    else if (paramName == QLatin1String("po_title"))
        paramValue = tr("PURCHASE ORDER");
    else {
        static const QList<QPair<const char*, const char*>> captions = {
            {"Sent_D_H", QT_TR_NOOP("Sent Date")},       {"Vendor", QT_TR_NOOP("Vendor")},
            {"Ship_To", QT_TR_NOOP("Ship To")},          {"Delivery_D_H", QT_TR_NOOP("Delivery Date")},
            {"Ship_Via_H", QT_TR_NOOP("Ship Via")},      {"PO_Number", QT_TR_NOOP("P.Order Nr.")},
            {"Qunatity", QT_TR_NOOP("Quantity")},        {"Product_Code", QT_TR_NOOP("Product Code")},
            {"Name_H", QT_TR_NOOP("Name")},              {"Unit_Price_H", QT_TR_NOOP("Unit Price")},
            {"Line_Total", QT_TR_NOOP("Line Total")},    {"Sub_Total_H", QT_TR_NOOP("Sub Total")},
            {"Total_H", QT_TR_NOOP("Total")},            {"Notes_H", QT_TR_NOOP("Notes")},
        };
        for (const auto& caption : captions) {
            if (paramName == QLatin1String(caption.first)) {
                paramValue = tr(caption.second);
                break;
            }
        }
    }
}

void AddEditPurchaseOrder::setValueImage(int&, QString& paramName, QImage& paramValue, int)
{
    if (paramName != QLatin1String("image") || !printCompanyLogoLarge)
        return;
    // An image that could not be read has no size to scale by: nothing is printed then.
    if (!companyLogo || companyLogo->isNull() || companyLogo->width() <= 0 || logoSize <= 0)
        return;
    const int width = static_cast<int>(60.0f / (10.0f / static_cast<float>(logoSize)));
    const int height = static_cast<int>(static_cast<float>(companyLogo->height())
                                        * (static_cast<float>(width) / static_cast<float>(companyLogo->width())));
    if (width <= 0 || height <= 0)
        return;
    paramValue = companyLogo->scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
