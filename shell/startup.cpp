#include "startup.h"

#include "constants.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QSharedMemory>
#include <QTranslator>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>

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

// A copy holds only the segment it created, so a segment whose creator has died is a dead copy's,
// even while the kernel still counts that copy as attached (it can detach it after the parent has
// reaped the process). Removing it frees the key at once.
static void RemoveSegmentOfDeadCreator(const QSharedMemory& guard)
{
    const key_t key = ftok(QFile::encodeName(guard.nativeKey()).constData(), 'Q');
    const int id = key == -1 ? -1 : shmget(key, 0, 0);
    shmid_ds info;
    if (id >= 0 && shmctl(id, IPC_STAT, &info) == 0 && ::kill(info.shm_cpid, 0) != 0 && errno == ESRCH)
        shmctl(id, IPC_RMID, nullptr);
}

bool AcquireSingleInstance(QSharedMemory& guard)
{
    // On Linux a segment outlives a killed owner. Attaching and detaching again destroys it
    // when nobody else holds it, and leaves a live copy's segment alone. Attaching needs the
    // key file, which a cleaned temporary folder may have lost (and a failed create() removes
    // the one it made), so make sure it exists first.
    // The key comes from the key file's inode, and destroying a dead segment removes that file:
    // create() makes it anew, and its new key can meet another dead copy's segment. Each round
    // destroys one; a live copy's segment stays whatever the rounds, so it is still refused.
    for (int round = 0; round < 16; ++round) {
        QFile keyFile(guard.nativeKey());
        if (!keyFile.exists() && keyFile.open(QIODevice::WriteOnly))
            keyFile.close();
        if (guard.attach())
            guard.detach();
        if (guard.create(256, QSharedMemory::ReadWrite))
            return true;
        if (guard.error() != QSharedMemory::AlreadyExists)
            return false;
        RemoveSegmentOfDeadCreator(guard);
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
