#pragma once

#include "rounding.h"

#include <QByteArray>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <functional>

class QSqlDatabase;
class QSqlQuery;
class QTextStream;

namespace InventoryImportShared {
struct Table;
}

// What one import run reads from the settings, once, at its start.
struct InventoryImportOptions
{
    int decimalPlaces = 2;
    bool taxEnabled = true;
    RoundingMode rounding = RoundingUp;
    QChar delimiter = QLatin1Char(',');
    int columns = 25;
    QString dateFormat = QStringLiteral("yyyy-MM-dd");
    QLocale locale;

    static InventoryImportOptions FromSettings();
};

// The category and vendor steps of one line: the import runs them for each name it has not met yet in the run.
// The product and stock steps run inside InventoryImport, batched.
QString GetVendorId(QSqlDatabase& db, QString& name);
QString GetCategoryId(QSqlDatabase& db, const QString& name, bool* failed);

// The import of the record lines of an inventory CSV file into the inventory database.
//
// Every line keeps the checks, database steps and log lines it would have if it ran alone after the
// lines before it; to be fast, lines are taken a window at a time: one transaction per window, the codes
// of a window looked up together (through an in-memory key table, which also gives each code its collation
// weight, so codes the database takes as equal are grouped), the writes as multi-row statements. A refused
// multi-row statement is split until the refused line stands alone, so each line still fails or succeeds by
// itself. A line whose code an earlier line of the window inserts is settled after that insert; a code that
// may equal a generated one (all digits) after a line with a generated code waits for the next pass.
// The server numbers refused rows too, so after a refused line new ids (and codes generated from them) can
// differ from a line-by-line run; they still follow the code rule.
class InventoryImport
{
public:
    InventoryImport(QSqlDatabase* db, const InventoryImportOptions& options, QTextStream* log);
    ~InventoryImport();

    // Lines per transaction; 1 runs every line on its own.
    void SetWindowSize(int lines) { windowSize = qMax(1, lines); }

    // Takes the next record line (the first after the header is line 1); runs a window when it is full.
    void AddLine(const QString& line);
    // Runs what is left.
    void Finish();

    int Processed() const { return processed; }
    bool Clean() const { return clean; }
    int LineNumber() const { return nextLineNumber - 1; }

private:
    struct Line;
    struct Probe;

    void ParseLine(Line& line, const QString& text);
    void RunWindow();
    void ResolveCategoriesAndVendors();
    int ProductPass(int from);
    int StockPass(int from);
    // Looks up the key of each of the window's lines in table.column; one probe per line, in their order.
    bool Lookup(const char* table, const char* column, const QVector<int>& lines, QString Line::*key,
                QVector<Probe>* probes);
    bool NumberLike(const QByteArray& weight) const;
    void InsertProducts(const QVector<int>& lines);
    void AssignCodes(const QVector<int>& lines);
    void UpdateProducts(const QVector<int>& lines);
    void InsertStock(const QVector<int>& lines);
    void UpdateStock(const QVector<int>& lines);
    static void BindProduct(QSqlQuery& query, int position, const Line& line, const QString& code);
    static void BindStock(QSqlQuery& query, int position, const Line& line);
    // The writes of both tables: multi-row inserts, and updates through the staging table. A line whose row
    // is refused gets failure (with its number) in its log field.
    using RowBinder = std::function<void(QSqlQuery&, int position, const Line&)>;
    void InsertRows(const InventoryImportShared::Table& table, const QVector<int>& lines, const RowBinder& bind,
                    const std::function<void(Line&, qlonglong id)>& inserted, QString Line::*log, const char* failure);
    void UpdateRows(const InventoryImportShared::Table& table, const QVector<int>& lines,
                    const std::function<qlonglong(const Line&)>& idOf, const RowBinder& bind, QString Line::*log,
                    const char* failure);
    QString GenerateStockCode(const QString& productCode);
    void WriteLog();
    QSqlQuery* Prepared(const QString& key, const QString& sql);
    // Runs rows [begin, end) of one multi-row statement kind; refused batches are halved.
    void RunRows(const QString& kind, const QVector<int>& lines, int begin, int end,
                 const std::function<QString(int rows)>& sql, const std::function<void(QSqlQuery&, int line, int row)>& bind,
                 const std::function<void(int line, bool ok, qlonglong id)>& done, const QString& staging = QString(),
                 const QString& apply = QString());

    QSqlDatabase* db;
    InventoryImportOptions options;
    QTextStream* log;
    int windowSize = 500;
    bool started = false;
    bool singleInserts = false; // ids of multi-row inserts are not known to be consecutive
    qlonglong idStep = 1;
    QVector<QByteArray> digitWeights;

    QVector<Line> window;
    int nextLineNumber = 1;
    int processed = 0;
    bool clean = true;
    QHash<QString, QString> categoryIds; // by exact name
    QHash<QString, QString> vendorIds;
    QHash<QString, QSqlQuery*> statements;
};
