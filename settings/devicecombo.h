#pragma once

#include <QString>
#include <QStringList>

class QComboBox;

// Combo boxes that choose a device (a printer, a serial port) by name. A stored device that is
// not present when the page loads stays listed, marked as not found, so that saving the page
// unchanged keeps the choice instead of switching the device off.
namespace DeviceCombo {

// Appends the entries (the first is the "no device" entry) and selects the stored name.
void Fill(QComboBox* combo, const QStringList& entries, const QString& stored);
// The device name of the current entry; empty when none is current.
QString Current(const QComboBox* combo);

} // namespace DeviceCombo
