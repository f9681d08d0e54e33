#include "placeholderpage.h"

#include <QScroller>

PlaceholderPage::PlaceholderPage(QWidget* parent)
    : SettingsPage(parent)
{
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
}

bool PlaceholderPage::SaveSettings()
{
    return true;
}

void PlaceholderPage::LoadSettings()
{
}
