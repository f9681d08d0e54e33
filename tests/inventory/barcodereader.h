#pragma once

#include <QImage>
#include <QList>
#include <QStringList>

// Reads barcodes back with zbarimg (Debian's zbar-tools).
namespace BarcodeReader {

// The data of every symbol found in each image, one entry per image ("" when none decoded,
// several symbols joined by '|'); one zbarimg run for all of them.
QStringList Decode(const QList<QImage>& images);

} // namespace BarcodeReader
