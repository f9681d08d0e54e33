#include "statuslabel.h"
#include "textfields.h"

#include <QEvent>
#include <QLabel>
#include <QLayout>
#include <QTimer>

namespace {
const int FLASH_MS = 200;
const char* const FLASH_TIMER = "statusFlash";

QTimer* FlashTimer(QLabel* label)
{
    return label->findChild<QTimer*>(QLatin1String(FLASH_TIMER), Qt::FindDirectChildrenOnly);
}

// Whether any of the label's text lies outside what is seen of it: beyond its room, or beyond the part of the page
// that a scroll area shows.
bool MessageIsCut(const QLabel* label)
{
    const int margin = label->margin();
    const QRect room = label->contentsRect().adjusted(margin, margin, -margin, -margin);
    int flags = int(label->alignment());
    if (label->wordWrap())
        flags |= Qt::TextWordWrap;
    const QRect text = label->fontMetrics().boundingRect(room, flags, label->text());
    return !(label->visibleRegion().boundingRect() & room).contains(text);
}

// Offers the whole text of a message that is not seen whole; one that is needs no tip.
class CutMessageTip : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto* label = static_cast<QLabel*>(watched);
            label->setToolTip(MessageIsCut(label) ? PlainToolTip(label->text()) : QString());
        }
        return false;
    }
};

// The label's place in its layout, of a fixed height and asking no height for its width: a word-wrapped label
// asks one from its first message on, and a scroll area then sizes its whole page by the preferred heights of
// everything on it, which pushes what lies below out of view.
class StatusRoom : public QWidget
{
public:
    explicit StatusRoom(QLabel* label)
        : QWidget(label->parentWidget())
        , label(label)
    {
    }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QWidget::resizeEvent(event);
        label->setGeometry(rect());
    }

private:
    QLabel* label;
};
} // namespace

void ShowFlashingStatus(QLabel* label, const QString& parentStyle, const QString& message, int kind)
{
    label->setTextFormat(Qt::PlainText);
    label->setStyleSheet(parentStyle);
    label->setText(message);
    // The colour follows a moment later, so a repeated message flashes and the user sees it is new.
    // A timer, not a pause: keys typed or scanned meanwhile are taken at once.
    auto* flash = FlashTimer(label);
    if (flash) {
        flash->stop();
        flash->disconnect();
    } else {
        flash = new QTimer(label);
        flash->setObjectName(QLatin1String(FLASH_TIMER));
        flash->setSingleShot(true);
    }
    QString style = parentStyle;
    if (kind == 0)
        style = QStringLiteral("QLabel {background-color: red; color:white }");
    else if (kind == 1)
        style = QStringLiteral("QLabel {background-color: green; color:white }");
    QObject::connect(flash, &QTimer::timeout, label, [label, style] { label->setStyleSheet(style); });
    flash->start(FLASH_MS);
}

void ClearStatus(QLabel* label)
{
    if (QTimer* flash = FlashTimer(label))
        flash->stop();
    label->clear();
    label->setStyleSheet(QString());
}

void KeepStatusRoom(QLabel* label, int lines)
{
    QWidget* page = label->parentWidget();
    const bool shown = label->isVisibleTo(page);
    auto* room = new StatusRoom(label);
    const QString sample = QStringLiteral("X\n").repeated(lines).chopped(1);
    const QMargins margins = label->contentsMargins();
    room->setFixedHeight(label->fontMetrics().boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft, sample).height()
                         + margins.top() + margins.bottom() + 2 * label->margin());
    delete page->layout()->replaceWidget(label, room);
    label->setParent(room);
    label->setVisible(shown);
    // Messages set without a flash quote typed codes too, and what is cut is measured as plain text.
    label->setTextFormat(Qt::PlainText);
    // A cut message shows its first lines.
    label->setAlignment((label->alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
    label->installEventFilter(new CutMessageTip(label));
}
