#include "receiptprinterpage.h"

#include "appsettings.h"

#include <QScroller>
#include <QSettings>

namespace {

const QString KEY_PRINT_LOGO = QStringLiteral("printLogo");
const QString KEY_LOGO_SIZE = QStringLiteral("logoSize");
const QString KEY_PAPER_WIDTH = QStringLiteral("paperWidth");
const QString KEY_MARGIN_LEFT = QStringLiteral("marginLeft");
const QString KEY_MARGIN_TOP = QStringLiteral("marginTop");
const QString KEY_MARGIN_RIGHT = QStringLiteral("marginRight");
const QString KEY_MARGIN_BOTTOM = QStringLiteral("marginBottom");
const QString KEY_PRINT_DIRECTION = QStringLiteral("printDirection");

// The sale screen's direct receipt reads these when a key is absent; the page shows the same
// values, so that saving it unchanged leaves the printed receipt where it was.
const int DEFAULT_MARGIN_LEFT = 5;
const int DEFAULT_MARGIN_TOP = 15;
const int DEFAULT_MARGIN_RIGHT = 5;
const int DEFAULT_MARGIN_BOTTOM = 0;

const int UPSIDE_DOWN = 0;
const int UPSIDE_UP = 1;

} // namespace

ReceiptPrinterPage::ReceiptPrinterPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    loaded = false;
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
}

void ReceiptPrinterPage::LoadSettings()
{
    if (loaded)
        return;
    QSettings* store = AppSettings::Instance()->settings;
    // Spin boxes clamp a stored value outside their range; a save then writes the clamped value.
    ui.checkPrintLogo->setChecked(store->value(KEY_PRINT_LOGO, 1).toBool());
    ui.spinBoxLogoSize->setValue(store->value(KEY_LOGO_SIZE, 10).toInt());
    ui.spinWidth->setValue(store->value(KEY_PAPER_WIDTH, 76).toInt());
    ui.spinMarginLeft->setValue(store->value(KEY_MARGIN_LEFT, DEFAULT_MARGIN_LEFT).toInt());
    ui.spinMarginTop->setValue(store->value(KEY_MARGIN_TOP, DEFAULT_MARGIN_TOP).toInt());
    ui.spinMarginRight->setValue(store->value(KEY_MARGIN_RIGHT, DEFAULT_MARGIN_RIGHT).toInt());
    ui.spinMarginBottom->setValue(store->value(KEY_MARGIN_BOTTOM, DEFAULT_MARGIN_BOTTOM).toInt());

    ui.comboPrintDirection->addItem(tr("Upside Down Direction"));
    ui.comboPrintDirection->addItem(tr("Upside Up Direction"));
    ui.comboPrintDirection->setCurrentIndex(store->value(KEY_PRINT_DIRECTION, 0).toBool() ? UPSIDE_DOWN : UPSIDE_UP);
    loaded = true;
}

bool ReceiptPrinterPage::SaveSettings()
{
    if (!loaded)
        return true;
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(KEY_PRINT_LOGO, ui.checkPrintLogo->isChecked());
    store->setValue(KEY_LOGO_SIZE, ui.spinBoxLogoSize->value());
    store->setValue(KEY_PAPER_WIDTH, ui.spinWidth->value());
    store->setValue(KEY_MARGIN_LEFT, ui.spinMarginLeft->value());
    store->setValue(KEY_MARGIN_TOP, ui.spinMarginTop->value());
    store->setValue(KEY_MARGIN_RIGHT, ui.spinMarginRight->value());
    store->setValue(KEY_MARGIN_BOTTOM, ui.spinMarginBottom->value());
    store->setValue(KEY_PRINT_DIRECTION, ui.comboPrintDirection->currentIndex() == UPSIDE_DOWN ? 1 : 0);
    return true;
}
