#include "modalanswerer.h"
#include "poledisplay.h"
#include "poledisplaypage.h"
#include "ptypair.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSerialPortInfo>

using namespace SettingsTest;

namespace {

const char* const COMBOS[] = {"comboPortName", "comboBitsPerSecond", "comboDataBits", "comboParity",
                              "comboStopBits", "comboFlowControl",   "comboCommandSet"};
const QStringList PAGE_KEYS{"enable_pole_display", "pole_port",        "pole_port_speed", "pole_data_bits",
                            "pole_parity",         "pole_stop_bits",   "pole_flow_control", "pole_command_set",
                            "pole_line_count",     "pole_char_count",  "welcome_msg"};
const QString OPEN_FAILED =
    QStringLiteral("Test|Error occurred while opening serial port. Please check all parameters and try again.");

struct OpenPolePage
{
    PoleDisplayPage page{nullptr};
    QComboBox* port = Child<QComboBox>(&page, "comboPortName");
    QComboBox* commandSet = Child<QComboBox>(&page, "comboCommandSet");
    OpenPolePage() { page.LoadSettings(); }
    QStringList shown() const
    {
        QStringList out{Child<QCheckBox>(&page, "checkEnablePoleDisplay")->isChecked() ? "on" : "off"};
        for (const char* name : COMBOS)
            out << Child<QComboBox>(&page, name)->currentText();
        for (const char* name : {"lineCount", "lineCharCount", "line_welcome"})
            out << Child<QLineEdit>(&page, name)->text();
        return out;
    }
    void press(const char* button) { Child<QPushButton>(&page, button)->click(); }
    // The pseudo-terminal is no port the system reports: it is added to the list, as a user could not.
    void usePort(const QString& path)
    {
        port->addItem(path);
        port->setCurrentIndex(port->count() - 1);
    }
};

QStringList Entries(const QComboBox* combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}

int OpenHandles(const QString& device)
{
    const QString target = QFileInfo(device).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot))
        count += QFileInfo(fds.filePath(fd)).symLinkTarget() == target ? 1 : 0;
    return count;
}

} // namespace

// The pole display page with its test buttons on a pseudo-terminal pair in place of the display.
class TestPoleDisplayPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void emptyStoreShowsDefaults();
    void storedValues_data();
    void storedValues();
    void absentPortIsKeptUntilChanged();
    void saveWritesTextsAsTyped();
    void displayTextReachesTheDisplay();
    void testButtons_data();
    void testButtons();
    void portThatDoesNotOpen();
    void noCommandSetUsesNoDisplay();
    void roundTripThroughTheDialog();
    void neverShownWritesNothing();

private:
    ModalAnswerer* answerer = nullptr;
};

void TestPoleDisplayPage::initTestCase()
{
    answerer = new ModalAnswerer(this);
}

void TestPoleDisplayPage::init()
{
    TestSupport::ClearSettings();
    answerer->clear();
}

void TestPoleDisplayPage::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestPoleDisplayPage::emptyStoreShowsDefaults()
{
    OpenPolePage open;
    QCOMPARE(open.shown(), (QStringList{"off", "NONE", "9600", "8", "NONE", "1", "NONE", "Logic Controls (LCI)", "2",
                                        "20", "WELCOME"}));
    QStringList ports{"NONE"};
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports << info.portName();
    QCOMPARE(Entries(open.port), ports);
    QCOMPARE(Entries(Child<QComboBox>(&open.page, "comboBitsPerSecond")),
             (QStringList{"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"}));
    QCOMPARE(Entries(Child<QComboBox>(&open.page, "comboDataBits")), (QStringList{"5", "6", "7", "8"}));
    QCOMPARE(Entries(Child<QComboBox>(&open.page, "comboParity")), (QStringList{"NONE", "ODD", "EVEN", "MARK", "SPACE"}));
    QCOMPARE(Entries(Child<QComboBox>(&open.page, "comboStopBits")), (QStringList{"NONE", "1", "1.5", "2"}));
    QCOMPARE(Entries(Child<QComboBox>(&open.page, "comboFlowControl")), (QStringList{"NONE", "Hardware", "Software"}));
    QCOMPARE(Entries(open.commandSet), (QStringList{"Logic Controls (LCI)", "Epson110-D202", "Emax", "IEE"}));
    QCOMPARE(Child<QLineEdit>(&open.page, "line_1")->text(), QStringLiteral("Paid:          60.50"));
    QCOMPARE(Child<QLineEdit>(&open.page, "line_2")->text(), QStringLiteral("Due:           39.50"));
}

void TestPoleDisplayPage::storedValues_data()
{
    QTest::addColumn<QVariantMap>("stored");
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("every key") << QVariantMap{{"enable_pole_display", true}, {"pole_port_speed", "115200"},
                                              {"pole_data_bits", "7"}, {"pole_parity", "MARK"}, {"pole_stop_bits", "1.5"},
                                              {"pole_flow_control", "Software"}, {"pole_command_set", 3},
                                              {"pole_line_count", "4"}, {"pole_char_count", "40"}, {"welcome_msg", ""}}
                               << QStringList{"on", "NONE", "115200", "7", "MARK", "1.5", "Software", "IEE", "4", "40", ""};
    QTest::newRow("unknown texts take the first entry")
        << QVariantMap{{"pole_port_speed", "300"}, {"pole_data_bits", "9"}, {"pole_parity", "odd"},
                       {"pole_stop_bits", "3"}, {"pole_flow_control", "XON"}}
        << QStringList{"off", "NONE", "1200", "5", "NONE", "NONE", "NONE", "Logic Controls (LCI)", "2", "20", "WELCOME"};
    QTest::newRow("command set out of range selects none")
        << QVariantMap{{"pole_command_set", 7}}
        << QStringList{"off", "NONE", "9600", "8", "NONE", "1", "NONE", "", "2", "20", "WELCOME"};
}

void TestPoleDisplayPage::storedValues()
{
    QFETCH(QVariantMap, stored);
    QFETCH(QStringList, shown);
    for (auto it = stored.cbegin(); it != stored.cend(); ++it)
        TestSupport::Settings()->setValue(it.key(), it.value());
    OpenPolePage open;
    QCOMPARE(open.shown(), shown);
}

void TestPoleDisplayPage::absentPortIsKeptUntilChanged()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("pole_port", QStringLiteral("ttyUSB7"));
    {
        OpenPolePage open;
        QCOMPARE(open.port->currentText(), QStringLiteral("ttyUSB7 (not found)"));
        QVERIFY(open.page.SaveSettings());
        QCOMPARE(store->value("pole_port"), QVariant(QStringLiteral("ttyUSB7")));
    }
    OpenPolePage open;
    open.port->setCurrentIndex(0);
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(store->value("pole_port"), QVariant(QStringLiteral("NONE")));
}

void TestPoleDisplayPage::saveWritesTextsAsTyped()
{
    QSettings* store = TestSupport::Settings();
    OpenPolePage open;
    Child<QLineEdit>(&open.page, "lineCount")->setText(QStringLiteral("two"));
    Child<QLineEdit>(&open.page, "lineCharCount")->setText(QStringLiteral(" 24"));
    Child<QComboBox>(&open.page, "comboStopBits")->setCurrentText(QStringLiteral("2"));
    open.commandSet->setCurrentIndex(1);
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(store->value("pole_line_count"), QVariant(QStringLiteral("two")));
    QCOMPARE(store->value("pole_char_count"), QVariant(QStringLiteral(" 24")));
    QCOMPARE(store->value("pole_stop_bits"), QVariant(QStringLiteral("2")));
    QCOMPARE(store->value("pole_command_set"), QVariant(1));
    QCOMPARE(store->value("pole_port"), QVariant(QStringLiteral("NONE")));
    QCOMPARE(store->value("enable_pole_display"), QVariant(false));
}

void TestPoleDisplayPage::displayTextReachesTheDisplay()
{
    PtyPair pty;
    QVERIFY(pty.start());
    OpenPolePage open;
    open.usePort(pty.displayEnd());
    open.press("pushTest");
    const QByteArray once("\x1F\x14\x11Paid:          60.50\r\nDue:           39.50");
    QTRY_COMPARE(pty.received(), once);
    QCOMPARE(OpenHandles(pty.displayEnd()), 1);

    // Again: the first display is gone with its port, and a new one opens it afresh.
    open.press("pushTest");
    QTRY_COMPARE(pty.received(), once + once);
    QVERIFY(open.page.TestDisplay());
    QCOMPARE(open.page.findChildren<PoleDisplay*>().size(), 1);
    QCOMPARE(OpenHandles(pty.displayEnd()), 1);
    QVERIFY(answerer->seen.isEmpty());
    // Testing stores nothing.
    QVERIFY(!TestSupport::Settings()->contains("pole_port"));
}

void TestPoleDisplayPage::testButtons_data()
{
    QTest::addColumn<int>("commandSet");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("welcome");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("LCI welcome") << 0 << "pushTestWelcome" << "Hi there" << QByteArray("\x1F\x14\x05Hi there");
    QTest::newRow("Epson welcome") << 1 << "pushTestWelcome" << "HELLO" << QByteArray("\x0C\x0B\x1F\x43\x30\x30\x1F\x03HELLO");
    QTest::newRow("Emax display text") << 2 << "pushTest" << ""
                                       << QByteArray("!#1Paid:          60.50\r!#2Due:           39.50\r");
    QTest::newRow("IEE clear") << 3 << "pushClearDisplay" << "" << QByteArray("\x14\x0C\x0E");
    QTest::newRow("welcome sent uncut") << 3 << "pushTestWelcome" << "A welcome longer than the twenty characters"
                                        << QByteArray("\x14\x0C\x0E" "A welcome longer than the twenty characters");
}

void TestPoleDisplayPage::testButtons()
{
    QFETCH(int, commandSet);
    QFETCH(QString, button);
    QFETCH(QString, welcome);
    QFETCH(QByteArray, bytes);
    PtyPair pty;
    QVERIFY(pty.start());
    OpenPolePage open;
    open.usePort(pty.displayEnd());
    open.commandSet->setCurrentIndex(commandSet);
    Child<QLineEdit>(&open.page, "line_welcome")->setText(welcome);
    open.press(qPrintable(button));
    QTRY_COMPARE(pty.received().size(), bytes.size());
    QCOMPARE(pty.received(), bytes);
}

void TestPoleDisplayPage::portThatDoesNotOpen()
{
    OpenPolePage open; // port "NONE"
    answerer->pressButton(QMessageBox::Ok);
    open.press("pushTest");
    QCOMPARE(answerer->messages(), QStringList{OPEN_FAILED});
    QCOMPARE(answerer->seen.size(), 1);
}

void TestPoleDisplayPage::noCommandSetUsesNoDisplay()
{
    PtyPair pty;
    QVERIFY(pty.start());
    TestSupport::Settings()->setValue("pole_command_set", 9);
    OpenPolePage open;
    open.usePort(pty.displayEnd());
    open.commandSet->setCurrentIndex(0);
    open.press("pushTestWelcome");
    QTRY_COMPARE(pty.received(), QByteArray("\x1F\x14\x05WELCOME"));

    // No command set: the last display goes, with its port, and nothing takes its place.
    open.commandSet->setCurrentIndex(-1);
    for (const char* button : {"pushTest", "pushClearDisplay", "pushTestWelcome"}) {
        open.press(button);
        QVERIFY(!open.page.TestDisplay());
        QVERIFY(open.page.findChildren<PoleDisplay*>().isEmpty());
    }
    QCOMPARE(OpenHandles(pty.displayEnd()), 0);
    QVERIFY(answerer->seen.isEmpty());

    // A command set again: the port opens anew.
    open.commandSet->setCurrentIndex(0);
    open.press("pushClearDisplay");
    QTRY_COMPARE(pty.received(), QByteArray("\x1F\x14\x05WELCOME\x1F\x14\x11"));
}

void TestPoleDisplayPage::roundTripThroughTheDialog()
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    const QString port = ports.isEmpty() ? QStringLiteral("NONE") : ports.first().portName();
    const QStringList values{"on", port, "19200", "7", "EVEN", "2", "Hardware", "Emax", "4", "40", "Good day"};
    {
        SettingsDialog dialog;
        ShowRow(dialog, 7);
        Child<QCheckBox>(&dialog, "checkEnablePoleDisplay")->setChecked(true);
        for (int i = 0; i < 7; ++i)
            Child<QComboBox>(&dialog, COMBOS[i])->setCurrentText(values[i + 1]);
        Child<QLineEdit>(&dialog, "lineCount")->setText(values[8]);
        Child<QLineEdit>(&dialog, "lineCharCount")->setText(values[9]);
        Child<QLineEdit>(&dialog, "line_welcome")->setText(values[10]);
        Press(dialog, "pushSave");
        QVERIFY(dialog.saved);
    }
    QCOMPARE(TestSupport::Settings()->value("pole_command_set"), QVariant(2));
    SettingsDialog dialog;
    ShowRow(dialog, 7);
    auto* page = qobject_cast<PoleDisplayPage*>(dialog.pagesWidget()->widget(7));
    QVERIFY(page);
    QStringList shown{Child<QCheckBox>(page, "checkEnablePoleDisplay")->isChecked() ? "on" : "off"};
    for (const char* name : COMBOS)
        shown << Child<QComboBox>(page, name)->currentText();
    for (const char* name : {"lineCount", "lineCharCount", "line_welcome"})
        shown << Child<QLineEdit>(page, name)->text();
    QCOMPARE(shown, values);
}

void TestPoleDisplayPage::neverShownWritesNothing()
{
    SettingsDialog dialog;
    const auto before = Store();
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    const QStringList changed = Changed(before, Store());
    for (const QString& key : PAGE_KEYS)
        QVERIFY2(!changed.contains(key), qPrintable(key));
}

VORANTEL_TEST_MAIN(TestPoleDisplayPage)
#include "tst_poledisplaypage.moc"
