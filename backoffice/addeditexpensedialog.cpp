#include "addeditexpensedialog.h"

#include "appsettings.h"
#include "constants.h"
#include "databasefailure.h"
#include "databaselog.h"
#include "databasemanager.h"
#include "managecategories.h"
#include "sqlfilter.h"
#include "statuslabel.h"
#include "textfields.h"

#include <QLocale>
#include <QMainWindow>
#include <QScroller>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>
#include <QtNumeric>

namespace {

enum CategoryColumn { CATEGORY_ID = 0, CATEGORY_NAME = 1 };
enum RecordField { EXPENSE_ID = 0, EXPENSE_CATEGORY, EXPENSE_DATED, EXPENSE_AMOUNT, EXPENSE_DESCRIPTION };

const int DESCRIPTION_LENGTH = 250; // tblExpenses.DESCRIPTION

} // namespace

AddEditExpenseDialog::AddEditExpenseDialog(QWidget* parent)
    : VorantelDialog(parent)
{
    ui.setupUi(this);
    // A long message, such as the server's reason, would otherwise widen the page and move the fields.
    KeepStatusRoom(ui.labelStatus, 2);
    QScroller::grabGesture(ui.scrollArea, QScroller::LeftMouseButtonGesture);

    QSettings* store = AppSettings::Instance()->settings;
    decimalPlaces = store->value(QStringLiteral("decimal_places"), QStringLiteral("2")).toString();
    currencySymbol = store->value(CURRENCY_SYMBOL, QStringLiteral("$")).toString();
    ui.date->setDate(QDate::currentDate());
    ui.date->setDisplayFormat(AppSettings::Instance()->DateFormat());

    categories = new QSqlTableModel(this, *DatabaseManager::Instance()->InventoryDatabase());
    categories->setTable(QStringLiteral("tblExpenseCategories"));
    categories->setSort(CATEGORY_NAME, Qt::AscendingOrder);
    ui.comboCategories->setModel(categories);
    ui.comboCategories->setModelColumn(CATEGORY_NAME);
    LoadCategories();
}

AddEditExpenseDialog::~AddEditExpenseDialog() = default;

bool AddEditExpenseDialog::LoadCategories()
{
    categoriesRead = SqlFilter::Select(categories);
    if (categoriesRead) {
        SqlFilter::FetchAll(categories);
    } else {
        ShowStatus(tr("Expense categories could not be read: %1").arg(DatabaseFailure::ReadReason(categories)), 0);
    }
    return categoriesRead;
}

void AddEditExpenseDialog::ShowStatus(const QString& text, int kind)
{
    ShowFlashingStatus(ui.labelStatus, parentWidget() ? parentWidget()->styleSheet() : QString(), text, kind);
}

void AddEditExpenseDialog::LoadExpense(const QSqlRecord& record)
{
    editMode = true;
    ui.pushAdd->setText(tr("Update"));
    expenseId = record.value(EXPENSE_ID).toString();
    ui.comboCategories->setCurrentText(record.value(EXPENSE_CATEGORY).toString());
    ui.date->setDate(QDate::fromString(record.value(EXPENSE_DATED).toString(), QStringLiteral("yyyy-MM-dd")));
    ui.lineAmount->setText(AppSettings::Instance()->locale->toString(record.value(EXPENSE_AMOUNT).toDouble(), 'f',
                                                                     decimalPlaces.toInt()));
    loadedAmount = ui.lineAmount->text();
    ui.textDescription->setPlainText(record.value(EXPENSE_DESCRIPTION).toString());
}

void AddEditExpenseDialog::PrefillExpense(const QString& description, QString amount, const QString& categoryName,
                                          QDate date)
{
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT ID FROM tblExpenseCategories WHERE NAME = :name"));
    query->bindValue(QStringLiteral(":name"), categoryName);
    bool exists = query->exec() && query->next();
    if (!exists) {
        query = DatabaseManager::Instance()->InventoryQuery();
        query->prepare(QStringLiteral("INSERT INTO tblExpenseCategories (NAME) VALUES(:name)"));
        query->bindValue(QStringLiteral(":name"), categoryName);
        exists = query->exec();
        if (exists)
            LoadCategories();
        else
            LogDatabaseError(query->lastError());
    }
    if (!exists)
        return;
    ui.comboCategories->setCurrentText(categoryName);
    ui.date->setDate(date);
    ui.lineAmount->setText(amount);
    ui.textDescription->setPlainText(description);
}

bool AddEditExpenseDialog::ValidateInput()
{
    if (ui.comboCategories->currentText().isEmpty()) {
        // A list the server could not give is no choice the user left out: read it again, or say why not.
        if (!categoriesRead) {
            if (!LoadCategories()) {
                ui.comboCategories->setFocus();
                return false;
            }
            ui.comboCategories->setCurrentIndex(-1);
        }
        ShowStatus(tr("Please select expense category"), 0);
        ui.comboCategories->setFocus();
        return false;
    }
    const QLocale* locale = AppSettings::Instance()->locale;
    bool ok = false;
    const double amount = locale->toDouble(ui.lineAmount->text(), &ok);
    // "inf" and "nan" parse, but the column holds only finite amounts.
    if (!ok || !qIsFinite(amount)) {
        ShowStatus(tr("Amount is not valid. Example 50%1").arg(locale->decimalPoint()) + QStringLiteral("50"), 0);
        ui.lineAmount->setFocus();
        return false;
    }
    const QString refusal = FieldRefusal({{ui.textDescription, tr("Description"), DESCRIPTION_LENGTH}});
    if (!refusal.isEmpty()) {
        ShowStatus(refusal, 0);
        return false;
    }
    return true;
}

void AddEditExpenseDialog::on_pushAdd_clicked()
{
    if (!ValidateInput())
        return;
    const QVariant categoryId = categories->record(ui.comboCategories->currentIndex()).value(CATEGORY_ID);
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    const bool writeAmount = !editMode || ui.lineAmount->text() != loadedAmount;
    if (editMode) {
        query->prepare(QStringLiteral("UPDATE tblExpenses SET CATEGORY_ID = :cat_id , DATED = :d, %1"
                                      "DESCRIPTION = :des  WHERE ID = :id")
                           .arg(writeAmount ? QStringLiteral("AMOUNT = :a, ") : QString()));
        query->bindValue(QStringLiteral(":id"), expenseId.toLongLong());
    } else {
        query->prepare(QStringLiteral("INSERT INTO tblExpenses (CATEGORY_ID, DATED, AMOUNT, DESCRIPTION) "
                                      "VALUES(:cat_id, :d, :a, :des)"));
    }
    query->bindValue(QStringLiteral(":cat_id"), categoryId.toInt());
    query->bindValue(QStringLiteral(":d"), ui.date->date().toString(QStringLiteral("yyyy-MM-dd")));
    if (writeAmount)
        query->bindValue(QStringLiteral(":a"), AppSettings::Instance()->locale->toDouble(ui.lineAmount->text()));
    query->bindValue(QStringLiteral(":des"), ui.textDescription->toPlainText());
    const bool saved = query->exec();
    if (saved && editMode)
        loadedAmount = ui.lineAmount->text();

    const QString category = ui.comboCategories->currentText();
    if (editMode) {
        if (saved)
            ShowStatus(tr("%1%2 updated under %3 category ").arg(currencySymbol, ui.lineAmount->text(), category), 1);
        else
            ShowStatus(tr("Error: Can not update expense record.") + QLatin1Char(' ') + DatabaseFailure::WriteReason(*query), 0);
    } else {
        if (saved)
            ShowStatus(tr("%1%2 added under %3 category ").arg(currencySymbol, ui.lineAmount->text(), category), 1);
        else
            ShowStatus(tr("Error: Can not add new expense.") + QLatin1Char(' ') + DatabaseFailure::WriteReason(*query), 0);
    }
}

void AddEditExpenseDialog::on_lineAmount_returnPressed()
{
    on_pushAdd_clicked();
}

void AddEditExpenseDialog::on_pushEditCategories_clicked()
{
    ManageCategories dialog(AppSettings::Instance()->mainWindow, 1);
    dialog.setModal(true);
    dialog.exec();
    LoadCategories();
}

void AddEditExpenseDialog::on_pushClose_clicked()
{
    close();
}
