#pragma once

// What the tests of the server scripts share: running them (as this account or another), the server step's
// environment and settings, and servers started as earlier versions did.

#include "databasetest.h"
#include "privateserver.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

#include <pwd.h>
#include <unistd.h>

namespace ScriptTest {

// The environment of a login session whose XDG_RUNTIME_DIR is runtime (none when empty).
inline QProcessEnvironment Session(const QString& runtime)
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
inline Outcome RunProgram(const QString& program, const QStringList& arguments, const QProcessEnvironment& env,
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
inline Outcome Run(const QStringList& arguments, const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(),
            const QString& account = QString(), const QByteArray& input = QByteArray())
{
    return RunProgram(QStringLiteral(VORANTEL_SCRIPTS_DIR "/mariadb.sh"), arguments, env, account, input);
}

// A command line as printed, typed in by the account with no terminal (a password prompt then reads the input);
// $0 is the argument.
inline Outcome Typed(const QString& line, const QString& account, const QByteArray& input = QByteArray(),
              const QString& argument = QString())
{
    return RunProgram(QStringLiteral("setsid"), {QStringLiteral("-w"), QStringLiteral("bash"), QStringLiteral("-c"), line, argument},
                      Session(QString()), account, input);
}

// The environment of ./run.sh's server step with its data and the program's settings in home.
inline QProcessEnvironment StepEnvironment(const QString& home, QProcessEnvironment env)
{
    env.insert(QStringLiteral("XDG_DATA_HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    return env;
}

// The step's data folder in home made a copy of the template, for a first step whose words about a new folder do not
// matter (it then says the folder holds no port): the set-up is skipped.
inline QString StepFromTemplate(const QString& home)
{
    return PrivateServer::SetUpFromTemplate(home + QStringLiteral("/vorantel/mariadb"));
}

inline Outcome RunServerStep(const QString& home, QProcessEnvironment env = QProcessEnvironment::systemEnvironment(),
                      const QString& seeder = QStringLiteral(SEED_SETTINGS))
{
    return RunProgram(QStringLiteral(VORANTEL_SCRIPTS_DIR "/run-server.sh"), {seeder}, StepEnvironment(home, env));
}

// The program's setting the step wrote in home; with a value, set to it.
inline QString StepSetting(const QString& home, const QString& key, const QString& value = QString())
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
inline void StartImpostor(QProcess& impostor, const QString& data, int port)
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
inline QString Script(const QStringList& arguments,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), const QByteArray& input = QByteArray())
{
    const Outcome outcome = Run(arguments, env, QString(), input);
    return outcome.code == 0 ? QString() : QStringLiteral("mariadb.sh failed: ") + outcome.output;
}

// Nobody may reap a server whose starter has ended: an ended process counts as gone.
inline bool Alive(int pid)
{
    const QByteArray stat = TestSupport::ReadFile(QStringLiteral("/proc/%1/stat").arg(pid));
    return pid > 0 && !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

inline QString OwnedBy(const QProcess& owner)
{
    return QStringLiteral("--owner=%1").arg(owner.processId());
}

enum class SetUp { FromTemplate, ByTheScript };

// Starts the folder's server on a free port, and sets said to what the start said. A port is free when it is
// looked at, and another program (a test beside this one) may take it before the server binds it: the server is
// then started on another. A new folder is the template's copy unless the script is to set it up.
inline QString Start(const QString& data, int* port, const QStringList& more = {},
              const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment(), QString* said = nullptr,
              SetUp setUp = SetUp::FromTemplate)
{
    if (setUp == SetUp::FromTemplate) {
        const QString error = PrivateServer::SetUpFromTemplate(data);
        if (!error.isEmpty())
            return error;
    }
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

inline int ServerPid(const QString& data)
{
    return TestSupport::ReadFile(data + QStringLiteral("/mysqld.pid")).trimmed().toInt();
}

// Logs in over TCP and runs the statement; its first value (empty when it has none), or the error.
inline QString LogIn(int port, const QString& user, const QString& password,
              const QString& statement = QStringLiteral("SELECT CURRENT_USER()"), const QString& host = QStringLiteral("127.0.0.1"))
{
    const QString name = QStringLiteral("login_%1_%2").arg(port).arg(user);
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), name);
        db.setHostName(host);
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
inline QString SocketFolder(const QString& runtime, const QString& data)
{
    return runtime + QStringLiteral("/vorantel-mariadb-")
           + QString::fromLatin1(QCryptographicHash::hash(data.toUtf8(), QCryptographicHash::Sha256).toHex().left(16));
}

// A short XDG_RUNTIME_DIR, as a login session's: the socket's path then stays under 107 bytes.
inline QString Runtime()
{
    return TestSupport::ShortTempTemplate(QStringLiteral("run"));
}

inline QString Me()
{
    const passwd* entry = getpwuid(geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

// Sets the folder up and starts its server as an earlier version of the script did, as the account (this one when
// empty): root and anonymous accounts with empty passwords, its socket in the data folder. The error, or empty.
inline QString StartEarlier(const QString& data, int* port, const QString& account = QString())
{
    const QString me = account.isEmpty() ? Me() : account;
    QProcessEnvironment env = Session(QString());
    if (!account.isEmpty()) {
        // Not the test's own, which the account cannot write, nor the shared /tmp, where the set-up tool's temporary
        // tables are named from its process number, which another set-up in another PID namespace may have too.
        const QString temp = QFileInfo(data).path() + QStringLiteral("/tmp-") + me;
        const passwd* owner = getpwnam(me.toLocal8Bit().constData());
        if (!QDir().mkpath(temp) || !owner || ::chown(QFile::encodeName(temp).constData(), owner->pw_uid, owner->pw_gid) != 0)
            return QStringLiteral("no temporary folder for ") + me;
        env.insert(QStringLiteral("TMPDIR"), temp);
    }
    // Set up by root for another account, as an administrator would: run as that account, the set-up tool must find
    // a system folder (its PAM tool's) given to that account, which every other set-up run as root gives back to root.
    const Outcome install = RunProgram(QStandardPaths::findExecutable(QStringLiteral("mariadb-install-db")),
                                       {QStringLiteral("--no-defaults"), QStringLiteral("--datadir=") + data,
                                        QStringLiteral("--user=") + me, QStringLiteral("--auth-root-authentication-method=normal")},
                                       env);
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
inline QString SocketOf(const QString& data, int port)
{
    const QString error = Script({QStringLiteral("user"), data, QStringLiteral("sock_user")}, QProcessEnvironment::systemEnvironment(),
                                 "sock_pw_1");
    return error.isEmpty() ? LogIn(port, QStringLiteral("sock_user"), QStringLiteral("sock_pw_1"), QStringLiteral("SELECT @@socket"))
                           : error;
}


} // namespace ScriptTest
