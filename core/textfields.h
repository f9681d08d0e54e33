#pragma once

#include <initializer_list>
#include <utility>

class QString;
class QTextEdit;
class QWidget;

// A field the user types into (a line edit or a text edit) and its name as the form shows it.
using NamedField = std::pair<QWidget*, QString>;

// The text columns hold 3-byte UTF-8 only: a character outside the Basic Multilingual Plane
// (an emoji, for example) would reach the user as a raw driver error. Returns the name of the
// first field holding such a character, with the cursor put there; empty when every field can be stored.
QString UnstorableField(std::initializer_list<NamedField> fields);

// What the user is told about such a field.
QString UnstorableFieldMessage(const QString& name);

// Refuses such text before any SQL runs, in a warning box naming the field; true when every field can be stored.
bool TextFitsColumns(QWidget* parent, const QString& title, std::initializer_list<NamedField> fields);

// Keeps a multi-line field within its column as the user types or pastes.
void LimitTextEdit(QTextEdit* edit, int length);
