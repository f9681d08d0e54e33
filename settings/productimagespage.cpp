#include "productimagespage.h"

#include "appsettings.h"
#include "errordialog.h"

#include <QDir>
#include <QFileDialog>
#include <QMainWindow>
#include <QScroller>
#include <QSettings>

namespace {

const QString KEY_IMAGES_FOLDER = QStringLiteral("IMAGES_FOLDER");
const QString KEY_RECENT_LOCATION = QStringLiteral("RECENT_LOCATION");

} // namespace

ProductImagesPage::ProductImagesPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    loaded = false;
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    ui.lineImagesFolder->setPlaceholderText(tr("Set path to product images folder"));
}

void ProductImagesPage::LoadSettings()
{
    if (loaded)
        return;
    ui.lineImagesFolder->setText(AppSettings::Instance()->settings->value(KEY_IMAGES_FOLDER, QString()).toString());
    loaded = true;
}

bool ProductImagesPage::SaveSettings()
{
    if (!loaded)
        return true;
    // Not checked: the folder may be a share that this workstation reaches only later.
    AppSettings::Instance()->settings->setValue(KEY_IMAGES_FOLDER, ui.lineImagesFolder->text());
    return true;
}

void ProductImagesPage::on_pushSelectImagesFolder_clicked()
{
    ErrorDialog notice(QStringLiteral("err_msg_10"), tr("Product Images"),
                       tr("Please place all of the product images in this folder. Copy this folder to each computer "
                          "or device running Vorantel Network, and set this field pointing to this folder on each "
                          "computer or device."),
                       AppSettings::Instance()->mainWindow);
    notice.setModal(true);
    notice.exec();

    QSettings* store = AppSettings::Instance()->settings;
    QFileDialog chooser(this, QString(), QString(), QString());
    chooser.setModal(true);
    chooser.setFileMode(QFileDialog::Directory);
    chooser.setOption(QFileDialog::ShowDirsOnly, true);
    chooser.setDirectory(store->value(KEY_RECENT_LOCATION, QString()).toString());
    if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
        return;
    const QString folder = QDir(chooser.selectedFiles().first()).absolutePath();
    ui.lineImagesFolder->setText(folder);
    // The next chooser anywhere in the program starts here, saved or not.
    store->setValue(KEY_RECENT_LOCATION, folder);
}
