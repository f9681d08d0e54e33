#include "../shell/inventoryfixture.h"
#include "manageroles.h"
#include "modalanswerer.h"
#include "securitypage.h"
#include "settingspagedialogs.h"
#include "settingstest.h"

#include <QLineEdit>
#include <QMainWindow>

using namespace SettingsTest;

// The security page opens the role editor on the test's inventory database.
class TestSecurityPage : public InventoryTest
{
    Q_OBJECT

private slots:
    void initTestCase();
    void roleEditorFromThePage_data();
    void roleEditorFromThePage();
    void roleEditorNeedsTheShell();
    void saveWithOnlyThisPageShownWritesNothing();
};

void TestSecurityPage::initTestCase()
{
    InventoryTest::initTestCase();
    // As the main window sets it.
    SettingsPageDialogs::userRoles = [](QWidget* parent) -> QDialog* { return new ManageRoles(parent); };
}

void TestSecurityPage::roleEditorFromThePage_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QList<int>>("modules");
    QTest::addColumn<bool>("opens");
    QTest::newRow("administrator") << "ADMINISTRATOR" << QList<int>{} << true;
    QTest::newRow("settings and roles") << "MANAGER" << QList<int>{13, 6} << true;
    // Settings alone would otherwise hand out every module, its own included.
    QTest::newRow("settings without roles") << "SALES PERSON" << QList<int>{13} << false;
}

void TestSecurityPage::roleEditorFromThePage()
{
    QFETCH(QString, role);
    QFETCH(QList<int>, modules);
    QFETCH(bool, opens);
    AppSettings* appSettings = AppSettings::Instance();
    QMainWindow host;
    appSettings->mainWindow = &host;
    appSettings->roleName = role;
    appSettings->SetPermittedModules(modules);

    const QStringList rolesBefore = fixture.rows(QStringLiteral("SELECT NAME FROM tblRoles ORDER BY ID"));
    bool modal = false;
    QWidget* parent = nullptr;
    if (opens) {
        answerer->handleClass<QDialog>("ManageRoles", [&](QDialog* editor) {
            modal = editor->isModal();
            parent = editor->parentWidget();
            Child<QLineEdit>(editor, "lineEdit")->setText(QStringLiteral("Night Shift"));
            Child<QPushButton>(editor, "pushButtonAdd")->click();
            editor->reject();
        });
    } else {
        answerer->pressButton(QMessageBox::Ok);
    }
    {
        SettingsDialog dialog;
        ShowRow(dialog, 8);
        Press(dialog, "pushUserRoles");
        Press(dialog, "pushClose");
    }
    appSettings->mainWindow = nullptr;
    QStringList rolesAfter = rolesBefore;
    if (opens) {
        QVERIFY(modal);
        QCOMPARE(parent, &host);
        QCOMPARE(answerer->messages(), QStringList());
        // Kept although the settings dialog was closed without saving.
        rolesAfter << QStringLiteral("Night Shift");
    } else {
        QCOMPARE(answerer->messages(),
                 QStringList{"Module Permission|You are not allowed to access this function. Please contact "
                             "ADMINISTRATOR user of Vorantel and request desired permissions."});
    }
    QCOMPARE(fixture.rows(QStringLiteral("SELECT NAME FROM tblRoles ORDER BY ID")), rolesAfter);
}

void TestSecurityPage::roleEditorNeedsTheShell()
{
    const SettingsPageDialogs::Factory shellFactory = SettingsPageDialogs::userRoles;
    SettingsPageDialogs::userRoles = nullptr;
    SecurityPage page(nullptr);
    SettingsPageDialogs::userRoles = shellFactory;
    QVERIFY(!Child<QPushButton>(&page, "pushUserRoles")->isEnabled());
}

void TestSecurityPage::saveWithOnlyThisPageShownWritesNothing()
{
    AppSettings::Instance()->roleName = QStringLiteral("ADMINISTRATOR");
    SettingsDialog dialog;
    ShowRow(dialog, 8);
    ShowRow(dialog, 10);
    const auto before = Store();
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    // Only the general page, built loaded, writes; these two pages add nothing and stop nothing.
    QStringList changed = Changed(before, Store());
    for (const QString& key : GeneralKeys())
        changed.removeAll(key);
    QCOMPARE(changed, QStringList());
}

VORANTEL_TEST_MAIN(TestSecurityPage)
#include "tst_securitypage.moc"
