#include "pos.h"

#include <QCoreApplication>

Q_LOGGING_CATEGORY(lcPos, "vorantel.pos")

void ProcessEventPasses(int passes)
{
    for (int i = 0; i < passes; ++i)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
