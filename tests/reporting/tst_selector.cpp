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
    void okWritesTheTicksBack_data();
    void okWritesTheTicksBack();
    void closingWithoutOkChangesNothing_data();
    void closingWithoutOkChangesNothing();
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

void TestSelector::okWritesTheTicksBack_data()
{
    QTest::addColumn<ColumnVisibility>("items");
    QTest::addColumn<bool>("checkedOnly");
    QTest::addColumn<QStringList>("rowsShown");
    QTest::addColumn<QList<int>>("rowsClicked");
    QTest::addColumn<ColumnVisibility>("expected");

    const QString a = QStringLiteral("A"), b = QStringLiteral("B"), c = QStringLiteral("C"), x = QStringLiteral("X");
    QTest::newRow("all items, two toggled") << ColumnVisibility{{a, true}, {b, false}, {c, true}} << false
                                           << QStringList{a, b, c} << QList<int>{0, 1}
                                           << ColumnVisibility{{a, false}, {b, true}, {c, true}};
    QTest::newRow("checked only, C cleared") << ColumnVisibility{{a, false}, {b, true}, {c, true}} << true
                                            << QStringList{b, c} << QList<int>{1}
                                            << ColumnVisibility{{a, false}, {b, true}, {c, false}};
    // The unlisted (X, false) must not take the second row's tick.
    QTest::newRow("checked only, equal texts") << ColumnVisibility{{x, true}, {x, false}, {x, true}} << true
                                              << QStringList{x, x} << QList<int>{1}
                                              << ColumnVisibility{{x, true}, {x, false}, {x, false}};
}

void TestSelector::okWritesTheTicksBack()
{
    QFETCH(ColumnVisibility, items);
    QFETCH(bool, checkedOnly);
    QFETCH(QStringList, rowsShown);
    QFETCH(QList<int>, rowsClicked);
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
        w->findChild<QPushButton*>(QStringLiteral("pushOk"))->click();
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
    QVERIFY(!chooser.cancelled);
    QCOMPARE(items, expected);
}

void TestSelector::closingWithoutOkChangesNothing_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("Cancel button") << QStringLiteral("cancel");
    QTest::newRow("Escape") << QStringLiteral("escape");
}

void TestSelector::closingWithoutOkChangesNothing()
{
    QFETCH(QString, how);
    ColumnVisibility items{{QStringLiteral("A"), true}, {QStringLiteral("B"), false}};
    const ColumnVisibility before = items;
    ModalAnswerer answerer;
    answerer.handle([&](QWidget* w) {
        QListWidget* list = listOf(w);
        clickRow(list, 0);
        clickRow(list, 1);
        if (how == QLatin1String("cancel"))
            w->findChild<QPushButton*>(QStringLiteral("pushCancel"))->click();
        else
            QTest::keyClick(w, Qt::Key_Escape);
        return true;
    });
    Selector chooser(nullptr);
    chooser.SetItems(items, QString(), QString());
    chooser.exec();
    QCOMPARE(answerer.seen.size(), 1);
    QVERIFY(chooser.cancelled);
    QCOMPARE(items, before);
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
