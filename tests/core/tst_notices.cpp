#include "appsettings.h"
#include "errordialog.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QFrame>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTextEdit>

class TestNotices : public QObject
{
    Q_OBJECT

private slots:
    void blinkingFollowsTheme(); // first: the shared toggle starts untouched
    void silencedNoticeStaysSilencedForNewProcess();
    void closeWithoutTickWritesTrue();
    void escapeSavesNothing();
    void plainMessageAlwaysShows();
    void unknownIdIsNeverShown();
    void htmlAndPlainText();

private:
    static QString probe(const QString& id);
};

QString TestNotices::probe(const QString& id)
{
    AppSettings::Instance()->settings->sync();
    QProcess p;
    p.start(QStringLiteral(NOTICE_PROBE), {id});
    if (!p.waitForFinished(10000))
        return QStringLiteral("timeout");
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void TestNotices::blinkingFollowsTheme()
{
    AppSettings::Instance()->theme = QStringLiteral("light");
    ErrorDialog light(QStringLiteral("err_msg_1"), QStringLiteral("T"), QStringLiteral("x"), nullptr);
    auto* check = light.findChild<QCheckBox*>(QStringLiteral("checkNotShow"));
    QVERIFY(check);
    QVERIFY(QTest::qWaitFor([&] { return !check->styleSheet().isEmpty(); }, 2000));
    QCOMPARE(check->styleSheet(), QStringLiteral("color : green"));
    light.OnBlinkingTimeout();
    QCOMPARE(check->styleSheet(), QStringLiteral("color : red"));

    // A later dialog continues from the shared toggle.
    AppSettings::Instance()->theme = QStringLiteral("dark");
    ErrorDialog dark(QStringLiteral("err_msg_2"), QStringLiteral("T"), QStringLiteral("x"), nullptr);
    auto* darkCheck = dark.findChild<QCheckBox*>(QStringLiteral("checkNotShow"));
    dark.OnBlinkingTimeout();
    QCOMPARE(darkCheck->styleSheet(), QStringLiteral("color : yellow"));
    dark.OnBlinkingTimeout();
    QCOMPARE(darkCheck->styleSheet(), QStringLiteral("color : white"));
    AppSettings::Instance()->theme = QStringLiteral("light");
}

void TestNotices::silencedNoticeStaysSilencedForNewProcess()
{
    MessageSettings::Instance()->Load();
    QCOMPARE(probe(QStringLiteral("err_msg_7")), QStringLiteral("err_msg_7=show"));

    ModalAnswerer answerer;
    answerer.handle([](QWidget* w) {
        if (w->objectName() != QLatin1String("ErrorDialog") || w->windowTitle() != QLatin1String("Export"))
            return false;
        w->findChild<QCheckBox*>(QStringLiteral("checkNotShow"))->setChecked(true);
        w->findChild<QPushButton*>(QStringLiteral("pushButton"))->click();
        return true;
    });
    {
        ErrorDialog notice(QStringLiteral("err_msg_7"), QStringLiteral("Export"), QStringLiteral("<b>Hi</b>"), nullptr);
        QCOMPARE(notice.exec(), int(QDialog::Accepted));
    }
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join('\n')));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(AppSettings::Instance()->settings->value(QStringLiteral("err_msg_7")), QVariant(false));

    // Skipped in this run: nothing is shown and the call still reports acceptance.
    {
        ErrorDialog again(QStringLiteral("err_msg_7"), QStringLiteral("Export"), QStringLiteral("x"), nullptr);
        QCOMPARE(again.exec(), int(QDialog::Accepted));
    }
    QTest::qWait(100);
    QCOMPARE(answerer.seen.size(), 1);

    QCOMPARE(probe(QStringLiteral("err_msg_7")), QStringLiteral("err_msg_7=skip"));
}

void TestNotices::closeWithoutTickWritesTrue()
{
    ModalAnswerer answerer;
    answerer.pressButtonText(QStringLiteral("Close"));
    ErrorDialog notice(QStringLiteral("err_msg_12"), QStringLiteral("Import"), QStringLiteral("x"), nullptr);
    notice.exec();
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(AppSettings::Instance()->settings->value(QStringLiteral("err_msg_12")), QVariant(true));
}

void TestNotices::escapeSavesNothing()
{
    ModalAnswerer answerer;
    answerer.handle([](QWidget* w) {
        w->findChild<QCheckBox*>(QStringLiteral("checkNotShow"))->setChecked(true);
        QTest::keyClick(w, Qt::Key_Escape);
        return true;
    });
    ErrorDialog notice(QStringLiteral("err_msg_13"), QStringLiteral("Print"), QStringLiteral("x"), nullptr);
    QCOMPARE(notice.exec(), int(QDialog::Accepted));
    QCOMPARE(answerer.seen.size(), 1);
    QVERIFY(!AppSettings::Instance()->settings->contains(QStringLiteral("err_msg_13")));
    QVERIFY((*MessageSettings::Instance())[QStringLiteral("err_msg_13")].show);
    QCOMPARE(probe(QStringLiteral("err_msg_13")), QStringLiteral("err_msg_13=show"));
}

void TestNotices::plainMessageAlwaysShows()
{
    // Even a silenced id shows when the dialog is a plain message.
    (*MessageSettings::Instance())[QStringLiteral("err_msg_20")].show = false;
    ModalAnswerer answerer;
    bool checkBoxVisible = true;
    answerer.handle([&](QWidget* w) {
        checkBoxVisible = w->findChild<QFrame*>(QStringLiteral("frameCheckBox"))->isVisible();
        w->findChild<QPushButton*>(QStringLiteral("pushButton"))->click();
        return true;
    });
    ErrorDialog message(QStringLiteral("err_msg_20"), QStringLiteral("Log"), QStringLiteral("x"), nullptr, true);
    const int result = message.exec();
    QCOMPARE(answerer.seen.size(), 1);
    QVERIFY(!checkBoxVisible);
    QCOMPARE(result, int(QDialog::Rejected)); // close() rejects
    QVERIFY(!AppSettings::Instance()->settings->contains(QStringLiteral("err_msg_20")));
}

void TestNotices::unknownIdIsNeverShown()
{
    ModalAnswerer answerer;
    ErrorDialog notice(QStringLiteral("err_msg_50"), QStringLiteral("T"), QStringLiteral("x"), nullptr);
    QCOMPARE(notice.exec(), int(QDialog::Accepted));
    QTest::qWait(100);
    QVERIFY(answerer.seen.isEmpty());
}

void TestNotices::htmlAndPlainText()
{
    ErrorDialog html(QStringLiteral("err_msg_3"), QStringLiteral("T"), QStringLiteral("<b>bold</b> &amp; more"), nullptr);
    QCOMPARE(html.findChild<QTextEdit*>(QStringLiteral("txtMessage"))->toPlainText(), QStringLiteral("bold & more"));
    ErrorDialog plain(QStringLiteral("err_msg_3"), QStringLiteral("T"), QStringLiteral("a < b"), nullptr, false, false);
    QCOMPARE(plain.findChild<QTextEdit*>(QStringLiteral("txtMessage"))->toPlainText(), QStringLiteral("a < b"));
    QVERIFY(plain.findChild<QTextEdit*>(QStringLiteral("txtMessage"))->isReadOnly());
    QCOMPARE(plain.windowTitle(), QStringLiteral("T"));
}

VORANTEL_TEST_MAIN(TestNotices)
#include "tst_notices.moc"
