#include "appsettings.h"

#include "constants.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSettings>

QString GetApplicationVersion()
{
    return APPLICATION_VERSION;
}

void KeepSettingsFilePrivate(const QSettings& store)
{
    if (store.format() != QSettings::NativeFormat && store.format() != QSettings::IniFormat)
        return;
    const QString path = store.fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.exists() && file.open(QIODevice::WriteOnly))
        file.close();
    file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

AppSettings* AppSettings::Instance()
{
    static AppSettings instance;
    return &instance;
}

AppSettings::AppSettings()
    : theme(QStringLiteral("light"))
{
    settings = new QSettings(ORGANIZATION_NAME, APPLICATION_NAME);
    KeepSettingsFilePrivate(*settings);
    LoadDateFormat();
    LoadTimeFormat();
    if (settings->contains(QStringLiteral("locale_lang_index")))
        locale = new QLocale(QLocale::Language(settings->value(QStringLiteral("locale_lang_index")).toInt()),
                             QLocale::AnyCountry);
    else
        locale = new QLocale();
}

AppSettings::~AppSettings()
{
    delete settings;
    delete locale;
}

void AppSettings::LoadDateFormat()
{
    const QString stored = settings->value(QStringLiteral("DATE_FORMAT"), QStringLiteral("YYYY/MM/DD")).toString();
    if (stored == QLatin1String("YYYY/MM/DD"))
        dateFormat = QStringLiteral("yyyy-MM-dd");
    else if (stored == QLatin1String("MM/DD/YYYY"))
        dateFormat = QStringLiteral("MM-dd-yyyy");
    else if (stored == QLatin1String("DD/MM/YYYY"))
        dateFormat = QStringLiteral("dd-MM-yyyy");
}

void AppSettings::LoadTimeFormat()
{
    switch (settings->value(QStringLiteral("time_format"), 0).toInt()) {
    case 0:
        timeFormat = QStringLiteral("hh:mm:ss");
        break;
    case 1:
        timeFormat = QStringLiteral("h:mm:ss AP");
        break;
    default:
        timeFormat = QStringLiteral("h:mm:ss ap");
        break;
    }
}

void AppSettings::LoadLocale()
{
    delete locale;
    locale = new QLocale(QLocale::Language(settings->value(QStringLiteral("locale_lang_index")).toInt()),
                         QLocale::AnyCountry);
}

QString AppSettings::TimeFormat() const
{
    return timeFormat;
}

QString AppSettings::Theme() const
{
    return theme;
}

QString AppSettings::CurrentUser()
{
    if (loginName.isEmpty())
        loginName = QStringLiteral("NO LOGGED IN USER");
    return loginName;
}

void AppSettings::SetPermittedModules(const QList<int>& modules)
{
    permittedModules = modules;
}

bool AppSettings::HasPermission(int module) const
{
    if (roleName == QLatin1String("ADMINISTRATOR"))
        return true;
    return permittedModules.contains(module);
}
