#include "appsettings.h"
#include "modalanswerer.h"
#include "reportparameterdialog.h"
#include "testsupport.h"

class TestReportParameterDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void oneValueAnswer_data();
    void oneValueAnswer();
    void emptyOkKeepsEarlierAnswer();
    void dateRangeForm_data();
    void dateRangeForm();
    void dateRangeKeepsPickedDates_data();
    void dateRangeKeepsPickedDates();

private:
    QWidget parent;
};

void TestReportParameterDialog::init()
{
    TestSupport::ClearSettings();
    AppSettings::Instance()->LoadDateFormat();
    parent.resize(800, 600);
}

void TestReportParameterDialog::oneValueAnswer_data()
{
    QTest::addColumn<QString>("prefill");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("expected");
    QTest::newRow("typed then OK") << QString() << "12" << "ok" << "12";
    QTest::newRow("blanks are kept") << QString() << "   " << "ok" << "   ";
    QTest::newRow("pre-filled then OK") << "Payment Reference" << QString() << "ok" << "Payment Reference";
    QTest::newRow("Enter presses OK") << QString() << "abc" << "enter" << "abc";
    QTest::newRow("typed then Esc") << QString() << "12" << "escape" << QString();
    QTest::newRow("typed then window closed") << QString() << "12" << "close" << QString();
}

void TestReportParameterDialog::oneValueAnswer()
{
    QFETCH(QString, prefill);
    QFETCH(QString, typed);
    QFETCH(QString, ending);
    QFETCH(QString, expected);

    ReportParameterDialog dialog(&parent, false);
    QVERIFY(dialog.ui->groupBox_Dates->isHidden());
    QVERIFY(dialog.GetValue().isEmpty());
    dialog.ui->lineEditValue->setText(prefill);
    bool focusOnValue = false;
    ModalAnswerer answerer;
    answerer.handle([&](QWidget* modal) {
        if (modal != &dialog)
            return false;
        focusOnValue = QApplication::focusWidget() == dialog.ui->lineEditValue;
        QTest::keyClicks(dialog.ui->lineEditValue, typed);
        if (ending == QLatin1String("ok"))
            dialog.ui->pushButton->click();
        else if (ending == QLatin1String("enter"))
            QTest::keyClick(dialog.ui->lineEditValue, Qt::Key_Return);
        else if (ending == QLatin1String("escape"))
            QTest::keyClick(dialog.ui->lineEditValue, Qt::Key_Escape);
        else
            dialog.close();
        return true;
    });
    dialog.setModal(true);
    const int result = dialog.exec();

    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer.pendingAnswers(), 0);
    QVERIFY(focusOnValue);
    // Callers learn nothing from exec(): every ending reads as rejected.
    QCOMPARE(result, int(QDialog::Rejected));
    QCOMPARE(dialog.GetValue(), expected);
}

void TestReportParameterDialog::emptyOkKeepsEarlierAnswer()
{
    ReportParameterDialog dialog(&parent, false);
    for (const QString& typed : {QStringLiteral("7"), QString()}) {
        ModalAnswerer answerer; // a fresh one: an answerer deals with a dialog once
        answerer.handle([&](QWidget*) {
            dialog.ui->lineEditValue->clear();
            QTest::keyClicks(dialog.ui->lineEditValue, typed);
            dialog.ui->pushButton->click();
            return true;
        });
        dialog.exec();
        QCOMPARE(answerer.pendingAnswers(), 0);
        QCOMPARE(dialog.GetValue(), QStringLiteral("7"));
    }
}

void TestReportParameterDialog::dateRangeForm_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("format");
    QTest::newRow("default") << QString() << "yyyy-MM-dd";
    QTest::newRow("DD/MM/YYYY") << "DD/MM/YYYY" << "dd-MM-yyyy";
}

void TestReportParameterDialog::dateRangeForm()
{
    QFETCH(QString, setting);
    QFETCH(QString, format);
    if (!setting.isEmpty())
        TestSupport::Settings()->setValue(QStringLiteral("DATE_FORMAT"), setting);
    AppSettings::Instance()->LoadDateFormat();

    ReportParameterDialog dialog(&parent, true);
    QVERIFY(dialog.ui->groupBox->isHidden());
    QVERIFY(!dialog.ui->groupBox_Dates->isHidden());
    const QDate today = QDate::currentDate();
    for (QDateEdit* edit : {dialog.ui->dateEditStart, dialog.ui->dateEditEnd}) {
        QCOMPARE(edit->date(), today);
        QCOMPARE(edit->text(), today.toString(format));
    }
}

void TestReportParameterDialog::dateRangeKeepsPickedDates_data()
{
    QTest::addColumn<bool>("pressOk");
    QTest::addColumn<int>("startOffset");
    QTest::addColumn<int>("endOffset");
    QTest::newRow("start after end, OK") << true << 5 << -3;
    QTest::newRow("picked, closed by the window") << false << -10 << -2;
}

void TestReportParameterDialog::dateRangeKeepsPickedDates()
{
    QFETCH(bool, pressOk);
    QFETCH(int, startOffset);
    QFETCH(int, endOffset);
    const QDate today = QDate::currentDate();

    ReportParameterDialog dialog(&parent, true);
    ModalAnswerer answerer;
    answerer.handle([&](QWidget*) {
        dialog.ui->dateEditStart->setDate(today.addDays(startOffset));
        dialog.ui->dateEditEnd->setDate(today.addDays(endOffset));
        if (pressOk)
            dialog.ui->pushButton_2->click();
        else
            dialog.close();
        return true;
    });
    dialog.setModal(true);
    QCOMPARE(dialog.exec(), int(QDialog::Rejected));
    QCOMPARE(answerer.pendingAnswers(), 0);
    QCOMPARE(dialog.ui->dateEditStart->date(), today.addDays(startOffset));
    QCOMPARE(dialog.ui->dateEditEnd->date(), today.addDays(endOffset));
    QVERIFY(dialog.GetValue().isEmpty());
}

VORANTEL_TEST_MAIN(TestReportParameterDialog)
#include "tst_reportparameterdialog.moc"
