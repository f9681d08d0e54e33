#include "appsettings.h"
#include "startup.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSettings>
#include <QSharedMemory>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <csignal>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
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
    void segmentsHeldElsewhereDoNotStopAStart_data();
    void segmentsHeldElsewhereDoNotStopAStart();
    void lockFileInAFolderOfThisAccountsOnly_data();
    void lockFileInAFolderOfThisAccountsOnly();
    void copyFoundWhateverTheSecondsSession_data();
    void copyFoundWhateverTheSecondsSession();
    void descriptorsGoNoFurther();
    void earlierVersionsSegmentRefusesOnlyALiveCopy_data();
    void earlierVersionsSegmentRefusesOnlyALiveCopy();
    void cleanup();

private:
    QProcess* startApp(const QStringList& args = {}, QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel);
    QProcessEnvironment childEnv() const;
    int programRuns();
    QProcess* startHolder(const QString& account, const QString& mode, bool namedAsTheProgram, int size = 256);
    QVector<int> hold(QProcess* holder, const QByteArray& request);
    bool newCopiesFolder(const QString& name);
    std::unique_ptr<QTemporaryDir> copiesFolder; // removed once the copies in it have ended
    QString childTemp; // the copies' runtime folder; their temporary folder in it
    QString childData; // their XDG_DATA_HOME; empty: the test's own
    QString childRuntime; // their XDG_RUNTIME_DIR when it is not childTemp; "-": none
    QList<QProcess*> processes;
    QList<int> segments; // made for a test, removed at its end
    QString copyNamedAsTheProgram(const QString& account);
    QTemporaryDir programs{TestSupport::ProgramsTemplate(QStringLiteral("startup"))};
};

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
    copiesFolder.reset();
    // Segments outlive their holders: removed, so that a full table or a key held does not reach the next test.
    for (int id : qAsConst(segments))
        shmctl(id, IPC_RMID, nullptr);
    segments.clear();
    childTemp.clear();
    childData.clear();
    childRuntime.clear();
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

// The copies' environment: childTemp their runtime folder (unless childRuntime says otherwise), with their temporary
// folder inside it, and childData their XDG_DATA_HOME.
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

// A folder new for the test, named after it, for the copies: childTemp, with childData in it.
bool TestStartup::newCopiesFolder(const QString& name)
{
    copiesFolder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(name + QStringLiteral("-XXXXXX")));
    childTemp = copiesFolder->path();
    childData = childTemp + QStringLiteral("/data");
    return copiesFolder->isValid();
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

// A process that holds segments of the size while it runs, made when asked (hold): a line of keys, or "fill", as many
// as the table takes. As this account or another's (nobody), as any account can make them; named as the program
// is, as an earlier version's copy is, or not. Mode "attach": it keeps each attached, as a copy keeps its own;
// "orphaned": made by a child of the holder's that has ended, then attached by the holder, as a dead copy's segment
// that something still keeps attached; "make": made only. Started ahead, so that it makes them at once when asked.
QProcess* TestStartup::startHolder(const QString& account, const QString& mode, bool namedAsTheProgram, int size)
{
    const QString python = namedAsTheProgram ? programs.filePath(QStringLiteral("vorantel"))
                                             : QFileInfo(QStringLiteral("/usr/bin/python3")).canonicalFilePath();
    QStringList command{python, QStringLiteral("-c"),
                        QStringLiteral("import ctypes, os, sys\n"
                                       "libc = ctypes.CDLL(None); libc.prctl(1, 9); libc.shmat.restype = ctypes.c_void_p\n"
                                       "mode, size = sys.argv[1], int(sys.argv[2])\n"
                                       "def make(key):\n"
                                       "    if mode != 'orphaned':\n"
                                       "        return libc.shmget(key, size, 0o1000 | 0o2000 | 0o666)\n"
                                       "    creator = os.fork()\n"
                                       "    if creator == 0:\n"
                                       "        os._exit(0 if libc.shmget(key, size, 0o1000 | 0o2000 | 0o666) >= 0 else 1)\n"
                                       "    return libc.shmget(key, 0, 0) if os.waitpid(creator, 0)[1] == 0 else -1\n"
                                       "def fill():\n"
                                       "    ids = [libc.shmget(0, size, 0o1000 | 0o666)]\n"
                                       "    while ids[-1] >= 0:\n"
                                       "        ids.append(libc.shmget(0, size, 0o1000 | 0o666))\n"
                                       "    return ids[:-1]\n"
                                       "for line in sys.stdin:\n"
                                       "    ids = fill() if line.strip() == 'fill' else [make(int(key)) for key in line.split()]\n"
                                       "    if mode != 'make':\n"
                                       "        ids = [-1 if id < 0 or libc.shmat(id, None, 0) == 2**64 - 1 else id for id in ids]\n"
                                       "    print(*ids, flush=True)\n"),
                        mode, QString::number(size)};
    if (account == QLatin1String("nobody"))
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

// A copy of python named as the program is, for a holder run as the account ("nobody" or "this"), made once: empty
// when the account may run it, else why not. Another account runs it only from a folder it may reach.
QString TestStartup::copyNamedAsTheProgram(const QString& account)
{
    const QString copy = programs.filePath(QStringLiteral("vorantel"));
    if (!QFileInfo::exists(copy) && !QFile::copy(QFileInfo(QStringLiteral("/usr/bin/python3")).canonicalFilePath(), copy))
        return QStringLiteral("python3 could not be copied to ") + copy;
    QFile::setPermissions(programs.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther);
    QStringList check{QStringLiteral("test"), QStringLiteral("-x"), copy};
    if (account == QLatin1String("nobody"))
        check = QStringList{QStringLiteral("setpriv"), QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"),
                            QStringLiteral("--clear-groups")} + check;
    QProcess run;
    run.start(check.takeFirst(), check);
    if (run.waitForFinished(10000) && run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0)
        return QString();
    return account == QLatin1String("nobody")
               ? QStringLiteral("needs another account (nobody) to run a program from the build folder, which a folder "
                                "above it closes to other accounts; /tmp is no place for it, as it may not let programs run")
               : QStringLiteral("the program %1 cannot be run: its folder's file system does not let programs run").arg(copy);
}

// The holder's segments for the request: their ids, -1 for a key already taken. Removed when the test ends.
QVector<int> TestStartup::hold(QProcess* holder, const QByteArray& request)
{
    holder->write(request + '\n');
    while (holder->waitForReadyRead(10000) && !holder->canReadLine()) {
    }
    QVector<int> ids;
    for (const QByteArray& id : holder->readLine().trimmed().split(' ')) {
        bool ok = false;
        ids << id.toInt(&ok);
        if (!ok)
            ids.last() = -1;
        else
            segments << ids.last();
    }
    return ids;
}

static QByteArray KeysLine(const QVector<key_t>& keys)
{
    QByteArray line;
    for (key_t key : keys)
        line += QByteArray::number(key) + ' ';
    return line;
}

// A copy that holds the guard has a lock of its own open file on its lock file, which its fdinfo shows.
static bool HoldsGuard(QProcess* process)
{
    const QString fds = QStringLiteral("/proc/%1/fd/").arg(process->processId());
    const QString infos = QStringLiteral("/proc/%1/fdinfo/").arg(process->processId());
    if (process->state() != QProcess::Running)
        return false;
    const QStringList open = QDir(fds).entryList(QDir::Files | QDir::System);
    return std::any_of(open.cbegin(), open.cend(), [&](const QString& fd) {
        return QFile::symLinkTarget(fds + fd).endsWith(QLatin1String("/program.lock"))
               && TestSupport::ReadFile(infos + fd).contains("OFDLCK");
    });
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

// Waits until the copy holds the guard or has ended, however slowly a loaded machine starts it: whether it runs.
static bool RunsGuarded(QProcess* copy)
{
    return QTest::qWaitFor([copy] { return HoldsGuard(copy) || copy->state() == QProcess::NotRunning; }, 20000)
           && copy->state() == QProcess::Running;
}

// A second copy's start: refused at once, without a word.
static bool Refused(QProcess* second)
{
    return second->waitForFinished(15000) && second->exitStatus() == QProcess::NormalExit && second->exitCode() == 255
           && second->readAllStandardOutput().isEmpty() && second->readAllStandardError().isEmpty();
}

void TestStartup::singleInstanceWithRealProcesses()
{
    QVERIFY(newCopiesFolder(QStringLiteral("copies")));
    QProcess* first = startApp();
    QVERIFY2(RunsGuarded(first), qPrintable(Describe(first)));

    QVERIFY(Refused(startApp()));

    QProcess* restarted = startApp({QStringLiteral("restart")});
    QVERIFY2(!restarted->waitForFinished(1500), qPrintable(Describe(restarted)));
    QCOMPARE(restarted->state(), QProcess::Running);
    QVERIFY(!HoldsGuard(restarted));

    // A killed holder's lock goes with it; the next start must not be refused.
    ::kill(pid_t(first->processId()), SIGKILL);
    QVERIFY(first->waitForFinished(5000));
    QCOMPARE(programRuns(), 1);
    QProcess* afterCrash = startApp();
    QVERIFY2(RunsGuarded(afterCrash), qPrintable(Describe(afterCrash)));

    // And that copy holds the guard again.
    QVERIFY(Refused(startApp()));

    // A killed holder whose lock file has gone with a clean-up of the folder.
    ::kill(pid_t(afterCrash->processId()), SIGKILL);
    QVERIFY(afterCrash->waitForFinished(5000));
    QVERIFY(QFile::remove(childData + QStringLiteral("/vorantel/program.lock")));
    QProcess* afterCleanUp = startApp();
    QVERIFY2(RunsGuarded(afterCleanUp), qPrintable(Describe(afterCleanUp)));
}

// The name Qt gives the fixed key's file, where an earlier version took its segment's key from.
static QString KeyFileName()
{
    return QFileInfo(QSharedMemory(SINGLE_INSTANCE_KEY).nativeKey()).fileName();
}

void TestStartup::killedCopyStillAttachedDoesNotRefuse()
{
    // Segments outlive a program killed at its time limit, but for those in a table of its own.
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::NoSegmentTableOfItsOwn());
    // The kernel may still count a killed earlier copy as attached after its parent has reaped it. A child that
    // inherited the creator's attachment stands for that moment: the creator is gone, and the segment is attached
    // all the same.
    QVERIFY(newCopiesFolder(QStringLiteral("copies-attached")));
    const QString keyFile = childTemp + QLatin1Char('/') + KeyFileName();
    QVERIFY(TestSupport::WriteFile(keyFile, ""));
    const key_t key = ftok(QFile::encodeName(keyFile).constData(), 'Q');
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
    segments << segment;
    QCOMPARE(int(info.shm_nattch), 1);

    QProcess* copy = startApp();
    QVERIFY2(RunsGuarded(copy), qPrintable(Describe(copy)));
}

// ftok's key: the low 16 bits of the inode, the low 8 of the device and the project ID above them.
static key_t KeyFor(dev_t device, ino_t inode)
{
    return key_t((inode & 0xffff) | ((device & 0xff) << 16) | (key_t('Q') << 24));
}

// The keys a file made next in the folder can get from its inode: the inodes a few probe files had just before (a
// filesystem that hands freed inodes out again) and 64 after them (one that counts up).
static QVector<key_t> KeysNear(const QString& folder)
{
    QVector<key_t> keys;
    struct stat info{};
    for (int probe = 0; probe < 4; ++probe) {
        const QString file = folder + QStringLiteral("/probe%1").arg(probe);
        if (TestSupport::WriteFile(file, "") && ::stat(QFile::encodeName(file).constData(), &info) == 0)
            keys << KeyFor(info.st_dev, info.st_ino);
    }
    for (ino_t next = info.st_ino + 1; next <= info.st_ino + 64; ++next)
        keys << KeyFor(info.st_dev, next);
    for (int probe = 0; probe < 4; ++probe)
        QFile::remove(folder + QStringLiteral("/probe%1").arg(probe));
    return keys;
}

void TestStartup::segmentsHeldElsewhereDoNotStopAStart_data()
{
    QTest::addColumn<QString>("account"); // the holder's: "nobody", or this one's ("this") with another program
    QTest::addColumn<bool>("fill");       // every slot of the segment table, else every key near the files'
    QTest::newRow("every segment slot held by another account") << "nobody" << true;
    QTest::newRow("every segment slot held by this account's other program") << "this" << true;
    QTest::newRow("another account's segments at every key near the lock file's") << "nobody" << false;
    QTest::newRow("this account's dead segments at every key near the lock file's") << "this" << false;
}

// Segments are no part of the guard: however many another account (or another program) holds, and at whatever keys
// (an earlier version's key files too), a start runs and holds the guard, and removes none of them.
void TestStartup::segmentsHeldElsewhereDoNotStopAStart()
{
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::NoSegmentTableOfItsOwn());
    QFETCH(QString, account);
    QFETCH(bool, fill);
    if (account == QLatin1String("nobody"))
        VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotActAsAnotherAccount());
    QVERIFY(newCopiesFolder(QStringLiteral("segments")));
    childEnv(); // makes the temporary folder
    const QString data = childData + QStringLiteral("/vorantel");
    QVERIFY(QDir().mkpath(data));
    // An earlier version's key files, each where a version left it.
    QVector<key_t> keys;
    for (const QString& place : {childTemp + QStringLiteral("/tmp"), childTemp, data}) {
        QVERIFY(TestSupport::WriteFile(place + QLatin1Char('/') + KeyFileName(), ""));
        keys << ftok(QFile::encodeName(place + QLatin1Char('/') + KeyFileName()).constData(), 'Q');
    }
    keys << KeysNear(childTemp) << KeysNear(data);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());

    QProcess* holder = startHolder(account, QStringLiteral("make"), false);
    const QVector<int> held = hold(holder, fill ? QByteArray("fill") : KeysLine(keys));
    QVERIFY(!held.isEmpty() && !held.contains(-1) && held.size() == (fill ? held.size() : keys.size()));
    if (fill)
        QVERIFY(shmget(IPC_PRIVATE, 1, IPC_CREAT | 0600) < 0 && errno == ENOSPC);

    QProcess* copy = startApp();
    QVERIFY2(RunsGuarded(copy), qPrintable(Describe(copy)));
    QVERIFY(Refused(startApp()));
    QCOMPARE(programRuns(), 0);
    shmid_ds info;
    QVERIFY2(std::all_of(held.cbegin(), held.cend(), [&info](int id) { return shmctl(id, IPC_STAT, &info) == 0; }),
             "a segment not the guard's was removed");
}

void TestStartup::lockFileInAFolderOfThisAccountsOnly_data()
{
    QTest::addColumn<QString>("runtime"); // the copies' XDG_RUNTIME_DIR: "private", "none", "open", "group" (mode 775),
                                          // "nobody's" (775), "made later"
    QTest::addColumn<QString>("data");    // their data folder: "new", "there" (mode 755), "open", "nobody's" (775), "none",
                                          // "link" (its lock file a link to a file elsewhere)
    QTest::addColumn<QString>("place");   // where the lock file is: "runtime", "data", or "none" (the copy is unguarded)
    QTest::newRow("a runtime folder of this account's") << "private" << "new" << "data";
    QTest::newRow("no runtime folder") << "none" << "new" << "data";
    QTest::newRow("a runtime folder others may write") << "open" << "new" << "data";
    QTest::newRow("another account's runtime folder") << "nobody's" << "new" << "data";
    QTest::newRow("a runtime folder missing at the start, made later") << "made later" << "new" << "data";
    QTest::newRow("a data folder already there") << "private" << "there" << "data";
    // This account's, so narrowed to it alone.
    QTest::newRow("a data folder others may write") << "private" << "open" << "data";
    QTest::newRow("another account's data folder") << "private" << "nobody's" << "runtime";
    QTest::newRow("a lock file in the data folder that is a link") << "private" << "link" << "runtime";
    QTest::newRow("a runtime folder of this account's, no data folder") << "private" << "none" << "runtime";
    QTest::newRow("no folder can hold the lock file") << "none" << "none" << "none";
    QTest::newRow("a runtime folder others may write, no data folder") << "open" << "none" << "none";
    QTest::newRow("a runtime folder its group may write, no data folder") << "group" << "none" << "none";
}

// The lock file is where no other account can make it, in the data folder that every session shares while that can
// hold it, and ./run.sh's question and a second copy find it there. Where no folder can hold it, the copy runs
// without the guard and says so.
void TestStartup::lockFileInAFolderOfThisAccountsOnly()
{
    QFETCH(QString, runtime);
    QFETCH(QString, data);
    QFETCH(QString, place);
    const QString nobodys = QStringLiteral("nobody's");
    if (runtime == nobodys || data == nobodys)
        VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotActAsAnotherAccount());
    QVERIFY(newCopiesFolder(QStringLiteral("lockplace")));
    // Below a file no account, root neither, can make a folder.
    if (data == QLatin1String("none"))
        childData = QStringLiteral("/dev/null/data");
    childRuntime = runtime == QLatin1String("none") ? QStringLiteral("-") : childTemp + QStringLiteral("/run");
    const auto makeFolder = [](const QString& path, const QString& kind) {
        const QByteArray name = QFile::encodeName(path);
        const mode_t mode = kind == QLatin1String("open") ? 01777 : kind == QLatin1String("there") ? 0755 : kind == QLatin1String("private") ? 0700 : 0775;
        return QDir().mkpath(path) && ::chmod(name.constData(), mode) == 0
               && (kind != QLatin1String("nobody's") || ::chown(name.constData(), 65534, 65534) == 0);
    };
    if (runtime != QLatin1String("none") && runtime != QLatin1String("made later"))
        QVERIFY(makeFolder(childRuntime, runtime));
    if (data != QLatin1String("new") && data != QLatin1String("none"))
        QVERIFY(makeFolder(childData + QStringLiteral("/vorantel"), data));
    const QString inData = childData + QStringLiteral("/vorantel/program.lock");
    if (data == QLatin1String("link"))
        QVERIFY(TestSupport::WriteFile(childTemp + QStringLiteral("/elsewhere"), "") && QFile::link(childTemp + QStringLiteral("/elsewhere"), inData));
    const QString inRuntimeFolder = childRuntime + QStringLiteral("/program.lock");

    QProcess* copy = startApp({}, QProcess::SeparateChannels);
    const bool up = QTest::qWaitFor(
        [copy] { return HoldsGuard(copy) || RunsItsGui(copy) || copy->state() == QProcess::NotRunning; }, 20000);
    QVERIFY2(up && copy->state() == QProcess::Running, qPrintable(Describe(copy)));
    QCOMPARE(HoldsGuard(copy), place != QLatin1String("none"));
    // Qt in the copy may have made it already, as a new login session would.
    if (runtime == QLatin1String("made later"))
        QVERIFY(::mkdir(QFile::encodeName(childRuntime).constData(), 0700) == 0 || errno == EEXIST);
    QCOMPARE(QFileInfo::exists(inRuntimeFolder), place == QLatin1String("runtime"));
    QCOMPARE(QFileInfo::exists(inData) && !QFileInfo(inData).isSymLink(), place == QLatin1String("data"));
    QVERIFY(QDir(childTemp + QStringLiteral("/tmp")).entryList(QDir::Files).isEmpty());
    // A data folder of this account's is its alone, whatever it was; another account's and the runtime folder are
    // left as they were.
    const auto modeOf = [](const QString& path) {
        struct stat info;
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    };
    if (data == QLatin1String("new") || data == QLatin1String("open"))
        QCOMPARE(modeOf(QFileInfo(inData).path()), 0700);
    if (data == nobodys)
        QCOMPARE(modeOf(QFileInfo(inData).path()), 0775);
    if (runtime == QLatin1String("group"))
        QCOMPARE(modeOf(childRuntime), 0775);

    QProcess* second = startApp({}, QProcess::SeparateChannels);
    if (place != QLatin1String("none")) {
        QVERIFY(Refused(second));
        QCOMPARE(programRuns(), 0);
        return;
    }
    // Its one line names the folder it could not use and why; a second copy is not stopped, and ./run.sh's
    // question finds none running.
    QByteArray said;
    QTRY_VERIFY_WITH_TIMEOUT((said += copy->readAllStandardError()).contains('\n'), 20000);
    const QString line = QString::fromLocal8Bit(said.left(said.indexOf('\n')));
    QVERIFY2(line.startsWith(QLatin1String("The program starts without its single-instance guard, so a second copy is not stopped"))
                 && line.contains(childData + QStringLiteral("/vorantel (Not a directory)"))
                 && (runtime == QLatin1String("none") || line.contains(childRuntime + QStringLiteral(" (its group or other accounts may write it)"))),
             qPrintable(line));
    QVERIFY2(QTest::qWaitFor([second] { return RunsItsGui(second); }, 20000), qPrintable(Describe(second)));
    QCOMPARE(programRuns(), 1);
}

void TestStartup::copyFoundWhateverTheSecondsSession_data()
{
    QTest::addColumn<QString>("change"); // between the first start and the second
    QTest::addColumn<QString>("data");   // the data folder before the first start: "new", "new under umask 002", or
                                         // "left 775" (by an earlier version made under umask 002)
    QTest::newRow("the runtime folder removed and made again") << "remade" << "new";
    QTest::newRow("the second started without XDG_RUNTIME_DIR") << "no runtime" << "new";
    QTest::newRow("the first's lock in the runtime folder, the second's data folder usable") << "data usable" << "new";
    QTest::newRow("a data folder made under umask 002, the second without XDG_RUNTIME_DIR") << "no runtime" << "new under umask 002";
    QTest::newRow("a data folder left 775, the second without XDG_RUNTIME_DIR") << "no runtime" << "left 775";
}

// A logout's clean-up of the runtime folder, or a start from su, ssh or cron without one, does not let a second copy
// run beside the first; nor does a data folder that could not hold the first's lock and now can. The first makes
// the data folder this account's alone whatever the umask, and narrows one an earlier version left open, in a line.
void TestStartup::copyFoundWhateverTheSecondsSession()
{
    QFETCH(QString, change);
    QFETCH(QString, data);
    QVERIFY(newCopiesFolder(QStringLiteral("session")));
    // Below a file no account, root neither, can make a folder.
    if (change == QLatin1String("data usable"))
        childData = QStringLiteral("/dev/null/data");
    childRuntime = childTemp + QStringLiteral("/run");
    QCOMPARE(::mkdir(QFile::encodeName(childRuntime).constData(), 0700), 0);
    const QString folder = childData + QStringLiteral("/vorantel");
    if (data == QLatin1String("left 775"))
        QVERIFY(QDir().mkpath(folder) && ::chmod(QFile::encodeName(folder).constData(), 0775) == 0);
    // The copy takes the umask of the process that starts it.
    const bool loose = data == QLatin1String("new under umask 002");
    const mode_t testsUmask = loose ? ::umask(002) : 0;
    QProcess* first = startApp({}, QProcess::SeparateChannels);
    if (loose)
        ::umask(testsUmask);
    QVERIFY2(RunsGuarded(first), qPrintable(Describe(first)));
    if (change != QLatin1String("data usable")) {
        struct stat info;
        QVERIFY(::stat(QFile::encodeName(folder).constData(), &info) == 0);
        QCOMPARE(int(info.st_mode & 07777), 0700);
    }
    if (change == QLatin1String("remade")) {
        // Moved aside rather than deleted: the files made in the new one then get new inodes, as on the new
        // filesystem a login mounts there, and not the freed ones back.
        QCOMPARE(::rename(QFile::encodeName(childRuntime).constData(), QFile::encodeName(childRuntime + QStringLiteral(".gone")).constData()), 0);
        // Qt in the copy may have made it again already, as a new login session would.
        QVERIFY(::mkdir(QFile::encodeName(childRuntime).constData(), 0700) == 0 || errno == EEXIST);
    } else if (change == QLatin1String("no runtime")) {
        childRuntime = QStringLiteral("-");
    } else {
        childData = childTemp + QStringLiteral("/data");
    }
    QProcess* second = startApp({}, QProcess::SeparateChannels);
    QVERIFY2(Refused(second), qPrintable(Describe(second)));
    QCOMPARE(programRuns(), 0);

    // The first said that it narrowed a folder left open, in one line, and nothing of one it made itself.
    first->kill();
    QVERIFY(first->waitForFinished(5000));
    const QStringList said = QString::fromLocal8Bit(first->readAllStandardError()).split(QLatin1Char('\n')).filter(QStringLiteral("data folder"));
    const QString narrowed = QStringLiteral("The program's data folder %1 was mode 775, which its group or other accounts could write;"
                                            " it is now this account's alone, mode 700.")
                                 .arg(folder);
    QCOMPARE(said, data == QLatin1String("left 775") ? QStringList{narrowed} : QStringList());
}

// Every descriptor of a running copy above the standard three, its lock's and one it was started with (a shell's, a
// desktop's) among them, is kept from the programs it starts (a PDF viewer, a mail client): one holding the lock would
// refuse every start while it runs.
void TestStartup::descriptorsGoNoFurther()
{
    int ends[2];
    QVERIFY(::pipe(ends) == 0);
    const auto closeEnds = qScopeGuard([&ends] {
        ::close(ends[0]);
        ::close(ends[1]);
    });
    QVERIFY(newCopiesFolder(QStringLiteral("descriptors")));
    QProcess* copy = startApp();
    QVERIFY2(RunsGuarded(copy), qPrintable(Describe(copy)));
    const QString fds = QStringLiteral("/proc/%1/fd/").arg(copy->processId());
    QStringList passedOn;
    for (const QString& fd : QDir(fds).entryList(QDir::Files | QDir::System)) {
        const QByteArray info = TestSupport::ReadFile(QStringLiteral("/proc/%1/fdinfo/").arg(copy->processId()) + fd);
        const int at = info.indexOf("flags:");
        const int flags = info.mid(at + 6, info.indexOf('\n', at) - at - 6).trimmed().toInt(nullptr, 8);
        if (fd.toInt() > 2 && at >= 0 && (flags & O_CLOEXEC) == 0)
            passedOn << fd + QStringLiteral(" -> ") + QFile::symLinkTarget(fds + fd);
    }
    QVERIFY2(!QFile::symLinkTarget(fds + QString::number(ends[1])).isEmpty(), "the copy was not given the descriptor");
    QCOMPARE(passedOn, QStringList());
}

void TestStartup::earlierVersionsSegmentRefusesOnlyALiveCopy_data()
{
    QTest::addColumn<QString>("place"); // of the key file: "temp" (the temporary folder), "runtime" or "data" folder
    QTest::addColumn<QString>("holder"); // its program named as the earlier version's, unless "other program"
    QTest::addColumn<bool>("starts");
    QTest::newRow("another account's at an earlier version's key") << "temp" << "nobody" << true;
    QTest::newRow("another account's at the key in the runtime folder") << "runtime" << "nobody" << true;
    QTest::newRow("a killed copy's at the key in the runtime folder") << "runtime" << "killed" << true;
    QTest::newRow("a dead copy's at the key in the runtime folder, still attached") << "runtime" << "orphaned" << true;
    QTest::newRow("a killed earlier version's at its key") << "temp" << "killed" << true;
    QTest::newRow("another program of this account's at an earlier version's key") << "temp" << "other program" << true;
    QTest::newRow("a segment of another size at an earlier version's key") << "temp" << "other size" << true;
    QTest::newRow("a segment its live creator keeps no longer attached") << "temp" << "detached" << true;
    QTest::newRow("an earlier version's live copy") << "temp" << "live" << false;
    QTest::newRow("a live copy with its key file in the runtime folder") << "runtime" << "live" << false;
    QTest::newRow("a live copy with its key file in the data folder") << "data" << "live" << false;
}

// An earlier version's copy held a segment under a key file's key instead of the lock. Only such a copy, live and of
// this account's, refuses a start and counts as running for ./run.sh; the segment is only read, never removed.
void TestStartup::earlierVersionsSegmentRefusesOnlyALiveCopy()
{
    QFETCH(QString, place);
    QFETCH(QString, holder);
    QFETCH(bool, starts);
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::NoSegmentTableOfItsOwn());
    if (holder == QLatin1String("nobody"))
        VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotActAsAnotherAccount());
    if (holder != QLatin1String("other program")) {
        const QString account = holder == QLatin1String("nobody") ? holder : QStringLiteral("this");
        const QString why = copyNamedAsTheProgram(account);
        if (account == QLatin1String("nobody"))
            VORANTEL_SKIP_UNLESS_ALLOWED(why);
        QVERIFY2(why.isEmpty(), qPrintable(why));
    }
    QVERIFY(newCopiesFolder(QStringLiteral("segment")));
    childEnv(); // makes the temporary folder
    const QString keyFolder = place == QLatin1String("temp")      ? childTemp + QStringLiteral("/tmp")
                              : place == QLatin1String("runtime") ? childTemp
                                                                  : childData + QStringLiteral("/vorantel");
    // This account's alone, whatever the test's umask: a data folder its group may write is narrowed, and said so.
    QVERIFY(QDir().mkpath(keyFolder) && ::chmod(QFile::encodeName(keyFolder).constData(), 0700) == 0);
    const QString keyFile = keyFolder + QLatin1Char('/') + KeyFileName();
    QVERIFY(TestSupport::WriteFile(keyFile, ""));
    const key_t key = ftok(QFile::encodeName(keyFile).constData(), 'Q');
    const QString mode = holder == QLatin1String("orphaned") ? holder : holder == QLatin1String("detached") ? QStringLiteral("make") : QStringLiteral("attach");
    QProcess* holding = startHolder(holder == QLatin1String("nobody") ? holder : QStringLiteral("this"), mode,
                                    holder != QLatin1String("other program"), holder == QLatin1String("other size") ? 512 : 256);
    const int id = hold(holding, KeysLine({key})).value(0, -1);
    QVERIFY(id >= 0);
    shmid_ds info;
    if (holder == QLatin1String("killed")) {
        ::kill(pid_t(holding->processId()), SIGKILL);
        QVERIFY(holding->waitForFinished(5000));
    }
    if (holder == QLatin1String("orphaned")) {
        QVERIFY(shmctl(id, IPC_STAT, &info) == 0 && info.shm_nattch == 1);
        QVERIFY(::kill(info.shm_cpid, 0) != 0 && errno == ESRCH);
    }

    QCOMPARE(programRuns(), starts ? 1 : 0);
    QProcess* copy = startApp({}, QProcess::SeparateChannels);
    if (starts) {
        QVERIFY2(RunsGuarded(copy), qPrintable(Describe(copy)));
        QVERIFY(Refused(startApp({}, QProcess::SeparateChannels)));
        QCOMPARE(programRuns(), 0);
    } else {
        QVERIFY2(Refused(copy), qPrintable(Describe(copy)));
    }
    QVERIFY2(shmctl(id, IPC_STAT, &info) == 0 && QFileInfo::exists(keyFile), "a segment not the guard's own was removed");
}

VORANTEL_TEST_MAIN(TestStartup)
#include "tst_startup.moc"
