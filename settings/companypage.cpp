#include "companypage.h"

#include "appsettings.h"
#include "constants.h"

#include <QFileDialog>
#include <QImage>
#include <QPixmap>
#include <QScroller>
#include <QSettings>

namespace {

const QString KEY_STORE_ID = QStringLiteral("store_id");
const QString KEY_TERMINAL_ID = QStringLiteral("terminal_id");
const QString KEY_LOGO_SIZE = QStringLiteral("logoSizeLarge");
const QString KEY_PRINT_INFO = QStringLiteral("printCompanyInfoLarge");
const QString KEY_PRINT_LOGO = QStringLiteral("printCompanyLogoLarge");
const QString KEY_SHIPPING_NAME = QStringLiteral("SHIPPING_NAME");
const QString KEY_SHIPPING_CONTACT = QStringLiteral("SHIPPING_CONTACT");
const QString KEY_SHIPPING_ADDRESS = QStringLiteral("SHIPPING_ADDRESS");
const QString KEY_RECENT_LOCATION = QStringLiteral("RECENT_LOCATION");
const QString SAMPLE_LOGO = QStringLiteral(":/resources/images/logos/sample_logo.png");

} // namespace

CompanyPage::CompanyPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui.scrollLogo->viewport(), QScroller::LeftMouseButtonGesture);
}

void CompanyPage::LoadSettings()
{
    if (loaded)
        return;
    QSettings* store = AppSettings::Instance()->settings;

    if (store->contains(REPORT_COMPANY_NAME))
        ui.editCompanyName->setText(store->value(REPORT_COMPANY_NAME).toString());
    if (store->contains(REPORT_COMPANY_ADDRESS))
        ui.textCompanyAddress->setText(store->value(REPORT_COMPANY_ADDRESS).toString());
    if (store->contains(REPORT_PHONE_NUMBER))
        ui.editPhoneNumber->setText(store->value(REPORT_PHONE_NUMBER).toString());
    if (store->contains(REPORT_COMPANY_LOGO))
        ui.editCompanyLogo->setText(store->value(REPORT_COMPANY_LOGO).toString());

    ui.lineStoreName->setText(store->value(KEY_STORE_ID).toString());
    ui.lineTerminalID->setText(store->value(KEY_TERMINAL_ID).toString());

    const int size = store->value(KEY_LOGO_SIZE, 20).toInt();
    ui.horizontalSlider->setValue(size);
    ShowLogo(ui.horizontalSlider->value());

    ui.checkPrintCompanyInfo->setChecked(store->value(KEY_PRINT_INFO, true).toBool());
    ui.checkPrintCompanyLogo->setChecked(store->value(KEY_PRINT_LOGO, true).toBool());

    // Until the shipping details are saved once, they start as the company's own.
    const auto ownOrCompany = [store](const QString& key, const QString& companyKey) {
        return store->contains(key) ? store->value(key).toString() : store->value(companyKey).toString();
    };
    const QString shippingAddress = ownOrCompany(KEY_SHIPPING_ADDRESS, REPORT_COMPANY_ADDRESS);
    const QString shippingName = ownOrCompany(KEY_SHIPPING_NAME, REPORT_COMPANY_NAME);
    const QString shippingContact = ownOrCompany(KEY_SHIPPING_CONTACT, REPORT_PHONE_NUMBER);
    ui.textShippingAddress->setText(shippingAddress);
    ui.lineShipName->setText(shippingName);
    ui.lineShipContact->setText(shippingContact);

    loaded = true;
}

bool CompanyPage::SaveSettings()
{
    if (!loaded)
        return true;
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(REPORT_COMPANY_NAME, ui.editCompanyName->text());
    store->setValue(REPORT_COMPANY_ADDRESS, ui.textCompanyAddress->toPlainText());
    store->setValue(KEY_SHIPPING_ADDRESS, ui.textShippingAddress->toPlainText());
    store->setValue(KEY_SHIPPING_NAME, ui.lineShipName->text());
    store->setValue(KEY_SHIPPING_CONTACT, ui.lineShipContact->text());
    store->setValue(REPORT_PHONE_NUMBER, ui.editPhoneNumber->text());
    store->setValue(REPORT_COMPANY_LOGO, ui.editCompanyLogo->text());
    store->setValue(KEY_STORE_ID, ui.lineStoreName->text());
    store->setValue(KEY_TERMINAL_ID, ui.lineTerminalID->text());
    store->setValue(KEY_LOGO_SIZE, ui.horizontalSlider->value());
    store->setValue(KEY_PRINT_INFO, ui.checkPrintCompanyInfo->isChecked());
    store->setValue(KEY_PRINT_LOGO, ui.checkPrintCompanyLogo->isChecked());
    return true;
}

void CompanyPage::on_selectImage_clicked()
{
    QSettings* store = AppSettings::Instance()->settings;
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("Select Product Image"), store->value(KEY_RECENT_LOCATION).toString(),
                                     tr("Image Files (*.png *.jpg *.bmp)"));
    if (fileName.isEmpty())
        return;
    ui.editCompanyLogo->setText(fileName);
    store->setValue(KEY_RECENT_LOCATION, fileName);
    ShowLogo(ui.horizontalSlider->value());
}

void CompanyPage::on_horizontalSlider_valueChanged(int value)
{
    ShowLogo(value);
}

void CompanyPage::ShowLogo(int size)
{
    QString path = ui.editCompanyLogo->text();
    if (path.isEmpty())
        path = SAMPLE_LOGO;
    const QImage image(path);
    ui.labelSize->setText(QString::number(size));

    // An unreadable file has no width to scale by: show no logo rather than divide by zero.
    if (image.isNull() || image.width() <= 0) {
        ui.labelLogo->clear();
        ui.labelLogo->resize(0, 0);
        ui.scrollLogoContents->resize(0, 0);
        return;
    }
    // Six pixels per step of the slider: 6 to 240 pixels wide.
    const float steps = float(10.0 / size);
    const int width = int(60 / steps);
    const int height = int(float(image.height()) * (float(width) / float(image.width())));
    const QImage scaled = image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    ui.labelLogo->resize(scaled.size());
    ui.labelLogo->setPixmap(QPixmap::fromImage(scaled));
    ui.scrollLogoContents->resize(scaled.size());
}
