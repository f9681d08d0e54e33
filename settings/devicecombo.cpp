#include "devicecombo.h"

#include <QComboBox>
#include <QCoreApplication>

namespace DeviceCombo {

void Fill(QComboBox* combo, const QStringList& entries, const QString& stored)
{
    int current = 0;
    for (int i = 0; i < entries.size(); ++i) {
        combo->addItem(entries.at(i), entries.at(i));
        if (entries.at(i) == stored)
            current = i;
    }
    if (!stored.isEmpty() && !entries.contains(stored)) {
        combo->addItem(QCoreApplication::translate("DeviceCombo", "%1 (not found)").arg(stored), stored);
        current = combo->count() - 1;
    }
    combo->setCurrentIndex(current);
}

QString Current(const QComboBox* combo)
{
    const QVariant name = combo->currentData();
    return name.isValid() ? name.toString() : combo->currentText();
}

} // namespace DeviceCombo
