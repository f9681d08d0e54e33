// Sale record, stored sales, customer and timestamps of the sale screen. The buttons are bound
// to these slots already; they act once the sale record is in place.
#include "cpos.h"
#include "ui_cpos.h"

void CPOS::on_pushNew_clicked()
{
}

void CPOS::OpenSale(const QString& /*saleId*/, bool /*invoice*/)
{
}

void CPOS::on_pushSearchReceipt_clicked()
{
}

void CPOS::on_pushInvoiceSearch_clicked()
{
}

void CPOS::on_pushCustomers_clicked()
{
}

void CPOS::on_pushCustomers_toggled(bool /*checked*/)
{
}

void CPOS::on_pushUpdateInvoiceTimestamp_clicked()
{
}

void CPOS::on_pushUpdateReceiptTimestamp_clicked()
{
}
