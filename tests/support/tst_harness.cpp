// The test harness itself: what contained.sh makes of a program's run, and what a private server keeps while down.
#include "privateserver.h"
#include "testsupport.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

namespace {

// A stand-in test program: writes its result lines where contained.sh asks for Qt Test's text output, then runs the
// rest of its script.
QByteArray FakeProgram(const QByteArray& lines, const QByteArray& then)
{
    return "#!/bin/sh\nresult=\nwhile [ $# -gt 0 ]; do\n"
           "  [ \"$1\" = -o ] && [ \"${2%,txt}\" != - ] && result=${2%,txt}\n  shift\ndone\n"
           "printf '" + lines + "' >\"$result\"\n" + then + '\n';
}

// The processes that carry a run's mark.
QStringList Marked(const QByteArray& mark)
{
    QStringList found;
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
        const QByteArray environment = TestSupport::ReadFile(QStringLiteral("/proc/%1/environ").arg(pid));
        if (environment.split('\0').contains("VORANTEL_TEST_RUN=" + mark))
            found << pid;
    }
    return found;
}

// The process and everything it started that is still its descendant, as a test runner finds them at a time limit.
QList<pid_t> Tree(pid_t root)
{
    QList<pid_t> tree{root};
    for (int round = 0; round < tree.size(); ++round) {
        for (const QString& pid : QDir(QStringLiteral("/proc")).entryList({QStringLiteral("[0-9]*")}, QDir::Dirs)) {
            const QByteArray stat = TestSupport::ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
            const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
            if (fields.size() > 1 && fields.at(1).toInt() == tree.at(round) && !tree.contains(pid.toInt()))
                tree << pid.toInt();
        }
    }
    return tree;
}

} // namespace

class TestHarness : public QObject
{
    Q_OBJECT

private slots:
    void statusOfARun_data();
    void statusOfARun();
    void runLeavesNothing_data();
    void runLeavesNothing();
    void portHeldWhileDown_data();
    void portHeldWhileDown();
    void writtenProgramsRun();
    void writtenProgramsRunWhereTmpIsNoexec();

private:
    QProcessEnvironment runEnvironment(const QString& name, bool namespaces) const;
    QTemporaryDir programs{TestSupport::ProgramsTemplate(QStringLiteral("harness"))};
};

// The folder the run's skipped rows are noted beside, as ctest gives each program its own.
QProcessEnvironment TestHarness::runEnvironment(const QString& name, bool namespaces) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QDir().mkpath(TestSupport::ScratchDir() + QStringLiteral("/runs"));
    env.insert(QStringLiteral("VORANTEL_TEST_SCRATCH"), TestSupport::ScratchDir() + QStringLiteral("/runs/") + name);
    if (!namespaces)
        env.insert(QStringLiteral("VORANTEL_CONTAINED_PLAIN"), QStringLiteral("1"));
    return env;
}

void TestHarness::statusOfARun_data()
{
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<int>("exit");
    QTest::addColumn<int>("status");
    QTest::addColumn<int>("skipped"); // rows noted for ./test.sh; -1: no note at all
    const QByteArray start = "PASS   : T::initTestCase()\\n", end = "PASS   : T::cleanupTestCase()\\n";
    const QByteArray skip = "SKIP   : T::a(x) needs nothing\\n", pass = "PASS   : T::b()\\n", fail = "FAIL!  : T::c() wrong\\n";
    for (const bool namespaces : {true, false}) {
        const char* mode = namespaces ? "in namespaces where allowed" : "without namespaces";
        QTest::addRow("every row passed, %s", mode) << start + pass + end << 0 << 0 << -1;
        QTest::addRow("rows passed and skipped, %s", mode) << start + skip + pass + end << 0 << 0 << 1;
        // ctest shows 77 as skipped: a failure among skipped rows must show as one.
        QTest::addRow("a failing row among skipped ones, %s", mode) << start + skip + fail + skip + end << 1 << 1 << 2;
        QTest::addRow("every row skipped, %s", mode) << start + skip + skip + end << 0 << 77 << 2;
        QTest::addRow("77 rows failed, %s", mode) << start + fail + end << 77 << 1 << -1;
        QTest::addRow("every row skipped, then a crash, %s", mode) << start + skip << 134 << 134 << 1;
    }
}

// What ctest is told of a run: its status, 77 (shown as skipped) only when no row ran and none failed; and the rows
// skipped, noted for ./test.sh's count.
void TestHarness::statusOfARun()
{
    QFETCH(QByteArray, lines);
    QFETCH(int, exit);
    QFETCH(int, status);
    QFETCH(int, skipped);
    const QString name = QStringLiteral("status%1").arg(qHash(QByteArray(QTest::currentDataTag())));
    const QString program = programs.filePath(name);
    QVERIFY(TestSupport::WriteProgram(program, FakeProgram(lines, "exit " + QByteArray::number(exit))));
    const QProcessEnvironment env = runEnvironment(name, !QByteArray(QTest::currentDataTag()).endsWith("without namespaces"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral(VORANTEL_CONTAINED), {program});
    QVERIFY(run.waitForFinished(60000));
    QCOMPARE(run.exitStatus(), QProcess::NormalExit);
    QVERIFY2(run.exitCode() == status, run.readAll().constData());
    const QString note = env.value(QStringLiteral("VORANTEL_TEST_SCRATCH")) + QStringLiteral(".skipped");
    QCOMPARE(QFileInfo::exists(note), skipped >= 0);
    if (skipped >= 0)
        QCOMPARE(TestSupport::ReadFile(note).count('\n'), skipped);
}

void TestHarness::runLeavesNothing_data()
{
    QTest::addColumn<bool>("killed");
    QTest::addColumn<bool>("namespaces");
    QTest::newRow("ended, in namespaces where allowed") << false << true;
    QTest::newRow("ended, without namespaces") << false << false;
    QTest::newRow("stopped at its time limit, in namespaces where allowed") << true << true;
    QTest::newRow("stopped at its time limit, without namespaces") << true << false;
}

// A program that starts a server with the runner's runtime folder and a process that leaves its own process tree
// leaves none of them, nor its temporary folder, whether it ends or the runner kills it and everything below it.
void TestHarness::runLeavesNothing()
{
    QFETCH(bool, killed);
    QFETCH(bool, namespaces);
    const QString name = QStringLiteral("leaves%1%2").arg(int(killed)).arg(int(namespaces));
    QTemporaryDir runtime(TestSupport::ShortTempTemplate(QStringLiteral("rt")));
    const QString told = programs.filePath(name + QStringLiteral(".run"));
    const QString program = programs.filePath(name);
    QVERIFY(TestSupport::WriteProgram(
        program, FakeProgram("PASS   : T::a()\\n",
                             "data=$VORANTEL_TEST_TMP/data\n"
                             "cp -a --sparse=always \"$VORANTEL_TEST_SERVER_TEMPLATE/.\" \"$data\" || exit 1\n"
                             "'" VORANTEL_SCRIPTS_DIR "/mariadb.sh' start \"$data\" - --port-file=\"$data.port\" "
                             "--skip-networking >&2 || exit 1\n"
                             "(setsid sleep 1000 </dev/null >/dev/null 2>&1 &)\n"
                             "printf '%s\\n' \"$VORANTEL_TEST_TMP\" \"$VORANTEL_TEST_RUN\" >'" + told.toLocal8Bit() + ".new'\n"
                             "mv '" + told.toLocal8Bit() + ".new' '" + told.toLocal8Bit() + "'\n"
                             + QByteArray(killed ? "exec sleep 1000" : "exit 0"))));
    QProcessEnvironment env = runEnvironment(name, namespaces);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::ForwardedChannels);
    run.start(QStringLiteral(VORANTEL_CONTAINED), {program});
    QVERIFY(run.waitForStarted(10000));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(told) || run.state() == QProcess::NotRunning, 60000);
    const QList<QByteArray> said = TestSupport::ReadFile(told).split('\n');
    QVERIFY2(said.size() >= 2 && !said.at(1).isEmpty(), "the program did not start its server");
    QVERIFY2(!QDir(runtime.path()).entryList({QStringLiteral("vorantel-mariadb-*")}, QDir::Dirs).isEmpty(),
             "the server's socket folder is not in the runtime folder");
    if (killed) {
        const QList<pid_t> tree = Tree(pid_t(run.processId()));
        for (const pid_t pid : tree)
            ::kill(pid, SIGSTOP);
        for (const pid_t pid : tree)
            ::kill(pid, SIGKILL);
    }
    QVERIFY(run.waitForFinished(60000));
    // The watcher of a killed run sweeps after it; the run itself sweeps before it ends.
    QTRY_COMPARE_WITH_TIMEOUT(Marked(said.at(1)), QStringList(), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!QFileInfo::exists(QString::fromLocal8Bit(said.at(0))), 30000);
    QCOMPARE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void TestHarness::portHeldWhileDown_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("stopped") << false;
    QTest::newRow("killed") << true;
}

// While a test's server is down its port stays the test's: a server another program starts (binding with address
// reuse, as mariadbd does) cannot take it, and a connection is refused as by a stopped server.
void TestHarness::portHeldWhileDown()
{
    QFETCH(bool, killed);
    PrivateServer server;
    QCOMPARE(server.start(), QString());
    if (killed)
        QVERIFY(server.kill());
    else
        QCOMPARE(server.stop(), QString());
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(server.port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int other = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto closeIt = qScopeGuard([other] { ::close(other); });
    int reuse = 1;
    QCOMPARE(::setsockopt(other, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse), 0);
    QCOMPARE(::bind(other, reinterpret_cast<sockaddr*>(&address), sizeof address), -1);
    QCOMPARE(errno, EADDRINUSE);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const auto closeClient = qScopeGuard([client] { ::close(client); });
    QCOMPARE(::connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), -1);
    QCOMPARE(errno, ECONNREFUSED);
}

// The programs a test writes (stand-ins, hooks) run: a folder they cannot run from fails the row, which would
// otherwise pass over a stand-in to the real program of its name.
void TestHarness::writtenProgramsRun()
{
    QTemporaryDir folder(TestSupport::ProgramsTemplate(QStringLiteral("written")));
    QVERIFY(TestSupport::WriteProgram(folder.filePath(QStringLiteral("hook")), "#!/bin/sh\necho hook\n"));
    StandInPrograms standIns;
    QVERIFY(standIns.add(QStringLiteral("stand-in"), "echo stand-in"));
    for (const QString& program : {folder.filePath(QStringLiteral("hook")), QStringLiteral("stand-in")}) {
        QProcess run;
        run.start(program, QStringList());
        QVERIFY2(run.waitForFinished(10000) && run.exitCode() == 0, qPrintable(program));
        QCOMPARE(run.readAllStandardOutput(), QFileInfo(program).fileName().toUtf8() + '\n');
    }
}

// /tmp mounted without the right to run programs, as hardened computers have it, keeps no row from running what it
// wrote: the row above, run in a mount namespace where /tmp is such a file system.
void TestHarness::writtenProgramsRunWhereTmpIsNoexec()
{
    const QStringList mount{QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                            QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("mount -t tmpfs -o noexec,nosuid,nodev tmpfs /tmp && exec \"$@\""), QStringLiteral("sh")};
    QStringList arguments;
    for (const QStringList& rights : {QStringList(), QStringList{QStringLiteral("--user"), QStringLiteral("--map-root-user")}}) {
        QProcess probe;
        probe.start(QStringLiteral("unshare"), rights + mount + QStringList{QStringLiteral("true")});
        if (probe.waitForFinished(10000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0) {
            arguments = rights + mount;
            break;
        }
    }
    if (arguments.isEmpty())
        QSKIP("needs a mount namespace of its own, which this process may make neither itself nor in a user namespace");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("VORANTEL_TEST_TMP"));
    env.insert(QStringLiteral("VORANTEL_TEST_SCRATCH"), TestSupport::ScratchDir() + QStringLiteral("/noexec"));
    QProcess run;
    run.setProcessEnvironment(env);
    run.setProcessChannelMode(QProcess::MergedChannels);
    run.start(QStringLiteral("unshare"), arguments << QCoreApplication::applicationFilePath() << QStringLiteral("writtenProgramsRun"));
    QVERIFY(run.waitForFinished(60000));
    const QByteArray said = run.readAll();
    QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0, said.constData());
    QVERIFY2(said.contains("PASS   : TestHarness::writtenProgramsRun()"), said.constData());
}

VORANTEL_TEST_MAIN(TestHarness)
#include "tst_harness.moc"
