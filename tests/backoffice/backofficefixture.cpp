#include "backofficefixture.h"

#include "appsettings.h"
#include "constants.h"
#include "databasemanager.h"
#include "databasetest.h"
#include "messagesettings.h"
#include "modalanswerer.h"
#include "testsupport.h"

#include <QDir>
#include <QFileDialog>
#include <QLocale>
#include <QSettings>
#include <QTableView>

QString BackofficeFixture::create()
{
    DatabaseTest::UseFixtureServer();
    inventoryDb = TestDatabase::uniqueName(QStringLiteral("bo_inv"));
    salesDb = TestDatabase::uniqueName(QStringLiteral("bo_sales"));
    QString error = DatabaseTest::Create(1, inventoryDb);
    if (error.isEmpty())
        error = DatabaseTest::Create(2, salesDb);
    if (!error.isEmpty())
        return error;
    DatabaseManager::Instance()->RemoveInventoryDatabase();
    DatabaseManager::Instance()->RemoveSalesDatabase();
    if (!DatabaseManager::Instance()->InventoryDatabase()->isOpen())
        return QStringLiteral("the inventory database does not open");
    if (!DatabaseManager::Instance()->SalesDatabase()->isOpen())
        return QStringLiteral("the sales database does not open");
    return QString();
}

void BackofficeFixture::drop()
{
    DatabaseManager::Instance()->RemoveInventoryDatabase();
    DatabaseManager::Instance()->RemoveSalesDatabase();
    DatabaseManager::Instance()->CloseServerConnection();
    for (const QString& name : {inventoryDb, salesDb}) {
        if (!name.isEmpty())
            TestDatabase::dropDatabase(name);
    }
    inventoryDb.clear();
    salesDb.clear();
}

QString BackofficeFixture::execInventory(const QStringList& statements) const
{
    return TestDatabase::exec(inventoryDb, statements);
}

QString BackofficeFixture::execSales(const QStringList& statements) const
{
    return TestDatabase::exec(salesDb, statements);
}

QStringList BackofficeFixture::inventoryRows(const QString& select, const QVariantList& binds) const
{
    return DatabaseTest::Rows(inventoryDb, select, binds);
}

QStringList BackofficeFixture::salesRows(const QString& select, const QVariantList& binds) const
{
    return DatabaseTest::Rows(salesDb, select, binds);
}

void UseLanguage(QLocale::Language language)
{
    AppSettings::Instance()->settings->setValue(QStringLiteral("locale_lang_index"), int(language));
    AppSettings::Instance()->LoadLocale();
}

QString EmptyScratchFolder(const QString& name)
{
    const QString folder = TestSupport::ScratchDir() + QLatin1Char('/') + name;
    QDir(folder).removeRecursively();
    return QDir().mkpath(folder) ? folder : QString();
}

void AnswerFileDialogIn(ModalAnswerer* answerer, const QString& folder)
{
    answerer->handle([folder](QWidget* modal) {
        auto* chooser = qobject_cast<QFileDialog*>(modal);
        if (!chooser)
            return false;
        chooser->setDirectory(folder);
        static_cast<QDialog*>(chooser)->accept();
        return true;
    });
}

bool SelectRow(QTableView* view, int column, const QString& text)
{
    QAbstractItemModel* model = view->model();
    const QModelIndexList found = model->match(model->index(0, column), Qt::DisplayRole, text, 1,
                                               Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (found.isEmpty())
        return false;
    view->setCurrentIndex(found.first());
    view->selectRow(found.first().row());
    return true;
}

QStringList ColumnTexts(QTableView* view, int column)
{
    QStringList texts;
    QAbstractItemModel* model = view->model();
    for (int row = 0; row < model->rowCount(); ++row)
        texts << model->index(row, column).data().toString();
    return texts;
}

void BackofficeTest::initTestCase()
{
    REQUIRE_TEST_SERVER();
    TestSupport::ClearSettings();
    answerer = new ModalAnswerer(this);
    const QString error = fixture.create();
    QVERIFY2(error.isEmpty(), qPrintable(error));
}

void BackofficeTest::init()
{
    answerer->clear();
    QSettings* store = AppSettings::Instance()->settings;
    // The explanations that a user silences after the first time.
    for (const char* notice : {"err_msg_2", "err_msg_12", "err_msg_20", "err_msg_36"})
        store->setValue(QLatin1String(notice), false);
    MessageSettings::Instance()->Load();
    store->setValue(ACTIVE_INVENTORY_DB, fixture.inventory());
    store->setValue(ACTIVE_SALES_DB, fixture.sales());
}

void BackofficeTest::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void BackofficeTest::cleanupTestCase()
{
    fixture.drop();
}
