#pragma once

#include <QPushButton>
#include <QString>

// A button of the sale screen's grids: a product (its stock code), a filler ("NOCODE") or a held
// sale (its sale ID). It shrinks a little while hovered or focused, as a pressed key would.
class CPosButton : public QPushButton
{
    Q_OBJECT
public:
    CPosButton(const QString& text, QWidget* parent, const QString& code);
    ~CPosButton() override;

    QString GetCode() const;

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void Grow(int by);

    QString code;
};
