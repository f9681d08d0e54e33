#include "databasetest.h"

#include <QRegularExpression>

using namespace DatabaseTest;

// Creation of inventory and sales databases from the embedded scripts, checked against the
// server's own description of what was made.
class TestDatabaseCreation : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { f.reset(); }
    void cleanup();
    void cleanupTestCase();

    void inventorySchema_data();
    void inventorySchema() { compareSchema(inventoryDb); }
    void salesSchema_data();
    void salesSchema() { compareSchema(salesDb); }
    void contents_data();
    void contents();
    void createdDatabaseBecomesActiveAndOpens();
    void firstReceiptNumber_data();
    void firstReceiptNumber();
    void refusedReceiptNumber_data();
    void refusedReceiptNumber();
    void refusedName_data();
    void refusedName();
    void existingNameIsRefused_data();
    void existingNameIsRefused();
    void noServerConnection();
    void failingInsertIsReportedAndSchemaDropped();
    void failingTableCreationRestoresSession();

private:
    QString create(int kind, const QString& name, const QString& firstReceipt = QStringLiteral("1"))
    {
        const QString error = Create(kind, name, firstReceipt);
        if (error.isEmpty()) // a refused name may be anything: only what was made is dropped
            f.dropLater << name;
        return error;
    }
    static bool exists(const QString& name)
    {
        return !Rows(QString(), QStringLiteral("SELECT 1 FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = ?"), {name})
                    .isEmpty();
    }
    QString useNewUser(const QString& grants, const QString& options = QString());
    void compareSchema(const QString& schema);

    QString inventoryDb; // shared by the read-only checks
    QString salesDb;
    QStringList users;
    Fixture f;
};

// A column "NAME TYPE[?][=default]" ("?": nullable, no "=": no default) as the server describes it;
// every table starts with the auto-increment ID.
static QString ServerColumn(const QString& written)
{
    const QString name = written.section(QLatin1Char(' '), 0, 0);
    QString type = written.section(QLatin1Char(' '), 1).section(QLatin1Char('='), 0, 0);
    QString def = written.contains(QLatin1Char('=')) ? written.section(QLatin1Char('='), 1) : QString();
    const bool nullable = type.endsWith(QLatin1Char('?'));
    if (nullable)
        type.chop(1);
    if (type == QLatin1String("INT"))
        type = QStringLiteral("INT(11)");
    if (def.isEmpty())
        def = nullable ? QStringLiteral("NULL") : QStringLiteral("(none)");
    else if (!def.startsWith(QLatin1Char('\'')))
        def = QString::number(def.toDouble());
    return QStringList{name, type.toLower(), nullable ? QStringLiteral("YES") : QStringLiteral("NO"), def, QString()}
        .join(QLatin1Char('|'));
}

// A data row's columns, indexes or foreign keys, written as one text separated by ", ".
static QStringList SplitCommaList(const QString& list)
{
    return list.split(QStringLiteral(", "), Qt::SkipEmptyParts);
}

void TestDatabaseCreation::compareSchema(const QString& schema)
{
    QFETCH(QString, columns);
    QFETCH(QString, indexes);
    QFETCH(QString, foreignKeys);
    QFETCH(bool, tableOptionsGiven);
    const QVariantList at{schema, QString::fromLatin1(QTest::currentDataTag())};
    const auto read = [&at](const char* sql, int binds = 2) {
        return Rows(QString(), QString::fromLatin1(sql), at.mid(0, binds));
    };
    const auto sorted = [](QStringList l) { l.sort(); return l; };
    const auto utf8 = [](QString s) { return s.replace(QStringLiteral("utf8mb3"), QStringLiteral("utf8")); };

    QStringList expectedColumns{QStringLiteral("ID|int(11)|NO|(none)|auto_increment")};
    for (const QString& c : SplitCommaList(columns))
        expectedColumns << ServerColumn(c);
    QCOMPARE(read("SELECT COLUMN_NAME, COLUMN_TYPE, IS_NULLABLE, IFNULL(COLUMN_DEFAULT, '(none)'), EXTRA FROM "
                  "information_schema.COLUMNS WHERE TABLE_SCHEMA = ? AND TABLE_NAME = ? ORDER BY ORDINAL_POSITION"),
             expectedColumns);

    // Indexes "name|columns|unique"; "*" stands for the name the server gave an unnamed index.
    const QStringList expectedIndexes = SplitCommaList(indexes) << QStringLiteral("PRIMARY|ID|unique");
    QStringList actualIndexes;
    for (QString i : read("SELECT INDEX_NAME, GROUP_CONCAT(COLUMN_NAME ORDER BY SEQ_IN_INDEX), IF(MAX(NON_UNIQUE), "
                          "'index', 'unique') FROM information_schema.STATISTICS WHERE TABLE_SCHEMA = ? AND "
                          "TABLE_NAME = ? GROUP BY INDEX_NAME")) {
        const QString name = i.section(QLatin1Char('|'), 0, 0) + QLatin1Char('|');
        if (std::none_of(expectedIndexes.begin(), expectedIndexes.end(),
                         [&name](const QString& e) { return e.startsWith(name); }))
            i = QStringLiteral("*|") + i.section(QLatin1Char('|'), 1);
        actualIndexes << i;
    }
    QCOMPARE(sorted(actualIndexes), sorted(expectedIndexes));

    // Foreign keys "name|column|referenced table|on delete|on update"; the server reports an
    // omitted ON clause as RESTRICT, and every reference must land in this schema.
    QStringList expectedKeys;
    for (const QString& k : SplitCommaList(foreignKeys)) {
        QStringList p = k.split(QLatin1Char('|'));
        p[2] = schema + QLatin1Char('.') + p.at(2) + QStringLiteral(".ID");
        for (int i = 3; i < 5; ++i)
            p[i] = p.at(i).isEmpty() ? QStringLiteral("RESTRICT") : p.at(i);
        expectedKeys << p.join(QLatin1Char('|'));
    }
    QCOMPARE(sorted(read("SELECT rc.CONSTRAINT_NAME, k.COLUMN_NAME, CONCAT_WS('.', k.REFERENCED_TABLE_SCHEMA, "
                         "k.REFERENCED_TABLE_NAME, k.REFERENCED_COLUMN_NAME), rc.DELETE_RULE, rc.UPDATE_RULE FROM "
                         "information_schema.REFERENTIAL_CONSTRAINTS rc JOIN information_schema.KEY_COLUMN_USAGE k ON "
                         "k.CONSTRAINT_SCHEMA = rc.CONSTRAINT_SCHEMA AND k.CONSTRAINT_NAME = rc.CONSTRAINT_NAME AND "
                         "k.TABLE_NAME = rc.TABLE_NAME WHERE rc.CONSTRAINT_SCHEMA = ? AND rc.TABLE_NAME = ?")),
             sorted(expectedKeys));

    // Without table options a table takes the server's engine and the schema's collation.
    QCOMPARE(utf8(read("SELECT ENGINE, TABLE_COLLATION FROM information_schema.TABLES WHERE TABLE_SCHEMA = ? AND "
                       "TABLE_NAME = ?").value(0)),
             tableOptionsGiven ? QStringLiteral("InnoDB|utf8_unicode_ci")
                               : utf8(read("SELECT @@default_storage_engine, DEFAULT_COLLATION_NAME FROM "
                                           "information_schema.SCHEMATA WHERE SCHEMA_NAME = ?", 1).value(0)));
}

// Lists are ", "-separated; an index named "*" is unnamed.
static void SchemaColumns()
{
    QTest::addColumn<QString>("columns");
    QTest::addColumn<QString>("indexes");
    QTest::addColumn<QString>("foreignKeys");
    QTest::addColumn<bool>("tableOptionsGiven");
}

void TestDatabaseCreation::inventorySchema_data()
{
    SchemaColumns();
    QTest::newRow("tblProductCategories") << "NAME VARCHAR(50)" << "*|NAME|unique" << "" << true;
    QTest::newRow("tblProducts") << "CATEGORY_ID INT, PRODUCT_CODE VARCHAR(50), NAME VARCHAR(150), "
        "ITEMS_PER_UNIT INT=0, DESCRIPTION VARCHAR(250)?, IMAGE_FILE VARCHAR(150)?, TAX_RATE DOUBLE=0, "
        "UNIT_NAME VARCHAR(45)?, SUB_UNIT_NAME VARCHAR(45)?, PRINT_UNIT_NAME INT=0, SERVICE_ITEM INT=0"
        << "*|PRODUCT_CODE|unique, fk_{A0642C07-12A6-4F15-A81C-AF1FE644790B}|CATEGORY_ID|index"
        << "fk_{A0642C07-12A6-4F15-A81C-AF1FE644790B}|CATEGORY_ID|tblProductCategories|RESTRICT|RESTRICT" << true;
    QTest::newRow("tblVendors") << "NAME VARCHAR(50), ADDRESS VARCHAR(200)?, EMAIL VARCHAR(200)?, "
        "CONTACT_NUMBER VARCHAR(50)?" << "" << "" << true;
    QTest::newRow("tblInventory") << "PRODUCT_ID INT, VENDOR_ID INT, BAR_CODE VARCHAR(100), BATCH_NUMBER VARCHAR(100), "
        "EXPIRY_DATE DATE?, STORAGE_LOCATION VARCHAR(50)?, PURCHASE_PRICE DOUBLE, SALE_PRICE DOUBLE=0, QUANTITY INT=0, "
        "SUB_ITEMS INT=0, SHOW_ON_POS INT=1, DISCOUNT DOUBLE=0, REORDER_LEVEL INT=0, REORDER_QUANTITY INT=0"
        << "*|BAR_CODE|unique, fk_{EFEE3CBC-864C-45F3-BF85-9C09515AA4F6}|PRODUCT_ID|index, "
           "fk_{6334EB7F-14F1-4C90-8923-8FA836660088}|VENDOR_ID|index"
        << "fk_{EFEE3CBC-864C-45F3-BF85-9C09515AA4F6}|PRODUCT_ID|tblProducts||, "
           "fk_{6334EB7F-14F1-4C90-8923-8FA836660088}|VENDOR_ID|tblVendors||" << true;
    QTest::newRow("tblRoles") << "NAME VARCHAR(100)" << "*|NAME|unique" << "" << true;
    QTest::newRow("tblPermissions") << "ROLE_ID INT, MODULE_ID INT"
        << "ID_UNIQUE|ID|unique, ROLE_ID_idx|ROLE_ID|index"
        << "FK_ROLE_ID|ROLE_ID|tblRoles|NO ACTION|NO ACTION" << true;
    QTest::newRow("tblUsers") << "FIRST_NAME VARCHAR(50), LAST_NAME VARCHAR(50), LOGIN_NAME VARCHAR(50), "
        "PASSWORD VARCHAR(50), ROLE_ID INT"
        << "*|LOGIN_NAME|unique, ROLE_ID_idx|ROLE_ID|index"
        << "FK_ROLE_ID_TBL_USERS|ROLE_ID|tblRoles|NO ACTION|NO ACTION" << true;
    QTest::newRow("tblQuestions") << "USER_ID INT, QUESTION_ID INT, ANSWER VARCHAR(50)"
        << "ID_UNIQUE|ID|unique, USER_ID_idx|USER_ID|index"
        << "FK_USER_ID|USER_ID|tblUsers|NO ACTION|NO ACTION" << true;
    QTest::newRow("tblPOrders") << "VENDOR_ID INT, STATUS INT, SENT_DATE DATE?, DELIVERY_DATE DATE?, "
        "SUB_TOTAL DOUBLE?=0, SALES_TAX DOUBLE?=0, TOTAL DOUBLE?=0, NOTES VARCHAR(250)?, DISABLE_TAX INT=1, "
        "SHIP_TO_COMPANY_ADDRESS INT=1, SHIPPING_NAME VARCHAR(100)?, SHIPPING_ADDRESS VARCHAR(250)?, "
        "SHIPPING_CONTACT VARCHAR(100)?, SHIP_VIA VARCHAR(250)?, LAST_MODIFIED DATETIME?, PAYMENT_STATUS INT, "
        "PAID_AMOUNT DOUBLE?=0"
        << "ID_UNIQUE|ID|unique, VENDOR_ID_idx|VENDOR_ID|index"
        << "FK_VENDOR_ID|VENDOR_ID|tblVendors|NO ACTION|NO ACTION" << true;
    QTest::newRow("tblPODetails") << "PORDER_ID INT, PRODUCT_ID INT, QUANTITY INT, UNIT_PRICE DOUBLE=0, "
        "LINE_TOTAL DOUBLE=0, SALE_PRICE DOUBLE=0, BATCH_NUMBER VARCHAR(100), EXPIRY_DATE DATE?, "
        "STORAGE_LOCATION VARCHAR(50)?, STOCK_ID VARCHAR(50)='-1', RECEIVED_QUANTITY INT=0, DISCOUNT DOUBLE=0, "
        "REORDER_LEVEL INT=0, REORDER_QUANTITY INT=0, STOCK_CODE VARCHAR(100)?"
        << "ID_UNIQUE|ID|unique, FK_PORDER_ID_idx|PORDER_ID|index, FK_PRODUCT_ID_idx|PRODUCT_ID|index"
        << "FK_PORDER_ID|PORDER_ID|tblPOrders|NO ACTION|NO ACTION, "
           "FK_PRODUCT_ID|PRODUCT_ID|tblProducts|NO ACTION|NO ACTION" << true;
    QTest::newRow("tblVorantel") << "DB_VERSION VARCHAR(45)"
        << "ID_UNIQUE|ID|unique, DB_VERSION_UNIQUE|DB_VERSION|unique" << "" << true;
    QTest::newRow("tblCustomers") << "NAME VARCHAR(50), ADDRESS VARCHAR(200)?, EMAIL VARCHAR(200)?, "
        "CONTACT_NUMBER VARCHAR(50)?" << "" << "" << false;
    QTest::newRow("tblExpenseCategories") << "NAME VARCHAR(100)"
        << "ID_UNIQUE|ID|unique, NAME_UNIQUE|NAME|unique" << "" << true;
    QTest::newRow("tblExpenses") << "CATEGORY_ID INT, DATED DATE, AMOUNT DOUBLE?=0, DESCRIPTION VARCHAR(250)?"
        << "ID_UNIQUE|ID|unique, FK_CATEGORY_ID_idx|CATEGORY_ID|index"
        << "FK_CATEGORY_ID|CATEGORY_ID|tblExpenseCategories|NO ACTION|NO ACTION" << true;
}

void TestDatabaseCreation::salesSchema_data()
{
    SchemaColumns();
    QTest::newRow("tblSalesTransactions") << "USER_ID VARCHAR(50), CUSTOMER VARCHAR(100)?, TIME_STAMP DATETIME, "
        "GRAND_TOTAL DOUBLE=0, PAID DOUBLE=0, AMOUNT_DUE DOUBLE=0, TOTAL_TAX DOUBLE=0, INVOICE_MODE INT=0, "
        "STATUS INT=1, SENT_DATE DATE?, DUE_DATE DATE?, CUSTOMER_ID INT?, SHIP_TO_CUSTOMER_ADDR INT?, "
        "SHIP_NAME VARCHAR(45)?, SHIP_ADDRESS VARCHAR(250)?, SHIP_CONTACT VARCHAR(45)?, SHIP_VIA VARCHAR(100)?, "
        "NOTES VARCHAR(250)?, TOTAL_DISCOUNT DOUBLE?=0, PAYMENT_TYPE VARCHAR(50)?='CASH', "
        "REFERENCE_NUMBER VARCHAR(100)?, STORE_ID VARCHAR(100)?, TERMINAL_ID VARCHAR(50)?" << "" << "" << true;
    QTest::newRow("tblSalesInvoice") << "TRANSACTION_ID INT, ITEM_INDEX INT, PRODUCT_NAME VARCHAR(50), QUANTITY INT, "
        "PURCHASE_PRICE DOUBLE, SALE_PRICE DOUBLE, SUB_ITEMS VARCHAR(8), DISCOUNT DOUBLE, SUB_TOTAL DOUBLE, "
        "PURCHASE_SUB_TOTAL DOUBLE, SUB_TAX DOUBLE, BAR_CODE VARCHAR(45)?, ITEMS_PER_UNIT INT?, "
        "UNIT_NAME VARCHAR(45)?, SUB_UNIT_NAME VARCHAR(45)?, PRINT_UNIT_NAME INT?, CATEGORY VARCHAR(100)?='NOT SET', "
        "TAX_RATE DOUBLE?=0.0, RETURNED INT?=0"
        << "TRANSACTION_ID|TRANSACTION_ID|index"
        << "tblSalesInvoice_ibfk_1|TRANSACTION_ID|tblSalesTransactions||" << true;
    QTest::newRow("tblPendingPayments") << "TRANSACTION_ID INT, BUTTON_INDEX INT, PAYMENT_NAME VARCHAR(50)"
        << "TRANSACTION_ID|TRANSACTION_ID|index"
        << "tblPendingPayments_ibfk_1|TRANSACTION_ID|tblSalesTransactions||" << true;
    QTest::newRow("tblVorantel") << "DB_VERSION VARCHAR(45)" << "" << "" << true;
}

void TestDatabaseCreation::initTestCase()
{
    REQUIRE_TEST_SERVER();
    f.start(this);
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("sales"));
    QCOMPARE(Create(1, inventoryDb), QString());
    QCOMPARE(Create(2, salesDb), QString());
}

void TestDatabaseCreation::cleanup()
{
    for (const QString& user : qAsConst(users))
        TestDatabase::exec(QString(), {QStringLiteral("DROP USER IF EXISTS '%1'@'127.0.0.1'").arg(user)});
    users.clear();
    f.finish();
}

void TestDatabaseCreation::cleanupTestCase()
{
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

// A user with its own grants and limits becomes the manager's user; dropped in cleanup.
QString TestDatabaseCreation::useNewUser(const QString& grants, const QString& options)
{
    const QString user = TestDatabase::uniqueName(QStringLiteral("vt_user"));
    users << user;
    const QString error = TestDatabase::exec(
        QString(), {QStringLiteral("CREATE USER '%1'@'127.0.0.1' IDENTIFIED BY 'pw_%1' %2").arg(user, options),
                    grants.arg(user)});
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager::Instance()->CloseServerConnection();
    DatabaseManager::Instance()->SetConnectionParameters(user, QStringLiteral("pw_") + user, s.port, s.host);
    return error;
}

void TestDatabaseCreation::contents_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("expected");
    const QString tables = QStringLiteral("SHOW TABLES");
    QTest::newRow("inventory tables") << 1 << tables
                                      << QStringList{"tblProductCategories", "tblProducts", "tblVendors", "tblInventory",
                                                     "tblRoles", "tblPermissions", "tblUsers", "tblQuestions",
                                                     "tblPOrders", "tblPODetails", "tblVorantel", "tblCustomers",
                                                     "tblExpenseCategories", "tblExpenses"};
    // The inventory schema has no character set of its own: the server's default applies.
    QTest::newRow("inventory character set")
        << 1
        << "SELECT DEFAULT_COLLATION_NAME = @@collation_server FROM information_schema.SCHEMATA WHERE SCHEMA_NAME = "
           "DATABASE()"
        << QStringList{"1"};
    const QString all = QStringLiteral("SELECT * FROM %1 ORDER BY ID");
    QTest::newRow("inventory version") << 1 << all.arg("tblVorantel") << QStringList{"1|INVENTORY_18.0.0"};
    QTest::newRow("vendor") << 1 << all.arg("tblVendors") << QStringList{"1|NONE|NULL|NULL|NULL"};
    QTest::newRow("expense categories") << 1 << all.arg("tblExpenseCategories")
                                        << QStringList{"1|Wages", "2|Utility Bills", "3|Transport"};
    QTest::newRow("roles") << 1 << all.arg("tblRoles")
                           << QStringList{"1|ADMINISTRATOR", "2|SALES PERSON", "3|PURCHASE MANAGER", "4|MANAGER",
                                          "5|ASSISTANT MANAGER"};
    QTest::newRow("permissions") << 1 << all.arg("tblPermissions")
                                 << QStringList{"1|2|0", "2|3|4", "3|4|0", "4|4|1", "5|4|2", "6|4|3",
                                                "7|4|4", "8|4|5", "9|5|0", "10|5|1", "11|5|2"};
    for (const char* empty : {"tblUsers", "tblQuestions", "tblProducts", "tblProductCategories", "tblInventory",
                              "tblCustomers", "tblPOrders", "tblPODetails", "tblExpenses"})
        QTest::newRow(empty) << 1 << all.arg(empty) << QStringList{};
    QTest::newRow("sales tables") << 2 << tables
                                  << QStringList{"tblSalesTransactions", "tblSalesInvoice", "tblPendingPayments",
                                                 "tblVorantel"};
    QTest::newRow("sales character set")
        << 2
        << "SELECT REPLACE(DEFAULT_CHARACTER_SET_NAME, 'utf8mb3', 'utf8') FROM information_schema.SCHEMATA WHERE "
           "SCHEMA_NAME = DATABASE()"
        << QStringList{"utf8"};
    QTest::newRow("sales version") << 2 << all.arg("tblVorantel") << QStringList{"1|SALES_18.0.0"};
    for (const char* empty : {"tblSalesTransactions", "tblSalesInvoice", "tblPendingPayments"})
        QTest::newRow(empty) << 2 << all.arg(empty) << QStringList{};
}

void TestDatabaseCreation::contents()
{
    QFETCH(int, kind);
    QFETCH(QString, sql);
    QFETCH(QStringList, expected);
    QStringList actual = Rows(kind == 1 ? inventoryDb : salesDb, sql);
    if (sql.startsWith(QLatin1String("SHOW"))) {
        actual.sort();
        expected.sort();
    }
    QCOMPARE(actual, expected);
}

void TestDatabaseCreation::createdDatabaseBecomesActiveAndOpens()
{
    DatabaseManager* manager = DatabaseManager::Instance();
    // Names at the edges of what is accepted: '$' and '_', and the full 64 characters.
    const QString inventory = TestDatabase::uniqueName(QStringLiteral("$_x9"));
    const QString sales = TestDatabase::uniqueName(QStringLiteral("Z")).leftJustified(64, QLatin1Char('9'), true);
    QCOMPARE(create(1, inventory), QString());
    QCOMPARE(create(2, sales, QStringLiteral("5")), QString());
    QCOMPARE(Active(1), inventory);
    QCOMPARE(Active(2), sales);

    QVERIFY(manager->InventoryDatabase()->isOpen());
    QVERIFY(manager->SalesDatabase()->isOpen());
    QVERIFY(manager->inventoryOpen && manager->salesOpen);
    QCOMPARE(manager->InventoryDatabase()->databaseName(), inventory);
    QVERIFY(exists(inventory) && exists(sales));
    QCOMPARE(f.listener.calls, (QStringList{"inventory 1", "sales 1"}));
    QVERIFY(f.answerer->seen.isEmpty());
}

void TestDatabaseCreation::firstReceiptNumber_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("firstId");
    QTest::newRow("1000") << "1000" << "1000";
    QTest::newRow("leading zeros") << "007" << "7";
    QTest::newRow("largest INT") << "2147483647" << "2147483647";
}

void TestDatabaseCreation::firstReceiptNumber()
{
    QFETCH(QString, typed);
    QFETCH(QString, firstId);
    const QString name = TestDatabase::uniqueName(QStringLiteral("receipt"));
    QCOMPARE(create(2, name, typed), QString());
    QCOMPARE(TestDatabase::exec(name, {"INSERT INTO tblSalesTransactions (USER_ID, TIME_STAMP) VALUES ('t', NOW())"}),
             QString());
    QCOMPARE(Rows(name, QStringLiteral("SELECT ID FROM tblSalesTransactions")), QStringList{firstId});
}

void TestDatabaseCreation::refusedReceiptNumber_data()
{
    QTest::addColumn<QString>("typed");
    for (const char* typed : {"0", "0000000000", "2147483648", "12345678901", "", "-5", " 7", "1; DROP DATABASE mysql"})
        QTest::addRow("'%s'", typed) << typed;
}

void TestDatabaseCreation::refusedReceiptNumber()
{
    QFETCH(QString, typed);
    SetActive(2, QStringLiteral("previous"));
    const QString name = TestDatabase::uniqueName(QStringLiteral("refused_receipt"));
    QCOMPARE(create(2, name, typed), QStringLiteral("The first receipt number must be a whole number from 1 to 2147483647."));
    QVERIFY(!exists(name));
    QCOMPARE(Active(2), QStringLiteral("previous"));
}

void TestDatabaseCreation::refusedName_data()
{
    QTest::addColumn<QString>("name");
    for (const char* name : {"", "my shop", " shop ", "shop`; DROP DATABASE mysql; `", "shop'x", "mysql.user", "l\xc3\xa4ger"})
        QTest::addRow("'%s'", name) << QString::fromUtf8(name);
    QTest::newRow("65 characters") << QString(65, QLatin1Char('a'));
}

void TestDatabaseCreation::refusedName()
{
    QFETCH(QString, name);
    // Other tests create databases on the same server meanwhile: look only for what this name could create.
    const QVariantList probes{name, name.trimmed(),
                              name.section(QRegularExpression(QStringLiteral("[ ;`'./-]")), 0, 0, QString::SectionSkipEmpty)};
    const QString probe = QStringLiteral("SELECT SCHEMA_NAME FROM information_schema.SCHEMATA WHERE SCHEMA_NAME IN (?, ?, ?) "
                                         "ORDER BY 1");
    const QStringList before = Rows(QString(), probe, probes);
    for (int kind : {1, 2}) {
        SetActive(kind, QStringLiteral("previous"));
        QCOMPARE(create(kind, name),
                 QStringLiteral("'%1' is not a valid database name. Use 1 to 64 characters: letters, digits, '_' or '$'.")
                     .arg(name));
        QCOMPARE(Active(kind), QStringLiteral("previous"));
    }
    QCOMPARE(Rows(QString(), probe, probes), before);
}

void TestDatabaseCreation::existingNameIsRefused_data()
{
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("name"); // "@inventory" and "@sales": the databases made in initTestCase
    QTest::addColumn<bool>("upperCase");
    QTest::newRow("system database") << 1 << "mysql" << false;
    QTest::newRow("system database, other case") << 2 << "mysql" << true;
    QTest::newRow("inventory again") << 1 << "@inventory" << false;
    QTest::newRow("inventory, other case") << 1 << "@inventory" << true;
    QTest::newRow("sales as inventory") << 1 << "@sales" << false;
    QTest::newRow("inventory as sales") << 2 << "@inventory" << true;
}

void TestDatabaseCreation::existingNameIsRefused()
{
    QFETCH(int, kind);
    QFETCH(QString, name);
    QFETCH(bool, upperCase);
    const QString existing = name == QLatin1String("@inventory") ? inventoryDb : name == QLatin1String("@sales") ? salesDb : name;
    const QStringList tablesBefore = Rows(existing, QStringLiteral("SHOW TABLES"));
    SetActive(kind, QStringLiteral("previous"));

    QCOMPARE(create(kind, upperCase ? existing.toUpper() : existing),
             QStringLiteral("A database named '%1' already exists on the server. Please choose another name.").arg(existing));
    QCOMPARE(Active(kind), QStringLiteral("previous"));
    QCOMPARE(Rows(existing, QStringLiteral("SHOW TABLES")), tablesBefore);
}

void TestDatabaseCreation::noServerConnection()
{
    const TestDatabase::Server s = TestDatabase::server();
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->CloseServerConnection();
    manager->SetConnectionParameters(s.user, QStringLiteral("wrong password"), s.port, s.host);
    const QString name = TestDatabase::uniqueName(QStringLiteral("no_server"));

    const QString error = create(1, name);
    QVERIFY2(error.contains(QLatin1String("Access denied")), qPrintable(error));
    QVERIFY(error.contains(QLatin1String(" : ")));
    QVERIFY(!AppSettings::Instance()->settings->contains(ACTIVE_INVENTORY_DB));
    QVERIFY(!exists(name));
}

void TestDatabaseCreation::failingInsertIsReportedAndSchemaDropped()
{
    // A user that may build the schema but not insert: the first seed row fails, long after
    // the first statement of the script.
    const QString name = TestDatabase::uniqueName(QStringLiteral("no_insert"));
    QCOMPARE(useNewUser(QStringLiteral("GRANT CREATE, DROP, ALTER, INDEX, REFERENCES, SELECT ON `%1`.* TO '%2'@'127.0.0.1'")
                            .arg(name, QStringLiteral("%1"))),
             QString());
    SetActive(1, QStringLiteral("previous"));

    const QString error = create(1, name);
    f.dropLater << name; // in case it stays behind
    QVERIFY2(error.contains(QLatin1String("INSERT command denied")), qPrintable(error));
    QVERIFY2(error.contains(QLatin1String(" : QMYSQL")), qPrintable(error));
    QCOMPARE(Active(1), QStringLiteral("previous"));
    QVERIFY2(!exists(name), "the half-made schema stays behind");
}

void TestDatabaseCreation::failingTableCreationRestoresSession()
{
    // Three schema changes an hour: the script fails at its third table, before it restored
    // the checks and mode it relaxed.
    const QString name = TestDatabase::uniqueName(QStringLiteral("limited"));
    QCOMPARE(useNewUser(QStringLiteral("GRANT ALL ON `%1`.* TO '%2'@'127.0.0.1'").arg(name, QStringLiteral("%1")),
                        QStringLiteral("WITH MAX_UPDATES_PER_HOUR 3")),
             QString());
    SetActive(2, QStringLiteral("previous"));
    const auto session = [] {
        QSqlQuery q(*DatabaseManager::Instance()->ServerConnection());
        if (!q.exec(QStringLiteral("SELECT CONCAT_WS('|', @@SQL_MODE, @@FOREIGN_KEY_CHECKS, @@UNIQUE_CHECKS)")) || !q.next())
            return q.lastError().text();
        return q.value(0).toString();
    };
    const QString before = session();

    const QString error = create(2, name, QStringLiteral("10"));
    f.dropLater << name; // the limit also stops the drop of the half-made schema
    QVERIFY2(error.contains(QLatin1String("max_updates_per_hour")), qPrintable(error));
    QCOMPARE(Active(2), QStringLiteral("previous"));
    QCOMPARE(session(), before);
}

VORANTEL_TEST_MAIN(TestDatabaseCreation)
#include "tst_databasecreation.moc"
