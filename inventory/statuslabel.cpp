#include "statuslabel.h"

#include <QEvent>
#include <QLabel>
#include <QTimer>

namespace {
const int FLASH_MS = 200;
const char* const FLASH_TIMER = "statusFlash";

QTimer* FlashTimer(QLabel* label)
{
    return label->findChild<QTimer*>(QLatin1String(FLASH_TIMER), Qt::FindDirectChildrenOnly);
}

// Offers the whole text of a message its room cuts; one that fits needs no tip.
class CutMessageTip : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::ToolTip) {
            auto* label = static_cast<QLabel*>(watched);
            label->setToolTip(label->heightForWidth(label->width()) > label->height() ? label->text() : QString());
        }
        return false;
    }
};
} // namespace

void ShowFlashingStatus(QLabel* label, const QString& parentStyle, const QString& message, int kind)
{
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
    // A label made without text asks no height for its width until its first message, and a scroll area then lays
    // out its whole page anew: it asks from the start.
    QSizePolicy policy = label->sizePolicy();
    policy.setHeightForWidth(true);
    label->setSizePolicy(policy);
    const QString sample = QStringLiteral("X\n").repeated(lines).chopped(1);
    const QMargins margins = label->contentsMargins();
    label->setFixedHeight(label->fontMetrics().boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft, sample).height()
                          + margins.top() + margins.bottom() + 2 * label->margin());
    // A cut message shows its first lines.
    label->setAlignment((label->alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
    label->installEventFilter(new CutMessageTip(label));
}
