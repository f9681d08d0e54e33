// Item entry, look-up, returns and the product buttons of the sale screen. The buttons and keys
// are bound to these slots already; they act once item entry is in place.
#include "cpos.h"
#include "ui_cpos.h"

void CPOS::on_pushAddItem_clicked()
{
}

void CPOS::on_lineEditBarCode_returnPressed()
{
}

void CPOS::on_pushDeleteItem_clicked()
{
}

void CPOS::on_checkReturnMode_toggled(bool /*checked*/)
{
}

void CPOS::on_pushEnterCode_clicked()
{
}

void CPOS::on_pushButtonLookUp_clicked()
{
}

void CPOS::on_pushSelect_clicked()
{
}

void CPOS::on_comboBoxProducts_activated(int /*index*/)
{
}

void CPOS::LoadProductButtons()
{
}

void CPOS::on_pushFavPages_clicked()
{
}

void CPOS::on_nextButton_clicked()
{
}

void CPOS::on_previousButton_clicked()
{
}
