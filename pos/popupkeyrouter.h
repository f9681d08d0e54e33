#pragma once

#include <QKeySequence>
#include <QObject>
#include <QPointer>

#include <functional>

class QEvent;
class QWidget;

// On X11 an open pop-up holds the keyboard: the window system addresses every key to it, and keys
// that queued while the program was busy keep that address after the pop-up closed. For the pop-ups
// opened from the screen (suggestion lists, drop-down lists, calendars, context menus), a key that
// reaches one already hidden goes where the focus is now, and the scanner's prefix at an open one
// closes them all and then does what it does on the screen. Pop-ups of windows above the screen
// keep their keys.
class PopupKeyRouter : public QObject
{
    Q_OBJECT
public:
    PopupKeyRouter(QWidget* screen, const QKeySequence& prefix, std::function<void()> onPrefix);
    ~PopupKeyRouter() override;

    // Closes every open pop-up without choosing anything. One that would delete itself on close is
    // deleted a while later instead.
    static void CloseOpenPopups();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OpensFromScreen(const QWidget* popup) const;

    QWidget* screen;
    QKeySequence prefix;
    std::function<void()> onPrefix;
    // The key last handed to the focus, so that it goes there once (only compared, never read).
    const QEvent* forwarded = nullptr;
    QPointer<QWidget> forwardedFrom;
};
