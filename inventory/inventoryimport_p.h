#pragma once

// What the two source files of InventoryImport share.
#include "inventoryimport.h"

#include <QSqlQuery>

namespace InventoryImportShared {

// Lines per lookup and per multi-row statement.
const int PASS_LINES = 500;

// The staging tables of the batched updates, on the import's connection.
void CreateStagingTables(QSqlQuery& query);

// The VALUES rows of a multi-row statement: rows times "(?, ..., ?)" with columns marks.
inline QString ValueRows(int columns, int rows)
{
    QString row = QStringLiteral("(?");
    for (int c = 1; c < columns; ++c)
        row += QStringLiteral(", ?");
    row += QLatin1Char(')');
    QString sql = row;
    for (int i = 1; i < rows; ++i)
        sql += QStringLiteral(", ") + row;
    return sql;
}

// A table the import writes: the columns a line gives it (ID apart) and its staging table for updates.
struct Table
{
    QString name;
    QString staging;
    QStringList columns;
};

} // namespace InventoryImportShared

struct InventoryImport::Line
{
    int number = 0;
    bool valid = false; // passed the column and required-field checks
    QString category, name, code, description, image, unit, subUnit;
    int items = 1;
    double taxRate = 0;
    bool printUnit = false, service = false, generate = false;
    QString stockCode, vendor, batch, location;
    QVariant expiry;
    double purchase = 0, sale = 0, discount = 0;
    int quantity = 0, subItems = 0, reorderLevel = 0, reorderQuantity = 0, show = 1;

    QString categoryId, vendorId, productId, temporaryCode;
    QByteArray productWeight, stockWeight;
    qlonglong stockId = 0;
    bool stockInserted = false;

    QStringList early;           // column, required-field and category errors
    QString productLog;
    QStringList priceLog;
    QString expiryLog;
    QString stockLog;
};

struct InventoryImport::Probe
{
    QByteArray weight;
    qlonglong id = 0;
    QString categoryId;
};

