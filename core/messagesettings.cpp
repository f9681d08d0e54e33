#include "messagesettings.h"

#include "appsettings.h"

#include <QSettings>

MessageSettings* MessageSettings::Instance()
{
    static MessageSettings instance;
    return &instance;
}

MessageSettings::MessageSettings()
{
    for (int n = 1; n <= 49; ++n)
        flags.insert(QStringLiteral("err_msg_") + QString::number(n), Flags{true, false});
}

void MessageSettings::Load()
{
    QSettings* store = AppSettings::Instance()->settings;
    for (auto it = flags.begin(); it != flags.end(); ++it)
        it->show = store->value(it.key(), true).toBool();
}

void MessageSettings::Save()
{
    QSettings* store = AppSettings::Instance()->settings;
    for (auto it = flags.cbegin(); it != flags.cend(); ++it) {
        if (it->changed)
            store->setValue(it.key(), it->show);
    }
    store->sync();
}

MessageSettings::Flags& MessageSettings::operator[](const QString& id)
{
    return flags[id];
}
