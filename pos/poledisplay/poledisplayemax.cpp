#include "poledisplayemax.h"

// Each line is addressed by its own prefix (!#1, !#2; !#4 for the welcome) and ended by a carriage return.
PoleDisplayEmax::PoleDisplayEmax(QObject* parent)
    : PoleDisplay(parent)
{
}

void PoleDisplayEmax::clear()
{
    if (!portOpen)
        return;
    Send("\x0D\x0D\x21\x23\x31\x20\x0D");
    Flush();
}

void PoleDisplayEmax::showWelcome(QString text)
{
    if (!portOpen)
        return;
    Send("\x0A\x0A\x21\x23\x34");
    Flush();
    Send(text);
    Send("\x0D");
    Flush();
}

void PoleDisplayEmax::showLine1(QString text)
{
    if (!portOpen)
        return;
    Send("\x21\x23\x31");
    Flush();
    Send(text);
    Flush();
    Send("\x0D");
    Flush();
}

void PoleDisplayEmax::showLine2(QString text)
{
    if (!portOpen)
        return;
    Send("\x21\x23\x32");
    Flush();
    Send(text);
    Flush();
    Send("\x0D");
    Flush();
}

void PoleDisplayEmax::showLine2Alt(QString text)
{
    showLine2(text);
}
