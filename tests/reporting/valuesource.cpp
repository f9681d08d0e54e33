#include "valuesource.h"

#include "reportengine.h"

#include <QStandardPaths>

#include <algorithm>

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

QString ValueSource::Print(const QString& templ, const QList<int>& records, const QString& file)
{
    ReportEngine engine(nullptr);
    engine.recordCounts = records;
    if (!engine.LoadTemplate(templ.startsWith(QLatin1Char(':')) ? templ : QStringLiteral(":/test/templates/%1.xml").arg(templ)))
        return QString();
    Connect(engine);
    return PrintPdf(engine, file);
}

int ValueSource::CountAsks(const QString& name, int recNo) const
{
    return int(std::count_if(asks.cbegin(), asks.cend(),
                             [&](const Ask& a) { return a.name == name && (recNo < 0 || a.recNo == recNo); }));
}

QStringList ValueSource::NamesAsked() const
{
    QStringList names;
    for (const Ask& a : asks)
        names << a.name;
    names.removeDuplicates();
    return names;
}

QString PrintPdf(ReportEngine& engine, const QString& file)
{
    engine.PrintToPDFFile(file, false, false);
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QLatin1Char('/') + file;
}

ValueSource* ValueSource::Shipped(QObject* parent)
{
    auto* source = new ValueSource;
    source->setParent(parent);
    source->values = {{"receipt_title", "RECEIPT"},     {"_Receipt_Number_", "Receipt No."}, {"_Unit_Price", "Unit Price"},
                      {"_Line_Tax_", "Line Tax"},      {"_Sub_Total_", "Sub Total"},        {"grand_total", "129.60"},
                      {"total", "129.60"},             {"promo", "Ten percent off paint in May"}};
    // Captions and the rest print their own name; record cells name their record.
    source->perRecord = [](int recNo, const QString& name) -> QVariant {
        const int n = recNo + 1;
        if (name == QLatin1String("SN") || name == QLatin1String("Qty"))
            return n;
        if (name == QLatin1String("Product") || name == QLatin1String("Name"))
            return QStringLiteral("Product %1").arg(n, 3, 10, QLatin1Char('0'));
        if (name == QLatin1String("Code"))
            return QStringLiteral("CODE-%1").arg(n, 3, 10, QLatin1Char('0'));
        if (name == QLatin1String("Price/Item") || name == QLatin1String("UnitPrice"))
            return QStringLiteral("%1.50").arg(n);
        if (name == QLatin1String("Total") || name == QLatin1String("LineTotal"))
            return QStringLiteral("%1.00").arg(2 * n + 1);
        return name;
    };
    return source;
}
