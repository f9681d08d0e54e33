#include "poledisplayiee.h"

// Line 1 is written at the cursor wherever it stands: the display has no line address.
PoleDisplayIEE::PoleDisplayIEE(QObject* parent)
    : PoleDisplay(parent)
{
}

void PoleDisplayIEE::clear()
{
    if (!portOpen)
        return;
    Send("\x14\x0C\x0E");
    Flush();
}

void PoleDisplayIEE::showWelcome(QString text)
{
    if (!portOpen)
        return;
    Send("\x14\x0C\x0E");
    Flush();
    Send(text);
    Flush();
}

void PoleDisplayIEE::showLine1(QString text)
{
    if (!portOpen)
        return;
    Send(text);
}

void PoleDisplayIEE::showLine2(QString text)
{
    if (!portOpen)
        return;
    Send("\x0D\x0A");
    Flush();
    Send(text);
    Flush();
}

void PoleDisplayIEE::showLine2Alt(QString text)
{
    showLine2(text);
}
