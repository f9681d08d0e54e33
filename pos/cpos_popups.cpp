// The more-options pop-up and the on-screen number pad of the sale screen.
#include "cpos.h"
#include "ui_cpos.h"

#include "moreposoptions.h"
#include "numberpad.h"

#include <QTimer>

void CPOS::on_pushMore_clicked()
{
    {
        MorePOSOptions options(this);
        options.exec();
    }
    if (restartRequested)
        QTimer::singleShot(200, this, &CPOS::on_pushButtonClose_clicked);
}

void CPOS::ShowNumberPad(QWidget* parent)
{
    QPoint position;
    const bool replacing = numberPad != nullptr;
    if (replacing) {
        position = numberPad->pos();
        delete numberPad;
        numberPad = new NumberPad(parent ? parent : this);
    } else {
        numberPad = new NumberPad(this);
    }
    connect(numberPad, &NumberPad::numPadClosed, this, &CPOS::onNumPadClsoe);
    numberPad->setAttribute(Qt::WA_ShowWithoutActivating);
    numberPad->setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus);
    numberPad->setFocusPolicy(Qt::NoFocus);
    numberPad->setModal(false);
    numberPad->show();
    if (replacing)
        numberPad->move(position);
    numberPadOpen = true;
}

void CPOS::onNumPadClsoe()
{
    numberPadOpen = false;
}
