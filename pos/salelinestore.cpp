#include "salelinestore.h"

#include "databasefailure.h"
#include "databasemanager.h"
#include "pos.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>

namespace {

QString Quoted(const QString& identifier)
{
    QString name = identifier;
    name.replace(QLatin1Char('`'), QStringLiteral("``"));
    return QLatin1Char('`') + name + QLatin1Char('`');
}

} // namespace

struct SaleLineStore::Statements
{
    explicit Statements(const QSqlDatabase& db)
        : lookUp(db)
        , createHeader(db)
        , lockStock(db)
        , insertLine(db)
        , deleteLine(db)
        , setStock(db)
    {
    }
    QSqlQuery lookUp;
    QSqlQuery createHeader;
    QSqlQuery lockStock;
    QSqlQuery insertLine;
    QSqlQuery deleteLine;
    QSqlQuery setStock;
    bool prepared = false;
};

SaleLineStore::SaleLineStore() = default;
SaleLineStore::~SaleLineStore() = default;

void SaleLineStore::NoteFailure(const QSqlDriver* driver, const QSqlError& sqlError)
{
    error = sqlError.text();
    lost = DatabaseFailure::ConnectionLost(driver, sqlError);
}

bool SaleLineStore::Open()
{
    error.clear();
    lost = false;
    // The manager pings the connection here and reopens it when the server dropped it.
    QSqlDatabase* sales = DatabaseManager::Instance()->SalesDatabase();
    if (!sales || !sales->isOpen()) {
        error = sales ? sales->lastError().text() : QStringLiteral("No sales database");
        if (error.trimmed().isEmpty())
            error = QStringLiteral("The sales database is not connected");
        lost = true;
        return false;
    }
    if (sales != db || !statements) {
        db = sales;
        statements.reset(new Statements(*db));
    }
    return statements->prepared || Prepare();
}

bool SaleLineStore::Prepare()
{
    statements->prepared = false;
    QSqlDatabase* inventory = DatabaseManager::Instance()->InventoryDatabase();
    const QString inventorySchema = Quoted(inventory ? inventory->databaseName() : QString()) + QLatin1Char('.');
    const QString salesSchema = Quoted(db->databaseName()) + QLatin1Char('.');
    const QString stock = inventorySchema + QStringLiteral("`tblInventory`");

    const QPair<QSqlQuery*, QString> texts[] = {
        {&statements->lookUp,
         QStringLiteral("SELECT i.ID, p.NAME, p.ITEMS_PER_UNIT, i.EXPIRY_DATE, i.SALE_PRICE, i.PURCHASE_PRICE, "
                        "i.QUANTITY, i.SUB_ITEMS, p.IMAGE_FILE, p.TAX_RATE, i.DISCOUNT, p.UNIT_NAME, "
                        "p.SUB_UNIT_NAME, p.PRINT_UNIT_NAME, p.SERVICE_ITEM, i.REORDER_LEVEL, i.REORDER_QUANTITY, "
                        "c.NAME as CATEGORY FROM %1 as i, %2 as p, %3 as c WHERE p.ID = i.PRODUCT_ID AND "
                        "c.ID = p.CATEGORY_ID AND i.BAR_CODE = :bar_code")
             .arg(stock, inventorySchema + QStringLiteral("`tblProducts`"),
                  inventorySchema + QStringLiteral("`tblProductCategories`"))},
        {&statements->createHeader,
         QStringLiteral("INSERT INTO %1 (USER_ID, TIME_STAMP, GRAND_TOTAL, PAID, AMOUNT_DUE, TOTAL_TAX, "
                        "INVOICE_MODE, STATUS) VALUES( :u, :ts, :gt, :p, :r, :t, :i, :s) ")
             .arg(salesSchema + QStringLiteral("`tblSalesTransactions`"))},
        {&statements->lockStock,
         QStringLiteral("SELECT QUANTITY, SUB_ITEMS FROM %1 WHERE ID = :id FOR UPDATE").arg(stock)},
        {&statements->insertLine,
         QStringLiteral("INSERT INTO %1 ( TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, PURCHASE_PRICE, "
                        "SALE_PRICE,  SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, SUB_TAX, BAR_CODE, "
                        "ITEMS_PER_UNIT,  UNIT_NAME, SUB_UNIT_NAME, PRINT_UNIT_NAME, CATEGORY, TAX_RATE, RETURNED) "
                        "VALUES ( :trans_id, :index, :name, :quantity, :purchase_price, :sale_price,  :sub_items, "
                        ":discount, :sub_total, :purchase_sub_total, :sub_tax, :bc, :ipu, :un, :sun, :pun, :c, "
                        ":tr, :returned )")
             .arg(salesSchema + QStringLiteral("`tblSalesInvoice`"))},
        {&statements->deleteLine,
         QStringLiteral("DELETE FROM %1 WHERE ID = :id AND TRANSACTION_ID = :trans_id")
             .arg(salesSchema + QStringLiteral("`tblSalesInvoice`"))},
        {&statements->setStock,
         QStringLiteral(" UPDATE %1 SET QUANTITY = :quantity , SUB_ITEMS = :sub_items WHERE ID = :id").arg(stock)},
    };
    for (const auto& text : texts) {
        text.first->setForwardOnly(true);
        if (!text.first->prepare(text.second)) {
            NoteFailure(text.first->driver(), text.first->lastError());
            qCWarning(lcPos) << "preparing the scan road:" << error << text.second;
            return false;
        }
    }
    statements->prepared = true;
    return true;
}

bool SaleLineStore::Run(QSqlQuery& query, const std::function<void(QSqlQuery&)>& bind, bool retry)
{
    bind(query);
    if (query.exec())
        return true;
    NoteFailure(query.driver(), query.lastError());
    if (!retry || inTransaction) {
        statements->prepared = false;
        qCWarning(lcPos) << "scan road:" << error;
        return false;
    }
    // The connection may have been reopened since the statements were prepared.
    qCInfo(lcPos) << "scan road: preparing again after" << error;
    if (!Prepare())
        return false;
    bind(query);
    if (query.exec())
        return true;
    NoteFailure(query.driver(), query.lastError());
    statements->prepared = false;
    qCWarning(lcPos) << "scan road:" << error;
    return false;
}

SaleLineStore::LookUpResult SaleLineStore::LookUp(const QString& stockCode, StockRow* row)
{
    QSqlQuery& q = statements->lookUp;
    if (!Run(q, [&](QSqlQuery& query) { query.bindValue(QStringLiteral(":bar_code"), stockCode); }, true))
        return Failed;
    if (!q.next()) {
        q.finish();
        return NotFound;
    }
    row->id = q.value(0).toLongLong();
    row->name = q.value(1).toString();
    row->itemsPerUnit = q.value(2).toInt();
    row->salePrice = q.value(4).toDouble();
    row->purchasePrice = q.value(5).toDouble();
    row->quantity = q.value(6).toInt();
    row->subItems = q.value(7).toInt();
    row->taxRate = q.value(9).toDouble();
    row->discount = q.value(10).toDouble();
    row->unitName = q.value(11).toString();
    row->subUnitName = q.value(12).toString();
    row->printUnitName = q.value(13).toInt();
    row->serviceItem = q.value(14).toBool();
    row->reorderLevel = q.value(15).toInt();
    row->reorderQuantity = q.value(16).toInt();
    row->category = q.value(17).toString();
    q.finish();
    return Found;
}

bool SaleLineStore::CreateHeader(const QString& user, const QString& timeStamp, bool invoiceMode, QString* id)
{
    QSqlQuery& q = statements->createHeader;
    const bool ok = Run(
        q,
        [&](QSqlQuery& query) {
            query.bindValue(QStringLiteral(":u"), user);
            query.bindValue(QStringLiteral(":ts"), timeStamp);
            for (const char* zero : {":gt", ":p", ":r", ":t"})
                query.bindValue(QLatin1String(zero), 0.0);
            query.bindValue(QStringLiteral(":i"), invoiceMode ? 1 : 0);
            query.bindValue(QStringLiteral(":s"), -1);
        },
        true);
    if (!ok)
        return false;
    *id = q.lastInsertId().toString();
    return !id->isEmpty();
}

bool SaleLineStore::Begin()
{
    if (!DatabaseManager::Instance()->BeginTransaction(db)) {
        NoteFailure(db->driver(), db->lastError());
        statements->prepared = false;
        return false;
    }
    inTransaction = true;
    return true;
}

bool SaleLineStore::LockStock(qint64 stockId, int* quantity, int* subItems, bool* found)
{
    QSqlQuery& q = statements->lockStock;
    if (!Run(q, [&](QSqlQuery& query) { query.bindValue(QStringLiteral(":id"), stockId); }, false))
        return false;
    *found = q.next();
    if (*found) {
        *quantity = q.value(0).toInt();
        *subItems = q.value(1).toInt();
    }
    q.finish();
    return true;
}

bool SaleLineStore::InsertLine(const SaleLine& line)
{
    return Run(
        statements->insertLine,
        [&](QSqlQuery& q) {
            q.bindValue(QStringLiteral(":trans_id"), line.transactionId);
            q.bindValue(QStringLiteral(":index"), line.index);
            q.bindValue(QStringLiteral(":name"), line.productName);
            q.bindValue(QStringLiteral(":quantity"), line.quantity);
            q.bindValue(QStringLiteral(":purchase_price"), line.purchasePrice);
            q.bindValue(QStringLiteral(":sale_price"), line.salePrice);
            q.bindValue(QStringLiteral(":sub_items"), QString::number(line.subItems));
            q.bindValue(QStringLiteral(":discount"), line.discount);
            q.bindValue(QStringLiteral(":sub_total"), line.subTotal);
            q.bindValue(QStringLiteral(":purchase_sub_total"), line.purchaseSubTotal);
            q.bindValue(QStringLiteral(":sub_tax"), line.subTax);
            q.bindValue(QStringLiteral(":bc"), line.barCode);
            q.bindValue(QStringLiteral(":ipu"), line.itemsPerUnit);
            q.bindValue(QStringLiteral(":un"), line.unitName);
            q.bindValue(QStringLiteral(":sun"), line.subUnitName);
            q.bindValue(QStringLiteral(":pun"), line.printUnitName);
            q.bindValue(QStringLiteral(":c"), line.category);
            q.bindValue(QStringLiteral(":tr"), line.taxRate);
            q.bindValue(QStringLiteral(":returned"), line.returned);
        },
        false);
}

QVariant SaleLineStore::InsertedLineId() const
{
    return statements ? statements->insertLine.lastInsertId() : QVariant();
}

bool SaleLineStore::DeleteLine(qint64 lineId, const QString& transactionId, bool* found)
{
    QSqlQuery& q = statements->deleteLine;
    const bool ok = Run(
        q,
        [&](QSqlQuery& query) {
            query.bindValue(QStringLiteral(":id"), lineId);
            query.bindValue(QStringLiteral(":trans_id"), transactionId);
        },
        false);
    if (ok)
        *found = q.numRowsAffected() == 1;
    return ok;
}

bool SaleLineStore::SetStock(qint64 stockId, int quantity, int subItems)
{
    return Run(
        statements->setStock,
        [&](QSqlQuery& q) {
            q.bindValue(QStringLiteral(":quantity"), quantity);
            q.bindValue(QStringLiteral(":sub_items"), subItems);
            q.bindValue(QStringLiteral(":id"), stockId);
        },
        false);
}

bool SaleLineStore::Commit()
{
    inTransaction = false;
    if (DatabaseManager::Instance()->CommitTransaction(db))
        return true;
    NoteFailure(db->driver(), db->lastError());
    statements->prepared = false;
    // Whatever the server did with the COMMIT, the session's transaction must not stay open.
    DatabaseManager::Instance()->RollbackTransaction(db);
    return false;
}

void SaleLineStore::Rollback()
{
    inTransaction = false;
    DatabaseManager::Instance()->RollbackTransaction(db);
}
