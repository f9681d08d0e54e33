#include "calculator.h"

#include <QGridLayout>
#include <QLineEdit>
#include <QtMath>

namespace {
const int DISPLAY_LENGTH = 15;
}

Button::Button(QWidget* parent)
    : QPushButton(parent)
{
}

QSize Button::sizeHint() const
{
    QSize size = QPushButton::sizeHint();
    size.rheight() += 20;
    size.rwidth() = qMax(size.width(), size.height());
    return size;
}

Calculator::Calculator(QWidget* parent)
    : VorantelDialog(parent)
{
    displayEdit = new QLineEdit(QStringLiteral("0"));
    displayEdit->setStyleSheet(QStringLiteral("QLineEdit {min-height: 40px; font-size:20px;}"));
    displayEdit->setReadOnly(true);
    displayEdit->setAlignment(Qt::AlignRight);
    displayEdit->setMaxLength(DISPLAY_LENGTH);
    QFont font = displayEdit->font();
    font.setPointSize(font.pointSize() + 8);
    displayEdit->setFont(font);

    for (int i = 0; i < 10; ++i)
        digitKeys[i] = createButton(QString::number(i), &Calculator::digitClicked);

    Button* pointButton = createButton(tr("."), &Calculator::pointClicked);
    Button* changeSignButton = createButton(tr("\302\261"), &Calculator::changeSignClicked);
    Button* backspaceButton = createButton(tr("Backspace"), &Calculator::backspaceClicked);
    Button* clearButton = createButton(tr("Clear"), &Calculator::clear);
    Button* clearAllButton = createButton(tr("Clear All"), &Calculator::clearAll);
    Button* clearMemoryButton = createButton(tr("MC"), &Calculator::clearMemory);
    Button* readMemoryButton = createButton(tr("MR"), &Calculator::readMemory);
    Button* setMemoryButton = createButton(tr("MS"), &Calculator::setMemory);
    Button* addToMemoryButton = createButton(tr("M+"), &Calculator::addToMemory);
    Button* divisionButton = createButton(tr("\303\267"), &Calculator::multiplicativeOperatorClicked);
    Button* timesButton = createButton(tr("\303\227"), &Calculator::multiplicativeOperatorClicked);
    Button* minusButton = createButton(tr("-"), &Calculator::additiveOperatorClicked);
    Button* plusButton = createButton(tr("+"), &Calculator::additiveOperatorClicked);
    Button* squareRootButton = createButton(tr("Sqrt"), &Calculator::unaryOperatorClicked);
    Button* powerButton = createButton(tr("x\302\262"), &Calculator::unaryOperatorClicked);
    Button* reciprocalButton = createButton(tr("1/x"), &Calculator::unaryOperatorClicked);
    Button* equalButton = createButton(tr("="), &Calculator::equalClicked);

    auto* layout = new QGridLayout;
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(displayEdit, 0, 0, 1, 6);
    layout->addWidget(backspaceButton, 1, 0, 1, 2);
    layout->addWidget(clearButton, 1, 2, 1, 2);
    layout->addWidget(clearAllButton, 1, 4, 1, 2);
    layout->addWidget(clearMemoryButton, 2, 0);
    layout->addWidget(readMemoryButton, 3, 0);
    layout->addWidget(setMemoryButton, 4, 0);
    layout->addWidget(addToMemoryButton, 5, 0);
    for (int i = 1; i < 10; ++i)
        layout->addWidget(digitKeys[i], ((9 - i) / 3) + 2, ((i - 1) % 3) + 1);
    layout->addWidget(digitKeys[0], 5, 1);
    layout->addWidget(pointButton, 5, 2);
    layout->addWidget(changeSignButton, 5, 3);
    layout->addWidget(divisionButton, 2, 4);
    layout->addWidget(timesButton, 3, 4);
    layout->addWidget(minusButton, 4, 4);
    layout->addWidget(plusButton, 5, 4);
    layout->addWidget(squareRootButton, 2, 5);
    layout->addWidget(powerButton, 3, 5);
    layout->addWidget(reciprocalButton, 4, 5);
    layout->addWidget(equalButton, 5, 5);
    setLayout(layout);
    setWindowTitle(tr("Calculator"));
}

Button* Calculator::createButton(const QString& text, void (Calculator::*member)())
{
    auto* button = new Button;
    button->setText(text);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    button->setStyleSheet(QStringLiteral("QPushButton { font-size: 20px;}"));
    connect(button, &Button::clicked, this, member);
    return button;
}

double Calculator::displayValue() const
{
    return displayEdit->text().toDouble();
}

bool Calculator::showValue(double x)
{
    const QString text = QString::number(x, 'f', 6);
    // Cutting decimals keeps the value readable; cutting digits before the point would show another number.
    const int integerDigits = text.indexOf(QLatin1Char('.'));
    if (!qIsFinite(x) || integerDigits > DISPLAY_LENGTH) {
        FailOperation();
        return false;
    }
    displayEdit->setText(text);
    return true;
}

void Calculator::digitClicked()
{
    auto* clickedButton = qobject_cast<Button*>(sender());
    const int digitValue = clickedButton->text().toInt();
    if (displayEdit->text() == QLatin1String("0") && digitValue == 0)
        return;
    if (expectingOperand) {
        displayEdit->clear();
        expectingOperand = false;
    }
    displayEdit->setText(displayEdit->text() + QString::number(digitValue));
}

void Calculator::unaryOperatorClicked()
{
    auto* clickedButton = qobject_cast<Button*>(sender());
    const QString op = clickedButton->text();
    const double operand = displayValue();
    double result = 0.0;

    if (op == tr("Sqrt")) {
        if (operand < 0.0) {
            FailOperation();
            return;
        }
        result = std::sqrt(operand);
    } else if (op == tr("x\302\262")) {
        result = std::pow(operand, 2.0);
    } else if (op == tr("1/x")) {
        if (operand == 0.0) {
            FailOperation();
            return;
        }
        result = 1.0 / operand;
    }
    if (!showValue(result))
        return;
    expectingOperand = true;
}

void Calculator::additiveOperatorClicked()
{
    auto* clickedButton = qobject_cast<Button*>(sender());
    const QString op = clickedButton->text();
    double operand = displayValue();

    if (!pendingMultiplicativeOp.isEmpty()) {
        if (!ApplyOperator(operand, pendingMultiplicativeOp)) {
            FailOperation();
            return;
        }
        if (!showValue(productValue))
            return;
        operand = productValue;
        productValue = 0.0;
        pendingMultiplicativeOp.clear();
    }

    if (!pendingAdditiveOp.isEmpty()) {
        if (!ApplyOperator(operand, pendingAdditiveOp)) {
            FailOperation();
            return;
        }
        if (!showValue(sumValue))
            return;
    } else {
        sumValue = operand;
    }

    pendingAdditiveOp = op;
    expectingOperand = true;
}

void Calculator::multiplicativeOperatorClicked()
{
    auto* clickedButton = qobject_cast<Button*>(sender());
    const QString op = clickedButton->text();
    const double operand = displayValue();

    if (!pendingMultiplicativeOp.isEmpty()) {
        if (!ApplyOperator(operand, pendingMultiplicativeOp)) {
            FailOperation();
            return;
        }
        if (!showValue(productValue))
            return;
    } else {
        productValue = operand;
    }

    pendingMultiplicativeOp = op;
    expectingOperand = true;
}

void Calculator::equalClicked()
{
    double operand = displayValue();

    if (!pendingMultiplicativeOp.isEmpty()) {
        if (!ApplyOperator(operand, pendingMultiplicativeOp)) {
            FailOperation();
            return;
        }
        operand = productValue;
        productValue = 0.0;
        pendingMultiplicativeOp.clear();
    }
    if (!pendingAdditiveOp.isEmpty()) {
        if (!ApplyOperator(operand, pendingAdditiveOp)) {
            FailOperation();
            return;
        }
        pendingAdditiveOp.clear();
    } else {
        sumValue = operand;
    }

    if (!showValue(sumValue))
        return;
    sumValue = 0.0;
    expectingOperand = true;
}

void Calculator::pointClicked()
{
    if (expectingOperand)
        displayEdit->setText(QStringLiteral("0"));
    if (!displayEdit->text().contains(QLatin1Char('.')))
        displayEdit->setText(displayEdit->text() + tr("."));
    expectingOperand = false;
}

void Calculator::changeSignClicked()
{
    QString text = displayEdit->text();
    const double value = text.toDouble();
    if (value > 0.0)
        text.prepend(tr("-"));
    else if (value < 0.0)
        text.remove(0, 1);
    displayEdit->setText(text);
}

void Calculator::backspaceClicked()
{
    if (expectingOperand)
        return;
    QString text = displayEdit->text();
    text.chop(1);
    if (text.isEmpty()) {
        text = QStringLiteral("0");
        expectingOperand = true;
    }
    displayEdit->setText(text);
}

void Calculator::clear()
{
    if (expectingOperand)
        return;
    displayEdit->setText(QStringLiteral("0"));
    expectingOperand = true;
}

void Calculator::clearAll()
{
    sumValue = 0.0;
    productValue = 0.0;
    pendingAdditiveOp.clear();
    pendingMultiplicativeOp.clear();
    displayEdit->setText(QStringLiteral("0"));
    expectingOperand = true;
}

void Calculator::clearMemory()
{
    memoryValue = 0.0;
}

void Calculator::readMemory()
{
    if (!showValue(memoryValue))
        return;
    expectingOperand = true;
}

void Calculator::setMemory()
{
    equalClicked();
    memoryValue = displayValue();
}

void Calculator::addToMemory()
{
    equalClicked();
    memoryValue += displayValue();
}

bool Calculator::ApplyOperator(double rightOperand, const QString& op)
{
    if (op == tr("+")) {
        sumValue += rightOperand;
    } else if (op == tr("-")) {
        sumValue -= rightOperand;
    } else if (op == tr("\303\227")) {
        productValue *= rightOperand;
    } else if (op == tr("\303\267")) {
        if (rightOperand == 0.0)
            return false;
        productValue /= rightOperand;
    }
    return true;
}

void Calculator::FailOperation()
{
    clearAll();
    displayEdit->setText(tr("####"));
}
