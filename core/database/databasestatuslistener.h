#pragma once

// Receiver of the database status after each opening attempt (the main window; tests too).
class DatabaseStatusListener
{
public:
    virtual ~DatabaseStatusListener() = default;
    virtual void updateInventoryDbStatus(bool open) = 0;
    virtual void updateSalesDbStatus(bool open) = 0;
};
