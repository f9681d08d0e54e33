#pragma once

#include <QString>

class QAbstractItemModel;
class QCompleter;
class QObject;

// Style sheet of every product search box (product and stock dialogs, sale screen, purchase orders).
QString GetSearchBoxStyleSheet();

// Case-blind pop-up completer over one column of a product list; matches anywhere in the text unless the
// start_with_search_term setting asks for the start only.
QCompleter* NewProductCompleter(QAbstractItemModel* model, int column, QObject* parent);
