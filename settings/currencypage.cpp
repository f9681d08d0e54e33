#include "currencypage.h"

#include "appsettings.h"
#include "constants.h"
#include "currencylanguages.h"
#include "settingslog.h"

#include <QCoreApplication>
#include <QLocale>
#include <QScroller>
#include <QSettings>

namespace {

const QString KEY_DECIMAL_PLACES = QStringLiteral("decimal_places");
const QString KEY_FINAL_PRECISION = QStringLiteral("final_amount_precision");
const QString KEY_LANGUAGE_INDEX = QStringLiteral("locale_lang_index");
const QString DEFAULT_PLACES = QStringLiteral("2");

// A whole number of at least `minimum` as typed, otherwise the default "2".
QString WholeNumberOrDefault(const QString& text, int minimum)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= minimum ? text : DEFAULT_PLACES;
}

} // namespace

CurrencyPage::CurrencyPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    languagesListed = false;
}

void CurrencyPage::LoadSettings()
{
    if (loaded)
        return;
    QSettings* store = AppSettings::Instance()->settings;
    const QLocale system = QLocale::system();

    if (store->contains(CURRENCY_SYMBOL))
        ui.editCurrencySymbol->setText(store->value(CURRENCY_SYMBOL).toString());
    else
        ui.editCurrencySymbol->setText(system.currencySymbol(QLocale::CurrencySymbol));
    ui.lineEditDecimalPlaces->setText(store->value(KEY_DECIMAL_PLACES, DEFAULT_PLACES).toString());
    ui.lineFinalAmountPrecision->setText(store->value(KEY_FINAL_PRECISION, DEFAULT_PLACES).toString());

    for (const char* language : CURRENCY_LANGUAGES)
        ui.comboLocalLanugage->addItem(QCoreApplication::translate("CurrencyPage", language));
    languagesListed = true;
    ShowSample(system);

    const int language = store->contains(KEY_LANGUAGE_INDEX) ? store->value(KEY_LANGUAGE_INDEX).toInt()
                                                             : int(system.language());
    if (language >= 0 && language < CURRENCY_LANGUAGE_COUNT)
        ui.comboLocalLanugage->setCurrentIndex(language);
    else
        qCDebug(lcSettings).noquote() << QStringLiteral("Language Index found : ") + QString::number(language);

    loaded = true;
}

bool CurrencyPage::SaveSettings()
{
    if (!loaded)
        return true;
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(CURRENCY_SYMBOL, ui.editCurrencySymbol->text());
    store->setValue(KEY_DECIMAL_PLACES, WholeNumberOrDefault(ui.lineEditDecimalPlaces->text(), 1));
    // The sale screen rounds final amounts to this many digits: no digits is a whole-number total.
    store->setValue(KEY_FINAL_PRECISION, WholeNumberOrDefault(ui.lineFinalAmountPrecision->text(), 0));
    store->setValue(KEY_LANGUAGE_INDEX, ui.comboLocalLanugage->currentIndex());
    return true;
}

void CurrencyPage::on_comboLocalLanugage_currentIndexChanged(int index)
{
    if (!languagesListed)
        return;
    AppSettings* appSettings = AppSettings::Instance();
    // The number format switches now, whether or not the dialog is saved.
    appSettings->settings->setValue(KEY_LANGUAGE_INDEX, index);
    ShowSample(QLocale(QLocale::Language(index), QLocale::AnyCountry));
    appSettings->LoadLocale();
}

void CurrencyPage::ShowSample(const QLocale& locale)
{
    ui.labelLocalMessage->setText(
        tr("SAMPLE AMOUNT 12345678.32 WILL BE SHOWN AS %1 ").arg(locale.toString(12345678.32, 'f', 2)));
}
