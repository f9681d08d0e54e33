#pragma once

#include <QObject>

class QWidget;

// While the sale screen is shown, every window that opens is made transient for the screen's
// window (its Qt parent stays). A window manager keeps a window above its transient parent only:
// a notice whose parent is the main window could otherwise open underneath the full-screen screen,
// where the cashier can neither see nor answer it.
class WindowsAboveScreen : public QObject
{
    Q_OBJECT
public:
    explicit WindowsAboveScreen(QWidget* screen);
    ~WindowsAboveScreen() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void KeepAbove(QWidget* window);

    QWidget* screen;
    bool watching = false;
};
