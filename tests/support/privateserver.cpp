#include "privateserver.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

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
        dir = std::make_unique<QTemporaryDir>(QStringLiteral("/tmp/vorantel-private.XXXXXX"));
    return *dir;
}

PrivateServer::~PrivateServer()
{
    if (!dir)
        return;
    stop();
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
    }
    return error;
}

QString PrivateServer::stop()
{
    return script({QStringLiteral("stop"), folder().path()});
}
