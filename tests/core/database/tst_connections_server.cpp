#include "scripttest.h"
#include "sqlproxy.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

#include <algorithm>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ScriptTest;

// mariadb.sh: a server found wherever its login session left it, stopped only as its own, its socket's folder and
// its accounts closed to other accounts.
class TestConnectionsServer : public QObject
{
    Q_OBJECT

private slots:
    void serverFoundFromAnotherLoginSession_data();
    void serverFoundFromAnotherLoginSession();
    void stopSignalsOnlyItsServer_data();
    void stopSignalsOnlyItsServer();
    void socketFolderCheckedBeforeSetUp_data();
    void socketFolderCheckedBeforeSetUp();
    void socketFolderFallsBackToTmp_data();
    void socketFolderFallsBackToTmp();
    void socketFolderNotTakenFirst_data();
    void socketFolderNotTakenFirst();
    void serverClosedToOtherAccounts_data();
    void serverClosedToOtherAccounts();
    void watchStopsTheServerOfARemovedFolder();
    void printedStepsLetTheScriptIn_data();
    void printedStepsLetTheScriptIn();
};

void TestConnectionsServer::serverFoundFromAnotherLoginSession_data()
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
    // The last of the options wins: found on the port it listens on.
    QTest::newRow("its socket folder emptied, --skip-networking --skip-networking=0")
        << "emptied" << QStringList{"--skip-networking", "--skip-networking=0"} << 0 << "" << restart;
    // Reached where it listens.
    QTest::newRow("its socket folder emptied, listening on 0.0.0.0") << "emptied" << QStringList{"--bind-address=0.0.0.0"} << 0 << "" << restart;
    QTest::newRow("its socket folder emptied, listening on ::1") << "emptied" << QStringList{"--bind-address=::1"} << 0 << "" << restart;
    // IPv6 alone (the server's own choice for ::): not on 127.0.0.1.
    QTest::newRow("its socket folder emptied, listening on ::") << "emptied" << QStringList{"--bind-address=::"} << 0 << "" << restart;
    QTest::newRow("stopped (SIGSTOP), its socket still there") << "frozen" << QStringList() << 3 << neither << neither;
    // A folder whose accounts the script never closed, as an earlier version's.
    QTest::newRow("its socket folder emptied, its accounts never closed")
        << "earlier" << QStringList() << 0 << "stay open.* stop it with .* stop .* start it again with .* start " << restart;
    QTest::newRow("its socket folder made writable by others")
        << "writable" << QStringList() << 0 << "" << "may be written by other accounts";
}

// A server started in one login session is found, used and stopped from another, and never given a second one.
void TestConnectionsServer::serverFoundFromAnotherLoginSession()
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
        QCOMPARE(LogIn(port, QStringLiteral("session_user"), password, QStringLiteral("SELECT CURRENT_USER()"),
                       options.filter(QLatin1String("--bind-address=::")).isEmpty() ? QStringLiteral("127.0.0.1") : QStringLiteral("::1")),
                 QStringLiteral("session_user@localhost"));
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

void TestConnectionsServer::stopSignalsOnlyItsServer_data()
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
void TestConnectionsServer::stopSignalsOnlyItsServer()
{
    QFETCH(QStringList, process);
    QFETCH(QString, owner);
    QFETCH(QString, stopper);
    QFETCH(QString, told);
    if (!owner.isEmpty() || !stopper.isEmpty())
        VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotActAsAnotherAccount());
    QTemporaryDir parent(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
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

void TestConnectionsServer::socketFolderCheckedBeforeSetUp_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("used");
    QTest::newRow("made beforehand with mode 755") << "755" << false;
    QTest::newRow("a link to a folder of mode 700") << "link" << false;
    QTest::newRow("this user's with mode 700, left by a killed server") << "700" << true;
}

// The socket's folder is the user's own, mode 700 and no link, or nothing is set up or started.
void TestConnectionsServer::socketFolderCheckedBeforeSetUp()
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
    const QString output = Start(data, &port, {}, Session(runtime.path()), nullptr, SetUp::ByTheScript);
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

void TestConnectionsServer::socketFolderFallsBackToTmp_data()
{
    QTest::addColumn<QString>("runtime"); // under the test's folder
    QTest::addColumn<bool>("made");
    QTest::newRow("XDG_RUNTIME_DIR that does not exist") << "missing" << false;
    QTest::newRow("XDG_RUNTIME_DIR too long for a socket's path") << QString(90, QLatin1Char('r')) << true;
}

void TestConnectionsServer::socketFolderFallsBackToTmp()
{
    QFETCH(QString, runtime);
    QFETCH(bool, made);
    QTemporaryDir parent(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
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

void TestConnectionsServer::socketFolderNotTakenFirst_data()
{
    QTest::addColumn<QString>("made"); // by nobody, where the socket's folder would be in /tmp
    QTest::addColumn<QString>("then"); // between the step and the next
    QTest::newRow("a folder, the server killed") << "folder" << "killed";
    QTest::newRow("a link, the server stopped") << "link" << "stopped";
    QTest::newRow("a file, the server stopped and the folder it used made by nobody") << "file" << "taken";
}

// Without XDG_RUNTIME_DIR the socket's folder is in /tmp, named from the data folder's path, which any account can
// tell: another account making that name first neither stops the step nor sees its folder removed. The folder used
// instead serves the next starts while it is this account's, and goes with the server.
void TestConnectionsServer::socketFolderNotTakenFirst()
{
    QFETCH(QString, made);
    QFETCH(QString, then);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotActAsAnotherAccount());
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QProcessEnvironment env = Session(QString());
    QStringList nobodys{SocketFolder(QStringLiteral("/tmp"), data)};
    const auto end = qScopeGuard([&] {
        Script({QStringLiteral("stop"), data}, env);
        for (const QString& path : nobodys)
            QFile::remove(path) || QDir(path).removeRecursively();
    });
    const auto asNobody = [&env](const QStringList& command) {
        return RunProgram(QStringLiteral("setpriv"), QStringList{"--reuid=nobody", "--regid=nogroup", "--clear-groups"} + command, env).code == 0;
    };
    // Its owner and mode (a link's own); empty when there is none.
    const auto stated = [](const QString& path) {
        struct stat st;
        return ::lstat(path.toLocal8Bit().constData(), &st) == 0 ? QStringLiteral("%1 %2").arg(st.st_uid).arg(st.st_mode, 0, 8) : QString();
    };
    QVERIFY(asNobody(made == QLatin1String("folder") ? QStringList{"mkdir", "-m", "700", nobodys[0]}
                     : made == QLatin1String("link") ? QStringList{"ln", "-s", home.path(), nobodys[0]}
                                                     : QStringList{"touch", nobodys[0]}));
    QCOMPARE(StepFromTemplate(home.path()), QString());
    QString used;
    for (int run = 0; run < 2; ++run) {
        const Outcome step = RunServerStep(home.path(), env);
        QVERIFY2(step.code == 0, qPrintable(step.output));
        const int port = TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.port")).trimmed().toInt();
        const QString password = QString::fromLatin1(TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.password")).trimmed());
        QCOMPARE(LogIn(port, QStringLiteral("vorantel"), password), QStringLiteral("vorantel@localhost"));
        const QString folder = QFileInfo(SocketOf(data, port)).path();
        QCOMPARE(stated(folder), QStringLiteral("%1 40700").arg(geteuid()));
        if (run == 1)
            QCOMPARE(folder == used, then == QLatin1String("killed"));
        used = folder;
        if (then == QLatin1String("killed")) {
            const int server = ServerPid(data);
            QCOMPARE(::kill(server, SIGKILL), 0);
            QTRY_VERIFY_WITH_TIMEOUT(!Alive(server), 10000);
        }
        if (run == 0 && then != QLatin1String("killed")) {
            QCOMPARE(Script({QStringLiteral("stop"), data}, env), QString());
            QVERIFY(!QFileInfo::exists(used));
            if (then == QLatin1String("taken")) {
                QVERIFY(asNobody({"mkdir", "-m", "700", used}));
                nobodys << used;
            }
        }
    }
    QCOMPARE(Script({QStringLiteral("stop"), data}, env), QString());
    QVERIFY(!QFileInfo::exists(used));
    for (const QString& path : nobodys)
        QVERIFY2(stated(path).startsWith(QStringLiteral("%1 ").arg(getpwnam("nobody")->pw_uid)), qPrintable(path));
}

void TestConnectionsServer::serverClosedToOtherAccounts_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a new data folder") << "new";
    // Root and anonymous accounts with empty passwords; its socket in the data folder.
    QTest::newRow("set up and started by an earlier version") << "earlier";
    QTest::newRow("an earlier version's server found running") << "earlier, running";
    QTest::newRow("an earlier version's server found running by ./run.sh") << "earlier, run.sh";
    // The script is shut out, and the owner is not: the account it administers the server as (this computer's user's,
    // root's for root) given a password.
    QTest::newRow("a folder whose account of the script's user was given a password") << "own password";
    // A password-less way that is not the account's first.
    QTest::newRow("accounts whose second way has no password") << "second way";
}

// Root with an empty password, or any name (an anonymous account), cannot log in over TCP; the application user can.
void TestConnectionsServer::serverClosedToOtherAccounts()
{
    QFETCH(QString, kind);
    const bool earlier = kind.startsWith(QLatin1String("earlier"));
    // Not in the test's folder, whose path may hold a space: the earlier version's set-up cannot take one.
    QTemporaryDir parent(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
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
        QCOMPARE(Start(data, &port, {}, env, nullptr, SetUp::ByTheScript), QString());
        QCOMPARE(Script(makeUser, env, "closed_pw_1"), QString());
    }
    const bool shutOut = kind == QLatin1String("own password");
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
                       QStringLiteral("ALTER USER '%1'@'localhost' IDENTIFIED BY 'owner_pw_1'").arg(Me())),
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
        // Its port, on its command line, is the one it listens on: kept, and the settings' too.
        QCOMPARE(TestSupport::ReadFile(parent.path() + QStringLiteral("/vorantel/server.port")).trimmed(), QByteArray::number(port));
        QCOMPARE(StepSetting(parent.path(), QStringLiteral("DB_PORT")), QString::number(port));
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
            = QRegularExpression(QStringLiteral("log in with\n  (.* --user=%1 -p)\n.*kept:\n  (ALTER USER [^\n]*)\n(?:.*\n)*then run\n  (.*)\nagain\\.$")
                                     .arg(QRegularExpression::escape(Me())))
                  .match(said);
        QVERIFY2(advice.hasMatch(), qPrintable(said));
        const Outcome typed = Typed(advice.captured(1) + QStringLiteral(" -e \"$0\""), QString(), "owner_pw_1\n",
                                    advice.captured(2).replace(QLatin1String("its password"), QLatin1String("owner_pw_1")));
        QVERIFY2(typed.code == 0, qPrintable(typed.output));
        const Outcome next = Typed(advice.captured(3), QString());
        QVERIFY2(next.code == 0 && next.output.isEmpty(), qPrintable(next.output));
        QCOMPARE(Script(makeUser, env, "closed_pw_1"), QString());
        QCOMPARE(LogIn(port, Me(), QStringLiteral("owner_pw_1")), Me() + QStringLiteral("@localhost"));
    }

    for (const QString& account : {QStringLiteral("root"), QStringLiteral("anyone"), QStringLiteral("twin")}) {
        const QString login = LogIn(port, account, QString());
        QVERIFY2(login.startsWith(QLatin1String("refused: ")), qPrintable(account + QLatin1String(": ") + login));
    }
    QCOMPARE(LogIn(port, QStringLiteral("closed_user"), QStringLiteral("closed_pw_1")), QStringLiteral("closed_user@localhost"));
}

// A test's server whose folder is removed under it is stopped by its watch.
void TestConnectionsServer::watchStopsTheServerOfARemovedFolder()
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

void TestConnectionsServer::printedStepsLetTheScriptIn_data()
{
    QTest::addColumn<QString>("grant"); // typed in place of the printed GRANT; empty: as printed
    QTest::newRow("as printed") << "";
    // Closing fails: no mark, or a server later reached on its port only would be taken for a closed one.
    QTest::newRow("an account that may not drop others") << "GRANT SELECT ON mysql.global_priv TO 'daemon'@'localhost';";
}

// A non-root owner's folder of an earlier version, whose root was given a password, has no account for the script:
// start prints how to make one as root, and the next start closes the accounts.
void TestConnectionsServer::printedStepsLetTheScriptIn()
{
    QFETCH(QString, grant);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotActAsAnotherAccount());
    const QString owner = QStringLiteral("daemon");
    const bool closed = grant.isEmpty();
    QTemporaryDir parent(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
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


VORANTEL_TEST_MAIN(TestConnectionsServer)
#include "tst_connections_server.moc"
