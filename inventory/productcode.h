#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class QSqlDatabase;

// Product and stock codes: 1 to 50 ASCII letters, digits, blanks and the 31 punctuation characters
// ! @ # $ % ^ & * ( ) - _ = + [ ] { } | ; : ' " ? / , . < > ~ `
bool IsValidCode(const QString& code);

// The code a product row carries between its insert and its automatic code, unique to the attempt.
// It holds a backslash, which no code passing IsValidCode holds, so it can never meet a real code.
QString TemporaryProductCode();

// Removes rows left by an older program version that was interrupted between its insert and its code
// update: exactly "AAAAAAAAAAAAAAAAAAAA" (case-sensitive) with neither stock nor purchase-order rows.
bool ClearPlaceholderLeftovers(QSqlDatabase& db, QString* error);

// Gives the product row id its automatic code: the decimal text of the smallest n >= id that no product
// carries. A code another workstation took meanwhile (the unique index refuses it) moves on to the next.
bool AssignAutomaticProductCode(QSqlDatabase& db, int id, QString* code, QString* error);

// The same for several new product rows at once, in the order given: one statement finds which of the
// candidate numbers are taken, one writes every code. Where that write is refused (another workstation
// took a code meanwhile) each row goes through AssignAutomaticProductCode. codes receives one entry per
// id, empty for a row whose code could not be written.
void AssignAutomaticProductCodes(QSqlDatabase& db, const QVector<int>& ids, QStringList* codes);
