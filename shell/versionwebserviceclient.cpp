#include "versionwebserviceclient.h"

#include "aboutdialog.h"
#include "constants.h"
#include "makeraddresses.h"
#include "progress.h"
#include "shelllog.h"

#include <QDesktopServices>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMessageBox>
#include <QNetworkAccessManager>
#include <QNetworkConfigurationManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QNetworkSession>
#include <QSignalMapper>
#include <QUrlQuery>

VersionWebServiceClient::VersionWebServiceClient(QObject* parent)
    : QObject(parent)
{
    mapper = new QSignalMapper(this);
    connect(mapper, &QSignalMapper::mappedObject, this, &VersionWebServiceClient::onResult);
    manager = new QNetworkAccessManager(this);

    // Bearer management is deprecated in Qt 5.15 but still brings up the
    // default connection where the platform needs one to be opened first.
    QT_WARNING_PUSH
    QT_WARNING_DISABLE_DEPRECATED
    QNetworkConfigurationManager configurations;
    networkSession = new QNetworkSession(configurations.defaultConfiguration(), this);
    networkSession->open();
    QT_WARNING_POP
}

QUrl VersionWebServiceClient::ServiceUrl()
{
    const QString overridden = qEnvironmentVariable("VORANTEL_VERSION_SERVICE_URL");
    return QUrl(overridden.isEmpty() ? MakerAddresses::VERSION_SERVICE : overridden, QUrl::TolerantMode);
}

bool VersionWebServiceClient::IsDownloadAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty()
        && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

void VersionWebServiceClient::SendVersionRequest()
{
    QUrl url = ServiceUrl();
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("version"), GetApplicationVersion());
    query.addQueryItem(QStringLiteral("product"), MakerAddresses::PRODUCT_CODE);
    url.setQuery(query);

    QNetworkReply* reply = manager->get(QNetworkRequest(url));
    mapper->setMapping(reply, reply);
    connect(reply, &QNetworkReply::finished, mapper, qOverload<>(&QSignalMapper::map));
}

void VersionWebServiceClient::onResult(QObject* replyObject)
{
    auto* reply = qobject_cast<QNetworkReply*>(replyObject);
    if (!reply)
        return;
    // Released on every way out, also when nothing is shown.
    reply->deleteLater();

    if (versionCheckProgress)
        versionCheckProgress->hide();

    qCDebug(lcShell) << "onResult";
    if (reply->error() != QNetworkReply::NoError)
        qCDebug(lcShell) << reply->errorString();

    const QJsonDocument document = QJsonDocument::fromJson(reply->readAll());
    if (!document.isObject())
        return;
    const QJsonObject object = document.object();
    if (!object.contains(QLatin1String("HasNewerVersion")))
        return;
    const QString hasNewerVersion = object.value(QLatin1String("HasNewerVersion")).toString();
    qCDebug(lcShell) << "Returned HasNewerVersion: " << hasNewerVersion;

    if (hasNewerVersion == QLatin1String("YES")) {
        if (!object.contains(QLatin1String("NewerVersion")))
            return;
        const QString newerVersion = object.value(QLatin1String("NewerVersion")).toString();
        qCDebug(lcShell) << "newerVersion : " << newerVersion;
        const QMessageBox::StandardButton answer = QMessageBox::question(
            nullptr, tr("New Version"),
            tr("Latest version ( %1 ) is available for download. Do you want to download it now?").arg(newerVersion),
            QMessageBox::Yes | QMessageBox::No);
        if (answer != QMessageBox::Yes || !object.contains(QLatin1String("DownloadURL")))
            return;
        const QString downloadUrl = object.value(QLatin1String("DownloadURL")).toString();
        qCDebug(lcShell) << "Download URL : " << downloadUrl;
        const QUrl url(downloadUrl, QUrl::TolerantMode);
        if (IsDownloadAddress(url))
            QDesktopServices::openUrl(url);
        else
            qCDebug(lcShell) << "Download URL is not a web address, not opened";
    } else {
        QMessageBox::information(nullptr, tr("Version Check"), tr("You have a latest version of %1").arg(APPLICATION_TITLE),
                                 QMessageBox::Ok);
    }
}
