#include "poledisplayepson.h"

// A new display is always closed, so the model's initialise (1B 40, then clear) would never be sent here.
PoleDisplayEpson::PoleDisplayEpson(QObject* parent)
    : PoleDisplay(parent)
{
}

void PoleDisplayEpson::clear()
{
    if (!portOpen)
        return;
    Send("\x0C\x0B");
    Flush();
    Send("\x1F\x43\x30\x30");
    Flush();
}

void PoleDisplayEpson::showWelcome(QString text)
{
    if (!portOpen)
        return;
    clear();
    Send("\x1F\x03");
    Flush();
    Send(text);
}

void PoleDisplayEpson::showLine1(QString text)
{
    if (!portOpen)
        return;
    clear();
    Send(text);
    Flush();
}

void PoleDisplayEpson::showLine2(QString text)
{
    if (!portOpen)
        return;
    Send("\x0B");
    Send("\x0A");
    Send("\x18");
    Send(text);
    Flush();
}

void PoleDisplayEpson::showLine2Alt(QString text)
{
    if (!portOpen)
        return;
    Send("\x0B");
    Send("\x0A");
    Send("\x0A");
    Send("\x18");
    Send(text);
    Flush();
}
