#pragma once

#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

class QSqlDatabase;
class QSqlDriver;
class QSqlError;
class QSqlQuery;

// A stock row as the till reads it, with its product and category.
struct StockRow
{
    qint64 id = 0;
    QString name;
    int itemsPerUnit = 1;
    double salePrice = 0.0;
    double purchasePrice = 0.0;
    int quantity = 0;
    int subItems = 0;
    double taxRate = 0.0;
    double discount = 0.0;
    QString unitName;
    QString subUnitName;
    int printUnitName = 0;
    bool serviceItem = false;
    int reorderLevel = 0;
    int reorderQuantity = 0;
    QString category;
};

// One tblSalesInvoice row to insert.
struct SaleLine
{
    QString transactionId;
    int index = 0;
    QString productName;
    int quantity = 0;
    double purchasePrice = 0.0;
    double salePrice = 0.0;
    int subItems = 0;
    double discount = 0.0;
    double subTotal = 0.0;
    double purchaseSubTotal = 0.0;
    double subTax = 0.0;
    QString barCode;
    int itemsPerUnit = 1;
    QString unitName;
    QString subUnitName;
    int printUnitName = 0;
    QString category;
    double taxRate = 0.0;
    int returned = 0;
};

// The statements of the till's scan road. They run on the sales connection, which reaches the
// inventory tables by their schema (both databases live on one server), so that a sale line and
// its stock change are written in one transaction. Each statement is prepared once and prepared
// again after the connection manager reopened a dropped connection.
class SaleLineStore
{
public:
    SaleLineStore();
    ~SaleLineStore();

    // Takes the sales connection for the statements that follow (the manager checks it is alive).
    bool Open();
    QString LastError() const { return error; }
    // The last failure was the connection's, not the server's refusal.
    bool ConnectionLost() const { return lost; }

    enum LookUpResult { Found, NotFound, Failed };
    LookUpResult LookUp(const QString& stockCode, StockRow* row);
    // A new sale header at status -1; its ID comes back in id.
    bool CreateHeader(const QString& user, const QString& timeStamp, bool invoiceMode, QString* id);

    bool Begin();
    // The stock row's quantities, locked until Commit or Rollback; false when it is gone.
    bool LockStock(qint64 stockId, int* quantity, int* subItems, bool* found);
    bool InsertLine(const SaleLine& line);
    // The ID the last line inserted was given.
    QVariant InsertedLineId() const;
    // Deletes the line of the given sale; found false when it was no longer there.
    bool DeleteLine(qint64 lineId, const QString& transactionId, bool* found);
    bool SetStock(qint64 stockId, int quantity, int subItems);
    bool Commit();
    void Rollback();

private:
    struct Statements;
    bool Prepare();
    // Runs a statement; a statement of the connection before a reopen fails once and is prepared
    // again (all of them) before the one retry. Inside a transaction nothing is retried.
    bool Run(QSqlQuery& query, const std::function<void(QSqlQuery&)>& bind, bool retry);
    void NoteFailure(const QSqlDriver* driver, const QSqlError& sqlError);

    std::unique_ptr<Statements> statements;
    QSqlDatabase* db = nullptr;
    bool inTransaction = false;
    QString error;
    bool lost = false;
};
