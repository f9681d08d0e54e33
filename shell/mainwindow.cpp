#include "mainwindow.h"

#include "appsettings.h"
#include "constants.h"
#include "messagesettings.h"

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent)
{
    AppSettings::Instance()->mainWindow = this;
    MessageSettings::Instance()->Load();
    setWindowTitle(APPLICATION_TITLE);
    setWindowIcon(QIcon(QStringLiteral(":/resources/images/app_icon.png")));
    showMaximized();
}
