#include "databasemanager.h"

#include "appsettings.h"
#include "constants.h"
#include "databaselog.h"

#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>

namespace {

QString ErrorText(const QSqlError& error)
{
    return error.databaseText() + QStringLiteral(" : ") + error.driverText();
}

// The name is joined into the script as an identifier, so only characters that need no
// quoting are accepted.
bool IsValidDatabaseName(const QString& name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_$]{1,64}$"));
    return pattern.match(name).hasMatch();
}

// Splits at the semicolons that end statements; semicolons inside quotes, back-quoted
// identifiers and comments do not count. Comments are dropped.
QStringList SplitScript(const QString& script)
{
    QStringList statements;
    QString current;
    const int length = script.size();
    for (int i = 0; i < length; ++i) {
        const QChar c = script.at(i);
        const QChar next = i + 1 < length ? script.at(i + 1) : QChar();
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')) {
            current += c;
            for (++i; i < length; ++i) {
                const QChar q = script.at(i);
                current += q;
                if (q == QLatin1Char('\\') && c != QLatin1Char('`') && i + 1 < length)
                    current += script.at(++i);
                else if (q == c)
                    break;
            }
        } else if ((c == QLatin1Char('-') && next == QLatin1Char('-')
                    && (i + 2 >= length || script.at(i + 2).isSpace()))
                   || c == QLatin1Char('#')) {
            while (i < length && script.at(i) != QLatin1Char('\n'))
                ++i;
            current += QLatin1Char('\n');
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            const int end = script.indexOf(QStringLiteral("*/"), i + 2);
            i = end < 0 ? length : end + 1;
            current += QLatin1Char(' ');
        } else if (c == QLatin1Char(';')) {
            if (!current.trimmed().isEmpty())
                statements << current.trimmed();
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.trimmed().isEmpty())
        statements << current.trimmed();
    return statements;
}

bool IsSchemaCreation(const QString& statement)
{
    return statement.startsWith(QStringLiteral("CREATE SCHEMA"), Qt::CaseInsensitive);
}

} // namespace

void DatabaseManager::CreateInventoryDatabase(const QString& name, QString& error)
{
    RunCreationScript(QStringLiteral(":/resources/docs/pro_mysql_inventory_db_script.sql"), name,
                      {{QStringLiteral("VorantelInventory"), name}}, ACTIVE_INVENTORY_DB, error);
}

void DatabaseManager::CreateSalesDatabase(const QString& name, QString& error, const QString& firstReceiptNumber)
{
    // The receipt number becomes the AUTO_INCREMENT start of an INT column.
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,10}$"));
    const qlonglong first = firstReceiptNumber.toLongLong();
    if (!digits.match(firstReceiptNumber).hasMatch() || first < 1 || first > std::numeric_limits<qint32>::max()) {
        error = tr("The first receipt number must be a whole number from 1 to %1.")
                    .arg(std::numeric_limits<qint32>::max());
        return;
    }
    RunCreationScript(QStringLiteral(":/resources/docs/pro_mysql_sales_db_script.sql"), name,
                      {{QStringLiteral("vorantelsales"), name}, {QStringLiteral("RECEIPT_NO_OFFSET"), firstReceiptNumber}},
                      ACTIVE_SALES_DB, error);
}

void DatabaseManager::RunCreationScript(const QString& resource, const QString& name,
                                        const QList<QPair<QString, QString>>& replacements,
                                        const QString& settingsKey, QString& error)
{
    error.clear();
    if (!IsValidDatabaseName(name)) {
        error = tr("'%1' is not a valid database name. Use 1 to 64 characters: letters, digits, '_' or '$'.")
                    .arg(name);
        return;
    }

    QString script;
    QFile file(resource);
    if (file.open(QIODevice::ReadOnly | QIODevice::Text))
        script = QString::fromUtf8(file.readAll());
    if (script.isEmpty()) {
        error = tr("The database script %1 could not be read.").arg(resource);
        return;
    }
    for (const auto& replacement : replacements)
        script.replace(replacement.first, replacement.second, Qt::CaseSensitive);

    QSqlDatabase* server = ServerConnection();
    if (!server->isOpen()) {
        error = ErrorText(server->lastError());
        return;
    }
    QSqlQuery query(*server);

    // The script would silently reuse an existing schema of that name (even a system
    // database, or one of the other kind) and make it active.
    if (!query.exec(QStringLiteral("SHOW DATABASES"))) {
        error = ErrorText(query.lastError());
        LogDatabaseError(query.lastError());
        return;
    }
    while (query.next()) {
        if (query.value(0).toString().compare(name, Qt::CaseInsensitive) == 0) {
            error = tr("A database named '%1' already exists on the server. Please choose another name.")
                        .arg(query.value(0).toString());
            return;
        }
    }

    // One statement at a time: a batch would report only the first statement's outcome.
    const QStringList statements = SplitScript(script);
    bool schemaCreated = false;
    bool sessionChanged = false;
    for (const QString& statement : statements) {
        if (!query.exec(statement)) {
            const QSqlError failure = query.lastError();
            error = ErrorText(failure);
            LogDatabaseError(failure);
            QSqlQuery cleanup(*server);
            if (sessionChanged) {
                // The server connection stays in use: give it back its own checks and mode.
                cleanup.exec(QStringLiteral("SET SQL_MODE=@OLD_SQL_MODE"));
                cleanup.exec(QStringLiteral("SET FOREIGN_KEY_CHECKS=@OLD_FOREIGN_KEY_CHECKS"));
                cleanup.exec(QStringLiteral("SET UNIQUE_CHECKS=@OLD_UNIQUE_CHECKS"));
            }
            // Only a schema this run made itself is dropped, so a retry under the same name works.
            if (schemaCreated && !cleanup.exec(QStringLiteral("DROP DATABASE `%1`").arg(name)))
                LogDatabaseError(cleanup.lastError());
            return;
        }
        if (statement.startsWith(QStringLiteral("SET @OLD_"), Qt::CaseInsensitive))
            sessionChanged = true;
        else if (statement.startsWith(QStringLiteral("SET UNIQUE_CHECKS=@OLD_"), Qt::CaseInsensitive))
            sessionChanged = false;
        // CREATE SCHEMA IF NOT EXISTS affects one row only when it made the schema.
        if (IsSchemaCreation(statement) && query.numRowsAffected() == 1)
            schemaCreated = true;
    }

    AppSettings::Instance()->settings->setValue(settingsKey, name);
}
