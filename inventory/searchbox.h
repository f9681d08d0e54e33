#pragma once

#include <QString>

// Style sheet of every product search box (product and stock dialogs, sale screen, purchase orders).
QString GetSearchBoxStyleSheet();
