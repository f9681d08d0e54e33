#include "voranteldialog.h"

QPoint VorantelDialog::ShowPosition(const QSize& dialog, const QSize& parent)
{
    return QPoint(parent.width() / 2 - dialog.width() / 2, parent.height() / 2 - dialog.height() / 2);
}

QPoint VorantelDialog::ResizePosition(const QSize& dialog, const QRect& parentGeometry)
{
    return QPoint(parentGeometry.x(), parentGeometry.y()) + ShowPosition(dialog, parentGeometry.size());
}

void VorantelDialog::showEvent(QShowEvent* event)
{
    activateWindow();
    QDialog::showEvent(event);
    if (QWidget* parent = parentWidget())
        move(ShowPosition(size(), parent->size()));
}

void VorantelDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    if (QWidget* parent = parentWidget())
        move(ResizePosition(size(), QRect(parent->x(), parent->y(), parent->width(), parent->height())));
}
