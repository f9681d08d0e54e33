#include "backupdialog.h"
#include "ui_backupdialog.h"

#include "appsettings.h"
#include "constants.h"
#include "databasefailure.h"
#include "databasehooks.h"
#include "databasemanager.h"
#include "progress.h"

#include <QDateTime>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTemporaryFile>

#include <array>

namespace {

const QString KeyDumpPath = QStringLiteral("path_to_mysqldump");
const QString KeyBackupFolder = QStringLiteral("path_to_backup_folder");
const QString KeyRecentLocation = QStringLiteral("RECENT_LOCATION");

const QString WorkbenchDownloadUrl = QStringLiteral("https://dev.mysql.com/downloads/workbench/");

struct Dump
{
    QString database;
    QString outputPath;
    QProcess process;
    QString refused; // why it was not started
};

// A value for the client's option file: quoted, so that '#' and blanks survive,
// with the escapes that the option-file reader turns back into characters.
QByteArray OptionValue(const QString& text)
{
    QString out = QStringLiteral("\"");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '"':
            out += QLatin1String("\\\"");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        default:
            out += c;
        }
    }
    out += QLatin1Char('"');
    return out.toUtf8();
}

// The dump program has no connect bound of its own: a server that takes the connection and never answers would hold
// it without end. The server is asked first, with the program's bound: empty when it answers; a refused login is
// told in the program's words, as every screen tells it.
QString ServerUnreachable(const QString& server, const QString& port, const QString& user, const QString& password)
{
    const QString name = QStringLiteral("BACKUP_CHECK");
    QString reason;
    {
        QSqlDatabase db = AddConnection(name);
        // As the dump program connects: its defaults where the settings give nothing.
        if (!server.isEmpty())
            db.setHostName(server);
        db.setPort(PortOwner::PortFromText(port)); // 0, the default, when empty
        db.setUserName(user);
        db.setPassword(password);
        if (const PortOwner::Refusal refusal = PortOwner::Check(db))
            reason = DatabaseFailure::RefusalReason(refusal, true);
        else if (!OpenConnection(db)) {
            if (const PortOwner::Refusal refused = DatabaseFailure::LoginRefusal(db))
                reason = DatabaseFailure::RefusalReason(refused, true);
            else if (DatabaseFailure::Unreachable(db.lastError()))
                reason = DatabaseFailure::WriteReason(db);
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return reason;
}

// Empty when the dump ran to the end and left a file behind.
QString DumpFailure(Dump& dump)
{
    if (!dump.refused.isEmpty())
        return dump.refused;
    QProcess& p = dump.process;
    if (p.error() == QProcess::FailedToStart)
        return Backupdialog::tr("The program could not be started: %1").arg(p.errorString());
    if (p.exitStatus() == QProcess::CrashExit)
        return Backupdialog::tr("The program stopped unexpectedly: %1").arg(p.errorString());
    if (p.exitCode() != 0) {
        const QString errors = QString::fromLocal8Bit(p.readAllStandardError()).trimmed();
        if (!errors.isEmpty())
            return errors;
        return Backupdialog::tr("The program ended with exit code %1.").arg(p.exitCode());
    }
    if (QFileInfo(dump.outputPath).size() == 0)
        return Backupdialog::tr("No backup file was written.");
    return QString();
}

} // namespace

Backupdialog::Backupdialog(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::Backupdialog)
{
    ui->setupUi(this);
    QSettings* store = AppSettings::Instance()->settings;
    ui->lineMysqlDumpPath->setText(store->value(KeyDumpPath, QString()).toString());
    ui->lineEdit->setText(store->value(KeyBackupFolder, QString()).toString());
    if (!ui->lineEdit->text().isEmpty())
        ui->pushButtonBackup->setEnabled(true);
}

Backupdialog::~Backupdialog()
{
    delete ui;
}

void Backupdialog::on_pushSelectExe_clicked()
{
    QString start = AppSettings::Instance()->settings->value(KeyRecentLocation, QString()).toString();
    if (start.isEmpty())
        start = QStringLiteral("/home");
    const QString exeFilter = tr("Exe Files (*.exe)");
#ifdef Q_OS_WIN
    const QString filter = exeFilter;
    QString selectedFilter = exeFilter;
#else
    // Here the dump program has no ".exe": offer every file too, and first.
    const QString allFilter = tr("All Files (*)");
    const QString filter = exeFilter + QStringLiteral(";;") + allFilter;
    QString selectedFilter = allFilter;
#endif
    const QString file = QFileDialog::getOpenFileName(this, tr("Select EXE"), start, filter, &selectedFilter);
    if (!file.isEmpty())
        ui->lineMysqlDumpPath->setText(file);
}

void Backupdialog::on_pushButtonSelect_clicked()
{
    QFileDialog dialog(this);
    dialog.setModal(true);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted)
        return;
    // The folder the user picked; directory() alone would be the one that was being browsed.
    QString folder = dialog.selectedFiles().value(0);
    if (folder.isEmpty())
        folder = dialog.directory().absolutePath();
    ui->lineEdit->setText(QDir(folder).absolutePath());
    ui->pushButtonBackup->setEnabled(true);
}

void Backupdialog::on_pushButtonBackup_clicked()
{
    const QString title = tr("Backup");
    const QString program = ui->lineMysqlDumpPath->text();
    if (program.isEmpty() || !QFileInfo(program).isFile()) {
        QMessageBox::information(this, title, tr("Path to mysqldump.exe is not correct."));
        return;
    }
    const QString folder = ui->lineEdit->text();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        QMessageBox::information(this, title,
                                 tr("The destination folder [%1] does not exist. Please select another folder.").arg(folder));
        return;
    }

    QSettings* store = AppSettings::Instance()->settings;
    const QString server = store->value(DB_SERVER, QString()).toString();
    const QString port = store->value(DB_PORT, QString()).toString();
    const QString user = store->value(DB_USER, QString()).toString();
    const QString password = store->value(DB_PASSWORD, QString()).toString();

    std::array<Dump, 2> dumps;
    dumps[0].database = store->value(ACTIVE_INVENTORY_DB, QString()).toString();
    dumps[1].database = store->value(ACTIVE_SALES_DB, QString()).toString();
    if (dumps[0].database.isEmpty()) {
        QMessageBox::information(this, title, tr("No inventory database is active. Nothing was saved."));
        return;
    }
    if (dumps[1].database.isEmpty()) {
        QMessageBox::information(this, title, tr("No sales database is active. Nothing was saved."));
        return;
    }

    // The password goes to the dump program in a file only this user can read,
    // never on its command line where every user of the computer could see it.
    QTemporaryFile options(QDir::tempPath() + QStringLiteral("/vorantel-dump-XXXXXX.cnf"));
    if (!options.open() || options.write("[client]\npassword=" + OptionValue(password) + "\n") < 0 || !options.flush()) {
        QMessageBox::warning(this, title, tr("The backup could not be prepared: %1").arg(options.errorString()));
        return;
    }
    options.close();

    QStringList common{QStringLiteral("--defaults-extra-file=") + options.fileName()};
    if (!server.isEmpty())
        common << QStringLiteral("--host=") + server;
    if (!port.isEmpty())
        common << QStringLiteral("--port=") + port;
    if (!user.isEmpty())
        common << QStringLiteral("--user=") + user;
    common << QStringLiteral("--add-drop-table");

    const QStringList suffixes{QStringLiteral("vorantel_inventory.sql"), QStringLiteral("vorantel_sales.sql")};

    Progress progress(this, tr("Backing up databases..."));
    progress.show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    const QString unreachable = ServerUnreachable(server, port, user, password);
    if (!unreachable.isEmpty()) {
        progress.close();
        QMessageBox::warning(this, title, unreachable);
        return;
    }

    QEventLoop loop;
    auto allEnded = [&dumps] {
        for (const Dump& d : dumps) {
            if (d.process.state() != QProcess::NotRunning)
                return false;
        }
        return true;
    };
    auto quitWhenAllEnded = [&] {
        if (allEnded())
            loop.quit();
    };

    DatabaseHooks::Dumping();
    for (std::size_t i = 0; i < dumps.size(); ++i) {
        Dump& d = dumps[i];
        d.outputPath = folder + QLatin1Char('/')
                       + QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HH-mm-ss-")) + suffixes.at(int(i));
        // Queued: the process state is final by the time the check runs.
        connect(&d.process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), &loop, quitWhenAllEnded,
                Qt::QueuedConnection);
        connect(&d.process, &QProcess::errorOccurred, &loop, quitWhenAllEnded, Qt::QueuedConnection);
        d.process.setStandardInputFile(QProcess::nullDevice());
        d.process.setProgram(program);
        // "--" ends the options, so no database name is ever read as one.
        d.process.setArguments(common + QStringList{QStringLiteral("--result-file=") + d.outputPath,
                                                    QStringLiteral("--"), d.database});
        // Each dump logs in on its own: the port is looked at again just before.
        const PortOwner::Refusal refusal =
            PortOwner::Check(server, PortOwner::PortFromText(port), user);
        if (refusal)
            d.refused = DatabaseFailure::RefusalReason(refusal, true);
        else
            d.process.start(QIODevice::ReadOnly);
    }
    // Both dumps run side by side; neither is cut short.
    if (!allEnded())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    progress.close();

    QStringList failures;
    for (Dump& d : dumps) {
        const QString failure = DumpFailure(d);
        if (failure.isEmpty())
            continue;
        // A half-written file must not pass for a backup.
        QFile::remove(d.outputPath);
        failures << tr("The backup of database [%1] failed:\n%2").arg(d.database, failure);
    }
    if (!failures.isEmpty()) {
        QMessageBox::warning(this, title, failures.join(QStringLiteral("\n\n")));
        return;
    }

    QMessageBox::information(this, title,
                             tr("Backup operation completed successfully. All the data has been saved in SQL file. "
                                "Please use MySQL Workbench tool for restoring the backup. This tool is freely "
                                "available from ")
                                 + WorkbenchDownloadUrl);
    store->setValue(KeyDumpPath, ui->lineMysqlDumpPath->text());
    store->setValue(KeyBackupFolder, ui->lineEdit->text());
}

void Backupdialog::on_pushButtonClose_clicked()
{
    close();
}
