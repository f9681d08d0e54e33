#pragma once

#include "poledisplay.h"

// The command set of IEE displays.
class PoleDisplayIEE : public PoleDisplay
{
    Q_OBJECT
public:
    explicit PoleDisplayIEE(QObject* parent);

    void clear() override;
    void showWelcome(QString text) override;
    void showLine1(QString text) override;
    void showLine2(QString text) override;
    void showLine2Alt(QString text) override;
};
