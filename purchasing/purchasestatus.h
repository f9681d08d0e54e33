#pragma once

#include <QColor>
#include <QDateTime>
#include <QVariant>
#include <QString>

class QComboBox;

// Purchase-order status (0 DRAFT ... 4 CLOSED) and payment status (0 NOT PAID ... 2 PAID): their words
// and colours, the same wherever an order is shown.
namespace PurchaseStatus {

enum Status { Draft = 0, Sent = 1, PartiallyReceived = 2, Received = 3, Closed = 4 };
constexpr int StatusCount = 5;
constexpr int PaymentCount = 3;

QString StatusWord(int code);  // translated; empty outside 0-4
QString PaymentWord(int code); // translated; empty outside 0-2
QColor StatusColour(int code);
QColor PaymentColour(int code);
// "QComboBox { background-color: ...; color:white }"; empty outside the codes.
QString StatusStyleSheet(int code);
QString PaymentStyleSheet(int code);

// A stored date-time as the driver returns it (a date-time, or its text "yyyy-MM-ddThh:mm:ss").
QDateTime StoredDateTime(const QVariant& value);

// Appends the words in code order, each on its colour with white text.
void AddStatusItems(QComboBox* combo);
void AddPaymentItems(QComboBox* combo);

} // namespace PurchaseStatus
