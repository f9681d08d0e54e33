#include "cposbutton.h"

CPosButton::CPosButton(const QString& text, QWidget* parent, const QString& code)
    : QPushButton(text, parent)
    , code(code)
{
    // A tap leaves the focus where it was (the scanner line): a focused button would take the
    // scanner's Enter and sell its own product again. Tab still reaches it.
    setFocusPolicy(Qt::TabFocus);
}

CPosButton::~CPosButton() = default;

QString CPosButton::GetCode() const
{
    return code;
}

void CPosButton::Grow(int by)
{
    if (isEnabled())
        resize(width() + by, height() + by);
}

void CPosButton::focusInEvent(QFocusEvent* /*event*/)
{
    Grow(-3);
}

void CPosButton::focusOutEvent(QFocusEvent* /*event*/)
{
    Grow(3);
}

void CPosButton::enterEvent(QEvent* /*event*/)
{
    Grow(-3);
}

void CPosButton::leaveEvent(QEvent* /*event*/)
{
    Grow(3);
}
