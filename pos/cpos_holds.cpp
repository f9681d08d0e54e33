// Held sales of the sale screen. Pay later (F9) is bound here already; it acts once held
// sales are in place.
#include "cpos.h"
#include "ui_cpos.h"

void CPOS::on_pushPayLater_clicked()
{
}

void CPOS::LoadPendingPayments()
{
}
