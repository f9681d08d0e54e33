// Writes settings keys into the program's settings store, leaving keys that are already set.
// Usage: seed-settings KEY=VALUE ...
#include "appsettings.h"
#include "constants.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QSettings store(ORGANIZATION_NAME, APPLICATION_NAME);
    KeepSettingsFilePrivate(store);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    for (const QString& arg : args) {
        const int eq = arg.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            QTextStream(stderr) << "not KEY=VALUE: " << arg << '\n';
            return 2;
        }
        const QString key = arg.left(eq);
        if (store.contains(key) && !store.value(key).toString().isEmpty())
            continue;
        store.setValue(key, arg.mid(eq + 1));
        out << "set " << key << '\n';
    }
    store.sync();
    return store.status() == QSettings::NoError ? 0 : 1;
}
