#include "scannerinputedit.h"

void ScannerInputEdit::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit focussed(true);
    emit SetCheckedScannerReady(true);
}

void ScannerInputEdit::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit focussed(false);
    emit SetCheckedScannerReady(false);
}
