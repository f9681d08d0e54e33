#include "backupdialog.h"
#include "databasefailure.h"
#include "databasehooks.h"
#include "databasetest.h"
#include "messagesettings.h"
#include "portowner.h"
#include "privateserver.h"
#include "serversettingsdialog.h"
#include "sqlproxy.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTcpSocket>

#include <pwd.h>
#include <signal.h>
#include <unistd.h>

using namespace DatabaseTest;

namespace {

// ./run.sh's own settings name this user on 127.0.0.1.
const QString STEP_USER = QStringLiteral("vorantel");
const QString STEP_PASSWORD = QStringLiteral("step_pw_1");
const QByteArray MARK = QByteArrayLiteral("mark");

// A program on the port that answers as a MySQL server asking for the password in clear, and prints every connection
// it accepts and every byte it is sent. Killed with the test, however the test ends.
const char* const RecordingListener = R"py(
import ctypes, os, socket, sys
ctypes.CDLL(None).prctl(1, 9)
if os.getppid() != int(sys.argv[3]): sys.exit(1)
address, port = sys.argv[1], int(sys.argv[2])
s = socket.socket(socket.AF_INET6 if ':' in address else socket.AF_INET)
s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
if ':' in address: s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, int(sys.argv[4]))
s.bind((address, port)); s.listen(9); print('ready', flush=True)
def send(c, seq, body): c.sendall(len(body).to_bytes(3, 'little') + bytes([seq]) + body)
while True:
    c = s.accept()[0]; c.settimeout(5); print('connection', flush=True)
    try:
        send(c, 0, b'\x0a10.11.19-MariaDB\0\1\0\0\0abcdefgh\0\xff\xf7\x21\2\0\x08\0\x15' + bytes(10)
             + b'ijklmnopqrst\0mysql_native_password\0')
        print('sent', c.recv(4096).hex(), flush=True)
        send(c, 2, b'\xfemysql_clear_password\0')
        print('sent', c.recv(4096).hex(), flush=True)
        send(c, 4, b'\xff\x15\x04#28000Access denied')
    except OSError: pass
    c.close()
)py";

class Listener
{
public:
    ~Listener() { stop(); }
    // As nobody, or as this account; at an IPv6 address, with IPV6_V6ONLY or not.
    QString start(const QString& address, int port, bool asNobody, bool v6only = false)
    {
        const QStringList arguments{QStringLiteral("-c"), QLatin1String(RecordingListener), address,
                                    QString::number(port), QString::number(::getpid()), QString::number(v6only)};
        if (asNobody)
            process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=nobody"),
                                                                 QStringLiteral("--regid=nogroup"),
                                                                 QStringLiteral("--clear-groups"),
                                                                 QStringLiteral("/usr/bin/python3")}
                                                         + arguments);
        else
            process.start(QStringLiteral("/usr/bin/python3"), arguments);
        while (!output.contains("ready\n") && process.waitForReadyRead(10000))
            output += process.readAllStandardOutput();
        return output.contains("ready\n") ? QString() : QString::fromLocal8Bit(process.readAllStandardError());
    }
    // What it recorded before a mark sent now (to the address given, where 127.0.0.1 does not reach it): the
    // connections before it have been served whole by then.
    QByteArray recorded(int port, const QString& host = QStringLiteral("127.0.0.1"))
    {
        QTcpSocket mark;
        mark.connectToHost(host, quint16(port));
        if (mark.waitForReadyRead(10000))
            mark.write(MARK);
        mark.waitForBytesWritten(10000);
        const QByteArray line = "connection\nsent " + MARK.toHex() + '\n';
        while (!output.contains(line) && process.waitForReadyRead(10000))
            output += process.readAllStandardOutput();
        const int end = output.indexOf(line);
        return end < 0 ? QByteArrayLiteral("no mark seen") : output.mid(6, end - 6);
    }
    void stop()
    {
        process.kill();
        process.waitForFinished();
    }

private:
    QProcess process;
    QByteArray output;
};

QString AccountName(uid_t uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

// Whether something accepts connections to 127.0.0.1 on port.
bool Listened(int port)
{
    QTcpSocket probe;
    probe.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    return probe.waitForConnected(2000);
}

} // namespace

// With ./run.sh's own settings, every connection of the program is made only to a program of this account: another
// account's program on the server's port is sent nothing, and the user is told whose it is.
class TestConnectionsListener : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { f.reset(); }
    void cleanup();
    void cleanupTestCase();

    void heldPortIsSentNothing_data();
    void heldPortIsSentNothing();
    void listenerBesideServer_data();
    void listenerBesideServer();
    void timeWaitIsNoListener_data();
    void timeWaitIsNoListener();
    void heldWordsEndWithTheAction();
    void portBeyondAnyNumber_data();
    void portBeyondAnyNumber();
    void refusedLoginIsTold_data();
    void refusedLoginIsTold();

private:
    // The version check's connection, the settings' Test or the backup's check with the settings given; what the
    // user is told (all the messages, when not just one).
    QString tellOpening(const QString& opening, const QString& user, const QString& password, const QString& port);
    QString startServer();
    // Killed outright under its open connections, as by a crash; false when it still listens.
    bool killServer();

    Fixture f;
    PrivateServer server;
    int defaultPort = 0; // the client's, for port 0
    QString inventoryDb;
    QString salesDb;
};

void TestConnectionsListener::initTestCase()
{
    // The client library reads its default port once, before its first connection.
    defaultPort = PrivateServer::FreePort();
    qputenv("MYSQL_TCP_PORT", QByteArray::number(defaultPort));
    // Its own server alone: the program runs in a network of its own, where the fixture's cannot be reached.
    QCOMPARE(startServer(), QString());
    TestDatabase::useServer({server.host(), server.port(), server.user(), server.password()});
    REQUIRE_TEST_SERVER();
    f.start(this);
    QProcess step;
    step.start(QStringLiteral(VORANTEL_SCRIPTS_DIR "/mariadb.sh"), {QStringLiteral("user"), server.dataDir(), STEP_USER});
    step.write(STEP_PASSWORD.toUtf8());
    step.closeWriteChannel();
    QVERIFY(step.waitForFinished(60000));
    QVERIFY2(step.exitCode() == 0, step.readAll().constData());
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("held_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("held_sales"));
    QCOMPARE(Create(1, inventoryDb), QString());
    QCOMPARE(Create(2, salesDb), QString());
}

void TestConnectionsListener::cleanup()
{
    PortOwner::SetOwnAccount(::getuid());
    PortOwner::SetKernelAsked(true);
    f.finish();
}

void TestConnectionsListener::cleanupTestCase()
{
    ResetManager();
    server.stop();
    TestDatabase::useServer({});
}

QString TestConnectionsListener::startServer()
{
    return Listened(server.port()) ? QString() : server.start();
}

bool TestConnectionsListener::killServer()
{
    const int pid = TestSupport::ReadFile(server.dataDir() + QStringLiteral("/mysqld.pid")).trimmed().toInt();
    if (pid <= 0 || ::kill(pid, SIGKILL) != 0)
        return false;
    QElapsedTimer waited;
    waited.start();
    while (Listened(server.port()) && waited.elapsed() < 20000)
        QTest::qWait(50);
    return !Listened(server.port());
}

void TestConnectionsListener::heldPortIsSentNothing_data()
{
    // "first": the version check's connection, then the server connection; "reopening": after the server was killed
    // under an open connection; "test": the settings' Test; "backup": its check; "dumps": the server killed after the
    // backup's check.
    QTest::addColumn<QString>("opening");
    QTest::addColumn<QString>("address"); // where the other program listens
    QTest::addColumn<QString>("user");
    QTest::addColumn<bool>("asNobody"); // otherwise this account's, taken for another's through the seam
    QTest::addColumn<bool>("kernelAsked"); // otherwise its socket tables read, as where it cannot be asked

    for (const char* opening : {"first", "reopening", "test", "backup", "dumps"}) {
        for (const char* address : {"127.0.0.1", "0.0.0.0", "::"})
            QTest::addRow("%s, nobody at %s", opening, address) << opening << address << STEP_USER << true << true;
        QTest::addRow("%s, another user in the settings", opening) << opening << "127.0.0.1" << server.user() << true
                                                                   << true;
    }
    for (const char* address : {"127.0.0.1", "0.0.0.0", "::"})
        QTest::addRow("first, nobody at %s, the tables read", address) << "first" << address << STEP_USER << true << false;
    QTest::newRow("first, seam") << "first" << "127.0.0.1" << STEP_USER << false << true;
    QTest::newRow("backup, seam") << "backup" << "127.0.0.1" << STEP_USER << false << true;
}

void TestConnectionsListener::heldPortIsSentNothing()
{
    QFETCH(QString, opening);
    QFETCH(QString, address);
    QFETCH(QString, user);
    QFETCH(bool, asNobody);
    QFETCH(bool, kernelAsked);
    PortOwner::SetKernelAsked(kernelAsked);
    if (asNobody)
        VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotListenAsAnotherAccount());
    const bool refused = user == STEP_USER;
    const QString password = refused ? STEP_PASSWORD : server.password();
    DatabaseManager* manager = DatabaseManager::Instance();
    SetActive(1, inventoryDb);
    SetActive(2, salesDb);
    const bool serverFirst = opening == QLatin1String("reopening") || opening == QLatin1String("dumps");
    if (serverFirst)
        QCOMPARE(startServer(), QString());
    const int port = serverFirst ? server.port() : PrivateServer::FreePort();
    QVERIFY(port > 0);
    manager->SetConnectionParameters(user, password, port, server.host());
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(DB_SERVER, server.host());
    store->setValue(DB_PORT, QString::number(port));
    store->setValue(DB_USER, user);
    store->setValue(DB_PASSWORD, password);

    Listener other;
    QString started = QStringLiteral("not started");
    const auto takePort = [&] {
        if (serverFirst && !killServer())
            return;
        started = other.start(address, port, asNobody);
        if (!asNobody)
            PortOwner::SetOwnAccount(::getuid() + 1);
    };
    if (opening == QLatin1String("reopening")) {
        QSqlQuery* query = manager->InventoryQuery();
        QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    }
    if (opening == QLatin1String("dumps"))
        DatabaseHooks::RunBeforeNextDumps(takePort);
    else
        takePort();
    const auto unhook = qScopeGuard([] { DatabaseHooks::RunBeforeNextDumps(nullptr); });
    const QString account = asNobody ? QStringLiteral("nobody") : AccountName(::getuid());
    const QString held = QStringLiteral("The database server's port %1 is held by a program of another account (%2), "
                                        "so nothing was sent to it.").arg(port).arg(account);

    QString told;
    if (opening == QLatin1String("reopening")) {
        QSqlQuery* query = manager->InventoryQuery();
        QVERIFY(!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
        told = DatabaseFailure::ReadReason(*query);
        QVERIFY(f.answerer->messages().isEmpty());
    } else {
        told = tellOpening(opening == QLatin1String("dumps") ? QStringLiteral("backup") : opening, user, password,
                           QString::number(port));
        const QString start = opening == QLatin1String("first") ? QStringLiteral("Error|Can not connect to '%1'").arg(inventoryDb)
                              : opening == QLatin1String("test") ? QStringLiteral("Server Connection|Connection to server FAILED!.")
                                                                 : QStringLiteral("Backup|");
        QVERIFY2(told.startsWith(start), qPrintable(told));
    }
    if (opening == QLatin1String("first")) {
        // The server connection, in an action of its own.
        TestSupport::Idle();
        QVERIFY(!manager->ServerConnection()->isOpen());
    }

    QCOMPARE(started, QString());
    const QByteArray recorded = other.recorded(port);
    if (refused) {
        QCOMPARE(recorded, QByteArray());
        QVERIFY2(told.contains(held) && told.contains(QLatin1String("start it again with ./run.sh")), qPrintable(told));
    } else {
        // Tried as before: the login reached it.
        QVERIFY2(recorded.startsWith("connection\nsent ") && recorded.contains(user.toUtf8().toHex()),
                 recorded.constData());
        QVERIFY2(!told.contains(QLatin1String("another account")), qPrintable(told));
    }
    if (opening == QLatin1String("first") || opening == QLatin1String("reopening")) {
        // A later action, which makes no new attempt a moment after the last, is told the same.
        TestSupport::Idle();
        QSqlQuery* query = manager->InventoryQuery();
        QVERIFY(!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
        const QString again = DatabaseFailure::ReadReason(*query);
        // The other user's login reached the program, which refused it.
        QVERIFY2(again.contains(refused ? held : QStringLiteral("refused the login of user %1").arg(user)), qPrintable(again));
    }
    if (opening != QLatin1String("reopening"))
        return;
    // The next action looks again: with the program gone and the server back, the connection is reopened.
    other.stop();
    QCOMPARE(startServer(), QString());
    TestSupport::Idle();
    QSqlQuery* query = nullptr;
    QTRY_VERIFY_WITH_TIMEOUT((query = manager->InventoryQuery())->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")),
                             10000);
}

QString TestConnectionsListener::tellOpening(const QString& opening, const QString& user, const QString& password,
                                             const QString& port)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    SetActive(1, inventoryDb);
    SetActive(2, salesDb);
    manager->SetConnectionParameters(user, password, PortOwner::PortFromText(port), server.host());
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(DB_SERVER, server.host());
    store->setValue(DB_PORT, port);
    store->setValue(DB_USER, user);
    store->setValue(DB_PASSWORD, password);
    f.answerer->clear();
    if (opening == QLatin1String("first")) {
        manager->InventoryQuery();
        if (manager->inventoryOpen)
            return QStringLiteral("opened");
    } else if (opening == QLatin1String("test")) {
        MessageSettings::Instance()->Load();
        (*MessageSettings::Instance())[QStringLiteral("err_msg_21")].show = false;
        ServerSettingsDialog dialog(nullptr);
        Child<QLineEdit>(&dialog, "lineUserPassword")->setText(password);
        Child<QPushButton>(&dialog, "pushButtonTest")->click();
    } else {
        store->setValue(QStringLiteral("path_to_mysqldump"), QStandardPaths::findExecutable(QStringLiteral("mariadb-dump")));
        store->setValue(QStringLiteral("path_to_backup_folder"), TestSupport::ScratchDir());
        Backupdialog dialog;
        Child<QPushButton>(&dialog, "pushButtonBackup")->click();
    }
    const QStringList messages = f.answerer->messages();
    return messages.size() == 1 ? messages.first() : messages.join(QStringLiteral(" / ")) + QStringLiteral(" (not one)");
}

// Another account may listen on the server's port where a connection to 127.0.0.1 never arrives (:: with
// IPV6_V6ONLY, ::1): no reason to refuse this account's server. Where it does arrive, nothing is sent.
void TestConnectionsListener::listenerBesideServer_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("v6only");
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<bool>("kernelAsked");
    QTest::addColumn<QString>("outcome"); // "opened", "held" (another account named) or "unreached"

    QTest::newRow(":: v6only beside the server") << "::" << true << true << true << "opened";
    QTest::newRow("::1 beside the server") << "::1" << false << true << true << "opened";
    QTest::newRow(":: v6only beside the server, the tables read") << "::" << true << true << false << "opened";
    QTest::newRow(":: v6only, the server down") << "::" << true << false << true << "unreached";
    // The tables cannot tell IPV6_V6ONLY: refused all the same, and nothing sent either way.
    QTest::newRow(":: v6only, the server down, the tables read") << "::" << true << false << false << "held";
    QTest::newRow("::ffff:127.0.0.1, the server down") << "::ffff:127.0.0.1" << false << false << true << "held";
}

void TestConnectionsListener::listenerBesideServer()
{
    QFETCH(QString, address);
    QFETCH(bool, v6only);
    QFETCH(bool, serverUp);
    QFETCH(bool, kernelAsked);
    QFETCH(QString, outcome);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotListenAsAnotherAccount());
    PortOwner::SetKernelAsked(kernelAsked);
    QCOMPARE(startServer(), QString());
    const int port = server.port();
    if (!serverUp)
        QVERIFY(killServer());
    Listener other;
    QCOMPARE(other.start(address, port, true, v6only), QString());

    const QString said = tellOpening(QStringLiteral("first"), STEP_USER, STEP_PASSWORD, QString::number(port));
    if (outcome == QLatin1String("opened")) {
        QCOMPARE(said, outcome);
        QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
        QVERIFY_SQL(*query, exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
        QVERIFY(DatabaseManager::Instance()->ServerConnection()->isOpen());
    } else {
        QVERIFY2(said.startsWith(QStringLiteral("Error|Can not connect to '%1'").arg(inventoryDb)), qPrintable(said));
        QCOMPARE(said.contains(QLatin1String("held by a program of another account (nobody)")),
                 outcome == QLatin1String("held"));
    }
    const QString markHost = address == QLatin1String("::ffff:127.0.0.1") ? QStringLiteral("127.0.0.1")
                                                                           : QStringLiteral("::1");
    QCOMPARE(other.recorded(port, markHost), QByteArray());
}

// A connection the server closed first leaves a TIME_WAIT socket on its port, which the kernel lists as root's:
// no listener, so no other account's.
void TestConnectionsListener::timeWaitIsNoListener_data()
{
    QTest::addColumn<bool>("kernelAsked");
    QTest::newRow("the kernel asked") << true;
    QTest::newRow("the tables read") << false;
}

void TestConnectionsListener::timeWaitIsNoListener()
{
    QFETCH(bool, kernelAsked);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotListenAsAnotherAccount());
    PortOwner::SetKernelAsked(kernelAsked);
    const passwd* nobody = ::getpwnam("nobody");
    QVERIFY(nobody);
    // nobody's server, on a port the kernel gives it: it closes the first connection it takes, then listens on.
    QProcess serverOfNobody;
    serverOfNobody.start(QStringLiteral("setpriv"),
                         {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                          QStringLiteral("--clear-groups"), QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                          QStringLiteral("import ctypes, socket, sys\n"
                                         "ctypes.CDLL(None).prctl(1, 9)\n"
                                         "s = socket.socket(); s.bind(('127.0.0.1', 0)); s.listen(9)\n"
                                         "print(s.getsockname()[1], flush=True); s.accept()[0].close(); sys.stdin.read()\n")});
    QVERIFY2(serverOfNobody.waitForReadyRead(10000), serverOfNobody.readAllStandardError().constData());
    const int port = serverOfNobody.readAllStandardOutput().trimmed().toInt();
    QVERIFY(port > 0);
    {
        QTcpSocket client;
        client.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
        QVERIFY(client.waitForConnected(5000));
        QTRY_COMPARE_WITH_TIMEOUT(client.state(), QAbstractSocket::UnconnectedState, 10000);
    }
    // The server's side reaches TIME_WAIT once the client's end arrives.
    const auto timeWait = [port] {
        QProcess ss;
        ss.start(QStringLiteral("ss"), {QStringLiteral("-Htn"), QStringLiteral("state"), QStringLiteral("time-wait"),
                                        QStringLiteral("sport = :%1").arg(port)});
        return ss.waitForFinished(10000) && !ss.readAllStandardOutput().trimmed().isEmpty();
    };
    QTRY_VERIFY2_WITH_TIMEOUT(timeWait(), "no TIME_WAIT socket on the port", 10000);

    PortOwner::SetOwnAccount(nobody->pw_uid);
    const PortOwner::Refusal refusal = PortOwner::Check(server.host(), port, STEP_USER);
    QVERIFY2(!refusal, qPrintable(QStringLiteral("refused: %1 %2").arg(refusal.reason).arg(refusal.account)));
    serverOfNobody.closeWriteChannel();
    QVERIFY(serverOfNobody.waitForFinished(10000));
}

// The words for a held port belong to the action that found it: a later action that finds the port silent says so.
void TestConnectionsListener::heldWordsEndWithTheAction()
{
    QCOMPARE(startServer(), QString());
    SqlProxy proxy(server.host(), server.port());
    // This account's proxy taken for another's.
    PortOwner::SetOwnAccount(::getuid() + 1);
    QString said = tellOpening(QStringLiteral("first"), STEP_USER, STEP_PASSWORD, QString::number(proxy.port()));
    QVERIFY2(said.contains(QLatin1String("held by a program of another account")), qPrintable(said));
    TestSupport::Idle();

    PortOwner::SetOwnAccount(::getuid());
    proxy.setSilent(true);
    DatabaseManager* manager = DatabaseManager::Instance();
    manager->CloseInventoryDatabase();
    f.answerer->clear();
    manager->InventoryQuery();
    said = f.answerer->messages().value(0);
    QVERIFY2(said.contains(QLatin1String("Please make sure MySql server is running")), qPrintable(said));
    QVERIFY2(!said.contains(QLatin1String("another account")), qPrintable(said));
}

// A port typed past every number goes nowhere: not to the client's default port, which the client would take for it.
void TestConnectionsListener::portBeyondAnyNumber_data()
{
    QTest::addColumn<QString>("opening");
    QTest::addColumn<QString>("port");
    for (const char* opening : {"first", "test"}) {
        for (const char* port : {"2147483648", "99999999999999999999"})
            QTest::addRow("%s, %s", opening, port) << opening << port;
    }
}

void TestConnectionsListener::portBeyondAnyNumber()
{
    QFETCH(QString, opening);
    QFETCH(QString, port);
    Listener atDefault;
    QCOMPARE(atDefault.start(QStringLiteral("127.0.0.1"), defaultPort, false), QString());

    const QString said = tellOpening(opening, STEP_USER, STEP_PASSWORD, port);
    QVERIFY2(said.startsWith(opening == QLatin1String("first") ? QStringLiteral("Error|Can not connect to")
                                                               : QStringLiteral("Server Connection|Connection to server FAILED!")),
             qPrintable(said));
    QCOMPARE(atDefault.recorded(defaultPort), QByteArray());
}

// A password the server does not take is told as a refused login, with what to do, not as a server that cannot be
// reached.
void TestConnectionsListener::refusedLoginIsTold_data()
{
    QTest::addColumn<QString>("opening");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("advice");
    for (const char* opening : {"first", "test", "backup"})
        QTest::addRow("%s", opening) << opening << STEP_USER << "Please close this program and start it again with ./run.sh.";
    QTest::newRow("first, another user") << "first" << server.user()
                                         << "Please check the user name and password in the MySQL Server settings.";
}

void TestConnectionsListener::refusedLoginIsTold()
{
    QFETCH(QString, opening);
    QFETCH(QString, user);
    QFETCH(QString, advice);
    QCOMPARE(startServer(), QString());
    const QString said = tellOpening(opening, user, QStringLiteral("not its password"), QString::number(server.port()));
    const QString refused =
        QStringLiteral("The database server refused the login of user %1: the password given is not the server's.")
            .arg(user);
    QVERIFY2(said.contains(refused) && said.contains(advice), qPrintable(said));
    QVERIFY2(!said.contains(QLatin1String("cannot be reached")), qPrintable(said));
    if (opening != QLatin1String("first"))
        return;
    // The screens of the action are told the same.
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    QVERIFY(!query->exec(QStringLiteral("SELECT COUNT(*) FROM tblRoles")));
    QVERIFY2(DatabaseFailure::ReadReason(*query).contains(refused), qPrintable(DatabaseFailure::ReadReason(*query)));
}

VORANTEL_TEST_MAIN(TestConnectionsListener)
#include "tst_connections_listener.moc"
