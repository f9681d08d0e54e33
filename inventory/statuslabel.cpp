#include "statuslabel.h"

#include <QCoreApplication>
#include <QLabel>
#include <QThread>

void ShowFlashingStatus(QLabel* label, const QString& parentStyle, const QString& message, int kind)
{
    label->setStyleSheet(parentStyle);
    label->setText(message);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // A short pause makes a repeated message flash, so the user sees it is new.
    QThread::msleep(200);
    if (kind == 0)
        label->setStyleSheet(QStringLiteral("QLabel {background-color: red; color:white }"));
    else if (kind == 1)
        label->setStyleSheet(QStringLiteral("QLabel {background-color: green; color:white }"));
    else
        label->setStyleSheet(parentStyle);
    label->setText(message);
}
