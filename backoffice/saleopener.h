#pragma once

#include <QString>

// What the sales records page asks of the main window to reopen a stored sale: the open-sale
// request, then the point-of-sale launcher, which returns once the sale screen has closed.
class SaleOpener
{
public:
    virtual ~SaleOpener() = default;
    virtual void RequestOpenSale(const QString& saleId, bool asInvoice) = 0;
    virtual void LaunchPointOfSale() = 0;
};
