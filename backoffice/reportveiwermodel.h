#pragma once

#include <QSqlQueryModel>

#include <QLocale>

// What the report viewer shows, shared by every viewer and read by both formatting models:
// 0 stock by vendor, 1 stock by category, 2 expenses, 3 sales by product, 4 by customer,
// 5 by category, 6 by user, 7 by date; 8 (at start) formats nothing.
extern int reportKind;

// Display text of a report cell: money in fixed notation with `decimals` digits, counts as
// integers with group separators. Columns in neither list keep the model's value.
QVariant FormatReportCell(const QVariant& value, int column, const QList<int>& moneyColumns,
                          const QList<int>& integerColumns, const QLocale& locale, int decimals);

// The report table's model, formatting by report kind and column.
class ReportVeiwerModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    explicit ReportVeiwerModel(QObject* parent);

    QVariant data(const QModelIndex& item, int role = Qt::DisplayRole) const override;

protected:
    // With sub-items the sales groupings carry a sub-item count after the item count.
    ReportVeiwerModel(QObject* parent, bool subItems);

private:
    bool subItems;
    int decimals;
    QLocale locale;
};
