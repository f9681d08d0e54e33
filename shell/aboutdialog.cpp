#include "aboutdialog.h"
#include "ui_aboutdialog.h"

#include "appsettings.h"
#include "constants.h"
#include "makeraddresses.h"
#include "progress.h"
#include "versionwebserviceclient.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QMainWindow>
#include <QScroller>
#include <QUrl>
#include <QUrlQuery>

Progress* versionCheckProgress = nullptr;

namespace {

QString LinkHtml(const QString& caption, const QString& href, const QString& text)
{
    return QStringLiteral("<html><head/><body><p>%1<a href=\"%2\"><span style=\" text-decoration: none; color:#3a66dd;\">"
                          "%3</span></a></p></body></html>")
        .arg(caption.toHtmlEscaped(), href.toHtmlEscaped(), text.toHtmlEscaped());
}

QString SupportMailLink()
{
    QUrl url;
    url.setScheme(QStringLiteral("mailto"));
    url.setPath(MakerAddresses::SUPPORT_EMAIL);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), MakerAddresses::SUPPORT_SUBJECT);
    url.setQuery(query);
    return url.toString(QUrl::FullyEncoded);
}

} // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::AboutDialog)
    , versionClient(nullptr)
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);

    versionCheckProgress = nullptr;

    ui->labelHeading->setText(APPLICATION_TITLE + QLatin1Char(' ') + GetApplicationVersion());
    ui->labelImage->setPixmap(QPixmap(QStringLiteral(":/resources/images/logos/dezedev_erud_300.png"))
                                  .scaled(125, 125, Qt::KeepAspectRatio, Qt::FastTransformation));

    ui->labelEmail->setText(LinkHtml(tr("SUPPORT: "), SupportMailLink(), MakerAddresses::SUPPORT_EMAIL));
    ui->labelWebsite->setText(LinkHtml(tr("WEB: "), MakerAddresses::WEBSITE, MakerAddresses::WEBSITE));
    ui->labelFacebook->setText(LinkHtml(tr("FACEBOOK: "), MakerAddresses::SOCIAL_PAGE, MakerAddresses::SOCIAL_PAGE));
    ui->plainTextEdit->setPlainText(tr("This software makes use of Qt libraries under LGPL license. "
                                       "Copy of Qt LGPL license is provided with the installation. ")
                                    + QStringLiteral("\n\nQt:\n\n") + MakerAddresses::QT_LGPL + QLatin1Char('\n')
                                    + MakerAddresses::QT_LICENSING);

    for (QLabel* label : {ui->labelWebsite, ui->labelFacebook, ui->labelEmail})
        connect(label, &QLabel::linkActivated, this, &AboutDialog::on_HyperLink_clicked);
}

AboutDialog::~AboutDialog()
{
    delete ui;
    delete versionCheckProgress;
    versionCheckProgress = nullptr;
    delete versionClient;
}

void AboutDialog::on_HyperLink_clicked(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}

void AboutDialog::on_buttonOK_clicked()
{
    close();
}

void AboutDialog::on_pushCheckVersion_clicked()
{
    if (!versionCheckProgress)
        versionCheckProgress = new Progress(AppSettings::Instance()->mainWindow);
    versionCheckProgress->show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    versionClient = new VersionWebServiceClient(this);
    versionClient->SendVersionRequest();
}
