#pragma once

#include <initializer_list>

#include <QString>

class QTextEdit;
class QWidget;

// A field the user types into (a line edit or a text edit), its name as the form shows it and the length
// of its column; 0 where the form itself keeps the text within the column.
struct NamedField {
    QWidget* field;
    QString name;
    int length = 0;
};

// What the user is told when text can not be stored in the field of that name and column length;
// empty when it can. The form checks below and imports of what the forms hold apply the same rules.
QString TextRefusal(const QString& text, const QString& name, int length);

// What the user is told about the first field whose text its column can not hold, with the cursor put
// there; empty when every field can be stored. The text columns hold 3-byte UTF-8 only, so a character
// outside the Basic Multilingual Plane (an emoji, for example) would otherwise reach the user as a raw
// driver error, and over-long text as "Data too long".
QString FieldRefusal(std::initializer_list<NamedField> fields);

// Refuses such text before any SQL runs, in a warning box naming the field; true when every field can be stored.
bool TextFitsColumns(QWidget* parent, const QString& title, std::initializer_list<NamedField> fields);

// Keeps a multi-line field within its column as the user types or pastes.
void LimitTextEdit(QTextEdit* edit, int length);

// A tool tip that shows the text as it is: Qt renders a tip that looks like markup, and a name from a form or an
// import may hold "<h1>" or "<img src=...>". Such a text is given escaped, its spaces and line breaks kept; a line of
// more than 80 characters wraps. Any other text is its own tip.
QString PlainToolTip(const QString& text);
