#pragma once

#include <QDialog>

// Base of nearly every dialog: keeps the dialog centred on its parent.
class VorantelDialog : public QDialog
{
    Q_OBJECT
public:
    using QDialog::QDialog;

    // The two placement rules, kept apart so they can be checked alone.
    static QPoint ShowPosition(const QSize& dialog, const QSize& parent);
    static QPoint ResizePosition(const QSize& dialog, const QRect& parentGeometry);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
};
