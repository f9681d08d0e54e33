#include "vorantellabel.h"

#include "appsettings.h"

void VorantelLabel::enterEvent(QEvent* event)
{
    setCursor(Qt::PointingHandCursor);
    setText(text().replace(QLatin1String("none"), QLatin1String("underline")));
    QLabel::enterEvent(event);
}

void VorantelLabel::leaveEvent(QEvent* event)
{
    setCursor(Qt::ArrowCursor);
    setText(text().replace(QLatin1String("underline"), QLatin1String("none")));
    QLabel::leaveEvent(event);
}

void VorantelLabel::paintEvent(QPaintEvent* event)
{
    QString current = text();
    if (AppSettings::Instance()->Theme() == QLatin1String("dark"))
        current.replace(QLatin1String("#3a66dd"), QLatin1String("yellow"));
    else
        current.replace(QLatin1String("yellow"), QLatin1String("#3a66dd"));
    // setText schedules another paint; only set it when something changed.
    if (current != text())
        setText(current);
    QLabel::paintEvent(event);
}
