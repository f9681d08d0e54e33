#include "taxpage.h"

#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "errordialog.h"

#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QRegularExpression>
#include <QScroller>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const QString KEY_ENABLE_TAX = QStringLiteral("enable_tax");
const QString KEY_DECIMAL_PLACES = QStringLiteral("tax_decimal_places");
const QString KEY_ROUNDING = QStringLiteral("tax_rounding_off");
const QString NEAREST = QStringLiteral("nearest");
const QString ROUND_UP = QStringLiteral("round_up");
const QString ROUND_DOWN = QStringLiteral("round_down");

bool WholeMatch(const QString& pattern, const QString& text)
{
    return QRegularExpression(QRegularExpression::anchoredPattern(pattern)).match(text).hasMatch();
}

} // namespace

TaxPage::TaxPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    loaded = false;
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
}

void TaxPage::LoadSettings()
{
    if (loaded)
        return;
    AppSettings* appSettings = AppSettings::Instance();
    QSettings* store = appSettings->settings;

    // The box starts unchecked, so loading can only switch tax on and never asks the question.
    const bool enabled = store->value(KEY_ENABLE_TAX, 1).toBool();
    ui.checkEnableTax->setChecked(enabled);
    ui.lineTaxDecimalPlaces->setText(store->value(KEY_DECIMAL_PLACES, 3).toString());

    // The sale screen and the purchase orders round up while the key is absent; so does this page.
    const QString rounding = store->value(KEY_ROUNDING, ROUND_UP).toString();
    if (rounding == NEAREST)
        ui.radioNearest->setChecked(true);
    else if (rounding == ROUND_UP)
        ui.radioRoundUp->setChecked(true);
    else
        ui.radioDown->setChecked(true);

    const int places = ui.lineTaxDecimalPlaces->text().toInt();
    const QLocale& locale = *appSettings->locale;
    ui.editTaxRateA->setText(locale.toString(double(store->value(SALES_TAX_RATE_A, 0).toFloat()), 'f', places));
    ui.editTaxRateB->setText(locale.toString(double(store->value(SALES_TAX_RATE_B, 0).toFloat()), 'f', places));
    ui.editTaxRateC->setText(locale.toString(double(store->value(SALES_TAX_RATE_C, 0).toFloat()), 'f', places));
    ui.editTaxName->setText(store->value(SALES_TAX_NAME, QStringLiteral("Sales Tax")).toString());

    // With tax off the stored rates are only shown; Save leaves them as they are.
    if (!enabled)
        SetRateControlsEnabled(false);
    loaded = true;
}

bool TaxPage::SaveSettings()
{
    if (!loaded)
        return true;
    AppSettings* appSettings = AppSettings::Instance();
    QSettings* store = appSettings->settings;
    const bool enabled = ui.checkEnableTax->isChecked();

    if (enabled) {
        if (!ValidateRates())
            return false;
        const QLocale& locale = *appSettings->locale;
        store->setValue(SALES_TAX_RATE_A, locale.toFloat(ui.editTaxRateA->text()));
        store->setValue(SALES_TAX_RATE_B, locale.toFloat(ui.editTaxRateB->text()));
        store->setValue(SALES_TAX_RATE_C, locale.toFloat(ui.editTaxRateC->text()));
    }
    store->setValue(SALES_TAX_NAME, ui.editTaxName->text());
    store->setValue(KEY_ENABLE_TAX, enabled);
    if (enabled)
        store->setValue(KEY_DECIMAL_PLACES, ui.lineTaxDecimalPlaces->text());
    if (ui.radioNearest->isChecked())
        store->setValue(KEY_ROUNDING, NEAREST);
    else if (ui.radioRoundUp->isChecked())
        store->setValue(KEY_ROUNDING, ROUND_UP);
    else
        store->setValue(KEY_ROUNDING, ROUND_DOWN);
    return true;
}

bool TaxPage::ValidateRates()
{
    const QString places = ui.lineTaxDecimalPlaces->text();
    if (!WholeMatch(QStringLiteral("[2-6]{1,1}"), places)) {
        QMessageBox::information(this, tr("Tax Settings"), tr("Enter numeric value for tax decimal places from 2 to 6"),
                                 QMessageBox::Ok);
        return false;
    }

    // Rates are typed with the decimal mark of the number format in force at this moment.
    const QString point = AppSettings::Instance()->locale->decimalPoint();
    const QString pattern = QStringLiteral("^[0-9]{1,2}(") + QRegularExpression::escape(point) +
                            QStringLiteral("[0-9]{1,") + places + QStringLiteral("})?$");
    const struct
    {
        QLineEdit* edit;
        const char* message;
    } rates[] = {
        {ui.editTaxRateA, QT_TR_NOOP("Tax rate A is invalid. Please enter numeric value with maximum %1 digits after "
                                     "decimal. Example 17%250")},
        {ui.editTaxRateB, QT_TR_NOOP("Tax rate B is invalid. Please enter numeric value with maximum %1 digits after "
                                     "decimal. Example 17%250")},
        {ui.editTaxRateC, QT_TR_NOOP("Tax rate C is invalid. Please enter numeric value with maximum %1 digits after "
                                     "decimal. Example 17%250")},
    };
    for (const auto& rate : rates) {
        if (WholeMatch(pattern, rate.edit->text()))
            continue;
        // Replaced by hand: QString::arg would read "%250" as the placeholder %25.
        QString text = tr(rate.message);
        text.replace(QLatin1String("%1"), places).replace(QLatin1String("%2"), point);
        QMessageBox::information(this, tr("Tax Settings"), text, QMessageBox::Ok);
        return false;
    }
    return true;
}

void TaxPage::SetRateControlsEnabled(bool enabled)
{
    ui.editTaxName->setEnabled(enabled);
    ui.editTaxRateA->setEnabled(enabled);
    ui.editTaxRateB->setEnabled(enabled);
    ui.editTaxRateC->setEnabled(enabled);
    ui.lineTaxDecimalPlaces->setEnabled(enabled);
    ui.radioNearest->setEnabled(enabled);
    ui.radioRoundUp->setEnabled(enabled);
}

void TaxPage::on_checkEnableTax_toggled(bool checked)
{
    if (checked) {
        SetRateControlsEnabled(true);
        return;
    }
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Disable Tax?"),
        tr("Are you sure to disable the sales tax rate in the system? Sales tax rate will be set to 0 for all the "
           "products and stock in the system. No tax information will be shown on receipts, invoices and purchase "
           "orders."),
        QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton);
    if (answer != QMessageBox::Yes || !ClearProductTaxRates()) {
        ui.checkEnableTax->setChecked(true);
        return;
    }
    ui.editTaxRateA->setText(QStringLiteral("0"));
    ui.editTaxRateB->setText(QStringLiteral("0"));
    ui.editTaxRateC->setText(QStringLiteral("0"));
    SetRateControlsEnabled(false);
}

bool TaxPage::ClearProductTaxRates()
{
    // One statement: either every product loses its rate or none does.
    QSqlQuery query(*DatabaseManager::Instance()->InventoryDatabase());
    if (query.exec(QStringLiteral("UPDATE tblProducts SET TAX_RATE = 0")))
        return true;
    QMessageBox::warning(this, tr("Disable Tax?"),
                         tr("The tax rates of the products could not be set to 0, so tax stays enabled.\n%1")
                             .arg(query.lastError().text()));
    return false;
}

void TaxPage::on_pushSalesTaxRoundOff_clicked()
{
    const QString text = tr(
        "<p>In many cases sale tax rounding up is required by some states and local laws, then select the round up "
        "option. Following example will illustrate the difference.</p><p>Consider the tax rate for a product is set "
        "to 7.25%, and the price of the product without tax is 10. After applying the sales tax the price of the "
        "product would become 10.725. If your currency is USD, then you would have to round off this figure. If the "
        "first option <b>Nearest Value</b> is selected then the rounded off figure would become 10.72, and if the "
        "second option <b>Round Up</b> is selected, then the rounded off figure would become 10.73. This is a minor "
        "difference, but required by some countries and states to round up the last significant digit after "
        "decimal.</p> <p>Consider another example, where the amount before rounding off is 10.726. Then in both "
        "cases after rounding off the figure will become 10.73. If the amount before rounding off is say 10.724, "
        "then in both cases after rounding off the final amount will become 10.72. So the difference is only when "
        "the digit at third decimal place is 5. </p>");
    ErrorDialog help(QString(), tr("Sales Tax Rounding"), text, AppSettings::Instance()->mainWindow, true, true);
    help.setModal(true);
    help.exec();
}
