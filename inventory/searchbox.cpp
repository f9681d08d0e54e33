#include "searchbox.h"

QString GetSearchBoxStyleSheet()
{
    return QStringLiteral(
        "font-size: 15px;  border: none; background-color: yellow; "
        "background-image: url(:/resources/images/search.png); background-repeat: no-repeat; "
        "background-position: left; padding: 2 2 2 20;");
}
