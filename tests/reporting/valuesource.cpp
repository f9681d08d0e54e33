#include "valuesource.h"

#include "reportengine.h"

void ValueSource::Connect(ReportEngine& engine)
{
    connect(&engine, &ReportEngine::setValue, this, &ValueSource::Answer);
    connect(&engine, &ReportEngine::setValueImage, this, &ValueSource::AnswerImage);
}

void ValueSource::Answer(int& recNo, QString& paramName, QVariant& paramValue, int reportPage)
{
    asks << Ask{recNo, paramName, reportPage};
    if (values.contains(paramName))
        paramValue = values.value(paramName);
    else if (perRecord)
        paramValue = perRecord(recNo, paramName);
}

void ValueSource::AnswerImage(int& recNo, QString& paramName, QImage& paramValue, int reportPage)
{
    imageAsks << Ask{recNo, paramName, reportPage};
    if (images.contains(paramName))
        paramValue = images.value(paramName);
}

int ValueSource::CountAsks(const QString& name, int recNo) const
{
    int n = 0;
    for (const Ask& a : asks) {
        if (a.name == name && (recNo < 0 || a.recNo == recNo))
            ++n;
    }
    return n;
}

QStringList ValueSource::NamesAsked() const
{
    QStringList names;
    for (const Ask& a : asks) {
        if (!names.contains(a.name))
            names << a.name;
    }
    return names;
}

ValueSource* ValueSource::Shipped(QObject* parent)
{
    auto* source = new ValueSource;
    source->setParent(parent);
    const char* const captions[][2] = {
        {"receipt_title", "RECEIPT"},
        {"invoice_title", "INVOICE"},
        {"po_title", "PURCHASE ORDER"},
        {"company_name", "Harbour Street Hardware"},
        {"company_address", "12 Harbour Street, Port Ellis"},
        {"company_contact", "Phone 555-0142"},
        {"customer_title", "Customer"},
        {"customer_name", "Maria Donnell"},
        {"customer_address", "8 Quarry Lane"},
        {"customer_contact", "555-0199"},
        {"vendor_name", "Northline Supplies"},
        {"vendor_address", "Mill Road 22"},
        {"vendor_contact", "555-0777"},
        {"ship_name", "Dock Warehouse"},
        {"ship_address", "3 Dock Road"},
        {"ship_contact", "555-0143"},
        {"report_message", "Thank you for your business"},
        {"Sent_D_H", "Sent"},
        {"date", "2024-05-17"},
        {"Customer", "Bill To"},
        {"Vendor", "Vendor"},
        {"Ship_To", "Ship To"},
        {"_D_and_T_", "Date and Time"},
        {"_Receipt_Number_", "Receipt No."},
        {"receipt", "100245"},
        {"_Due_D_", "Due Date"},
        {"due_date", "2024-06-16"},
        {"Delivery_D_H", "Delivery Date"},
        {"deliver_date", "2024-05-24"},
        {"Ship_Via_H", "Ship Via"},
        {"ship_via", "Courier"},
        {"_Invoice_Number_", "Invoice No."},
        {"invoice_number", "INV-0871"},
        {"PO_Number", "PO Number"},
        {"porder", "PO-000318"},
        {"_SN_", "SN"},
        {"_Product_", "Product"},
        {"_Quantity_", "Quantity"},
        {"_Unit_Price", "Unit Price"},
        {"_Discount_", "Discount"},
        {"_Line_Total_", "Line Total"},
        {"_Line_Tax_", "Line Tax"},
        {"Qunatity", "Quantity"},
        {"Product_Code", "Product Code"},
        {"Name_H", "Name"},
        {"Unit_Price_H", "Unit Price"},
        {"Line_Total", "Line Total"},
        {"_Sub_Total_", "Sub Total"},
        {"Sub_Total_H", "Sub Total"},
        {"sub_total", "120.00"},
        {"Tax_Name", "Sales Tax"},
        {"tax", "9.60"},
        {"_Total_", "Total"},
        {"Total_H", "Total"},
        {"grand_total", "129.60"},
        {"total", "129.60"},
        {"_Paid_", "Paid"},
        {"paid", "130.00"},
        {"_Amount_Due_", "Change"},
        {"change", "0.40"},
        {"_Payment_Method", "Payment Method"},
        {"payment_type", "Cash"},
        {"total_discount", "Total discount 0.00"},
        {"_Notes_", "Notes"},
        {"Notes_H", "Notes"},
        {"notes", "Leave at the back door"},
        {"promo", "Ten percent off paint in May"},
        {"empty", ""},
    };
    for (const auto& c : captions)
        source->values.insert(QString::fromLatin1(c[0]), QString::fromLatin1(c[1]));

    source->perRecord = [](int recNo, const QString& name) -> QVariant {
        const int n = recNo + 1;
        if (name == QLatin1String("SN") || name == QLatin1String("Qty"))
            return n;
        if (name == QLatin1String("Product") || name == QLatin1String("Name"))
            return QStringLiteral("Product %1").arg(n, 3, 10, QLatin1Char('0'));
        if (name == QLatin1String("Code"))
            return QStringLiteral("CODE-%1").arg(n, 3, 10, QLatin1Char('0'));
        if (name == QLatin1String("Items"))
            return 2;
        if (name == QLatin1String("Price/Item") || name == QLatin1String("UnitPrice"))
            return QStringLiteral("%1.50").arg(n);
        if (name == QLatin1String("Discount"))
            return QStringLiteral("0.00");
        if (name == QLatin1String("Total") || name == QLatin1String("LineTotal"))
            return QStringLiteral("%1.00").arg(2 * n + 1);
        if (name == QLatin1String("line_tax"))
            return QStringLiteral("0.%1").arg(n % 10);
        return QVariant();
    };
    return source;
}
