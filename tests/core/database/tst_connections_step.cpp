#include "portowner.h"
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

// ./run.sh's server step: its port, the settings that follow the server, and its own lines.
class TestConnectionsStep : public QObject
{
    Q_OBJECT

private slots:
    void serverPortOutsideTheLentRange_data();
    void serverPortOutsideTheLentRange();
    void keptPortTakenGivesWayToANewOne();
    void stepGoesPastAFullFirstRange_data();
    void stepGoesPastAFullFirstRange();
    void everyPortSearchedBeforeGivingUp_data();
    void everyPortSearchedBeforeGivingUp();
    void startNotStoppedByAnotherAccount_data();
    void startNotStoppedByAnotherAccount();
    void v6OnlyListenerOnTheKeptPort_data();
    void v6OnlyListenerOnTheKeptPort();
    void settingsFollowTheServer_data();
    void settingsFollowTheServer();
    void stepStopsWithItsOwnLine_data();
    void stepStopsWithItsOwnLine();
    void dataFolderThisAccountsAlone_data();
    void dataFolderThisAccountsAlone();
    void seederRefusesWhatItDoesNotKnow_data();
    void seederRefusesWhatItDoesNotKnow();
};

void TestConnectionsStep::serverPortOutsideTheLentRange_data()
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
void TestConnectionsStep::serverPortOutsideTheLentRange()
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
void TestConnectionsStep::keptPortTakenGivesWayToANewOne()
{
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString portFile = home.path() + QStringLiteral("/vorantel/server.port");
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    QCOMPARE(StepFromTemplate(home.path()), QString());
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

void TestConnectionsStep::stepGoesPastAFullFirstRange_data()
{
    QTest::addColumn<bool>("restart"); // a server started and stopped before, its kept port in the range held too
    QTest::newRow("a first run") << false;
    QTest::newRow("a restart") << true;
}

// Another account holding every port from 20000 up to the lent range (1,000 of them here) moves the server above
// that range, where no outgoing connection takes its port either.
void TestConnectionsStep::stepGoesPastAFullFirstRange()
{
    QFETCH(bool, restart);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotListenAsAnotherAccount());
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORANTEL_LENT_PORTS"), home.filePath(QStringLiteral("lent")));
    QVERIFY(TestSupport::WriteFile(home.filePath(QStringLiteral("lent")), "21000 60999\n"));
    QCOMPARE(StepFromTemplate(home.path()), QString());
    QString kept;
    if (restart) {
        const Outcome first = RunServerStep(home.path(), env);
        kept = QString::fromLatin1(TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.port")).trimmed());
        QVERIFY2(first.code == 0 && kept.toInt() >= 20000 && kept.toInt() < 21000, qPrintable(first.output));
        QCOMPARE(Script({QStringLiteral("stop"), data}), QString());
    }
    // Every port of the range that no other program holds; a socket it cannot open (too many files) ends it.
    QProcess holder;
    const auto endHolder = qScopeGuard([&holder] {
        holder.kill();
        holder.waitForFinished();
    });
    holder.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                                             QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                                             QStringLiteral("import resource, socket, sys, time\n"
                                                            "hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]\n"
                                                            "resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))\n"
                                                            "held = {}\n"
                                                            "for port in range(20000, 21000):\n"
                                                            "    s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
                                                            "    try: s.bind(('127.0.0.1', port)); s.listen(1); held[port] = s\n"
                                                            "    except OSError: s.close()\n"
                                                            "print(*held, flush=True); time.sleep(600)\n")});
    while (!holder.canReadLine() && holder.waitForReadyRead(30000)) {
    }
    QVERIFY(holder.canReadLine());
    const QStringList held = QString::fromLatin1(holder.readLine()).trimmed().split(QLatin1Char(' '));
    QVERIFY(!restart || held.contains(kept));

    const Outcome step = RunServerStep(home.path(), env);
    const QString port = QString::fromLatin1(TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.port")).trimmed());
    // A port of the range that another program (a parallel test's) held while nobody took the others may be free by
    // now: then only a port of nobody's is wrong.
    const bool whole = held.size() == 1000;
    QVERIFY2(step.code == 0 && !held.contains(port) && (!whole || port.toInt() > 60999), qPrintable(step.output));
    QCOMPARE(StepSetting(home.path(), QStringLiteral("DB_PORT")), port);
    const QString password = QString::fromLatin1(TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.password")).trimmed());
    QCOMPARE(LogIn(port.toInt(), QStringLiteral("vorantel"), password), QStringLiteral("vorantel@localhost"));
}

void TestConnectionsStep::everyPortSearchedBeforeGivingUp_data()
{
    QTest::addColumn<QString>("lent");
    QTest::addColumn<int>("spare");       // the one port left free; 0: none
    QTest::addColumn<QString>("printed"); // by server-port.py
    const QString taken = QStringLiteral("server-port.py: every port of %1 is taken\n");
    QTest::newRow("this computer's kind of range") << "32768 60999" << 0 << taken.arg("20000-32767, 61000-65535, 1024-19999 and 32768-60999");
    QTest::newRow("one free port, lent") << "32768 60999" << 45000 << "45000\n";
    QTest::newRow("one free port, below 20000") << "32768 60999" << 1025 << "1025\n";
    QTest::newRow("every port lent") << "1024 65535" << 0 << taken.arg("1024-65535");
    QTest::newRow("a range below 20000") << "10000 15000" << 0 << taken.arg("20000-65535, 1024-9999, 15001-19999 and 10000-15000");
    QTest::newRow("a range up to 65535") << "32768 65535" << 0 << taken.arg("20000-32767, 1024-19999 and 32768-65535");
    QTest::newRow("a range that is no range") << "60999 32768" << 0 << taken.arg("20000-65535 and 1024-19999");
}

// Every port is held in a network of its own (so no other program's are touched), by processes each holding as many
// as they may open: a free port is found wherever it is, and none is said with the ranges searched.
void TestConnectionsStep::everyPortSearchedBeforeGivingUp()
{
    QFETCH(QString, lent);
    QFETCH(int, spare);
    QFETCH(QString, printed);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::NoNetworkOfItsOwn());
    QTemporaryDir dir;
    QVERIFY(TestSupport::WriteFile(dir.filePath(QStringLiteral("lent")), lent.toLatin1()));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VORANTEL_LENT_PORTS"), dir.filePath(QStringLiteral("lent")));
    const QString holders = QStringLiteral(
        "import os, resource, socket, subprocess, sys\n"
        "hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]\n"
        "ports = [p for p in range(1024, 65536) if p != int(sys.argv[2])]\n"
        "stop = os.pipe()\n"
        "for i in range(0, len(ports), hard - 64):\n"
        "    ready = os.pipe()\n"
        "    if os.fork() == 0:\n"
        "        os.close(stop[1]); resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard)); held = []\n"
        "        for port in ports[i:i + hard - 64]:\n"
        "            held.append(socket.socket()); held[-1].bind(('127.0.0.1', port))\n"
        "        os.write(ready[1], b'.'); os.read(stop[0], 1); os._exit(0)\n" // once the first process has ended
        "    os.close(ready[1])\n"
        "    if not os.read(ready[0], 1): sys.exit('a holder failed')\n"
        "    os.close(ready[0])\n"
        "sys.exit(subprocess.run(sys.argv[1], stderr=subprocess.STDOUT).returncode)\n");
    // A network new for the row: the rows before leave TIME_WAIT sockets on ports of the program's own. An account
    // that may make one only in a user namespace makes it there (nothing here asks whose the ports are).
    QStringList network{QStringLiteral("-n"), QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral("ip link set lo up && exec python3 -c \"$@\""), QStringLiteral("sh")};
    if (RunProgram(QStringLiteral("unshare"), {QStringLiteral("-n"), QStringLiteral("true")}, env).code != 0)
        network = QStringList{QStringLiteral("--user"), QStringLiteral("--map-root-user")} + network;
    const Outcome outcome = RunProgram(QStringLiteral("unshare"),
                                       network + QStringList{holders, QStringLiteral(VORANTEL_SCRIPTS_DIR "/server-port.py"), QString::number(spare)}, env);
    QCOMPARE(outcome.output, printed);
    QCOMPARE(outcome.code, spare ? 0 : 1);
}

void TestConnectionsStep::startNotStoppedByAnotherAccount_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("firstLine"); // where the server listens, said by a first run (TAKEN, PORT and FILE standing
                                            // for the port taken, the server's and the port file; empty: nothing)
    QTest::addColumn<QString>("nextLine");  // by the next, once the server was stopped
    const QString kept = QStringLiteral("The server's port TAKEN is taken by another program; the server now listens on PORT (kept in FILE).");
    // The kept port is in server.port, which any account may read in a data folder an earlier version left open to
    // reading: taken while the server is down.
    QTest::newRow("another account binding every port a process names, or a file it can read holds") << "watcher" << "" << kept;
    QTest::newRow("another account binding the chosen port, then the kept one, just as the server starts")
        << "race"
        << "The port TAKEN chosen for the server was taken by another program as it started; the server now listens on PORT (kept in FILE)."
        << kept;
}

// Another account that binds the port the step chooses before the server does cannot keep the server from starting:
// the port is in no process's arguments, and a start refused for its port goes on with another. A first run and the
// next, the server stopped in between, each end with this account's server, and the settings and server.port on its
// port.
void TestConnectionsStep::startNotStoppedByAnotherAccount()
{
    QFETCH(QString, kind);
    QFETCH(QString, firstLine);
    QFETCH(QString, nextLine);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotListenAsAnotherAccount());
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    // Open to every account, as many a home folder is, and the data folder as an earlier version left it under umask
    // 022 (a new one is this account's alone): what another account can read there, it may use.
    const QFile::Permissions readable = QFile::ReadOther | QFile::ExeOther;
    QVERIFY(QFile::setPermissions(home.path(), QFile::permissions(home.path()) | readable));
    QVERIFY(QDir().mkpath(home.filePath(QStringLiteral("vorantel")))
            && QFile::setPermissions(home.filePath(QStringLiteral("vorantel")), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | readable));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString portFile = home.path() + QStringLiteral("/vorantel/server.port");
    const QString raced = home.filePath(QStringLiteral("raced"));
    const QString armed = home.filePath(QStringLiteral("armed"));
    QTemporaryDir programs(TestSupport::ProgramsTemplate(QStringLiteral("step")));
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QString code = QStringLiteral(
        "import os, re, socket, sys, time\n"
        "home, held = sys.argv[1], {}\n"
        "def bind(port):\n"
        "    s = socket.socket(); s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)\n"
        "    try: s.bind(('127.0.0.1', port)); s.listen(9); held[port] = s\n"
        "    except OSError: s.close()\n");
    if (kind == QLatin1String("watcher")) {
        // Every number in the arguments of the test's processes (the step's) and of those that name the home folder,
        // and every port in a small file under it that it can read.
        code += QStringLiteral(
            "def take(text):\n"
            "    for n in re.findall(rb'(?<![0-9])[0-9]{4,5}(?![0-9])', text):\n"
            "        if 1024 <= int(n) < 65536 and int(n) not in held: bind(int(n))\n"
            "while True:\n"
            "    parent, args = {}, {}\n"
            "    for pid in os.listdir('/proc'):\n"
            "        try:\n"
            "            if pid.isdigit() and int(pid) != os.getpid():\n"
            "                args[pid] = open('/proc/%s/cmdline' % pid, 'rb').read()\n"
            "                parent[pid] = open('/proc/%s/stat' % pid).read().rsplit(')', 1)[1].split()[1]\n"
            "        except (OSError, IndexError): args.pop(pid, None)\n"
            "    for pid in args:\n"
            "        up = pid\n"
            "        while up in parent and up != sys.argv[2]: up = parent[up]\n"
            "        if up == sys.argv[2] or home.encode() in args[pid]: take(args[pid])\n"
            "    for top, dirs, files in os.walk(home):\n"
            "        dirs[:] = [d for d in dirs if d not in ('mysql', 'performance_schema', 'sys')]\n"
            "        for name in files:\n"
            "            try:\n"
            "                if os.path.getsize(os.path.join(top, name)) > 4096: continue\n"
            "                text = open(os.path.join(top, name), 'rb').read()\n"
            "                take(text if 'port' in name else b' '.join(re.findall(rb'(?i)port\\W{0,3}[0-9]+', text)))\n"
            "            except OSError: pass\n"
            "    print('ready', flush=True)\n"
            "    time.sleep(0.02)\n");
    } else {
        // Each port a hook hands over, run by the start just before it starts the server once armed, which waits
        // until the port is bound.
        code += QStringLiteral(
            "last = ''\n"
            "while True:\n"
            "    try: port = open(home + '/raced').read()\n"
            "    except OSError: port = ''\n"
            "    if port != last and port: bind(int(port)); last = port\n"
            "    time.sleep(0.01)\n");
        const QString hook = programs.filePath(QStringLiteral("hook"));
        QVERIFY(TestSupport::WriteProgram(hook, "#!/bin/sh\nread port\nrm '" + armed.toLocal8Bit() + "' 2>/dev/null || exit 0\n"
                                             "umask 022\necho \"$port\" >'" + raced.toLocal8Bit() + ".new'\n"
                                             "mv '" + raced.toLocal8Bit() + ".new' '" + raced.toLocal8Bit() + "'\n"
                                             "hex=$(printf '%04X' \"$port\")\nfor _ in $(seq 200); do\n"
                                             "  grep -q \":$hex 00000000:0000 0A .* 65534 \" /proc/net/tcp && exit 0\n"
                                             "  sleep 0.05\ndone\necho \"hook: nobody holds $port\" >&2\nexit 1\n"));
        env.insert(QStringLiteral("VORANTEL_START_HOOK"), hook);
    }
    QProcess other;
    const auto endOther = qScopeGuard([&other] {
        other.kill();
        other.waitForFinished();
    });
    other.start(QStringLiteral("setpriv"), {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                                            QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"), code, home.path(),
                                            QString::number(QCoreApplication::applicationPid())});
    QVERIFY(other.waitForStarted());

    for (QString line : {firstLine, nextLine}) {
        QString taken = QString::fromLatin1(TestSupport::ReadFile(portFile).trimmed());
        if (!taken.isEmpty())
            QCOMPARE(Script({QStringLiteral("stop"), data}), QString());
        if (kind == QLatin1String("race"))
            QVERIFY(TestSupport::WriteFile(armed, QByteArray()));
        else // a whole look round after the last change
            for (int looks = 0; looks < 2; looks += other.readAll().count("ready"))
                QVERIFY(other.waitForReadyRead(10000));
        const Outcome step = RunServerStep(home.path(), env);
        if (kind == QLatin1String("race"))
            taken = QString::fromLatin1(TestSupport::ReadFile(raced).trimmed());
        const QString port = QString::fromLatin1(TestSupport::ReadFile(portFile).trimmed());
        QVERIFY2(step.code == 0 && port.toInt() > 0 && port != taken, qPrintable(step.output));
        QCOMPARE(StepSetting(home.path(), QStringLiteral("DB_PORT")), port);
        const QString password = QString::fromLatin1(TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.password")).trimmed());
        QCOMPARE(LogIn(port.toInt(), QStringLiteral("vorantel"), password), QStringLiteral("vorantel@localhost"));
        QCOMPARE(step.output.split(QLatin1Char('\n')).filter(QLatin1String("listens on")),
                 line.isEmpty() ? QStringList()
                                : QStringList{line.replace(QLatin1String("TAKEN"), taken)
                                                  .replace(QLatin1String("PORT"), port)
                                                  .replace(QLatin1String("FILE"), portFile)});
    }
}

void TestConnectionsStep::v6OnlyListenerOnTheKeptPort_data()
{
    QTest::addColumn<bool>("serverUp");
    QTest::newRow("the server running") << true;
    QTest::newRow("the server stopped") << false;
}

// Another account listening at :: with IPV6_V6ONLY on the kept port takes no connection to 127.0.0.1: the step keeps
// the port without a word, and the program connects on the port the settings name.
void TestConnectionsStep::v6OnlyListenerOnTheKeptPort()
{
    QFETCH(bool, serverUp);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotListenAsAnotherAccount());
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString portFile = home.path() + QStringLiteral("/vorantel/server.port");
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    QCOMPARE(StepFromTemplate(home.path()), QString());
    const Outcome first = RunServerStep(home.path());
    const QString kept = QString::fromLatin1(TestSupport::ReadFile(portFile).trimmed());
    QVERIFY2(first.code == 0 && kept.toInt() > 0, qPrintable(first.output));
    if (!serverUp)
        QCOMPARE(Script({QStringLiteral("stop"), data}), QString());
    QProcess other;
    const auto endOther = qScopeGuard([&other] {
        other.kill();
        other.waitForFinished();
    });
    other.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                 QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                 QStringLiteral("import socket, time\n"
                                "s = socket.socket(socket.AF_INET6); s.setsockopt(socket.IPPROTO_IPV6, socket.IPV6_V6ONLY, 1)\n"
                                "s.bind(('::', %1)); s.listen(9); print('ready', flush=True); time.sleep(600)\n")
                     .arg(kept)});
    QVERIFY2(other.waitForReadyRead(10000), other.readAllStandardError().constData());

    const Outcome step = RunServerStep(home.path());
    QVERIFY2(step.code == 0, qPrintable(step.output));
    QCOMPARE(QString::fromLatin1(TestSupport::ReadFile(portFile).trimmed()), kept);
    QCOMPARE(step.output.split(QLatin1Char('\n')).filter(QLatin1String("listens on")), QStringList());
    const QString port = StepSetting(home.path(), QStringLiteral("DB_PORT"));
    QCOMPARE(port, kept);
    const QString password = QString::fromUtf8(TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.password")).trimmed());
    const PortOwner::Refusal refusal =
        PortOwner::Check(StepSetting(home.path(), QStringLiteral("DB_SERVER")), port.toInt(),
                         StepSetting(home.path(), QStringLiteral("DB_USER")));
    QVERIFY2(!refusal, qPrintable(QStringLiteral("refused: %1 %2").arg(refusal.reason).arg(refusal.account)));
    QCOMPARE(LogIn(port.toInt(), QStringLiteral("vorantel"), password), QStringLiteral("vorantel@localhost"));
}

void TestConnectionsStep::settingsFollowTheServer_data()
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
    QTest::newRow("server.port given a trailing blank, the server stopped") << "trailing blank" << false;
    QTest::newRow("server.port given a second line, the server stopped") << "second line" << false;
    // Written back to the port alone, which the step then reads as start does.
    QTest::newRow("server.port given a trailing blank, the server running") << "trailing blank, running" << true;
    QTest::newRow("server.port holding its port after a blank, the server running") << "blank, running" << true;
    QTest::newRow("server.port given a CRLF ending, the server running") << "crlf, running" << true;
    QTest::newRow("server.port given a second line, the server running") << "second line, running" << true;
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
    // A crash leaves the pid file, whose number may be any process's now.
    QTest::newRow("the server killed, its pid file naming another account's process that names its folder")
        << "impostor, pid file" << true;
}

// Whatever happened to the port, its file or the user, the step ends with the program's settings on its server, the
// database beside untouched; no program it runs has the password in its arguments, which any local account may read
// (recorded by stand-ins first on the PATH for the clients and the seeder, and by bash's start-up file for the scripts).
void TestConnectionsStep::settingsFollowTheServer()
{
    QFETCH(QString, change);
    QFETCH(bool, samePort);
    const bool impostor = change.startsWith(QLatin1String("impostor"));
    if (impostor)
        VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotListenAsAnotherAccount());
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    QTemporaryDir runtime(Runtime());
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString portFile = home.path() + QStringLiteral("/vorantel/server.port");
    const QString passwordFile = home.path() + QStringLiteral("/vorantel/server.password");
    QProcessEnvironment session = Session(runtime.path());
    const auto end = qScopeGuard([data, session] { Script({QStringLiteral("stop"), data}, session); });
    const QString log = runtime.filePath(QStringLiteral("arguments"));
    const QByteArray record = "printf '%s\\n' \"$0\" \"$@\" >>'" + log.toLocal8Bit() + "'\n";
    QVERIFY(TestSupport::WriteFile(runtime.filePath(QStringLiteral("bash-env")), record));
    QTemporaryDir programs(TestSupport::ProgramsTemplate(QStringLiteral("step")));
    for (const QString& tool : {"mariadb", "mariadb-admin", "seed-settings"}) {
        const QString real = tool == QLatin1String("seed-settings") ? QStringLiteral(SEED_SETTINGS) : QStandardPaths::findExecutable(tool);
        QVERIFY(TestSupport::WriteProgram(programs.filePath(tool), "#!/bin/sh\n" + record + "exec '" + real.toLocal8Bit() + "' \"$@\"\n"));
    }
    session.insert(QStringLiteral("PATH"), programs.path() + QLatin1Char(':') + session.value(QStringLiteral("PATH")));
    session.insert(QStringLiteral("BASH_ENV"), runtime.filePath(QStringLiteral("bash-env")));
    QCOMPARE(StepFromTemplate(home.path()), QString());
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
    // The port file as an editor may leave it.
    const auto edited = [&first](const QString& edit) -> QByteArray {
        return edit == QLatin1String("crlf")             ? first + "\r\n"
               : edit == QLatin1String("blank")          ? ' ' + first
               : edit == QLatin1String("trailing blank") ? first + " \n"
               : edit == QLatin1String("second line")    ? first + "\nthe server's port\n"
                                                         : edit.toLatin1();
    };
    if (change.startsWith(QLatin1String("removed"))) {
        QVERIFY(QFile::remove(portFile));
        if (change.endsWith(QLatin1String("logout")))
            QVERIFY(QDir(SocketFolder(runtime.path(), data)).removeRecursively());
    } else if (change == QLatin1String("logout")) {
        QVERIFY(QDir(SocketFolder(runtime.path(), data)).removeRecursively());
    } else if (change.endsWith(QLatin1String(", running"))) {
        QVERIFY(TestSupport::WriteFile(portFile, edited(change.section(QLatin1Char(','), 0, 0))));
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
        if (change.endsWith(QLatin1String("pid file"))) {
            const int server = ServerPid(data);
            QCOMPARE(::kill(server, SIGKILL), 0);
            QTRY_VERIFY_WITH_TIMEOUT(!Alive(server), 10000);
        } else {
            QCOMPARE(Script({QStringLiteral("stop"), data}, session), QString());
        }
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
            if (change.endsWith(QLatin1String("pid file")))
                QVERIFY(TestSupport::WriteFile(data + QStringLiteral("/mysqld.pid"), QByteArray::number(other.processId()) + '\n'));
        } else {
            QVERIFY(TestSupport::WriteFile(portFile, edited(change.section(QLatin1Char(','), 0, 0))));
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
    QCOMPARE(TestSupport::ReadFile(portFile), port.toLatin1() + '\n');
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

void TestConnectionsStep::stepStopsWithItsOwnLine_data()
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
    const QString noPort = QStringLiteral("The server of DATA listens on no port (started with --skip-networking?); the program reaches it over TCP only.");
    QTest::newRow("a server started with --skip-networking") << "--skip-networking" << noPort;
    // server.port emptied: no port kept that the server does not listen on.
    QTest::newRow("--skip-networking=true given after a normal run with a kept port") << "a run, --skip-networking=true" << noPort;
    // The server started cannot tell where it listens.
    QTest::newRow("no ss on the computer") << "no ss"
                                           << QStringLiteral("mariadb.sh: ss is not installed; install it with: %1apt-get install iproute2")
                                                  .arg(geteuid() == 0 ? "" : "sudo ");
}

// What the step cannot go on from is said in a line of its own, the program's settings are left alone, and a server
// it started is stopped.
void TestConnectionsStep::stepStopsWithItsOwnLine()
{
    QFETCH(QString, kind);
    QFETCH(QString, line);
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    const QString data = home.path() + QStringLiteral("/vorantel/mariadb");
    const QString passwordFile = home.path() + QStringLiteral("/vorantel/server.password");
    const auto end = qScopeGuard([data] { Script({QStringLiteral("stop"), data}); });
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QVERIFY(QDir().mkpath(data));
    QTemporaryDir programs(TestSupport::ProgramsTemplate(QStringLiteral("step")));
    if (kind == QLatin1String("10.5")) {
        // A client that reaches a server of 10.5 (Debian 11's).
        const QString client = programs.filePath(QStringLiteral("mariadb"));
        QVERIFY(TestSupport::WriteProgram(client, "#!/bin/bash\nv=\"'10.5.19-MariaDB-0+deb11u2'\"\nfor a; do\n"
                                               "  [[ $a != *JSON_TABLE* ]] || { echo \"ERROR 1064 (42000): near '(g.Priv'\" >&2; exit 1; }\n"
                                               "  set -- \"$@\" \"${a//VERSION()/$v}\"; shift\ndone\nexec '"
                                                   + QStandardPaths::findExecutable(QStringLiteral("mariadb")).toLocal8Bit() + "' \"$@\"\n"));
        env.insert(QStringLiteral("PATH"), programs.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    } else if (kind == QLatin1String("no ss")) {
        // Every program of the PATH but ss.
        const QString tools = home.filePath(QStringLiteral("tools"));
        QVERIFY(QDir().mkpath(tools));
        for (const QFileInfo& tool : QDir(QStringLiteral("/usr/bin")).entryInfoList(QDir::Files | QDir::System))
            QVERIFY(tool.fileName() == QLatin1String("ss") || QFile::link(tool.filePath(), tools + QLatin1Char('/') + tool.fileName()));
        env.insert(QStringLiteral("PATH"), tools + QStringLiteral(":/usr/sbin"));
    } else if (kind.contains(QLatin1String("--"))) {
        if (kind.startsWith(QLatin1String("a run"))) {
            const Outcome run = RunServerStep(home.path(), env);
            QVERIFY2(run.code == 0, qPrintable(run.output));
            QCOMPARE(Script({QStringLiteral("stop"), data}), QString());
        }
        int port = 0;
        QCOMPARE(Start(data, &port, {kind.section(QLatin1Char(' '), -1)}), QString());
    } else {
        QVERIFY(TestSupport::WriteFile(passwordFile, kind.toLatin1()));
    }
    const QString settings = StepSetting(home.path(), QStringLiteral("DB_PORT"));
    const Outcome step = RunServerStep(home.path(), env);
    QVERIFY2(step.code > 0, qPrintable(step.output));
    line.replace(QLatin1String("FILE"), passwordFile).replace(QLatin1String("DATA"), data);
    QVERIFY2(step.output.split(QLatin1Char('\n')).contains(line), qPrintable(step.output));
    QCOMPARE(StepSetting(home.path(), QStringLiteral("DB_PORT")), settings);
    QCOMPARE(Run({QStringLiteral("running"), data}).code, kind.contains(QLatin1String("--")) ? 0 : 1);
    if (kind.contains(QLatin1String("--")))
        QCOMPARE(TestSupport::ReadFile(home.path() + QStringLiteral("/vorantel/server.port")).trimmed(), QByteArray());
}

void TestConnectionsStep::dataFolderThisAccountsAlone_data()
{
    QTest::addColumn<bool>("left"); // the data folder left mode 775 by an earlier version; else none there yet
    QTest::newRow("a data folder made under umask 002") << false;
    QTest::newRow("a data folder an earlier version left 775, under umask 002") << true;
}

// Under umask 002 (a private group's) the step makes the data folder and the folders it makes in it this account's
// alone, and narrows one an earlier version left open, saying so once: the program keeps its lock only in such a one.
void TestConnectionsStep::dataFolderThisAccountsAlone()
{
    QFETCH(bool, left);
    QTemporaryDir home(TestSupport::ShortTempTemplate(QStringLiteral("conn")));
    const QString folder = home.path() + QStringLiteral("/vorantel");
    const auto end = qScopeGuard([folder] { Script({QStringLiteral("stop"), folder + QStringLiteral("/mariadb")}); });
    if (left)
        QVERIFY(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0775) == 0);
    const Outcome step = RunProgram(QStringLiteral("bash"),
                                    {QStringLiteral("-c"), QStringLiteral("umask 002 && exec \"$0\" \"$@\""),
                                     QStringLiteral(VORANTEL_SCRIPTS_DIR "/run-server.sh"), QStringLiteral(SEED_SETTINGS)},
                                    StepEnvironment(home.path(), QProcessEnvironment::systemEnvironment()));
    QVERIFY2(step.code == 0, qPrintable(step.output));
    for (const QString& made : {folder, folder + QStringLiteral("/mariadb"), folder + QStringLiteral("/mariadb.tmp")}) {
        struct stat info;
        QVERIFY2(::stat(QFile::encodeName(made).constData(), &info) == 0 && (info.st_mode & 07777) == 0700, qPrintable(made));
    }
    const QString said = QStringLiteral("The program's data folder %1 was mode 775, which its group or other accounts could write; it is"
                                        " now this account's alone, mode 700.")
                             .arg(folder);
    QCOMPARE(step.output.split(QLatin1Char('\n')).count(said), left ? 1 : 0);
}

void TestConnectionsStep::seederRefusesWhatItDoesNotKnow_data()
{
    QTest::addColumn<QString>("option");
    QTest::newRow("an option it does not know") << "--in-place-of=DB_PASSWORD";
    // Any settings would count as its own, and settings entered by hand for another server be overwritten.
    QTest::newRow("--own= with no key") << "--own=";
    QTest::newRow("--own= with a key not given") << "--own=DB_PASSWORD";
}

void TestConnectionsStep::seederRefusesWhatItDoesNotKnow()
{
    QFETCH(QString, option);
    QTemporaryDir home;
    const Outcome seeded = RunProgram(QStringLiteral(SEED_SETTINGS), {option, QStringLiteral("DB_SERVER=127.0.0.1")},
                                      StepEnvironment(home.path(), QProcessEnvironment::systemEnvironment()));
    QVERIFY2(seeded.code == 2 && seeded.output.contains(QLatin1String("Usage: seed-settings")), qPrintable(seeded.output));
    QVERIFY(!QFileInfo::exists(home.filePath(QStringLiteral("config"))));
}

VORANTEL_TEST_MAIN(TestConnectionsStep)
#include "tst_connections_step.moc"
