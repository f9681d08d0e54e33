#include "purchasemodel.h"

#include "appsettings.h"
#include "purchasestatus.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QSettings>

PurchaseModel::PurchaseModel(QObject* parent)
    : QSqlQueryModel(parent)
    , decimalPlaces(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt())
    , locale(AppSettings::Instance()->locale)
{
}

QVariant PurchaseModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlQueryModel::data(index, role);
    const int column = index.column();
    if (role == Qt::DisplayRole) {
        switch (column) {
        case STATUS: {
            const QString word = PurchaseStatus::StatusWord(value.toInt());
            return word.isEmpty() ? value : word;
        }
        case PAYMENT_STATUS: {
            const QString word = PurchaseStatus::PaymentWord(value.toInt());
            return word.isEmpty() ? value : word;
        }
        case SUB_TOTAL:
        case SALES_TAX:
        case TOTAL:
        case PAID_AMOUNT:
            return locale->toString(value.toDouble(), 'f', decimalPlaces);
        case LAST_MODIFIED: {
            const QDateTime stamp = PurchaseStatus::StoredDateTime(value);
            if (!stamp.isValid())
                return QString();
            AppSettings* settings = AppSettings::Instance();
            return stamp.toString(settings->DateFormat() + QLatin1Char(' ') + settings->TimeFormat());
        }
        default:
            return value;
        }
    }
    if (role == Qt::DecorationRole) {
        if (column == STATUS) {
            const QColor colour = PurchaseStatus::StatusColour(QSqlQueryModel::data(index, Qt::DisplayRole).toInt());
            return colour.isValid() ? QVariant(colour) : value;
        }
        if (column == PAYMENT_STATUS) {
            const QColor colour = PurchaseStatus::PaymentColour(QSqlQueryModel::data(index, Qt::DisplayRole).toInt());
            return colour.isValid() ? QVariant(colour) : value;
        }
        if (column == DELIVERY_DATE) {
            const int status = QSqlQueryModel::data(index.siblingAtColumn(STATUS), Qt::DisplayRole).toInt();
            if (status != PurchaseStatus::Sent && status != PurchaseStatus::PartiallyReceived)
                return value;
            const QDate due = QDate::fromString(QSqlQueryModel::data(index, Qt::DisplayRole).toString(),
                                                AppSettings::Instance()->DateFormat());
            // An order on its way without a readable delivery date counts as overdue.
            if (!due.isValid() || QDate::currentDate() > due)
                return QColor(Qt::red);
        }
    }
    return value;
}
