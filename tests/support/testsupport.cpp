#include "testsupport.h"

#include "appsettings.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QEventLoop>
#include <QTimer>
#include <QFile>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTextDocument>
#include <QTextEdit>
#include <QToolTip>

#include <grp.h>
#include <pwd.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

namespace TestSupport {

QString ScratchDir()
{
    QString dir = qEnvironmentVariable("VORANTEL_TEST_SCRATCH");
    if (dir.isEmpty())
        dir = QDir::tempPath() + QStringLiteral("/vorantel-test-") + QString::number(QCoreApplication::applicationPid());
    return dir;
}

void PrepareEnvironment()
{
    // Environment variables only: this runs before QCoreApplication exists.
    QString dir = qEnvironmentVariable("VORANTEL_TEST_SCRATCH");
    if (dir.isEmpty()) {
        dir = QDir::tempPath() + QStringLiteral("/vorantel-test-scratch");
        qputenv("VORANTEL_TEST_SCRATCH", dir.toUtf8());
    }
    // A folder a killed row left unwritable would keep its files (and a plain account's rm -rf) in place.
    QDirIterator folders(dir, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDirIterator::Subdirectories);
    while (folders.hasNext()) {
        const QString folder = folders.next();
        QFile::setPermissions(folder, QFile::permissions(folder) | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOwner);
    }
    QDir(dir).removeRecursively();
    for (const char* sub : {"config", "data", "tmp", "home"})
        QDir().mkpath(dir + QLatin1Char('/') + QLatin1String(sub));
    qputenv("XDG_CONFIG_HOME", (dir + QStringLiteral("/config")).toUtf8());
    qputenv("XDG_DATA_HOME", (dir + QStringLiteral("/data")).toUtf8());
    qputenv("TMPDIR", (dir + QStringLiteral("/tmp")).toUtf8());
    qputenv("HOME", (dir + QStringLiteral("/home")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

QString ShortTempTemplate(const QString& name)
{
    const QString root = qEnvironmentVariable("VORANTEL_TEST_TMP");
    return (root.isEmpty() ? QStringLiteral("/tmp/vorantel-") : root + QLatin1Char('/')) + name + QStringLiteral(".XXXXXX");
}

QString ProgramsTemplate(const QString& name)
{
    const QString folder = ScratchDir() + QStringLiteral("/programs");
    QDir().mkpath(folder);
    return folder + QLatin1Char('/') + name + QStringLiteral(".XXXXXX");
}

bool WriteProgram(const QString& path, const QByteArray& script)
{
    if (!WriteFile(path, script)
        || !QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner)) {
        qWarning("the program %s could not be written", qPrintable(path));
        return false;
    }
    struct statvfs mount;
    if (::statvfs(QFile::encodeName(path).constData(), &mount) != 0 || (mount.f_flag & ST_NOEXEC) != 0
        || ::access(QFile::encodeName(path).constData(), X_OK) != 0) {
        qWarning("the program %s cannot be run: its folder's file system does not let programs run", qPrintable(path));
        return false;
    }
    return true;
}

namespace {
// Whether a child of this process can take on nobody's user and group ids, as setpriv does.
bool ChildBecomesNobody()
{
    const passwd* nobody = ::getpwnam("nobody");
    if (!nobody)
        return false;
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(::setgroups(0, nullptr) == 0 && ::setresgid(gid, gid, gid) == 0 && ::setresuid(uid, uid, uid) == 0 ? 0 : 1);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
} // namespace

QString CannotActAsAnotherAccount()
{
    static const bool can = ChildBecomesNobody();
    return can ? QString()
               : QStringLiteral("needs to act as another account (nobody), which this computer does not let this "
                                "process do; ./test.sh run by the computer's root (not a container's) runs it");
}

namespace {
// Why a row that needs a namespace of the kind cannot have one: what contained.sh found, or that it did not run it.
QString NoNamespace(const char* kind)
{
    const QString why = qEnvironmentVariable("VORANTEL_TEST_NO_NAMESPACE");
    return QStringLiteral("needs %1 of its own: %2")
        .arg(QLatin1String(kind),
             why.isEmpty() ? QStringLiteral("run it through tests/support/contained.sh, as ./test.sh does") : why);
}
} // namespace

QString NoNetworkOfItsOwn()
{
    return qEnvironmentVariable("VORANTEL_TEST_NETWORK") == QLatin1String("own") ? QString() : NoNamespace("a network");
}

QString CannotListenAsAnotherAccount()
{
    const QString why = CannotActAsAnotherAccount();
    return why.isEmpty() ? NoNetworkOfItsOwn() : why;
}

QString NoSegmentTableOfItsOwn()
{
    return qEnvironmentVariable("VORANTEL_TEST_IPC") == QLatin1String("own") ? QString()
                                                                             : NoNamespace("a segment table (an IPC namespace)");
}

void ClearSettings()
{
    QSettings* store = AppSettings::Instance()->settings;
    store->clear();
    store->sync();
}

QSettings* Settings()
{
    return AppSettings::Instance()->settings;
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Idle()
{
    QEventLoop loop;
    QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
    QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, &loop, [&] {
        if (!dispatcher->hasPendingEvents())
            loop.quit();
    });
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
}

namespace {
// Where a click aimed at each of them lands: "name x,y wxh" in the window.
QStringList ClickablePlaces(QWidget* window)
{
    QStringList places;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const bool clickable = qobject_cast<QAbstractButton*>(widget) || qobject_cast<QLineEdit*>(widget)
            || qobject_cast<QComboBox*>(widget) || qobject_cast<QAbstractSpinBox*>(widget)
            || qobject_cast<QAbstractItemView*>(widget) || qobject_cast<QTextEdit*>(widget);
        // Parts of Qt's own widgets (a spin box's field, a view's scroll bars) move with their widget.
        if (!clickable || widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_"))
            || !widget->isVisibleTo(window))
            continue;
        const QPoint at = widget->mapTo(window, QPoint(0, 0));
        places << QStringLiteral("%1 %2,%3 %4x%5").arg(widget->objectName()).arg(at.x()).arg(at.y())
                      .arg(widget->width()).arg(widget->height());
    }
    places.sort();
    return places;
}
} // namespace

QString MovedByMessage(QWidget* window, QLabel* status, const QString& message)
{
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return QStringLiteral("window not shown");
    Idle();
    const QStringList still = ClickablePlaces(window);
    QStringList moved;
    for (const QString& text : {message, QString()}) {
        status->setText(text);
        Idle();
        const QStringList now = ClickablePlaces(window);
        for (int i = 0; i < now.size(); ++i) {
            if (now.at(i) != still.value(i))
                moved << still.value(i) + QStringLiteral(" -> ") + now.at(i);
        }
    }
    return moved.join(QLatin1Char('\n'));
}

bool ShowsFirstLineWhole(QLabel* status)
{
    // A sibling, so that it takes the same style sheets from the window.
    QLabel spare(status->parentWidget());
    spare.setStyleSheet(status->styleSheet());
    spare.setWordWrap(status->wordWrap());
    spare.setAlignment((status->alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop);
    spare.setContentsMargins(status->contentsMargins());
    spare.setMargin(status->margin());
    spare.setTextFormat(status->textFormat());
    spare.setText(status->text());
    const int line = status->fontMetrics().height();
    spare.resize(status->width(), status->height() + 10 * line);
    const QRect first(0, 0, status->width(), status->contentsMargins().top() + status->margin() + line);
    return status->height() >= first.height()
        && status->grab().toImage().copy(first) == spare.grab().toImage().copy(first);
}

QString HoverTip(QWidget* widget)
{
    // A tip shown before goes away only after a while: it is taken away at once.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->objectName() == QLatin1String("qtooltip_label"))
            window->hide();
    }
    const QPoint at = widget->visibleRegion().boundingRect().topLeft() + QPoint(1, 1);
    QHelpEvent hover(QEvent::ToolTip, at, widget->mapToGlobal(at));
    QApplication::sendEvent(widget, &hover);
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

QString AsShown(const QString& text, Qt::TextFormat format)
{
    if (format == Qt::PlainText || (format == Qt::AutoText && !Qt::mightBeRichText(text)))
        return text;
    QTextDocument rendered;
    rendered.setHtml(text);
    return rendered.toPlainText();
}

} // namespace TestSupport

static void SetDisplayFormats(const QVariant& dateFormat, const QVariant& language)
{
    QSettings* store = TestSupport::Settings();
    for (const auto& [key, value] : {std::make_pair("DATE_FORMAT", dateFormat), std::make_pair("locale_lang_index", language)})
        value.isValid() ? store->setValue(QLatin1String(key), value) : store->remove(QLatin1String(key));
    AppSettings::Instance()->LoadDateFormat();
    AppSettings::Instance()->LoadLocale();
}

DayFirstFormats::DayFirstFormats()
    : dateFormat(TestSupport::Settings()->value(QStringLiteral("DATE_FORMAT")))
    , language(TestSupport::Settings()->value(QStringLiteral("locale_lang_index")))
    , locale(*AppSettings::Instance()->locale)
{
    SetDisplayFormats(QStringLiteral("DD/MM/YYYY"), int(QLocale::English));
}

DayFirstFormats::~DayFirstFormats()
{
    SetDisplayFormats(dateFormat, language);
    *AppSettings::Instance()->locale = locale;
}

// Each set in a folder of its own: the program keeps what it learned from the programs on a PATH
// for as long as that PATH is in force, so a new set must be a new PATH.
static int standInSets = 0;

StandInPrograms::StandInPrograms()
    : folder(TestSupport::ScratchDir() + QStringLiteral("/stand-in-programs-%1").arg(++standInSets))
    , savedPath(qgetenv("PATH"))
{
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    qputenv("PATH", QFile::encodeName(folder));
}

StandInPrograms::~StandInPrograms()
{
    qputenv("PATH", savedPath);
    QDir(folder).removeRecursively();
}

bool StandInPrograms::add(const QString& name, const QByteArray& body)
{
    return TestSupport::WriteProgram(folder + QLatin1Char('/') + name, "#!/bin/sh\n" + body + '\n');
}
