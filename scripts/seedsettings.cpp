// Writes settings keys into the program's settings store, leaving keys that are already set.
// Usage: seed-settings [--own=KEY]... [--input=KEY] KEY=VALUE ...
// --own: when every such key is unset or holds the value given, the settings are the seeding's own and every key is
//        written, set or not (the server they name moved to another port).
// --input: the key's value is standard input, all of it (a password: any local account may read the arguments).
#include "appsettings.h"
#include "constants.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTextStream>

#include <utility>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QSettings store(ORGANIZATION_NAME, APPLICATION_NAME);
    KeepSettingsFilePrivate(store);
    QTextStream out(stdout);
    const QString ownOption = QStringLiteral("--own=");
    const QString inputOption = QStringLiteral("--input=");
    QStringList own;
    std::vector<std::pair<QString, QString>> values;
    for (const QString& arg : app.arguments().mid(1)) {
        if (arg.startsWith(ownOption)) {
            own << arg.mid(ownOption.size());
        } else if (arg.startsWith(inputOption)) {
            QFile in;
            if (!in.open(stdin, QIODevice::ReadOnly)) {
                QTextStream(stderr) << "standard input cannot be read\n";
                return 2;
            }
            values.emplace_back(arg.mid(inputOption.size()), QString::fromUtf8(in.readAll()));
        } else {
            const int eq = arg.indexOf(QLatin1Char('='));
            if (eq <= 0) {
                QTextStream(stderr) << "not KEY=VALUE: " << arg << '\n';
                return 2;
            }
            values.emplace_back(arg.left(eq), arg.mid(eq + 1));
        }
    }
    bool ours = !own.isEmpty();
    for (const auto& [key, value] : values) {
        const QString held = store.value(key).toString();
        if (own.contains(key) && !held.isEmpty() && held != value)
            ours = false;
    }
    for (const auto& [key, value] : values) {
        const QString held = store.value(key).toString();
        if (held == value || (!held.isEmpty() && !ours))
            continue;
        store.setValue(key, value);
        out << "set " << key << '\n';
    }
    store.sync();
    return store.status() == QSettings::NoError ? 0 : 1;
}
