// Payment and quick pay of the sale screen. The pay keys are bound to these slots already;
// pay reports "nothing to do" (0) until payment is in place, so closing is never held up.
#include "cpos.h"
#include "ui_cpos.h"

int CPOS::on_pushButtonPay_clicked()
{
    return 0;
}

void CPOS::on_pushButtonPAID_clicked()
{
}

void CPOS::ResetAmounts()
{
}

void CPOS::QuickPay(int /*index*/)
{
}

void CPOS::on_CtrlOne()
{
    QuickPay(1);
}

void CPOS::on_CtrlTwo()
{
    QuickPay(2);
}

void CPOS::on_CtrlThree()
{
    QuickPay(3);
}

void CPOS::on_CtrlFour()
{
    QuickPay(4);
}

void CPOS::on_CtrlFive()
{
    QuickPay(5);
}

void CPOS::on_CtrlSix()
{
    QuickPay(6);
}

void CPOS::on_CtrlSeven()
{
    QuickPay(7);
}

void CPOS::on_CtrlEight()
{
    QuickPay(8);
}

void CPOS::on_CtrlNine()
{
    QuickPay(9);
}
