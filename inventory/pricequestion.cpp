#include "pricequestion.h"

#include "rounding.h"

#include <QLineEdit>
#include <QMessageBox>

bool ConfirmTillPrice(QWidget* parent, const QString& title, QLineEdit* withTax, double typed, double charged,
                      const QString& chargedText, const QString& placesText)
{
    if (ChargesTyped(charged, typed))
        return true;
    QMessageBox box(QMessageBox::Question, title, QObject::tr("Sells at %1").arg(chargedText),
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setInformativeText(QObject::tr("The sale price %1 with tax cannot be kept at %2 decimal places: the till "
                                       "will charge %3 for one unit, before any discount. Save with this price?")
                               .arg(withTax->text(), placesText, chargedText));
    box.setDefaultButton(QMessageBox::No);
    if (box.exec() == QMessageBox::Yes)
        return true;
    withTax->setFocus();
    return false;
}
