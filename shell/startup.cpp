#include "startup.h"

#include "constants.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTranslator>

#include <cstring>

QString ScaleFactorText(float scalingFactor)
{
    const float value = (scalingFactor - 1.0f) / 10.0f + 1.0f;
    return QString::number(value, 'f', 1);
}

void ApplyScalingSettings()
{
    QSettings store(ORGANIZATION_NAME, APPLICATION_NAME);
    if (store.value(QStringLiteral("scaling_mode"), 0).toInt() != 1) {
        const float factor = store.value(QStringLiteral("scaling_factor"), 1).toFloat();
        qputenv("QT_SCALE_FACTOR", ScaleFactorText(factor).toUtf8());
    } else {
        qunsetenv("QT_SCALE_FACTOR");
        QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling, true);
    }
}

bool HasRestartArgument(int argc, char** argv)
{
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "restart") == 0)
            return true;
    }
    return false;
}

QString TranslationFileFor(const QString& language)
{
    static const struct
    {
        const char* language;
        const char* file;
    } table[] = {
        {"Chinese Simplified", "vorantel_cn.qm"},
        {"Arabic", "vorantel_ar.qm"},
        {"Spanish", "vorantel_es.qm"},
        {"French", "vorantel_fr.qm"},
        {"German", "vorantel_de.qm"},
        {"Italian", "vorantel_it.qm"},
        {"Portuguese", "vorantel_pt.qm"},
        {"Russian", "vorantel_ru.qm"},
        {"Hindi", "vorantel_hi.qm"},
        {"Urdu", "vorantel_ur.qm"},
        {"Japanese", "vorantel_jp.qm"},
        {"Korean", "vorantel_ko.qm"},
        {"Malay", "vorantel_ml.qm"},
        {"Bangali", "vorantel_bn.qm"},
        // The general settings page writes this spelling.
        {"Bengali", "vorantel_bn.qm"},
    };
    for (const auto& row : table) {
        if (language == QLatin1String(row.language))
            return QString::fromLatin1(row.file);
    }
    return QString();
}

bool InstallTranslation(QApplication& app, QTranslator& translator, const QString& language)
{
    bool loaded = false;
    if (language == QLatin1String("English")) {
        loaded = true;
    } else {
        const QString file = TranslationFileFor(language);
        if (!file.isEmpty())
            loaded = translator.load(file, QCoreApplication::applicationDirPath());
    }
    app.installTranslator(&translator);
    if (loaded && (language == QLatin1String("Arabic") || language == QLatin1String("Urdu")))
        app.setLayoutDirection(Qt::RightToLeft);
    return loaded;
}
