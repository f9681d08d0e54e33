// Runs the scaling step the way the program does before its QApplication exists,
// then prints what it left in the environment.
#include "startup.h"

#include <QCoreApplication>
#include <cstdio>

int main()
{
    ApplyScalingSettings();
    std::printf("QT_SCALE_FACTOR=%s\n", qEnvironmentVariableIsSet("QT_SCALE_FACTOR")
                                            ? qgetenv("QT_SCALE_FACTOR").constData() : "<unset>");
    std::printf("highdpi=%d\n", QCoreApplication::testAttribute(Qt::AA_EnableHighDpiScaling) ? 1 : 0);
    return 0;
}
