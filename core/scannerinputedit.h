#pragma once

#include <QLineEdit>

// Line edit that receives keyboard-wedge scanner input and reports focus changes.
class ScannerInputEdit : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

signals:
    void focussed(bool hasFocus);
    void SetCheckedScannerReady(bool hasFocus);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
};
