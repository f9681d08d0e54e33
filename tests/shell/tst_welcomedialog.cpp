#include "appsettings.h"
#include "constants.h"
#include "modalanswerer.h"
#include "testsupport.h"
#include "welcomedialog.h"

#include <QCheckBox>
#include <QPushButton>
#include <QSettings>

class TestWelcomeDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void choiceIsStoredOnlyByClose_data();
    void choiceIsStoredOnlyByClose();

private:
    QWidget* mainWindowStandIn = nullptr;
};

void TestWelcomeDialog::init()
{
    TestSupport::ClearSettings();
    mainWindowStandIn = new QWidget;
    mainWindowStandIn->resize(1000, 760);
    mainWindowStandIn->show();
    QVERIFY(QTest::qWaitForWindowExposed(mainWindowStandIn));
}

void TestWelcomeDialog::cleanup()
{
    delete mainWindowStandIn;
    mainWindowStandIn = nullptr;
}

void TestWelcomeDialog::choiceIsStoredOnlyByClose_data()
{
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("pressClose"); // otherwise Escape
    QTest::addColumn<bool>("stored");
    QTest::newRow("ticked, Close stores 0") << true << true << true;
    QTest::newRow("not ticked, Close writes nothing") << false << true << false;
    QTest::newRow("ticked, Escape writes nothing") << true << false << false;
}

void TestWelcomeDialog::choiceIsStoredOnlyByClose()
{
    QFETCH(bool, tick);
    QFETCH(bool, pressClose);
    QFETCH(bool, stored);

    ModalAnswerer answerer;
    auto* dialog = new WelcomeDialog(mainWindowStandIn);
    bool checkedWhenClosed = false;
    answerer.handle([&](QWidget* modal) {
        if (modal != dialog)
            return false;
        auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("checkBox"));
        if (box->isChecked())
            return false; // must start unticked
        if (tick)
            QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(8, box->height() / 2));
        checkedWhenClosed = box->isChecked();
        if (pressClose)
            QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("pushClose")), Qt::LeftButton);
        else
            QTest::keyClick(dialog, Qt::Key_Escape);
        return true;
    });
    const int result = dialog->exec();
    delete dialog;

    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(checkedWhenClosed, tick);
    QCOMPARE(result, int(QDialog::Rejected));

    // What the next start-up reads from the store on disk.
    AppSettings::Instance()->settings->sync();
    const QSettings store(ORGANIZATION_NAME, APPLICATION_NAME);
    QCOMPARE(store.contains(QStringLiteral("SHOW_WELCOME")), stored);
    if (stored) {
        QCOMPARE(store.value(QStringLiteral("SHOW_WELCOME")).toString(), QStringLiteral("0"));
        QCOMPARE(store.value(QStringLiteral("SHOW_WELCOME"), 1).toInt(), 0);
    }
}

VORANTEL_TEST_MAIN(TestWelcomeDialog)
#include "tst_welcomedialog.moc"
