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
