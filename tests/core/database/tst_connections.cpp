#include "databasetest.h"
#include "privateserver.h"
#include "sqlproxy.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

using namespace DatabaseTest;

// Connections the server drops (KILL, idle timeout, restart): reopened before the next
// statement, never inside a transaction, and the status buttons told the truth.
class TestConnections : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { f.reset(); }
    void cleanup() { f.finish(); }
    void cleanupTestCase();

    void killedConnectionReopens_data();
    void killedConnectionReopens();
    void lostInsideTransactionIsNotRetried();
    void serverStoppedAndStartedAgain_data();
    void serverStoppedAndStartedAgain();
    void testServerGoesWithItsTest_data();
    void testServerGoesWithItsTest();
    void failedStartEndsWithTheServer();
    void serverFoundFromAnotherLoginSession_data();
    void serverFoundFromAnotherLoginSession();
    void stopSignalsOnlyItsServer_data();
    void stopSignalsOnlyItsServer();
    void socketFolderCheckedBeforeSetUp_data();
    void socketFolderCheckedBeforeSetUp();
    void socketFolderFallsBackToTmp_data();
    void socketFolderFallsBackToTmp();
    void serverClosedToOtherAccounts_data();
    void serverClosedToOtherAccounts();
    void watchStopsTheServerOfARemovedFolder();
    void printedStepsLetTheScriptIn_data();
    void printedStepsLetTheScriptIn();
    void serverPortOutsideTheLentRange_data();
    void serverPortOutsideTheLentRange();
    void keptPortTakenGivesWayToANewOne();
    void settingsFollowTheServer_data();
    void settingsFollowTheServer();
    void stepStopsWithItsOwnLine_data();
    void stepStopsWithItsOwnLine();
    void seederRefusesWhatItDoesNotKnow_data();
    void seederRefusesWhatItDoesNotKnow();

private:
    static QString connectionId(QSqlQuery* query)
    {
        return query->exec(QStringLiteral("SELECT CONNECTION_ID()")) && query->next() ? query->value(0).toString()
                                                                                      : QString();
    }
    static QString kill(const QString& id)
    {
        return TestDatabase::exec(QString(), {QStringLiteral("KILL %1").arg(id)});
    }
    QSqlQuery* shared(int kind)
    {
        return kind == 1 ? DatabaseManager::Instance()->InventoryQuery() : DatabaseManager::Instance()->SalesQuery();
    }

    QString inventoryDb;
    QString salesDb;
    Fixture f;
};

void TestConnections::initTestCase()
{
    REQUIRE_TEST_SERVER();
    f.start(this);
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("conn_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("conn_sales"));
    QCOMPARE(Create(1, inventoryDb), QString());
    QCOMPARE(Create(2, salesDb), QString());
}

void TestConnections::cleanupTestCase()
{
    ResetManager();
    TestDatabase::dropDatabase(inventoryDb);
    TestDatabase::dropDatabase(salesDb);
}

void TestConnections::killedConnectionReopens_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("inventory") << 1;
    QTest::newRow("sales") << 2;
}

void TestConnections::killedConnectionReopens()
{
    QFETCH(int, kind);
    SetActive(1, inventoryDb);
    SetActive(2, salesDb);
    const QString before = connectionId(shared(kind));
    QVERIFY(!before.isEmpty());
    QCOMPARE(kill(before), QString());
    f.listener.calls.clear();

    // The next statement works, on a new session, without any logout.
    QSqlQuery* query = shared(kind);
    QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblVorantel")));
    QVERIFY(query->next());
    QCOMPARE(query->value(0).toInt(), 1);
    const QString after = connectionId(shared(kind));
    QVERIFY(!after.isEmpty() && after != before);
    const QString side = kind == 1 ? QStringLiteral("inventory") : QStringLiteral("sales");
    QCOMPARE(f.listener.calls, QStringList{side + QStringLiteral(" 1")});
    QVERIFY(kind == 1 ? DatabaseManager::Instance()->inventoryOpen : DatabaseManager::Instance()->salesOpen);
}

void TestConnections::lostInsideTransactionIsNotRetried()
{
    SetActive(1, inventoryDb);
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlDatabase* db = manager->InventoryDatabase();
    const QString id = connectionId(manager->InventoryQuery());
    QVERIFY(manager->BeginTransaction(db));
    QSqlQuery* query = manager->InventoryQuery();
    QVERIFY_SQL(*query, exec(QStringLiteral("INSERT INTO tblCustomers (NAME) VALUES ('first half')")));
    QCOMPARE(kill(id), QString());

    // Reopened here, the second half would be committed on its own.
    query = manager->InventoryQuery();
    QVERIFY(!query->exec(QStringLiteral("INSERT INTO tblCustomers (NAME) VALUES ('second half')")));
    QVERIFY2(query->lastError().text().contains(QLatin1String("gone away"))
                 || query->lastError().text().contains(QLatin1String("Lost connection")),
             qPrintable(query->lastError().text()));
    QVERIFY(!manager->CommitTransaction(db));
    QCOMPARE(Rows(inventoryDb, QStringLiteral("SELECT COUNT(*) FROM tblCustomers")), QStringList{"0"});

    // Once the transaction is over, the next statement runs again.
    query = manager->InventoryQuery();
    QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblCustomers")));
}

void TestConnections::serverStoppedAndStartedAgain_data()
{
    QTest::addColumn<bool>("silent");
    QTest::newRow("stopped") << false;
    // A hung server, or another program on its port.
    QTest::newRow("port that takes connections and never answers") << true;
}

void TestConnections::serverStoppedAndStartedAgain()
{
    QFETCH(bool, silent);
    PrivateServer server;
    QCOMPARE(server.start(), QString());
    TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
    UseFixtureServer();
    SqlProxy proxy(server.host(), server.port());
    if (silent)
        DatabaseManager::Instance()->SetConnectionParameters(server.user(), server.password(), proxy.port(),
                                                             proxy.host());
    const auto restore = qScopeGuard([] {
        ResetManager();
        TestDatabase::useServer({});
        UseFixtureServer();
    });
    const QString name = TestDatabase::uniqueName(QStringLiteral("conn_restart"));
    QCOMPARE(Create(1, name), QString());
    SetActive(1, name);
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlQuery* query = manager->InventoryQuery();
    QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    QVERIFY(manager->inventoryOpen);

    if (silent)
        proxy.setSilent(true);
    else
        QCOMPARE(server.stop(), QString());
    f.listener.calls.clear();
    QElapsedTimer told;
    told.start();
    query = manager->InventoryQuery();
    // The attempt to reopen gives up within the connect bound.
    QVERIFY2(told.elapsed() < 12000, qPrintable(QString::number(told.elapsed())));
    QVERIFY(!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    QVERIFY(!manager->inventoryOpen);
    QCOMPARE(f.listener.calls, QStringList{"inventory 0"});
    // Still down: still off, no message box, and no new attempt for every statement of a screen.
    query = manager->InventoryQuery();
    QVERIFY(!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    QCOMPARE(f.listener.calls, QStringList{"inventory 0"});

    // Back again: a later request reopens it (attempts are a moment apart, and not made again in the action that
    // found the server silent).
    if (silent)
        proxy.setSilent(false);
    else
        QCOMPARE(server.start(), QString());
    TestSupport::Idle();
    QTRY_VERIFY_WITH_TIMEOUT((query = manager->InventoryQuery())->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")),
                             10000);
    QVERIFY(query->next());
    QCOMPARE(query->value(0).toInt(), 5);
    QVERIFY(manager->inventoryOpen);
    QCOMPARE(f.listener.calls.last(), QStringLiteral("inventory 1"));
    QVERIFY(f.answerer->messages().isEmpty());
}

namespace {
// The environment of a login session whose XDG_RUNTIME_DIR is runtime (none when empty).
QProcessEnvironment Session(const QString& runtime)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (runtime.isEmpty())
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    else
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

struct Outcome
{
    int code = -1; // -1: it did not end by itself
    QString output;
};

// The program run as this account, or as the one named.
Outcome RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
                   const QString& account = QString(), const QByteArray& input = QByteArray())
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setProcessEnvironment(env);
    if (account.isEmpty())
        process.start(program, arguments);
    else
        process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=") + account, program} + arguments);
    process.write(input);
    process.closeWriteChannel();
    Outcome outcome;
    if (process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit)
        outcome.code = process.exitCode();
    outcome.output = QString::fromLocal8Bit(process.readAll());
    return outcome;
}

// The script run as this account, or as the one named.
Outcome Run(const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
            const QString& account = QString(), const QByteArray& input = QByteArray())
{
    return RunProgram(QStringLiteral(VORANTEL_SCRIPTS_DIR "/mariadb.sh"), arguments, env, account, input);
}

// A command line as printed, typed in by the account with no terminal (a password prompt then reads the input);
// $0 is the argument.
Outcome Typed(const QString& line, const QString& account, const QByteArray& input = QByteArray(),
              const QString& argument = QString())
{
    return RunProgram(QStringLiteral("setsid"), {QStringLiteral("-w"), QStringLiteral("bash"), QStringLiteral("-c"), line, argument},
                      Session(QString()), account, input);
}

// The environment of ./run.sh's server step with its data and the program's settings in home.
QProcessEnvironment StepEnvironment(const QString& home, QProcessEnvironment env)
{
    env.insert(QStringLiteral("XDG_DATA_HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    return env;
}

Outcome RunServerStep(const QString& home, QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
                      const QString& seeder = QStringLiteral(SEED_SETTINGS))
{
    return RunProgram(QStringLiteral(VORANTEL_SCRIPTS_DIR "/run-server.sh"), {seeder}, StepEnvironment(home, env));
}

// The program's setting the step wrote in home; with a value, set to it.
QString StepSetting(const QString& home, const QString& key, const QString& value = QString())
{
    QDirIterator stores(home + QStringLiteral("/config"), {QStringLiteral("*.conf")}, QDir::Files, QDirIterator::Subdirectories);
    if (!stores.hasNext())
        return QString();
    QSettings store(stores.next(), QSettings::IniFormat);
    if (!value.isEmpty())
        store.setValue(key, value);
    return store.value(key).toString();
}

// A process of another account (nobody) whose arguments name the data folder as a server's, as any account may start:
// it answers the MySQL greeting on port, asks each client to switch to a clear-text login, and prints what it is sent.
void StartImpostor(QProcess& impostor, const QString& data, int port)
{
    const QString code = QStringLiteral(
        "import socket, sys\n"
        "s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
        "s.bind(('127.0.0.1', int(sys.argv[1]))); s.listen(9); print('ready', flush=True)\n"
        "def send(c, seq, body): c.sendall(len(body).to_bytes(3, 'little') + bytes([seq]) + body)\n"
        "while True:\n"
        "    c = s.accept()[0]; c.settimeout(5)\n"
        "    try:\n"
        "        send(c, 0, b'\\x0a10.11.19-MariaDB\\0\\1\\0\\0\\0abcdefgh\\0\\xff\\xf7\\x21\\2\\0\\x08\\0\\x15'\n"
        "             + bytes(10) + b'ijklmnopqrst\\0mysql_native_password\\0')\n"
        "        sys.stdout.buffer.write(c.recv(4096)); sys.stdout.flush()\n"
        "        send(c, 2, b'\\xfemysql_clear_password\\0')\n"
        "        sys.stdout.buffer.write(c.recv(4096)); sys.stdout.flush()\n"
        "        send(c, 4, b'\\xff\\x15\\x04#28000Access denied')\n"
        "    except OSError: pass\n"
        "    c.close()\n");
    impostor.start(QStringLiteral("setpriv"),
                   {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                    QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"), code, QString::number(port),
                    QStringLiteral("--datadir=") + data, QStringLiteral("--pid-file=%1/mysqld.pid").arg(data),
                    QStringLiteral("--port=%1").arg(port)});
    while (impostor.waitForReadyRead(10000) && !impostor.canReadLine()) {
    }
    impostor.readLine();
}

// input: the password, for user.
QString Script(const QStringList& arguments,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), const QByteArray& input = QByteArray())
{
    const Outcome outcome = Run(arguments, env, QString(), input);
    return outcome.code == 0 ? QString() : QStringLiteral("mariadb.sh failed: ") + outcome.output;
}

// Nobody may reap a server whose starter has ended: an ended process counts as gone.
bool Alive(int pid)
{
    const QByteArray stat = TestSupport::ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
    return pid > 0 && !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

QString OwnedBy(const QProcess& owner)
{
    return QStringLiteral("--owner=%1").arg(owner.processId());
}

// Starts the folder's server on a free port, and sets said to what the start said. A port is free when it is
// looked at, and another program (a test beside this one) may take it before the server binds it: the server is
// then started on another.
QString Start(const QString& data, int* port, const QStringList& more = {},
              const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), QString* said = nullptr)
{
    Outcome outcome;
    for (int attempt = 0; attempt < 3; ++attempt) {
        *port = PrivateServer::FreePort();
        outcome = Run(QStringList{QStringLiteral("start"), data, QString::number(*port)} + more, env);
        if (!outcome.output.contains(QLatin1String("Address already in use")))
            break;
    }
    if (said)
        *said = outcome.output;
    return outcome.code == 0 ? QString() : QStringLiteral("mariadb.sh failed: ") + outcome.output;
}

int ServerPid(const QString& data)
{
    return TestSupport::ReadFile(data + QStringLiteral("/mysqld.pid")).trimmed().toInt();
}

// Logs in over TCP and runs the statement; its first value (empty when it has none), or the error.
QString LogIn(int port, const QString& user, const QString& password,
              const QString& statement = QStringLiteral("SELECT CURRENT_USER()"))
{
    const QString name = QStringLiteral("login_%1_%2").arg(port).arg(user);
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
        db.setHostName(QStringLiteral("127.0.0.1"));
        db.setPort(port);
        db.setUserName(user);
        db.setPassword(password);
        QSqlQuery query(db);
        if (!db.open())
            result = QStringLiteral("refused: ") + db.lastError().text();
        else if (!query.exec(statement))
            result = QStringLiteral("failed: ") + query.lastError().text();
        else if (query.next())
            result = query.value(0).toString();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

// The socket's folder the script makes for the data folder under runtime.
QString SocketFolder(const QString& runtime, const QString& data)
{
    return runtime + QStringLiteral("/vorantel-mariadb-")
           + QString::fromLatin1(QCryptographicHash::hash(data.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

// A short XDG_RUNTIME_DIR, as a login session's: the socket's path then stays under 107 bytes.
QString Runtime()
{
    return QStringLiteral("/tmp/vorantel-run.XXXXXX");
}

QString Me()
{
    const passwd* entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

// Sets the folder up and starts its server as an earlier version of the script did, as the account (this one when
// empty): root and anonymous accounts with empty passwords, its socket in the data folder. The error, or empty.
QString StartEarlier(const QString& data, int* port, const QString& account = QString())
{
    const QString me = account.isEmpty() ? Me() : account;
    QProcessEnvironment env = Session(QString());
    if (!account.isEmpty())
        env.remove(QStringLiteral("TMPDIR")); // the test's own
    const Outcome install = RunProgram(QStandardPaths::findExecutable(QStringLiteral("mariadb-install-db")),
                                       {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                                        QStringLiteral("--user=") + me, QStringLiteral("--auth-root-authentication-method=normal")},
                                       env, account);
    if (install.code != 0)
        return install.output;
    const QString mariadbd = QStandardPaths::findExecutable(QStringLiteral("mariadbd"), {QStringLiteral("/usr/sbin")});
    qint64 server = 0;
    for (int attempt = 0; attempt < 3 && !Alive(int(server)); ++attempt) {
        *port = PrivateServer::FreePort();
        QStringList command{mariadbd, QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                            QStringLiteral("--socket=%1/mysqld.sock").arg(data), QStringLiteral("--pid-file=%1/mysqld.pid").arg(data),
                            QStringLiteral("--port=%1").arg(*port), QStringLiteral("--bind-address=127.0.0.1"),
                            QStringLiteral("--user=") + me, QStringLiteral("--skip-log-bin"),
                            QStringLiteral("--log-error=%1/server.log").arg(data)};
        if (!account.isEmpty())
            command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=") + account} + command;
        QProcess starter;
        starter.setProcessEnvironment(env);
        starter.setProgram(command.takeFirst());
        starter.setArguments(command);
        if (!starter.startDetached(&server))
            return QStringLiteral("mariadbd did not start");
        QDeadlineTimer deadline(30000);
        while (Alive(int(server)) && !deadline.hasExpired() && Run({QStringLiteral("running"), data}, env, account).code != 0)
            QTest::qWait(100);
    }
    return Alive(int(server)) && ServerPid(data) == int(server) ? QString() : QStringLiteral("the earlier server did not start");
}

// The socket the server on port listens on, asked over TCP as a user the script made through that socket.
QString SocketOf(const QString& data, int port)
{
    const QString error = Script({QStringLiteral("user"), data, QStringLiteral("sock_user")}, QProcessEnvironment::systemEnvironment(),
                                 "sock_pw_1");
    return error.isEmpty() ? LogIn(port, QStringLiteral("sock_user"), QStringLiteral("sock_pw_1"), QStringLiteral("SELECT @@socket"))
                           : error;
}

} // namespace

void TestConnections::testServerGoesWithItsTest_data()
{
    QTest::addColumn<bool>("anotherRun");
    QTest::addColumn<int>("pathLength"); // of the data folder; 0: in the test's scratch folder
    QTest::addColumn<QString>("name");   // of the data folder, in the test's folder
    QTest::newRow("its test killed") << false << 0 << "data";
    QTest::newRow("another run starts on its folder") << true << 0 << "data";
    // A socket's path holds 107 bytes at most.
    QTest::newRow("data folder of 200 characters") << false << 200 << "data";
    QTest::newRow("data folder whose path holds spaces") << false << 0 << "My Shop/data files";
}

// A test's server stops when the test ends, however it ends; one another run left on the folder stops first.
void TestConnections::testServerGoesWithItsTest()
{
    QFETCH(bool, anotherRun);
    QFETCH(int, pathLength);
    QFETCH(QString, name);
    QTemporaryDir parent(pathLength ? QStringLiteral("/tmp/vorantel-conn.XXXXXX") : QString());
    QString data = parent.path() + QLatin1Char('/') + name;
    if (pathLength) {
        data += QString(pathLength - data.length(), QLatin1Char('d'));
        QCOMPARE(data.length(), pathLength);
    }
    QProcess tests[2]; // stand-ins for the test programs that own the server
    for (QProcess& test : tests) {
        test.start(QStringLiteral("sleep"), {QStringLiteral("600")});
        QVERIFY(test.waitForStarted());
    }
    const auto end = qScopeGuard([&tests, data] {
        for (QProcess& test : tests) {
            test.kill();
            test.waitForFinished();
        }
        Script({QStringLiteral("stop"), data});
    });
    int serverPort = 0;

    // Started, used through its socket and over TCP, stopped and started again.
    QCOMPARE(Start(data, &serverPort, {OwnedBy(tests[0])}), QString());
    QCOMPARE(Script({QStringLiteral("running"), data}), QString());
    const QString socket = SocketOf(data, serverPort);
    const QString socketDir = QFileInfo(socket).absolutePath();
    QVERIFY2(QFileInfo::exists(socket), qPrintable(socket));
    const QFile::Permissions anyone = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                      | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther
                                      | QFile::ExeOther;
    QCOMPARE(QFile::permissions(socketDir) & anyone, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const int stopped = ServerPid(data);
    QCOMPARE(Script({QStringLiteral("stop"), data}), QString());
    QVERIFY(!Alive(stopped));
    QVERIFY(!QFileInfo::exists(socketDir));
    QVERIFY(!Script({QStringLiteral("running"), data}).isEmpty());
    QCOMPARE(Start(data, &serverPort, {OwnedBy(tests[0])}), QString());
    const int first = ServerPid(data);
    QVERIFY(first != stopped && Alive(first));
    if (anotherRun) {
        QCOMPARE(Start(data, &serverPort, {OwnedBy(tests[1])}), QString());
        QVERIFY(!Alive(first));
        const int second = ServerPid(data);
        QVERIFY(second != first && Alive(second));
        tests[1].kill();
        tests[1].waitForFinished();
        QTRY_VERIFY_WITH_TIMEOUT(!Alive(second), 30000);
    } else {
        tests[0].kill();
        tests[0].waitForFinished();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(data), 30000);
    QVERIFY(!Alive(first));
    QVERIFY(!QFileInfo::exists(socketDir));
}

// A server that ends while starting (its port taken) ends the start too, which shows why, and leaves no socket folder.
void TestConnections::failedStartEndsWithTheServer()
{
    QTemporaryDir parent;
    QTemporaryDir runtime(Runtime());
    const QString data = parent.path() + QStringLiteral("/data");
    const QProcessEnvironment session = Session(runtime.path());
    const auto end = qScopeGuard([data, session] { Script({QStringLiteral("stop"), data}, session); });
    int port = 0;
    QCOMPARE(Start(data, &port, {}, session), QString());
    QCOMPARE(Script({QStringLiteral("stop"), data}, session), QString());

    QTcpServer taken;
    QVERIFY(taken.listen(QHostAddress::LocalHost, 0));
    QElapsedTimer clock;
    clock.start();
    const QString output = Script({QStringLiteral("start"), data, QString::number(taken.serverPort())}, session);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(output.contains(QLatin1String("[ERROR] Can't start server: Bind on TCP/IP port. Got error: 98: Address already in use")),
             qPrintable(output));
    QVERIFY2(elapsed < 10000, qPrintable(QString::number(elapsed)));
    QCOMPARE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList());
}

void TestConnections::serverFoundFromAnotherLoginSession_data()
{
    QTest::addColumn<QString>("session");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("running");      // its exit code; start serves on 0 only
    QTest::addColumn<QString>("told");     // by running and start, a pattern; empty: nothing
    QTest::addColumn<QString>("userTold"); // empty: user still administers it through its socket
    const QString neither = QStringLiteral("answers neither on its socket");
    const QString restart = QStringLiteral("stop it with");
    QTest::newRow("another XDG_RUNTIME_DIR") << "another" << QStringList() << 0 << "" << "";
    QTest::newRow("no XDG_RUNTIME_DIR") << "none" << QStringList() << 0 << "" << "";
    QTest::newRow("its socket folder emptied, as a logout does") << "emptied" << QStringList() << 0 << "" << restart;
    // Told at once, never given a second server that would wait for the folder's lock.
    QTest::newRow("its socket folder emptied, no port") << "emptied" << QStringList{"--skip-networking"} << 3 << neither << neither;
    QTest::newRow("stopped (SIGSTOP), its socket still there") << "frozen" << QStringList() << 3 << neither << neither;
    // A folder whose accounts the script never closed, as an earlier version's.
    QTest::newRow("its socket folder emptied, its accounts never closed")
        << "earlier" << QStringList() << 0 << "stay open.* stop it with .* stop .* start it again with .* start " << restart;
    QTest::newRow("its socket folder made writable by others")
        << "writable" << QStringList() << 0 << "" << "may be written by other accounts";
}

// A server started in one login session is found, used and stopped from another, and never given a second one.
void TestConnections::serverFoundFromAnotherLoginSession()
{
    QFETCH(QString, session);
    QFETCH(QStringList, options);
    QFETCH(int, running);
    QFETCH(QString, told);
    QFETCH(QString, userTold);
    QTemporaryDir parent;
    QTemporaryDir first(Runtime());
    QTemporaryDir another(Runtime());
    const QString data = parent.path() + QStringLiteral("/data");
    const QString socketFolder = SocketFolder(first.path(), data);
    int server = 0;
    const auto end = qScopeGuard([data, &first, &server] {
        ::kill(server, SIGCONT);
        Script({QStringLiteral("stop"), data}, Session(first.path()));
    });
    int port = 0;
    QCOMPARE(Start(data, &port, options, Session(first.path())), QString());
    QCOMPARE(Script({QStringLiteral("user"), data, QStringLiteral("session_user")}, Session(first.path()), "session_pw_1"),
             QString());
    server = ServerPid(data);
    QVERIFY(Alive(server));

    QProcessEnvironment now = Session(first.path());
    if (session == QLatin1String("another"))
        now = Session(another.path());
    else if (session == QLatin1String("none"))
        now = Session(QString());
    else if (session == QLatin1String("frozen"))
        QCOMPARE(::kill(server, SIGSTOP), 0);
    else if (session == QLatin1String("writable"))
        QVERIFY(QFile::setPermissions(socketFolder, QFile::permissions(socketFolder) | QFile::WriteOther | QFile::ExeOther));
    else
        QVERIFY(QDir(socketFolder).removeRecursively());
    if (session == QLatin1String("earlier"))
        QVERIFY(QFile::remove(data + QStringLiteral("/accounts.closed")));

    // A server that does not answer is told, not waited for.
    for (const QStringList& command : {QStringList{QStringLiteral("running"), data},
                                       QStringList{QStringLiteral("start"), data, QString::number(port)}}) {
        QElapsedTimer clock;
        clock.start();
        const Outcome outcome = Run(command, now);
        QVERIFY2(clock.elapsed() < 15000, qPrintable(QString::number(clock.elapsed())));
        const int code = command.first() == QLatin1String("running") ? running : (running ? 1 : 0);
        QVERIFY2(outcome.code == code && outcome.output.contains(QRegularExpression(told))
                     && outcome.output.isEmpty() == told.isEmpty(),
                 qPrintable(QStringLiteral("%1 %2: %3").arg(command.first()).arg(outcome.code).arg(outcome.output)));
    }
    QCOMPARE(ServerPid(data), server);
    QCOMPARE(QDir(another.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    const QString user = Script({QStringLiteral("user"), data, QStringLiteral("session_user")}, now, "session_pw_2");
    QVERIFY2(userTold.isEmpty() ? user.isEmpty() : user.contains(userTold), qPrintable(user));
    if (session == QLatin1String("writable"))
        QVERIFY2(user.contains(QStringLiteral("remove its folder with rm -r -- ") + socketFolder), qPrintable(user));
    const QString password = userTold.isEmpty() ? QStringLiteral("session_pw_2") : QStringLiteral("session_pw_1");
    if (running == 0)
        QCOMPARE(LogIn(port, QStringLiteral("session_user"), password), QStringLiteral("session_user@localhost"));
    if (session == QLatin1String("writable")) {
        // The advice followed as printed: out, the folder removed, and in again, through a socket of its own.
        const QRegularExpressionMatch advice
            = QRegularExpression(QStringLiteral("stop it with (.*), remove its folder with (.*), and start it again with (.*)$"),
                                 QRegularExpression::MultilineOption)
                  .match(user);
        QVERIFY2(advice.hasMatch(), qPrintable(user));
        for (int command = 1; command <= 3; ++command) {
            const Outcome typed = RunProgram(QStringLiteral("bash"), {QStringLiteral("-c"), advice.captured(command)}, now);
            QVERIFY2(typed.code == 0, qPrintable(advice.captured(command) + QLatin1String(": ") + typed.output));
        }
        QVERIFY(!Alive(server));
        server = ServerPid(data);
        QCOMPARE(Script({QStringLiteral("user"), data, QStringLiteral("session_user")}, now, "session_pw_3"), QString());
        QCOMPARE(LogIn(port, QStringLiteral("session_user"), QStringLiteral("session_pw_3")), QStringLiteral("session_user@localhost"));
    }

    QCOMPARE(::kill(server, SIGCONT), 0);
    if (session == QLatin1String("writable"))
        QVERIFY(QFile::setPermissions(socketFolder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(Script({QStringLiteral("stop"), data}, now), QString());
    QVERIFY(!Alive(server));
    QVERIFY(!QFileInfo::exists(socketFolder));
    QCOMPARE(Run({QStringLiteral("running"), data}, now).code, 1);
}

void TestConnections::stopSignalsOnlyItsServer_data()
{
    QTest::addColumn<QStringList>("process"); // what the pid file names; empty: a process that has ended
    QTest::addColumn<QString>("owner");       // the account it runs as; empty: this one
    QTest::addColumn<QString>("stopper");     // the account that runs stop; empty: this one
    QTest::addColumn<QString>("told");        // stop fails, saying so; empty: it succeeds
    // One process: a shell would leave its sleep behind.
    const QStringList sleeper{"perl", "-e", "sleep 600", "--", "--datadir=DATA"};
    QTest::newRow("another process") << QStringList{"sleep", "600"} << "" << "" << "";
    QTest::newRow("a process naming the folder") << sleeper << "" << "" << "";
    QTest::newRow("a process that has ended") << QStringList() << "" << "" << "";
    QTest::newRow("the folder's server, of a third account")
        << sleeper + QStringList{"--pid-file=DATA/mysqld.pid"} << "daemon" << "nobody" << "runs as another account";
}

// A killed server leaves its pid file; its pid may be any process's now, which stop leaves alone.
void TestConnections::stopSignalsOnlyItsServer()
{
    QFETCH(QStringList, process);
    QFETCH(QString, owner);
    QFETCH(QString, stopper);
    QFETCH(QString, told);
    if (!owner.isEmpty() && geteuid() != 0)
        QSKIP("only root runs processes as other accounts");
    QTemporaryDir parent(QStringLiteral("/tmp/vorantel-conn.XXXXXX"));
    const QString data = parent.path() + QStringLiteral("/data");
    QVERIFY(QDir().mkpath(data));
    if (!stopper.isEmpty()) {
        // The stopper's own folder.
        QVERIFY(QFile::setPermissions(parent.path(), QFile::permissions(parent.path()) | QFile::ExeOther));
        const passwd* account = getpwnam(stopper.toLocal8Bit().constData());
        QVERIFY(account && ::chown(data.toLocal8Bit().constData(), account->pw_uid, account->pw_gid) == 0);
    }
    const bool ended = process.isEmpty();
    if (ended)
        process = QStringList{QStringLiteral("true")};
    process.replaceInStrings(QStringLiteral("DATA"), data);
    if (!owner.isEmpty())
        process = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=") + owner} + process;
    QProcess other;
    other.start(process.takeFirst(), process);
    QVERIFY(other.waitForStarted());
    const qint64 pid = other.processId();
    if (ended)
        QVERIFY(other.waitForFinished());
    const auto end = qScopeGuard([&other] {
        other.kill();
        other.waitForFinished();
    });
    QVERIFY(TestSupport::WriteFile(data + QStringLiteral("/mysqld.pid"), QByteArray::number(pid) + '\n'));

    QElapsedTimer clock;
    clock.start();
    const Outcome stopped = Run({QStringLiteral("stop"), data}, QProcessEnvironment::systemEnvironment(), stopper);
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(told.isEmpty() ? stopped.code == 0 : stopped.code > 0 && stopped.output.contains(told), qPrintable(stopped.output));
    QCOMPARE(Alive(int(pid)), !ended);
    QCOMPARE(QFileInfo::exists(data + QStringLiteral("/mysqld.pid")), !told.isEmpty());
}

void TestConnections::socketFolderCheckedBeforeSetUp_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("used");
    QTest::newRow("made beforehand with mode 755") << "755" << false;
    QTest::newRow("a link to a folder of mode 700") << "link" << false;
    QTest::newRow("this user's with mode 700, left by a killed server") << "700" << true;
}

// The socket's folder is the user's own, mode 700 and no link, or nothing is set up or started.
void TestConnections::socketFolderCheckedBeforeSetUp()
{
    QFETCH(QString, kind);
    QFETCH(bool, used);
    QTemporaryDir parent;
    QTemporaryDir runtime(Runtime());
    const QString data = parent.path() + QStringLiteral("/data");
    const QString folder = SocketFolder(runtime.path(), data);
    const auto end = qScopeGuard([data, &runtime] { Script({QStringLiteral("stop"), data}, Session(runtime.path())); });
    if (kind == QLatin1String("link")) {
        QVERIFY(QDir().mkpath(runtime.path() + QStringLiteral("/target")));
        QVERIFY(QFile::setPermissions(runtime.path() + QStringLiteral("/target"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(QFile::link(runtime.path() + QStringLiteral("/target"), folder));
    } else {
        QVERIFY(QDir().mkpath(folder));
        QFile::Permissions mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
        if (kind == QLatin1String("755"))
            mode |= QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(folder, mode));
    }

    int port = 0;
    const QString output = Start(data, &port, {}, Session(runtime.path()));
    if (used) {
        QCOMPARE(output, QString());
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/mysqld.sock")));
    } else {
        QVERIFY2(output.contains(QLatin1String("refusing to use it")), qPrintable(output));
        QVERIFY(!QFileInfo::exists(data));
        // The advice followed as printed.
        const QRegularExpressionMatch advice
            = QRegularExpression(QStringLiteral("refusing to use it; remove its folder with (.*) and start again$"),
                                 QRegularExpression::MultilineOption)
                  .match(output);
        QVERIFY2(advice.hasMatch()
                     && RunProgram(QStringLiteral("bash"), {QStringLiteral("-c"), advice.captured(1)}, Session(runtime.path())).code == 0,
                 qPrintable(output));
        QCOMPARE(Start(data, &port, {}, Session(runtime.path())), QString());
    }
}

void TestConnections::socketFolderFallsBackToTmp_data()
{
    QTest::addColumn<QString>("runtime"); // under the test's folder
    QTest::addColumn<bool>("made");
    QTest::newRow("XDG_RUNTIME_DIR that does not exist") << "missing" << false;
    QTest::newRow("XDG_RUNTIME_DIR too long for a socket's path") << QString(90, QLatin1Char('r')) << true;
}

void TestConnections::socketFolderFallsBackToTmp()
{
    QFETCH(QString, runtime);
    QFETCH(bool, made);
    QTemporaryDir parent(QStringLiteral("/tmp/vorantel-conn.XXXXXX"));
    const QString data = parent.path() + QStringLiteral("/data");
    runtime = parent.path() + QLatin1Char('/') + runtime;
    if (made)
        QVERIFY(QDir().mkpath(runtime));
    const auto end = qScopeGuard([data, runtime] { Script({QStringLiteral("stop"), data}, Session(runtime)); });
    int port = 0;
    QCOMPARE(Start(data, &port, {}, Session(runtime)), QString());
    QCOMPARE(Script({QStringLiteral("user"), data, QStringLiteral("sock_user")}, Session(runtime), "sock_pw_1"), QString());
    QCOMPARE(LogIn(port, QStringLiteral("sock_user"), QStringLiteral("sock_pw_1")), QStringLiteral("sock_user@localhost"));
    QVERIFY(QFileInfo(SocketFolder(QStringLiteral("/tmp"), data) + QStringLiteral("/mysqld.sock")).exists());
}

void TestConnections::serverClosedToOtherAccounts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a new data folder") << "new";
    // Root and anonymous accounts with empty passwords; its socket in the data folder.
    QTest::newRow("set up and started by an earlier version") << "earlier";
    QTest::newRow("an earlier version's server found running") << "earlier, running";
    QTest::newRow("an earlier version's server found running by ./run.sh") << "earlier, run.sh";
    // The script is shut out, and the owner is not.
    QTest::newRow("a folder whose root was given a password") << "root password";
    // A password-less way that is not the account's first.
    QTest::newRow("accounts whose second way has no password") << "second way";
}

// Root with an empty password, or any name (an anonymous account), cannot log in over TCP; the application user can.
void TestConnections::serverClosedToOtherAccounts()
{
    QFETCH(QString, kind);
    const bool earlier = kind.startsWith(QLatin1String("earlier"));
    // Not in the test's folder, whose path may hold a space: the earlier version's set-up cannot take one.
    QTemporaryDir parent(QStringLiteral("/tmp/vorantel-conn.XXXXXX"));
    const bool runSh = kind.endsWith(QLatin1String("run.sh"));
    const QString data = parent.path() + (runSh ? QStringLiteral("/vorantel/mariadb") : QStringLiteral("/data"));
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    const QStringList makeUser{QStringLiteral("user"), data, QStringLiteral("closed_user")};
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    int port = 0;
    if (earlier) {
        QCOMPARE(StartEarlier(data, &port), QString());
        QCOMPARE(Script(makeUser, env, "closed_pw_1"), QString());
        QCOMPARE(LogIn(port, QStringLiteral("closed_user"), QStringLiteral("closed_pw_1")),
                 QStringLiteral("closed_user@localhost"));
    } else {
        QCOMPARE(Start(data, &port), QString());
        QCOMPARE(Script(makeUser, env, "closed_pw_1"), QString());
    }
    const bool shutOut = kind == QLatin1String("root password");
    if (kind == QLatin1String("second way")) {
        for (const QString& account : {QStringLiteral("'twin'"), QStringLiteral("''")})
            QCOMPARE(LogIn(port, QStringLiteral("closed_user"), QStringLiteral("closed_pw_1"),
                           QStringLiteral("CREATE USER %1@'127.0.0.1' IDENTIFIED VIA mysql_native_password USING PASSWORD('twin_pw_1')"
                                          " OR mysql_native_password USING PASSWORD('')").arg(account)),
                     QString());
        QCOMPARE(LogIn(port, QStringLiteral("twin"), QString()), QStringLiteral("twin@127.0.0.1"));
    }
    if (shutOut)
        QCOMPARE(LogIn(port, QStringLiteral("closed_user"), QStringLiteral("closed_pw_1"),
                       QStringLiteral("ALTER USER 'root'@'localhost' IDENTIFIED BY 'owner_pw_1'")),
                 QString());
    QString said;
    if (kind == QLatin1String("earlier, running"))
        QCOMPARE(Script({QStringLiteral("start"), data, QString::number(port)}), QString());
    else if (runSh) {
        QVERIFY(TestSupport::WriteFile(parent.path() + QStringLiteral("/vorantel/server.port"), QByteArray::number(port)));
        const int before = ServerPid(data);
        const Outcome step = RunServerStep(parent.path());
        QVERIFY2(step.code == 0, qPrintable(step.output));
        QVERIFY(Alive(before) && ServerPid(data) == before);
    } else if (kind != QLatin1String("new")) {
        const int before = ServerPid(data);
        QCOMPARE(Script({QStringLiteral("stop"), data}), QString());
        QVERIFY(!Alive(before));
        QCOMPARE(Start(data, &port, {}, QProcessEnvironment::systemEnvironment(), &said), QString());
        QVERIFY2(said.contains(QLatin1String("its accounts were not closed")) == shutOut, qPrintable(said));
    }
    if (shutOut) {
        QCOMPARE(Script(makeUser, env, "closed_pw_1"), QString());
        const QString wrong = Script(makeUser, env, "closed_pw_2");
        QVERIFY2(wrong.contains(QLatin1String("does not log in over TCP with that password")), qPrintable(wrong));
        // The way back followed as printed: root's login through the socket given back, its password kept.
        const QRegularExpressionMatch advice
            = QRegularExpression(QStringLiteral("log in with\n  (.* --user=root -p)\n.*kept:\n  (ALTER USER .*)\nthen run\n  (.*)\nagain\\.$"))
                  .match(said);
        QVERIFY2(advice.hasMatch(), qPrintable(said));
        const Outcome typed = Typed(advice.captured(1) + QStringLiteral(" -e \"$0\""), QString(), "owner_pw_1\n",
                                    advice.captured(2).replace(QLatin1String("its password"), QLatin1String("owner_pw_1")));
        QVERIFY2(typed.code == 0, qPrintable(typed.output));
        const Outcome next = Typed(advice.captured(3), QString());
        QVERIFY2(next.code == 0 && next.output.isEmpty(), qPrintable(next.output));
        QCOMPARE(Script(makeUser, env, "closed_pw_1"), QString());
        QCOMPARE(LogIn(port, QStringLiteral("root"), QStringLiteral("owner_pw_1")), QStringLiteral("root@localhost"));
    }

    for (const QString& account : {QStringLiteral("root"), QStringLiteral("anyone"), QStringLiteral("twin")}) {
        const QString login = LogIn(port, account, QString());
        QVERIFY2(login.startsWith(QLatin1String("refused: ")), qPrintable(account + QLatin1String(": ") + login));
    }
    QCOMPARE(LogIn(port, QStringLiteral("closed_user"), QStringLiteral("closed_pw_1")), QStringLiteral("closed_user@localhost"));
}

// A test's server whose folder is removed under it is stopped by its watch.
void TestConnections::watchStopsTheServerOfARemovedFolder()
{
    QTemporaryDir parent;
    const QString data = parent.path() + QStringLiteral("/data");
    QProcess test;
    test.start(QStringLiteral("sleep"), {QStringLiteral("600")});
    QVERIFY(test.waitForStarted());
    const auto end = qScopeGuard([&test, data] {
        test.kill();
        test.waitForFinished();
        Script({QStringLiteral("stop"), data});
    });
    int port = 0;
    QCOMPARE(Start(data, &port, {OwnedBy(test)}), QString());
    const int server = ServerPid(data);
    QVERIFY(Alive(server));
    QVERIFY(QDir(data).removeRecursively());
    QTRY_VERIFY_WITH_TIMEOUT(!Alive(server), 30000);
}

void TestConnections::printedStepsLetTheScriptIn_data()
{
    QTest::addColumn<QString>("grant"); // typed in place of the printed GRANT; empty: as printed
    QTest::newRow("as printed") << "";
    // Closing fails: no mark, or a server later reached on its port only would be taken for a closed one.
    QTest::newRow("an account that may not drop others") << "GRANT SELECT ON mysql.global_priv TO 'daemon'@'localhost';";
}

// A non-root owner's folder of an earlier version, whose root was given a password, has no account for the script:
// start prints how to make one as root, and the next start closes the accounts.
void TestConnections::printedStepsLetTheScriptIn()
{
    QFETCH(QString, grant);
    if (geteuid() != 0)
        QSKIP("only root runs processes as other accounts");
    const QString owner = QStringLiteral("daemon");
    const bool closed = grant.isEmpty();
    QTemporaryDir parent(QStringLiteral("/tmp/vorantel-conn.XXXXXX"));
    const passwd* account = getpwnam("daemon");
    QVERIFY(account && ::chown(parent.path().toLocal8Bit().constData(), account->pw_uid, account->pw_gid) == 0);
    const QString data = parent.path() + QStringLiteral("/data");
    const auto end = qScopeGuard([data, owner] { Run({QStringLiteral("stop"), data}, Session(QString()), owner); });
    int port = 0;
    QCOMPARE(StartEarlier(data, &port, owner), QString());
    QCOMPARE(LogIn(port, QStringLiteral("root"), QString(), QStringLiteral("ALTER USER 'root'@'localhost' IDENTIFIED BY 'owner_pw_1'")),
             QString());

    const Outcome shutOut = Run({QStringLiteral("start"), data, QString::number(port)}, Session(QString()), owner);
    QString login, statements, next;
    for (QString line : shutOut.output.split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.endsWith(QLatin1String("--user=root -p")))
            login = line;
        else if (line.startsWith(QLatin1String("CREATE USER")) || line.startsWith(QLatin1String("GRANT")))
            statements += line.startsWith(QLatin1String("GRANT")) && !closed ? grant : line;
        else if (line.contains(QLatin1String("mariadb.sh start ")))
            next = line;
    }
    QVERIFY2(!login.isEmpty() && statements.count(QLatin1Char(';')) == 2 && !next.isEmpty(), qPrintable(shutOut.output));
    const Outcome typed = Typed(login + QStringLiteral(" -e \"$0\""), owner, "owner_pw_1\n", statements);
    QVERIFY2(typed.code == 0, qPrintable(typed.output));
    QCOMPARE(Typed(next, owner).code == 0, closed);

    QCOMPARE(QFileInfo::exists(data + QStringLiteral("/accounts.closed")), closed);
    QCOMPARE(LogIn(port, QStringLiteral("anyone"), QString()).startsWith(QLatin1String("refused: ")), closed);
    if (closed)
        QVERIFY(LogIn(port, QStringLiteral("root"), QString()).startsWith(QLatin1String("refused: ")));
}

void TestConnections::serverPortOutsideTheLentRange_data()
{
    QTest::addColumn<QString>("lent"); // the range lent to outgoing connections; empty: this computer's
    QTest::newRow("this computer's range") << "";
    QTest::newRow("too little left below it") << "20500 60999";
    QTest::newRow("nothing left below it") << "1024 60999";
    // Too little outside it: any free port from 1024 up.
    QTest::newRow("every port lent") << "1024 65535";
    QTest::newRow("every port from 20000 lent") << "20000 65535";
}

// Never a port an outgoing connection may take, nor the same one for servers started side by side.
void TestConnections::serverPortOutsideTheLentRange()
{
    QFETCH(QString, lent);
    QTemporaryDir dir;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORANTEL_LENT_PORTS"), lent.isEmpty() ? QStringLiteral("/proc/sys/net/ipv4/ip_local_port_range")
                                                                     : dir.filePath(QStringLiteral("lent")));
    QVERIFY(lent.isEmpty() || TestSupport::WriteFile(dir.filePath(QStringLiteral("lent")), lent.toLatin1()));
    const QStringList range = QString::fromLatin1(TestSupport::ReadFile(env.value(QStringLiteral("VORANTEL_LENT_PORTS"))))
                                  .simplified().split(QLatin1Char(' '));
    const int first = range.value(0).toInt();
    const int last = range.value(1).toInt();
    const bool outside = std::max(0, first - 20000) + std::max(0, 65535 - std::max(20000, last + 1) + 1) >= 1000;
    QSet<int> chosen;
    for (int i = 0; i < 3; ++i) {
        const Outcome outcome = RunProgram(QStringLiteral(VORANTEL_SCRIPTS_DIR "/server-port.py"), {}, env);
        const int port = outcome.output.trimmed().toInt();
        QVERIFY2(outside ? port >= 20000 && port < 65536 && (port < first || port > last) : port >= 1024 && port < 65536,
                 qPrintable(outcome.output));
        chosen << port;
    }
    QVERIFY(chosen.size() > 1);
}

// A kept port another program holds while the server is down gives way to a new one, kept and said in one line, and
// the program's settings follow it.
void TestConnections::keptPortTakenGivesWayToANewOne()
{
    QTemporaryDir home(QStringLiteral("/tmp/vorantel-conn.XXXXXX"));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString portFile = home.path() + QStringLiteral("/vorantel/server.port");
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    QTcpServer holder;
    for (int attempt = 0; attempt < 3 && !holder.isListening(); ++attempt)
        holder.listen(QHostAddress::LocalHost, quint16(PrivateServer::FreePort()));
    const QString kept = QString::number(holder.serverPort());
    QVERIFY(holder.isListening() && QDir().mkpath(data) && TestSupport::WriteFile(portFile, kept.toLatin1()));
    QProcessEnvironment settings = QProcessEnvironment::systemEnvironment();
    settings.insert(QStringLiteral("XDG_CONFIG_HOME"), home.path() + QStringLiteral("/config"));
    QCOMPARE(RunProgram(QStringLiteral(SEED_SETTINGS), {QStringLiteral("DB_PORT=") + kept}, settings).code, 0);

    const Outcome step = RunServerStep(home.path());
    const QString port = QString::fromLatin1(TestSupport::ReadFile(portFile).trimmed());
    QVERIFY2(step.code == 0 && port != kept, qPrintable(step.output));
    QCOMPARE(step.output.split(QLatin1Char('\n')).filter(kept),
             QStringList{QStringLiteral("The server's port %1 is taken by another program; the server now listens on %2 (kept in %3).")
                             .arg(kept, port, portFile)});
    const QByteArray password = TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.password")).trimmed();
    QCOMPARE(LogIn(port.toInt(), QStringLiteral("vorantel"), QString::fromLatin1(password)), QStringLiteral("vorantel@localhost"));
    QDirIterator stores(home.path() + QStringLiteral("/config"), {QStringLiteral("*.conf")}, QDir::Files, QDirIterator::Subdirectories);
    QVERIFY(stores.hasNext() && TestSupport::ReadFile(stores.next()).contains("DB_PORT=" + port.toLatin1()));
}

void TestConnections::settingsFollowTheServer_data()
{
    QTest::addColumn<QString>("change"); // made between a first step and the next
    QTest::addColumn<bool>("samePort");  // the next keeps the first's port
    QTest::newRow("kept port taken, the start refused for its socket folder") << "refused" << false;
    QTest::newRow("server.port emptied, the server stopped") << "" << false;
    QTest::newRow("server.port edited to abc, the server stopped") << "abc" << false;
    QTest::newRow("server.port edited to 70000, the server stopped") << "70000" << false;
    QTest::newRow("server.port given a CRLF ending, the server stopped") << "crlf" << false;
    QTest::newRow("server.port holding 0, the server stopped") << "0" << false;
    QTest::newRow("server.port holding its port after a blank, the server stopped") << "blank" << false;
    QTest::newRow("server.port edited to abc, the server stopped, two steps at once") << "abc, two at once" << false;
    QTest::newRow("server.port removed, the server running") << "removed" << true;
    QTest::newRow("server.port removed and its socket folder emptied, the server running") << "removed, logout" << true;
    QTest::newRow("the server stopped, a connection of it in TIME_WAIT") << "time wait" << true;
    QTest::newRow("its socket folder emptied, as a logout does") << "logout" << true;
    QTest::newRow("the application user dropped") << "dropped" << true;
    QTest::newRow("server.password given quotes and backslashes, no settings") << "password" << true;
    QTest::newRow("server.password changed") << "own password" << true;
    QTest::newRow("server.password removed") << "no password" << true;
    QTest::newRow("server.password given a CR LF ending") << "password crlf" << true;
    QTest::newRow("the password changed by hand on the server and in the settings") << "by hand" << true;
    // Never asked anything: any account may start a process that names the folder, and ask for the password in clear.
    QTest::newRow("the server stopped, another account's process naming its folder on its port") << "impostor, kept port" << false;
    QTest::newRow("the server stopped, another account's process naming its folder on another port") << "impostor" << true;
}

// Whatever happened to the port, its file or the user, the step ends with the program's settings on its server, the
// database beside untouched; no program it runs has the password in its arguments, which any local account may read
// (recorded by stand-ins first on the PATH for the clients and the seeder, and by bash's start-up file for the scripts).
void TestConnections::settingsFollowTheServer()
{
    QFETCH(QString, change);
    QFETCH(bool, samePort);
    const bool impostor = change.startsWith(QLatin1String("impostor"));
    if (impostor && geteuid() != 0)
        QSKIP("only root runs processes as other accounts");
    QTemporaryDir home(QStringLiteral("/tmp/vorantel-conn.XXXXXX"));
    QTemporaryDir runtime(Runtime());
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString portFile = home.path() + QStringLiteral("/vorantel/server.port");
    const QString passwordFile = home.path() + QStringLiteral("/vorantel/server.password");
    QProcessEnvironment session = Session(runtime.path());
    const auto end = qScopeGuard([data, session] { Script({QStringLiteral("stop"), data}, session); });
    const QString log = runtime.filePath(QStringLiteral("arguments"));
    const QByteArray record = "printf '%s\\n' \"$0\" \"$@\" >>'" + log.toLocal8Bit() + "'\n";
    QVERIFY(TestSupport::WriteFile(runtime.filePath(QStringLiteral("bash-env")), record));
    for (const QString& tool : {"mariadb", "mariadb-admin", "seed-settings"}) {
        const QString real = tool == QLatin1String("seed-settings") ? QStringLiteral(SEED_SETTINGS) : QStandardPaths::findExecutable(tool);
        QVERIFY(TestSupport::WriteFile(runtime.filePath(tool), "#!/bin/sh\n" + record + "exec '" + real.toLocal8Bit() + "' \"$@\"\n")
                && QFile::setPermissions(runtime.filePath(tool), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }
    session.insert(QStringLiteral("PATH"), runtime.path() + QLatin1Char(':') + session.value(QStringLiteral("PATH")));
    session.insert(QStringLiteral("BASH_ENV"), runtime.filePath(QStringLiteral("bash-env")));
    Outcome step = RunServerStep(home.path(), session, QStringLiteral("seed-settings"));
    QVERIFY2(step.code == 0, qPrintable(step.output));
    const QByteArray first = TestSupport::ReadFile(portFile).trimmed();
    const QString generated = QString::fromLatin1(TestSupport::ReadFile(passwordFile).trimmed());
    QString password = generated;
    QCOMPARE(LogIn(first.toInt(), QStringLiteral("vorantel"), password, QStringLiteral("CREATE DATABASE beside")), QString());
    QTcpServer holder;
    QProcess other;
    const auto endOther = qScopeGuard([&other] {
        other.kill();
        other.waitForFinished();
    });
    if (change.startsWith(QLatin1String("removed"))) {
        QVERIFY(QFile::remove(portFile));
        if (change.endsWith(QLatin1String("logout")))
            QVERIFY(QDir(SocketFolder(runtime.path(), data)).removeRecursively());
    } else if (change == QLatin1String("logout")) {
        QVERIFY(QDir(SocketFolder(runtime.path(), data)).removeRecursively());
    } else if (change == QLatin1String("dropped")) {
        QCOMPARE(LogIn(first.toInt(), QStringLiteral("vorantel"), password,
                       QStringLiteral("DROP USER 'vorantel'@'127.0.0.1', 'vorantel'@'localhost'")),
                 QString());
    } else if (change == QLatin1String("password")) {
        password = QStringLiteral("p1'; DROP DATABASE beside; -- \\'\\\\\"");
        QVERIFY(TestSupport::WriteFile(passwordFile, password.toUtf8()));
        QVERIFY(QDir(home.path() + QStringLiteral("/config")).removeRecursively());
    } else if (change == QLatin1String("own password")) {
        password = QStringLiteral("Kassenschlüssel 7");
        QVERIFY(TestSupport::WriteFile(passwordFile, password.toUtf8() + '\n'));
    } else if (change == QLatin1String("no password")) {
        QVERIFY(QFile::remove(passwordFile));
    } else if (change == QLatin1String("password crlf")) {
        QVERIFY(TestSupport::WriteFile(passwordFile, password.toUtf8() + "\r\n"));
    } else if (change == QLatin1String("by hand")) {
        QCOMPARE(LogIn(first.toInt(), QStringLiteral("vorantel"), password,
                       QStringLiteral("ALTER USER 'vorantel'@'127.0.0.1' IDENTIFIED BY 'hand_pw_1',"
                                      " 'vorantel'@'localhost' IDENTIFIED BY 'hand_pw_1'")),
                 QString());
        QCOMPARE(StepSetting(home.path(), QStringLiteral("DB_PASSWORD"), QStringLiteral("hand_pw_1")), QStringLiteral("hand_pw_1"));
    } else {
        QCOMPARE(Script({QStringLiteral("stop"), data}, session), QString());
        if (change == QLatin1String("refused")) {
            QVERIFY(holder.listen(QHostAddress::LocalHost, quint16(first.toInt())));
            const QString folder = SocketFolder(runtime.path(), data);
            QVERIFY(QDir().mkpath(folder) && QFile::setPermissions(folder, QFile::permissions(folder) | QFile::WriteOther));
            step = RunServerStep(home.path(), session, QStringLiteral("seed-settings"));
            QVERIFY2(step.code != 0 && step.output.contains(QLatin1String("refusing to use it")), qPrintable(step.output));
            QVERIFY(QDir(folder).removeRecursively());
        } else if (change == QLatin1String("time wait")) {
            // A connection on the port that its side ended first waits, as the server's last connections do.
            QVERIFY(holder.listen(QHostAddress::LocalHost, quint16(first.toInt())));
            QTcpSocket client;
            client.connectToHost(QHostAddress::LocalHost, quint16(first.toInt()));
            QVERIFY(client.waitForConnected(10000) && holder.waitForNewConnection(10000));
            holder.nextPendingConnection()->close();
            QVERIFY(client.state() == QAbstractSocket::UnconnectedState || client.waitForDisconnected(10000));
            holder.close();
            const QString waiting = QStringLiteral("0100007F:%1 [0-9A-F:]+ 06 ").arg(first.toInt(), 4, 16, QLatin1Char('0')).toUpper();
            QVERIFY(QString::fromLatin1(TestSupport::ReadFile(QStringLiteral("/proc/net/tcp"))).contains(QRegularExpression(waiting)));
        } else if (impostor) {
            StartImpostor(other, data, samePort ? PrivateServer::FreePort() : first.toInt());
        } else {
            const QByteArray edit = change == QLatin1String("crlf")    ? first + "\r\n"
                                    : change == QLatin1String("blank") ? ' ' + first
                                                                       : change.section(QLatin1Char(','), 0, 0).toLatin1();
            QVERIFY(TestSupport::WriteFile(portFile, edit));
        }
    }

    if (change.endsWith(QLatin1String("two at once"))) {
        // As two ./run.sh started together run it.
        const qint64 before = QFileInfo(log).size();
        QProcess steps[2];
        for (QProcess& twin : steps) {
            twin.setProcessChannelMode(QProcess::MergedChannels);
            twin.setProcessEnvironment(StepEnvironment(home.path(), session));
            twin.start(QStringLiteral(VORANTEL_SCRIPTS_DIR "/run-server.sh"), {QStringLiteral("seed-settings")});
        }
        step.output.clear();
        for (QProcess& twin : steps) {
            const bool passed = twin.waitForFinished(120000) && twin.exitCode() == 0;
            step.output += QString::fromLocal8Bit(twin.readAll());
            QVERIFY2(passed, qPrintable(step.output));
        }
        // One after the other: the second looked for the server once the first had written the settings.
        const QByteArray record = TestSupport::ReadFile(log).mid(before);
        const int looked = record.indexOf("/mariadb.sh\nrunning\n");
        QVERIFY2(record.indexOf("/mariadb.sh\nrunning\n", looked + 1) > record.indexOf("/seed-settings\n--own="), record.constData());
    } else {
        step = RunServerStep(home.path(), session, QStringLiteral("seed-settings"));
    }
    if (impostor) {
        const QString claim = QStringLiteral("a process of another account, nobody (python3, process %1), names %2 as its data folder")
                                  .arg(other.processId())
                                  .arg(data);
        other.kill();
        QVERIFY(other.waitForFinished());
        // Never asked anything, so never sent the password.
        QCOMPARE(other.readAllStandardOutput(), QByteArray());
        QCOMPARE(step.output.split(QLatin1Char('\n')).filter(claim).size(), 1);
    }
    QVERIFY2(step.code == 0, qPrintable(step.output));
    QCOMPARE(step.output.contains(QLatin1String("taken by another program")), change == QLatin1String("refused") || !samePort && impostor);
    const bool reset = change == QLatin1String("by hand") || change.endsWith(QLatin1String("password"));
    QCOMPARE(step.output.contains(QLatin1String("was not the one in ") + passwordFile), reset);
    if (change == QLatin1String("no password"))
        password = QString::fromLatin1(TestSupport::ReadFile(passwordFile).trimmed());
    const QString port = QString::fromLatin1(TestSupport::ReadFile(portFile).trimmed());
    QCOMPARE(port == QString::fromLatin1(first), samePort);
    QCOMPARE(StepSetting(home.path(), QStringLiteral("DB_PORT")), port);
    QCOMPARE(StepSetting(home.path(), QStringLiteral("DB_PASSWORD")), password);
    QCOMPARE(LogIn(port.toInt(), StepSetting(home.path(), QStringLiteral("DB_USER")), password, QStringLiteral("SHOW DATABASES LIKE 'beside'")),
             QStringLiteral("beside"));
    const QByteArray arguments = TestSupport::ReadFile(log);
    QVERIFY2(arguments.contains("/mariadb.sh\nuser\n") && arguments.contains("seed-settings\n") && arguments.contains("--protocol=tcp\n")
                 && !arguments.contains(generated.toUtf8()) && !arguments.contains(password.toUtf8()),
             arguments.constData());
}

void TestConnections::stepStopsWithItsOwnLine_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("line"); // said by the step, FILE and DATA standing for the password file and the data folder
    const QString rule = QStringLiteral("; write a password there as UTF-8 text (any characters but NUL; line ends at its end, LF or CR"
                                        " LF, are dropped), or remove the file for a new one");
    // Hashed from its bytes for the server, read as UTF-8 by the program: two passwords.
    QTest::newRow("server.password holding a Latin-1 byte") << QString::fromLatin1("caf\xe9pw1") << "FILE is not UTF-8 text" + rule;
    QTest::newRow("server.password holding a NUL") << QStringLiteral("ab%1cd").arg(QChar(0)) << "FILE holds a NUL" + rule;
    QTest::newRow("server.password empty") << "\n" << "FILE holds no password" + rule;
    QTest::newRow("a server without JSON_TABLE") << "10.5" << "mariadb.sh: the server of DATA is 10.5.19-MariaDB-0+deb11u2; checking its"
                                                              " accounts needs MariaDB 10.6 or later (for JSON_TABLE)";
    QTest::newRow("a server started with --skip-networking")
        << "skip networking" << "The server of DATA listens on no port (started with --skip-networking?); the program reaches it over TCP only.";
}

// What the step cannot go on from is said in a line of its own, and the program's settings are left alone.
void TestConnections::stepStopsWithItsOwnLine()
{
    QFETCH(QString, kind);
    QFETCH(QString, line);
    QTemporaryDir home(QStringLiteral("/tmp/vorantel-conn.XXXXXX"));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString passwordFile = home.path() + QStringLiteral("/vorantel/server.password");
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QVERIFY(QDir().mkpath(data));
    if (kind == QLatin1String("10.5")) {
        // A client that reaches a server of 10.5 (Debian 11's).
        const QString client = home.filePath(QStringLiteral("mariadb"));
        QVERIFY(TestSupport::WriteFile(client, "#!/bin/bash\nv=\"'10.5.19-MariaDB-0+deb11u2'\"\nfor a; do\n"
                                               "  [[ $a != *JSON_TABLE* ]] || { echo \"ERROR 1064 (42000): near '(g.Priv'\" >&2; exit 1; }\n"
                                               "  set -- \"$@\" \"${a//VERSION()/$v}\"; shift\ndone\nexec '"
                                                   + QStandardPaths::findExecutable(QStringLiteral("mariadb")).toLocal8Bit() + "' \"$@\"\n")
                && QFile::setPermissions(client, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        env.insert(QStringLiteral("PATH"), home.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    } else if (kind == QLatin1String("skip networking")) {
        int port = 0;
        QCOMPARE(Start(data, &port, {QStringLiteral("--skip-networking")}), QString());
    } else {
        QVERIFY(TestSupport::WriteFile(passwordFile, kind.toLatin1()));
    }
    const Outcome step = RunServerStep(home.path(), env);
    QVERIFY2(step.code > 0, qPrintable(step.output));
    line.replace(QLatin1String("FILE"), passwordFile).replace(QLatin1String("DATA"), data);
    QVERIFY2(step.output.split(QLatin1Char('\n')).contains(line), qPrintable(step.output));
    QCOMPARE(StepSetting(home.path(), QStringLiteral("DB_PORT")), QString());
}

void TestConnections::seederRefusesWhatItDoesNotKnow_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("an option it does not know") << "--in-place-of=DB_PASSWORD";
    // Any settings would count as its own, and settings entered by hand for another server be overwritten.
    QTest::newRow("--own= with no key") << "--own=";
    QTest::newRow("--own= with a key not given") << "--own=DB_PASSWORD";
}

void TestConnections::seederRefusesWhatItDoesNotKnow()
{
    QFETCH(QString, option);
    QTemporaryDir home;
    const Outcome seeded = RunProgram(QStringLiteral(SEED_SETTINGS), {option, QStringLiteral("DB_SERVER=127.0.0.1")},
                                      StepEnvironment(home.path(), QProcessEnvironment::systemEnvironment()));
    QVERIFY2(seeded.code == 2 && seeded.output.contains(QLatin1String("Usage: seed-settings")), qPrintable(seeded.output));
    QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("config"))));
}

VORANTEL_TEST_MAIN(TestConnections)
#include "tst_connections.moc"
