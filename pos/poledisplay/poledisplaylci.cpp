#include "poledisplaylci.h"

// A new display is always closed, so the model's reset (1F 14 11) would never be sent here.
PoleDisplayLCI::PoleDisplayLCI(QObject* parent)
    : PoleDisplay(parent)
{
}

void PoleDisplayLCI::clear()
{
    if (!portOpen)
        return;
    Send("\x1F\x14\x11");
    Flush();
}

void PoleDisplayLCI::showWelcome(QString text)
{
    if (!portOpen)
        return;
    Send("\x1F\x14\x05");
    Flush();
    Send(text);
    Flush();
}

void PoleDisplayLCI::showLine1(QString text)
{
    if (!portOpen)
        return;
    clear();
    Send(text);
    Flush();
}

void PoleDisplayLCI::showLine2(QString text)
{
    if (!portOpen)
        return;
    Send("\x0D\x0A");
    Send(text);
    Flush();
}

void PoleDisplayLCI::showLine2Alt(QString text)
{
    showLine2(text);
}
