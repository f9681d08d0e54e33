#pragma once

#include <QAtomicInt>
#include <QByteArray>
#include <QList>
#include <QMutex>
#include <QRegularExpression>
#include <QSemaphore>
#include <QSet>
#include <QString>
#include <QThread>

class QTcpServer;

// Stands between the program and a MariaDB server on a loopback port of its own and passes every
// connection's bytes through, so that a test can make the server's side fail at a chosen statement
// while the server itself stays up: an answer lost after the server carried the statement out, the
// server away, or a statement refused with the server's own error. It runs on its own thread, since the
// program's statements block the thread that sends them; the setters may be called from any thread.
//
// A statement is known by its text: a plain query's, or for the execution of a prepared statement, the
// text of the PREPARE whose answer gave its id. Patterns are matched case-insensitively, anywhere in it.
class SqlProxy
{
public:
    SqlProxy(const QString& serverHost, int serverPort);
    ~SqlProxy();

    QString host() const { return QStringLiteral("127.0.0.1"); }
    int port() const { return listenPort; }

    // The next statement matching the pattern reaches the server, but its answer does not reach the
    // program: that connection's two sides are closed as soon as the server answers (a server side left
    // open would keep an open transaction's rows locked). Once. With thenAway, the proxy goes away at
    // that moment, as setAway(true) does, before the program can open a connection again.
    void loseAnswer(const QString& pattern, bool thenAway = false);
    // The next statement matching the pattern never reaches the server: that connection's two sides are
    // closed instead (the server rolls back what the connection left open). Once, counted as a lost answer;
    // thenAway as for loseAnswer.
    void loseStatement(const QString& pattern, bool thenAway = false);
    // Every statement matching the pattern is answered with the server's error packet (code, SQL state,
    // message) instead of reaching the server, until clear().
    void refuse(const QString& pattern, const QString& message, int code = 1146,
                const QByteArray& sqlState = "42S02");
    // Away: the connections open now are closed, and every new one is closed as soon as it is accepted,
    // until setAway(false).
    void setAway(bool away);
    // Silent: the connections open now are closed, and every new one waits in the listener's backlog and is never
    // answered, as when a program holds the server's port, until setSilent(false).
    void setSilent(bool silent);
    // Back to passing everything through; no longer away.
    void clear();

    int lostAnswers() const { return lost.loadAcquire(); }
    int refusedStatements() const { return refused.loadAcquire(); }
    // Waits for the next lost answer not yet waited for; false when none came within the bound (a hang
    // guard, not a timing: the loss follows from the statement the test sent).
    bool waitForLostAnswer(int boundMs = 30000) { return lostSignal.tryAcquire(1, boundMs); }

    struct Link;

private:
    struct Rule
    {
        QRegularExpression pattern;
        bool lose = false;
        bool beforeServer = false; // lost before the server saw it
        bool thenAway = false;
        QByteArray errorPayload;
    };

    void addLoss(const QString& pattern, bool beforeServer, bool thenAway);
    void accept();
    void closeAll();
    // Whether a rule holds for a statement of that text, and which (a lost answer's rule is taken once).
    bool takeRule(const QByteArray& text, Rule* taken);
    void answerLost(Link* link);

    const QString targetHost;
    const int targetPort;
    int listenPort = 0;

    QThread thread;
    QObject* hub = nullptr; // lives on the thread; every socket is its descendant
    QTcpServer* listener = nullptr;
    QSet<Link*> links; // touched on the proxy's thread only

    QMutex mutex; // guards rules and away
    QList<Rule> rules;
    bool away = false;

    QAtomicInt lost;
    QAtomicInt refused;
    QSemaphore lostSignal;
};
