#include "appsettings.h"
#include "closeonexec.h"
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QMessageBox>
#include <QSettings>
#include <QTranslator>

int main(int argc, char** argv)
{
    ApplyScalingSettings();
    // What this copy was started with (a shell's or a desktop's descriptors) goes no further than this copy either.
    MarkAllCloseOnExec();

    const bool restart = HasRestartArgument(argc, argv);
    // Held until main() returns; the kernel releases it however the copy ends.
    SingleInstanceLock guard;
    // A copy started with "restart" takes no lock: its predecessor may still hold it.
    if (!restart && !AcquireSingleInstance(guard))
        return -1;

    QApplication app(argc, argv);
    AppSettings* appSettings = AppSettings::Instance();
    const QString language = appSettings->settings->value(QStringLiteral("language"), QStringLiteral("English")).toString();
    QTranslator translator;
    const bool translated = InstallTranslation(app, translator, language);

    MainWindow window;
    if (!translated) {
        QMessageBox::information(&window, QObject::tr("Language"),
                                 language + QObject::tr(" language settings file not found. Please contact support and install desired language settings."),
                                 QMessageBox::Ok);
        appSettings->settings->setValue(QStringLiteral("language"), QStringLiteral("English"));
    }
    appSettings->mainWindow = &window;
    window.show();
    return app.exec();
}
