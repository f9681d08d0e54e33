// Writes settings keys into the program's settings store, leaving keys that are already set.
// Usage: seed-settings [--in-place-of=OLD] KEY=VALUE ...
// --in-place-of: the next key is also set when it holds OLD (a value the seeding itself wrote before).
#include "appsettings.h"
#include "constants.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTextStream>

#include <utility>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QSettings store(ORGANIZATION_NAME, APPLICATION_NAME);
    KeepSettingsFilePrivate(store);
    QTextStream out(stdout);
    const QStringList args = app.arguments().mid(1);
    const QString replacing = QStringLiteral("--in-place-of=");
    QString old;
    for (const QString& arg : args) {
        if (arg.startsWith(replacing)) {
            old = arg.mid(replacing.size());
            continue;
        }
        const QString was = std::exchange(old, QString());
        const int eq = arg.indexOf(QLatin1Char('='));
        if (eq <= 0) {
            QTextStream(stderr) << "not KEY=VALUE: " << arg << '\n';
            return 2;
        }
        const QString key = arg.left(eq);
        const QString held = store.value(key).toString();
        if (!held.isEmpty() && (was.isEmpty() || held != was))
            continue;
        store.setValue(key, arg.mid(eq + 1));
        out << "set " << key << '\n';
    }
    store.sync();
    return store.status() == QSettings::NoError ? 0 : 1;
}
