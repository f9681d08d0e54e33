// The product and stock steps of the import: lookups grouped by collation, multi-row inserts, staged updates.
#include "inventoryimport_p.h"

#include "inventorylog.h"
#include "productcode.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

using namespace InventoryImportShared;

namespace {

enum GroupKind { Absent, Exists, Pending };
struct Group
{
    GroupKind kind = Absent;
    qlonglong id = 0;
    QString categoryId;
    int line = -1; // the window line whose insert is pending
};

// The group of the lines whose codes the database takes as equal (one collation weight); a new group
// starts from what the lookup found.
Group& GroupOf(QHash<QByteArray, Group>& groups, const QByteArray& weight, qlonglong id, const QString& categoryId)
{
    auto group = groups.find(weight);
    if (group == groups.end()) {
        Group fresh;
        if (id) {
            fresh.kind = Exists;
            fresh.id = id;
            fresh.categoryId = categoryId;
        }
        group = groups.insert(weight, fresh);
    }
    return *group;
}

} // namespace

int InventoryImport::ProductPass(int from)
{
    const int end = qMin(window.size(), from + PASS_LINES);
    QVector<int> keyLines;
    for (int i = from; i < end; ++i)
        if (window.at(i).valid && !window.at(i).categoryId.isEmpty())
            keyLines << i;
    QVector<Probe> probes;
    // A lookup that cannot run leaves the lines without product; their stock steps then fail and say so.
    if (keyLines.isEmpty() || !Lookup("tblProducts", "PRODUCT_CODE", keyLines, &Line::code, &probes))
        return end;

    QHash<QByteArray, Group> groups;
    QVector<int> inserts, updates, singles, dependents;
    bool generatedBefore = false;
    int cut = end;
    for (int k = 0; k < keyLines.size(); ++k) {
        const int i = keyLines.at(k);
        Line& line = window[i];
        const Probe& probe = probes.at(k);
        // A generated code is a number not known before its insert: a later code that may equal it waits.
        if (!line.generate && generatedBefore && NumberLike(probe.weight)) {
            cut = i;
            break;
        }
        line.productWeight = probe.weight;
        Group& group = GroupOf(groups, probe.weight, probe.id, probe.categoryId);
        if (group.kind == Exists && group.categoryId == line.categoryId) {
            line.productId = QString::number(group.id);
            updates << i;
        } else if (line.generate) {
            line.temporaryCode = TemporaryProductCode();
            inserts << i;
            generatedBefore = true;
        } else if (group.kind == Exists) {
            singles << i; // the code belongs to a product of another category: the insert is refused
        } else if (group.kind == Absent) {
            inserts << i;
            group.kind = Pending;
            group.line = i;
        } else {
            dependents << i;
        }
    }

    InsertProducts(inserts);
    QVector<int> generated;
    for (int i : qAsConst(inserts))
        if (window.at(i).generate && !window.at(i).productId.isEmpty())
            generated << i;
    AssignCodes(generated);

    // Lines whose code an earlier line of this pass inserted: settled now that the insert is done.
    for (int i : qAsConst(dependents)) {
        Line& line = window[i];
        Group& group = groups[line.productWeight];
        if (group.kind == Pending) {
            const Line& first = window.at(group.line);
            group.kind = first.productId.isEmpty() ? Absent : Exists;
            group.id = first.productId.toLongLong();
            group.categoryId = first.categoryId;
        }
        if (group.kind == Exists && group.categoryId == line.categoryId) {
            line.productId = QString::number(group.id);
            updates << i;
        } else if (group.kind == Exists) {
            singles << i;
        } else {
            InsertProducts({i});
            if (!line.productId.isEmpty()) {
                group.kind = Exists;
                group.id = line.productId.toLongLong();
                group.categoryId = line.categoryId;
            }
        }
    }
    std::sort(updates.begin(), updates.end());
    UpdateProducts(updates);
    for (int i : qAsConst(singles))
        InsertProducts({i});
    return cut;
}

namespace {

// The columns a line writes, in the order BindProduct and BindStock bind them.
const Table PRODUCTS{QStringLiteral("tblProducts"), QStringLiteral("import_products"),
                     {QStringLiteral("CATEGORY_ID"), QStringLiteral("PRODUCT_CODE"), QStringLiteral("NAME"),
                      QStringLiteral("ITEMS_PER_UNIT"), QStringLiteral("DESCRIPTION"), QStringLiteral("IMAGE_FILE"),
                      QStringLiteral("TAX_RATE"), QStringLiteral("UNIT_NAME"), QStringLiteral("SUB_UNIT_NAME"),
                      QStringLiteral("PRINT_UNIT_NAME"), QStringLiteral("SERVICE_ITEM")}};
const Table STOCK{QStringLiteral("tblInventory"), QStringLiteral("import_stock"),
                  {QStringLiteral("PRODUCT_ID"), QStringLiteral("VENDOR_ID"), QStringLiteral("BAR_CODE"),
                   QStringLiteral("BATCH_NUMBER"), QStringLiteral("EXPIRY_DATE"), QStringLiteral("STORAGE_LOCATION"),
                   QStringLiteral("PURCHASE_PRICE"), QStringLiteral("SALE_PRICE"), QStringLiteral("QUANTITY"),
                   QStringLiteral("SUB_ITEMS"), QStringLiteral("SHOW_ON_POS"), QStringLiteral("DISCOUNT"),
                   QStringLiteral("REORDER_LEVEL"), QStringLiteral("REORDER_QUANTITY")}};
// Updates go through staging tables: a multi-row insert there and one joined update.
// No column of these tables takes more than 255 characters, so the staging tables refuse nothing the
// tables themselves would take.
const QString PRODUCT_STAGING = QStringLiteral(
    "CREATE TEMPORARY TABLE IF NOT EXISTS import_products (ID BIGINT, CATEGORY_ID BIGINT, PRODUCT_CODE VARCHAR(255), "
    "NAME VARCHAR(255), ITEMS_PER_UNIT BIGINT, DESCRIPTION VARCHAR(255), IMAGE_FILE VARCHAR(255), TAX_RATE DOUBLE, "
    "UNIT_NAME VARCHAR(255), SUB_UNIT_NAME VARCHAR(255), PRINT_UNIT_NAME INT, SERVICE_ITEM INT) CHARACTER SET utf8 "
    "ENGINE = MEMORY");
const QString STOCK_STAGING = QStringLiteral(
    "CREATE TEMPORARY TABLE IF NOT EXISTS import_stock (ID BIGINT, PRODUCT_ID BIGINT, VENDOR_ID BIGINT, "
    "BAR_CODE VARCHAR(255), BATCH_NUMBER VARCHAR(255), EXPIRY_DATE DATE NULL, STORAGE_LOCATION VARCHAR(255), "
    "PURCHASE_PRICE DOUBLE, SALE_PRICE DOUBLE, QUANTITY BIGINT, SUB_ITEMS BIGINT, SHOW_ON_POS INT, DISCOUNT DOUBLE, "
    "REORDER_LEVEL BIGINT, REORDER_QUANTITY BIGINT) CHARACTER SET utf8 ENGINE = MEMORY");

// Splits lines so that no batch holds the same row twice: the n-th line on a row goes into batch n,
// and the batches run in order, so the last line on a row has the last word.
QVector<QVector<int>> Rounds(const QVector<int>& lines, const std::function<qlonglong(int)>& rowOf)
{
    QVector<QVector<int>> rounds;
    QHash<qlonglong, int> seen;
    for (int i : lines) {
        const int round = seen.value(rowOf(i), 0);
        seen.insert(rowOf(i), round + 1);
        if (rounds.size() <= round)
            rounds.resize(round + 1);
        rounds[round] << i;
    }
    return rounds;
}

// A text id as the statement takes it: an empty id stays an empty text, which the server refuses.
QVariant IdValue(const QString& id)
{
    bool ok = false;
    const qlonglong value = id.toLongLong(&ok);
    return ok ? QVariant(value) : QVariant(id);
}

} // namespace

void InventoryImportShared::CreateStagingTables(QSqlQuery& query)
{
    for (const QString& staging : {PRODUCT_STAGING, STOCK_STAGING})
        if (!query.exec(staging))
            qCWarning(lcInventory) << "import staging:" << query.lastError().text();
}

void InventoryImport::InsertRows(const Table& table, const QVector<int>& lines, const RowBinder& bind,
                                 const std::function<void(Line&, qlonglong id)>& inserted, QString Line::*log,
                                 const char* failure)
{
    const int columns = table.columns.size();
    const QString head =
        QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(table.name, table.columns.join(QStringLiteral(", ")));
    const auto sql = [&head, columns](int rows) { return head + ValueRows(columns, rows); };
    const auto bindRow = [&](QSqlQuery& query, int i, int row) { bind(query, row * columns, window.at(i)); };
    const auto done = [&](int i, bool ok, qlonglong id) {
        Line& line = window[i];
        if (ok) {
            inserted(line, id);
            return;
        }
        line.*log = QString::fromLatin1(failure).arg(line.number);
        clean = false;
    };
    const int step = singleInserts ? 1 : PASS_LINES;
    for (int begin = 0; begin < lines.size(); begin += step)
        RunRows(table.name + QStringLiteral(" insert"), lines, begin, qMin(lines.size(), begin + step), sql, bindRow,
                done);
}

void InventoryImport::UpdateRows(const Table& table, const QVector<int>& lines,
                                 const std::function<qlonglong(const Line&)>& idOf, const RowBinder& bind,
                                 QString Line::*log, const char* failure)
{
    const int columns = table.columns.size() + 1;
    const QString head =
        QStringLiteral("INSERT INTO %1 (ID, %2) VALUES ").arg(table.staging, table.columns.join(QStringLiteral(", ")));
    const auto sql = [&head, columns](int rows) { return head + ValueRows(columns, rows); };
    const auto bindRow = [&](QSqlQuery& query, int i, int row) {
        const Line& line = window.at(i);
        query.bindValue(row * columns, idOf(line));
        bind(query, row * columns + 1, line);
    };
    const auto done = [&](int i, bool ok, qlonglong) {
        if (ok)
            return;
        Line& line = window[i];
        line.*log = QString::fromLatin1(failure).arg(line.number);
        clean = false;
    };
    QStringList sets;
    for (const QString& column : table.columns)
        sets << QStringLiteral("t.%1 = v.%1").arg(column);
    const QString apply =
        QStringLiteral("UPDATE %1 AS t JOIN %2 AS v ON t.ID = v.ID SET ").arg(table.name, table.staging)
        + sets.join(QStringLiteral(", "));
    const auto rounds = Rounds(lines, [&](int i) { return idOf(window.at(i)); });
    for (const QVector<int>& round : rounds)
        for (int begin = 0; begin < round.size(); begin += PASS_LINES)
            RunRows(table.name + QStringLiteral(" update"), round, begin, qMin(round.size(), begin + PASS_LINES), sql,
                    bindRow, done, table.staging, apply);
}

void InventoryImport::BindProduct(QSqlQuery& query, int p, const Line& line, const QString& code)
{
    query.bindValue(p, IdValue(line.categoryId));
    query.bindValue(p + 1, code);
    query.bindValue(p + 2, line.name);
    query.bindValue(p + 3, line.items);
    query.bindValue(p + 4, line.description);
    query.bindValue(p + 5, line.image);
    query.bindValue(p + 6, line.taxRate);
    query.bindValue(p + 7, line.unit);
    query.bindValue(p + 8, line.subUnit);
    query.bindValue(p + 9, line.printUnit ? 1 : 0);
    query.bindValue(p + 10, line.service ? 1 : 0);
}

void InventoryImport::InsertProducts(const QVector<int>& lines)
{
    InsertRows(
        PRODUCTS, lines,
        [](QSqlQuery& query, int p, const Line& line) {
            BindProduct(query, p, line, line.generate ? line.temporaryCode : line.code);
        },
        [](Line& line, qlonglong id) { line.productId = QString::number(id); }, &Line::productLog,
        "Error at line %1. Error occurred while adding the product.");
}

void InventoryImport::AssignCodes(const QVector<int>& lines)
{
    if (lines.isEmpty())
        return;
    QVector<int> ids;
    for (int i : lines)
        ids << window.at(i).productId.toInt();
    QStringList codes;
    AssignAutomaticProductCodes(*db, ids, &codes);
    for (int k = 0; k < lines.size(); ++k) {
        Line& line = window[lines.at(k)];
        if (!codes.value(k).isEmpty()) {
            line.code = codes.at(k);
            continue;
        }
        // The row keeps no temporary code behind: it goes, and the line is left without product.
        QSqlQuery* remove = Prepared(QStringLiteral("product remove"),
                                     QStringLiteral("DELETE FROM tblProducts WHERE ID = ? AND PRODUCT_CODE = ?"));
        if (remove) {
            remove->bindValue(0, ids.at(k));
            remove->bindValue(1, line.temporaryCode);
            if (!remove->exec())
                qCWarning(lcInventory) << "temporary product row:" << remove->lastError().text();
        }
        line.productId.clear();
    }
}

void InventoryImport::UpdateProducts(const QVector<int>& lines)
{
    UpdateRows(
        PRODUCTS, lines, [](const Line& line) { return line.productId.toLongLong(); },
        [](QSqlQuery& query, int p, const Line& line) { BindProduct(query, p, line, line.code); }, &Line::productLog,
        "Error at line %1. Error occurred while updating the product.");
}

QString InventoryImport::GenerateStockCode(const QString& productCode)
{
    bool ok = false;
    qlonglong k = productCode.toLongLong(&ok);
    if (!ok)
        k = 0;
    QSqlQuery* lookup = Prepared(QStringLiteral("stock code"), QStringLiteral("SELECT ID FROM tblInventory WHERE BAR_CODE = ?"));
    while (lookup) {
        lookup->bindValue(0, QString::number(k));
        if (!lookup->exec() || !lookup->next())
            break;
        ++k;
    }
    if (lookup)
        lookup->finish();
    return QString::number(k);
}

int InventoryImport::StockPass(int from)
{
    int end = qMin(window.size(), from + PASS_LINES);
    QVector<int> keyLines;
    for (int i = from; i < end; ++i) {
        Line& line = window[i];
        if (!line.valid)
            continue;
        if (line.stockCode.isEmpty())
            line.stockCode = line.code;
        if (line.stockCode.isEmpty()) {
            // A number found free now could be taken by an earlier line of this pass: that line goes first.
            if (i != from) {
                end = i;
                break;
            }
            line.stockCode = GenerateStockCode(line.code);
        }
        keyLines << i;
    }
    QVector<Probe> probes;
    if (keyLines.isEmpty() || !Lookup("tblInventory", "BAR_CODE", keyLines, &Line::stockCode, &probes))
        return end;

    QHash<QByteArray, Group> groups;
    QVector<int> inserts, updates, aloneInserts, aloneUpdates, dependents;
    for (int k = 0; k < keyLines.size(); ++k) {
        const int i = keyLines.at(k);
        Line& line = window[i];
        const Probe& probe = probes.at(k);
        line.stockWeight = probe.weight;
        Group& group = GroupOf(groups, probe.weight, probe.id, QString());
        // Without product or vendor the statement is refused; it runs alone so that only this line fails.
        const bool refused = line.productId.isEmpty() || line.vendorId.isEmpty();
        if (group.kind == Exists) {
            line.stockId = group.id;
            (refused ? aloneUpdates : updates) << i;
        } else if (group.kind == Absent) {
            if (refused) {
                aloneInserts << i;
            } else {
                inserts << i;
                group.kind = Pending;
                group.line = i;
            }
        } else {
            dependents << i;
        }
    }

    InsertStock(inserts);
    for (int i : qAsConst(dependents)) {
        Line& line = window[i];
        Group& group = groups[line.stockWeight];
        if (group.kind == Pending) {
            const Line& first = window.at(group.line);
            group.kind = first.stockInserted ? Exists : Absent;
            group.id = first.stockId;
        }
        const bool refused = line.productId.isEmpty() || line.vendorId.isEmpty();
        if (group.kind == Exists) {
            line.stockId = group.id;
            (refused ? aloneUpdates : updates) << i;
        } else if (refused) {
            aloneInserts << i;
        } else {
            InsertStock({i});
            if (line.stockInserted) {
                group.kind = Exists;
                group.id = line.stockId;
            }
        }
    }
    std::sort(updates.begin(), updates.end());
    UpdateStock(updates);
    QVector<int> singles = aloneInserts + aloneUpdates;
    std::sort(singles.begin(), singles.end());
    for (int i : qAsConst(singles)) {
        if (aloneUpdates.contains(i))
            UpdateStock({i});
        else
            InsertStock({i});
    }
    return end;
}

void InventoryImport::BindStock(QSqlQuery& query, int p, const Line& line)
{
    query.bindValue(p, IdValue(line.productId));
    query.bindValue(p + 1, IdValue(line.vendorId));
    query.bindValue(p + 2, line.stockCode);
    query.bindValue(p + 3, line.batch);
    query.bindValue(p + 4, line.expiry);
    query.bindValue(p + 5, line.location);
    query.bindValue(p + 6, line.purchase);
    query.bindValue(p + 7, line.sale);
    query.bindValue(p + 8, line.quantity);
    query.bindValue(p + 9, line.subItems);
    query.bindValue(p + 10, line.show);
    query.bindValue(p + 11, line.discount);
    query.bindValue(p + 12, line.reorderLevel);
    query.bindValue(p + 13, line.reorderQuantity);
}

void InventoryImport::InsertStock(const QVector<int>& lines)
{
    InsertRows(
        STOCK, lines, BindStock,
        [](Line& line, qlonglong id) {
            line.stockId = id;
            line.stockInserted = true;
        },
        &Line::stockLog, "Error at line %1. Error occurred while adding stock.");
}

void InventoryImport::UpdateStock(const QVector<int>& lines)
{
    UpdateRows(STOCK, lines, [](const Line& line) { return line.stockId; }, BindStock, &Line::stockLog,
               "Error at line %1. Error occurred while updating stock.");
}
