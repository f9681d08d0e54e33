// Writes settings keys into the program's settings store, leaving keys that are already set.
// Usage: seed-settings [--own=KEY]... [--input=KEY] [--env=KEY]... KEY=VALUE ...
//        seed-settings --program-runs
// --own: when every such key is unset or holds the value given, the settings are the seeding's own and every key is
//        written, set or not (the server they name moved to another port).
// --input: the key's value is standard input, all of it (a password: any local account may read the arguments).
// --env: the key's value is the environment variable of its name (a port: only this account reads the environment).
// --program-runs: exits 0 when a copy of the program runs as this account (it holds the lock of the program's
//        single-instance guard, in the program's data folder or $XDG_RUNTIME_DIR, or is an earlier version's), 1 when
//        none does; nothing is written nor locked.
#include "appsettings.h"
#include "constants.h"
#include "singleinstance.h"

#include <QCoreApplication>
#include <QFile>
#include <QSettings>
#include <QTextStream>

#include <algorithm>
#include <utility>
#include <vector>

namespace {
int Usage(const QString& why)
{
    QTextStream(stderr) << "seed-settings: " << why << "\n"
                        << "Usage: seed-settings [--own=KEY]... [--input=KEY] [--env=KEY]... KEY=VALUE ...\n"
                           "       seed-settings --program-runs\n"
                           "  --own=KEY    a key given here that makes the settings the seeding's own while it is unset or holds\n"
                           "               the value given; then every key given is written\n"
                           "  --input=KEY  the key's value is standard input\n"
                           "  --env=KEY    the key's value is the environment variable KEY\n"
                           "  --program-runs  exit 0 when the program runs as this account, 1 when it does not\n";
    return 2;
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QString runsOption = QStringLiteral("--program-runs");
    if (app.arguments().contains(runsOption)) {
        if (app.arguments().size() != 2)
            return Usage(runsOption + QStringLiteral(" takes nothing else"));
        return SingleInstanceRuns() ? 0 : 1;
    }
    const QString ownOption = QStringLiteral("--own=");
    const QString inputOption = QStringLiteral("--input=");
    const QString envOption = QStringLiteral("--env=");
    QStringList own;
    std::vector<std::pair<QString, QString>> values;
    for (const QString& arg : app.arguments().mid(1)) {
        if (arg.startsWith(ownOption) && arg.size() > ownOption.size()) {
            own << arg.mid(ownOption.size());
        } else if (arg.startsWith(inputOption) && arg.size() > inputOption.size()) {
            QFile in;
            if (!in.open(stdin, QIODevice::ReadOnly)) {
                QTextStream(stderr) << "standard input cannot be read\n";
                return 2;
            }
            values.emplace_back(arg.mid(inputOption.size()), QString::fromUtf8(in.readAll()));
        } else if (arg.startsWith(envOption) && arg.size() > envOption.size()) {
            const QString key = arg.mid(envOption.size());
            if (!qEnvironmentVariableIsSet(key.toLocal8Bit().constData()))
                return Usage(QStringLiteral("--env=%1 names no variable of the environment").arg(key));
            values.emplace_back(key, qEnvironmentVariable(key.toLocal8Bit().constData()));
        } else if (arg == ownOption || arg == inputOption || arg == envOption) {
            return Usage(arg + QStringLiteral(" names no key"));
        } else if (arg.startsWith(QLatin1Char('-'))) {
            return Usage(QStringLiteral("unknown option: ") + arg);
        } else {
            const int eq = arg.indexOf(QLatin1Char('='));
            if (eq <= 0)
                return Usage(QStringLiteral("not KEY=VALUE: ") + arg);
            values.emplace_back(arg.left(eq), arg.mid(eq + 1));
        }
    }
    for (const QString& key : own) {
        if (std::none_of(values.begin(), values.end(), [&key](const auto& value) { return value.first == key; }))
            return Usage(QStringLiteral("--own=%1 names a key not given").arg(key));
    }
    // Opened only once the arguments are known good: nothing is written otherwise.
    QSettings store(ORGANIZATION_NAME, APPLICATION_NAME);
    KeepSettingsFilePrivate(store);
    QTextStream out(stdout);
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
