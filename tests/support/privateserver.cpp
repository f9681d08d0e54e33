#include "privateserver.h"

#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

int PrivateServer::FreePort()
{
    QProcess chooser;
    chooser.start(QStringLiteral(VORANTEL_SCRIPTS_DIR "/server-port.py"), QStringList());
    if (!chooser.waitForFinished(30000) || chooser.exitStatus() != QProcess::NormalExit || chooser.exitCode() != 0)
        return 0;
    return chooser.readAllStandardOutput().trimmed().toInt();
}

QString PrivateServer::SetUpFromTemplate(const QString& dataDir)
{
    const QString templateDir = qEnvironmentVariable("VORANTEL_TEST_SERVER_TEMPLATE");
    if (templateDir.isEmpty() || !QFileInfo::exists(templateDir + QStringLiteral("/mysql"))
        || QFileInfo::exists(dataDir + QStringLiteral("/mysql")))
        return QString();
    if (!QDir().mkpath(dataDir))
        return QStringLiteral("the folder %1 could not be made for the server template").arg(dataDir);
    QProcess copy;
    copy.setProcessChannelMode(QProcess::MergedChannels);
    // Its empty blocks stay holes: most of the server's log is.
    copy.start(QStringLiteral("cp"), {QStringLiteral("-a"), QStringLiteral("--sparse=always"), templateDir + QStringLiteral("/."), dataDir});
    if (!copy.waitForFinished(60000) || copy.exitStatus() != QProcess::NormalExit || copy.exitCode() != 0)
        return QStringLiteral("copying the server template failed: ") + QString::fromLocal8Bit(copy.readAll());
    return QString();
}

PrivateServer::PrivateServer(const QStringList& serverOptions)
    : options(serverOptions)
    , serverPort(FreePort())
{
}

QTemporaryDir& PrivateServer::folder() const
{
    if (!dir)
        dir = std::make_unique<QTemporaryDir>(TestSupport::ShortTempTemplate(QStringLiteral("private")));
    return *dir;
}

PrivateServer::~PrivateServer()
{
    if (!dir)
        return;
    stop();
    releasePort();
    QDir(folder().path() + QStringLiteral(".tmp")).removeRecursively(); // the server's temporary folder
}

QString PrivateServer::script(const QStringList& arguments, const QByteArray& input) const
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(VORANTEL_SCRIPTS_DIR "/mariadb.sh"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return QStringLiteral("mariadb.sh %1 failed: %2")
            .arg(arguments.join(QLatin1Char(' ')), QString::fromLocal8Bit(process.readAll()));
    return QString();
}

QString PrivateServer::start()
{
    if (!folder().isValid())
        return QStringLiteral("no temporary folder");
    // Owned by this process: a test that crashes, aborts or runs out of time takes its server with it.
    const QString owner = QStringLiteral("--owner=%1").arg(QCoreApplication::applicationPid());
    QString error = SetUpFromTemplate(folder().path());
    if (!error.isEmpty())
        return error;
    releasePort();
    for (int attempt = 0; attempt < 3; ++attempt) {
        error = script(QStringList{QStringLiteral("start"), folder().path(), QString::number(serverPort), owner} + options);
        // Another program took the port after it was found free. Before anyone knows the port, another will do.
        if (userMade || !error.contains(QLatin1String("Address already in use")))
            break;
        serverPort = FreePort();
    }
    if (error.isEmpty() && !userMade) {
        error = script({QStringLiteral("user"), folder().path(), user()}, password().toUtf8());
        userMade = error.isEmpty();
    } else if (!error.isEmpty() && userMade) {
        holdPort();
    }
    return error;
}

QString PrivateServer::stop()
{
    const int pid = serverPid();
    const QString error = script({QStringLiteral("stop"), folder().path()});
    // Only a port the server has listened on is held; a stop that failed leaves it the server's.
    if (error.isEmpty() && userMade && !holdPortOnceGone(pid))
        return QStringLiteral("stopped, but its port %1 could not be held").arg(serverPort);
    return error;
}

bool PrivateServer::kill()
{
    const int pid = serverPid();
    return pid > 0 && ::kill(pid, SIGKILL) == 0 && holdPortOnceGone(pid);
}

int PrivateServer::serverPid() const
{
    return TestSupport::ReadFile(dataDir() + QStringLiteral("/mysqld.pid")).trimmed().toInt();
}

bool PrivateServer::holdPortOnceGone(int pid)
{
    // A server keeps its sockets until its last thread has ended; its first thread is a zombie before that.
    const QString status = QStringLiteral("/proc/%1/status").arg(pid);
    for (int i = 0; pid > 0 && i < 10000; ++i) {
        const QByteArray text = TestSupport::ReadFile(status);
        if (text.isEmpty() || (text.contains("\nState:\tZ") && text.contains("\nThreads:\t1\n")))
            return holdPort();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return pid <= 0 && holdPort();
}

bool PrivateServer::holdPort()
{
    if (portHolder >= 0)
        return true;
    // Bound and not listening: a connection is refused, as by a stopped server.
    const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(serverPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const auto bindIt = [&] { return ::bind(holder, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0; };
    bool bound = holder >= 0 && bindIt();
    if (!bound && errno == EADDRINUSE) {
        // The server's last connections linger on the port (FIN_WAIT2, TIME_WAIT): only address reuse binds over them.
        // Cleared once bound, it refuses every later bind there, those with address reuse (the servers') too.
        int reuse = 1;
        ::setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        bound = bindIt();
        reuse = 0;
        bound = bound && ::setsockopt(holder, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse) == 0;
    }
    if (!bound) {
        qWarning("the port %d of the stopped server could not be held: %s", serverPort, std::strerror(errno));
        if (holder >= 0)
            ::close(holder);
        return false;
    }
    portHolder = holder;
    return true;
}

void PrivateServer::releasePort()
{
    if (portHolder >= 0)
        ::close(portHolder);
    portHolder = -1;
}
