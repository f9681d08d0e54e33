#pragma once

#include <QSqlQueryModel>

#include <QLocale>

// The report table's model when the shop sells sub-items: the sales groupings carry a
// sub-item count after the item count.
class ReportVeiwerModelSubItems : public QSqlQueryModel
{
    Q_OBJECT
public:
    explicit ReportVeiwerModelSubItems(QObject* parent);

    QVariant data(const QModelIndex& item, int role = Qt::DisplayRole) const override;

private:
    int decimals;
    QLocale locale;
};
