#include "welcomedialog.h"
#include "ui_welcomedialog.h"

#include "appsettings.h"
#include "makeraddresses.h"

#include <QDesktopServices>
#include <QSettings>
#include <QUrl>

namespace {
const QString SHOW_WELCOME = QStringLiteral("SHOW_WELCOME");
}

WelcomeDialog::WelcomeDialog(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::WelcomeDialog)
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);

    ui->labelYouTube->setText(
        QStringLiteral("<html><head/><body><p><a href=\"%1\"><span style=\" font-size:12pt; font-weight:600; "
                       "font-style:italic; text-decoration: underline; color:#ff0000;\">%2</span></a></p></body></html>")
            .arg(MakerAddresses::TUTORIALS.toHtmlEscaped(), tr("Click Here to Watch Vorantel Tutorials").toHtmlEscaped()));
    connect(ui->labelYouTube, &QLabel::linkActivated, this, &WelcomeDialog::on_HyperLink_clicked);

    setStyleSheet(QStringLiteral("QDialog {border-image:url(:/resources/images/welcom.png);} "
                                 "QCheckBox {background:transparent;  color:black;}"));
}

WelcomeDialog::~WelcomeDialog()
{
    delete ui;
}

void WelcomeDialog::on_pushClose_clicked()
{
    if (ui->checkBox->isChecked())
        AppSettings::Instance()->settings->setValue(SHOW_WELCOME, 0);
    close();
}

void WelcomeDialog::on_HyperLink_clicked(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}
