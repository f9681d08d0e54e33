#pragma once

#include "voranteldialog.h"

#include <QPushButton>

class QLineEdit;

// Calculator key: at least as wide as it is tall, a little taller than a plain button.
class Button : public QPushButton
{
    Q_OBJECT
public:
    explicit Button(QWidget* parent = nullptr);
    QSize sizeHint() const override;
};

// Pocket calculator with one memory register, non-modal over the sale screen.
class Calculator : public VorantelDialog
{
    Q_OBJECT
public:
    explicit Calculator(QWidget* parent);

private slots:
    void digitClicked();
    void unaryOperatorClicked();
    void additiveOperatorClicked();
    void multiplicativeOperatorClicked();
    void equalClicked();
    void pointClicked();
    void changeSignClicked();
    void backspaceClicked();
    void clear();
    void clearAll();
    void clearMemory();
    void readMemory();
    void setMemory();
    void addToMemory();

private:
    Button* createButton(const QString& text, void (Calculator::*member)());
    bool ApplyOperator(double rightOperand, const QString& op);
    void FailOperation();
    double displayValue() const;
    // False (and the display shows "####") when x cannot be shown without losing its magnitude.
    bool showValue(double x);

    double memoryValue = 0.0;
    double sumValue = 0.0;
    double productValue = 0.0;
    QString pendingAdditiveOp;
    QString pendingMultiplicativeOp;
    bool expectingOperand = true;
    QLineEdit* displayEdit = nullptr;
    Button* digitKeys[10] = {};
};
