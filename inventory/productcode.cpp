#include "productcode.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {
const QString OLD_PLACEHOLDER = QStringLiteral("AAAAAAAAAAAAAAAAAAAA");
const int DUPLICATE_KEY = 1062;
} // namespace

bool IsValidCode(const QString& code)
{
    static const QRegularExpression pattern(
        QStringLiteral("^[a-zA-Z0-9 !@#$%^&*()\\-_=+\\[\\]{}|;:'\"?/,.<>~`]{1,50}$"));
    return pattern.match(code).hasMatch();
}

QString TemporaryProductCode()
{
    return QLatin1Char('\\') + QUuid::createUuid().toString(QUuid::Id128);
}

bool ClearPlaceholderLeftovers(QSqlDatabase& db, QString* error)
{
    QSqlQuery query(db);
    // The plain comparison uses the unique index, the binary one keeps real codes of other letter case.
    query.prepare(QStringLiteral(
        "DELETE FROM tblProducts WHERE PRODUCT_CODE = :code AND BINARY PRODUCT_CODE = :exact "
        "AND NOT EXISTS (SELECT 1 FROM tblInventory WHERE tblInventory.PRODUCT_ID = tblProducts.ID) "
        "AND NOT EXISTS (SELECT 1 FROM tblPODetails WHERE tblPODetails.PRODUCT_ID = tblProducts.ID)"));
    query.bindValue(QStringLiteral(":code"), OLD_PLACEHOLDER);
    query.bindValue(QStringLiteral(":exact"), OLD_PLACEHOLDER);
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

bool AssignAutomaticProductCode(QSqlDatabase& db, int id, QString* code, QString* error)
{
    QSqlQuery lookup(db);
    lookup.prepare(QStringLiteral("SELECT ID FROM tblProducts WHERE PRODUCT_CODE = :code"));
    QSqlQuery update(db);
    update.prepare(QStringLiteral("UPDATE tblProducts SET PRODUCT_CODE = :code WHERE ID = :id"));
    qlonglong n = id;
    for (int attempt = 0; attempt < 1000; ++attempt) {
        for (;;) {
            lookup.bindValue(QStringLiteral(":code"), QString::number(n));
            if (!lookup.exec()) {
                if (error)
                    *error = lookup.lastError().text();
                return false;
            }
            if (!lookup.next())
                break;
            ++n;
        }
        update.bindValue(QStringLiteral(":code"), QString::number(n));
        update.bindValue(QStringLiteral(":id"), id);
        if (update.exec()) {
            if (code)
                *code = QString::number(n);
            return true;
        }
        if (update.lastError().nativeErrorCode() != QString::number(DUPLICATE_KEY)) {
            if (error)
                *error = update.lastError().text();
            return false;
        }
        ++n;
    }
    if (error)
        *error = QStringLiteral("no free product code found");
    return false;
}
