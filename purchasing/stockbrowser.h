#pragma once

#include <QSize>

class QWidget;

// The stock list in a modal dialog for looking up codes and quantities; nothing is taken back.
void BrowseStock(QWidget* hostParent, const QSize& size);
