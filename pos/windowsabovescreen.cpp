#include "windowsabovescreen.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace {

// True when window is above (transient for, directly or through others) the window below.
bool StaysAbove(const QWindow* window, const QWindow* below)
{
    for (const QWindow* w = window->transientParent(); w; w = w->transientParent()) {
        if (w == below)
            return true;
    }
    return false;
}

} // namespace

WindowsAboveScreen::WindowsAboveScreen(QWidget* screen)
    : QObject(screen)
    , screen(screen)
{
    screen->installEventFilter(this);
}

WindowsAboveScreen::~WindowsAboveScreen()
{
    if (watching)
        QCoreApplication::instance()->removeEventFilter(this);
    GiveBack();
}

bool WindowsAboveScreen::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == screen) {
        // Only while the screen is up: the application filter sees every event of the program.
        if (event->type() == QEvent::Show && !watching) {
            QCoreApplication::instance()->installEventFilter(this);
            watching = true;
        } else if (event->type() == QEvent::Hide && watching) {
            QCoreApplication::instance()->removeEventFilter(this);
            watching = false;
            GiveBack();
        }
    } else if (event->type() == QEvent::Show && watched->isWidgetType()) {
        KeepAbove(static_cast<QWidget*>(watched));
    }
    return false;
}

void WindowsAboveScreen::KeepAbove(QWidget* widget)
{
    // Menus, pop-ups and tool tips already follow the window they belong to.
    const Qt::WindowType type = widget->windowType();
    if (!widget->isWindow() || (type != Qt::Window && type != Qt::Dialog && type != Qt::Tool))
        return;
    // The window exists by now and is mapped only after its show event.
    QWindow* window = widget->windowHandle();
    QWindow* screenWindow = screen->window()->windowHandle();
    if (!window || !screenWindow || window == screenWindow)
        return;
    // Its own dialogs (and theirs) are above the screen already, and the main window stays below.
    if (StaysAbove(window, screenWindow) || StaysAbove(screenWindow, window))
        return;
    const auto known =
        std::find_if(raised.begin(), raised.end(), [window](const Raised& r) { return r.window == window; });
    const Raised entry{window, window->transientParent(), screenWindow};
    if (known != raised.end())
        *known = entry;
    else
        raised << entry;
    window->setTransientParent(screenWindow);
}

void WindowsAboveScreen::GiveBack()
{
    for (const Raised& r : qAsConst(raised)) {
        // Windows deleted meanwhile are skipped; one placed elsewhere since stays there.
        if (r.window && r.window->transientParent() == r.screenWindow)
            r.window->setTransientParent(r.formerParent);
    }
    raised.clear();
}
