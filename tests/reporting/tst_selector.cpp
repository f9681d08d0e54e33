#include "modalanswerer.h"
#include "selector.h"
#include "testsupport.h"

#include <QListWidget>
#include <QPushButton>

Q_DECLARE_METATYPE(ColumnVisibility)

class TestSelector : public QObject
{
    Q_OBJECT

private slots:
    void ticksWrittenBackOnOkOnly_data();
    void ticksWrittenBackOnOkOnly();
    void clickOnTheCheckBoxTogglesOnce();

private:
    static void clickRow(QListWidget* list, int row, bool onCheckBox = false);
    static QListWidget* listOf(QWidget* dialog) { return dialog->findChild<QListWidget*>(QStringLiteral("listWidget")); }
};

void TestSelector::clickRow(QListWidget* list, int row, bool onCheckBox)
{
    QListWidgetItem* item = list->item(row);
    const QRect rect = list->visualItemRect(item);
    QStyleOptionViewItem option;
    option.initFrom(list->viewport());
    option.rect = rect;
    option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
    option.text = item->text();
    const QRect indicator = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
    const QPoint where = onCheckBox ? indicator.center() : QPoint(rect.right() - 20, rect.center().y());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, where);
}

void TestSelector::ticksWrittenBackOnOkOnly_data()
{
    QTest::addColumn<ColumnVisibility>("items");
    QTest::addColumn<bool>("checkedOnly");
    QTest::addColumn<QStringList>("rowsShown");
    QTest::addColumn<QList<int>>("rowsClicked");
    QTest::addColumn<QString>("close"); // "ok", "cancel" or "escape"
    QTest::addColumn<ColumnVisibility>("expected");

    const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C"), x = QStringLiteral("X");
    QTest::newRow("all items, two toggled") << ColumnVisibility{{a, true}, {b, false}, {c, true}} << false
                                           << QStringList{a, b, c} << QList<int>{0, 1} << "ok"
                                           << ColumnVisibility{{a, false}, {b, true}, {c, true}};
    QTest::newRow("checked only, C cleared") << ColumnVisibility{{a, false}, {b, true}, {c, true}} << true
                                            << QStringList{b, c} << QList<int>{1} << "ok"
                                            << ColumnVisibility{{a, false}, {b, true}, {c, false}};
    // The unlisted (X, false) must not take the second row's tick.
    QTest::newRow("checked only, equal texts") << ColumnVisibility{{x, true}, {x, false}, {x, true}} << true
                                              << QStringList{x, x} << QList<int>{1} << "ok"
                                              << ColumnVisibility{{x, true}, {x, false}, {x, false}};
    for (const char* close : {"cancel", "escape"})
        QTest::newRow(close) << ColumnVisibility{{a, true}, {b, false}} << false << QStringList{a, b} << QList<int>{0, 1}
                             << close << ColumnVisibility{{a, true}, {b, false}};
}

void TestSelector::ticksWrittenBackOnOkOnly()
{
    QFETCH(ColumnVisibility, items);
    QFETCH(bool, checkedOnly);
    QFETCH(QStringList, rowsShown);
    QFETCH(QList<int>, rowsClicked);
    QFETCH(QString, close);
    QFETCH(ColumnVisibility, expected);
    ModalAnswerer answerer;
    QStringList shown;
    answerer.handle([&](QWidget* w) {
        QListWidget* list = listOf(w);
        if (!list)
            return false;
        for (int i = 0; i < list->count(); ++i)
            shown << list->item(i)->text();
        for (int row : rowsClicked)
            clickRow(list, row);
        if (close == QLatin1String("escape"))
            QTest::keyClick(w, Qt::Key_Escape);
        else
            w->findChild<QPushButton*>(close == QLatin1String("ok") ? QStringLiteral("pushOk") : QStringLiteral("pushCancel"))->click();
        return true;
    });
    Selector chooser(nullptr);
    if (checkedOnly)
        chooser.SetCheckedItems(items);
    else
        chooser.SetItems(items, QString(), QString());
    chooser.exec();
    QVERIFY2(answerer.failures.isEmpty(), qPrintable(answerer.failures.join('\n')));
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(shown, rowsShown);
    QCOMPARE(chooser.cancelled, close != QLatin1String("ok"));
    QCOMPARE(items, expected);
}

void TestSelector::clickOnTheCheckBoxTogglesOnce()
{
    ColumnVisibility items{{QStringLiteral("A"), true}, {QStringLiteral("B"), false}};
    Selector chooser(nullptr);
    chooser.SetItems(items, QString(), QString());
    chooser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    QListWidget* list = listOf(&chooser);
    clickRow(list, 0, true);
    QCOMPARE(list->item(0)->checkState(), Qt::Unchecked);
    clickRow(list, 1, true);
    QCOMPARE(list->item(1)->checkState(), Qt::Checked);
    clickRow(list, 1, false);
    QCOMPARE(list->item(1)->checkState(), Qt::Unchecked);
}

VORANTEL_TEST_MAIN(TestSelector)
#include "tst_selector.moc"
