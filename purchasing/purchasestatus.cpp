#include "purchasestatus.h"

#include <QBrush>
#include <QComboBox>
#include <QCoreApplication>

namespace PurchaseStatus {

namespace {

const char* const STATUS_WORDS[StatusCount] = {
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "DRAFT"),
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "SENT"),
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "PARTIALLY RECEIVED"),
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "RECEIVED"),
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "CLOSED"),
};
const char* const PAYMENT_WORDS[PaymentCount] = {
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "NOT PAID"),
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "PARTIALLY PAID"),
    QT_TRANSLATE_NOOP("AddEditPurchaseOrder", "PAID"),
};
// As style-sheet colour names; QColor reads the same texts.
const char* const STATUS_COLOURS[StatusCount] = {"red", "blue", "rgb(97,173,226)", "green", "black"};
const char* const PAYMENT_COLOURS[PaymentCount] = {"red", "rgb(97,173,226)", "green"};

QColor ToColour(const char* name)
{
    if (qstrcmp(name, "rgb(97,173,226)") == 0)
        return QColor(97, 173, 226);
    return QColor(QLatin1String(name));
}

QString Sheet(const char* colour)
{
    return QStringLiteral("QComboBox { background-color: %1; color:white }").arg(QLatin1String(colour));
}

} // namespace

QString StatusWord(int code)
{
    if (code < 0 || code >= StatusCount)
        return QString();
    return QCoreApplication::translate("AddEditPurchaseOrder", STATUS_WORDS[code]);
}

QString PaymentWord(int code)
{
    if (code < 0 || code >= PaymentCount)
        return QString();
    return QCoreApplication::translate("AddEditPurchaseOrder", PAYMENT_WORDS[code]);
}

QColor StatusColour(int code)
{
    return code >= 0 && code < StatusCount ? ToColour(STATUS_COLOURS[code]) : QColor();
}

QColor PaymentColour(int code)
{
    return code >= 0 && code < PaymentCount ? ToColour(PAYMENT_COLOURS[code]) : QColor();
}

QString StatusStyleSheet(int code)
{
    return code >= 0 && code < StatusCount ? Sheet(STATUS_COLOURS[code]) : QString();
}

QString PaymentStyleSheet(int code)
{
    return code >= 0 && code < PaymentCount ? Sheet(PAYMENT_COLOURS[code]) : QString();
}

QDateTime StoredDateTime(const QVariant& value)
{
    if (value.type() == QVariant::DateTime)
        return value.toDateTime();
    return QDateTime::fromString(value.toString(), QStringLiteral("yyyy-MM-ddThh:mm:ss"));
}

void AddStatusItems(QComboBox* combo)
{
    for (int code = 0; code < StatusCount; ++code) {
        combo->addItem(StatusWord(code));
        combo->setItemData(combo->count() - 1, QBrush(StatusColour(code)), Qt::BackgroundRole);
        combo->setItemData(combo->count() - 1, QBrush(Qt::white), Qt::ForegroundRole);
    }
}

void AddPaymentItems(QComboBox* combo)
{
    for (int code = 0; code < PaymentCount; ++code) {
        combo->addItem(PaymentWord(code));
        combo->setItemData(combo->count() - 1, QBrush(PaymentColour(code)), Qt::BackgroundRole);
        combo->setItemData(combo->count() - 1, QBrush(Qt::white), Qt::ForegroundRole);
    }
}

} // namespace PurchaseStatus
