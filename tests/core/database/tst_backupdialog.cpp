#include "appsettings.h"
#include "backupdialog.h"
#include "constants.h"
#include "databasetest.h"
#include "modalanswerer.h"
#include "testdatabase.h"
#include "testsupport.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSet>
#include <QSettings>
#include <QSqlDriver>
#include <QSqlField>
#include <QStandardPaths>
#include <QTcpServer>

namespace {

const QString KeyDumpPath = QStringLiteral("path_to_mysqldump");
const QString KeyBackupFolder = QStringLiteral("path_to_backup_folder");
const QString SuccessStart = QStringLiteral("Backup|Backup operation completed successfully. All the data has been "
                                            "saved in SQL file. Please use MySQL Workbench tool for restoring the "
                                            "backup. This tool is freely available from ");
const QString OddPassword = QStringLiteral("p#ss \"w'rd\\ end");

// A stand-in dump program: records its arguments and the option file it was given,
// waits a moment, then writes its result file.
const char* const RecordingTool = R"(#!/bin/sh
log="$(dirname "$0")/run.$$"
for a in "$@"; do printf '%s\n' "$a" >>"$log.args"; done
case "$1" in --defaults-extra-file=*) cp "${1#--defaults-extra-file=}" "$log.cnf";; esac
sleep 1
for a in "$@"; do
    case "$a" in --result-file=*) echo "-- recorded dump" >"${a#--result-file=}";; esac
done
)";

QSettings* store()
{
    return AppSettings::Instance()->settings;
}

QStringList backupFiles(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class TestBackupDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void constructionReadsPaths_data();
    void constructionReadsPaths();
    void choosers();
    void backupRestoresToSameRows_data();
    void backupRestoresToSameRows();
    void passwordStaysOffTheCommandLine();
    void failureSavesNoPath_data();
    void failureSavesNoPath();

private:
    static bool pick(QWidget* modal, const QString& path);
    QString makeFolder(const QString& name);
    static void choose(Backupdialog& dialog, const char* button, const QString& path);
    QString pressBackup(Backupdialog& dialog);
    void restore(const QString& file, const QString& database);
    static QStringList tableState(const QString& database, const QString& table);

    QString dumpTool;
    QString clientTool;
    QString inventoryDb;
    QString salesDb;
    QString oddUser;
    QString work;
    QStringList scratchDbs;
    const QStringList inventoryTables{QStringLiteral("tblProducts"), QStringLiteral("tblInventory"),
                                      QStringLiteral("tblVorantel")};
    const QStringList salesTables{QStringLiteral("tblSalesTransactions"), QStringLiteral("tblSalesInvoice"),
                                  QStringLiteral("tblVorantel")};
};

void TestBackupDialog::initTestCase()
{
    REQUIRE_TEST_SERVER();
    const auto find = [](const char* a, const char* b) {
        const QString found = QStandardPaths::findExecutable(QLatin1String(a));
        return found.isEmpty() ? QStandardPaths::findExecutable(QLatin1String(b)) : found;
    };
    dumpTool = find("mariadb-dump", "mysqldump");
    clientTool = find("mariadb", "mysql");
    QVERIFY2(!dumpTool.isEmpty() && !clientTool.isEmpty(), "mariadb-dump and mariadb clients are needed");

    // Small stand-ins for the real schemas: a few tables with awkward text.
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("bk_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("bk_sales"));
    const auto versioned = [](QStringList sql, const QString& version) {
        return sql << QStringLiteral("CREATE TABLE tblVorantel (DB_VERSION VARCHAR(50))")
                   << QStringLiteral("INSERT INTO tblVorantel VALUES ('%1')").arg(version);
    };
    QCOMPARE(TestDatabase::exec(QString(), {"CREATE DATABASE `" + inventoryDb + '`', "CREATE DATABASE `" + salesDb + '`'}), QString());
    QCOMPARE(TestDatabase::exec(inventoryDb, versioned({
        "CREATE TABLE tblProducts (ID INT AUTO_INCREMENT PRIMARY KEY, PRODUCT_CODE VARCHAR(50) UNIQUE, PRODUCT_NAME VARCHAR(200))",
        "INSERT INTO tblProducts (PRODUCT_CODE, PRODUCT_NAME) VALUES ('P1', 'Crème brûlée'), "
        "('P2', 'It''s \"quoted\"; -- not SQL'), ('P3', 'back\\\\slash')",
        "CREATE TABLE tblInventory (ID INT AUTO_INCREMENT PRIMARY KEY, BAR_CODE VARCHAR(50), QUANTITY DOUBLE, SALE_PRICE DECIMAL(12,2))",
        "INSERT INTO tblInventory (BAR_CODE, QUANTITY, SALE_PRICE) VALUES ('P1', 3, 2.50), ('P1-B', 1.5, 2.75), ('P2', 0, 10), "
        "('P3', 7, 0.99), ('P3-B', -1, 1.01)"}, INVENTORY_DB_VERSION)),
             QString());
    QCOMPARE(TestDatabase::exec(salesDb, versioned({
        "CREATE TABLE tblSalesTransactions (ID INT AUTO_INCREMENT PRIMARY KEY, STATUS INT, TOTAL DECIMAL(12,2), DATE_TIME DATETIME)",
        "INSERT INTO tblSalesTransactions (STATUS, TOTAL, DATE_TIME) VALUES (2, 12.50, '2024-03-01 10:00:00'), (0, 3, NULL)",
        "CREATE TABLE tblSalesInvoice (ID INT AUTO_INCREMENT PRIMARY KEY, TRANSACTION_ID INT, BAR_CODE VARCHAR(50), RETURNED INT)",
        "INSERT INTO tblSalesInvoice (TRANSACTION_ID, BAR_CODE, RETURNED) VALUES (1, 'P1', 0), (1, 'P2', 0), (1, 'P3', 1), "
        "(2, 'P1-B', 0)"}, SALES_DB_VERSION)),
             QString());

    // A user whose name and password need care on their way to the dump program; its host
    // is the server's address, since an anonymous 'localhost' account would shadow '%'.
    oddUser = TestDatabase::uniqueName(QStringLiteral("bk user"));
    const QString host = TestDatabase::server().host;
    QSqlField password(QStringLiteral("p"), QVariant::String);
    password.setValue(OddPassword);
    QCOMPARE(TestDatabase::exec(QString(),
                                {QStringLiteral("CREATE USER '%1'@'%2' IDENTIFIED BY %3")
                                     .arg(oddUser, host, TestDatabase::connect(QStringLiteral("test_admin")).driver()->formatValue(password)),
                                 QStringLiteral("GRANT ALL ON `%1`.* TO '%2'@'%3'").arg(inventoryDb, oddUser, host),
                                 QStringLiteral("GRANT ALL ON `%1`.* TO '%2'@'%3'").arg(salesDb, oddUser, host)}),
             QString());
}

void TestBackupDialog::cleanupTestCase()
{
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
    if (!oddUser.isEmpty())
        TestDatabase::exec(QString(), {QStringLiteral("DROP USER IF EXISTS '%1'@'%2'").arg(oddUser, TestDatabase::server().host)});
}

void TestBackupDialog::init()
{
    TestSupport::ClearSettings();
    TestDatabase::writeServerSettings();
    store()->setValue(ACTIVE_INVENTORY_DB, inventoryDb);
    store()->setValue(ACTIVE_SALES_DB, salesDb);
    static int round = 0;
    // Blanks in the folder: nothing may split the paths.
    work = TestSupport::ScratchDir() + QStringLiteral("/back ups %1").arg(++round);
    QDir(work).removeRecursively();
    QVERIFY(QDir().mkpath(work));
}

void TestBackupDialog::cleanup()
{
    for (const QString& db : qAsConst(scratchDbs))
        TestDatabase::dropDatabase(db);
    scratchDbs.clear();
}

QString TestBackupDialog::makeFolder(const QString& name)
{
    QDir().mkpath(work + QLatin1Char('/') + name);
    return work + QLatin1Char('/') + name;
}

// Answers a file chooser the way a user does: open the folder, type the name, press the button.
bool TestBackupDialog::pick(QWidget* modal, const QString& path)
{
    auto* chooser = qobject_cast<QFileDialog*>(modal);
    auto* nameEdit = modal->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!chooser || !nameEdit)
        return false;
    const QFileInfo info(path);
    chooser->setDirectory(info.absolutePath());
    nameEdit->setText(info.fileName());
    static_cast<QDialog*>(chooser)->accept();
    if (chooser->isVisible()) {
        chooser->reject();
        return false;
    }
    return true;
}

void TestBackupDialog::choose(Backupdialog& dialog, const char* button, const QString& path)
{
    ModalAnswerer answerer;
    answerer.handle([path](QWidget* modal) { return pick(modal, path); });
    dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.pendingAnswers(), 0);
}

// Presses Backup, answers the one message that follows and returns it as "title|text".
QString TestBackupDialog::pressBackup(Backupdialog& dialog)
{
    ModalAnswerer answerer;
    dialog.findChild<QPushButton*>(QStringLiteral("pushButtonBackup"))->click();
    const QStringList messages = answerer.messages();
    return messages.size() == 1 ? messages.first() : QStringLiteral("%1 messages: %2").arg(messages.size()).arg(messages.join(QLatin1Char('\n')));
}

void TestBackupDialog::restore(const QString& file, const QString& database)
{
    QCOMPARE(TestDatabase::exec(QString(), {QStringLiteral("CREATE DATABASE `%1`").arg(database)}), QString());
    scratchDbs << database;
    const TestDatabase::Server s = TestDatabase::server();
    const QString options = work + QStringLiteral("/client.cnf");
    QVERIFY(TestSupport::WriteFile(options, "[client]\npassword=" + s.password.toUtf8() + "\n"));
    QFile::setPermissions(options, QFile::ReadOwner | QFile::WriteOwner);
    QProcess client;
    client.setStandardInputFile(file);
    client.start(clientTool, {QStringLiteral("--defaults-extra-file=") + options, QStringLiteral("--host=") + s.host,
                              QStringLiteral("--port=%1").arg(s.port), QStringLiteral("--user=") + s.user, database});
    QVERIFY(client.waitForFinished(120000));
    QVERIFY2(client.exitStatus() == QProcess::NormalExit && client.exitCode() == 0, client.readAllStandardError().constData());
}

QStringList TestBackupDialog::tableState(const QString& database, const QString& table)
{
    return DatabaseTest::Rows(database, QStringLiteral("SELECT COUNT(*) FROM `%1`").arg(table))
           + DatabaseTest::Rows(database, QStringLiteral("CHECKSUM TABLE `%1`").arg(table)).replaceInStrings(database + QLatin1Char('.'), QString());
}

void TestBackupDialog::constructionReadsPaths_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("backupEnabled");
    QTest::newRow("program only") << "/usr/bin/mariadb-dump" << QString() << false;
    QTest::newRow("folder stored") << QString() << "/srv/backups" << true;
}

void TestBackupDialog::constructionReadsPaths()
{
    QFETCH(QString, program);
    QFETCH(QString, folder);
    QFETCH(bool, backupEnabled);
    store()->setValue(KeyDumpPath, program);
    store()->setValue(KeyBackupFolder, folder);
    Backupdialog dialog;
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("lineMysqlDumpPath"))->text(), program);
    QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit"))->text(), folder);
    QCOMPARE(dialog.findChild<QPushButton*>(QStringLiteral("pushButtonBackup"))->isEnabled(), backupEnabled);
}

void TestBackupDialog::choosers()
{
    store()->setValue(QStringLiteral("RECENT_LOCATION"), work);
    Backupdialog dialog;
    auto* folderEdit = dialog.findChild<QLineEdit*>(QStringLiteral("lineEdit"));
    auto* programEdit = dialog.findChild<QLineEdit*>(QStringLiteral("lineMysqlDumpPath"));
    auto* backup = dialog.findChild<QPushButton*>(QStringLiteral("pushButtonBackup"));
    const auto cancelFolder = [&dialog] {
        ModalAnswerer answerer;
        answerer.reject();
        dialog.findChild<QPushButton*>(QStringLiteral("pushButtonSelect"))->click();
        QCOMPARE(answerer.pendingAnswers(), 0);
    };
    cancelFolder();
    QVERIFY(folderEdit->text().isEmpty());
    QVERIFY(!backup->isEnabled());
    const QString target = makeFolder(QStringLiteral("daily"));
    choose(dialog, "pushButtonSelect", target);
    QCOMPARE(folderEdit->text(), target);
    QVERIFY(backup->isEnabled());
    cancelFolder();
    QCOMPARE(folderEdit->text(), target);
    QVERIFY(backup->isEnabled());

    QStringList seen; // start folder, chosen filter, then the filters offered
    {
        ModalAnswerer answerer;
        answerer.handle([&](QWidget* modal) {
            auto* chooser = qobject_cast<QFileDialog*>(modal);
            if (chooser) {
                seen << chooser->directory().absolutePath() << chooser->selectedNameFilter() << chooser->nameFilters();
                chooser->reject();
            }
            return chooser != nullptr;
        });
        dialog.findChild<QPushButton*>(QStringLiteral("pushSelectExe"))->click();
        QCOMPARE(answerer.pendingAnswers(), 0);
    }
    // The dump program carries no ".exe" here, so it must be visible without changing the filter.
    QCOMPARE(seen.mid(0, 2), (QStringList{work, QStringLiteral("All Files (*)")}));
    QVERIFY(seen.mid(2).contains(QStringLiteral("Exe Files (*.exe)")));
    QVERIFY(programEdit->text().isEmpty());
    choose(dialog, "pushSelectExe", dumpTool);
    QCOMPARE(programEdit->text(), dumpTool);
    QCOMPARE(store()->value(QStringLiteral("RECENT_LOCATION")).toString(), work);
    // Nothing is stored before a backup succeeds.
    QVERIFY(!store()->contains(KeyDumpPath) && !store()->contains(KeyBackupFolder));
}

void TestBackupDialog::backupRestoresToSameRows_data()
{
    QTest::addColumn<bool>("oddCredentials");
    QTest::newRow("server user") << false;
    QTest::newRow("user and password with blanks, quotes and hash") << true;
}

void TestBackupDialog::backupRestoresToSameRows()
{
    QFETCH(bool, oddCredentials);
    if (oddCredentials) {
        store()->setValue(DB_USER, oddUser);
        store()->setValue(DB_PASSWORD, OddPassword);
    }
    const QString folder = makeFolder(QStringLiteral("target"));
    Backupdialog dialog;
    choose(dialog, "pushSelectExe", dumpTool);
    choose(dialog, "pushButtonSelect", folder);
    const QDateTime before = QDateTime::currentDateTime().addMSecs(-QTime::currentTime().msec());
    const QString message = pressBackup(dialog);
    const QDateTime after = QDateTime::currentDateTime();
    QVERIFY2(message.startsWith(SuccessStart), qPrintable(message));
    const QStringList files = backupFiles(folder);
    QCOMPARE(files.size(), 2);
    const QRegularExpression name(QStringLiteral("^(\\d{4}-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d)-(vorantel_inventory|vorantel_sales)\\.sql$"));
    QString inventoryFile, salesFile;
    for (const QString& file : files) {
        const QRegularExpressionMatch match = name.match(file);
        QVERIFY2(match.hasMatch(), qPrintable(file));
        const QDateTime stamp = QDateTime::fromString(match.captured(1), QStringLiteral("yyyy-MM-dd-HH-mm-ss"));
        QVERIFY2(stamp >= before && stamp <= after, qPrintable(file));
        (match.captured(2) == QLatin1String("vorantel_inventory") ? inventoryFile : salesFile) = folder + QLatin1Char('/') + file;
    }
    QVERIFY(!inventoryFile.isEmpty() && !salesFile.isEmpty());
    QVERIFY(TestSupport::ReadFile(inventoryFile).contains("DROP TABLE IF EXISTS `tblProducts`"));
    const QString inventoryCopy = TestDatabase::uniqueName(QStringLiteral("bk_inv_restored"));
    const QString salesCopy = TestDatabase::uniqueName(QStringLiteral("bk_sales_restored"));
    restore(inventoryFile, inventoryCopy);
    restore(salesFile, salesCopy);
    for (const QString& table : inventoryTables)
        QCOMPARE(tableState(inventoryCopy, table), tableState(inventoryDb, table));
    for (const QString& table : salesTables)
        QCOMPARE(tableState(salesCopy, table), tableState(salesDb, table));
    QCOMPARE(tableState(inventoryCopy, QStringLiteral("tblInventory")).value(0), QStringLiteral("5"));

    QCOMPARE(store()->value(KeyDumpPath).toString(), dumpTool);
    QCOMPARE(store()->value(KeyBackupFolder).toString(), folder);
}

void TestBackupDialog::passwordStaysOffTheCommandLine()
{
    const QString password = QStringLiteral("se cret#\"1'\\");
    // A user the server knows: a refused login is told before any dump starts.
    const QString host = TestDatabase::server().host;
    QSqlField quoted(QStringLiteral("p"), QVariant::String);
    quoted.setValue(password);
    QCOMPARE(TestDatabase::exec(QString(), {QStringLiteral("CREATE USER 'shop keeper'@'%1' IDENTIFIED BY %2")
                                                .arg(host, TestDatabase::connect(QStringLiteral("test_admin")).driver()->formatValue(quoted))}),
             QString());
    const auto dropUser = qScopeGuard([host] {
        TestDatabase::exec(QString(), {QStringLiteral("DROP USER IF EXISTS 'shop keeper'@'%1'").arg(host)});
    });
    store()->setValue(DB_USER, QStringLiteral("shop keeper"));
    store()->setValue(DB_PASSWORD, password);
    const QString toolFolder = makeFolder(QStringLiteral("tool"));
    const QString tool = toolFolder + QStringLiteral("/dump tool");
    QVERIFY(TestSupport::WriteFile(tool, RecordingTool));
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString folder = makeFolder(QStringLiteral("target"));
    Backupdialog dialog;
    choose(dialog, "pushSelectExe", tool);
    choose(dialog, "pushButtonSelect", folder);
    // The message may only come once both slow dumps have written their files.
    QStringList filesAtMessage;
    QString message;
    ModalAnswerer answerer;
    answerer.handle([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (!box)
            return false;
        filesAtMessage = backupFiles(folder);
        message = box->windowTitle() + QLatin1Char('|') + box->text();
        box->accept();
        return true;
    });
    dialog.findChild<QPushButton*>(QStringLiteral("pushButtonBackup"))->click();
    QCOMPARE(answerer.pendingAnswers(), 0);
    QVERIFY2(message.startsWith(SuccessStart), qPrintable(message));
    QCOMPARE(filesAtMessage.size(), 2);
    const QStringList runs = QDir(toolFolder).entryList({QStringLiteral("run.*.args")}, QDir::Files);
    QCOMPARE(runs.size(), 2);
    const TestDatabase::Server s = TestDatabase::server();
    QStringList databases;
    for (const QString& run : runs) {
        QStringList args = QString::fromUtf8(TestSupport::ReadFile(toolFolder + QLatin1Char('/') + run)).split(QLatin1Char('\n'));
        args.removeLast();
        for (const QString& arg : qAsConst(args))
            QVERIFY2(!arg.contains(QStringLiteral("se cret")), qPrintable(arg));
        QCOMPARE(args.size(), 8);
        QVERIFY2(args.at(0).startsWith(QStringLiteral("--defaults-extra-file=")), qPrintable(args.at(0)));
        QVERIFY2(!QFile::exists(args.at(0).section(QLatin1Char('='), 1)), "the password file must not outlive the backup");
        QCOMPARE(args.mid(1, 4), QStringList({QStringLiteral("--host=") + s.host, QStringLiteral("--port=%1").arg(s.port),
                                              QStringLiteral("--user=shop keeper"), QStringLiteral("--add-drop-table")}));
        QVERIFY2(args.at(5).startsWith(QStringLiteral("--result-file=") + folder + QLatin1Char('/')), qPrintable(args.at(5)));
        QCOMPARE(args.at(6), QStringLiteral("--"));
        databases << args.at(7);
        QCOMPARE(TestSupport::ReadFile(toolFolder + QLatin1Char('/') + run.chopped(4) + QStringLiteral("cnf")),
                 QByteArray("[client]\npassword=\"se cret#\\\"1'\\\\\"\n"));
    }
    QCOMPARE(QSet<QString>(databases.cbegin(), databases.cend()), (QSet<QString>{inventoryDb, salesDb}));
    QCOMPARE(databases.size(), 2);
}

void TestBackupDialog::failureSavesNoPath_data()
{
    QTest::addColumn<QString>("program");  // "real", "missing", "text file", "false"
    QTest::addColumn<QString>("settingKey");
    QTest::addColumn<QString>("settingValue"); // "@silent": the port of a listener that never answers; "@wrapped":
                                               // the server's + 65536, which the client library would take modulo
    QTest::addColumn<bool>("folderGone");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("filesLeft");

    const QStringList none;
    // Told before any dump starts: the server answered, and refused the login.
    QTest::newRow("wrong password") << "real" << DB_PASSWORD << "wrong" << false
                                    << QStringLiteral("Backup|The database server refused the login of user %1: the "
                                                      "password given is not the server's. Nothing was saved. Please "
                                                      "check the user name and password in the MySQL Server settings.")
                                           .arg(TestDatabase::server().user)
                                    << none;
    QTest::newRow("unknown sales database") << "real" << ACTIVE_SALES_DB << "bk_no_such_database" << false
                                            << "Backup|The backup of database [bk_no_such_database] failed:\n"
                                            << QStringList{QStringLiteral("vorantel_inventory.sql")};
    QTest::newRow("no inventory database") << "real" << ACTIVE_INVENTORY_DB << "" << false
                                           << "Backup|No inventory database is active. Nothing was saved." << none;
    QTest::newRow("folder removed") << "real" << QString() << QString() << true
                                    << "Backup|The destination folder [%folder] does not exist." << none;
    QTest::newRow("program removed") << "missing" << QString() << QString() << false
                                     << "Backup|Path to mysqldump.exe is not correct." << none;
    QTest::newRow("program not executable") << "text file" << QString() << QString() << false
                                            << "Backup|The backup of database [%inv] failed:\nThe program could not be started: "
                                            << none;
    QTest::newRow("program that fails silently") << "false" << QString() << QString() << false
                                                 << "Backup|The backup of database [%inv] failed:\nThe program ended with exit code 1."
                                                 << none;
    // A hung server, or another program on the server's port: the dump program would wait for it without end.
    QTest::newRow("server that takes the connection and never answers")
        << "real" << DB_PORT << "@silent" << false
        << "Backup|The database server cannot be reached. Nothing was saved. Please make sure the server is running "
           "and the network is connected, then try again."
        << none;
    QTest::newRow("port beyond 65535")
        << "real" << DB_PORT << "@wrapped" << false
        << "Backup|The database server cannot be reached. Nothing was saved. Please make sure the server is running "
           "and the network is connected, then try again."
        << none;
}

void TestBackupDialog::failureSavesNoPath()
{
    QFETCH(QString, program);
    QFETCH(QString, settingKey);
    QFETCH(QString, settingValue);
    QFETCH(bool, folderGone);
    QFETCH(QString, expected);
    QFETCH(QStringList, filesLeft);
    // What an earlier good backup left; a failed one must not replace it.
    const QString earlierFolder = makeFolder(QStringLiteral("earlier"));
    store()->setValue(KeyDumpPath, QStringLiteral("/earlier/mysqldump"));
    store()->setValue(KeyBackupFolder, earlierFolder);
    QTcpServer silent;
    if (settingValue == QLatin1String("@silent")) {
        QVERIFY(silent.listen(QHostAddress::LocalHost));
        settingValue = QString::number(silent.serverPort());
    }
    if (settingValue == QLatin1String("@wrapped"))
        settingValue = QString::number(TestDatabase::server().port + 65536);
    if (!settingKey.isEmpty())
        store()->setValue(settingKey, settingValue);

    QString tool = dumpTool;
    if (program == QLatin1String("false")) {
        tool = QStandardPaths::findExecutable(QStringLiteral("false"));
    } else if (program != QLatin1String("real")) {
        tool = makeFolder(QStringLiteral("tool")) + QStringLiteral("/mysqldump");
        QVERIFY(TestSupport::WriteFile(tool, "not a program\n"));
    }
    const QString folder = makeFolder(QStringLiteral("target"));
    Backupdialog dialog;
    choose(dialog, "pushSelectExe", tool);
    choose(dialog, "pushButtonSelect", folder);
    if (program == QLatin1String("missing"))
        QVERIFY(QFile::remove(tool));
    if (folderGone)
        QVERIFY(QDir(folder).removeRecursively());
    QElapsedTimer told;
    told.start();
    const QString message = pressBackup(dialog);
    // No failure holds the dialog longer than the connect bound.
    QVERIFY2(told.elapsed() < 12000, qPrintable(QString::number(told.elapsed())));
    expected.replace(QStringLiteral("%inv"), inventoryDb).replace(QStringLiteral("%folder"), folder);
    QVERIFY2(message.startsWith(expected), qPrintable(message));

    QCOMPARE(store()->value(KeyDumpPath).toString(), QStringLiteral("/earlier/mysqldump"));
    QCOMPARE(store()->value(KeyBackupFolder).toString(), earlierFolder);
    QStringList left = backupFiles(folder);
    for (QString& file : left)
        file = file.mid(20); // past the time stamp
    QCOMPARE(left, filesLeft);
    QVERIFY(backupFiles(earlierFolder).isEmpty());
}

VORANTEL_TEST_MAIN(TestBackupDialog)
#include "tst_backupdialog.moc"
