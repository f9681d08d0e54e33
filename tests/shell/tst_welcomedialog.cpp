#include "appsettings.h"
#include "constants.h"
#include "makeraddresses.h"
#include "modalanswerer.h"
#include "testsupport.h"
#include "urlrecorder.h"
#include "welcomedialog.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
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
    void framelessPictureBehindTheControls();
    void tutorialsLinkOpensItsAddress();

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
    QTest::newRow("not ticked, Escape writes nothing") << false << false << false;
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

void TestWelcomeDialog::framelessPictureBehindTheControls()
{
    WelcomeDialog dialog(mainWindowStandIn);
    QVERIFY(dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    QCOMPARE(dialog.size(), QSize(660, 581));

    const QImage picture(QStringLiteral(":/resources/images/welcom.png"));
    QCOMPARE(picture.size(), QSize(660, 581));
    const QImage shown = dialog.grab().toImage();
    QCOMPARE(shown.size(), picture.size());
    // Points of the picture that no control covers show through unchanged.
    for (const QPoint at : {QPoint(20, 20), QPoint(330, 120), QPoint(600, 300), QPoint(5, 575)})
        QCOMPARE(QColor(shown.pixel(at)), QColor(picture.pixel(at)));

    auto* box = dialog.findChild<QCheckBox*>(QStringLiteral("checkBox"));
    QCOMPARE(box->text(), QStringLiteral("Do not show me this message  again   "));
    QVERIFY(box->isVisible());
    QVERIFY(dialog.findChild<QPushButton*>(QStringLiteral("pushClose"))->isVisible());
    const QString dir = TestSupport::ScratchDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    QVERIFY(dialog.grab().save(dir + QStringLiteral("/welcome.png")));
    box->setChecked(true);
    QVERIFY(dialog.grab().save(dir + QStringLiteral("/welcome_ticked.png")));
}

void TestWelcomeDialog::tutorialsLinkOpensItsAddress()
{
    UrlRecorder urls;
    WelcomeDialog dialog(mainWindowStandIn);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* link = dialog.findChild<QLabel*>(QStringLiteral("labelYouTube"));
    QVERIFY(link->text().contains(QStringLiteral(">Click Here to Watch Vorantel Tutorials<")));
    QVERIFY(link->text().contains(QStringLiteral(
        " font-size:12pt; font-weight:600; font-style:italic; text-decoration: underline; color:#ff0000;")));

    // The link text is centred in the label.
    const QPoint centre = link->rect().center();
    QTest::mouseMove(link, centre);
    QTest::mouseClick(link, Qt::LeftButton, Qt::NoModifier, centre);
    QTRY_COMPARE(urls.urls, QList<QUrl>({QUrl(MakerAddresses::TUTORIALS)}));
    QVERIFY(dialog.isVisible());
}

VORANTEL_TEST_MAIN(TestWelcomeDialog)
#include "tst_welcomedialog.moc"
