#pragma once

#include <QString>

class QSqlDatabase;

// Whose program a connection would reach. While the settings are ./run.sh's own (its server on 127.0.0.1, user
// vorantel), any local account can bind the server's port once the server is gone, and would be sent the login and
// the password, or pass the login through to the server and read every statement. Such a connection is made only
// while a listener of this account holds the port.
namespace PortOwner {

struct Refusal
{
    // LoginRefused: the server answered and refused the login (DatabaseFailure::LoginRefusal).
    enum Reason { None, NoSuchPort, NothingListens, OtherAccount, LoginRefused };
    Reason reason = None;
    int port = 0;
    QString account; // the other account's name, or its number when it has none; the user whose login was refused
    bool stepOwn = false; // the settings are ./run.sh's own, which it sets the server's password for

    explicit operator bool() const { return reason != None; }
};

// Checked just before each connection is opened, with the parameters it is opened with. A port outside 0-65535 is
// refused for every server: the client library would take it modulo 65536.
Refusal Check(const QString& host, int port, const QString& user);
// A handle whose port was never set has -1, refused: every opening sets it, 0 for the client's default.
Refusal Check(const QSqlDatabase& db);

// Whether these are ./run.sh's own settings: its server on 127.0.0.1 and its user.
bool StepOwn(const QString& host, const QString& user);

// A port as typed: its number; 0 when the text is no number; -1 for a number no port has (beyond int as well).
int PortFromText(const QString& text);

// The account whose listeners count as this account's: by default this process's own. Tests set another, so that
// the refusal can be seen without a second account.
void SetOwnAccount(uint uid);
// Whether the kernel is asked for its listeners (by default), or its socket tables read, as where it cannot be asked.
void SetKernelAsked(bool asked);

} // namespace PortOwner
