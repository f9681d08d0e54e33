#include "quickpayshorcuts.h"

#include "appsettings.h"
#include "constants.h"

#include <QLocale>
#include <QMessageBox>
#include <QScroller>
#include <QSettings>

namespace {
const char* const KEYS[] = {"ctrl_plus_one",   "ctrl_plus_two",   "ctrl_plus_three",
                            "ctrl_plus_four",  "ctrl_plus_five",  "ctrl_plus_six",
                            "ctrl_plus_seven", "ctrl_plus_eight", "ctrl_plus_nine"};
} // namespace

QuickpayShorcuts::QuickpayShorcuts(QWidget* parent)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);

    QSettings* store = AppSettings::Instance()->settings;
    displayLocale = AppSettings::Instance()->locale;
    decimalPlaces = store->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toInt();
    ui.lablelAmount->setText(tr("Paid Amount in ") + store->value(CURRENCY_SYMBOL, QStringLiteral("$")).toString());

    const QList<QLineEdit*> edits = fields();
    for (int i = 0; i < edits.size(); ++i) {
        const QString stored = store->value(QLatin1String(KEYS[i]), QStringLiteral("0.00")).toString();
        // Read as the display locale wrote it, so that opening and saving never changes an amount;
        // an unreadable text shows as zero.
        const double amount = displayLocale->toDouble(stored);
        edits[i]->setText(displayLocale->toString(amount, 'f', decimalPlaces));
    }
}

QList<QLineEdit*> QuickpayShorcuts::fields() const
{
    return {ui.lineEdit_1, ui.lineEdit_2, ui.lineEdit_3, ui.lineEdit_4, ui.lineEdit_5,
            ui.lineEdit_6, ui.lineEdit_7, ui.lineEdit_8, ui.lineEdit_9};
}

bool QuickpayShorcuts::IsAmountValid(QLineEdit* field) const
{
    bool ok = false;
    // The locale also reads "inf" and "nan", which are no amounts.
    const double amount = displayLocale->toDouble(field->text(), &ok);
    return ok && qIsFinite(amount);
}

void QuickpayShorcuts::on_pushSave_clicked()
{
    const QList<QLineEdit*> edits = fields();
    for (QLineEdit* field : edits) {
        if (!IsAmountValid(field)) {
            QMessageBox::warning(this, tr("Error"), tr("Amount is not valid."), QMessageBox::Ok);
            field->setFocus();
            return;
        }
    }
    QSettings* store = AppSettings::Instance()->settings;
    for (int i = 0; i < edits.size(); ++i)
        store->setValue(QLatin1String(KEYS[i]), edits[i]->text());
    QMessageBox::information(this, tr("Save"), tr("Shortcuts saved successfully."), QMessageBox::Ok);
}

void QuickpayShorcuts::on_pushClose_clicked()
{
    close();
}
