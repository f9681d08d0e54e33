#pragma once

#include <QObject>
#include <QPointer>
#include <QVector>

class QWidget;
class QWindow;

// While the sale screen is shown, every window that opens is made transient for the screen's
// window (its Qt parent stays). A window manager keeps a window above its transient parent only:
// a notice whose parent is the main window could otherwise open underneath the full-screen screen,
// where the cashier can neither see nor answer it. Once the screen hides, each such window gets
// back the transient parent it had, so that a dialog kept for later opens above the main window.
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
    void GiveBack();

    // A window made transient for the screen, and the transient parent it had before.
    struct Raised
    {
        QPointer<QWindow> window;
        QPointer<QWindow> formerParent;
        QPointer<QWindow> screenWindow;
    };

    QWidget* screen;
    bool watching = false;
    QVector<Raised> raised;
};
