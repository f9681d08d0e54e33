#pragma once

#include "ui_movestock.h"
#include "voranteldialog.h"

#include <QSqlRecord>

class QSqlDatabase;
class QSqlQuery;

// Moves whole units out of one stock row into another row of the same product, or into a new row
// that copies the source's product, vendor, batch, prices and reorder values.
class MoveStock : public VorantelDialog
{
    Q_OBJECT
public:
    explicit MoveStock(QWidget* parent);
    ~MoveStock() override;

    // The inventory page's record of the source row.
    void SetSourceStock(QSqlRecord record);

private slots:
    void on_pushMove_clicked();
    void on_pushClose_clicked();
    void on_checkMoveToExistingStock_toggled(bool checked);
    void on_checkAutoGenerate_toggled(bool checked);
    void on_pushSelectStock_clicked();

private:
    void Warn(const QString& text);
    // Rolls back and reports a refused statement with the driver's text.
    void FailMove(const QSqlQuery& query);
    // Takes q off the source when it still holds q; false (after the rollback and message) otherwise.
    bool TakeFromSource(QSqlQuery& query, int quantity);
    // Starts the move's transaction; false (after the message) when the server refuses.
    bool BeginMove(QSqlDatabase& db);
    bool Commit();
    void MoveIntoExisting(int quantity);
    void MoveIntoNew(int quantity);
    // The stored quantity of a stock row; false when the row is gone or the read fails.
    bool StoredQuantity(const QString& stockCode, int* quantity);
    void ShowSourceQuantity(int quantity);

    Ui::MoveStock ui;
    QSqlRecord sourceRecord;
    int destinationQuantity = 0;
};
