#include "searchbox.h"

#include "appsettings.h"

#include <QCompleter>
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
    return completer;
}
