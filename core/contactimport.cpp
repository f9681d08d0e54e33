#include "contactimport.h"

#include "databaselog.h"
#include "databasemanager.h"

#include <QSqlError>
#include <QSqlQuery>

QStringList ContactFields(const QString& line, QChar delimiter)
{
    QStringList fields = line.split(delimiter, Qt::KeepEmptyParts);
    if (fields.size() != 5)
        return QStringList();
    for (QString& field : fields)
        field = field.trimmed();
    return fields;
}

ContactImport ImportContactLine(const QString& table, const QStringList& fields, QSqlError* error)
{
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    bool isNumber = false;
    const qlonglong id = fields.at(0).toLongLong(&isNumber);
    bool exists = false;
    if (isNumber) {
        query->prepare(QStringLiteral("SELECT COUNT(*) from %1 WHERE ID = :id").arg(table));
        query->bindValue(QStringLiteral(":id"), id);
        if (query->exec() && query->next())
            exists = query->value(0).toInt() > 0;
        else
            LogDatabaseError(query->lastError());
    }
    if (exists) {
        query->prepare(
            QStringLiteral("UPDATE %1 SET NAME = :n, ADDRESS = :a, EMAIL = :e, CONTACT_NUMBER = :c WHERE ID = :id").arg(table));
        query->bindValue(QStringLiteral(":id"), id);
    } else {
        query->prepare(
            QStringLiteral("INSERT INTO %1 (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) VALUES(:n, :a, :e, :c) ").arg(table));
    }
    query->bindValue(QStringLiteral(":n"), fields.at(1));
    query->bindValue(QStringLiteral(":a"), fields.at(2));
    query->bindValue(QStringLiteral(":e"), fields.at(3));
    query->bindValue(QStringLiteral(":c"), fields.at(4));
    if (!query->exec()) {
        *error = query->lastError();
        return ContactImport::Failed;
    }
    return exists ? ContactImport::Updated : ContactImport::Added;
}
