#pragma once

#include "poledisplay.h"

// The command set of Epson110-D202 displays.
class PoleDisplayEpson : public PoleDisplay
{
    Q_OBJECT
public:
    explicit PoleDisplayEpson(QObject* parent);

    void clear() override;
    void showWelcome(QString text) override;
    void showLine1(QString text) override;
    void showLine2(QString text) override;
    void showLine2Alt(QString text) override;
};
