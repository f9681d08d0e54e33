#include "portowner.h"

#include <QFile>
#include <QList>
#include <QRegularExpression>
#include <QSqlDatabase>

#include <cstdlib>

#include <arpa/inet.h>
#include <linux/inet_diag.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sock_diag.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <pwd.h>
#include <unistd.h>

namespace PortOwner {

namespace {

// ./run.sh's server, as the settings it writes name it.
const QString STEP_HOST = QStringLiteral("127.0.0.1");
const QString STEP_USER = QStringLiteral("vorantel");
const QByteArray LISTEN = QByteArrayLiteral("0A");

uint ownAccount = uint(::getuid());
bool askKernel = true;

// The port the client library takes for port 0, as it chooses it.
int DefaultPort()
{
    if (const char* env = std::getenv("MYSQL_TCP_PORT"))
        return std::atoi(env);
    if (const servent* service = ::getservbyname("mysql", "tcp"))
        return ntohs(uint16_t(service->s_port));
    return 3306;
}

// An address of /proc/net/tcp or tcp6: words of eight hex digits, each printed as the kernel holds it.
QByteArray Address(const QByteArray& hex)
{
    QByteArray bytes;
    for (int i = 0; i + 8 <= hex.size(); i += 8) {
        bool ok = false;
        const quint32 word = hex.mid(i, 8).toUInt(&ok, 16);
        if (!ok)
            return QByteArray();
        bytes.append(reinterpret_cast<const char*>(&word), sizeof word);
    }
    return bytes;
}

// Whether a listener there takes connections to 127.0.0.1: the address itself or any address, also as IPv6. A
// listener at :: takes them only without IPV6_V6ONLY; v6only is false where that is not known, as it counts then.
// ::1 and every other address are never reached from 127.0.0.1.
bool ReachedFrom127(const QByteArray& address, bool v6only = false)
{
    static const QByteArray loopback("\x7f\0\0\x01", 4);
    static const QByteArray any4(4, '\0');
    static const QByteArray any6(16, '\0');
    static const QByteArray mapped = QByteArray(10, '\0') + QByteArray("\xff\xff", 2);
    if (address.size() == 4)
        return address == loopback || address == any4;
    if (address == any6)
        return !v6only;
    return address.size() == 16 && address.startsWith(mapped) && ReachedFrom127(address.mid(12));
}

// Whether the kernel's answer for an IPv6 socket says IPV6_V6ONLY; false when it says nothing of it.
bool V6Only(const nlmsghdr* part)
{
    int length = int(part->nlmsg_len) - int(NLMSG_LENGTH(sizeof(inet_diag_msg)));
    const auto* socket = static_cast<const inet_diag_msg*>(NLMSG_DATA(part));
    for (auto* attribute = reinterpret_cast<const rtattr*>(socket + 1); RTA_OK(attribute, length);
         attribute = RTA_NEXT(attribute, length)) {
        if (attribute->rta_type == INET_DIAG_SKV6ONLY && RTA_PAYLOAD(attribute) >= 1)
            return *static_cast<const quint8*>(RTA_DATA(attribute)) != 0;
    }
    return false;
}

// The accounts that listen on port where a connection to 127.0.0.1 may arrive, from the kernel's socket tables. The
// owner column is the socket's, which another account cannot forge. Each read walks every slot of the computer's
// connection table, a few milliseconds whatever it holds: only where the kernel cannot be asked for its listeners alone.
// The tables do not tell IPV6_V6ONLY: another account's listener at :: with it, which 127.0.0.1 never reaches, counts
// here when no IPv4 listener holds the port.
QList<uint> ListenersInTables(int port)
{
    QList<uint> accounts;
    // A busy computer lists thousands of connections: only the lines naming the port are taken apart.
    const QByteArray named = ':' + QByteArray::number(port, 16).toUpper().rightJustified(4, '0') + ' ';
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        // Each table costs a walk of all the computer's connections. An IPv4 listener found in the first is what a
        // connection to 127.0.0.1 reaches: beside it, another account can hold the port only at an IPv6 address that
        // 127.0.0.1 does not reach (:: with IPV6_V6ONLY, ::1).
        if (!accounts.isEmpty())
            break;
        QFile file{QString::fromLatin1(table)};
        if (!file.open(QIODevice::ReadOnly))
            continue; // no tcp6 without IPv6
        const QByteArray text = file.readAll();
        for (int start = text.indexOf('\n') + 1, end = 0; start > 0 && start < text.size(); start = end + 1) {
            end = text.indexOf('\n', start);
            if (end < 0)
                end = text.size();
            const QByteArray line = QByteArray::fromRawData(text.constData() + start, end - start);
            if (!line.contains(named))
                continue;
            // sl local_address rem_address st tx_queue:rx_queue tr:tm->when retrnsmt uid ...
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() < 8 || fields.at(3) != LISTEN)
                continue;
            const QList<QByteArray> local = fields.at(1).split(':');
            bool ok = false;
            if (local.size() != 2 || local.at(1).toInt(&ok, 16) != port || !ok || !ReachedFrom127(Address(local.at(0))))
                continue;
            const uint uid = fields.at(7).toUInt(&ok);
            if (ok)
                accounts << uid;
        }
    }
    return accounts;
}

// The same asked of the kernel for its listening sockets alone (sock_diag), a small fraction of a millisecond; false
// when it cannot be asked. Its answer for an IPv6 socket tells IPV6_V6ONLY, so a listener at :: that 127.0.0.1 does
// not reach is told apart.
bool ListenersAsked(int port, QList<uint>& accounts)
{
    for (const int family : {AF_INET, AF_INET6}) {
        const int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_SOCK_DIAG);
        if (fd < 0)
            return false;
        struct
        {
            nlmsghdr header;
            inet_diag_req_v2 request;
        } ask{};
        ask.header.nlmsg_len = sizeof ask;
        ask.header.nlmsg_type = SOCK_DIAG_BY_FAMILY;
        ask.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
        ask.request.sdiag_family = quint8(family);
        ask.request.sdiag_protocol = IPPROTO_TCP;
        ask.request.idiag_states = 1u << 10; // TCP_LISTEN
        bool failed = ::send(fd, &ask, sizeof ask, 0) != ssize_t(sizeof ask);
        bool done = false;
        alignas(nlmsghdr) char answer[16384];
        while (!done && !failed) {
            int length = int(::recv(fd, answer, sizeof answer, 0));
            if (length <= 0) {
                failed = true;
                break;
            }
            for (auto* part = reinterpret_cast<nlmsghdr*>(answer); NLMSG_OK(part, length); part = NLMSG_NEXT(part, length)) {
                if (part->nlmsg_type == NLMSG_DONE) {
                    done = true;
                    break;
                }
                if (part->nlmsg_type == NLMSG_ERROR) {
                    failed = true;
                    break;
                }
                const auto* socket = static_cast<const inet_diag_msg*>(NLMSG_DATA(part));
                const QByteArray address(reinterpret_cast<const char*>(socket->id.idiag_src), family == AF_INET ? 4 : 16);
                if (ntohs(socket->id.idiag_sport) == port
                    && ReachedFrom127(address, family == AF_INET6 && V6Only(part)))
                    accounts << socket->idiag_uid;
            }
        }
        ::close(fd);
        if (failed)
            return false;
    }
    return true;
}

QList<uint> Listeners(int port)
{
    QList<uint> accounts;
    if (askKernel && ListenersAsked(port, accounts))
        return accounts;
    return ListenersInTables(port);
}

QString AccountName(uint uid)
{
    const passwd* entry = ::getpwuid(uid);
    return entry && entry->pw_name ? QString::fromLocal8Bit(entry->pw_name) : QString::number(uid);
}

} // namespace

Refusal Check(const QString& host, int port, const QString& user)
{
    Refusal refusal;
    refusal.port = port;
    if (port < 0 || port > 65535) {
        refusal.reason = Refusal::NoSuchPort;
        return refusal;
    }
    refusal.stepOwn = StepOwn(host, user);
    if (!refusal.stepOwn)
        return refusal;
    if (port == 0)
        refusal.port = DefaultPort();
    const QList<uint> accounts = Listeners(refusal.port);
    for (const uint uid : accounts) {
        if (uid != ownAccount) {
            refusal.reason = Refusal::OtherAccount;
            refusal.account = AccountName(uid);
            return refusal;
        }
    }
    // Nothing to send anything to: a listener another account starts a moment later is not reached either.
    if (accounts.isEmpty())
        refusal.reason = Refusal::NothingListens;
    return refusal;
}

Refusal Check(const QSqlDatabase& db)
{
    return Check(db.hostName(), db.port(), db.userName());
}

bool StepOwn(const QString& host, const QString& user)
{
    return host == STEP_HOST && user == STEP_USER;
}

int PortFromText(const QString& text)
{
    bool number = false;
    const int port = text.toInt(&number, 10);
    if (number)
        return port;
    static const QRegularExpression digits(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    return digits.match(text).hasMatch() ? -1 : 0;
}

void SetOwnAccount(uint uid)
{
    ownAccount = uid;
}

void SetKernelAsked(bool asked)
{
    askKernel = asked;
}

} // namespace PortOwner
