#include "databasetest.h"
#include "privateserver.h"
#include "storedhash.h"

#include <QAbstractButton>
#include <QProcess>
#include <QScopeGuard>

using namespace DatabaseTest;

// The version check and the upgrade chain, run on old databases that the test builds the way
// earlier versions of the program left them.
class TestDatabaseUpgrade : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup() { f.finish(); }
    void cleanupTestCase();

    void upgrade_data();
    void upgrade();
    void interruptedStepResumes_data();
    void interruptedStepResumes();
    void salesUpgradeOpensOldInventoryInside();
    void salesUpgradeWithoutInventory();
    void refusedDatabase_data();
    void refusedDatabase();
    void currentVersionRunsOnlyTheVersionQuery_data();
    void currentVersionRunsOnlyTheVersionQuery();
    void workstationsUpgradingAtOnceHashOnce_data();
    void workstationsUpgradingAtOnceHashOnce();
    void passwordStepAfterAnotherWorkstationChangesNothing();
    void latin1ServerStoresEveryScript();
    void unstorableHashCheckedWithoutStrictMode();

private:
    QString build(int kind, int major, const QStringList& data);
    QString oldInventory(int major);
    QString oldSales(int major);
    static bool check(const QString& name, int kind)
    {
        return DatabaseManager::Instance()->CheckAndUpgradeDatabase(
            name, kind == 1 ? INVENTORY_DB_VERSION : SALES_DB_VERSION, kind);
    }
    bool openAsActive(int kind, const QString& name);
    static QString version(const QString& name);
    static bool logsIn(const QString& name, const QString& login, const QString& password);
    QStringList titles() const;
    void verifyInventoryData(const QString& name, int startMajor);
    void verifySalesData(const QString& name, int startMajor, bool ownInventory);
    void compareWithFresh(const QString& name, const QString& fresh);

    // Passwords whose stored form holds the characters that break SQL literals, one whose
    // stored form cannot be held by a three-byte utf8 column, two whose hashes are empty,
    // two whose hashes are the same four U+FFFD, and one with a zero character, whose hash is
    // that of the part before it.
    const QString quoted = QStringLiteral("it's mine");
    const QString backslashHash = QStringLiteral("pw21");
    const QString quoteHash = QStringLiteral("pw25");
    const QString fourByteHash = QStringLiteral("pw381");
    const QString emptyHash = QStringLiteral("pw54");
    const QString otherEmptyHash = QStringLiteral("pw345");
    const QString weakHash = QStringLiteral("c7189");
    const QString sameWeakHash = QStringLiteral("c3487");
    const QString beforeZero = QStringLiteral("gate");
    const QString withZero = beforeZero + QChar(0) + QStringLiteral("keeper");
    QString freshInventory;
    QString freshSales;
    QString productsInventory; // current inventory with the products the sales lines name
    Fixture f;
};

#define UTF8_TABLE " ENGINE = INNODB CHARACTER SET utf8 COLLATE utf8_unicode_ci"

// The first script and what each later step did to the schema, keyed by the version it reached.
static QStringList InventoryStepSchema(int major)
{
    switch (major) {
    case 10:
        return {"CREATE TABLE tblProductCategories ( ID INT NOT NULL AUTO_INCREMENT, NAME VARCHAR(50) NOT NULL, "
                "PRIMARY KEY (ID), UNIQUE INDEX (NAME))" UTF8_TABLE,
                "CREATE TABLE tblProducts ( ID INT NOT NULL AUTO_INCREMENT, CATEGORY_ID INT NOT NULL, PRODUCT_CODE "
                "VARCHAR(50) NOT NULL, NAME VARCHAR(150) NOT NULL, ITEMS_PER_UNIT INT NOT NULL DEFAULT 0, DESCRIPTION "
                "VARCHAR(250) NULL, IMAGE_FILE VARCHAR(150) NULL, TAX_RATE DOUBLE NOT NULL DEFAULT 0, UNIT_NAME "
                "VARCHAR(45) NULL, SUB_UNIT_NAME VARCHAR(45) NULL, PRINT_UNIT_NAME INT NOT NULL DEFAULT 0, "
                "SERVICE_ITEM INT NOT NULL DEFAULT 0, PRIMARY KEY (ID), UNIQUE INDEX (PRODUCT_CODE), INDEX "
                "`fk_{A0642C07-12A6-4F15-A81C-AF1FE644790B}` (CATEGORY_ID), CONSTRAINT "
                "`fk_{A0642C07-12A6-4F15-A81C-AF1FE644790B}` FOREIGN KEY (CATEGORY_ID) REFERENCES tblProductCategories "
                "(ID) ON DELETE RESTRICT ON UPDATE RESTRICT)" UTF8_TABLE,
                "CREATE TABLE tblVendors ( ID INT NOT NULL AUTO_INCREMENT, NAME VARCHAR(50) NOT NULL, ADDRESS "
                "VARCHAR(200) NULL, EMAIL VARCHAR(200) NULL, CONTACT_NUMBER VARCHAR(50) NULL, PRIMARY KEY (ID))"
                UTF8_TABLE,
                "CREATE TABLE tblInventory ( ID INT NOT NULL AUTO_INCREMENT, PRODUCT_ID INT NOT NULL, VENDOR_ID INT "
                "NOT NULL, BAR_CODE VARCHAR(100) NOT NULL, BATCH_NUMBER VARCHAR(100) NOT NULL, EXPIRY_DATE DATE NOT "
                "NULL, STORAGE_LOCATION VARCHAR(50) NULL, PURCHASE_PRICE DOUBLE NOT NULL, SALE_PRICE DOUBLE NOT NULL "
                "DEFAULT 0, QUANTITY INT NOT NULL DEFAULT 0, SUB_ITEMS INT NOT NULL DEFAULT 0, SHOW_ON_POS INT NOT "
                "NULL DEFAULT 1, DISCOUNT DOUBLE NOT NULL DEFAULT 0, PRIMARY KEY (ID), UNIQUE INDEX (BAR_CODE), INDEX "
                "`fk_{EFEE3CBC-864C-45F3-BF85-9C09515AA4F6}` (PRODUCT_ID), INDEX "
                "`fk_{6334EB7F-14F1-4C90-8923-8FA836660088}` (VENDOR_ID), CONSTRAINT "
                "`fk_{EFEE3CBC-864C-45F3-BF85-9C09515AA4F6}` FOREIGN KEY (PRODUCT_ID) REFERENCES tblProducts (ID), "
                "CONSTRAINT `fk_{6334EB7F-14F1-4C90-8923-8FA836660088}` FOREIGN KEY (VENDOR_ID) REFERENCES tblVendors "
                "(ID))" UTF8_TABLE,
                "CREATE TABLE tblUsers ( ID INT NOT NULL AUTO_INCREMENT, FIRST_NAME VARCHAR(50) NOT NULL, LAST_NAME "
                "VARCHAR(50) NOT NULL, LOGIN_NAME VARCHAR(50) NOT NULL, PASSWORD VARCHAR(45) NOT NULL, ROLE "
                "VARCHAR(50) NOT NULL, PRIMARY KEY (ID), UNIQUE INDEX (LOGIN_NAME))" UTF8_TABLE,
                "CREATE TABLE tblPOrders ( ID INT NOT NULL AUTO_INCREMENT, VENDOR_ID INT NOT NULL, STATUS VARCHAR(50) "
                "NOT NULL, SENT_DATE DATE NULL, DELIVERY_DATE DATE NULL, SUB_TOTAL DOUBLE NULL DEFAULT 0, SALES_TAX "
                "DOUBLE NULL DEFAULT 0, TOTAL DOUBLE NULL DEFAULT 0, NOTES VARCHAR(250) NULL, DISABLE_TAX INT NOT NULL "
                "DEFAULT 1, SHIP_TO_COMPANY_ADDRESS INT NOT NULL DEFAULT 1, SHIPPING_NAME VARCHAR(100) NULL, "
                "SHIPPING_ADDRESS VARCHAR(250) NULL, SHIPPING_CONTACT VARCHAR(100) NULL, SHIP_VIA VARCHAR(250) NULL, "
                "PRIMARY KEY (ID), UNIQUE INDEX ID_UNIQUE (ID), INDEX VENDOR_ID_idx (VENDOR_ID), CONSTRAINT "
                "FK_VENDOR_ID FOREIGN KEY (VENDOR_ID) REFERENCES tblVendors (ID) ON DELETE NO ACTION ON UPDATE NO "
                "ACTION)" UTF8_TABLE,
                "CREATE TABLE tblPODetails ( ID INT NOT NULL AUTO_INCREMENT, PORDER_ID INT NOT NULL, PRODUCT_ID INT "
                "NOT NULL, QUANTITY INT NOT NULL, UNIT_PRICE DOUBLE NOT NULL DEFAULT 0, LINE_TOTAL DOUBLE NOT NULL "
                "DEFAULT 0, SALE_PRICE DOUBLE NOT NULL DEFAULT 0, BATCH_NUMBER VARCHAR(100) NOT NULL, EXPIRY_DATE DATE "
                "NOT NULL, STORAGE_LOCATION VARCHAR(50) NULL, PRIMARY KEY (ID), UNIQUE INDEX ID_UNIQUE (ID), INDEX "
                "FK_PORDER_ID_idx (PORDER_ID), INDEX FK_PRODUCT_ID_idx (PRODUCT_ID), CONSTRAINT FK_PORDER_ID FOREIGN "
                "KEY (PORDER_ID) REFERENCES tblPOrders (ID) ON DELETE NO ACTION ON UPDATE NO ACTION, CONSTRAINT "
                "FK_PRODUCT_ID FOREIGN KEY (PRODUCT_ID) REFERENCES tblProducts (ID) ON DELETE NO ACTION ON UPDATE NO "
                "ACTION)" UTF8_TABLE,
                "CREATE TABLE tblVorantel ( ID INT NOT NULL AUTO_INCREMENT, DB_VERSION VARCHAR(45) NOT NULL, PRIMARY "
                "KEY (ID), UNIQUE INDEX ID_UNIQUE (ID), UNIQUE INDEX DB_VERSION_UNIQUE (DB_VERSION))" UTF8_TABLE,
                "CREATE TABLE tblCustomers ( ID INT NOT NULL AUTO_INCREMENT, NAME VARCHAR(50) NOT NULL, ADDRESS "
                "VARCHAR(200) NULL, EMAIL VARCHAR(200) NULL, CONTACT_NUMBER VARCHAR(50) NULL, PRIMARY KEY (ID))",
                "INSERT INTO tblVorantel (ID, DB_VERSION) VALUES (1, 'INVENTORY_10.0.0')",
                "INSERT INTO tblVendors (NAME) VALUES ('NONE')"};
    case 11:
        return {" CREATE TABLE IF NOT EXISTS tblExpenseCategories ( ID INT NOT NULL AUTO_INCREMENT, NAME VARCHAR(100) "
                "NOT NULL, PRIMARY KEY (ID), UNIQUE INDEX ID_UNIQUE (ID ASC), UNIQUE INDEX NAME_UNIQUE (NAME "
                "ASC))",
                "INSERT INTO tblExpenseCategories ( NAME) VALUES ( 'Transport')",
                "INSERT INTO tblExpenseCategories ( NAME) VALUES ( 'Wages')",
                "INSERT INTO tblExpenseCategories ( NAME) VALUES ( 'Utility Bills')",
                "CREATE TABLE IF NOT EXISTS tblExpenses ( ID INT NOT NULL AUTO_INCREMENT, CATEGORY_ID INT NOT NULL, "
                "DATED DATE NOT NULL, AMOUNT DOUBLE NULL DEFAULT 0, DESCRIPTION VARCHAR(250) NULL, PRIMARY KEY "
                "(ID), UNIQUE INDEX ID_UNIQUE (ID ASC), INDEX FK_CATEGORY_ID_idx (CATEGORY_ID ASC), CONSTRAINT "
                "FK_CATEGORY_ID FOREIGN KEY (CATEGORY_ID) REFERENCES tblExpenseCategories (ID) ON DELETE NO ACTION "
                "ON UPDATE NO ACTION) "};
    case 12:
        return {"ALTER TABLE tblPODetails ADD COLUMN STOCK_ID VARCHAR(50) NOT NULL DEFAULT '-1' "};
    case 13:
        return {"ALTER TABLE tblInventory ADD COLUMN REORDER_LEVEL INT NOT NULL DEFAULT 0 ",
                "ALTER TABLE tblInventory ADD COLUMN REORDER_QUANTITY INT NOT NULL DEFAULT 0 "};
    case 14: {
        QStringList s{"ALTER TABLE tblInventory MODIFY EXPIRY_DATE DATE DEFAULT NULL",
                      "ALTER TABLE tblPODetails MODIFY EXPIRY_DATE DATE DEFAULT NULL",
                      "CREATE TABLE IF NOT EXISTS tblRoles ( ID INT NOT NULL AUTO_INCREMENT, NAME VARCHAR(100) NOT "
                      "NULL, UNIQUE INDEX (NAME ASC), PRIMARY KEY (ID))",
                      "CREATE TABLE IF NOT EXISTS tblPermissions ( ID INT NOT NULL AUTO_INCREMENT, ROLE_ID  INT NOT "
                      "NULL, MODULE_ID INT NOT NULL, PRIMARY KEY (ID), UNIQUE INDEX ID_UNIQUE (ID ASC), INDEX "
                      "ROLE_ID_idx (ROLE_ID ASC), CONSTRAINT FK_ROLE_ID FOREIGN KEY (ROLE_ID) REFERENCES "
                      "tblRoles (ID) ON DELETE NO ACTION ON UPDATE NO ACTION) "};
        for (const char* role : {"ADMINISTRATOR", "SALES PERSON", "PURCHASE MANAGER", "MANAGER", "ASSISTANT MANAGER"})
            s << QStringLiteral("INSERT INTO tblRoles (NAME) VALUES('%1')").arg(QLatin1String(role));
        for (const char* p : {"2, 0", "3, 4", "4, 1", "4, 2", "4, 3", "4, 4", "4, 5", "5, 0", "5, 1", "5, 2"})
            s << QStringLiteral("INSERT INTO tblPermissions (ROLE_ID, MODULE_ID) VALUES(%1)").arg(QLatin1String(p));
        s << "ALTER TABLE tblUsers CHANGE COLUMN ROLE ROLE_ID INT NOT NULL, ADD INDEX FK_ROLE_ID_USERS_TABLE_idx "
             "(ROLE_ID ASC)"
          << "ALTER TABLE tblUsers ADD CONSTRAINT FK_ROLE_ID_USERS_TABLE FOREIGN KEY (ROLE_ID) REFERENCES tblRoles "
             "(ID)";
        return s;
    }
    case 15:
        return {"ALTER TABLE tblUsers MODIFY PASSWORD VARCHAR(50) NOT NULL",
                "ALTER TABLE tblUsers CHANGE COLUMN PASSWORD PASSWORD VARCHAR(50) CHARACTER SET 'utf8' NOT NULL "};
    case 16:
        return {"ALTER TABLE tblPODetails ADD COLUMN RECEIVED_QUANTITY INT NOT NULL DEFAULT 0 ",
                "ALTER TABLE tblPODetails ADD COLUMN DISCOUNT DOUBLE NOT NULL DEFAULT 0 ",
                "ALTER TABLE tblPODetails ADD COLUMN REORDER_LEVEL INT NOT NULL DEFAULT 0 ",
                "ALTER TABLE tblPODetails ADD COLUMN REORDER_QUANTITY INT NOT NULL DEFAULT 0 ",
                "ALTER TABLE tblPODetails ADD COLUMN STOCK_CODE VARCHAR(100) NULL  ",
                "ALTER TABLE tblPOrders ADD COLUMN LAST_MODIFIED DATETIME NULL "};
    case 17:
        return {"CREATE TABLE IF NOT EXISTS tblQuestions (ID INT NOT NULL AUTO_INCREMENT, USER_ID  INT NOT NULL, "
                "QUESTION_ID INT NOT NULL, ANSWER VARCHAR(50) NOT NULL, PRIMARY KEY (ID), UNIQUE INDEX ID_UNIQUE (ID "
                "ASC), INDEX USER_ID_idx (USER_ID ASC), CONSTRAINT FK_USER_ID FOREIGN KEY (USER_ID) REFERENCES tblUsers "
                "(ID) ON DELETE NO ACTION ON UPDATE NO ACTION) ENGINE = INNODB CHARACTER SET utf8 COLLATE "
                "utf8_unicode_ci"};
    }
    return {};
}


static QStringList SalesStepSchema(int major)
{
    switch (major) {
    case 11:
        return {"CREATE TABLE tblSalesTransactions ( ID INT(11) NOT NULL AUTO_INCREMENT, USER_ID VARCHAR(50) NOT NULL, "
                "CUSTOMER VARCHAR(100) NULL, TIME_STAMP TIMESTAMP NOT NULL DEFAULT CURRENT_TIMESTAMP, GRAND_TOTAL "
                "DOUBLE NOT NULL DEFAULT 0, PAID DOUBLE NOT NULL DEFAULT 0, AMOUNT_DUE DOUBLE NOT NULL DEFAULT 0, "
                "TOTAL_TAX DOUBLE NOT NULL DEFAULT 0, INVOICE_MODE INT NOT NULL DEFAULT 0, STATUS INT NOT NULL DEFAULT "
                "1, SENT_DATE DATE NULL, DUE_DATE DATE NULL, CUSTOMER_ID INT NULL, SHIP_TO_CUSTOMER_ADDR INT NULL, "
                "SHIP_NAME VARCHAR(45) NULL, SHIP_ADDRESS VARCHAR(250) NULL, SHIP_CONTACT VARCHAR(45) NULL, SHIP_VIA "
                "VARCHAR(100) NULL, NOTES VARCHAR(250) NULL, TOTAL_DISCOUNT DOUBLE NULL DEFAULT 0, PRIMARY KEY (ID))"
                UTF8_TABLE,
                "CREATE TABLE tblSalesInvoice ( ID INT(11) NOT NULL AUTO_INCREMENT, TRANSACTION_ID INT(11) NOT NULL, "
                "ITEM_INDEX INT(11) NOT NULL, PRODUCT_NAME VARCHAR(50) NOT NULL, QUANTITY INT(11) NOT NULL, "
                "PURCHASE_PRICE DOUBLE NOT NULL, SALE_PRICE DOUBLE NOT NULL, SUB_ITEMS VARCHAR(8) NOT NULL, DISCOUNT "
                "DOUBLE NULL, SUB_TOTAL DOUBLE NOT NULL, PURCHASE_SUB_TOTAL DOUBLE NOT NULL, SUB_TAX DOUBLE NOT NULL, "
                "BAR_CODE VARCHAR(45) NULL, ITEMS_PER_UNIT INT NULL, UNIT_NAME VARCHAR(45) NULL, SUB_UNIT_NAME "
                "VARCHAR(45) NULL, PRINT_UNIT_NAME INT NULL, PRIMARY KEY (ID), INDEX TRANSACTION_ID (TRANSACTION_ID), "
                "CONSTRAINT tblSalesInvoice_ibfk_1 FOREIGN KEY (TRANSACTION_ID) REFERENCES tblSalesTransactions (ID))"
                UTF8_TABLE,
                "CREATE TABLE tblVorantel ( ID INT NOT NULL AUTO_INCREMENT, DB_VERSION VARCHAR(45) NOT NULL, PRIMARY "
                "KEY (ID))" UTF8_TABLE,
                "INSERT INTO tblVorantel (ID, DB_VERSION) VALUES (1, 'SALES_11.0.0')"};
    case 12:
        return {"alter table tblSalesTransactions modify TIME_STAMP DATETIME NOT NULL",
                "alter table tblSalesInvoice modify DISCOUNT DOUBLE NOT NULL"};
    case 13:
        return {"ALTER TABLE tblSalesTransactions ADD COLUMN PAYMENT_TYPE VARCHAR(50) NULL",
                "ALTER TABLE tblSalesTransactions ADD COLUMN REFERENCE_NUMBER VARCHAR(100) NULL"};
    case 14:
        return {"ALTER TABLE tblSalesTransactions ADD COLUMN STORE_ID VARCHAR(100) NULL",
                "ALTER TABLE tblSalesTransactions ADD COLUMN TERMINAL_ID VARCHAR(50) NULL"};
    case 15:
        return {"ALTER TABLE tblSalesInvoice ADD COLUMN CATEGORY VARCHAR(100) NULL DEFAULT 'NOT SET' "};
    case 16:
        return {"ALTER TABLE tblSalesInvoice ADD COLUMN TAX_RATE DOUBLE NULL DEFAULT 0.0 ",
                "CREATE TABLE IF NOT EXISTS tblPendingPayments( ID INT(11) NOT NULL AUTO_INCREMENT, TRANSACTION_ID "
                "INT(11) NOT NULL, BUTTON_INDEX INT(11) NOT NULL , PAYMENT_NAME VARCHAR(50) NOT NULL , PRIMARY KEY (ID), "
                "INDEX TRANSACTION_ID (TRANSACTION_ID ASC), CONSTRAINT tblPendingPayments_ibfk_1 FOREIGN KEY "
                "(TRANSACTION_ID) REFERENCES tblSalesTransactions (ID)) ENGINE = INNODB CHARACTER SET utf8 COLLATE "
                "utf8_unicode_ci"};
    }
    return {};
}

void TestDatabaseUpgrade::initTestCase()
{
    REQUIRE_TEST_SERVER();
    f.start(this);

    QVERIFY(HashPassword(backslashHash).contains(QLatin1Char('\\')));
    QVERIFY(HashPassword(quoteHash).contains(QLatin1Char('\'')));
    const QString wide = HashPassword(fourByteHash);
    QVERIFY(std::any_of(wide.begin(), wide.end(), [](QChar c) { return c.isSurrogate(); }));
    QCOMPARE(HashPassword(emptyHash), QString());
    QCOMPARE(HashPassword(otherEmptyHash), QString());

    freshInventory = TestDatabase::uniqueName(QStringLiteral("up_fresh_inv"));
    freshSales = TestDatabase::uniqueName(QStringLiteral("up_fresh_sales"));
    productsInventory = TestDatabase::uniqueName(QStringLiteral("up_products"));
    QCOMPARE(Create(1, freshInventory), QString());
    QCOMPARE(Create(2, freshSales), QString());
    QCOMPARE(Create(1, productsInventory), QString());
    // A category name with an apostrophe must reach the sales lines as it is.
    QCOMPARE(TestDatabase::exec(
                 productsInventory,
                 {"INSERT INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks'), (2, 'Food'), (3, 'O''Brien''s')",
                  "INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, TAX_RATE) VALUES (1, 1, 'P-C', 'Cola', "
                  "5), (2, 2, 'P-B', 'Bread', 2.5), (3, 3, 'P-P', 'Pat''s Pie', 7.5)",
                  "INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, PURCHASE_PRICE) VALUES (1, "
                  "1, 'C1', 'b', 1), (2, 1, 'B1', 'b', 1), (3, 1, 'P1', 'b', 1)"}),
             QString());
}

void TestDatabaseUpgrade::init()
{
    f.reset();
    SetActive(1, productsInventory);
}

void TestDatabaseUpgrade::cleanupTestCase()
{
    for (const QString& name : {freshInventory, freshSales, productsInventory})
        TestDatabase::dropDatabase(name);
}

// A database at <kind>_<major>.0.0: the old script, the steps up to that version, then the data.
QString TestDatabaseUpgrade::build(int kind, int major, const QStringList& data)
{
    const QString name = TestDatabase::uniqueName(QStringLiteral("up_%1%2").arg(kind == 1 ? "inv" : "sales").arg(major));
    f.dropLater << name;
    QStringList statements;
    for (int step = kind == 1 ? 10 : 11; step <= major; ++step)
        statements << (kind == 1 ? InventoryStepSchema(step) : SalesStepSchema(step));
    statements << QStringLiteral("UPDATE tblVorantel SET DB_VERSION = '%1_%2.0.0'").arg(kind == 1 ? "INVENTORY" : "SALES")
                      .arg(major)
               << data;
    QString error = TestDatabase::exec(
        QString(), {QStringLiteral("CREATE DATABASE `%1`%2").arg(name, kind == 2 ? " DEFAULT CHARACTER SET utf8" : "")});
    if (error.isEmpty())
        error = TestDatabase::exec(name, statements);
    if (!error.isEmpty())
        qWarning() << error;
    return error.isEmpty() ? name : QString();
}

// An inventory database with users, purchase orders and stock in the shape of that version.
QString TestDatabaseUpgrade::oldInventory(int major)
{
    QStringList data{"INSERT INTO tblProductCategories (ID, NAME) VALUES (1, 'Drinks')",
                     "INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, TAX_RATE) VALUES (1, 1, 'P-C', 'Cola', 5)",
                     "INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, EXPIRY_DATE, PURCHASE_PRICE) "
                     "VALUES (1, 1, 'C1', 'b', '2030-01-01', 1)",
                     "INSERT INTO tblPODetails (PORDER_ID, PRODUCT_ID, QUANTITY, BATCH_NUMBER, EXPIRY_DATE) VALUES (1, 1, "
                     "3, 'b', '2030-01-01')"};
    for (const char* status : {"DRAFT", "SENT", "PARTIALLY RECEIVED", "RECEIVED", "CLOSED"})
        data.insert(data.size() - 1, QStringLiteral("INSERT INTO tblPOrders (VENDOR_ID, STATUS) VALUES (1, '%1')").arg(status));
    const QString name = build(1, major, data);

    // Users: a role word and the plain password before versions 14 and 15, a role ID and the
    // stored hash from then on.
    const QList<QStringList> users{{"1", "ann", quoted, "ADMIN", "1"},
                                   {"2", "sam", backslashHash, "SALES PERSON", "2"},
                                   {"3", "quinn", quoteHash, "SALES PERSON", "2"},
                                   {"4", "dana", fourByteHash, "ADMIN", "1"},
                                   {"5", "wes", emptyHash, "ADMIN", "1"},
                                   {"6", "nell", "", "SALES PERSON", "2"},
                                   {"7", "cole", weakHash, "SALES PERSON", "2"},
                                   {"8", "tess", withZero, "SALES PERSON", "2"}};
    for (const QStringList& u : users) {
        // Only the first three have a hash worth storing: from version 15 on the others have none.
        if (name.isEmpty() || (major >= 15 && u.at(0).toInt() > 3))
            continue;
        const QStringList error = Rows(name,
                                       QStringLiteral("INSERT INTO tblUsers (ID, FIRST_NAME, LAST_NAME, LOGIN_NAME, "
                                                      "PASSWORD, %1) VALUES (?, ?, 'L', ?, ?, ?)")
                                           .arg(major >= 14 ? "ROLE_ID" : "ROLE"),
                                       {u.at(0), u.at(1).toUpper(), u.at(1),
                                        major >= 15 ? HashPassword(u.at(2)) : u.at(2), major >= 14 ? u.at(4) : u.at(3)});
        if (!error.isEmpty()) {
            qWarning() << error;
            return QString();
        }
    }
    return name;
}

// A sales database with sales in every payment state and lines whose products the inventory
// knows, does not know, and one returned line.
QString TestDatabaseUpgrade::oldSales(int major)
{
    QStringList data{"INSERT INTO tblSalesTransactions (ID, USER_ID, TIME_STAMP, GRAND_TOTAL, PAID, AMOUNT_DUE) VALUES "
                     "(1, 'ann', '2020-01-01 10:00:00', 100, 100, 0), (2, 'ann', '2020-01-01 10:00:00', 100, 40, 60), "
                     "(3, 'ann', '2020-01-01 10:00:00', 100, 0, 100), (4, 'ann', '2020-01-01 10:00:00', 0, 0, 0), "
                     "(5, 'ann', '2020-01-01 10:00:00', -20, -20, 0)"};
    const QList<QStringList> lines{{"1", "Cola", "C1", "10"}, {"1", "Bread", "B1", "5"}, {"1", "Pat''s Pie", "P1", "7"},
                                   {"1", "Gone", "X9", "3"},  {"5", "Cola", "C1", "-20"}};
    int index = 0;
    for (const QStringList& l : lines) {
        data << QStringLiteral("INSERT INTO tblSalesInvoice (TRANSACTION_ID, ITEM_INDEX, PRODUCT_NAME, QUANTITY, "
                               "PURCHASE_PRICE, SALE_PRICE, SUB_ITEMS, DISCOUNT, SUB_TOTAL, PURCHASE_SUB_TOTAL, "
                               "SUB_TAX, BAR_CODE%1) VALUES (%2, %3, '%4', 1, 1, 1, '0', 0, %5, 1, 0, '%6'%7)")
                    .arg(major >= 16 ? ", CATEGORY, TAX_RATE" : "", l.at(0))
                    .arg(index++)
                    .arg(l.at(1), l.at(3), l.at(2), major >= 16 ? ", 'Kept', 9" : "");
    }
    return build(2, major, data);
}

// Through the connection manager, as the program opens its active databases.
bool TestDatabaseUpgrade::openAsActive(int kind, const QString& name)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    kind == 1 ? manager->CloseInventoryDatabase() : manager->CloseSalesDatabase();
    SetActive(kind, name);
    return (kind == 1 ? manager->InventoryDatabase() : manager->SalesDatabase())->isOpen();
}

QString TestDatabaseUpgrade::version(const QString& name)
{
    const QStringList r = Rows(name, QStringLiteral("SELECT ID, DB_VERSION FROM tblVorantel"));
    return r.size() == 1 && r.first().startsWith(QLatin1String("1|")) ? r.first().mid(2) : r.join(QLatin1Char(';'));
}

// The login's own test: the typed password's hash (when the column could hold it) and its
// long form, compared byte for byte as bound values.
bool TestDatabaseUpgrade::logsIn(const QString& name, const QString& login, const QString& password)
{
    const QString hash = HashPassword(password);
    const QStringList found = Rows(name,
                                   QStringLiteral("SELECT COUNT(*) FROM tblUsers WHERE LOGIN_NAME = ? AND (BINARY "
                                                  "PASSWORD = ? OR BINARY PASSWORD = ?)"),
                                   {login, HashFitsColumn(hash) ? hash : LongPasswordForm(password),
                                    LongPasswordForm(password)});
    // A statement that failed must not pass for a refused login.
    if (found != QStringList{"0"} && found != QStringList{"1"})
        QTest::qFail(qPrintable(found.join(QLatin1Char(' '))), __FILE__, __LINE__);
    return found == QStringList{"1"};
}

QStringList TestDatabaseUpgrade::titles() const
{
    QStringList out;
    for (const QString& m : f.answerer->messages())
        out << m.section(QLatin1Char('|'), 0, 0);
    return out;
}

void TestDatabaseUpgrade::verifyInventoryData(const QString& name, int startMajor)
{
    QCOMPARE(version(name), INVENTORY_DB_VERSION);
    const QList<QPair<const char*, QStringList>> expected{
        {"SELECT ID, NAME FROM tblRoles ORDER BY ID",
         {"1|ADMINISTRATOR", "2|SALES PERSON", "3|PURCHASE MANAGER", "4|MANAGER", "5|ASSISTANT MANAGER"}},
        {"SELECT ROLE_ID, MODULE_ID FROM tblPermissions ORDER BY ROLE_ID, MODULE_ID",
         {"2|0", "3|4", "4|1", "4|2", "4|3", "4|4", "4|5", "5|0", "5|1", "5|2"}},
        {"SELECT NAME FROM tblExpenseCategories ORDER BY ID", {"Transport", "Wages", "Utility Bills"}},
        {"SELECT ID, STATUS, PAYMENT_STATUS, PAID_AMOUNT FROM tblPOrders ORDER BY ID",
         {"1|0|0|0", "2|1|0|0", "3|2|0|0", "4|3|0|0", "5|4|0|0"}},
        {"SELECT STOCK_ID, RECEIVED_QUANTITY, DISCOUNT, REORDER_LEVEL, REORDER_QUANTITY, STOCK_CODE, EXPIRY_DATE "
         "FROM tblPODetails",
         {"-1|0|0|0|0|NULL|2030-01-01"}},
        {"SELECT BAR_CODE, REORDER_LEVEL, REORDER_QUANTITY FROM tblInventory", {"C1|0|0"}}};
    for (const auto& e : expected)
        QCOMPARE(Rows(name, QString::fromLatin1(e.first)), e.second);

    const bool plainBefore = startMajor < 15;
    QCOMPARE(Rows(name, QStringLiteral("SELECT LOGIN_NAME, ROLE_ID FROM tblUsers ORDER BY ID")),
             plainBefore ? (QStringList{"ann|1", "sam|2", "quinn|2", "dana|1", "wes|1", "nell|2", "cole|2",
                                         "tess|2"})
                         : (QStringList{"ann|1", "sam|2", "quinn|2"}));
    QVERIFY(logsIn(name, QStringLiteral("ann"), quoted));
    QVERIFY(logsIn(name, QStringLiteral("sam"), backslashHash));
    QVERIFY(logsIn(name, QStringLiteral("quinn"), quoteHash));
    QVERIFY(!logsIn(name, QStringLiteral("ann"), backslashHash));
    // Byte for byte the hash earlier versions stored, as a workstation not yet upgraded compares it.
    QCOMPARE(Rows(name, QStringLiteral("SELECT LOGIN_NAME FROM tblUsers WHERE BINARY PASSWORD IN (?, ?, ?) ORDER BY ID"),
                  {HashPassword(quoted), HashPassword(backslashHash), HashPassword(quoteHash)}),
             (QStringList{"ann", "sam", "quinn"}));
    if (!plainBefore)
        return;
    // A hash that does not fit the column, or one that other passwords share, is stored in the
    // long form: each still opens only its own account, and no password stays plain.
    QVERIFY(logsIn(name, QStringLiteral("dana"), fourByteHash));
    QVERIFY(logsIn(name, QStringLiteral("wes"), emptyHash));
    QVERIFY(logsIn(name, QStringLiteral("cole"), weakHash));
    QCOMPARE(HashPassword(sameWeakHash), HashPassword(weakHash));
    QVERIFY(!logsIn(name, QStringLiteral("cole"), sameWeakHash));
    // A control character: the long form, though the hash would be strong.
    QVERIFY(HashFitsColumn(HashPassword(withZero)) && !HashIsWeak(HashPassword(withZero)));
    QCOMPARE(Rows(name, QStringLiteral("SELECT PASSWORD FROM tblUsers WHERE LOGIN_NAME = 'tess'")),
             QStringList{LongPasswordForm(withZero)});
    QVERIFY(logsIn(name, QStringLiteral("tess"), withZero));
    QVERIFY(!logsIn(name, QStringLiteral("tess"), beforeZero));
    for (const char* login : {"ann", "sam", "quinn", "dana", "wes", "nell", "cole", "tess"})
        QVERIFY2(!logsIn(name, QLatin1String(login), otherEmptyHash), login);
    QVERIFY(!logsIn(name, QStringLiteral("dana"), emptyHash));
    QCOMPARE(Rows(name, QStringLiteral("SELECT LOGIN_NAME FROM tblUsers WHERE BINARY PASSWORD IN (?, ?, ?, ?, ?, ?, ?, '') "
                                       "OR CHAR_LENGTH(PASSWORD) < 4"),
                  {quoted, backslashHash, quoteHash, fourByteHash, emptyHash, weakHash, withZero}),
             QStringList());
}

void TestDatabaseUpgrade::verifySalesData(const QString& name, int startMajor, bool ownInventory)
{
    QCOMPARE(version(name), SALES_DB_VERSION);
    // Steps to 17 set the payment state; a sale with nothing due is paid, whatever its total.
    const QString status = startMajor < 17 ? QStringLiteral("1|2,2|1,3|0,4|2,5|2") : QStringLiteral("1|1,2|1,3|1,4|1,5|1");
    QCOMPARE(Rows(name, QStringLiteral("SELECT ID, STATUS FROM tblSalesTransactions ORDER BY ID")),
             status.split(QLatin1Char(',')));
    QStringList lines{"Drinks|5|0", "|0|0", "|0|0", "|0|0", "Drinks|5|1"};
    if (startMajor >= 16)
        lines = QStringList{"Kept|9|0", "Kept|9|0", "Kept|9|0", "Kept|9|0", "Kept|9|1"};
    else if (ownInventory)
        lines = QStringList{"Drinks|5|0", "Food|2.5|0", "O'Brien's|7.5|0", "|0|0", "Drinks|5|1"};
    QCOMPARE(Rows(name, QStringLiteral("SELECT CATEGORY, TAX_RATE, RETURNED FROM tblSalesInvoice ORDER BY ID")), lines);
    QCOMPARE(Rows(name, QStringLiteral("SELECT COUNT(*) FROM tblPendingPayments")), QStringList{"0"});
}

// The schema of an upgraded database equals that of a created one, but for the differences
// that older databases are known to keep.
void TestDatabaseUpgrade::compareWithFresh(const QString& name, const QString& fresh)
{
    const auto describe = [](const QString& schema) {
        const QStringList optionless{"tblExpenseCategories", "tblExpenses", "tblRoles", "tblPermissions"};
        const auto read = [&schema](const char* sql) { return Rows(QString(), QString::fromLatin1(sql), {schema}); };
        QStringList d;
        for (const QString& t : read("SELECT TABLE_NAME, ENGINE, TABLE_COLLATION FROM information_schema.TABLES "
                                     "WHERE TABLE_SCHEMA = ?")) {
            const QStringList p = t.split(QLatin1Char('|'));
            d << QStringLiteral("table %1 %2").arg(p.at(0), optionless.contains(p.at(0)) ? QString() : p.mid(1).join(' '));
        }
        for (const QString& c : read("SELECT TABLE_NAME, COLUMN_NAME, ORDINAL_POSITION, COLUMN_TYPE, IS_NULLABLE, "
                                     "COLUMN_DEFAULT, EXTRA, COLLATION_NAME FROM information_schema.COLUMNS "
                                     "WHERE TABLE_SCHEMA = ?")) {
            QStringList p = c.split(QLatin1Char('|'));
            const QString column = p.at(0) + QLatin1Char('.') + p.at(1);
            if (column == QLatin1String("tblSalesTransactions.PAYMENT_TYPE") || column == QLatin1String("tblPOrders.PAYMENT_STATUS"))
                p[5] = QStringLiteral("(default differs)");
            if (optionless.contains(p.at(0)) || column == QLatin1String("tblUsers.PASSWORD"))
                p[7] = QStringLiteral("(collation differs)");
            d << QStringLiteral("column ") + p.join(QLatin1Char('|'));
        }
        for (QString i : read("SELECT TABLE_NAME, INDEX_NAME, SEQ_IN_INDEX, COLUMN_NAME, NON_UNIQUE FROM "
                              "information_schema.STATISTICS WHERE TABLE_SCHEMA = ?"))
            d << QStringLiteral("index ") + i.replace(QStringLiteral("tblUsers|FK_ROLE_ID_USERS_TABLE_idx|"),
                                                      QStringLiteral("tblUsers|ROLE_ID_idx|"));
        for (QString k : read("SELECT r.TABLE_NAME, r.CONSTRAINT_NAME, k.COLUMN_NAME, k.REFERENCED_TABLE_SCHEMA = "
                              "r.CONSTRAINT_SCHEMA, r.REFERENCED_TABLE_NAME, k.REFERENCED_COLUMN_NAME, r.UPDATE_RULE, "
                              "r.DELETE_RULE FROM information_schema.REFERENTIAL_CONSTRAINTS r JOIN "
                              "information_schema.KEY_COLUMN_USAGE k ON k.CONSTRAINT_SCHEMA = r.CONSTRAINT_SCHEMA AND "
                              "k.CONSTRAINT_NAME = r.CONSTRAINT_NAME AND k.TABLE_NAME = r.TABLE_NAME "
                              "WHERE r.CONSTRAINT_SCHEMA = ?")) {
            // The upgrade's key on the users' role is its own, made without ON clauses.
            if (k == QLatin1String("tblUsers|FK_ROLE_ID_USERS_TABLE|ROLE_ID|1|tblRoles|ID|RESTRICT|RESTRICT"))
                k = QStringLiteral("tblUsers|FK_ROLE_ID_TBL_USERS|ROLE_ID|1|tblRoles|ID|NO ACTION|NO ACTION");
            d << QStringLiteral("key ") + k;
        }
        return d;
    };
    const QStringList upgraded = describe(name);
    const QStringList created = describe(fresh);
    const auto missingFrom = [](QStringList lines, const QStringList& other) {
        lines.erase(std::remove_if(lines.begin(), lines.end(), [&](const QString& l) { return other.contains(l); }),
                    lines.end());
        return lines.join(QLatin1Char('\n'));
    };
    QCOMPARE(missingFrom(upgraded, created), QString());
    QCOMPARE(missingFrom(created, upgraded), QString());
    QVERIFY(created.size() > 50);
}

void TestDatabaseUpgrade::upgrade_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("major");
    QTest::addColumn<QStringList>("notices");
    const QString start = QStringLiteral("Database Upgrade|Selected %1 database will be upgraded to latest version, and "
                                         "this may take several minutes depending upon the size of your database.");
    const QString noPassword = QStringLiteral("Main Database Upgrade|These users have no password and can not log in: "
                                              "nell. Please set new passwords for them in the Users dialog.");
    const QString questions = QStringLiteral("Main Database Upgrade|Your main inventory database has been upgraded "
                                             "successfully. There is a new function in this version. You can set the "
                                             "security questions for ADMINISTRATOR user from Users dialog. This will "
                                             "help you to login in the case of forgotten password. Please set the "
                                             "security questions now.");
    const QString payment = QStringLiteral("Main Database Upgrade|Your main inventory database has been upgraded "
                                           "successfully. We have added payment status field in purchase order. Please "
                                           "review your purchase order and update payment status and paid amount "
                                           "fields of purchase orders. ");
    const QString pending = QStringLiteral("Sales Database Upgrade|Active sales database has been upgraded successfully. "
                                           "There is a new function in this version. In POS now you have pay later "
                                           "function. With one click you can add current sale to pending payments, and "
                                           "can open later for payment. Explore this feature in POS now!");
    const QString done = QStringLiteral("Sales Database Upgrade|Active sales database has been upgraded successfully.");
    const QString inventory = start.arg("inventory");
    const QString sales = start.arg("sales");
    QTest::newRow("inventory from 10") << 1 << 10 << QStringList{inventory, noPassword, questions, payment};
    QTest::newRow("inventory from 13") << 1 << 13 << QStringList{inventory, noPassword, questions, payment};
    QTest::newRow("inventory from 16") << 1 << 16 << QStringList{inventory, questions, payment};
    QTest::newRow("inventory from 17") << 1 << 17 << QStringList{inventory, payment};
    QTest::newRow("sales from 11") << 2 << 11 << QStringList{sales, pending, done};
    QTest::newRow("sales from 14") << 2 << 14 << QStringList{sales, pending, done};
    QTest::newRow("sales from 17") << 2 << 17 << QStringList{sales};
}

void TestDatabaseUpgrade::upgrade()
{
    QFETCH(int, kind);
    QFETCH(int, major);
    QFETCH(QStringList, notices);
    const QString name = kind == 1 ? oldInventory(major) : oldSales(major);
    QVERIFY(!name.isEmpty());

    QVERIFY(check(name, kind));
    QCOMPARE(f.answerer->messages(), notices);
    if (kind == 1)
        verifyInventoryData(name, major);
    else
        verifySalesData(name, major, true);
    compareWithFresh(name, kind == 1 ? freshInventory : freshSales);

    f.answerer->clear();
    QVERIFY(check(name, kind));
    QVERIFY(f.answerer->seen.isEmpty());
}

void TestDatabaseUpgrade::interruptedStepResumes_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("blockedMajor"); // the version whose step fails
    QTest::addColumn<QStringList>("obstacle");
    QTest::addColumn<QStringList>("removal");

    // The version row refuses the step's version: every change of the step is made, and the
    // step fails at its very end.
    const QString trigger = QStringLiteral("CREATE TRIGGER block_version BEFORE UPDATE ON tblVorantel FOR EACH ROW BEGIN "
                                           "IF NEW.DB_VERSION = '%1' THEN SIGNAL SQLSTATE '45000' SET MESSAGE_TEXT = "
                                           "'blocked by the test'; END IF; END");
    const QStringList dropTrigger{QStringLiteral("DROP TRIGGER block_version")};
    for (int kind : {1, 2}) {
        const char* word = kind == 1 ? "INVENTORY" : "SALES";
        for (int major = kind == 1 ? 11 : 12; major <= 18; ++major)
            QTest::addRow("%s step to %d at its end", word, major)
                << kind << major << QStringList{trigger.arg(QStringLiteral("%1_%2.0.0").arg(word).arg(major))} << dropTrigger;
    }
    // A column of that name already there with data that does not fit the new definition.
    QTest::newRow("inventory step to 16, conflicting column")
        << 1 << 16
        << QStringList{"ALTER TABLE tblPODetails ADD COLUMN DISCOUNT VARCHAR(20) NULL", "UPDATE tblPODetails SET DISCOUNT = 'ten'"}
        << QStringList{"ALTER TABLE tblPODetails DROP COLUMN DISCOUNT"};
    QTest::newRow("sales step to 16, conflicting column")
        << 2 << 16
        << QStringList{"ALTER TABLE tblSalesInvoice ADD COLUMN TAX_RATE VARCHAR(10) NULL",
                       "UPDATE tblSalesInvoice SET TAX_RATE = 'high'"}
        << QStringList{"ALTER TABLE tblSalesInvoice DROP COLUMN TAX_RATE"};
    // A user with a role that no role ID stands for stops the role conversion.
    QTest::newRow("inventory step to 14, unknown role word")
        << 1 << 14
        << QStringList{"INSERT INTO tblUsers (ID, FIRST_NAME, LAST_NAME, LOGIN_NAME, PASSWORD, ROLE) VALUES (9, 'X', "
                       "'Y', 'xy', 'pw', 'CASHIER')"}
        << QStringList{"DELETE FROM tblUsers WHERE ID = 9"};
}

void TestDatabaseUpgrade::interruptedStepResumes()
{
    QFETCH(int, kind);
    QFETCH(int, blockedMajor);
    QFETCH(QStringList, obstacle);
    QFETCH(QStringList, removal);
    const QString name = kind == 1 ? oldInventory(10) : oldSales(11);
    QVERIFY(!name.isEmpty());
    QCOMPARE(TestDatabase::exec(name, obstacle), QString());
    const QString before = QStringLiteral("%1_%2.0.0").arg(kind == 1 ? "INVENTORY" : "SALES").arg(blockedMajor - 1);

    // Opened as the active database: refused with the manager's message, version at the step before;
    // still refused while the obstacle stands.
    QVERIFY(!openAsActive(kind, name));
    QCOMPARE(version(name), before);
    QVERIFY(f.answerer->messages().first().startsWith(QLatin1String("Database Upgrade|")));
    QVERIFY(f.answerer->messages().last().startsWith(QStringLiteral("Error|Can not connect to '%1'").arg(name)));
    f.answerer->clear();
    QVERIFY(!openAsActive(kind, name));
    QCOMPARE(version(name), before);

    QCOMPARE(TestDatabase::exec(name, removal), QString());
    f.answerer->clear();
    QVERIFY(openAsActive(kind, name));
    QVERIFY(f.answerer->messages().first().startsWith(QLatin1String("Database Upgrade|")));
    QVERIFY(!f.answerer->messages().last().startsWith(QLatin1String("Error|")));
    if (kind == 1)
        verifyInventoryData(name, 10);
    else
        verifySalesData(name, 11, true);
    compareWithFresh(name, kind == 1 ? freshInventory : freshSales);
}

void TestDatabaseUpgrade::salesUpgradeOpensOldInventoryInside()
{
    // The inventory is not open yet and is old itself: the sales step that reads it opens it,
    // which upgrades it inside the sales check.
    const QString inventory = oldInventory(13);
    const QString sales = oldSales(14);
    QVERIFY(!inventory.isEmpty() && !sales.isEmpty());
    SetActive(1, inventory);
    QVERIFY(!DatabaseManager::Instance()->inventoryDb);

    QVERIFY(check(sales, 2));
    QCOMPARE(titles(), (QStringList{"Database Upgrade", "Database Upgrade", "Main Database Upgrade", "Main Database Upgrade",
                                    "Main Database Upgrade", "Sales Database Upgrade", "Sales Database Upgrade"}));
    QVERIFY(f.answerer->messages().at(0).contains(QLatin1String("Selected sales database")));
    QVERIFY(f.answerer->messages().at(1).contains(QLatin1String("Selected inventory database")));
    QVERIFY(DatabaseManager::Instance()->inventoryOpen);
    verifySalesData(sales, 14, false);
    verifyInventoryData(inventory, 13);
}

void TestDatabaseUpgrade::salesUpgradeWithoutInventory()
{
    // No inventory to read categories and tax rates from: the step says so and the version
    // stays, so that the migration is not lost; it runs at the next check.
    AppSettings::Instance()->settings->remove(ACTIVE_INVENTORY_DB);
    const QString sales = oldSales(14);
    QVERIFY(!sales.isEmpty());

    QVERIFY(!check(sales, 2));
    // No inventory database is chosen: only the step itself says why it stops.
    QCOMPARE(titles(), (QStringList{"Database Upgrade", "Sales Database Upgrade"}));
    QVERIFY2(f.answerer->messages().at(1).contains(QLatin1String("can not be upgraded now")),
             qPrintable(f.answerer->messages().at(1)));
    QCOMPARE(version(sales), QStringLiteral("SALES_14.0.0"));
    QCOMPARE(Rows(sales, QStringLiteral("SELECT CATEGORY FROM tblSalesInvoice ORDER BY ID")),
             (QStringList{"NOT SET", "NOT SET", "NOT SET", "NOT SET", "NOT SET"}));

    // With the inventory back, the next check completes the migration.
    f.answerer->clear();
    ResetManager();
    SetActive(1, productsInventory);
    QVERIFY(check(sales, 2));
    QCOMPARE(version(sales), SALES_DB_VERSION);
    verifySalesData(sales, 14, true);
}

void TestDatabaseUpgrade::refusedDatabase_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("storedVersion"); // empty: the created database as it is
    QTest::addColumn<bool>("notice");
    QTest::newRow("inventory database as sales") << 2 << QString() << false;
    QTest::newRow("sales version too old") << 2 << "SALES_10.0.0" << true;
    QTest::newRow("inventory version too new") << 1 << "INVENTORY_19.0.0" << true;
    QTest::newRow("inventory version unknown") << 1 << "INVENTORY_X" << true;
    QTest::newRow("lower case kind") << 1 << "inventory_18.0.0" << false;
}

void TestDatabaseUpgrade::refusedDatabase()
{
    QFETCH(int, kind);
    QFETCH(QString, storedVersion);
    QFETCH(bool, notice);
    // Without a stored version the other kind of database stands in.
    const int madeKind = storedVersion.isEmpty() ? 3 - kind : kind;
    const QString name = TestDatabase::uniqueName(QStringLiteral("up_refused"));
    f.dropLater << name;
    QCOMPARE(Create(madeKind, name), QString());
    if (!storedVersion.isEmpty())
        QCOMPARE(TestDatabase::exec(name, {QStringLiteral("UPDATE tblVorantel SET DB_VERSION = '%1'").arg(storedVersion)}),
                 QString());

    QVERIFY(!check(name, kind));
    QCOMPARE(f.answerer->messages().size(), notice ? 1 : 0);
    if (notice)
        QVERIFY(f.answerer->messages().first().startsWith(QLatin1String("Database Upgrade|Selected ")));
    if (!storedVersion.isEmpty())
        QCOMPARE(version(name), storedVersion);
}

void TestDatabaseUpgrade::currentVersionRunsOnlyTheVersionQuery_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("inventory") << 1;
    QTest::newRow("sales") << 2;
}

void TestDatabaseUpgrade::currentVersionRunsOnlyTheVersionQuery()
{
    QFETCH(int, kind);
    const QString name = kind == 1 ? freshInventory : freshSales;
    // The server's own log shows what the check's connection sent.
    QCOMPARE(TestDatabase::exec(QString(), {"SET GLOBAL log_output = 'TABLE'", "SET GLOBAL general_log = 1"}), QString());
    const bool ok = check(name, kind);
    QCOMPARE(TestDatabase::exec(QString(), {"SET GLOBAL general_log = 0"}), QString());
    QVERIFY(ok);
    QVERIFY(f.answerer->seen.isEmpty());

    const QStringList threads = Rows(
        QString(), QStringLiteral("SELECT thread_id FROM mysql.general_log WHERE command_type = 'Connect' AND "
                                  "CONVERT(argument USING utf8) LIKE '% on %1 %' ORDER BY event_time DESC LIMIT 1")
                       .arg(name));
    QCOMPARE(threads.size(), 1);
    const QStringList sent = Rows(QString(), QStringLiteral("SELECT command_type, CONVERT(argument USING utf8) FROM "
                                                            "mysql.general_log WHERE thread_id = %1 AND command_type NOT "
                                                            "IN ('Connect', 'Quit') ORDER BY event_time")
                                                 .arg(threads.first()));
    // The driver's own opening of the connection: database, character set, a probe statement.
    QCOMPARE(sent.value(0), QStringLiteral("Init DB|") + name);
    QVERIFY(sent.value(1).startsWith(QLatin1String("Query|SET NAMES ")));
    QCOMPARE(sent.value(2), QStringLiteral("Prepare|SELECT ? + ?"));
    QCOMPARE(sent.value(3), QStringLiteral("Close stmt|"));
    QCOMPARE(sent.mid(4), QStringList{"Query|SELECT DB_VERSION, ID FROM tblVorantel"});
}

void TestDatabaseUpgrade::workstationsUpgradingAtOnceHashOnce_data()
{
    QTest::addColumn<int>("major");
    QTest::newRow("from 10") << 10;
    QTest::newRow("from 14") << 14;
}

void TestDatabaseUpgrade::workstationsUpgradingAtOnceHashOnce()
{
    QFETCH(int, major);
    const QString name = oldInventory(major);
    QVERIFY(!name.isEmpty());

    // This workstation waits at the notice while another one runs the whole chain.
    int otherResult = -1;
    QString otherOutput;
    f.answerer->handle([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box || box->windowTitle() != QLatin1String("Database Upgrade"))
            return false;
        const TestDatabase::Server s = TestDatabase::server();
        QProcess other;
        other.setProcessChannelMode(QProcess::MergedChannels);
        other.start(QStringLiteral(UPGRADE_PROBE),
                    {s.host, QString::number(s.port), s.user, s.password, name, QStringLiteral("1")});
        if (other.waitForFinished(120000))
            otherResult = other.exitCode();
        otherOutput = QString::fromLocal8Bit(other.readAll());
        box->button(QMessageBox::Ok)->click();
        return true;
    });
    const bool passed = check(name, 1);
    QVERIFY2(otherResult == 0, qPrintable(otherOutput));
    QVERIFY(passed);
    QCOMPARE(version(name), INVENTORY_DB_VERSION);
    QVERIFY(logsIn(name, QStringLiteral("ann"), quoted));
    QVERIFY(logsIn(name, QStringLiteral("sam"), backslashHash));
    QVERIFY(logsIn(name, QStringLiteral("quinn"), quoteHash));
    QVERIFY(logsIn(name, QStringLiteral("dana"), fourByteHash));
    QVERIFY(logsIn(name, QStringLiteral("wes"), emptyHash));
}

void TestDatabaseUpgrade::passwordStepAfterAnotherWorkstationChangesNothing()
{
    // The other workstation has hashed the passwords; this one read version 14 before that.
    const QString name = oldInventory(15);
    QVERIFY(!name.isEmpty());
    const QStringList stored = Rows(name, QStringLiteral("SELECT ID, PASSWORD FROM tblUsers ORDER BY ID"));
    {
        QSqlQuery query(TestDatabase::connect(QStringLiteral("late_workstation"), name));
        QVERIFY(DatabaseManager::Instance()->UpgradeInventoryTo15(query, QStringLiteral("1"),
                                                                  QStringLiteral("INVENTORY_15.0.0")));
    }
    QCOMPARE(Rows(name, QStringLiteral("SELECT ID, PASSWORD FROM tblUsers ORDER BY ID")), stored);
    QVERIFY(logsIn(name, QStringLiteral("ann"), quoted));
    QCOMPARE(version(name), QStringLiteral("INVENTORY_15.0.0"));
}

void TestDatabaseUpgrade::latin1ServerStoresEveryScript()
{
    // The defaults of ./run.sh's server first, then a server whose default is latin1.
    {
        PrivateServer plain;
        QCOMPARE(plain.start(), QString());
        TestDatabase::useServer({plain.host(), plain.port(), plain.user(), plain.password()});
        QCOMPARE(Rows(QString(), QStringLiteral("SELECT @@character_set_server")), QStringList{"utf8mb3"});
        // Its account may not hand rights to others.
        const QStringList grants = Rows(QString(), QStringLiteral("SHOW GRANTS"));
        QVERIFY(!grants.isEmpty() && !grants.first().startsWith(QLatin1String("error")));
        QVERIFY2(!grants.join(QLatin1Char(' ')).contains(QLatin1String("GRANT OPTION")), qPrintable(grants.join(' ')));
        TestDatabase::useServer({});
    }
    PrivateServer server({QStringLiteral("--character-set-server=latin1"),
                          QStringLiteral("--collation-server=latin1_swedish_ci")});
    QCOMPARE(server.start(), QString());
    TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
    UseFixtureServer();
    const auto restore = qScopeGuard([this] {
        ResetManager();
        for (const QString& db : qAsConst(f.dropLater))
            TestDatabase::dropDatabase(db);
        f.dropLater.clear();
        TestDatabase::useServer({});
        UseFixtureServer();
    });
    QCOMPARE(Rows(QString(), QStringLiteral("SELECT @@character_set_server")), QStringList{"latin1"});

    const QString fresh = TestDatabase::uniqueName(QStringLiteral("latin1_fresh"));
    f.dropLater << fresh;
    QCOMPARE(Create(1, fresh), QString());
    const QString upgraded = oldInventory(10);
    QVERIFY(!upgraded.isEmpty());
    QVERIFY(check(upgraded, 1));

    const QStringList names{QStringLiteral("Ζωή"), QStringLiteral("Дмитрий"), QStringLiteral("مريم")};
    for (const QString& db : {fresh, upgraded}) {
        for (const char* table : {"tblCustomers", "tblRoles", "tblExpenseCategories"}) {
            for (const QString& n : names) {
                QSqlQuery insert(TestDatabase::connect(QStringLiteral("latin1_") + db, db));
                QVERIFY(insert.prepare(QStringLiteral("INSERT INTO %1 (NAME) VALUES (?)").arg(QLatin1String(table))));
                insert.addBindValue(n);
                QVERIFY2(insert.exec(), qPrintable(db + QLatin1Char(' ') + table + QLatin1String(": ")
                                                   + insert.lastError().text()));
            }
            QCOMPARE(Rows(db, QStringLiteral("SELECT NAME FROM %1 WHERE ID > (SELECT MAX(ID) - 3 FROM %1) ORDER BY ID")
                                  .arg(QLatin1String(table))),
                     names);
        }
    }
}

void TestDatabaseUpgrade::unstorableHashCheckedWithoutStrictMode()
{
    // Without strict mode the server would store the four-byte hash as question marks, silently.
    PrivateServer server({QStringLiteral("--sql-mode=NO_ENGINE_SUBSTITUTION")});
    QCOMPARE(server.start(), QString());
    TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
    UseFixtureServer();
    const auto restore = qScopeGuard([this] {
        ResetManager();
        for (const QString& db : qAsConst(f.dropLater))
            TestDatabase::dropDatabase(db);
        f.dropLater.clear();
        TestDatabase::useServer({});
        UseFixtureServer();
    });
    QCOMPARE(Rows(QString(), QStringLiteral("SELECT @@sql_mode")), QStringList{"NO_ENGINE_SUBSTITUTION"});

    const QString name = oldInventory(14);
    QVERIFY(!name.isEmpty());
    QVERIFY(check(name, 1));
    QVERIFY2(!f.answerer->messages().join(QLatin1Char('\n')).contains(QLatin1String("dana")),
             qPrintable(f.answerer->messages().join(QLatin1Char('\n'))));
    // Her hash was never sent; its stronger form was, and that is what the server holds.
    QCOMPARE(Rows(name, QStringLiteral("SELECT COUNT(*) FROM tblUsers WHERE LOGIN_NAME = 'dana' AND BINARY PASSWORD = ?"),
                  {StoredPassword(fourByteHash)}),
             QStringList{"1"});
    QVERIFY(logsIn(name, QStringLiteral("dana"), fourByteHash));
    QVERIFY(logsIn(name, QStringLiteral("ann"), quoted));
}

VORANTEL_TEST_MAIN(TestDatabaseUpgrade)
#include "tst_databaseupgrade.moc"
