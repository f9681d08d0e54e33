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

} // namespace

int InventoryImport::ProductPass(int from)
{
    const int end = qMin(window.size(), from + PASS_LINES);
    QStringList keys;
    QVector<int> keyLines;
    for (int i = from; i < end; ++i) {
        Line& line = window[i];
        if (line.valid && !line.categoryId.isEmpty()) {
            keys << line.code;
            keyLines << i;
        }
    }
    if (keys.isEmpty())
        return end;
    QVector<Probe> probes;
    // A lookup that cannot run leaves the lines without product; their stock steps then fail and say so.
    if (!Lookup("tblProducts", "PRODUCT_CODE", keys, &probes))
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
        auto group = groups.find(probe.weight);
        if (group == groups.end()) {
            Group fresh;
            if (probe.id) {
                fresh.kind = Exists;
                fresh.id = probe.id;
                fresh.categoryId = probe.categoryId;
            }
            group = groups.insert(probe.weight, fresh);
        }
        if (group->kind == Exists && group->categoryId == line.categoryId) {
            line.productId = QString::number(group->id);
            updates << i;
        } else if (line.generate) {
            line.temporaryCode = TemporaryProductCode();
            inserts << i;
            generatedBefore = true;
        } else if (group->kind == Exists) {
            singles << i; // the code belongs to a product of another category: the insert is refused
        } else if (group->kind == Absent) {
            inserts << i;
            group->kind = Pending;
            group->line = i;
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
            SingleProductInsert(i);
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
        SingleProductInsert(i);
    return cut;
}

namespace {

const QString PRODUCT_INSERT = QStringLiteral(
    "INSERT INTO tblProducts (CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, TAX_RATE, "
    "UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM) VALUES ");
const QString PRODUCT_ROW = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
// Updates go through staging tables: a multi-row insert there and one joined update.
// No column of these tables takes more than 255 characters, so the staging tables refuse nothing the
// tables themselves would take.
const QString PRODUCT_STAGING = QStringLiteral(
    "CREATE TEMPORARY TABLE IF NOT EXISTS import_products (ID BIGINT, CATEGORY_ID BIGINT, PRODUCT_CODE VARCHAR(255), "
    "NAME VARCHAR(255), ITEMS_PER_UNIT BIGINT, DESCRIPTION VARCHAR(255), IMAGE_FILE VARCHAR(255), TAX_RATE DOUBLE, "
    "UNIT_NAME VARCHAR(255), SUB_UNIT_NAME VARCHAR(255), PRINT_UNIT_NAME INT, SERVICE_ITEM INT) CHARACTER SET utf8 "
    "ENGINE = MEMORY");
const QString PRODUCT_STAGE = QStringLiteral(
    "INSERT INTO import_products (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, DESCRIPTION, IMAGE_FILE, "
    "TAX_RATE, UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME, SERVICE_ITEM) VALUES ");
const QString PRODUCT_STAGE_ROW = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString PRODUCT_UPDATE = QStringLiteral(
    "UPDATE tblProducts AS p JOIN import_products AS v ON p.ID = v.ID SET p.CATEGORY_ID = v.CATEGORY_ID, p.PRODUCT_CODE = v.PRODUCT_CODE, p.NAME = v.NAME, "
    "p.ITEMS_PER_UNIT = v.ITEMS_PER_UNIT, p.DESCRIPTION = v.DESCRIPTION, p.IMAGE_FILE = v.IMAGE_FILE, "
    "p.TAX_RATE = v.TAX_RATE, p.UNIT_NAME = v.UNIT_NAME, p.SUB_UNIT_NAME = v.SUB_UNIT_NAME, "
    "p.PRINT_UNIT_NAME = v.PRINT_UNIT_NAME, p.SERVICE_ITEM = v.SERVICE_ITEM");

const QString STOCK_INSERT = QStringLiteral(
    "INSERT INTO tblInventory ( PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION , "
    "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) VALUES ");
const QString STOCK_ROW = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString STOCK_STAGING = QStringLiteral(
    "CREATE TEMPORARY TABLE IF NOT EXISTS import_stock (ID BIGINT, PRODUCT_ID BIGINT, VENDOR_ID BIGINT, "
    "BAR_CODE VARCHAR(255), BATCH_NUMBER VARCHAR(255), EXPIRY_DATE DATE NULL, STORAGE_LOCATION VARCHAR(255), "
    "PURCHASE_PRICE DOUBLE, SALE_PRICE DOUBLE, QUANTITY BIGINT, SUB_ITEMS BIGINT, SHOW_ON_POS INT, DISCOUNT DOUBLE, "
    "REORDER_LEVEL BIGINT, REORDER_QUANTITY BIGINT) CHARACTER SET utf8 ENGINE = MEMORY");
const QString STOCK_STAGE = QStringLiteral(
    "INSERT INTO import_stock (ID, PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, "
    "PURCHASE_PRICE, SALE_PRICE, QUANTITY, SUB_ITEMS, SHOW_ON_POS, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY) VALUES ");
const QString STOCK_STAGE_ROW = QStringLiteral("(?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
const QString STOCK_UPDATE = QStringLiteral(
    "UPDATE tblInventory AS i JOIN import_stock AS v ON i.ID = v.ID SET i.PRODUCT_ID = v.PRODUCT_ID, i.VENDOR_ID = v.VENDOR_ID, i.BAR_CODE = v.BAR_CODE, "
    "i.BATCH_NUMBER = v.BATCH_NUMBER, i.EXPIRY_DATE = v.EXPIRY_DATE, i.STORAGE_LOCATION = v.STORAGE_LOCATION, "
    "i.PURCHASE_PRICE = v.PURCHASE_PRICE, i.SALE_PRICE = v.SALE_PRICE, i.QUANTITY = v.QUANTITY, "
    "i.SUB_ITEMS = v.SUB_ITEMS, i.SHOW_ON_POS = v.SHOW_ON_POS, i.DISCOUNT = v.DISCOUNT, "
    "i.REORDER_LEVEL = v.REORDER_LEVEL, i.REORDER_QUANTITY = v.REORDER_QUANTITY");

} // namespace

void InventoryImportShared::CreateStagingTables(QSqlQuery& query)
{
    for (const QString& staging : {PRODUCT_STAGING, STOCK_STAGING})
        if (!query.exec(staging))
            qCWarning(lcInventory) << "import staging:" << query.lastError().text();
}

namespace {

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

void BindProduct(QSqlQuery& query, int p, const QString& categoryId, const QString& code, const QString& name, int items,
                 const QString& description, const QString& image, double taxRate, const QString& unit,
                 const QString& subUnit, bool printUnit, bool service)
{
    query.bindValue(p, IdValue(categoryId));
    query.bindValue(p + 1, code);
    query.bindValue(p + 2, name);
    query.bindValue(p + 3, items);
    query.bindValue(p + 4, description);
    query.bindValue(p + 5, image);
    query.bindValue(p + 6, taxRate);
    query.bindValue(p + 7, unit);
    query.bindValue(p + 8, subUnit);
    query.bindValue(p + 9, printUnit ? 1 : 0);
    query.bindValue(p + 10, service ? 1 : 0);
}

} // namespace

void InventoryImport::InsertProducts(const QVector<int>& lines)
{
    const auto sql = [](int rows) {
        return PRODUCT_INSERT + RowsOf(PRODUCT_ROW, PRODUCT_ROW, rows, QStringLiteral(", "));
    };
    const auto bind = [this](QSqlQuery& query, int i, int row) {
        const Line& l = window.at(i);
        BindProduct(query, row * 11, l.categoryId, l.generate ? l.temporaryCode : l.code, l.name, l.items, l.description,
                    l.image, l.taxRate, l.unit, l.subUnit, l.printUnit, l.service);
    };
    const auto done = [this](int i, bool ok, qlonglong id) {
        Line& line = window[i];
        if (ok) {
            line.productId = QString::number(id);
            return;
        }
        line.productId.clear();
        line.productLog = QStringLiteral("Error at line %1. Error occurred while adding the product.").arg(line.number);
        clean = false;
    };
    const int step = singleInserts ? 1 : PASS_LINES;
    for (int begin = 0; begin < lines.size(); begin += step)
        RunRows(QStringLiteral("product insert"), lines, begin, qMin(lines.size(), begin + step), sql, bind, done);
}

void InventoryImport::SingleProductInsert(int index)
{
    InsertProducts({index});
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
    const auto sql = [](int rows) {
        return PRODUCT_STAGE + RowsOf(PRODUCT_STAGE_ROW, PRODUCT_STAGE_ROW, rows, QStringLiteral(", "));
    };
    const auto bind = [this](QSqlQuery& query, int i, int row) {
        const Line& l = window.at(i);
        const int p = row * 12;
        query.bindValue(p, l.productId.toLongLong());
        BindProduct(query, p + 1, l.categoryId, l.code, l.name, l.items, l.description, l.image, l.taxRate, l.unit,
                    l.subUnit, l.printUnit, l.service);
    };
    const auto done = [this](int i, bool ok, qlonglong) {
        if (ok)
            return;
        Line& line = window[i];
        line.productLog = QStringLiteral("Error at line %1. Error occurred while updating the product.").arg(line.number);
        clean = false;
    };
    const auto rounds = Rounds(lines, [this](int i) { return window.at(i).productId.toLongLong(); });
    for (const QVector<int>& round : rounds)
        for (int begin = 0; begin < round.size(); begin += PASS_LINES)
            RunRows(QStringLiteral("product update"), round, begin, qMin(round.size(), begin + PASS_LINES), sql, bind,
                    done, QStringLiteral("import_products"), PRODUCT_UPDATE);
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
    QStringList keys;
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
        keys << line.stockCode;
        keyLines << i;
    }
    if (keys.isEmpty())
        return end;
    QVector<Probe> probes;
    if (!Lookup("tblInventory", "BAR_CODE", keys, &probes))
        return end;

    QHash<QByteArray, Group> groups;
    QVector<int> inserts, updates, aloneInserts, aloneUpdates, dependents;
    for (int k = 0; k < keyLines.size(); ++k) {
        const int i = keyLines.at(k);
        Line& line = window[i];
        const Probe& probe = probes.at(k);
        line.stockWeight = probe.weight;
        auto group = groups.find(probe.weight);
        if (group == groups.end()) {
            Group fresh;
            if (probe.id) {
                fresh.kind = Exists;
                fresh.id = probe.id;
            }
            group = groups.insert(probe.weight, fresh);
        }
        // Without product or vendor the statement is refused; it runs alone so that only this line fails.
        const bool refused = line.productId.isEmpty() || line.vendorId.isEmpty();
        if (group->kind == Exists) {
            line.stockId = group->id;
            (refused ? aloneUpdates : updates) << i;
        } else if (group->kind == Absent) {
            if (refused) {
                aloneInserts << i;
            } else {
                inserts << i;
                group->kind = Pending;
                group->line = i;
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
            SingleStock(i, false);
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
    for (int i : qAsConst(singles))
        SingleStock(i, aloneUpdates.contains(i));
    return end;
}

namespace {

void BindStock(QSqlQuery& query, int p, const QString& productId, const QString& vendorId, const QString& stockCode,
               const QString& batch, const QVariant& expiry, const QString& location, double purchase, double sale,
               int quantity, int subItems, int show, double discount, int reorderLevel, int reorderQuantity)
{
    query.bindValue(p, IdValue(productId));
    query.bindValue(p + 1, IdValue(vendorId));
    query.bindValue(p + 2, stockCode);
    query.bindValue(p + 3, batch);
    query.bindValue(p + 4, expiry);
    query.bindValue(p + 5, location);
    query.bindValue(p + 6, purchase);
    query.bindValue(p + 7, sale);
    query.bindValue(p + 8, quantity);
    query.bindValue(p + 9, subItems);
    query.bindValue(p + 10, show);
    query.bindValue(p + 11, discount);
    query.bindValue(p + 12, reorderLevel);
    query.bindValue(p + 13, reorderQuantity);
}

} // namespace

void InventoryImport::InsertStock(const QVector<int>& lines)
{
    const auto sql = [](int rows) { return STOCK_INSERT + RowsOf(STOCK_ROW, STOCK_ROW, rows, QStringLiteral(", ")); };
    const auto bind = [this](QSqlQuery& query, int i, int row) {
        const Line& l = window.at(i);
        BindStock(query, row * 14, l.productId, l.vendorId, l.stockCode, l.batch, l.expiry, l.location, l.purchase,
                  l.sale, l.quantity, l.subItems, l.show, l.discount, l.reorderLevel, l.reorderQuantity);
    };
    const auto done = [this](int i, bool ok, qlonglong id) {
        Line& line = window[i];
        if (ok) {
            line.stockId = id;
            line.stockInserted = true;
            return;
        }
        line.stockLog = QStringLiteral("Error at line %1. Error occurred while adding stock.").arg(line.number);
        clean = false;
    };
    const int step = singleInserts ? 1 : PASS_LINES;
    for (int begin = 0; begin < lines.size(); begin += step)
        RunRows(QStringLiteral("stock insert"), lines, begin, qMin(lines.size(), begin + step), sql, bind, done);
}

void InventoryImport::UpdateStock(const QVector<int>& lines)
{
    const auto sql = [](int rows) {
        return STOCK_STAGE + RowsOf(STOCK_STAGE_ROW, STOCK_STAGE_ROW, rows, QStringLiteral(", "));
    };
    const auto bind = [this](QSqlQuery& query, int i, int row) {
        const Line& l = window.at(i);
        const int p = row * 15;
        query.bindValue(p, l.stockId);
        BindStock(query, p + 1, l.productId, l.vendorId, l.stockCode, l.batch, l.expiry, l.location, l.purchase,
                  l.sale, l.quantity, l.subItems, l.show, l.discount, l.reorderLevel, l.reorderQuantity);
    };
    const auto done = [this](int i, bool ok, qlonglong) {
        if (ok)
            return;
        Line& line = window[i];
        line.stockLog = QStringLiteral("Error at line %1. Error occurred while updating stock.").arg(line.number);
        clean = false;
    };
    const auto rounds = Rounds(lines, [this](int i) { return window.at(i).stockId; });
    for (const QVector<int>& round : rounds)
        for (int begin = 0; begin < round.size(); begin += PASS_LINES)
            RunRows(QStringLiteral("stock update"), round, begin, qMin(round.size(), begin + PASS_LINES), sql, bind,
                    done, QStringLiteral("import_stock"), STOCK_UPDATE);
}

void InventoryImport::SingleStock(int index, bool update)
{
    if (update)
        UpdateStock({index});
    else
        InsertStock({index});
}
