#include "appsettings.h"
#include "startup.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSharedMemory>
#include <QTemporaryDir>

#include <algorithm>
#include <csignal>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void scalingInChildProcess_data();
    void scalingInChildProcess();
    void translationTable_data();
    void translationTable();
    void singleInstanceWithRealProcesses();
    void killedCopyStillAttachedDoesNotRefuse();
    void newKeyMeetingDeadSegmentStillStarts();
    void cleanup();

private:
    QProcess* startApp(const QStringList& args = {});
    QString childTemp; // the copies' temporary folder, where the guard's key file lives
    QList<QProcess*> processes;
    QList<key_t> deadKeys; // segments of killed copies whose key files are gone
};

// Removes a killed copy's segment. Its process is reaped before the kernel has always detached
// it, so wait for that first; a segment still attached then is a live copy's, and stays.
static void RemoveDeadSegment(key_t key)
{
    const int id = shmget(key, 0, 0);
    shmid_ds info;
    const auto attached = [&] { return shmctl(id, IPC_STAT, &info) == 0 && info.shm_nattch > 0; };
    if (id >= 0 && QTest::qWaitFor([&] { return !attached(); }, 5000))
        shmctl(id, IPC_RMID, nullptr);
}

void TestStartup::cleanup()
{
    for (QProcess* p : processes) {
        if (p->state() != QProcess::NotRunning) {
            p->kill();
            p->waitForFinished(5000);
        }
        delete p;
    }
    processes.clear();
    // The killed copies left their segments behind: remove them, so runs leave none on the machine.
    if (!childTemp.isEmpty()) {
        const QDir temp(childTemp);
        for (const QString& keyFile : temp.entryList({QStringLiteral("qipc_sharedmemory_*")}, QDir::Files))
            deadKeys << ftok(QFile::encodeName(temp.filePath(keyFile)).constData(), 'Q');
        childTemp.clear();
    }
    for (key_t key : qAsConst(deadKeys))
        RemoveDeadSegment(key);
    deadKeys.clear();
}

void TestStartup::scalingInChildProcess_data()
{
    QTest::addColumn<QVariant>("mode");
    QTest::addColumn<QVariant>("factor");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("highDpi");
    QTest::newRow("factor 0") << QVariant() << QVariant(0) << "0.9" << 0;
    QTest::newRow("factor 1") << QVariant(0) << QVariant(1) << "1.0" << 0;
    QTest::newRow("factor 2") << QVariant(0) << QVariant(2) << "1.1" << 0;
    QTest::newRow("factor 6") << QVariant(2) << QVariant(6) << "1.5" << 0;
    QTest::newRow("factor 11") << QVariant(0) << QVariant(11) << "2.0" << 0;
    QTest::newRow("no factor stored") << QVariant() << QVariant() << "1.0" << 0;
    QTest::newRow("unreadable factor") << QVariant() << QVariant(QStringLiteral("big")) << "0.9" << 0;
    QTest::newRow("automatic") << QVariant(1) << QVariant(6) << "<unset>" << 1;
}

void TestStartup::scalingInChildProcess()
{
    QFETCH(QVariant, mode);
    QFETCH(QVariant, factor);
    QFETCH(QString, expected);
    QFETCH(int, highDpi);
    QSettings* store = AppSettings::Instance()->settings;
    store->remove(QStringLiteral("scaling_mode"));
    store->remove(QStringLiteral("scaling_factor"));
    if (mode.isValid())
        store->setValue(QStringLiteral("scaling_mode"), mode);
    if (factor.isValid())
        store->setValue(QStringLiteral("scaling_factor"), factor);
    store->sync();

    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_SCALE_FACTOR"), QStringLiteral("3.0")); // inherited value is replaced or removed
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(STARTUP_PROBE), QStringList());
    QVERIFY(probe.waitForFinished(10000));
    const QString out = QString::fromUtf8(probe.readAllStandardOutput());
    QVERIFY2(out.contains(QStringLiteral("QT_SCALE_FACTOR=") + expected + QLatin1Char('\n')), qPrintable(out));
    QVERIFY2(out.contains(QStringLiteral("highdpi=%1").arg(highDpi)), qPrintable(out));
}

void TestStartup::translationTable_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<QString>("file");
    QTest::newRow("English") << "English" << "";
    QTest::newRow("Bangali") << "Bangali" << "vorantel_bn.qm";
    QTest::newRow("Bengali as the settings page writes it") << "Bengali" << "vorantel_bn.qm";
    QTest::newRow("unknown") << "Klingon" << "";
}

void TestStartup::translationTable()
{
    QFETCH(QString, language);
    QFETCH(QString, file);
    QCOMPARE(TranslationFileFor(language), file);
}

QProcess* TestStartup::startApp(const QStringList& args)
{
    auto* p = new QProcess;
    processes << p;
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!childTemp.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), childTemp);
        p->setProcessEnvironment(env);
    }
    p->start(QStringLiteral(VORANTEL_APP), args);
    return p;
}

// A process that has attached a System V shared memory segment maps it as "/SYSV...".
static bool HoldsGuard(QProcess* process)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(process->processId()));
    return process->state() == QProcess::Running && maps.open(QIODevice::ReadOnly)
           && maps.readAll().contains("/SYSV");
}

static QString Describe(QProcess* process)
{
    return QStringLiteral("state %1, exit code %2, status %3").arg(process->state()).arg(process->exitCode()).arg(process->exitStatus());
}

void TestStartup::singleInstanceWithRealProcesses()
{
    // The guard's key file lives in the copies' temporary folder, which is this test's own. Its
    // key comes from the file's inode, and a copy elsewhere on the machine can hold a segment of
    // the same key: then the first copy cannot start, which this test is not about, so it tries a
    // new folder (a new inode).
    QProcess* first = nullptr;
    for (int attempt = 0; attempt < 3; ++attempt) {
        childTemp = QDir::temp().filePath(QStringLiteral("copies%1").arg(attempt));
        QVERIFY(QDir().mkpath(childTemp));
        first = startApp();
        QVERIFY(first->waitForStarted());
        // Wait until it holds the guard, however slowly a loaded machine starts it.
        (void)QTest::qWaitFor([first] { return HoldsGuard(first) || first->state() == QProcess::NotRunning; }, 20000);
        if (first->state() == QProcess::Running)
            break;
    }
    QVERIFY2(HoldsGuard(first), qPrintable(Describe(first)));

    QProcess* second = startApp();
    QVERIFY(second->waitForFinished(15000));
    QCOMPARE(second->exitCode(), 255); // -1
    QVERIFY(second->readAllStandardOutput().isEmpty());

    QProcess* restarted = startApp({QStringLiteral("restart")});
    QVERIFY2(!restarted->waitForFinished(1500), qPrintable(Describe(restarted)));
    QCOMPARE(restarted->state(), QProcess::Running);
    QVERIFY(!HoldsGuard(restarted));

    // A killed holder leaves its segment behind; the next start must not be refused.
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(5000));
    QProcess* afterCrash = startApp();
    QTRY_VERIFY_WITH_TIMEOUT(HoldsGuard(afterCrash) || afterCrash->state() == QProcess::NotRunning, 20000);
    QVERIFY2(afterCrash->state() == QProcess::Running, qPrintable(Describe(afterCrash)));

    // And that copy holds the guard again.
    QProcess* refused = startApp();
    QVERIFY(refused->waitForFinished(15000));
    QCOMPARE(refused->exitCode(), 255);

    // A killed holder whose key file has gone with the temporary folder's clean-up.
    ::kill(pid_t(afterCrash->processId()), SIGKILL);
    QVERIFY(afterCrash->waitForFinished(5000));
    const QDir temp(childTemp);
    for (const QString& keyFile : temp.entryList({QStringLiteral("qipc_*")}, QDir::Files)) {
        deadKeys << ftok(QFile::encodeName(temp.filePath(keyFile)).constData(), 'Q');
        QVERIFY(QFile::remove(temp.filePath(keyFile)));
    }
    QProcess* afterCleanUp = startApp();
    QTRY_VERIFY_WITH_TIMEOUT(HoldsGuard(afterCleanUp) || afterCleanUp->state() == QProcess::NotRunning, 20000);
    QVERIFY2(afterCleanUp->state() == QProcess::Running, qPrintable(Describe(afterCleanUp)));
}

void TestStartup::killedCopyStillAttachedDoesNotRefuse()
{
    // The kernel may still count a killed copy as attached after its parent has reaped it. A child
    // that inherited the creator's attachment stands for that moment: the creator is gone, and the
    // segment is attached all the same.
    childTemp = QDir::temp().filePath(QStringLiteral("copies-attached"));
    QVERIFY(QDir().mkpath(childTemp));
    const QByteArray savedTemp = qgetenv("TMPDIR");
    qputenv("TMPDIR", QFile::encodeName(childTemp));
    const QSharedMemory named(SINGLE_INSTANCE_KEY);
    qputenv("TMPDIR", savedTemp);
    QVERIFY(TestSupport::WriteFile(named.nativeKey(), ""));
    const key_t key = ftok(QFile::encodeName(named.nativeKey()).constData(), 'Q');
    QVERIFY(key != -1);

    int channel[2];
    QCOMPARE(::pipe(channel), 0);
    const pid_t creator = ::fork();
    QVERIFY(creator >= 0);
    if (creator == 0) {
        const int id = shmget(key, 256, IPC_CREAT | IPC_EXCL | 0600);
        if (id < 0 || shmat(id, nullptr, 0) == reinterpret_cast<void*>(-1))
            _exit(1);
        const pid_t heir = ::fork();
        if (heir == 0) {
            for (;;)
                ::pause();
        }
        _exit(heir > 0 && ::write(channel[1], &heir, sizeof heir) == sizeof heir ? 0 : 1);
    }
    ::close(channel[1]);
    pid_t heir = -1;
    const bool heard = ::read(channel[0], &heir, sizeof heir) == sizeof heir;
    ::close(channel[0]);
    auto stopHeir = qScopeGuard([&heir] {
        if (heir > 0)
            ::kill(heir, SIGKILL);
    });
    int status = 0;
    QCOMPARE(::waitpid(creator, &status, 0), creator);
    QVERIFY(heard && WIFEXITED(status) && WEXITSTATUS(status) == 0);
    shmid_ds info;
    const int segment = shmget(key, 0, 0);
    QVERIFY(segment >= 0 && shmctl(segment, IPC_STAT, &info) == 0);
    QCOMPARE(int(info.shm_nattch), 1);
    deadKeys << key;

    QProcess* copy = startApp();
    QTRY_VERIFY_WITH_TIMEOUT(HoldsGuard(copy) || copy->state() == QProcess::NotRunning, 20000);
    QVERIFY2(copy->state() == QProcess::Running, qPrintable(Describe(copy)));
}

// ftok's key: the low 16 bits of the inode, the low 8 of the device and the project ID above them.
static key_t KeyFor(dev_t device, ino_t inode)
{
    return key_t((inode & 0xffff) | ((device & 0xff) << 16) | (key_t('Q') << 24));
}

void TestStartup::newKeyMeetingDeadSegmentStillStarts()
{
    // Destroying a dead copy's segment removes the key file, and the file made anew gets a new key
    // from its new inode. Dead segments are put at the key file's key and at the keys the new file
    // can get: the inodes a few probe files had just before (a filesystem that hands freed inodes
    // out again) and the ones after them (one that counts up). The old file is held open so that
    // its own inode does not come back. Another program creating files meanwhile can take the
    // inode the key file was to get, so a setup whose new key met nothing is made again.
    int met = 0;
    for (int attempt = 0; attempt < 3 && met == 0; ++attempt) {
        QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("guard-XXXXXX")));
        QVERIFY(folder.isValid());
        const QByteArray savedTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(folder.path()));
        QSharedMemory guard(SINGLE_INSTANCE_KEY);
        qputenv("TMPDIR", savedTemp);
        QFile keyFile(guard.nativeKey());
        QVERIFY(keyFile.open(QIODevice::WriteOnly));

        struct stat info;
        const QByteArray keyPath = QFile::encodeName(keyFile.fileName());
        QCOMPARE(::stat(keyPath.constData(), &info), 0);
        QCOMPARE(KeyFor(info.st_dev, info.st_ino), ftok(keyPath.constData(), 'Q'));
        QVector<ino_t> inodes;
        const QStringList probes{folder.filePath("probe0"), folder.filePath("probe1"), folder.filePath("probe2"),
                                 folder.filePath("probe3")};
        for (const QString& probe : probes) {
            struct stat probeInfo;
            QVERIFY(TestSupport::WriteFile(probe, "") && ::stat(QFile::encodeName(probe).constData(), &probeInfo) == 0);
            inodes << probeInfo.st_ino;
        }
        for (const QString& probe : probes)
            QVERIFY(QFile::remove(probe));
        const ino_t last = *std::max_element(inodes.cbegin(), inodes.cend());
        for (ino_t next = last + 1; next <= last + 4; ++next)
            inodes << next;

        QVector<int> seeded;
        auto removeSeeded = qScopeGuard([&seeded] {
            for (int id : qAsConst(seeded))
                shmctl(id, IPC_RMID, nullptr);
        });
        const int first = shmget(KeyFor(info.st_dev, info.st_ino), 256, IPC_CREAT | IPC_EXCL | 0600);
        QVERIFY2(first >= 0, "a segment of the key file's key exists already");
        seeded << first;
        for (ino_t inode : qAsConst(inodes)) {
            // A key some other program uses already is left out.
            const int id = shmget(KeyFor(info.st_dev, inode), 256, IPC_CREAT | IPC_EXCL | 0600);
            if (id >= 0)
                seeded << id;
        }

        QVERIFY(AcquireSingleInstance(guard));
        shmid_ds state;
        QVERIFY(shmctl(first, IPC_STAT, &state) != 0);
        met = int(std::count_if(seeded.cbegin() + 1, seeded.cend(),
                                [&state](int id) { return shmctl(id, IPC_STAT, &state) != 0; }));
        guard.detach();
    }
    QVERIFY2(met > 0, "the new key file never met a dead segment");
}

VORANTEL_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
