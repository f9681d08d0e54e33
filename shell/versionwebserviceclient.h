#pragma once

#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkSession;
class QSignalMapper;

// Asks the maker's version web service whether a newer version exists and
// answers the user from its JSON reply.
class VersionWebServiceClient : public QObject
{
    Q_OBJECT
public:
    explicit VersionWebServiceClient(QObject* parent);

    void SendVersionRequest();

    // The service address: the built-in one, or VORANTEL_VERSION_SERVICE_URL when set.
    static QUrl ServiceUrl();
    // Only a web address is opened from a reply: the reply comes over the network.
    static bool IsDownloadAddress(const QUrl& url);

public slots:
    void onResult(QObject* reply);

private:
    QNetworkAccessManager* manager;
    QNetworkSession* networkSession;
    QSignalMapper* mapper;
};
