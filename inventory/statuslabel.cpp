#include "statuslabel.h"

#include <QLabel>
#include <QTimer>

namespace {
const int FLASH_MS = 200;
const char* const FLASH_TIMER = "statusFlash";
} // namespace

void ShowFlashingStatus(QLabel* label, const QString& parentStyle, const QString& message, int kind)
{
    label->setStyleSheet(parentStyle);
    label->setText(message);
    // The colour follows a moment later, so a repeated message flashes and the user sees it is new.
    // A timer, not a pause: keys typed or scanned meanwhile are taken at once.
    auto* flash = label->findChild<QTimer*>(QLatin1String(FLASH_TIMER), Qt::FindDirectChildrenOnly);
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
