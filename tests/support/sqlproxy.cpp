#include "sqlproxy.h"

#include <QHash>
#include <QMutexLocker>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

namespace {

// The protocol's commands that matter here (first byte of a packet the client starts with sequence 0).
constexpr char ComQuery = 0x03;
constexpr char ComStmtPrepare = 0x16;
constexpr char ComStmtExecute = 0x17;
constexpr char ComStmtClose = 0x19;

// Capabilities taken out of the server's greeting, so that the stream stays plain packets.
constexpr quint16 ClientCompress = 0x0020;
constexpr quint16 ClientSsl = 0x0800;

QByteArray Packet(quint8 sequence, const QByteArray& payload)
{
    QByteArray packet(4, '\0');
    qToLittleEndian<quint32>(quint32(payload.size()), packet.data()); // 3 bytes; the 4th is overwritten
    packet[3] = char(sequence);
    return packet + payload;
}

quint32 PayloadLength(const QByteArray& buffer)
{
    const uchar* p = reinterpret_cast<const uchar*>(buffer.constData());
    return p[0] | (p[1] << 8) | (p[2] << 16);
}

} // namespace

// One program connection and the server connection it is passed to; lives on the proxy's thread.
struct SqlProxy::Link : QObject
{
    QTcpSocket* client = nullptr;
    QTcpSocket* server = nullptr;
    QByteArray fromClient;     // bytes of a packet not yet whole
    QByteArray greeting;       // the server's first packet, until whole
    bool greeted = false;
    QByteArray prepareAnswer;  // start of the answer to a PREPARE, until it shows the statement id
    QByteArray preparing;      // that PREPARE's text
    bool awaitingPrepare = false;
    QHash<quint32, QByteArray> prepared; // statement id -> text
    bool loseNextAnswer = false;
    bool awayAfterLoss = false;
    bool closed = false;

    void close()
    {
        if (closed)
            return;
        closed = true;
        client->abort();
        server->abort();
        deleteLater();
    }
};

SqlProxy::SqlProxy(const QString& serverHost, int serverPort)
    : targetHost(serverHost)
    , targetPort(serverPort)
{
    hub = new QObject;
    hub->moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(hub, [this] {
        listener = new QTcpServer(hub);
        QObject::connect(listener, &QTcpServer::newConnection, hub, [this] { accept(); });
        if (listener->listen(QHostAddress::LocalHost, 0))
            listenPort = listener->serverPort();
    }, Qt::BlockingQueuedConnection);
}

SqlProxy::~SqlProxy()
{
    QMetaObject::invokeMethod(hub, [this] {
        closeAll();
        delete listener;
    }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    delete hub;
}

void SqlProxy::loseAnswer(const QString& pattern, bool thenAway)
{
    addLoss(pattern, false, thenAway);
}

void SqlProxy::loseStatement(const QString& pattern, bool thenAway)
{
    addLoss(pattern, true, thenAway);
}

void SqlProxy::addLoss(const QString& pattern, bool beforeServer, bool thenAway)
{
    Rule rule;
    rule.pattern = QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
    rule.lose = true;
    rule.beforeServer = beforeServer;
    rule.thenAway = thenAway;
    QMutexLocker lock(&mutex);
    rules << rule;
}

void SqlProxy::refuse(const QString& pattern, const QString& message, int code, const QByteArray& sqlState)
{
    Rule rule;
    rule.pattern = QRegularExpression(pattern, QRegularExpression::CaseInsensitiveOption);
    QByteArray payload(3, '\0');
    payload[0] = char(0xff);
    qToLittleEndian<quint16>(quint16(code), payload.data() + 1);
    rule.errorPayload = payload + '#' + sqlState.left(5) + message.toUtf8();
    QMutexLocker lock(&mutex);
    rules << rule;
}

void SqlProxy::setAway(bool isAway)
{
    {
        QMutexLocker lock(&mutex);
        away = isAway;
    }
    if (isAway)
        QMetaObject::invokeMethod(hub, [this] { closeAll(); }, Qt::BlockingQueuedConnection);
}

void SqlProxy::setSilent(bool silent)
{
    QMetaObject::invokeMethod(hub, [this, silent] {
        if (!silent) {
            listener->resumeAccepting();
            return;
        }
        listener->pauseAccepting();
        closeAll();
    }, Qt::BlockingQueuedConnection);
}

void SqlProxy::clear()
{
    QMutexLocker lock(&mutex);
    rules.clear();
    away = false;
}

bool SqlProxy::takeRule(const QByteArray& text, Rule* taken)
{
    const QString statement = QString::fromUtf8(text);
    QMutexLocker lock(&mutex);
    for (int i = 0; i < rules.size(); ++i) {
        if (!rules.at(i).pattern.match(statement).hasMatch())
            continue;
        *taken = rules.at(i);
        if (taken->lose)
            rules.removeAt(i);
        return true;
    }
    return false;
}

void SqlProxy::closeAll()
{
    const QSet<Link*> open = links;
    links.clear();
    for (Link* link : open)
        link->close();
}

void SqlProxy::answerLost(Link* link)
{
    const bool goAway = link->awayAfterLoss;
    if (goAway) {
        QMutexLocker lock(&mutex);
        away = true;
    }
    // Counted before the program can see the connection end.
    lost.fetchAndAddRelease(1);
    lostSignal.release();
    links.remove(link);
    link->close();
    if (goAway)
        closeAll();
}

void SqlProxy::accept()
{
    while (QTcpSocket* client = listener->nextPendingConnection()) {
        bool isAway;
        {
            QMutexLocker lock(&mutex);
            isAway = away;
        }
        if (isAway) {
            client->abort();
            client->deleteLater();
            continue;
        }
        Link* link = new Link;
        link->setParent(hub);
        link->client = client;
        client->setParent(link);
        link->server = new QTcpSocket(link);
        links.insert(link);

        QObject::connect(client, &QTcpSocket::disconnected, link, [this, link] {
            links.remove(link);
            link->close();
        });
        QObject::connect(link->server, &QTcpSocket::disconnected, link, [this, link] {
            links.remove(link);
            link->close();
        });
        QObject::connect(link->server, &QAbstractSocket::errorOccurred, link, [this, link] {
            links.remove(link);
            link->close();
        });

        QObject::connect(link->server, &QTcpSocket::readyRead, link, [this, link] {
            QByteArray data = link->server->readAll();
            if (link->closed)
                return;
            if (link->loseNextAnswer) {
                answerLost(link);
                return;
            }
            if (!link->greeted) {
                link->greeting += data;
                if (link->greeting.size() < 4 || quint32(link->greeting.size()) < 4 + PayloadLength(link->greeting))
                    return;
                // Protocol version, server version up to its NUL, thread id (4), scramble (8), filler (1),
                // then the lower capability flags.
                const int end = link->greeting.indexOf('\0', 5);
                const int flags = end + 1 + 4 + 8 + 1;
                if (end > 0 && flags + 2 <= link->greeting.size()) {
                    quint16 capabilities = qFromLittleEndian<quint16>(link->greeting.constData() + flags);
                    capabilities &= ~(ClientCompress | ClientSsl);
                    qToLittleEndian<quint16>(capabilities, link->greeting.data() + flags);
                }
                data = link->greeting;
                link->greeting.clear();
                link->greeted = true;
            }
            if (link->awaitingPrepare) {
                // The client waits for the whole answer before its next command, so the answer starts
                // at a packet boundary: 0x00 and the statement id, or an error packet.
                link->prepareAnswer += data.left(9);
                if (link->prepareAnswer.size() >= 9) {
                    if (link->prepareAnswer.at(4) == 0)
                        link->prepared.insert(qFromLittleEndian<quint32>(link->prepareAnswer.constData() + 5),
                                              link->preparing);
                    link->awaitingPrepare = false;
                } else if (link->prepareAnswer.size() >= 5 && link->prepareAnswer.at(4) != 0) {
                    link->awaitingPrepare = false;
                }
            }
            link->client->write(data);
        });

        QObject::connect(client, &QTcpSocket::readyRead, link, [this, link] {
            link->fromClient += link->client->readAll();
            while (!link->closed && link->fromClient.size() >= 4) {
                const quint32 length = PayloadLength(link->fromClient);
                if (quint32(link->fromClient.size()) < 4 + length)
                    return;
                const QByteArray packet = link->fromClient.left(4 + length);
                link->fromClient.remove(0, 4 + length);
                const QByteArray payload = packet.mid(4);
                // Only a packet of sequence 0 starts a command; the rest (the handshake) passes as it is.
                if (packet.at(3) != 0 || payload.isEmpty()) {
                    link->server->write(packet);
                    continue;
                }
                QByteArray text;
                switch (payload.at(0)) {
                case ComQuery:
                    text = payload.mid(1);
                    break;
                case ComStmtPrepare:
                    link->preparing = payload.mid(1);
                    link->prepareAnswer.clear();
                    link->awaitingPrepare = true;
                    break;
                case ComStmtExecute:
                    if (payload.size() >= 5)
                        text = link->prepared.value(qFromLittleEndian<quint32>(payload.constData() + 1));
                    break;
                case ComStmtClose:
                    if (payload.size() >= 5)
                        link->prepared.remove(qFromLittleEndian<quint32>(payload.constData() + 1));
                    break;
                default:
                    break;
                }
                Rule rule;
                if (!text.isEmpty() && takeRule(text, &rule)) {
                    if (!rule.lose) {
                        refused.fetchAndAddRelease(1);
                        link->client->write(Packet(1, rule.errorPayload));
                        continue;
                    }
                    link->awayAfterLoss = rule.thenAway;
                    if (rule.beforeServer) {
                        answerLost(link);
                        return;
                    }
                    link->loseNextAnswer = true;
                }
                link->server->write(packet);
            }
        });

        link->server->connectToHost(targetHost, quint16(targetPort));
    }
}
