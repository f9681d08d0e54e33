// The low-stock list's way into a purchase order: every listed stock row becomes a line to complete.
#include "reportviewer.h"

#include "backofficelog.h"
#include "databasefailure.h"
#include "databasemanager.h"
#include "sqlfilter.h"

#include <QDate>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QSqlRecord>

void ReportViewer::SetPurchaseOrder(QString id)
{
    purchaseOrderId = std::move(id);
    ui.pushAddToPurchaseOrder->show();
    ui.pushAddToPurchaseOrder->setEnabled(purchaseOrderId != QLatin1String("-1"));
}

void ReportViewer::on_pushAddToPurchaseOrder_clicked()
{
    SqlFilter::FetchAll(model);
    // Read before the first statement: one that reopens a dropped connection lets go of the rows a prepared
    // report shows until it is read again.
    QVector<QPair<QString, double>> lines; // product, purchase price
    for (int row = 0; row < model->rowCount(); ++row) {
        const QSqlRecord record = model->record(row);
        lines.append({record.value(QStringLiteral("PRODUCT ID")).toString(),
                      record.value(QStringLiteral("PURCHASE PRICE")).toDouble()});
    }
    const int count = lines.size();
    int failed = 0;
    QString lastError;
    if (count > 0) {
        QSqlQuery insert(*DatabaseManager::Instance()->InventoryDatabase());
        insert.prepare(QStringLiteral(
            "INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, UNIT_PRICE, LINE_TOTAL,  SALE_PRICE, "
            "BATCH_NUMBER, EXPIRY_DATE, STORAGE_LOCATION, STOCK_ID) VALUES (:p, :prod_id, :q, :u, :l, :s, :b, :e, :sl, "
            ":sid)"));
        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        for (const auto& line : qAsConst(lines)) {
            insert.bindValue(QStringLiteral(":p"), purchaseOrderId.toInt(nullptr, 10));
            insert.bindValue(QStringLiteral(":prod_id"), line.first);
            insert.bindValue(QStringLiteral(":q"), 0);
            insert.bindValue(QStringLiteral(":u"), line.second);
            insert.bindValue(QStringLiteral(":l"), 0);
            insert.bindValue(QStringLiteral(":s"), 0);
            insert.bindValue(QStringLiteral(":b"), QStringLiteral("NOT SET"));
            insert.bindValue(QStringLiteral(":e"), today);
            insert.bindValue(QStringLiteral(":sl"), QStringLiteral("NOT SET"));
            insert.bindValue(QStringLiteral(":sid"), QStringLiteral("-1"));
            // A failed row does not stop the others; the user is told how many were not added.
            if (!insert.exec()) {
                ++failed;
                lastError = DatabaseFailure::WriteReason(insert);
            }
        }
    }
    if (count > 0 && failed == 0) {
        QMessageBox::information(this, tr("Purchase Items"), tr("Items added to purchase order."), QMessageBox::Ok);
        return;
    }
    QString text = tr("Error occurred while adding purchase items.");
    if (failed > 0)
        text += QLatin1Char(' ') + tr("%1 of %2 items were not added: %3").arg(failed).arg(count).arg(lastError);
    QMessageBox::warning(this, tr("Error"), text, QMessageBox::Ok);
}
