#include "scripttest.h"
#include "singleinstance.h"

#include <QScopeGuard>
#include <QTemporaryDir>

#include <unistd.h>

using namespace ScriptTest;

// ./run.sh's server step and the password: the server and the program's settings get the same one, the step's lines
// say what it did, and a running program keeps the password it logged in with. One server for every test.
class TestConnectionsPassword : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void passwordFileAsTheSettingsReadIt_data();
    void passwordFileAsTheSettingsReadIt();
    void resetLineNamesWhatChanged_data();
    void resetLineNamesWhatChanged();
    void waitForTheLockIsSaid();
    void lockFileIsTheOwnersOnly();
    void newerServerPassesTheVersionTest();
    void runningProgramKeepsItsPassword_data();
    void runningProgramKeepsItsPassword();

private:
    Outcome Step(const QProcessEnvironment& env = QProcessEnvironment());
    QString File(const QString& name) const { return home.path() + QStringLiteral("/vorantel/") + name; }
    int Port() const { return TestSupport::ReadFile(File(QStringLiteral("server.port"))).trimmed().toInt(); }
    bool WritePassword(const QByteArray& bytes) const { return TestSupport::WriteFile(File(QStringLiteral("server.password")), bytes); }
    // Whether vorantel logs in to the step's server with the password.
    bool LogsIn(const QString& password) const
    {
        return LogIn(Port(), QStringLiteral("vorantel"), password, QStringLiteral("SELECT 'in'")) == QLatin1String("in");
    }
    QString Setting(const QString& key, const QString& value = QString()) { return StepSetting(home.path(), key, value); }

    QTemporaryDir home{TestSupport::ShortTempTemplate(QStringLiteral("conn"))};
    QTemporaryDir runtime{Runtime()};
};

Outcome TestConnectionsPassword::Step(const QProcessEnvironment& env)
{
    return RunServerStep(home.path(), env.isEmpty() ? Session(runtime.path()) : env);
}

void TestConnectionsPassword::initTestCase()
{
    QVERIFY(home.isValid() && runtime.isValid());
    QCOMPARE(StepFromTemplate(home.path()), QString());
    const Outcome step = Step();
    QVERIFY2(step.code == 0, qPrintable(step.output));
    QVERIFY(LogsIn(Setting(QStringLiteral("DB_PASSWORD"))));
}

void TestConnectionsPassword::cleanupTestCase()
{
    Script({QStringLiteral("stop"), File(QStringLiteral("mariadb"))}, Session(runtime.path()));
}

// Each test starts with settings of the step's own that log in, whatever the one before left.
void TestConnectionsPassword::init()
{
    Setting(QStringLiteral("DB_SERVER"), QStringLiteral("127.0.0.1"));
    if (!LogsIn(Setting(QStringLiteral("DB_PASSWORD")))) {
        QVERIFY(WritePassword("settled_pw_1"));
        const Outcome step = Step();
        QVERIFY2(step.code == 0, qPrintable(step.output));
    }
}

void TestConnectionsPassword::passwordFileAsTheSettingsReadIt_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("password"); // the one the server and the settings get; empty: the file is refused
    QTest::addColumn<QString>("refusal");  // its line's start, after the file's name
    // As editors write "UTF-8 with BOM": the settings drop one mark when they read the password.
    QTest::newRow("a byte-order mark before it") << QByteArray("\xEF\xBB\xBF" "bom_pw_1\n") << "bom_pw_1" << "";
    QTest::newRow("two byte-order marks before it") << QByteArray("\xEF\xBB\xBF\xEF\xBB\xBF" "bom_pw_2") << "bom_pw_2" << "";
    QTest::newRow("a byte-order mark only") << QByteArray("\xEF\xBB\xBF\r\n") << "" << " holds no password;";
    // Bytes that iconv lets through and the settings read as something else.
    QTest::newRow("a code point past U+10FFFF") << QByteArray("pw\xF4\x90\x80\x80") << "" << " is not UTF-8 text;";
    QTest::newRow("a five-byte form") << QByteArray("pw\xF8\x88\x80\x80\x80") << "" << " is not UTF-8 text;";
    QTest::newRow("a surrogate") << QByteArray("pw\xED\xA0\x80") << "" << " is not UTF-8 text;";
    QTest::newRow("an overlong form") << QByteArray("pw\xE0\x80\xAF") << "" << " is not UTF-8 text;";
    QTest::newRow("the last code point") << QByteArray("pw_\xF4\x8F\xBF\xBF") << "pw_\U0010FFFF" << "";
}

// The settings' password logs in, or the file is refused, naming it, with the server and the settings left alone.
void TestConnectionsPassword::passwordFileAsTheSettingsReadIt()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, password);
    QFETCH(QString, refusal);
    const QString before = Setting(QStringLiteral("DB_PASSWORD"));
    QVERIFY(WritePassword(file));
    const Outcome step = Step();
    if (password.isEmpty()) {
        QVERIFY2(step.code == 1 && step.output.startsWith(File(QStringLiteral("server.password")) + refusal), qPrintable(step.output));
        QCOMPARE(Setting(QStringLiteral("DB_PASSWORD")), before);
        QVERIFY(LogsIn(before));
    } else {
        QVERIFY2(step.code == 0, qPrintable(step.output));
        QCOMPARE(Setting(QStringLiteral("DB_PASSWORD")), password);
        QVERIFY(LogsIn(password));
    }
}

void TestConnectionsPassword::resetLineNamesWhatChanged_data()
{
    QTest::addColumn<QString>("settings"); // whose the settings are
    QTest::addColumn<QString>("password"); // written to the file; empty: set on the server by hand instead
    QTest::addColumn<QString>("have");     // the reset line's end
    QTest::newRow("the step's own") << "own" << "reset_pw_1" << "the server and the program's settings now have the file's.";
    QTest::newRow("for another server") << "another server" << "reset_pw_2" << "the server now has the file's.";
    QTest::newRow("the step's own, holding the file's password") << "own" << "" << "the server now has the file's.";
}

// The reset line speaks of the settings only when the step changed them.
void TestConnectionsPassword::resetLineNamesWhatChanged()
{
    QFETCH(QString, settings);
    QFETCH(QString, password);
    QFETCH(QString, have);
    const QString before = Setting(QStringLiteral("DB_PASSWORD"));
    if (password.isEmpty()) {
        QCOMPARE(LogIn(Port(), QStringLiteral("vorantel"), before,
                       QStringLiteral("ALTER USER 'vorantel'@'127.0.0.1' IDENTIFIED BY 'hand_pw_1',"
                                      " 'vorantel'@'localhost' IDENTIFIED BY 'hand_pw_1'")),
                 QString());
        password = before;
    } else {
        QVERIFY(WritePassword(password.toUtf8()));
    }
    if (settings == QLatin1String("another server"))
        Setting(QStringLiteral("DB_SERVER"), QStringLiteral("db.example"));
    const Outcome step = Step();
    QVERIFY2(step.code == 0, qPrintable(step.output));
    const QString line = QStringLiteral("The server's password for vorantel was not the one in %1 (set on the server by hand, or the file"
                                        " changed); %2")
                             .arg(File(QStringLiteral("server.password")), have);
    QVERIFY2(step.output.split(QLatin1Char('\n')).contains(line), qPrintable(step.output));
    QCOMPARE(Setting(QStringLiteral("DB_PASSWORD")), settings == QLatin1String("own") ? password : before);
    QVERIFY(LogsIn(password));
}

// A step that finds another one's lock says at once that it waits, and for how long at most, then goes on.
void TestConnectionsPassword::waitForTheLockIsSaid()
{
    const QString lock = File(QStringLiteral("mariadb.lock"));
    QProcess holder; // holds the lock until its input ends
    holder.start(QStringLiteral("flock"), {lock, QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo held; cat")});
    QVERIFY(holder.waitForReadyRead(10000));
    QProcess step;
    step.setProcessChannelMode(QProcess::MergedChannels);
    step.setProcessEnvironment(StepEnvironment(home.path(), Session(runtime.path())));
    step.start(QStringLiteral(VORANTEL_SCRIPTS_DIR "/run-server.sh"), {QStringLiteral(SEED_SETTINGS)});
    const auto end = qScopeGuard([&] {
        holder.kill();
        holder.waitForFinished();
        step.kill();
        step.waitForFinished();
    });
    const QString line = QStringLiteral("Another ./run.sh is setting up the server of %1 (it holds %2); waiting for it to end,"
                                        " 120 s at most ...\n")
                             .arg(File(QStringLiteral("mariadb")), lock);
    QByteArray said;
    QDeadlineTimer deadline(5000);
    while (!said.contains(line.toUtf8()) && step.waitForReadyRead(int(deadline.remainingTime())))
        said += step.readAll();
    QVERIFY2(said == line.toUtf8(), said.constData());
    holder.closeWriteChannel();
    QVERIFY(step.waitForFinished(60000));
    said += step.readAll();
    QVERIFY2(step.exitCode() == 0 && said == line.toUtf8(), said.constData());
}

// Only this account opens the lock: a shared lock of another account's would hold every step up.
void TestConnectionsPassword::lockFileIsTheOwnersOnly()
{
    VORANTEL_SKIP_UNLESS_ALLOWED(TestSupport::CannotActAsAnotherAccount());
    const QString lock = File(QStringLiteral("mariadb.lock"));
    QVERIFY(QFile::remove(lock));
    const Outcome step = Step();
    QVERIFY2(step.code == 0, qPrintable(step.output));
    QCOMPARE(QFile::permissions(lock), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    // The folders open to others, as a home may be.
    const auto shut = qScopeGuard([this] { QFile::setPermissions(home.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner); });
    QVERIFY(QFile::setPermissions(home.path(), QFile::permissions(home.path()) | QFile::ReadOther | QFile::ExeOther));
    const Outcome taken = RunProgram(QStringLiteral("setpriv"),
                                     {QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                                      QStringLiteral("flock"), QStringLiteral("-n"), QStringLiteral("-s"), lock, QStringLiteral("true")},
                                     QProcessEnvironment::systemEnvironment());
    QVERIFY2(taken.code != 0 && taken.output.contains(QLatin1String("Permission denied")), qPrintable(taken.output));
}

// Closing the accounts needs MariaDB 10.6 or later: a later major version passes, whatever its minor one.
void TestConnectionsPassword::newerServerPassesTheVersionTest()
{
    QTemporaryDir bin;
    const QString client = bin.filePath(QStringLiteral("mariadb"));
    const QString asked = bin.filePath(QStringLiteral("asked"));
    // A client whose server reports 11.4, and that notes each time it is asked.
    QVERIFY(TestSupport::WriteFile(client, "#!/bin/bash\nv=\"'11.4.2-MariaDB-ubu2404'\"\nfor a; do\n"
                                           "  [[ $a != *'VERSION()'* ]] || echo >>'" + asked.toLocal8Bit() + "'\n"
                                           "  set -- \"$@\" \"${a//VERSION()/$v}\"; shift\ndone\nexec '"
                                               + QStandardPaths::findExecutable(QStringLiteral("mariadb")).toLocal8Bit() + "' \"$@\"\n")
            && QFile::setPermissions(client, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QProcessEnvironment env = Session(runtime.path());
    env.insert(QStringLiteral("PATH"), bin.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    const Outcome step = Step(env);
    QVERIFY2(step.code == 0 && step.output.isEmpty(), qPrintable(step.output));
    QVERIFY(QFileInfo::exists(asked));
    QVERIFY(LogsIn(Setting(QStringLiteral("DB_PASSWORD"))));
}

void TestConnectionsPassword::runningProgramKeepsItsPassword_data()
{
    QTest::addColumn<bool>("serverUp");
    QTest::addColumn<QString>("password"); // written to the file; empty: the server's own
    QTest::newRow("server down, password changed") << false << "later_pw_1";
    QTest::newRow("server up, password changed") << true << "later_pw_2";
    QTest::newRow("server down, password unchanged") << false << "";
    QTest::newRow("server up, password unchanged") << true << "";
}

// With the program running, the step says so in one line (the second copy ./run.sh starts exits without a word); a
// changed password waits for the first step after the program has ended, and only a changed one; a stopped server is
// started all the same.
void TestConnectionsPassword::runningProgramKeepsItsPassword()
{
    QFETCH(bool, serverUp);
    QFETCH(QString, password);
    const QString old = Setting(QStringLiteral("DB_PASSWORD"));
    QVERIFY(LogsIn(old));
    // The guard's lock in the step's data folder, where the program the step's ./run.sh starts takes it.
    const QByteArray savedData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path()));
    SingleInstanceLock guard;
    const bool held = AcquireSingleInstance(guard) && guard.held();
    qputenv("XDG_DATA_HOME", savedData);
    QVERIFY(held);
    if (!serverUp)
        QCOMPARE(Script({QStringLiteral("stop"), File(QStringLiteral("mariadb"))}, Session(runtime.path())), QString());
    QVERIFY(WritePassword((password.isEmpty() ? old : password).toUtf8() + '\n'));
    Outcome step = Step();
    QVERIFY2(step.code == 0, qPrintable(step.output));
    const QString line = password.isEmpty()
        ? QStringLiteral("The program already runs, so no second copy starts.")
        : QStringLiteral("The program already runs, so no second copy starts, and the server keeps its password for"
                         " vorantel, not the one in %1, while it runs: the first ./run.sh after the program has"
                         " ended gives the file's to the server and the program's settings.")
              .arg(File(QStringLiteral("server.password")));
    QStringList said = step.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(said.removeAll(QStringLiteral("Starting the private MariaDB server ...")), serverUp ? 0 : 1);
    QVERIFY2(said == QStringList{line}, qPrintable(step.output));
    QVERIFY(LogsIn(old));
    QCOMPARE(Setting(QStringLiteral("DB_PASSWORD")), old);
    QCOMPARE(Setting(QStringLiteral("DB_PORT")), QString::number(Port()));

    guard.release();
    step = Step();
    QVERIFY2(step.code == 0 && !step.output.contains(QLatin1String("The program already runs")), qPrintable(step.output));
    if (!password.isEmpty()) {
        QCOMPARE(Setting(QStringLiteral("DB_PASSWORD")), password);
        QVERIFY(LogsIn(password));
    }
}

VORANTEL_TEST_MAIN(TestConnectionsPassword)
#include "tst_connections_password.moc"
