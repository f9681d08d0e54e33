// Printing, PDF and e-mail of the sale screen. The buttons are bound here already; they act once
// printing is in place.
#include "cpos.h"
#include "ui_cpos.h"

void CPOS::on_pushPrint_clicked()
{
}

void CPOS::on_pushPrintPreview_clicked()
{
}

void CPOS::on_pushEmailInvoiceToCustomer_clicked()
{
}

void CPOS::on_pushEmailReceiptToCustomer_clicked()
{
}
