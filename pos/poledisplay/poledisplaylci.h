#pragma once

#include "poledisplay.h"

// The command set of Logic Controls (LCI) displays.
class PoleDisplayLCI : public PoleDisplay
{
    Q_OBJECT
public:
    explicit PoleDisplayLCI(QObject* parent);

    void clear() override;
    void showWelcome(QString text) override;
    void showLine1(QString text) override;
    void showLine2(QString text) override;
    void showLine2Alt(QString text) override;
};
