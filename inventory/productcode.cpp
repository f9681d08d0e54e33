#include "productcode.h"

#include "databasefailure.h"

#include <QRegularExpression>
#include <QSet>
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
        *error = DatabaseFailure::WriteReason(query);
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
                    *error = DatabaseFailure::WriteReason(lookup);
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
                *error = DatabaseFailure::WriteReason(update);
            return false;
        }
        ++n;
    }
    if (error)
        *error = QStringLiteral("no free product code found");
    return false;
}

namespace {

// The numbers in [from, to) that some product already carries as its code. A code the database takes
// as equal to a number without being written as it (other digits of the same value) fails the lookup,
// and the rows then take the one-by-one way, which compares as the database does.
bool TakenNumbers(QSqlDatabase& db, qlonglong from, qlonglong to, QSet<qlonglong>* taken)
{
    QString sql = QStringLiteral("SELECT PRODUCT_CODE FROM tblProducts WHERE PRODUCT_CODE IN (");
    for (qlonglong n = from; n < to; ++n)
        sql += n == from ? QStringLiteral("?") : QStringLiteral(", ?");
    sql += QLatin1Char(')');
    QSqlQuery query(db);
    if (!query.prepare(sql))
        return false;
    int position = 0;
    for (qlonglong n = from; n < to; ++n)
        query.bindValue(position++, QString::number(n));
    if (!query.exec())
        return false;
    while (query.next()) {
        bool number = false;
        const QString code = query.value(0).toString();
        const qlonglong n = code.toLongLong(&number);
        if (!number || QString::number(n) != code || n < from || n >= to)
            return false;
        taken->insert(n);
    }
    return true;
}

} // namespace

void AssignAutomaticProductCodes(QSqlDatabase& db, const QVector<int>& ids, QStringList* codes)
{
    codes->clear();
    if (ids.isEmpty())
        return;
    QSet<qlonglong> taken;
    qlonglong knownFrom = 0;
    qlonglong knownTo = 0; // numbers in [knownFrom, knownTo) have been looked up
    const qlonglong span = ids.size() + 64;
    QStringList planned;
    bool planOk = true;
    for (int id : ids) {
        qlonglong n = id;
        for (;;) {
            if (n < knownFrom || n >= knownTo) {
                knownFrom = n;
                knownTo = n + span;
                if (!TakenNumbers(db, knownFrom, knownTo, &taken)) {
                    planOk = false;
                    break;
                }
            }
            if (!taken.contains(n))
                break;
            ++n;
        }
        if (!planOk)
            break;
        taken.insert(n); // the next row must not take it too
        planned << QString::number(n);
    }

    if (planOk) {
        // The codes go through a staging table and one joined update.
        QSqlQuery stage(db);
        QString sql = QStringLiteral("INSERT INTO product_codes (ID, CODE) VALUES ");
        for (int i = 0; i < ids.size(); ++i)
            sql += i == 0 ? QStringLiteral("(?, ?)") : QStringLiteral(", (?, ?)");
        bool staged = stage.exec(QStringLiteral("CREATE TEMPORARY TABLE IF NOT EXISTS product_codes (ID BIGINT, "
                                                "CODE VARCHAR(50)) CHARACTER SET utf8 ENGINE = MEMORY"))
            && stage.exec(QStringLiteral("DELETE FROM product_codes")) && stage.prepare(sql);
        if (staged) {
            int position = 0;
            for (int i = 0; i < ids.size(); ++i) {
                stage.bindValue(position++, ids.at(i));
                stage.bindValue(position++, planned.at(i));
            }
            staged = stage.exec();
        }
        QSqlQuery update(db);
        if (staged && update.exec(QStringLiteral("UPDATE tblProducts AS p JOIN product_codes AS v ON p.ID = v.ID "
                                                 "SET p.PRODUCT_CODE = v.CODE"))) {
            *codes = planned;
            return;
        }
    }
    for (int id : ids) {
        QString code;
        QString error;
        codes->append(AssignAutomaticProductCode(db, id, &code, &error) ? code : QString());
    }
}
