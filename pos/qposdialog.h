#pragma once

#include <QDialog>

// Modal full-screen host of one sale screen. No key press closes it; a close from the
// window system is handed to the sale screen's own closing.
class QPOSDialog : public QDialog
{
    Q_OBJECT
public:
    // exec() result when the screen closed and asks to be built again (after a settings save).
    enum { Restart = 2 };

    QPOSDialog(QWidget* parent, bool fullScreen);

    // Ends the modal run with result and deletes the host once control is back in an event loop:
    // the caller is usually a slot of the screen inside this host.
    void Finish(int result);

    bool fullScreen = true;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool finishing = false;
};
