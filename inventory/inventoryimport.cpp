// The inventory import: line checks and prices, the category and vendor steps, windows and their lookups.
#include "inventoryimport_p.h"

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

using namespace InventoryImportShared;

InventoryImportOptions InventoryImportOptions::FromSettings()
{
    AppSettings* app = AppSettings::Instance();
    const QSettings& settings = *app->settings;
    InventoryImportOptions options;
    options.decimalPlaces = settings.value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt();
    options.taxEnabled = settings.value(QStringLiteral("enable_tax"), true).toBool();
    options.rounding = ReadRoundingMode(settings);
    const InventoryCsv::Layout layout = InventoryCsv::Layout::FromSettings();
    options.delimiter = layout.delimiter;
    options.columns = layout.columns;
    if (!app->DateFormat().isEmpty())
        options.dateFormat = app->DateFormat();
    if (app->locale)
        options.locale = *app->locale;
    return options;
}

namespace {

// The ID of the row of table called name; when there is none, the row is added first (the insert's own outcome
// is ignored: the second look-up tells). lookupFailed says whether that second look-up could not run.
QString IdOfNamedRow(QSqlDatabase& db, const char* table, const QString& insertSql, const QString& name,
                     bool* lookupFailed)
{
    *lookupFailed = false;
    QSqlQuery select(db);
    select.prepare(QStringLiteral("SELECT ID from %1 WHERE name = :name ").arg(QLatin1String(table)));
    select.bindValue(QStringLiteral(":name"), name);
    if (!select.exec()) {
        qCWarning(lcInventory) << table << "lookup:" << select.lastError().text();
        return QString();
    }
    if (select.next())
        return select.value(0).toString();
    QSqlQuery insert(db);
    insert.prepare(insertSql);
    insert.bindValue(QStringLiteral(":name"), name);
    if (!insert.exec())
        qCWarning(lcInventory) << table << "insert:" << insert.lastError().text();
    if (!select.exec()) {
        qCWarning(lcInventory) << table << "lookup:" << select.lastError().text();
        *lookupFailed = true;
        return QString();
    }
    return select.next() ? select.value(0).toString() : QString();
}

} // namespace

QString GetVendorId(QSqlDatabase& db, QString& name)
{
    if (name.isEmpty())
        name = QStringLiteral("NONE");
    bool lookupFailed = false;
    return IdOfNamedRow(db, "tblVendors",
                        QStringLiteral("INSERT INTO tblVendors ( NAME, ADDRESS, EMAIL, CONTACT_NUMBER ) VALUES  (:name, "
                                       "'NOT SET', 'NOT SET', 'NOT SET' )"),
                        name, &lookupFailed);
}

QString GetCategoryId(QSqlDatabase& db, const QString& name, bool* failed)
{
    return IdOfNamedRow(db, "tblProductCategories",
                        QStringLiteral("INSERT INTO tblProductCategories ( NAME ) VALUES (:name)"), name, failed);
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
    const QStringList fields = text.split(options.delimiter, Qt::KeepEmptyParts);
    if (fields.size() != options.columns) {
        line.early << QStringLiteral("Error at line %1. Expected columns %2, but found %3 column(s).Make sure you have "
                                     "selected correct data delimiter.")
                          .arg(line.number)
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
            line.early << QStringLiteral("Error at line %1. No Category provided.").arg(line.number);
        if (line.name.isEmpty())
            line.early << QStringLiteral("Error at line %1. No Product name provided.").arg(line.number);
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
                             .arg(line.number);
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
                             .arg(line.number);
        bothPrices = true;
    } else if (saleWithoutTax.isEmpty() && !saleWithTax.isEmpty()) {
        const double net = NetForTillPrice(options.rounding, options.decimalPlaces, number(saleWithTax), line.taxRate);
        saleWithoutTax = locale.toString(net, 'f', options.decimalPlaces);
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
            line.expiryLog = QStringLiteral("Error at line %1. Invalid expiry date.").arg(line.number);
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

bool InventoryImport::Lookup(const char* table, const char* column, const QVector<int>& lines, QString Line::*key,
                             QVector<Probe>* probes)
{
    // The keys go through a temporary table: the driver returns no rows from a select over bound values.
    const bool products = qstrcmp(table, "tblProducts") == 0;
    const int rows = lines.size();
    QSqlQuery* clear = Prepared(QStringLiteral("keys clear"), QStringLiteral("DELETE FROM import_keys"));
    QSqlQuery* fill = Prepared(QStringLiteral("keys fill %1").arg(rows),
                               QStringLiteral("INSERT INTO import_keys (n, k) VALUES ") + ValueRows(2, rows));
    QSqlQuery* select = Prepared(
        QStringLiteral("lookup %1").arg(QLatin1String(table)),
        QStringLiteral("SELECT r.n, HEX(WEIGHT_STRING(r.k)), t.ID%1 FROM import_keys AS r LEFT JOIN %2 AS t ON t.%3 = r.k")
            .arg(products ? QStringLiteral(", t.CATEGORY_ID") : QString(), QLatin1String(table), QLatin1String(column)));
    if (!clear || !fill || !select)
        return false;
    for (int i = 0; i < rows; ++i) {
        fill->bindValue(2 * i, i);
        fill->bindValue(2 * i + 1, window.at(lines.at(i)).*key);
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

void InventoryImport::WriteLog()
{
    if (!log)
        return;
    const auto write = [this](const QString& message) {
        if (!message.isEmpty())
            *log << message << '\n';
    };
    for (const Line& line : qAsConst(window)) {
        for (const QString& message : line.early)
            write(message);
        write(line.productLog);
        for (const QString& message : line.priceLog)
            write(message);
        write(line.expiryLog);
        write(line.stockLog);
    }
}
