#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

// A MariaDB server of the test's own, started with scripts/mariadb.sh as ./run.sh starts one,
// for what the shared fixture server must not be put through: stopped and started again, or
// started with other defaults.
class PrivateServer
{
public:
    // serverOptions go to the server after the script's defaults.
    explicit PrivateServer(const QStringList& serverOptions = {});
    ~PrivateServer();

    // Starts it (initialising the data folder the first time) and, the first time, creates the
    // application user; the error text, empty on success. A first start whose port another program
    // took meanwhile is made on another: read port() after it.
    QString start();
    QString stop();
    // Killed outright, as a power cut would, and gone (its sockets closed) on return; false when there was no
    // process to kill, it did not go, or its port could not be held.
    bool kill();

    // A free loopback port for a server, from scripts/server-port.py; 0 when none was found.
    static int FreePort();
    // Gives a data folder not set up yet the files of the suite's template (a folder set up once as mariadb.sh sets
    // one up), which its start then takes as set up: a copy costs a fraction of a set-up. Without a template (the
    // program run by hand) the start sets it up itself. The error text, empty on success.
    static QString SetUpFromTemplate(const QString& dataDir);

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return serverPort; }
    QString user() const { return QStringLiteral("vorantel_private"); }
    QString password() const { return QStringLiteral("private_pw_1"); }
    QString dataDir() const { return folder().path(); }

private:
    QString script(const QStringList& arguments, const QByteArray& input = QByteArray()) const;
    // Made on first use: a program asked only for its rows (-datatags) exits without destroying its test object.
    QTemporaryDir& folder() const;
    // The server's process, from its pid file; 0 when there is none.
    int serverPid() const;
    // While it is down its port stays this program's until the next start: any server another program starts
    // meanwhile may be handed it, and ours then cannot come back on it. Held once the process is gone (0: none
    // runs); false when it did not go or the port could not be bound.
    bool holdPortOnceGone(int pid);
    bool holdPort();
    void releasePort();

    mutable std::unique_ptr<QTemporaryDir> dir;
    QStringList options;
    int serverPort = 0;
    bool userMade = false;
    int portHolder = -1; // a socket bound to the port while the server is down
};
