#include "popupkeyrouter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

namespace {
// Long enough for the keys a scanner sends right after its prefix; short enough that menus opened
// and closed over and over do not pile up.
const int CLOSED_POPUP_LIFETIME_MS = 1000;
} // namespace

PopupKeyRouter::PopupKeyRouter(QWidget* screen, const QKeySequence& prefix, std::function<void()> onPrefix)
    : QObject(screen)
    , screen(screen)
    , prefix(prefix)
    , onPrefix(std::move(onPrefix))
{
    // Keys for a pop-up reach its own widgets, which the screen cannot watch: a suggestion list has
    // no parent at all.
    QCoreApplication::instance()->installEventFilter(this);
}

PopupKeyRouter::~PopupKeyRouter()
{
    QCoreApplication::instance()->removeEventFilter(this);
}

void PopupKeyRouter::CloseOpenPopups()
{
    // A pop-up that refuses to close must not hold this loop.
    for (int i = 0; i < 16; ++i) {
        QWidget* popup = QApplication::activePopupWidget();
        if (!popup)
            break;
        // Keys addressed to the pop-up may still be queued, and Qt drops a key whose window is gone
        // before any filter sees it: a menu that deletes itself on close stays a while, hidden.
        const bool deletesItself = popup->testAttribute(Qt::WA_DeleteOnClose);
        popup->setAttribute(Qt::WA_DeleteOnClose, false);
        if (!popup->close())
            popup->setAttribute(Qt::WA_DeleteOnClose, deletesItself);
        else if (deletesItself)
            QTimer::singleShot(CLOSED_POPUP_LIFETIME_MS, popup, &QObject::deleteLater);
    }
}

bool PopupKeyRouter::OpensFromScreen(const QWidget* popup) const
{
    // A suggestion list has no parent; the field it completes is its focus proxy. A pop-up opened
    // from another pop-up (a sub-menu) belongs where that one does.
    for (const QWidget* window = popup; window && window->windowType() == Qt::Popup;) {
        const QWidget* owner = window->parentWidget() ? window->parentWidget() : window->focusProxy();
        if (!owner)
            return false;
        if (owner == screen || screen->isAncestorOf(owner))
            return true;
        window = owner->window();
    }
    return false;
}

bool PopupKeyRouter::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride)
        || !watched->isWidgetType())
        return false;
    QWidget* popup = static_cast<QWidget*>(watched)->window();
    if (popup->windowType() != Qt::Popup || !OpensFromScreen(popup))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (popup->isVisible()) {
        // A drop-down list or a menu runs no shortcut of the window below: the prefix arrives as a key.
        if (type == QEvent::KeyPress
            && QKeySequence(int(key->modifiers() & ~Qt::KeypadModifier) | key->key()) == prefix) {
            onPrefix();
            return true;
        }
        return false;
    }
    // The key was addressed before the pop-up closed: a hidden list would still take it (a drop-down
    // list chooses its highlighted row on Enter, a suggestion list types into its field).
    QWidget* focus = QApplication::focusWidget();
    if (!focus || focus->window() == popup)
        return false;
    // Qt hands a key that nobody accepted on to the receiver's parent, still inside the hidden pop-up:
    // the focus has had that one already, and did not accept it. A new key may come at the same
    // address, but to the pop-up's own receiver again, never to a parent of it.
    if (event == forwarded && forwardedFrom && watched != forwardedFrom
        && static_cast<QWidget*>(watched)->isAncestorOf(forwardedFrom)) {
        event->ignore();
        return true;
    }
    forwarded = event;
    forwardedFrom = static_cast<QWidget*>(watched);
    QCoreApplication::sendEvent(focus, event);
    // Handled here: the pop-up's own parents must not get it as well. An override keeps the focus
    // widget's answer, which decides whether a shortcut runs.
    if (type != QEvent::ShortcutOverride)
        event->accept();
    return true;
}
