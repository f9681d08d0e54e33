#include "elidingcombobox.h"
#include "textfields.h"

#include <QAbstractItemView>
#include <QEvent>
#include <QScreen>
#include <QStyleOptionComboBox>
#include <QStylePainter>

ElidingComboBox::ElidingComboBox(QWidget* parent)
    : QComboBox(parent)
{
    // Room for a short word at least; the layout gives it the rest.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
}

QString ElidingComboBox::shownText(const QStyleOptionComboBox& option) const
{
    // The room the styles draw the text in.
    QRect room = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
                     .adjusted(1, 0, -1, 0);
    if (!option.currentIcon.isNull())
        room.setLeft(room.left() + option.iconSize.width() + 4);
    return option.fontMetrics.elidedText(option.currentText, Qt::ElideRight, room.width());
}

bool ElidingComboBox::isTextCut() const
{
    if (isEditable())
        return false;
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return shownText(option) != option.currentText;
}

bool ElidingComboBox::event(QEvent* event)
{
    if (event->type() == QEvent::ToolTip)
        setToolTip(isTextCut() ? PlainToolTip(currentText()) : QString());
    return QComboBox::event(event);
}

void ElidingComboBox::showPopup()
{
    QComboBox::showPopup();
    // The list as wide as its widest entry, within the screen: the box may be narrower than a name.
    QWidget* popup = view()->window();
    const int wanted = view()->sizeHintForColumn(modelColumn()) + popup->width() - view()->viewport()->width();
    if (wanted <= popup->width())
        return;
    const QRect screen = this->screen()->availableGeometry();
    QRect frame = popup->geometry();
    frame.setWidth(qMin(wanted, screen.width()));
    if (frame.right() > screen.right())
        frame.moveRight(screen.right());
    popup->setGeometry(frame);
}

void ElidingComboBox::paintEvent(QPaintEvent* event)
{
    if (isEditable()) {
        QComboBox::paintEvent(event);
        return;
    }
    // As QComboBox paints itself, with the text elided.
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    if (currentIndex() < 0 && !placeholderText().isEmpty()) {
        option.palette.setBrush(QPalette::ButtonText, option.palette.brush(QPalette::ButtonText).color().lighter());
        option.currentText = placeholderText();
    }
    option.currentText = shownText(option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}
