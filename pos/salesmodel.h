#pragma once

#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QVector>

class QLocale;

// Columns of tblSalesInvoice as the cart shows them.
enum CartColumn {
    COL_ID,
    COL_TRANSACTION_ID,
    COL_ITEM_INDEX,
    COL_PRODUCT_NAME,
    COL_QUANTITY,
    COL_PURCHASE_PRICE,
    COL_SALE_PRICE,
    COL_SUB_ITEMS,
    COL_DISCOUNT,
    COL_LINE_TOTAL,
    COL_PURCHASE_SUB_TOTAL,
    COL_LINE_TAX,
    COL_BAR_CODE,
    COL_RETURNED = 19,
};

// The cart of the sale screen: the lines of the sale on screen, with the money columns in the
// display locale.
class SalesModel : public QSqlQueryModel
{
    Q_OBJECT
public:
    explicit SalesModel(QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // The line a row shows, also one kept in place of a read (below). Hides the base model's record(row),
    // which knows the read rows only; the screen reaches the cart through this class.
    QSqlRecord record(int row) const;
    QSqlRecord record() const { return QSqlQueryModel::record(); }

    // Every row, not only the first batch: line numbers and printing rely on the whole sale.
    void FetchAll();

    // While the lines cannot be read again after a write (the server went away between the two), the cart
    // shows what the sale holds now: the rows read last, with the lines written since and without those
    // deleted. The next read, of any statement, replaces all of it.
    // A line in the cart's columns (record() filled); false when the cart has never read its columns.
    bool AddLine(const QSqlRecord& line);
    void RemoveLine(int row);
    // No line, the columns kept, and the rows read last let go of, so that nothing reads them again.
    void RemoveAllLines();

private:
    void KeepRows();

    QLocale* locale = nullptr;
    int decimalPlaces = 2;
    // Since the last read, when kept: each shown row's read row, or -1 - n for added.at(n).
    bool kept = false;
    QVector<int> shownRows;
    QVector<QSqlRecord> added;
};
