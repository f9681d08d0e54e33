#include "companypage.h"
#include "modalanswerer.h"
#include "settingstest.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>
#include <QTextEdit>

using namespace SettingsTest;

namespace {

struct OpenCompanyPage
{
    CompanyPage page{nullptr};
    QLineEdit* name = Child<QLineEdit>(&page, "editCompanyName");
    QLineEdit* phone = Child<QLineEdit>(&page, "editPhoneNumber");
    QTextEdit* address = Child<QTextEdit>(&page, "textCompanyAddress");
    QLineEdit* logo = Child<QLineEdit>(&page, "editCompanyLogo");
    QSlider* size = Child<QSlider>(&page, "horizontalSlider");
    QLabel* preview = Child<QLabel>(&page, "labelLogo");
    QLineEdit* shipName = Child<QLineEdit>(&page, "lineShipName");
    QLineEdit* shipContact = Child<QLineEdit>(&page, "lineShipContact");
    QTextEdit* shipAddress = Child<QTextEdit>(&page, "textShippingAddress");
    OpenCompanyPage() { page.LoadSettings(); }
    QSize previewSize() const { return preview->pixmap() ? preview->pixmap()->size() : QSize(); }
};

} // namespace

class TestCompanyPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void shippingDetails_data();
    void shippingDetails();
    void saveWritesEveryKey();
    void logoPreview_data();
    void logoPreview();
    void unreadableLogoShowsNoLogo_data();
    void unreadableLogoShowsNoLogo();
    void chosenLogoRemembersFolderAtOnce();
    void neverShownWritesNothing();

private:
    ModalAnswerer* answerer = nullptr;
};

void TestCompanyPage::init()
{
    TestSupport::ClearSettings();
    if (!answerer)
        answerer = new ModalAnswerer(this);
    answerer->clear();
}

void TestCompanyPage::cleanup()
{
    QVERIFY2(answerer->failures.isEmpty(), qPrintable(answerer->failures.join(QLatin1Char('\n'))));
    QCOMPARE(answerer->pendingAnswers(), 0);
}

void TestCompanyPage::shippingDetails_data()
{
    QTest::addColumn<bool>("companyStored");
    QTest::addColumn<bool>("shippingStored");
    QTest::addColumn<QStringList>("shown"); // ship name, contact, address
    QTest::newRow("fresh store") << false << false << QStringList{"", "", ""};
    QTest::newRow("company only") << true << false << QStringList{"Acme", "555-1", "1 Road\nTown"};
    QTest::newRow("both") << true << true << QStringList{"Depot", "555-9", "9 Dock"};
}

void TestCompanyPage::shippingDetails()
{
    QFETCH(bool, companyStored);
    QFETCH(bool, shippingStored);
    QFETCH(QStringList, shown);
    QSettings* store = TestSupport::Settings();
    if (companyStored) {
        store->setValue(REPORT_COMPANY_NAME, QStringLiteral("Acme"));
        store->setValue(REPORT_PHONE_NUMBER, QStringLiteral("555-1"));
        store->setValue(REPORT_COMPANY_ADDRESS, QStringLiteral("1 Road\nTown"));
    }
    if (shippingStored) {
        store->setValue("SHIPPING_NAME", QStringLiteral("Depot"));
        store->setValue("SHIPPING_CONTACT", QStringLiteral("555-9"));
        store->setValue("SHIPPING_ADDRESS", QStringLiteral("9 Dock"));
    }
    OpenCompanyPage open;
    QCOMPARE(QStringList({open.shipName->text(), open.shipContact->text(), open.shipAddress->toPlainText()}), shown);

    // Filling in the company now does not fill the shipping details of this visit.
    open.name->setText(QStringLiteral("Newco"));
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(store->value("SHIPPING_NAME"), QVariant(shown[0]));
    QCOMPARE(store->value("SHIPPING_CONTACT"), QVariant(shown[1]));
    QCOMPARE(store->value("SHIPPING_ADDRESS"), QVariant(shown[2]));
    QCOMPARE(store->value(REPORT_COMPANY_NAME), QVariant(QStringLiteral("Newco")));
}

void TestCompanyPage::saveWritesEveryKey()
{
    QSettings* store = TestSupport::Settings();
    store->setValue("printCompanyLogoLarge", false);
    OpenCompanyPage open;
    QCOMPARE(open.size->value(), 20);
    QVERIFY(Child<QCheckBox>(&open.page, "checkPrintCompanyInfo")->isChecked());
    QVERIFY(!Child<QCheckBox>(&open.page, "checkPrintCompanyLogo")->isChecked());

    open.name->setText(QStringLiteral("Acme"));
    open.phone->setText(QStringLiteral("555-1"));
    open.address->setPlainText(QStringLiteral("<b>1</b> Road\nTown"));
    open.logo->setText(QStringLiteral("/no/such/logo.png"));
    Child<QLineEdit>(&open.page, "lineStoreName")->setText(QStringLiteral("S1"));
    Child<QLineEdit>(&open.page, "lineTerminalID")->setText(QStringLiteral("T7"));
    open.size->setValue(33);
    Child<QCheckBox>(&open.page, "checkPrintCompanyInfo")->setChecked(false);
    QVERIFY(open.page.SaveSettings());

    QCOMPARE(store->value(REPORT_COMPANY_NAME), QVariant(QStringLiteral("Acme")));
    QCOMPARE(store->value(REPORT_PHONE_NUMBER), QVariant(QStringLiteral("555-1")));
    QCOMPARE(store->value(REPORT_COMPANY_ADDRESS), QVariant(QStringLiteral("<b>1</b> Road\nTown")));
    QCOMPARE(store->value(REPORT_COMPANY_LOGO), QVariant(QStringLiteral("/no/such/logo.png")));
    QCOMPARE(store->value("store_id"), QVariant(QStringLiteral("S1")));
    QCOMPARE(store->value("terminal_id"), QVariant(QStringLiteral("T7")));
    QCOMPARE(store->value("logoSizeLarge"), QVariant(33));
    QCOMPARE(store->value("printCompanyInfoLarge"), QVariant(false));
    QCOMPARE(store->value("printCompanyLogoLarge"), QVariant(false));
}

void TestCompanyPage::logoPreview_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QSize>("preview");
    // The sample logo is 200 x 100.
    QTest::newRow("default 20") << 0 << QSize(120, 60);
    QTest::newRow("smallest") << 1 << QSize(6, 3);
    QTest::newRow("largest") << 40 << QSize(240, 120);
    QTest::newRow("seven") << 7 << QSize(42, 21);
}

void TestCompanyPage::logoPreview()
{
    QFETCH(int, size);
    QFETCH(QSize, preview);
    OpenCompanyPage open;
    if (size > 0)
        open.size->setValue(size);
    QCOMPARE(open.previewSize(), preview);
    QCOMPARE(open.preview->size(), preview);
    QCOMPARE(Child<QLabel>(&open.page, "labelSize")->text(), QString::number(open.size->value()));
}

void TestCompanyPage::unreadableLogoShowsNoLogo_data()
{
    QTest::addColumn<QByteArray>("content"); // written to the logo file; "-" for no file at all
    QTest::newRow("missing file") << QByteArray("-");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("not an image") << QByteArray("plain text, not a picture");
}

void TestCompanyPage::unreadableLogoShowsNoLogo()
{
    QFETCH(QByteArray, content);
    const QString path = TestSupport::ScratchDir() + QStringLiteral("/logo.png");
    QFile::remove(path);
    if (content != "-")
        QVERIFY(TestSupport::WriteFile(path, content));
    TestSupport::Settings()->setValue(REPORT_COMPANY_LOGO, path);

    OpenCompanyPage open;
    QCOMPARE(open.previewSize(), QSize());
    open.size->setValue(3);
    QCOMPARE(open.previewSize(), QSize());
    QCOMPARE(Child<QLabel>(&open.page, "labelSize")->text(), QStringLiteral("3"));
    QVERIFY(open.page.SaveSettings());
    QCOMPARE(TestSupport::Settings()->value(REPORT_COMPANY_LOGO), QVariant(path));
}

void TestCompanyPage::chosenLogoRemembersFolderAtOnce()
{
    const QString logo = TestSupport::ScratchDir() + QStringLiteral("/chosen.png");
    QImage image(50, 100, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    QVERIFY(image.save(logo));

    SettingsDialog dialog;
    dialog.show();
    ShowRow(dialog, 1);
    const auto before = Store();
    answerer->handleClass<QFileDialog>("QFileDialog", [logo](QFileDialog* chooser) {
        // selectFile() leaves a focused name field alone: type the path as a user would.
        Child<QLineEdit>(chooser, "fileNameEdit")->setText(logo);
        static_cast<QDialog*>(chooser)->accept();
    });
    Child<QPushButton>(&dialog, "selectImage")->click();
    QCOMPARE(Child<QLineEdit>(&dialog, "editCompanyLogo")->text(), logo);
    // 20 steps: 120 pixels wide, the height in proportion.
    QCOMPARE(Child<QLabel>(&dialog, "labelLogo")->pixmap()->size(), QSize(120, 240));
    QCOMPARE(answerer->seen.value(0).title, QStringLiteral("Select Product Image"));

    Press(dialog, "pushClose");
    QCOMPARE(Changed(before, Store()), QStringList{"RECENT_LOCATION"});
    QCOMPARE(TestSupport::Settings()->value("RECENT_LOCATION"), QVariant(logo));
}

void TestCompanyPage::neverShownWritesNothing()
{
    CompanyPage page(nullptr);
    QVERIFY(page.SaveSettings());
    QVERIFY(TestSupport::Settings()->allKeys().isEmpty());
}

VORANTEL_TEST_MAIN(TestCompanyPage)
#include "tst_companypage.moc"
