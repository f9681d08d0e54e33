#include "salessqltablemodel.h"

#include "appsettings.h"

#include <QColor>
#include <QDate>
#include <QDateTime>
#include <QSettings>

namespace {

// A sale still being rung up on the sale screen.
constexpr int STATUS_UNFINISHED = -1;
constexpr int STATUS_NOT_PAID = 0;
constexpr int STATUS_PARTIALLY_PAID = 1;
constexpr int STATUS_PAID = 2;

} // namespace

SalesSqlTableModel::SalesSqlTableModel(QObject* parent, const QSqlDatabase& db)
    : QSqlRelationalTableModel(parent, db)
    , decimals(AppSettings::Instance()->settings->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt())
    , locale(*AppSettings::Instance()->locale)
{
}

QVariant SalesSqlTableModel::data(const QModelIndex& index, int role) const
{
    const QVariant value = QSqlRelationalTableModel::data(index, role);
    const AppSettings* appSettings = AppSettings::Instance();

    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case TIME_STAMP:
            return value.toDateTime().toString(appSettings->dateFormat + QLatin1Char(' ') + appSettings->TimeFormat());
        case GRAND_TOTAL:
        case PAID:
        case AMOUNT_DUE:
        case TOTAL_TAX:
        case TOTAL_DISCOUNT:
            return locale.toString(value.toDouble(), 'f', decimals);
        case INVOICE_MODE:
            return value.toInt() != 0 ? tr("INVOICE") : tr("RECEIPT");
        case STATUS:
            switch (value.toInt()) {
            case STATUS_UNFINISHED:
                return tr("UNFINISHED");
            case STATUS_NOT_PAID:
                return tr("NOT PAID");
            case STATUS_PARTIALLY_PAID:
                return tr("PARTIALLY PAID");
            default:
                return tr("PAID");
            }
        case SENT_DATE:
        case DUE_DATE:
            return value.toDate().toString(appSettings->dateFormat);
        case SHIP_TO_CUSTOMER_ADDR:
            return value.toInt() == 1 ? tr("YES") : tr("NO");
        default:
            return value;
        }
    }

    if (role == Qt::DecorationRole) {
        if (index.column() == STATUS) {
            const int status = QSqlRelationalTableModel::data(index, Qt::DisplayRole).toInt();
            switch (status) {
            case STATUS_UNFINISHED:
                return QColor(Qt::gray);
            case STATUS_NOT_PAID:
                return QColor(Qt::red);
            case STATUS_PARTIALLY_PAID:
                return QColor(97, 173, 226);
            default:
                return QColor(Qt::green);
            }
        }
        if (index.column() == DUE_DATE) {
            const int status = QSqlRelationalTableModel::data(index.siblingAtColumn(STATUS), Qt::DisplayRole).toInt();
            const QDate due = QSqlRelationalTableModel::data(index, Qt::DisplayRole).toDate();
            // A missing due date counts as overdue.
            const bool overdue = !due.isValid() || due < Today();
            if (status != STATUS_PAID && overdue)
                return QColor(Qt::red);
        }
    }
    return value;
}

QDate SalesSqlTableModel::Today() const
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (!today.isValid() || now < todayStarts || now >= todayEnds) {
        today = QDate::currentDate();
        todayStarts = today.startOfDay().toMSecsSinceEpoch();
        todayEnds = today.addDays(1).startOfDay().toMSecsSinceEpoch();
    }
    return today;
}
