#pragma once

#include "poledisplay.h"

// The command set of Emax displays.
class PoleDisplayEmax : public PoleDisplay
{
    Q_OBJECT
public:
    explicit PoleDisplayEmax(QObject* parent);

    void clear() override;
    void showWelcome(QString text) override;
    void showLine1(QString text) override;
    void showLine2(QString text) override;
    void showLine2Alt(QString text) override;
};
