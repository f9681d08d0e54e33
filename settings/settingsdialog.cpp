#include "settingsdialog.h"
#include "ui_settingsdialog.h"

#include "appsettings.h"
#include "companypage.h"
#include "currencypage.h"
#include "generalpage.h"
#include "placeholderpage.h"
#include "settingspage.h"
#include "taxpage.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QScroller>
#include <QStackedWidget>
#include <QTimer>

#include <iterator>

namespace {

struct PageEntry
{
    const char* text;
    const char* icon;
};

// List row = stack index.
const PageEntry PAGES[] = {
    {QT_TRANSLATE_NOOP("SettingsDialog", "General"), "general.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Company"), "company.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Currency"), "currency.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Tax"), "tax.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Printing"), "printer.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Small Receipt"), "receipt_printer.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Point of Sale"), "pos.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Pole Display"), "pole.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Security"), "security.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "Product Images"), "logo.png"},
    {QT_TRANSLATE_NOOP("SettingsDialog", "MySql Server"), "mysqlserver.png"},
};

} // namespace

SettingsDialog::SettingsDialog(QWidget* parent)
    : VorantelDialog(parent)
    , ui(new Ui::SettingsDialog)
{
    ui->setupUi(this);
    QScroller::grabGesture(ui->scrollArea->viewport(), QScroller::LeftMouseButtonGesture);
    QScroller::grabGesture(ui->contentWidget->viewport(), QScroller::LeftMouseButtonGesture);

    resize(915, 635);
    saved = false;
    startProgram = [](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
    };
    quitProgram = [] {
        QCoreApplication::quit();
        // A quit() before the main loop runs is lost (the first-start dialog opens from the main
        // window's constructor), so keep asking until the loop is there and ends.
        auto* again = new QTimer(qApp);
        QObject::connect(again, &QTimer::timeout, qApp, &QCoreApplication::quit);
        again->start(0);
    };

    ui->contentWidget->setIconSize(QSize(32, 32));
    ui->contentWidget->setMaximumWidth(200);
    ui->contentWidget->setSpacing(5);

    CreatePages();
    CreateIcons();
    ui->contentWidget->setCurrentRow(0);
}

SettingsDialog::~SettingsDialog()
{
    delete ui;
}

QListWidget* SettingsDialog::contentWidget() const
{
    return ui->contentWidget;
}

QStackedWidget* SettingsDialog::pagesWidget() const
{
    return ui->pagesWidget;
}

void SettingsDialog::CreatePages()
{
    // The form's stack was drawn with two pages of its own.
    while (ui->pagesWidget->count() > 0) {
        QWidget* designed = ui->pagesWidget->widget(0);
        ui->pagesWidget->removeWidget(designed);
        delete designed;
    }
    generalPage = new GeneralPage(this);
    ui->pagesWidget->addWidget(generalPage);
    ui->pagesWidget->addWidget(new CompanyPage(this));
    ui->pagesWidget->addWidget(new CurrencyPage(this));
    ui->pagesWidget->addWidget(new TaxPage(this));
    for (int i = ui->pagesWidget->count(); i < int(std::size(PAGES)); ++i)
        ui->pagesWidget->addWidget(new PlaceholderPage(this));
}

void SettingsDialog::CreateIcons()
{
    for (const PageEntry& entry : PAGES) {
        auto* item = new QListWidgetItem;
        item->setIcon(QIcon(QStringLiteral(":/resources/images/settings/") + QLatin1String(entry.icon)));
        item->setText(tr(entry.text));
        item->setTextAlignment(Qt::AlignVCenter);
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        ui->contentWidget->addItem(item);
    }
    connect(ui->contentWidget, &QListWidget::currentItemChanged, this, &SettingsDialog::ChangePage);
}

void SettingsDialog::ChangePage(QListWidgetItem* current, QListWidgetItem* previous)
{
    QListWidgetItem* item = current ? current : previous;
    if (!item)
        return;
    const int row = ui->contentWidget->row(item);
    ui->pagesWidget->setCurrentIndex(row);
    if (auto* page = qobject_cast<SettingsPage*>(ui->pagesWidget->widget(row)))
        page->LoadSettings();
}

void SettingsDialog::on_pushSave_clicked()
{
    // Pages before a rejecting one keep what they wrote; the user fixes the page and saves again.
    for (int i = 0; i < ui->pagesWidget->count(); ++i) {
        auto* page = qobject_cast<SettingsPage*>(ui->pagesWidget->widget(i));
        if (page && !page->SaveSettings()) {
            ui->pagesWidget->setCurrentIndex(i);
            return;
        }
    }
    saved = true;
    // Only now: the new copy must find every page's keys, and a refused save keeps the request.
    if (generalPage && generalPage->RelaunchRequested()) {
        generalPage->ClearRelaunchRequest();
        Relaunch();
    }
    close();
}

void SettingsDialog::Relaunch()
{
    // "restart" lets the new copy past the single-instance guard that this one still holds.
    const QStringList arguments = QCoreApplication::arguments() << QStringLiteral("restart");
    const QString program = arguments.first();
    // QSettings writes to disk later on its own; the new copy must read what was just saved.
    AppSettings::Instance()->settings->sync();
    if (!startProgram(program, arguments)) {
        QMessageBox::warning(this, tr("Restart"),
                             tr("Vorantel could not be started again (%1). The new settings take effect when you "
                                "restart it yourself.")
                                 .arg(program));
        return;
    }
    relaunched = true;
    quitProgram();
}

void SettingsDialog::on_pushClose_clicked()
{
    close();
}
