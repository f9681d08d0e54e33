// The inventory import: line checks, prices and the per-line database steps, a window of lines at a time.
#include "inventoryimport.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "inventorycsv.h"
#include "inventorylog.h"
#include "productcode.h"

#include <QDate>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTextStream>

namespace {

const int PASS_LINES = 500;


void CreateStagingTables(QSqlQuery& query);

QString RowsOf(const QString& first, const QString& next, int rows, const QString& separator)
{
    QString sql = first;
    for (int i = 1; i < rows; ++i)
        sql += separator + next;
    return sql;
}

} // namespace

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

InventoryImportOptions InventoryImportOptions::FromSettings()
{
    AppSettings* app = AppSettings::Instance();
    const QSettings& settings = *app->settings;
    InventoryImportOptions options;
    options.decimalPlaces = settings.value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt();
    options.taxEnabled = settings.value(QStringLiteral("enable_tax"), true).toBool();
    options.rounding = ReadRoundingMode(settings);
    options.delimiter = InventoryCsv::Delimiter(settings.value(QStringLiteral("delimiter"), 0).toInt());
    options.columns = InventoryCsv::ColumnCount(settings.value(QStringLiteral("SUB_ITEMS_MODE"), QStringLiteral("n")).toString());
    if (!app->DateFormat().isEmpty())
        options.dateFormat = app->DateFormat();
    if (app->locale)
        options.locale = *app->locale;
    return options;
}

QString GetVendorId(QSqlDatabase& db, QString& name)
{
    if (name.isEmpty())
        name = QStringLiteral("NONE");
    QSqlQuery select(db);
    select.prepare(QStringLiteral("SELECT ID from tblVendors WHERE name = :name "));
    select.bindValue(QStringLiteral(":name"), name);
    if (!select.exec()) {
        qCWarning(lcInventory) << "vendor lookup:" << select.lastError().text();
        return QString();
    }
    if (select.next())
        return select.value(0).toString();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO tblVendors ( NAME, ADDRESS, EMAIL, CONTACT_NUMBER ) VALUES  (:name, "
                                  "'NOT SET', 'NOT SET', 'NOT SET' )"));
    insert.bindValue(QStringLiteral(":name"), name);
    if (!insert.exec())
        qCWarning(lcInventory) << "vendor insert:" << insert.lastError().text();
    if (select.exec() && select.next())
        return select.value(0).toString();
    return QString();
}

QString GetCategoryId(QSqlDatabase& db, const QString& name, bool* failed)
{
    *failed = false;
    QSqlQuery select(db);
    select.prepare(QStringLiteral("SELECT ID from tblProductCategories WHERE name = :name "));
    select.bindValue(QStringLiteral(":name"), name);
    if (!select.exec()) {
        qCWarning(lcInventory) << "category lookup:" << select.lastError().text();
        return QString();
    }
    if (select.next())
        return select.value(0).toString();
    QSqlQuery insert(db);
    insert.prepare(QStringLiteral("INSERT INTO tblProductCategories ( NAME ) VALUES (:name)"));
    insert.bindValue(QStringLiteral(":name"), name);
    if (!insert.exec())
        qCWarning(lcInventory) << "category insert:" << insert.lastError().text();
    if (!select.exec()) {
        qCWarning(lcInventory) << "category lookup:" << select.lastError().text();
        *failed = true;
        return QString();
    }
    return select.next() ? select.value(0).toString() : QString();
}

InventoryImport::InventoryImport(QSqlDatabase* db, const InventoryImportOptions& options, QTextStream* log)
    : db(db)
    , options(options)
    , log(log)
{
}

InventoryImport::~InventoryImport()
{
    qDeleteAll(statements);
}

void InventoryImport::AddLine(const QString& text)
{
    window.append(Line());
    ParseLine(window.last(), text);
    if (window.size() >= windowSize)
        RunWindow();
}

void InventoryImport::Finish()
{
    RunWindow();
}

void InventoryImport::ParseLine(Line& line, const QString& text)
{
    line.number = nextLineNumber++;
    const QString n = QString::number(line.number);
    const QStringList fields = text.split(options.delimiter, Qt::KeepEmptyParts);
    if (fields.size() != options.columns) {
        line.early << QStringLiteral("Error at line %1. Expected columns %2, but found %3 column(s).Make sure you have "
                                     "selected correct data delimiter.")
                          .arg(n)
                          .arg(options.columns)
                          .arg(fields.size());
        clean = false;
        return;
    }
    const auto field = [&fields](int i) { return fields.at(i).trimmed(); };
    line.category = field(0);
    line.name = field(1);
    if (line.category.isEmpty() || line.name.isEmpty()) {
        if (line.category.isEmpty())
            line.early << QStringLiteral("Error at line %1. No Category provided.").arg(n);
        if (line.name.isEmpty())
            line.early << QStringLiteral("Error at line %1. No Product name provided.").arg(n);
        clean = false;
        return;
    }
    line.valid = true;
    const QLocale& locale = options.locale;
    const auto number = [&locale](const QString& text) {
        bool ok = false;
        const double value = locale.toDouble(text, &ok);
        return ok ? value : 0.0;
    };
    const auto integer = [](const QString& text) {
        bool ok = false;
        const int value = text.toInt(&ok);
        return ok ? value : 0;
    };

    line.code = field(2);
    line.generate = line.code.isEmpty();
    line.items = integer(field(3));
    if (line.items < 1)
        line.items = 1;
    line.description = field(4);
    line.image = field(5);
    const QString taxText = !options.taxEnabled || field(6).isEmpty() ? QStringLiteral("0") : field(6);
    line.taxRate = number(taxText);
    line.unit = field(7);
    line.subUnit = field(8);
    line.printUnit = field(9).toUpper() == QLatin1String("Y");
    line.service = field(10).toUpper() == QLatin1String("Y");
    line.stockCode = field(11);
    line.vendor = field(12);
    line.batch = field(13);
    const QString expiry = field(14);
    line.location = field(15);

    bool bothPrices = false;
    QString purchaseWithTax = field(17);
    const QString purchaseWithoutTax = field(16);
    if (!purchaseWithTax.isEmpty() && !purchaseWithoutTax.isEmpty()) {
        line.priceLog << QStringLiteral("Error at line %1. Enter purchase price with or without tax, but not both. One "
                                        "column should be empty.")
                             .arg(n);
        bothPrices = true;
    } else if (purchaseWithTax.isEmpty() && !purchaseWithoutTax.isEmpty()) {
        const double cost = number(purchaseWithoutTax);
        const double gross = RoundByMode(options.rounding, options.decimalPlaces, line.taxRate / 100.0 * cost + cost);
        purchaseWithTax = locale.toString(gross, 'f', options.decimalPlaces);
    }
    QString saleWithoutTax = field(18);
    const QString saleWithTax = field(19);
    if (!saleWithoutTax.isEmpty() && !saleWithTax.isEmpty()) {
        line.priceLog << QStringLiteral("Error at line %1. Enter sale price with or without tax, but not both. One "
                                        "column should be empty.")
                             .arg(n);
        bothPrices = true;
    } else if (saleWithoutTax.isEmpty() && !saleWithTax.isEmpty()) {
        saleWithoutTax = locale.toString(NetFromTaxInclusive(options.decimalPlaces, number(saleWithTax), line.taxRate),
                                         'f', options.decimalPlaces);
    }
    line.purchase = number(purchaseWithTax);
    line.sale = number(saleWithoutTax);

    line.quantity = integer(field(20));
    const int next = options.columns == 26 ? 22 : 21;
    line.subItems = options.columns == 26 ? integer(field(21)) : 0;
    line.discount = number(field(next));
    line.reorderLevel = integer(field(next + 1));
    line.reorderQuantity = integer(field(next + 2));
    const QString show = field(next + 3);
    line.show = show.isEmpty() || show == QLatin1String("y") ? 1 : 0;

    // An unreadable date is stored as no date, never as the server's zero date.
    line.expiry = QVariant(QVariant::Date);
    if (!expiry.isEmpty()) {
        const QDate date = QDate::fromString(QString(expiry).replace(QLatin1Char('/'), QLatin1Char('-')),
                                             options.dateFormat);
        if (date.isValid())
            line.expiry = date;
        else
            line.expiryLog = QStringLiteral("Error at line %1. Invalid expiry date.").arg(n);
    }

    if (bothPrices || !line.expiryLog.isEmpty())
        clean = false;
    if (!bothPrices)
        ++processed;
}

QSqlQuery* InventoryImport::Prepared(const QString& key, const QString& sql)
{
    if (QSqlQuery* query = statements.value(key))
        return query;
    auto* query = new QSqlQuery(*db);
    query->setForwardOnly(true);
    if (!query->prepare(sql)) {
        qCWarning(lcInventory) << "import statement:" << query->lastError().text();
        delete query;
        return nullptr;
    }
    statements.insert(key, query);
    return query;
}

void InventoryImport::RunWindow()
{
    if (window.isEmpty())
        return;
    DatabaseManager* manager = DatabaseManager::Instance();
    if (!started) {
        started = true;
        QString error;
        if (!ClearPlaceholderLeftovers(*db, &error))
            qCWarning(lcInventory) << "placeholder leftovers:" << error;
        QSqlQuery probe(*db);
        // Multi-row inserts number their rows consecutively unless the server interleaves them.
        if (probe.exec(QStringLiteral("SELECT @@innodb_autoinc_lock_mode, @@auto_increment_increment")) && probe.next()) {
            singleInserts = probe.value(0).toInt() == 2;
            idStep = qMax<qlonglong>(1, probe.value(1).toLongLong());
        } else {
            singleInserts = true;
        }
        CreateStagingTables(probe);
        if (!probe.exec(QStringLiteral("CREATE TEMPORARY TABLE IF NOT EXISTS import_keys (n INT NOT NULL, k VARCHAR(255) "
                                       "CHARACTER SET utf8 COLLATE utf8_unicode_ci NOT NULL) ENGINE = MEMORY")))
            qCWarning(lcInventory) << "import keys:" << probe.lastError().text();
        QString sql = QStringLiteral("SELECT ");
        for (int d = 0; d < 10; ++d)
            sql += QStringLiteral("%1HEX(WEIGHT_STRING(CONVERT('%2' USING utf8) COLLATE utf8_unicode_ci))")
                       .arg(d ? QStringLiteral(", ") : QString())
                       .arg(d);
        if (probe.exec(sql) && probe.next())
            for (int d = 0; d < 10; ++d)
                digitWeights << probe.value(d).toByteArray();
    }

    const bool inTransaction = manager->BeginTransaction(db);
    if (!inTransaction)
        qCWarning(lcInventory) << "import transaction:" << db->lastError().text();
    ResolveCategoriesAndVendors();
    for (int from = 0; from < window.size();)
        from = ProductPass(from);
    for (int from = 0; from < window.size();)
        from = StockPass(from);
    if (inTransaction && !manager->CommitTransaction(db)) {
        const QString error = db->lastError().text();
        manager->RollbackTransaction(db);
        qCWarning(lcInventory) << "import commit:" << error;
        // Nothing of the window was kept: each of its lines says so.
        for (Line& line : window) {
            if (!line.valid)
                continue;
            line.stockLog = QStringLiteral("Error at line %1. Error occurred while adding stock.").arg(line.number);
            clean = false;
        }
    }
    WriteLog();
    window.clear();
}

void InventoryImport::ResolveCategoriesAndVendors()
{
    for (Line& line : window) {
        if (!line.valid)
            continue;
        auto category = categoryIds.constFind(line.category);
        if (category != categoryIds.constEnd()) {
            line.categoryId = *category;
        } else {
            bool failed = false;
            line.categoryId = GetCategoryId(*db, line.category, &failed);
            if (failed) {
                line.early << QStringLiteral("Error at line %1. Error occurred while adding category. ").arg(line.number);
                clean = false;
            } else {
                categoryIds.insert(line.category, line.categoryId);
            }
        }
        auto vendor = vendorIds.constFind(line.vendor);
        if (vendor != vendorIds.constEnd()) {
            line.vendorId = *vendor;
        } else {
            const QString asWritten = line.vendor;
            line.vendorId = GetVendorId(*db, line.vendor);
            if (!line.vendorId.isEmpty())
                vendorIds.insert(asWritten, line.vendorId);
        }
    }
}

bool InventoryImport::Lookup(const char* table, const char* column, const QStringList& keys, QVector<Probe>* probes)
{
    // The keys go through a temporary table: the driver returns no rows from a select over bound values.
    const bool products = qstrcmp(table, "tblProducts") == 0;
    const int rows = keys.size();
    QSqlQuery* clear = Prepared(QStringLiteral("keys clear"), QStringLiteral("DELETE FROM import_keys"));
    QSqlQuery* fill = Prepared(QStringLiteral("keys fill %1").arg(rows),
                               QStringLiteral("INSERT INTO import_keys (n, k) VALUES ")
                                   + RowsOf(QStringLiteral("(?, ?)"), QStringLiteral("(?, ?)"), rows, QStringLiteral(", ")));
    QSqlQuery* select = Prepared(
        QStringLiteral("lookup %1").arg(QLatin1String(table)),
        QStringLiteral("SELECT r.n, HEX(WEIGHT_STRING(r.k)), t.ID%1 FROM import_keys AS r LEFT JOIN %2 AS t ON t.%3 = r.k")
            .arg(products ? QStringLiteral(", t.CATEGORY_ID") : QString(), QLatin1String(table), QLatin1String(column)));
    if (!clear || !fill || !select)
        return false;
    for (int i = 0; i < rows; ++i) {
        fill->bindValue(2 * i, i);
        fill->bindValue(2 * i + 1, keys.at(i));
    }
    if (!clear->exec() || !fill->exec() || !select->exec()) {
        qCWarning(lcInventory) << "import lookup:" << clear->lastError().text() << fill->lastError().text()
                               << select->lastError().text();
        return false;
    }
    probes->fill(Probe(), rows);
    while (select->next()) {
        Probe& probe = (*probes)[select->value(0).toInt()];
        probe.weight = select->value(1).toByteArray();
        probe.id = select->value(2).toLongLong();
        if (products)
            probe.categoryId = select->value(3).toString();
    }
    select->finish();
    return true;
}

bool InventoryImport::NumberLike(const QByteArray& weight) const
{
    if (digitWeights.size() != 10 || digitWeights.first().isEmpty())
        return true;
    const int size = digitWeights.first().size();
    if (weight.isEmpty() || weight.size() % size != 0)
        return false;
    for (int i = 0; i < weight.size(); i += size)
        if (!digitWeights.contains(weight.mid(i, size)))
            return false;
    return true;
}

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

void InventoryImport::RunRows(const QString& kind, const QVector<int>& lines, int begin, int end,
                              const std::function<QString(int rows)>& sql,
                              const std::function<void(QSqlQuery&, int line, int row)>& bind,
                              const std::function<void(int line, bool ok, qlonglong id)>& done, const QString& staging,
                              const QString& apply)
{
    const int rows = end - begin;
    if (rows <= 0)
        return;
    QSqlQuery* query = Prepared(kind + QLatin1Char(' ') + QString::number(rows), sql(rows));
    bool ok = query != nullptr;
    QSqlQuery* clear = nullptr;
    QSqlQuery* applied = nullptr;
    if (ok && !staging.isEmpty()) {
        clear = Prepared(kind + QStringLiteral(" clear"), QStringLiteral("DELETE FROM ") + staging);
        applied = Prepared(kind + QStringLiteral(" apply"), apply);
        ok = clear && applied && clear->exec();
    }
    if (ok) {
        for (int j = begin; j < end; ++j)
            bind(*query, lines.at(j), j - begin);
        ok = query->exec();
        if (!ok)
            qCDebug(lcInventory) << kind << "refused:" << query->lastError().text();
    }
    if (ok && applied) {
        ok = applied->exec();
        if (!ok)
            qCDebug(lcInventory) << kind << "refused:" << applied->lastError().text();
    }
    if (ok) {
        const qlonglong first = query->lastInsertId().toLongLong();
        for (int j = begin; j < end; ++j)
            done(lines.at(j), true, first + (j - begin) * idStep);
        return;
    }
    if (rows == 1) {
        done(lines.at(begin), false, 0);
        return;
    }
    const int middle = begin + rows / 2;
    RunRows(kind, lines, begin, middle, sql, bind, done, staging, apply);
    RunRows(kind, lines, middle, end, sql, bind, done, staging, apply);
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

void CreateStagingTables(QSqlQuery& query)
{
    for (const QString& staging : {PRODUCT_STAGING, STOCK_STAGING})
        if (!query.exec(staging))
            qCWarning(lcInventory) << "import staging:" << query.lastError().text();
}

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

void InventoryImport::InsertProducts(const QVector<int>& lines)
{
    const auto sql = [](int rows) {
        return PRODUCT_INSERT + RowsOf(PRODUCT_ROW, PRODUCT_ROW, rows, QStringLiteral(", "));
    };
    const auto bind = [this](QSqlQuery& query, int i, int row) {
        const Line& line = window.at(i);
        const int p = row * 11;
        query.bindValue(p, IdValue(line.categoryId));
        query.bindValue(p + 1, line.generate ? line.temporaryCode : line.code);
        query.bindValue(p + 2, line.name);
        query.bindValue(p + 3, line.items);
        query.bindValue(p + 4, line.description);
        query.bindValue(p + 5, line.image);
        query.bindValue(p + 6, line.taxRate);
        query.bindValue(p + 7, line.unit);
        query.bindValue(p + 8, line.subUnit);
        query.bindValue(p + 9, line.printUnit ? 1 : 0);
        query.bindValue(p + 10, line.service ? 1 : 0);
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
        const Line& line = window.at(i);
        const int p = row * 12;
        query.bindValue(p, line.productId.toLongLong());
        query.bindValue(p + 1, IdValue(line.categoryId));
        query.bindValue(p + 2, line.code);
        query.bindValue(p + 3, line.name);
        query.bindValue(p + 4, line.items);
        query.bindValue(p + 5, line.description);
        query.bindValue(p + 6, line.image);
        query.bindValue(p + 7, line.taxRate);
        query.bindValue(p + 8, line.unit);
        query.bindValue(p + 9, line.subUnit);
        query.bindValue(p + 10, line.printUnit ? 1 : 0);
        query.bindValue(p + 11, line.service ? 1 : 0);
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

void InventoryImport::WriteLog()
{
    if (!log)
        return;
    for (const Line& line : qAsConst(window)) {
        QStringList messages = line.early;
        if (!line.productLog.isEmpty())
            messages << line.productLog;
        messages << line.priceLog;
        if (!line.expiryLog.isEmpty())
            messages << line.expiryLog;
        if (!line.stockLog.isEmpty())
            messages << line.stockLog;
        for (const QString& message : qAsConst(messages))
            *log << message << '\n';
    }
}
