// The upgrade chain: one member of DatabaseManager per version step.
//
// A step may stop half-way (a lost connection, a row the server refuses), and the database
// then keeps its old version and meets the same step again at the next opening. So every
// change is written to be found in place on a re-run: a column that already exists is brought
// to its target definition instead of being added twice, a rename or a conversion runs only
// while its source is still there, and the password hashing commits together with the
// version row.

#include "databasemanager.h"

#include "appsettings.h"
#include "databaselog.h"

#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

// The character set of the tables that declare one. Without it a table takes the server's
// default, which may be latin1: Greek, Cyrillic or Arabic names would then be refused.
#define UTF8_TABLE " ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci"

namespace {

// A statement whose failure ends the step.
bool Run(QSqlQuery& query, const QString& statement)
{
    if (query.exec(statement))
        return true;
    LogDatabaseError(query.lastError());
    return false;
}

// A statement whose failure leaves the step's result alone (it creates what may exist already).
void RunIgnored(QSqlQuery& query, const QString& statement)
{
    if (!query.exec(statement))
        LogDatabaseError(query.lastError());
}

// The column's data type ("int", "varchar", ...) in the checked database; empty when it has none.
QString ColumnType(QSqlQuery& query, const QString& table, const QString& column)
{
    query.prepare(QStringLiteral("SELECT DATA_TYPE FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() "
                                 "AND TABLE_NAME = :table AND COLUMN_NAME = :column"));
    query.bindValue(QStringLiteral(":table"), table);
    query.bindValue(QStringLiteral(":column"), column);
    QString type;
    if (!query.exec())
        LogDatabaseError(query.lastError());
    else if (query.next())
        type = query.value(0).toString().toLower();
    query.finish();
    return type;
}

bool ColumnExists(QSqlQuery& query, const QString& table, const QString& column)
{
    return !ColumnType(query, table, column).isEmpty();
}

bool ConstraintExists(QSqlQuery& query, const QString& table, const QString& constraint)
{
    query.prepare(QStringLiteral("SELECT COUNT(*) FROM information_schema.TABLE_CONSTRAINTS WHERE CONSTRAINT_SCHEMA = "
                                 "DATABASE() AND TABLE_NAME = :table AND CONSTRAINT_NAME = :constraint"));
    query.bindValue(QStringLiteral(":table"), table);
    query.bindValue(QStringLiteral(":constraint"), constraint);
    bool exists = false;
    if (!query.exec())
        LogDatabaseError(query.lastError());
    else if (query.next())
        exists = query.value(0).toInt() > 0;
    query.finish();
    return exists;
}

// "ALTER TABLE table ADD COLUMN column definition". A column left by an earlier, interrupted
// run is brought to the same definition instead, which fails only when its data does not fit.
bool AddColumn(QSqlQuery& query, const QString& table, const QString& column, const QString& definition)
{
    const QString change = ColumnExists(query, table, column) ? QStringLiteral(" MODIFY COLUMN ")
                                                              : QStringLiteral(" ADD COLUMN ");
    return Run(query, QStringLiteral("ALTER TABLE ") + table + change + column + QLatin1Char(' ') + definition);
}

bool WriteVersion(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    query.prepare(QStringLiteral("UPDATE tblVorantel SET DB_VERSION = :version WHERE ID = :id"));
    query.bindValue(QStringLiteral(":version"), nextVersion);
    query.bindValue(QStringLiteral(":id"), versionId);
    if (query.exec())
        return true;
    LogDatabaseError(query.lastError());
    return false;
}

QWidget* MainWindow()
{
    return AppSettings::Instance()->mainWindow;
}

} // namespace

// ----- inventory chain -----

void DatabaseManager::DeclareCharacterSet(QSqlQuery& query)
{
    // Earlier versions created the database, the customers and the tables of their upgrade steps
    // without a character set. Text in a latin1 table converts to utf8 without loss.
    RunIgnored(query, QStringLiteral("ALTER DATABASE CHARACTER SET utf8 COLLATE utf8_unicode_ci"));
    QStringList tables;
    if (Run(query, QStringLiteral("SELECT TABLE_NAME FROM information_schema.TABLES WHERE TABLE_SCHEMA = DATABASE() "
                                  "AND TABLE_COLLATION NOT LIKE 'utf8%' AND TABLE_NAME IN ('tblCustomers', "
                                  "'tblExpenseCategories', 'tblExpenses', 'tblRoles', 'tblPermissions')"))) {
        while (query.next())
            tables << query.value(0).toString();
    }
    query.finish();
    for (const QString& table : qAsConst(tables))
        RunIgnored(query, QStringLiteral("ALTER TABLE %1 CONVERT TO CHARACTER SET utf8 COLLATE utf8_unicode_ci").arg(table));
}

bool DatabaseManager::UpgradeInventoryTo11(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    RunIgnored(query, QStringLiteral(" CREATE TABLE IF NOT EXISTS tblExpenseCategories ( `ID` INT NOT NULL "
                                     "AUTO_INCREMENT, `NAME` VARCHAR(100) NOT NULL, PRIMARY KEY (`ID`), UNIQUE INDEX "
                                     "`ID_UNIQUE` (`ID` ASC), UNIQUE INDEX `NAME_UNIQUE` (`NAME` ASC))" UTF8_TABLE));
    // The unique NAME keeps a re-run from doubling them.
    for (const char* name : {"Transport", "Wages", "Utility Bills"}) {
        RunIgnored(query,
                   QStringLiteral("INSERT INTO tblExpenseCategories ( NAME) VALUES ( '%1')").arg(QLatin1String(name)));
    }
    if (!Run(query, QStringLiteral("CREATE TABLE IF NOT EXISTS tblExpenses ( `ID` INT NOT NULL AUTO_INCREMENT, "
                                   "`CATEGORY_ID` INT NOT NULL, `DATED` DATE NOT NULL, `AMOUNT` DOUBLE NULL DEFAULT 0, "
                                   "`DESCRIPTION` VARCHAR(250) NULL, PRIMARY KEY (`ID`), UNIQUE INDEX `ID_UNIQUE` (`ID` "
                                   "ASC), INDEX `FK_CATEGORY_ID_idx` (`CATEGORY_ID` ASC), CONSTRAINT `FK_CATEGORY_ID` "
                                   "FOREIGN KEY (`CATEGORY_ID`) REFERENCES tblExpenseCategories (`ID`) ON DELETE NO "
                                   "ACTION ON UPDATE NO ACTION) " UTF8_TABLE))) {
        return false;
    }
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeInventoryTo12(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    if (!AddColumn(query, QStringLiteral("tblPODetails"), QStringLiteral("STOCK_ID"),
                   QStringLiteral("VARCHAR(50) NOT NULL DEFAULT '-1' ")))
        return false;
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeInventoryTo13(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    if (!AddColumn(query, QStringLiteral("tblInventory"), QStringLiteral("REORDER_LEVEL"),
                   QStringLiteral("INT NOT NULL DEFAULT 0 "))
        || !AddColumn(query, QStringLiteral("tblInventory"), QStringLiteral("REORDER_QUANTITY"),
                      QStringLiteral("INT NOT NULL DEFAULT 0 "))) {
        return false;
    }
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeInventoryTo14(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    RunIgnored(query, QStringLiteral("ALTER TABLE tblInventory MODIFY EXPIRY_DATE DATE DEFAULT NULL"));
    RunIgnored(query, QStringLiteral("ALTER TABLE tblPODetails MODIFY EXPIRY_DATE DATE DEFAULT NULL"));
    RunIgnored(query, QStringLiteral("CREATE TABLE IF NOT EXISTS tblRoles ( `ID` INT NOT NULL AUTO_INCREMENT, `NAME` "
                                     "VARCHAR(100) NOT NULL, UNIQUE INDEX (`NAME` ASC), PRIMARY KEY (`ID`))" UTF8_TABLE));
    RunIgnored(query, QStringLiteral("CREATE TABLE IF NOT EXISTS tblPermissions ( `ID` INT NOT NULL AUTO_INCREMENT, "
                                     "`ROLE_ID`  INT NOT NULL, `MODULE_ID` INT NOT NULL, PRIMARY KEY (`ID`), UNIQUE "
                                     "INDEX `ID_UNIQUE` (`ID` ASC), INDEX `ROLE_ID_idx` (`ROLE_ID` ASC), CONSTRAINT "
                                     "`FK_ROLE_ID` FOREIGN KEY (`ROLE_ID`) REFERENCES tblRoles (`ID`) ON DELETE NO "
                                     "ACTION ON UPDATE NO ACTION) " UTF8_TABLE));
    // Role IDs 1 to 5 follow from this order; the unique NAME refuses them on a re-run.
    for (const char* role : {"ADMINISTRATOR", "SALES PERSON", "PURCHASE MANAGER", "MANAGER", "ASSISTANT MANAGER"})
        RunIgnored(query, QStringLiteral("INSERT INTO tblRoles (NAME) VALUES('%1')").arg(QLatin1String(role)));

    // Nothing unique guards the permission rows, so a re-run adds only the missing ones.
    static const int permissions[][2] = {{2, 0}, {3, 4}, {4, 1}, {4, 2}, {4, 3},
                                         {4, 4}, {4, 5}, {5, 0}, {5, 1}, {5, 2}};
    for (const auto& permission : permissions) {
        query.prepare(QStringLiteral("SELECT COUNT(*) FROM tblPermissions WHERE ROLE_ID = :role AND MODULE_ID = :module"));
        query.bindValue(QStringLiteral(":role"), permission[0]);
        query.bindValue(QStringLiteral(":module"), permission[1]);
        const bool present = query.exec() && query.next() && query.value(0).toInt() > 0;
        query.finish();
        if (!present) {
            RunIgnored(query, QStringLiteral("INSERT INTO tblPermissions (ROLE_ID, MODULE_ID) VALUES(%1, %2)")
                                  .arg(permission[0])
                                  .arg(permission[1]));
        }
    }

    // The text role of the users becomes a role ID. The column change and its index are one
    // statement, so once ROLE is gone the conversion is complete.
    if (ColumnExists(query, QStringLiteral("tblUsers"), QStringLiteral("ROLE"))) {
        if (!Run(query, QStringLiteral("UPDATE tblUsers SET ROLE='1' WHERE ROLE = 'ADMIN'"))
            || !Run(query, QStringLiteral("UPDATE tblUsers SET ROLE='2' WHERE ROLE = 'SALES PERSON'"))
            || !Run(query, QStringLiteral("ALTER TABLE tblUsers CHANGE COLUMN `ROLE` `ROLE_ID` INT NOT NULL, ADD INDEX "
                                          "`FK_ROLE_ID_USERS_TABLE_idx` (`ROLE_ID` ASC)"))) {
            return false;
        }
    }
    if (!ConstraintExists(query, QStringLiteral("tblUsers"), QStringLiteral("FK_ROLE_ID_USERS_TABLE"))
        && !Run(query, QStringLiteral(" ALTER TABLE tblUsers ADD CONSTRAINT `FK_ROLE_ID_USERS_TABLE` FOREIGN KEY "
                                      "(`ROLE_ID`) REFERENCES tblRoles (`ID`)"))) {
        return false;
    }
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeInventoryTo15(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    struct User
    {
        QString id;
        QString password;
        QString loginName;
    };
    // Without the stored passwords nothing could be hashed: the step must not claim it was.
    if (!Run(query, QStringLiteral("SELECT ID, PASSWORD, LOGIN_NAME FROM tblUsers")))
        return false;
    QMap<QString, User> users;
    while (query.next()) {
        const QString id = query.value(0).toString();
        users.insert(id, User{id, query.value(1).toString(), query.value(2).toString()});
    }
    query.finish();

    if (!Run(query, QStringLiteral("ALTER TABLE tblUsers MODIFY PASSWORD VARCHAR(50) NOT NULL")))
        return false;
    RunIgnored(query, QStringLiteral("ALTER TABLE tblUsers CHANGE COLUMN `PASSWORD` `PASSWORD` VARCHAR(50) CHARACTER SET "
                                     "'utf8' NOT NULL "));

    // The hashes and the new version are committed together: a step that fails here leaves every
    // password plain, so the next run never hashes a hash.
    if (!Run(query, QStringLiteral("START TRANSACTION")))
        return false;
    // Another workstation may have hashed them since the passwords were read: the version row,
    // locked until the commit, tells. Hashing again would lock every user out.
    query.prepare(QStringLiteral("SELECT DB_VERSION FROM tblVorantel WHERE ID = :id FOR UPDATE"));
    query.bindValue(QStringLiteral(":id"), versionId);
    if (!query.exec() || !query.next()) {
        LogDatabaseError(query.lastError());
        RunIgnored(query, QStringLiteral("ROLLBACK"));
        return false;
    }
    const bool alreadyHashed = query.value(0).toString() != QLatin1String("INVENTORY_14.0.0");
    query.finish();
    if (alreadyHashed) {
        RunIgnored(query, QStringLiteral("ROLLBACK"));
        return true;
    }
    // Read again under the lock: these are the plain passwords.
    users.clear();
    if (!Run(query, QStringLiteral("SELECT ID, PASSWORD, LOGIN_NAME FROM tblUsers"))) {
        RunIgnored(query, QStringLiteral("ROLLBACK"));
        return false;
    }
    while (query.next()) {
        const QString id = query.value(0).toString();
        users.insert(id, User{id, query.value(1).toString(), query.value(2).toString()});
    }
    query.finish();

    QStringList withoutPassword;
    bool ok = true;
    for (const User& user : qAsConst(users)) {
        // The login refuses an empty password, so such a user could never log in.
        if (user.password.isEmpty())
            withoutPassword << user.loginName;
        query.prepare(QStringLiteral("UPDATE tblUsers SET PASSWORD = :password WHERE ID = :id"));
        query.bindValue(QStringLiteral(":password"), StoredPassword(user.password));
        query.bindValue(QStringLiteral(":id"), user.id);
        if (query.exec())
            continue;
        LogDatabaseError(query.lastError());
        ok = false;
        break;
    }
    ok = ok && WriteVersion(query, versionId, nextVersion);
    if (!ok || !Run(query, QStringLiteral("COMMIT"))) {
        RunIgnored(query, QStringLiteral("ROLLBACK"));
        return false;
    }

    if (!withoutPassword.isEmpty()) {
        QMessageBox::warning(MainWindow(), tr("Main Database Upgrade"),
                             tr("These users have no password and can not log in: %1. Please set new passwords for "
                                "them in the Users dialog.")
                                 .arg(withoutPassword.join(QStringLiteral(", "))),
                             QMessageBox::Ok);
    }
    return true;
}

bool DatabaseManager::UpgradeInventoryTo16(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    const QString details = QStringLiteral("tblPODetails");
    if (!AddColumn(query, details, QStringLiteral("RECEIVED_QUANTITY"), QStringLiteral("INT NOT NULL DEFAULT 0 "))
        || !AddColumn(query, details, QStringLiteral("DISCOUNT"), QStringLiteral("DOUBLE NOT NULL DEFAULT 0 "))
        || !AddColumn(query, details, QStringLiteral("REORDER_LEVEL"), QStringLiteral("INT NOT NULL DEFAULT 0 "))
        || !AddColumn(query, details, QStringLiteral("REORDER_QUANTITY"), QStringLiteral("INT NOT NULL DEFAULT 0 "))
        || !AddColumn(query, details, QStringLiteral("STOCK_CODE"), QStringLiteral("VARCHAR(100) NULL  "))
        || !AddColumn(query, QStringLiteral("tblPOrders"), QStringLiteral("LAST_MODIFIED"),
                      QStringLiteral("DATETIME NULL "))) {
        return false;
    }
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeInventoryTo17(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    if (!Run(query, QStringLiteral("CREATE TABLE IF NOT EXISTS tblQuestions (ID INT NOT NULL AUTO_INCREMENT, USER_ID  "
                                   "INT NOT NULL, QUESTION_ID INT NOT NULL, ANSWER VARCHAR(50) NOT NULL, PRIMARY KEY "
                                   "(ID), UNIQUE INDEX ID_UNIQUE (ID ASC), INDEX USER_ID_idx (USER_ID ASC), CONSTRAINT "
                                   "FK_USER_ID FOREIGN KEY (USER_ID) REFERENCES tblUsers (ID) ON DELETE NO ACTION ON "
                                   "UPDATE NO ACTION) ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci"))) {
        return false;
    }
    if (!WriteVersion(query, versionId, nextVersion))
        return false;
    QMessageBox::information(
        MainWindow(), tr("Main Database Upgrade"),
        tr("Your main inventory database has been upgraded successfully. There is a new function in this version. You "
           "can set the security questions for ADMINISTRATOR user from Users dialog. This will help you to login in "
           "the case of forgotten password. Please set the security questions now."),
        QMessageBox::Ok);
    return true;
}

bool DatabaseManager::UpgradeInventoryTo18(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    const QString orders = QStringLiteral("tblPOrders");
    if (!AddColumn(query, orders, QStringLiteral("PAYMENT_STATUS"), QStringLiteral("INT NOT NULL DEFAULT 0 "))
        || !AddColumn(query, orders, QStringLiteral("PAID_AMOUNT"), QStringLiteral("DOUBLE NULL DEFAULT 0 "))) {
        return false;
    }
    // Only while STATUS still holds words: against a number column 'SENT' reads as 0 and would
    // turn every draft into a sent order.
    const QString statusType = ColumnType(query, orders, QStringLiteral("STATUS"));
    if (statusType.isEmpty())
        return false;
    if (statusType != QLatin1String("int")) {
        RunIgnored(query, QStringLiteral("UPDATE tblPOrders SET STATUS = '0' WHERE STATUS = 'DRAFT'"));
        RunIgnored(query, QStringLiteral("UPDATE tblPOrders SET STATUS = '1' WHERE STATUS = 'SENT'"));
        RunIgnored(query, QStringLiteral("UPDATE tblPOrders SET STATUS = '2' WHERE STATUS = 'PARTIALLY RECEIVED'"));
        RunIgnored(query, QStringLiteral("UPDATE tblPOrders SET STATUS = '3' WHERE STATUS = 'RECEIVED'"));
        if (!Run(query, QStringLiteral("UPDATE tblPOrders SET STATUS = '4' WHERE STATUS = 'CLOSED'")))
            return false;
    }
    if (!Run(query, QStringLiteral("ALTER TABLE tblPOrders CHANGE COLUMN `STATUS` `STATUS` INT NOT NULL ")))
        return false;
    if (!WriteVersion(query, versionId, nextVersion))
        return false;
    QMessageBox::information(MainWindow(), tr("Main Database Upgrade"),
                             tr("Your main inventory database has been upgraded successfully. We have added payment "
                                "status field in purchase order. Please review your purchase order and update payment "
                                "status and paid amount fields of purchase orders. "),
                             QMessageBox::Ok);
    return true;
}

// ----- sales chain -----

void DatabaseManager::TellInventoryMissing(const QString& error)
{
    QMessageBox::warning(MainWindow(), tr("Sales Database Upgrade"),
                         tr("The sales database can not be upgraded now: this step needs the active inventory "
                            "database, which can not be read. The upgrade continues the next time the sales "
                            "database is opened with the inventory database available.")
                             + QStringLiteral("\n\n") + error,
                         QMessageBox::Ok);
}

bool DatabaseManager::UpgradeSalesTo12(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    // The real (mixed-case) table names: servers on Linux compare table names by case.
    const bool changed = Run(query, QStringLiteral("alter table tblSalesTransactions modify TIME_STAMP DATETIME NOT NULL"));
    RunIgnored(query, QStringLiteral("alter table tblSalesInvoice modify DISCOUNT DOUBLE NOT NULL"));
    if (!changed)
        return false;
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeSalesTo13(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    const bool added = AddColumn(query, QStringLiteral("tblSalesTransactions"), QStringLiteral("PAYMENT_TYPE"),
                                 QStringLiteral("VARCHAR(50) NULL;"));
    RunIgnored(query, QStringLiteral("alter table tblSalesInvoice modify DISCOUNT DOUBLE NOT NULL"));
    if (!added
        || !AddColumn(query, QStringLiteral("tblSalesTransactions"), QStringLiteral("REFERENCE_NUMBER"),
                      QStringLiteral("VARCHAR(100) NULL;"))) {
        return false;
    }
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeSalesTo14(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    const QString sales = QStringLiteral("tblSalesTransactions");
    if (!AddColumn(query, sales, QStringLiteral("STORE_ID"), QStringLiteral("VARCHAR(100) NULL;"))
        || !AddColumn(query, sales, QStringLiteral("TERMINAL_ID"), QStringLiteral("VARCHAR(50) NULL;"))) {
        return false;
    }
    return WriteVersion(query, versionId, nextVersion);
}

bool DatabaseManager::UpgradeSalesTo15(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    if (!AddColumn(query, QStringLiteral("tblSalesInvoice"), QStringLiteral("CATEGORY"),
                   QStringLiteral("VARCHAR(100) NULL DEFAULT 'NOT SET' ")))
        return false;
    // The categories come from the inventory: without it the version stays, so that the
    // migration runs at the next check instead of being lost for good.
    QSqlQuery* inventory = InventoryQuery();
    if (!inventory->exec(QStringLiteral("SELECT p.NAME, c.NAME FROM tblProductCategories as c, tblProducts as p WHERE "
                                        "c.ID = p.CATEGORY_ID"))) {
        LogDatabaseError(inventory->lastError());
        TellInventoryMissing(inventory->lastError().text());
        return false;
    }
    QMap<QString, QString> categoryOfProduct;
    while (inventory->next())
        categoryOfProduct.insert(inventory->value(0).toString(), inventory->value(1).toString());
    inventory->clear();

    // Written before the migration, so that a migration failing part-way is not repeated.
    const bool result = WriteVersion(query, versionId, nextVersion);
    if (!result)
        return false;

    if (!Run(query, QStringLiteral("SELECT ID, PRODUCT_NAME FROM tblSalesInvoice")))
        return result;
    QMap<QString, QString> productOfLine;
    while (query.next())
        productOfLine.insert(query.value(0).toString(), query.value(1).toString());
    query.finish();

    for (auto line = productOfLine.cbegin(); line != productOfLine.cend(); ++line) {
        query.prepare(QStringLiteral("UPDATE tblSalesInvoice SET CATEGORY = :category WHERE ID = :id"));
        // A product the inventory does not know gives an empty text (not NULL).
        query.bindValue(QStringLiteral(":category"), categoryOfProduct.value(line.value(), QStringLiteral("")));
        query.bindValue(QStringLiteral(":id"), line.key());
        if (!query.exec())
            LogDatabaseError(query.lastError());
    }
    return result;
}

bool DatabaseManager::UpgradeSalesTo16(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    if (!AddColumn(query, QStringLiteral("tblSalesInvoice"), QStringLiteral("TAX_RATE"),
                   QStringLiteral("DOUBLE NULL DEFAULT 0.0 "))
        || !Run(query, QStringLiteral("CREATE TABLE IF NOT EXISTS tblPendingPayments( ID INT(11) NOT NULL "
                                      "AUTO_INCREMENT, TRANSACTION_ID INT(11) NOT NULL, BUTTON_INDEX INT(11) NOT NULL , "
                                      "PAYMENT_NAME VARCHAR(50) NOT NULL , PRIMARY KEY (ID), INDEX TRANSACTION_ID "
                                      "(TRANSACTION_ID ASC), CONSTRAINT tblPendingPayments_ibfk_1 FOREIGN KEY "
                                      "(TRANSACTION_ID) REFERENCES tblSalesTransactions (ID)) ENGINE = INNODB CHARACTER "
                                      "SET utf8 COLLATE utf8_unicode_ci"))) {
        return false;
    }
    // The tax rates come from the inventory: without it the version stays (see above).
    QMap<QString, QVariant> rateOfStock;
    QSqlQuery* inventory = InventoryQuery();
    if (!inventory->exec(QStringLiteral("SELECT i.BAR_CODE, p.TAX_RATE FROM tblProducts as p, tblInventory as i WHERE "
                                        "i.PRODUCT_ID = p.ID"))) {
        LogDatabaseError(inventory->lastError());
        TellInventoryMissing(inventory->lastError().text());
        return false;
    }
    while (inventory->next())
        rateOfStock.insert(inventory->value(0).toString(), inventory->value(1));
    inventory->clear();

    const bool result = WriteVersion(query, versionId, nextVersion);

    QMap<QString, QString> stockOfLine;
    if (Run(query, QStringLiteral("SELECT ID, BAR_CODE FROM tblSalesInvoice"))) {
        while (query.next())
            stockOfLine.insert(query.value(0).toString(), query.value(1).toString());
    }
    query.finish();
    for (auto line = stockOfLine.cbegin(); line != stockOfLine.cend(); ++line) {
        // Lines of stock that no longer exists keep 0.0.
        if (!rateOfStock.contains(line.value()))
            continue;
        query.prepare(QStringLiteral("UPDATE tblSalesInvoice SET TAX_RATE = :rate WHERE ID = :id"));
        query.bindValue(QStringLiteral(":rate"), rateOfStock.value(line.value()));
        query.bindValue(QStringLiteral(":id"), line.key());
        if (!query.exec())
            LogDatabaseError(query.lastError());
    }

    if (result) {
        QMessageBox::information(
            MainWindow(), tr("Sales Database Upgrade"),
            tr("Active sales database has been upgraded successfully. There is a new function in this version. In POS "
               "now you have pay later function. With one click you can add current sale to pending payments, and can "
               "open later for payment. Explore this feature in POS now!"),
            QMessageBox::Ok);
    }
    return result;
}

bool DatabaseManager::UpgradeSalesTo17(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    RunIgnored(query, QStringLiteral("UPDATE tblSalesTransactions SET status = 2 WHERE AMOUNT_DUE <= 0.0"));
    RunIgnored(query, QStringLiteral("UPDATE tblSalesTransactions SET status = 1 WHERE AMOUNT_DUE > 0.0 AND AMOUNT_DUE < "
                                     "GRAND_TOTAL AND PAID != 0.0"));
    // Sales with nothing due (zero totals, returns) stay paid.
    RunIgnored(query, QStringLiteral("UPDATE tblSalesTransactions SET status = 0 WHERE  AMOUNT_DUE >= GRAND_TOTAL AND "
                                     "AMOUNT_DUE > 0.0"));
    if (!WriteVersion(query, versionId, nextVersion))
        return false;
    QMessageBox::information(MainWindow(), tr("Sales Database Upgrade"),
                             tr("Active sales database has been upgraded successfully."), QMessageBox::Ok);
    return true;
}

bool DatabaseManager::UpgradeSalesTo18(QSqlQuery& query, const QString& versionId, const QString& nextVersion)
{
    if (!AddColumn(query, QStringLiteral("tblSalesInvoice"), QStringLiteral("RETURNED"),
                   QStringLiteral("INT(11) NULL DEFAULT 0 ")))
        return false;
    const bool result = WriteVersion(query, versionId, nextVersion);

    QStringList returnedLines;
    if (Run(query, QStringLiteral("SELECT ID FROM tblSalesInvoice WHERE SUB_TOTAL < 0"))) {
        while (query.next())
            returnedLines << query.value(0).toString();
    }
    query.finish();
    for (const QString& id : qAsConst(returnedLines)) {
        query.prepare(QStringLiteral("UPDATE tblSalesInvoice SET RETURNED = 1 WHERE ID = :id"));
        query.bindValue(QStringLiteral(":id"), id);
        if (!query.exec())
            LogDatabaseError(query.lastError());
    }
    return result;
}
