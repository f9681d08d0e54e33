#pragma once

#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>

class QSqlQuery;

// Renders off screen unless QT_QPA_PLATFORM names a platform, and keeps settings and data files in dir.
void UseScratchEnvironment(const QString& dir);

// A figure of this process's /proc/self/status in KB ("VmRSS:", "VmHWM:"), -1 when it cannot be read.
long ProcessStatusKb(const char* key);
// Sets the peak resident size ("VmHWM:") back to the present one, so that a peak read later is of what followed.
void ResetPeakResident();

// The server a benchmark runs against: the one VORANTEL_TEST_DB_INFO names (the test fixture's info file), or
// else a throw-away one started through scripts/test-db-fixture.sh and stopped again by Stop() or at the end.
class FixtureServer
{
public:
    struct Connection
    {
        QString host, user, password;
        int port = 0;
    };

    ~FixtureServer() { Stop(); }
    // Gives the database manager the server's connection; false when no server could be started.
    bool Start(const QString& scratchDir);
    void Stop();
    // Where the server listens and as whom, once started (for processes of their own).
    const Connection& connection() const { return server; }

private:
    QString info;
    bool ownServer = false;
    Connection server;
};

// Creates the benchmark's inventory database, and its sales database unless sales is empty, as the active
// ones; the database manager opens them afresh when next asked. False, with the error printed, when one fails.
bool CreateDatabases(const QString& inventory, const QString& sales = QString());

// Closes the database manager's databases, drops the benchmark's ones and closes the server connection.
void DropDatabases(const QStringList& names);

// Runs sql; a refused statement is printed with its text.
bool Run(QSqlQuery& query, const QString& sql);

// Runs action, which runs a dialog of type T modally, and steps on that dialog from inside its loop; the dialog is
// closed after them.
template <typename T>
void InModalDialog(const std::function<void()>& action, const std::function<void(T*)>& steps)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll.stop();
        steps(dialog);
        dialog->done(0);
    });
    poll.start(10);
    action();
}
