#pragma once

#include <QLoggingCategory>
#include <QString>

#include <algorithm>

// Developer diagnostics of the point of sale.
Q_DECLARE_LOGGING_CATEGORY(lcPos)

// Lets a busy box paint before a long step on the GUI thread; the user's input waits.
void ProcessEventPasses(int passes);

// Widths of the text columns of tblSalesTransactions that the sale screen writes.
constexpr int SHIP_NAME_LENGTH = 45;
constexpr int SHIP_CONTACT_LENGTH = 45;
constexpr int SHIP_ADDRESS_LENGTH = 250;
constexpr int SHIP_VIA_LENGTH = 100;
constexpr int NOTES_LENGTH = 250;
constexpr int REFERENCE_NUMBER_LENGTH = 100;
constexpr int CUSTOMER_LENGTH = 100;

// The sales tables store three-byte UTF-8: a character outside the basic plane (emoji and the
// like) is refused by the server and would make the whole statement fail.
inline bool HasFourByteCharacter(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.isSurrogate(); });
}
