// Invoice mode of the sale screen. The mode button is bound here already; it switches the screen
// once invoice mode is in place.
#include "cpos.h"
#include "ui_cpos.h"

void CPOS::on_pushInvoiceMode_clicked()
{
}

void CPOS::on_pushInvoiceMode_toggled(bool /*checked*/)
{
}

void CPOS::on_pushSaveInvoice_clicked()
{
}

// The invoice save as pay runs it in invoice mode; 0 = saved or nothing to do.
int CPOS::SaveInvoice()
{
    return 0;
}

// The automatic purchase order for a stock code that reached its reorder level.
void CPOS::GeneratePurchaseOrder(const QString& /*stockCode*/)
{
}
