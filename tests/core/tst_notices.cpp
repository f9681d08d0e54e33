#include "appsettings.h"
#include "errordialog.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QCheckBox>
#include <QFrame>
#include <QProcess>
#include <QPushButton>
#include <QTextEdit>

class TestNotices : public QObject
{
    Q_OBJECT

private slots:
    void closingSavesTheTick_data();
    void closingSavesTheTick();
    void plainMessageAlwaysShows();
    void unknownIdIsNeverShown();
    void htmlAndPlainText();
};

namespace {

// Whether a new process would show the notice.
QString probe(const QString& id)
{
    TestSupport::Settings()->sync();
    QProcess p;
    p.start(QStringLiteral(NOTICE_PROBE), {id});
    if (!p.waitForFinished(10000))
        return QStringLiteral("timeout");
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

void TestNotices::closingSavesTheTick_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<bool>("tick");
    QTest::addColumn<bool>("escape");
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<bool>("shownAgain");
    QTest::newRow("ticked, closed: silenced") << "err_msg_7" << true << false << QVariant(false) << false;
    QTest::newRow("not ticked, closed") << "err_msg_12" << false << false << QVariant(true) << true;
    QTest::newRow("ticked, Esc saves nothing") << "err_msg_13" << true << true << QVariant() << true;
}

void TestNotices::closingSavesTheTick()
{
    QFETCH(QString, id);
    QFETCH(bool, tick);
    QFETCH(bool, escape);
    QFETCH(QVariant, stored);
    QFETCH(bool, shownAgain);
    MessageSettings::Instance()->Load();
    QCOMPARE(probe(id), id + QStringLiteral("=show"));

    ModalAnswerer answerer;
    answerer.handle([&](QWidget* w) {
        if (w->objectName() != QLatin1String("ErrorDialog") || w->windowTitle() != QLatin1String("Export"))
            return false;
        w->findChild<QCheckBox*>(QStringLiteral("checkNotShow"))->setChecked(tick);
        if (escape)
            QTest::keyClick(w, Qt::Key_Escape);
        else
            w->findChild<QPushButton*>(QStringLiteral("pushButton"))->click();
        return true;
    });
    {
        ErrorDialog notice(id, QStringLiteral("Export"), QStringLiteral("<b>Hi</b>"), nullptr);
        QCOMPARE(notice.exec(), int(QDialog::Accepted));
    }
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join('\n')));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(TestSupport::Settings()->value(id), stored);

    // Again in this run: a silenced notice shows nothing and still reports acceptance.
    {
        ErrorDialog again(id, QStringLiteral("Export"), QStringLiteral("x"), nullptr);
        const int result = again.exec();
        if (!shownAgain)
            QCOMPARE(result, int(QDialog::Accepted));
    }
    QVERIFY(!QTest::qWaitFor([&] { return answerer.seen.size() > (shownAgain ? 2 : 1); }, 100));
    QCOMPARE(answerer.seen.size(), shownAgain ? 2 : 1);
    QCOMPARE(probe(id), id + (shownAgain ? QStringLiteral("=show") : QStringLiteral("=skip")));
}

void TestNotices::plainMessageAlwaysShows()
{
    (*MessageSettings::Instance())[QStringLiteral("err_msg_20")].show = false;
    ModalAnswerer answerer;
    bool checkBoxVisible = true;
    answerer.handle([&](QWidget* w) {
        checkBoxVisible = w->findChild<QFrame*>(QStringLiteral("frameCheckBox"))->isVisible();
        w->findChild<QPushButton*>(QStringLiteral("pushButton"))->click();
        return true;
    });
    ErrorDialog message(QStringLiteral("err_msg_20"), QStringLiteral("Log"), QStringLiteral("x"), nullptr, true);
    QCOMPARE(message.exec(), int(QDialog::Rejected)); // close() rejects
    QCOMPARE(answerer.seen.size(), 1);
    QVERIFY(!checkBoxVisible);
    QVERIFY(!TestSupport::Settings()->contains(QStringLiteral("err_msg_20")));
}

void TestNotices::unknownIdIsNeverShown()
{
    ModalAnswerer answerer;
    ErrorDialog notice(QStringLiteral("err_msg_50"), QStringLiteral("T"), QStringLiteral("x"), nullptr);
    QCOMPARE(notice.exec(), int(QDialog::Accepted));
    QVERIFY(!QTest::qWaitFor([&] { return !answerer.seen.isEmpty(); }, 100));
}

void TestNotices::htmlAndPlainText()
{
    ErrorDialog html(QStringLiteral("err_msg_3"), QStringLiteral("T"), QStringLiteral("<b>bold</b> &amp; more"), nullptr);
    QCOMPARE(html.findChild<QTextEdit*>(QStringLiteral("txtMessage"))->toPlainText(), QStringLiteral("bold & more"));
    ErrorDialog plain(QStringLiteral("err_msg_3"), QStringLiteral("T"), QStringLiteral("a < b"), nullptr, false, false);
    QCOMPARE(plain.findChild<QTextEdit*>(QStringLiteral("txtMessage"))->toPlainText(), QStringLiteral("a < b"));
}

VORANTEL_TEST_MAIN(TestNotices)
#include "tst_notices.moc"
