#include "messagesettings.h"
#include "modalanswerer.h"
#include "productimagespage.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>

using namespace SettingsTest;

namespace {

struct OpenImagesPage
{
    ProductImagesPage page{nullptr};
    QLineEdit* folder = Child<QLineEdit>(&page, "lineImagesFolder");
    OpenImagesPage() { page.LoadSettings(); }
};

QString MakeFolder(const QString& name)
{
    const QString path = TestSupport::ScratchDir() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return QDir(path).absolutePath();
}

} // namespace

class TestProductImagesPage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void loadAndSave_data();
    void loadAndSave();
    void chosenFolderIsRememberedAtOnce();
    void cancelledChooserChangesNothing();
    void silencedNoticeGoesStraightToChooser();
    void neverShownWritesNothing();

private:
    // Answers the folder chooser: notes where it starts, then picks the folder (empty: cancel).
    void answerChooser(const QString& folder);

    ModalAnswerer* answerer = nullptr;
    QString chooserStart;
};

void TestProductImagesPage::initTestCase()
{
    answerer = new ModalAnswerer(this);
}

void TestProductImagesPage::init()
{
    TestSupport::ClearSettings();
    MessageSettings::Instance()->Load();
    answerer->clear();
}

void TestProductImagesPage::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestProductImagesPage::answerChooser(const QString& folder)
{
    answerer->handleClass<QFileDialog>("QFileDialog", [this, folder](QFileDialog* chooser) {
        chooserStart = chooser->directory().absolutePath();
        if (chooser->fileMode() != QFileDialog::Directory || !chooser->testOption(QFileDialog::ShowDirsOnly))
            chooserStart = QStringLiteral("not a folder chooser");
        if (folder.isEmpty()) {
            chooser->reject();
            return;
        }
        chooser->setDirectory(folder);
        static_cast<QDialog*>(chooser)->accept();
    });
}

void TestProductImagesPage::loadAndSave_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("typed"); // replaces the field's text when not null
    QTest::addColumn<QString>("written");
    QTest::newRow("empty store writes empty") << QVariant() << QString() << "";
    QTest::newRow("stored folder kept") << QVariant("/srv/images") << QString() << "/srv/images";
    QTest::newRow("typed, not checked") << QVariant("/srv/images") << "/no/such/folder" << "/no/such/folder";
}

void TestProductImagesPage::loadAndSave()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QSettings* store = TestSupport::Settings();
    if (stored.isValid())
        store->setValue("IMAGES_FOLDER", stored);
    OpenImagesPage open;
    QCOMPARE(open.folder->text(), stored.toString());
    QCOMPARE(open.folder->placeholderText(), QStringLiteral("Set path to product images folder"));
    if (!typed.isNull())
        open.folder->setText(typed);
    QVERIFY(open.page.SaveSettings());
    QVERIFY(store->contains("IMAGES_FOLDER"));
    QCOMPARE(store->value("IMAGES_FOLDER"), QVariant(written));
}

void TestProductImagesPage::chosenFolderIsRememberedAtOnce()
{
    QSettings* store = TestSupport::Settings();
    const QString start = MakeFolder(QStringLiteral("last-used"));
    const QString images = MakeFolder(QStringLiteral("shop images"));
    store->setValue("IMAGES_FOLDER", QStringLiteral("/old/images"));
    store->setValue("RECENT_LOCATION", start);
    {
        SettingsDialog dialog;
        ShowRow(dialog, 9);
        answerer->handleClass<QDialog>("ErrorDialog", [](QDialog* notice) { notice->reject(); });
        answerChooser(images);
        Child<QPushButton>(&dialog, "pushSelectImagesFolder")->click();
        QCOMPARE(answerer->seen.size(), 2);
        QCOMPARE(answerer->seen.first().title, QStringLiteral("Product Images"));
        QCOMPARE(chooserStart, start);
        QCOMPARE(Child<QLineEdit>(&dialog, "lineImagesFolder")->text(), images);
        QCOMPARE(store->value("RECENT_LOCATION"), QVariant(images));
        Press(dialog, "pushClose");
    }
    // Closed without saving: the images folder stays, the chooser's folder is already remembered.
    QCOMPARE(store->value("IMAGES_FOLDER"), QVariant(QStringLiteral("/old/images")));
    QCOMPARE(store->value("RECENT_LOCATION"), QVariant(images));
}

void TestProductImagesPage::cancelledChooserChangesNothing()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("IMAGES_FOLDER", QStringLiteral("/srv/images"));
    OpenImagesPage open;
    const auto before = Store();
    answerer->handleClass<QDialog>("ErrorDialog", [](QDialog* notice) { notice->reject(); });
    answerChooser(QString());
    Child<QPushButton>(&open.page, "pushSelectImagesFolder")->click();
    QCOMPARE(answerer->seen.size(), 2);
    QCOMPARE(open.folder->text(), QStringLiteral("/srv/images"));
    QCOMPARE(Changed(before, Store()), QStringList());
}

void TestProductImagesPage::silencedNoticeGoesStraightToChooser()
{
    const QString images = MakeFolder(QStringLiteral("images"));
    OpenImagesPage open;
    // The user ticks "Do not show me this message again" on the first notice.
    answerer->handle([](QWidget* notice) {
        if (!notice->inherits("ErrorDialog"))
            return false;
        QCheckBox* box = notice->findChild<QCheckBox*>();
        if (!box || !box->isVisible())
            return false;
        box->setChecked(true);
        QTimer::singleShot(0, notice->findChild<QPushButton*>(QStringLiteral("pushButton")), &QPushButton::click);
        return true;
    });
    answerChooser(QString());
    Child<QPushButton>(&open.page, "pushSelectImagesFolder")->click();
    QCOMPARE(answerer->seen.size(), 2);

    answerer->seen.clear();
    answerChooser(images);
    Child<QPushButton>(&open.page, "pushSelectImagesFolder")->click();
    QCOMPARE(answerer->seen.size(), 1);
    QCOMPARE(answerer->seen.first().className, QStringLiteral("QFileDialog"));
    QCOMPARE(open.folder->text(), images);
}

void TestProductImagesPage::neverShownWritesNothing()
{
    SettingsDialog dialog;
    const auto before = Store();
    Press(dialog, "pushSave");
    QVERIFY(dialog.saved);
    const QStringList changed = Changed(before, Store());
    QVERIFY(!changed.contains("IMAGES_FOLDER"));
    QVERIFY(!changed.contains("RECENT_LOCATION"));
}

VORANTEL_TEST_MAIN(TestProductImagesPage)
#include "tst_productimagespage.moc"
