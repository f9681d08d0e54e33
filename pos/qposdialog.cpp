#include "qposdialog.h"

#include "cpos.h"

#include <QCloseEvent>

QPOSDialog::QPOSDialog(QWidget* parent, bool fullScreen)
    : QDialog(parent)
    , fullScreen(fullScreen)
{
}

void QPOSDialog::Finish(int result)
{
    finishing = true;
    done(result);
    deleteLater();
}

void QPOSDialog::keyPressEvent(QKeyEvent* /*event*/)
{
    // Swallowed: Escape must not end a sale.
}

void QPOSDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (fullScreen)
        showFullScreen();
}

void QPOSDialog::closeEvent(QCloseEvent* event)
{
    if (finishing) {
        event->accept();
        return;
    }
    // The window system's close gets the screen's question and save; the screen ends the host itself.
    event->ignore();
    if (auto* screen = findChild<CPOS*>(QString(), Qt::FindDirectChildrenOnly))
        screen->on_pushButtonClose_clicked();
}
