// Payment and quick pay of the sale screen. The pay keys are bound to these slots already;
// pay reports "nothing to do" (0) until payment is in place, so closing is never held up.
// The due field follows the total and the paid amount already.
#include "cpos.h"
#include "ui_cpos.h"

#include <QDateTime>
#include <QLocale>

namespace {

// The status rule: the combo index for the total text against the paid amount as written back.
int StatusFor(const QLocale& locale, const QString& totalText, double paid, int precision, int current)
{
    const QString paidText = locale.toString(paid, 'f', precision);
    const double total = locale.toDouble(totalText);
    const double paidBack = locale.toDouble(paidText);
    if (totalText == paidText)
        return 2;
    if (total > paidBack && paidBack != 0.0)
        return 1;
    if (paidBack == 0.0)
        return 0;
    if (paidBack > total)
        return 2;
    return current;
}

} // namespace

int CPOS::on_pushButtonPay_clicked()
{
    return 0;
}

void CPOS::on_pushButtonPAID_clicked()
{
}

void CPOS::ResetAmounts()
{
    ui->lineEditTotal->setText(QStringLiteral("0"));
    ui->lineEditPaid->setText(QStringLiteral("0"));
    ui->lineEditPaid->selectAll();
    ui->lineEditChange->setText(QStringLiteral("0"));
    ui->lineEditTax->setText(QStringLiteral("0"));
    PoleShowPrice(QStringLiteral("0.00"));
    PoleShowTotal(QStringLiteral("0.00"));
}

void CPOS::on_lineEditPaid_textChanged(const QString& text)
{
    const double paid = locale->toDouble(text);
    ui->lineEditChange->setText(locale->toString(grandTotal - paid, 'f', finalAmountPrecision));
    if (invoiceMode)
        UpdatePaymentStateInvoice();
    else
        UpdatePaymentStateReceipt();
}

void CPOS::UpdatePaymentStateReceipt()
{
    const double paid = locale->toDouble(ui->lineEditPaid->text());
    ui->comboReceiptStatus->setCurrentIndex(StatusFor(*locale, ui->lineEditTotal->text(), paid, finalAmountPrecision,
                                                      ui->comboReceiptStatus->currentIndex()));
    ui->dateTimeReceiptTimeStamp->setDateTime(QDateTime::currentDateTime());
    changedSinceSave = true;
}

void CPOS::UpdatePaymentStateInvoice()
{
    const double paid = locale->toDouble(ui->lineEditPaid->text());
    ui->comboInvoiceStatus->setCurrentIndex(StatusFor(*locale, ui->lineEditTotal->text(), paid, finalAmountPrecision,
                                                      ui->comboInvoiceStatus->currentIndex()));
    ui->dateTimeInvoiceTimeStamp->setDateTime(QDateTime::currentDateTime());
    changedSinceSave = true;
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
