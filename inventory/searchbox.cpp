#include "searchbox.h"

#include "appsettings.h"

#include <QCompleter>
#include <QListView>
#include <QSettings>

QString GetSearchBoxStyleSheet()
{
    return QStringLiteral(
        "font-size: 15px;  border: none; background-color: yellow; "
        "background-image: url(:/resources/images/search.png); background-repeat: no-repeat; "
        "background-position: left; padding: 2 2 2 20;");
}

QCompleter* NewProductCompleter(QAbstractItemModel* model, int column, QObject* parent)
{
    auto* completer = new QCompleter(model, parent);
    completer->setCaseSensitivity(Qt::CaseInsensitive);
    completer->setCompletionColumn(column);
    completer->setCompletionMode(QCompleter::PopupCompletion);
    if (!AppSettings::Instance()->settings->value(QStringLiteral("start_with_search_term"), true).toBool())
        completer->setFilterMode(Qt::MatchContains);
    // Every suggestion is one line of the same font: without this the list measures each of tens of
    // thousands of them at every key.
    if (auto* list = qobject_cast<QListView*>(completer->popup()))
        list->setUniformItemSizes(true);
    return completer;
}
