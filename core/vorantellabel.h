#pragma once

#include <QLabel>

// A label that looks and behaves like a hyperlink; its link colour follows the theme.
class VorantelLabel : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;

protected:
    void enterEvent(QEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};
