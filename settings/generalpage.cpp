#include "generalpage.h"

#include "appsettings.h"
#include "constants.h"
#include "errordialog.h"

#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QScroller>
#include <QSettings>

namespace {

const QString KEY_DATE_FORMAT = QStringLiteral("DATE_FORMAT");
const QString KEY_THEME = QStringLiteral("theme");
const QString KEY_DELIMITER = QStringLiteral("delimiter");
const QString KEY_TIME_FORMAT = QStringLiteral("time_format");
const QString KEY_LANGUAGE = QStringLiteral("language");
const QString KEY_SCALING_MODE = QStringLiteral("scaling_mode");
const QString KEY_SCALING_FACTOR = QStringLiteral("scaling_factor");
const QString KEY_START_WITH = QStringLiteral("start_with_search_term");
const QString ENGLISH = QStringLiteral("English");

// Stored by name; the start-up code maps each name to its translation file.
const char* const LANGUAGES[] = {"English", "Spanish", "French", "Arabic", "Chinese Simplified",
                                 "German", "Italian", "Portuguese", "Russian", "Hindi",
                                 "Urdu", "Japanese", "Korean", "Malay", "Bengali"};

// The default date format follows the order of the locale's own short format.
QString DateFormatFor(const QLocale& locale)
{
    const QString pattern = locale.dateFormat(QLocale::ShortFormat);
    const QChar first = pattern.isEmpty() ? QChar() : pattern.at(0).toLower();
    if (first == QLatin1Char('y'))
        return QStringLiteral("YYYY/MM/DD");
    if (first == QLatin1Char('m'))
        return QStringLiteral("MM/DD/YYYY");
    return QStringLiteral("DD/MM/YYYY");
}

} // namespace

GeneralPage::GeneralPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    AppSettings* appSettings = AppSettings::Instance();
    QSettings* store = appSettings->settings;

    for (const char* language : LANGUAGES)
        ui.comboLanguage->addItem(QLatin1String(language));
    ui.comboLanguage->setCurrentText(store->value(KEY_LANGUAGE, ENGLISH).toString());

    ui.comboDateFormat->addItems({QStringLiteral("YYYY/MM/DD"), QStringLiteral("MM/DD/YYYY"), QStringLiteral("DD/MM/YYYY")});
    // Written before any Save: the readers of dates need a format from the first start on.
    if (!store->contains(KEY_DATE_FORMAT))
        store->setValue(KEY_DATE_FORMAT, DateFormatFor(*appSettings->locale));
    ui.comboDateFormat->setCurrentText(store->value(KEY_DATE_FORMAT).toString());

    ui.enableSubItemsMode->setChecked(store->value(SUB_ITEMS_MODE, QStringLiteral("n")).toString() == QLatin1String("y"));

    // Start-up applies the light theme while the key is absent, so the page shows that too.
    const QString theme = store->value(KEY_THEME, QStringLiteral("light")).toString();
    if (theme == QLatin1String("dark"))
        ui.radioDarkTheme->setChecked(true);
    else if (theme == QLatin1String("light"))
        ui.radioLightTheme->setChecked(true);
    else
        ui.radioButtonNoTheme->setChecked(true);

    ui.comboDelimiter->addItems({tr("Comma"), tr("Semicolon"), tr("Tab")});
    ui.comboDelimiter->setCurrentIndex(store->value(KEY_DELIMITER, 0).toInt());
    ui.comboTimeFormat->addItems({tr("24 Hour"), tr("AM/PM"), tr("am/pm")});
    ui.comboTimeFormat->setCurrentIndex(store->value(KEY_TIME_FORMAT, 0).toInt());

    initialScalingFactor = store->value(KEY_SCALING_FACTOR, 1).toInt();
    if (store->value(KEY_SCALING_MODE, 0).toInt() == 1) {
        ui.radio_auto->setChecked(true);
        initialScalingMode = 1;
        ui.slider_scaling->setEnabled(false);
    } else {
        initialScalingMode = 0;
        ui.radio_manual->setChecked(true);
        ui.slider_scaling->setValue(initialScalingFactor);
    }

    if (store->value(KEY_START_WITH, true).toBool())
        ui.check_start_with_search_term->setChecked(true);
    else
        ui.check_contain_search_term->setChecked(true);

    loaded = true;
}

void GeneralPage::LoadSettings()
{
}

bool GeneralPage::SaveSettings()
{
    if (!loaded)
        return true;
    AppSettings* appSettings = AppSettings::Instance();
    QSettings* store = appSettings->settings;

    store->setValue(SUB_ITEMS_MODE, ui.enableSubItemsMode->isChecked() ? QStringLiteral("y") : QStringLiteral("n"));
    store->setValue(KEY_DATE_FORMAT, ui.comboDateFormat->currentText());
    appSettings->LoadDateFormat();

    QString theme = QStringLiteral("no_theme");
    if (ui.radioDarkTheme->isChecked())
        theme = QStringLiteral("dark");
    else if (ui.radioLightTheme->isChecked())
        theme = QStringLiteral("light");
    store->setValue(KEY_THEME, theme);

    store->setValue(KEY_DELIMITER, ui.comboDelimiter->currentIndex());
    store->setValue(KEY_TIME_FORMAT, ui.comboTimeFormat->currentIndex());
    appSettings->LoadTimeFormat();

    const QString language = ui.comboLanguage->currentText();
    if (store->value(KEY_LANGUAGE, ENGLISH).toString() != language) {
        store->setValue(KEY_LANGUAGE, language);
        AskRestart(tr("language Change"),
                   tr("Language setting has been changed.  In order for the changes to take effect, Vorantel will "
                      "restart now. Press Yes for auto restart, or No to restart manually later."));
    }

    const bool automatic = ui.radio_auto->isChecked();
    const int mode = automatic ? 1 : 0;
    const int factor = automatic ? 1 : ui.slider_scaling->value();
    store->setValue(KEY_SCALING_MODE, mode);
    store->setValue(KEY_SCALING_FACTOR, factor);
    if (mode != initialScalingMode) {
        AskRestart(tr("Scaling"), tr("Scaling mode has been changed. In order for the changes to take effect, Vorantel "
                                     "will restart now. Press Yes for auto restart, or No to restart manually later."));
    } else if (factor != initialScalingFactor) {
        AskRestart(tr("Scaling"), tr("Scaling factor has been changed. In order for the changes to take effect, "
                                     "Vorantel will restart now. Press Yes for auto restart, or No to restart manually "
                                     "later."));
    }

    store->setValue(KEY_START_WITH, ui.check_start_with_search_term->isChecked());
    return true;
}

bool GeneralPage::AskRestart(const QString& title, const QString& text)
{
    // The relaunch itself waits for the whole dialog to be saved: a later page may still refuse.
    const bool yes = QMessageBox::question(this, title, text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    if (yes)
        relaunchRequested = true;
    return yes;
}

void GeneralPage::on_radio_auto_clicked(bool checked)
{
    if (checked)
        ui.slider_scaling->setEnabled(false);
}

void GeneralPage::on_radio_manual_clicked(bool checked)
{
    if (checked)
        ui.slider_scaling->setEnabled(true);
}

void GeneralPage::on_slider_scaling_valueChanged(int value)
{
    ui.label_scaling_factor->setText(QString::number(value));
}

void GeneralPage::on_slider_scaling_sliderMoved(int)
{
}

void GeneralPage::on_pudhWhatIsSubItemsMode_clicked()
{
    const QString text =
        tr("<p>Sub items mode gives you fine control over the quantities you sell. A unit of stock can be sold whole "
           "or in parts, and the price of a part is worked out for you.</p>"
           "<p>For example, a pack of 12 bottles can be sold as a whole pack, and also bottle by bottle. Enter the "
           "single bottles as a sub quantity: the price of one bottle is calculated automatically from the price of "
           "the pack.</p>"
           "<p>Another example: sugar priced per kilogram can be sold in grams. Enter the grams as the sub quantity "
           "and the price of the grams sold is calculated automatically.</p>");
    ErrorDialog help(QString(), tr("Sub Items Help"), text, AppSettings::Instance()->mainWindow, true, true);
    help.setModal(true);
    help.exec();
}
