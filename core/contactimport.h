#pragma once

#include <QChar>
#include <QStringList>

class QSqlError;

// The customers' and vendors' CSV import reads what their lists export: ID, name, address, email and
// contact number.

// The line's five fields, trimmed; empty when the line does not hold five.
QStringList ContactFields(const QString& line, QChar delimiter);

enum class ContactImport { Added, Updated, Failed };

// Updates the row of the fields' ID in table (tblCustomers or tblVendors), or adds a row when no row has it.
// Only a whole number names a row: "1abc" would otherwise be read as row 1 by the server.
ContactImport ImportContactLine(const QString& table, const QStringList& fields, QSqlError* error);
