// Stands in for the program around the settings dialog: saves a language change answered
// Yes and tells, by its exit code, whether it was asked to quit. Started again with
// "restart", it only records what it was started with and what the store held.
#include "modalanswerer.h"
#include "settingsdialog.h"

#include "appsettings.h"

#include <QApplication>
#include <QComboBox>
#include <QEventLoop>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QSettings* store = AppSettings::Instance()->settings;
    if (app.arguments().contains(QStringLiteral("restart"))) {
        QFile mark(qEnvironmentVariable("RELAUNCH_MARK"));
        if (!mark.open(QIODevice::Append | QIODevice::Text))
            return 2;
        QTextStream(&mark) << app.arguments().mid(1).join(QLatin1Char(' ')) << " | language="
                           << store->value(QStringLiteral("language")).toString()
                           << " tax_rounding_off=" << store->value(QStringLiteral("tax_rounding_off")).toString() << '\n';
        return 0;
    }

    store->clear();
    if (qEnvironmentVariableIsSet("PROBE_DELETE_SELF"))
        QFile::remove(app.arguments().first()); // the relaunch then has nothing to start

    SettingsDialog dialog;
    ModalAnswerer answerer;
    answerer.pressButton(QMessageBox::Yes);
    answerer.pressButton(QMessageBox::Ok);
    const auto saveGerman = [&dialog] {
        dialog.contentWidget()->setCurrentRow(3);
        dialog.contentWidget()->setCurrentRow(0);
        dialog.findChild<QComboBox*>(QStringLiteral("comboLanguage"))->setCurrentText(QStringLiteral("German"));
        dialog.findChild<QPushButton*>(QStringLiteral("pushSave"))->click();
    };
    const auto printMessages = [&answerer] {
        for (const QString& message : answerer.messages())
            std::printf("%s\n", qPrintable(message));
        std::fflush(stdout);
    };

    if (qEnvironmentVariableIsSet("PROBE_BEFORE_MAIN_LOOP")) {
        // As on the first start: the dialog runs before the program's main loop.
        QTimer::singleShot(0, &dialog, saveGerman);
        dialog.exec();
        printMessages();
        QTimer::singleShot(30000, &app, [&app] { app.exit(5); }); // still running: no quit reached the loop
        return app.exec();
    }

    int result = 3;
    QTimer::singleShot(0, &dialog, [&] {
        saveGerman();
        // A loop started after quit() returns -1 at once; otherwise this one ends with 7.
        QEventLoop probe;
        QTimer::singleShot(0, &probe, [&probe] { probe.exit(7); });
        result = probe.exec() == -1 ? 0 : 5;
        printMessages();
        if (result != 0)
            app.exit(result);
    });
    dialog.show();
    app.exec();
    return result;
}
