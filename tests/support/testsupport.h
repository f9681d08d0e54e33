#pragma once

#include <QApplication>
#include <QLocale>
#include <QSettings>
#include <QString>
#include <QtTest>

class QLabel;

// Shared start of every test program: a scratch folder of its own for the settings
// store, the data folder and the temporary folder, prepared before Qt reads them.
namespace TestSupport {

// Empties the scratch folder and points XDG_CONFIG_HOME, XDG_DATA_HOME, TMPDIR and HOME at it.
void PrepareEnvironment();
// A QTemporaryDir template for a folder whose path must stay short (a server's socket lives below it): in the run's
// own temporary folder, which tests/support/contained.sh removes however the program ends; /tmp run by hand.
QString ShortTempTemplate(const QString& name);
// A QTemporaryDir template for a folder of programs a test writes (stand-ins, hooks): in the scratch folder, never in
// /tmp, which may be mounted without the right to run programs.
QString ProgramsTemplate(const QString& name);
// Writes an executable script (its first line included) that this account runs; false, with a warning saying why,
// when it cannot be written or its folder does not let programs run: a row must not pass over its stand-in to the
// real program of the same name further along the PATH.
bool WriteProgram(const QString& path, const QByteArray& script);

// What this computer lets the test do, asked of it, never read from the user id: empty when it may, else why not,
// the reason a row that needs it skips with (VORANTEL_SKIP_UNLESS_ALLOWED). ./test.sh counts the rows by reason.
// Starting processes as another account (nobody) and giving files to it.
QString CannotActAsAnotherAccount();
// Holding ports and listening as other accounts do: only in a network of its own (contained.sh --network), where
// nothing it holds is another test's concern.
QString NoNetworkOfItsOwn();
// Both: a listener or port holder of another account's is every other test's concern outside a network of its own.
QString CannotListenAsAnotherAccount();
// Holding System V segments, up to the whole table: only in an IPC namespace of its own.
QString NoSegmentTableOfItsOwn();
QString ScratchDir();
// Removes every key from the program's settings store (the file stays where it is).
void ClearSettings();
QSettings* Settings();
// Writes a file whole; false when it cannot.
bool WriteFile(const QString& path, const QByteArray& data);
QByteArray ReadFile(const QString& path);
// Runs the event loop until it would wait with nothing pending, as it does once a user's action has ended and its
// results are painted (QTest::qWait and QTRY_* process events without ever waiting).
void Idle();
// The shown buttons, fields and lists of the window (shown first if it is not) that move or change size while the
// status label shows the message and after it is cleared, "name x,y wxh -> name x,y wxh" a line; empty when
// nothing moves.
QString MovedByMessage(QWidget* window, QLabel* status, const QString& message);
// Whether the status label shows the first line of its text whole, as a label of its look and width with room to
// spare shows it at its top: a message taller than the label's room must not show its first line cut.
bool ShowsFirstLineWhole(QLabel* status);
// The tool tip that a pointer resting on the widget's first seen pixel brings up (the event Qt sends it then), as
// shown; empty when none shows.
QString HoverTip(QWidget* widget);
// A label's or a tool tip's text as the user reads it: Qt renders text of that format that looks like markup.
QString AsShown(const QString& text, Qt::TextFormat format = Qt::AutoText);

} // namespace TestSupport

#define VORANTEL_SKIP_UNLESS_ALLOWED(reason)                \
    do {                                                    \
        const QString whyNot_ = (reason);                   \
        if (!whyNot_.isEmpty())                             \
            QSKIP(qPrintable(whyNot_));                     \
    } while (false)

// Stand-ins for programs that the program runs by name (xdg-mime, xdg-open): scripts in a folder of the
// scratch area, new for each object, that is, while the object lives, the whole PATH, so that no
// installed program answers instead.
class StandInPrograms
{
public:
    StandInPrograms();
    ~StandInPrograms();
    // An executable shell script of that name (body after "#!/bin/sh"); false when it cannot be written.
    bool add(const QString& name, const QByteArray& body);

private:
    QString folder;
    QByteArray savedPath;
};

// For one test: dates shown day first ("dd-MM-yyyy") and amounts in English ("1,234.50"), the formats in
// which a list sorted by its texts puts numbers and dates out of order; the formats before come back after it.
class DayFirstFormats
{
public:
    DayFirstFormats();
    ~DayFirstFormats();

private:
    const QVariant dateFormat;
    const QVariant language;
    const QLocale locale;
};

// A named child that must exist: a missing one ends the test program at once.
template <typename T>
T* Child(const QObject* parent, const char* name)
{
    T* child = parent->findChild<T*>(QLatin1String(name));
    if (!child)
        qFatal("no child %s", name);
    return child;
}

#define VORANTEL_TEST_MAIN(TestObject)                    \
    int main(int argc, char* argv[])                      \
    {                                                     \
        TestSupport::PrepareEnvironment();                \
        QApplication app(argc, argv);                     \
        app.setAttribute(Qt::AA_Use96Dpi, true);          \
        TestObject tc;                                    \
        QTEST_SET_MAIN_SOURCE_PATH                        \
        return QTest::qExec(&tc, argc, argv);             \
    }
