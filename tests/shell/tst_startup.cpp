#include "appsettings.h"
#include "startup.h"
#include "testsupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSharedMemory>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
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
    void newKeyMeetingDeadSegmentStillStarts_data();
    void newKeyMeetingDeadSegmentStillStarts();
    void keyFileInAFolderOfThisAccountsOnly_data();
    void keyFileInAFolderOfThisAccountsOnly();
    void segmentAtTheKeyRefusesOnlyALiveCopy_data();
    void segmentAtTheKeyRefusesOnlyALiveCopy();
    void cleanup();

private:
    QProcess* startApp(const QStringList& args = {}, QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel);
    QProcessEnvironment childEnv() const;
    int programRuns();
    QProcess* startHolder(bool asNobody, bool orphaned = false);
    QString childTemp; // the copies' runtime folder, where the guard's key file lives; their temporary folder in it
    QString childData; // their XDG_DATA_HOME; empty: the test's own
    QString childRuntime; // their XDG_RUNTIME_DIR when it is not childTemp; "-": none
    QList<QProcess*> processes;
    QList<key_t> deadKeys; // segments left by killed copies and holders, removed at the end
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
    for (const QString& folder : {childTemp, childData}) {
        QDirIterator keyFiles(folder, {QStringLiteral("qipc_sharedmemory_*")}, QDir::Files, QDirIterator::Subdirectories);
        while (!folder.isEmpty() && keyFiles.hasNext())
            deadKeys << ftok(QFile::encodeName(keyFiles.next()).constData(), 'Q');
    }
    childTemp.clear();
    childData.clear();
    childRuntime.clear();
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

// The copies' environment: childTemp their runtime folder (unless childRuntime says otherwise), an earlier version's
// key file in their temporary folder inside it.
QProcessEnvironment TestStartup::childEnv() const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (childTemp.isEmpty())
        return env;
    QDir().mkpath(childTemp + QStringLiteral("/tmp"));
    QFile::setPermissions(childTemp, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("TMPDIR"), childTemp + QStringLiteral("/tmp"));
    if (childRuntime == QLatin1String("-"))
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    else
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), childRuntime.isEmpty() ? childTemp : childRuntime);
    if (!childData.isEmpty())
        env.insert(QStringLiteral("XDG_DATA_HOME"), childData);
    return env;
}

QProcess* TestStartup::startApp(const QStringList& args, QProcess::ProcessChannelMode channels)
{
    auto* p = new QProcess;
    processes << p;
    p->setProcessChannelMode(channels);
    p->setProcessEnvironment(childEnv());
    p->start(QStringLiteral(VORANTEL_APP), args);
    return p;
}

// seed-settings --program-runs in the copies' environment, as ./run.sh asks it: 0 runs, 1 does not.
int TestStartup::programRuns()
{
    QProcess seeder;
    seeder.setProcessEnvironment(childEnv());
    seeder.start(QStringLiteral(SEED_SETTINGS), {QStringLiteral("--program-runs")});
    return seeder.waitForFinished(15000) && seeder.exitStatus() == QProcess::NormalExit ? seeder.exitCode() : -1;
}

// A process that holds segments while it runs: of another account (nobody), as any account can make them, or of
// this account's, attached as a copy holds its own; orphaned: made by a child of the holder's that has ended, then
// attached by the holder, as a dead copy's segment that something still keeps attached. Started ahead, so that it
// makes them at once when asked (Hold).
QProcess* TestStartup::startHolder(bool asNobody, bool orphaned)
{
    QStringList command{QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                        QStringLiteral("import ctypes, os, sys\n"
                                       "libc = ctypes.CDLL(None); libc.prctl(1, 9); libc.shmat.restype = ctypes.c_void_p\n"
                                       "def make(key):\n"
                                       "    if sys.argv[1] != 'orphaned':\n"
                                       "        return libc.shmget(key, 256, 0o1000 | 0o2000 | 0o666)\n"
                                       "    creator = os.fork()\n"
                                       "    if creator == 0:\n"
                                       "        os._exit(0 if libc.shmget(key, 256, 0o1000 | 0o2000 | 0o666) >= 0 else 1)\n"
                                       "    return libc.shmget(key, 0, 0) if os.waitpid(creator, 0)[1] == 0 else -1\n"
                                       "for line in sys.stdin:\n"
                                       "    ids = [make(int(key)) for key in line.split()]\n"
                                       "    if sys.argv[1] != '-':\n"
                                       "        ids = [-1 if id < 0 or libc.shmat(id, None, 0) == 2**64 - 1 else id for id in ids]\n"
                                       "    print(*ids, flush=True)\n"),
                        asNobody ? QStringLiteral("-") : orphaned ? QStringLiteral("orphaned") : QStringLiteral("attach")};
    if (asNobody)
        command = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                              QStringLiteral("--clear-groups")} + command;
    auto* p = new QProcess;
    processes << p;
    p->start(command.takeFirst(), command);
    // An empty request answered: it is ready.
    p->write("\n");
    while (p->waitForReadyRead(10000) && !p->canReadLine()) {
    }
    p->readLine();
    return p;
}

// The holder's segments under the keys: their ids, -1 for a key already taken.
static QVector<int> Hold(QProcess* holder, const QVector<key_t>& keys, QList<key_t>& deadKeys)
{
    QByteArray line;
    for (key_t key : keys) {
        line += QByteArray::number(key) + ' ';
        deadKeys << key;
    }
    holder->write(line + '\n');
    while (holder->waitForReadyRead(10000) && !holder->canReadLine()) {
    }
    QVector<int> ids;
    for (const QByteArray& id : holder->readLine().trimmed().split(' ')) {
        bool ok = false;
        ids << id.toInt(&ok);
        if (!ok)
            ids.last() = -1;
    }
    return ids;
}

// A process that has attached a System V shared memory segment maps it as "/SYSV...".
static bool HoldsGuard(QProcess* process)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(process->processId()));
    return process->state() == QProcess::Running && maps.open(QIODevice::ReadOnly)
           && maps.readAll().contains("/SYSV");
}

// A program whose QApplication has loaded its platform plugin is past the single-instance guard, up to its window.
// The plugin of the platform named, not any: Qt loads others on the way and unloads them. Even that one can be
// unmapped for a moment after it first shows, so wait for it with qWaitFor, which does not ask again.
static bool RunsItsGui(QProcess* process)
{
    QFile maps(QStringLiteral("/proc/%1/maps").arg(process->processId()));
    return process->state() == QProcess::Running && maps.open(QIODevice::ReadOnly)
           && maps.readAll().contains("/platforms/libq" + qgetenv("QT_QPA_PLATFORM") + ".so");
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

void TestStartup::newKeyMeetingDeadSegmentStillStarts_data()
{
    QTest::addColumn<bool>("others"); // whose the segments at the new keys are: another account's, else dead copies'
    QTest::newRow("a dead copy's segment at the new key") << false;
    QTest::newRow("another account's segment at the new key too") << true;
}

void TestStartup::newKeyMeetingDeadSegmentStillStarts()
{
    // Another account's segment at the key file's key makes the key file anew, and the new file gets
    // a new key from its new inode. Segments are put at the keys the new file can get: the inodes a
    // few probe files had just before (a filesystem that hands freed inodes out again) and the ones
    // after them (one that counts up). A dead copy's is cleared; at another account's the key file is
    // made anew again, and the files given up stay held so that their inodes (keys) do not come back.
    // Another program creating files meanwhile can take the inode the key file was to get, so a setup
    // whose new key met no dead segment is made again.
    QFETCH(bool, others);
    int met = 0;
    for (int attempt = 0; attempt < 3 && met == 0; ++attempt) {
        QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("guard-XXXXXX")));
        QVERIFY(folder.isValid());
        // The folder is the guard's runtime folder and the temporary one alike.
        const QByteArray savedTemp = qgetenv("TMPDIR");
        const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
        const auto restoreEnvironment = qScopeGuard([&] {
            qputenv("TMPDIR", savedTemp);
            qputenv("XDG_RUNTIME_DIR", savedRuntime);
        });
        qputenv("TMPDIR", QFile::encodeName(folder.path()));
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.path()));
        QSharedMemory guard(SINGLE_INSTANCE_KEY);
        QFile keyFile(guard.nativeKey());
        QVERIFY(keyFile.open(QIODevice::WriteOnly));
        // Started before the probes: files other programs make meanwhile could take the inodes they free.
        QProcess* nobody = startHolder(true);

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

        QVector<key_t> keys{KeyFor(info.st_dev, info.st_ino)};
        for (ino_t inode : qAsConst(inodes))
            keys << KeyFor(info.st_dev, inode);
        QVector<int> seeded;
        auto removeSeeded = qScopeGuard([&seeded] {
            for (int id : qAsConst(seeded))
                shmctl(id, IPC_RMID, nullptr);
        });
        seeded = Hold(nobody, others ? keys : keys.mid(0, 1), deadKeys);
        QVERIFY2(!seeded.isEmpty() && seeded.first() >= 0, "a segment of the key file's key exists already");
        for (key_t key : keys.mid(seeded.size())) {
            // A key some other program uses already is left out.
            seeded << shmget(key, 256, IPC_CREAT | IPC_EXCL | 0600);
        }
        seeded.removeAll(-1);

        QVERIFY(AcquireSingleInstance(guard));
        QCOMPARE(guard.nativeKey(), keyFile.fileName());
        shmid_ds state;
        const int cleared = int(std::count_if(seeded.cbegin(), seeded.cend(),
                                              [&state](int id) { return shmctl(id, IPC_STAT, &state) != 0; }));
        guard.detach();
        if (others) {
            QCOMPARE(cleared, 0); // another account's are never removed
            return;
        }
        QVERIFY2(shmctl(seeded.first(), IPC_STAT, &state) == 0, "another account's segment was removed");
        met = cleared;
    }
    QVERIFY2(met > 0, "the new key file never met a dead segment");
}

// The name Qt gives the fixed key's file, which the guard keeps wherever its folder is.
static QString KeyFileName()
{
    return QFileInfo(QSharedMemory(SINGLE_INSTANCE_KEY).nativeKey()).fileName();
}

void TestStartup::keyFileInAFolderOfThisAccountsOnly_data()
{
    QTest::addColumn<QString>("runtime"); // the copies' XDG_RUNTIME_DIR
    QTest::addColumn<bool>("data");       // whether their data folder can be made; else it lies below a file
    QTest::addColumn<QString>("place");   // where the key file is: "runtime", "data", or "none" (the copy is unguarded)
    QTest::newRow("a runtime folder of this account's") << "private" << true << "runtime";
    QTest::newRow("no runtime folder") << "none" << true << "data";
    QTest::newRow("a runtime folder others may write") << "open" << true << "data";
    QTest::newRow("another account's runtime folder") << "nobody's" << true << "data";
    QTest::newRow("a runtime folder missing at the start, made later") << "made later" << true << "data";
    QTest::newRow("a runtime folder of this account's, no data folder") << "private" << false << "runtime";
    QTest::newRow("no folder can hold the key file") << "none" << false << "none";
    QTest::newRow("a runtime folder others may write, no data folder") << "open" << false << "none";
}

// The key file is where no other account can make it, and ./run.sh's question and a second copy find it there, also
// once a runtime folder missing at the first copy's start is made. Where no folder can hold it, the copy runs
// without the guard and says so.
void TestStartup::keyFileInAFolderOfThisAccountsOnly()
{
    QFETCH(QString, runtime);
    QFETCH(bool, data);
    QFETCH(QString, place);
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("keyplace-XXXXXX")));
    QVERIFY(folder.isValid());
    folder.setAutoRemove(false);
    childTemp = folder.path();
    // Below a file no account, root neither, can make a folder.
    childData = data ? childTemp + QStringLiteral("/data") : QStringLiteral("/dev/null/data");
    childRuntime = runtime == QLatin1String("none") ? QStringLiteral("-") : childTemp + QStringLiteral("/run");
    if (runtime != QLatin1String("none") && runtime != QLatin1String("made later")) {
        const QByteArray path = QFile::encodeName(childRuntime);
        QCOMPARE(::mkdir(path.constData(), 0700), 0);
        if (runtime == QLatin1String("open"))
            QCOMPARE(::chmod(path.constData(), 01777), 0);
        if (runtime == QLatin1String("nobody's"))
            QCOMPARE(::chown(path.constData(), 65534, 65534), 0);
    }
    const QString inData = childData + QStringLiteral("/vorantel/") + KeyFileName();
    const QString inRuntimeFolder = childRuntime + QLatin1Char('/') + KeyFileName();

    QProcess* copy = startApp({}, QProcess::SeparateChannels);
    const bool up = QTest::qWaitFor(
        [copy] { return HoldsGuard(copy) || RunsItsGui(copy) || copy->state() == QProcess::NotRunning; }, 20000);
    QVERIFY2(up && copy->state() == QProcess::Running, qPrintable(Describe(copy)));
    QCOMPARE(HoldsGuard(copy), place != QLatin1String("none"));
    // Qt in the copy may have made it already, as a new login session would.
    if (runtime == QLatin1String("made later"))
        QVERIFY(::mkdir(QFile::encodeName(childRuntime).constData(), 0700) == 0 || errno == EEXIST);
    QCOMPARE(QFileInfo::exists(inRuntimeFolder), place == QLatin1String("runtime"));
    QCOMPARE(QFileInfo::exists(inData), place == QLatin1String("data"));
    QVERIFY(QDir(childTemp + QStringLiteral("/tmp")).entryList(QDir::Files).isEmpty());
    struct stat made;
    if (place == QLatin1String("data"))
        QVERIFY(::stat(QFile::encodeName(QFileInfo(inData).path()).constData(), &made) == 0 && (made.st_mode & 0777) == 0700);

    QProcess* second = startApp({}, QProcess::SeparateChannels);
    if (place != QLatin1String("none")) {
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitCode(), 255);
        QVERIFY(second->readAllStandardOutput().isEmpty() && second->readAllStandardError().isEmpty());
        QCOMPARE(programRuns(), 0);
        return;
    }
    // Its one line names the folder it could not use and why; a second copy is not stopped, and ./run.sh's
    // question finds none running.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += copy->readAllStandardError()).contains('\n'), 20000);
    const QString line = QString::fromLocal8Bit(said.left(said.indexOf('\n')));
    QVERIFY2(line.startsWith(QLatin1String("The program starts without its single-instance guard, so a second copy is not stopped"))
                 && line.contains(childData + QStringLiteral("/vorantel (Not a directory)")),
             qPrintable(line));
    QVERIFY2(QTest::qWaitFor([second] { return RunsItsGui(second); }, 20000), qPrintable(Describe(second)));
    QCOMPARE(programRuns(), 1);
}

void TestStartup::segmentAtTheKeyRefusesOnlyALiveCopy_data()
{
    QTest::addColumn<bool>("earlier"); // at an earlier version's key (its file in the temporary folder), else the guard's
    QTest::addColumn<QString>("holder");
    QTest::addColumn<bool>("starts");
    QTest::newRow("another account's at the guard's key") << false << "nobody" << true;
    QTest::newRow("another account's at an earlier version's key") << true << "nobody" << true;
    QTest::newRow("a killed copy's at the guard's key") << false << "killed" << true;
    QTest::newRow("a dead copy's at the guard's key, still attached") << false << "orphaned" << true;
    QTest::newRow("a killed earlier version's at its key") << true << "killed" << true;
    QTest::newRow("an earlier version's live copy") << true << "live" << false;
}

// Only a live copy of this account's refuses a start and counts as running for ./run.sh; a segment at an earlier
// version's key is only read, never removed.
void TestStartup::segmentAtTheKeyRefusesOnlyALiveCopy()
{
    QFETCH(bool, earlier);
    QFETCH(QString, holder);
    QFETCH(bool, starts);
    QTemporaryDir folder(QDir::temp().filePath(QStringLiteral("segment-XXXXXX")));
    QVERIFY(folder.isValid());
    folder.setAutoRemove(false);
    childTemp = folder.path();
    childEnv(); // makes the temporary folder
    const QString keyFile = (earlier ? childTemp + QStringLiteral("/tmp/") : childTemp + QLatin1Char('/')) + KeyFileName();
    QVERIFY(TestSupport::WriteFile(keyFile, ""));
    const key_t key = ftok(QFile::encodeName(keyFile).constData(), 'Q');
    int id = -1;
    QSharedMemory earlierCopy;
    if (holder == QLatin1String("live")) {
        earlierCopy.setNativeKey(keyFile);
        QVERIFY(earlierCopy.create(256));
        id = shmget(key, 0, 0);
    } else {
        QProcess* holding = startHolder(holder == QLatin1String("nobody"), holder == QLatin1String("orphaned"));
        id = Hold(holding, {key}, deadKeys).value(0, -1);
        if (holder == QLatin1String("killed")) {
            ::kill(pid_t(holding->processId()), SIGKILL);
            QVERIFY(holding->waitForFinished(5000));
        }
    }
    QVERIFY(id >= 0);
    shmid_ds info;
    if (holder == QLatin1String("orphaned")) {
        QVERIFY(shmctl(id, IPC_STAT, &info) == 0 && info.shm_nattch == 1);
        QVERIFY(::kill(info.shm_cpid, 0) != 0 && errno == ESRCH);
    }

    QCOMPARE(programRuns(), starts ? 1 : 0);
    QProcess* copy = startApp();
    if (starts) {
        QTRY_VERIFY_WITH_TIMEOUT(HoldsGuard(copy) || copy->state() == QProcess::NotRunning, 20000);
        QVERIFY2(copy->state() == QProcess::Running, qPrintable(Describe(copy)));
        QProcess* second = startApp();
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitCode(), 255);
        QCOMPARE(programRuns(), 0);
    } else {
        QVERIFY(copy->waitForFinished(15000));
        QCOMPARE(copy->exitCode(), 255);
    }
    if (earlier || holder == QLatin1String("nobody"))
        QVERIFY2(shmctl(id, IPC_STAT, &info) == 0 && QFileInfo::exists(keyFile), "a segment not the guard's own was removed");
}

VORANTEL_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
