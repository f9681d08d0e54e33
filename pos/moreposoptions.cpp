#include "moreposoptions.h"

#include "calculator.h"
#include "cpos.h"

#include <QScroller>

MorePOSOptions::MorePOSOptions(QWidget* parent)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    QScroller::grabGesture(ui.scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    posScreen = qobject_cast<CPOS*>(parent);
    ui.pushShortcutKeys->setFocus();
}

void MorePOSOptions::on_pushShortcutKeys_clicked()
{
    if (posScreen)
        posScreen->on_pushHelpShortCutKeys_clicked();
    close();
}

void MorePOSOptions::on_pushNumbPad_clicked()
{
    if (posScreen)
        posScreen->ShowNumberPad();
    close();
}

void MorePOSOptions::on_pushCalculator_clicked()
{
    if (posScreen) {
        if (!posScreen->calculator)
            posScreen->calculator = new Calculator(posScreen);
        posScreen->calculator->show();
    }
    close();
}

void MorePOSOptions::on_pushSettings_clicked()
{
    if (posScreen)
        posScreen->OpenSettings();
    close();
}

void MorePOSOptions::on_pushClose_clicked()
{
    close();
}
