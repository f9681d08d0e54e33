#include "generalpage.h"
#include "modalanswerer.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QProcess>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>

using namespace SettingsTest;

namespace {

const QString LANGUAGE_QUESTION = QStringLiteral(
    "language Change|Language setting has been changed.  In order for the changes to take effect, Vorantel will "
    "restart now. Press Yes for auto restart, or No to restart manually later.");
const QString MODE_QUESTION = QStringLiteral(
    "Scaling|Scaling mode has been changed. In order for the changes to take effect, Vorantel will restart now. Press "
    "Yes for auto restart, or No to restart manually later.");
const QString FACTOR_QUESTION = QStringLiteral(
    "Scaling|Scaling factor has been changed. In order for the changes to take effect, Vorantel will restart now. "
    "Press Yes for auto restart, or No to restart manually later.");

// What the dialog asked of the program while relaunching.
struct RelaunchRecorder
{
    QList<QStringList> starts; // program first, then the arguments
    QStringList storedAtStart; // keys in the store when the new copy was started
    int quits = 0;
    bool startSucceeds = true;

    void attach(SettingsDialog& dialog)
    {
        dialog.startProgram = [this](const QString& program, const QStringList& arguments) {
            starts << (QStringList{program} + arguments);
            storedAtStart = TestSupport::Settings()->allKeys();
            return startSucceeds;
        };
        dialog.quitProgram = [this] { ++quits; };
    }
};

QStringList ExpectedStart()
{
    const QStringList arguments = QCoreApplication::arguments() << QStringLiteral("restart");
    return QStringList{arguments.first()} + arguments;
}

} // namespace

class TestGeneralPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void defaultDateFormatIsWrittenAtOnce_data();
    void defaultDateFormatIsWrittenAtOnce();
    void themeShown_data();
    void themeShown();
    void saveWritesWidgets();
    void restartQuestions_data();
    void restartQuestions();
    void relaunchRunsOnceAfterTheLastPage();
    void refusedSaveKeepsTheRelaunchPending();
    void relaunchThatCannotStartDoesNotQuit();
    void noToEveryQuestionStartsNothing();
    void realRelaunch_data();
    void realRelaunch();

private:
    ModalAnswerer* answerer = nullptr;
};

void TestGeneralPage::init()
{
    TestSupport::ClearSettings();
    UseLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    if (!answerer)
        answerer = new ModalAnswerer(this);
    answerer->clear();
}

void TestGeneralPage::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestGeneralPage::defaultDateFormatIsWrittenAtOnce_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("stored"); // DATE_FORMAT before the dialog, empty for none
    QTest::addColumn<QString>("expected");
    QTest::newRow("day first") << QLocale(QLocale::German, QLocale::Germany) << "" << "DD/MM/YYYY";
    QTest::newRow("month first") << QLocale(QLocale::English, QLocale::UnitedStates) << "" << "MM/DD/YYYY";
    QTest::newRow("year first") << QLocale(QLocale::Chinese, QLocale::China) << "" << "YYYY/MM/DD";
    QTest::newRow("stored kept") << QLocale(QLocale::German, QLocale::Germany) << "YYYY/MM/DD" << "YYYY/MM/DD";
}

void TestGeneralPage::defaultDateFormatIsWrittenAtOnce()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, stored);
    QFETCH(QString, expected);
    UseLocale(locale);
    if (!stored.isEmpty())
        TestSupport::Settings()->setValue("DATE_FORMAT", stored);
    SettingsDialog dialog;
    QCOMPARE(Child<QComboBox>(&dialog, "comboDateFormat")->currentText(), expected);
    Press(dialog, "pushClose");
    QCOMPARE(TestSupport::Settings()->allKeys(), QStringList{"DATE_FORMAT"});
    QCOMPARE(TestSupport::Settings()->value("DATE_FORMAT"), QVariant(expected));
}

void TestGeneralPage::themeShown_data()
{
    QTest::addColumn<QVariant>("stored"); // invalid: no key
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("saved");
    // Start-up applies the light theme without a key, so the first Save must not switch it off.
    QTest::newRow("absent") << QVariant() << "radioLightTheme" << "light";
    QTest::newRow("dark") << QVariant("dark") << "radioDarkTheme" << "dark";
    QTest::newRow("light") << QVariant("light") << "radioLightTheme" << "light";
    QTest::newRow("no theme") << QVariant("no_theme") << "radioButtonNoTheme" << "no_theme";
    QTest::newRow("unknown") << QVariant("blue") << "radioButtonNoTheme" << "no_theme";
}

void TestGeneralPage::themeShown()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, checked);
    QFETCH(QString, saved);
    if (stored.isValid())
        TestSupport::Settings()->setValue("theme", stored);
    GeneralPage page(nullptr);
    QVERIFY(Child<QRadioButton>(&page, qPrintable(checked))->isChecked());
    QVERIFY(page.SaveSettings());
    QCOMPARE(TestSupport::Settings()->value("theme"), QVariant(saved));
}

void TestGeneralPage::saveWritesWidgets()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("DATE_FORMAT", QStringLiteral("YYYY/MM/DD"));
    GeneralPage page(nullptr);
    QVERIFY(Child<QCheckBox>(&page, "check_start_with_search_term")->isChecked());
    QCOMPARE(Child<QComboBox>(&page, "comboDelimiter")->count(), 3);

    Child<QComboBox>(&page, "comboDateFormat")->setCurrentText(QStringLiteral("DD/MM/YYYY"));
    Child<QComboBox>(&page, "comboTimeFormat")->setCurrentIndex(1);
    Child<QComboBox>(&page, "comboDelimiter")->setCurrentText(QStringLiteral("Tab"));
    Child<QCheckBox>(&page, "enableSubItemsMode")->setChecked(true);
    Child<QRadioButton>(&page, "radioDarkTheme")->setChecked(true);
    Child<QCheckBox>(&page, "check_contain_search_term")->setChecked(true);
    QVERIFY(!Child<QCheckBox>(&page, "check_start_with_search_term")->isChecked());
    QVERIFY(page.SaveSettings());

    QCOMPARE(store->value("DATE_FORMAT"), QVariant(QStringLiteral("DD/MM/YYYY")));
    QCOMPARE(AppSettings::Instance()->DateFormat(), QStringLiteral("dd-MM-yyyy"));
    QCOMPARE(store->value("time_format"), QVariant(1));
    QCOMPARE(AppSettings::Instance()->TimeFormat(), QStringLiteral("h:mm:ss AP"));
    QCOMPARE(store->value("delimiter"), QVariant(2));
    QCOMPARE(store->value("SUB_ITEMS_MODE"), QVariant(QStringLiteral("y")));
    QCOMPARE(store->value("theme"), QVariant(QStringLiteral("dark")));
    QCOMPARE(store->value("start_with_search_term"), QVariant(false));
    QVERIFY(!store->contains("language")); // unchanged language: not written

    GeneralPage again(nullptr);
    QCOMPARE(Child<QComboBox>(&again, "comboDelimiter")->currentIndex(), 2);
    QVERIFY(Child<QCheckBox>(&again, "check_contain_search_term")->isChecked());
    QVERIFY(Child<QCheckBox>(&again, "enableSubItemsMode")->isChecked());
}

void TestGeneralPage::restartQuestions_data()
{
    QTest::addColumn<int>("mode"); // stored scaling_mode
    QTest::addColumn<int>("factor"); // stored scaling_factor
    QTest::addColumn<int>("newMode"); // 1 Auto, 0 Manual
    QTest::addColumn<int>("slider");
    QTest::addColumn<QString>("language");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<int>("storedFactor");

    QTest::newRow("nothing changed") << 0 << 3 << 0 << 3 << "English" << QStringList() << 3;
    QTest::newRow("manual 5 to auto") << 0 << 5 << 1 << 5 << "English" << QStringList{MODE_QUESTION} << 1;
    QTest::newRow("slider only") << 0 << 3 << 0 << 7 << "English" << QStringList{FACTOR_QUESTION} << 7;
    QTest::newRow("auto to manual and slider") << 1 << 1 << 0 << 6 << "English" << QStringList{MODE_QUESTION} << 6;
    QTest::newRow("factor 20 shows 11") << 0 << 20 << 0 << -1 << "English" << QStringList{FACTOR_QUESTION} << 11;
    QTest::newRow("language and slider") << 0 << 3 << 0 << 4 << "German"
                                         << QStringList{LANGUAGE_QUESTION, FACTOR_QUESTION} << 4;
}

void TestGeneralPage::restartQuestions()
{
    QFETCH(int, mode);
    QFETCH(int, factor);
    QFETCH(int, newMode);
    QFETCH(int, slider);
    QFETCH(QString, language);
    QFETCH(QStringList, questions);
    QFETCH(int, storedFactor);
    QSettings* store = TestSupport::Settings();
    store->setValue("scaling_mode", mode);
    store->setValue("scaling_factor", factor);

    GeneralPage page(nullptr);
    auto* sliderWidget = Child<QSlider>(&page, "slider_scaling");
    QCOMPARE(sliderWidget->isEnabled(), mode == 0);
    if (mode == 0)
        QCOMPARE(Child<QLabel>(&page, "label_scaling_factor")->text(), QString::number(qBound(1, factor, 11)));
    Child<QRadioButton>(&page, newMode == 1 ? "radio_auto" : "radio_manual")->click();
    QCOMPARE(sliderWidget->isEnabled(), newMode == 0);
    if (slider > 0)
        sliderWidget->setValue(slider);
    Child<QComboBox>(&page, "comboLanguage")->setCurrentText(language);
    for (int i = 0; i < questions.size(); ++i)
        answerer->pressButton(QMessageBox::No);
    QVERIFY(page.SaveSettings());

    QCOMPARE(answerer->messages(), questions);
    QCOMPARE(store->value("scaling_mode"), QVariant(newMode));
    QCOMPARE(store->value("scaling_factor"), QVariant(storedFactor));
    QCOMPARE(store->contains("language"), language != QLatin1String("English"));
    QVERIFY(!page.RelaunchRequested());
}

void TestGeneralPage::relaunchRunsOnceAfterTheLastPage()
{
    SettingsDialog dialog;
    RelaunchRecorder recorder;
    recorder.attach(dialog);
    dialog.show();
    ShowRow(dialog, 3); // the tax page, saved after the general page
    ShowRow(dialog, 0);
    Child<QComboBox>(&dialog, "comboLanguage")->setCurrentText(QStringLiteral("German"));
    Child<QRadioButton>(&dialog, "radio_auto")->click();
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Yes);
    Press(dialog, "pushSave");

    QCOMPARE(answerer->messages(), QStringList({LANGUAGE_QUESTION, MODE_QUESTION}));
    QVERIFY(dialog.saved);
    QVERIFY(!dialog.isVisible());
    QCOMPARE(recorder.starts, QList<QStringList>{ExpectedStart()});
    QCOMPARE(recorder.starts.first().last(), QStringLiteral("restart"));
    // The new copy starts once every page has written its keys.
    QVERIFY2(recorder.storedAtStart.contains(QStringLiteral("tax_rounding_off")),
             qPrintable(recorder.storedAtStart.join(QLatin1Char(' '))));
    QCOMPARE(recorder.quits, 1);
    QVERIFY(dialog.relaunched);
}

void TestGeneralPage::refusedSaveKeepsTheRelaunchPending()
{
    SettingsDialog dialog;
    RelaunchRecorder recorder;
    recorder.attach(dialog);
    dialog.show();
    ShowRow(dialog, 3);
    Child<QLineEdit>(&dialog, "editTaxRateA")->setText(QStringLiteral("7.1255"));
    ShowRow(dialog, 0);
    Child<QComboBox>(&dialog, "comboLanguage")->setCurrentText(QStringLiteral("French"));
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok); // the tax page refuses
    Press(dialog, "pushSave");
    QCOMPARE(answerer->messages().size(), 2);
    QVERIFY(!dialog.saved);
    QCOMPARE(recorder.starts.size(), 0);
    QCOMPARE(recorder.quits, 0);

    // The language is stored already, so the second save asks nothing and still relaunches.
    answerer->clear();
    Child<QLineEdit>(&dialog, "editTaxRateA")->setText(QStringLiteral("7.125"));
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    QCOMPARE(answerer->messages(), QStringList());
    QCOMPARE(recorder.starts, QList<QStringList>{ExpectedStart()});
    QCOMPARE(recorder.quits, 1);
}

void TestGeneralPage::relaunchThatCannotStartDoesNotQuit()
{
    SettingsDialog dialog;
    RelaunchRecorder recorder;
    recorder.startSucceeds = false;
    recorder.attach(dialog);
    dialog.show();
    Child<QComboBox>(&dialog, "comboLanguage")->setCurrentText(QStringLiteral("German"));
    answerer->pressButton(QMessageBox::Yes);
    answerer->pressButton(QMessageBox::Ok);
    Press(dialog, "pushSave");

    QCOMPARE(recorder.starts.size(), 1);
    QCOMPARE(recorder.quits, 0);
    QVERIFY(!dialog.relaunched);
    QVERIFY(dialog.saved);
    QCOMPARE(answerer->messages().size(), 2);
    const QString report = answerer->messages().at(1);
    QVERIFY2(report.startsWith(QLatin1String("Restart|")) && report.contains(ExpectedStart().first()),
             qPrintable(report));
    QCOMPARE(TestSupport::Settings()->value("language"), QVariant(QStringLiteral("German")));
}

void TestGeneralPage::noToEveryQuestionStartsNothing()
{
    SettingsDialog dialog;
    RelaunchRecorder recorder;
    recorder.attach(dialog);
    dialog.show();
    Child<QComboBox>(&dialog, "comboLanguage")->setCurrentText(QStringLiteral("German"));
    Child<QSlider>(&dialog, "slider_scaling")->setValue(9);
    answerer->pressButton(QMessageBox::No);
    answerer->pressButton(QMessageBox::No);
    Press(dialog, "pushSave");
    QCOMPARE(answerer->messages(), QStringList({LANGUAGE_QUESTION, FACTOR_QUESTION}));
    QVERIFY(dialog.saved);
    QCOMPARE(recorder.starts.size(), 0);
    QCOMPARE(recorder.quits, 0);
}

void TestGeneralPage::realRelaunch_data()
{
    QTest::addColumn<bool>("startable");
    QTest::addColumn<bool>("beforeMainLoop"); // the dialog of the first start
    QTest::newRow("new copy starts, old one quits") << true << false;
    QTest::newRow("first start: quits once its loop runs") << true << true;
    QTest::newRow("nothing to start, no quitting") << false << false;
}

// The program around a real dialog: it starts its copy detached and quits only then.
void TestGeneralPage::realRelaunch()
{
    QFETCH(bool, startable);
    QFETCH(bool, beforeMainLoop);
    const QString dir = TestSupport::ScratchDir() + QStringLiteral("/relaunch_") + QTest::currentDataTag();
    QDir(dir).removeRecursively();
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/config")));
    const QString program = dir + QStringLiteral("/probe");
    QVERIFY(QFile::copy(QStringLiteral(RELAUNCH_PROBE), program));
    const QString mark = dir + QStringLiteral("/mark.txt");

    QProcess probe;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QStringLiteral("/config"));
    env.insert(QStringLiteral("RELAUNCH_MARK"), mark);
    if (!startable)
        env.insert(QStringLiteral("PROBE_DELETE_SELF"), QStringLiteral("1"));
    if (beforeMainLoop)
        env.insert(QStringLiteral("PROBE_BEFORE_MAIN_LOOP"), QStringLiteral("1"));
    probe.setProcessEnvironment(env);
    probe.start(program, QStringList());
    QVERIFY2(probe.waitForFinished(60000), "the probe neither quit nor ended");
    const QStringList shown = QString::fromUtf8(probe.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(shown.value(0), LANGUAGE_QUESTION);

    if (startable) {
        QCOMPARE(probe.exitCode(), 0); // quit was asked for
        QCOMPARE(shown.size(), 1);
        // The copy sees the keys of the pages after the general one.
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(TestSupport::ReadFile(mark)),
                                  program + QStringLiteral(" restart | language=German tax_rounding_off=round_up\n"),
                                  20000);
    } else {
        QCOMPARE(probe.exitCode(), 5); // still running after the save
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown.at(1).startsWith(QLatin1String("Restart|Vorantel could not be started again (") + program),
                 qPrintable(shown.at(1)));
    }
}

VORANTEL_TEST_MAIN(TestGeneralPage)
#include "tst_generalpage.moc"
