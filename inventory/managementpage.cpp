#include "managementpage.h"

#include "databasemanager.h"
#include "inventoryimporter.h"
#include "inventorylog.h"
#include "selector.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>

namespace {
const int SORTING_THRESHOLD = 1000;
} // namespace

QString NoImagePath()
{
    return QStringLiteral(":/resources/images/NoImageAvailable.jpg");
}

QString ImageLabelStyle(const QString& path)
{
    return QStringLiteral("QLabel {border-image:url(") + path + QStringLiteral("); }");
}

void SetPicturePanelShown(QGroupBox* group, QLabel* image, QPushButton* showButton, bool shown, const QString& title)
{
    if (shown) {
        image->show();
        showButton->hide();
        group->setTitle(title);
        group->setCheckable(true);
    } else {
        showButton->show();
        group->setTitle(QString());
        group->setCheckable(false);
        image->hide();
    }
}

void SetUpListSorting(QTableView* view, QCheckBox* enableSorting, const QString& table, int sortColumn)
{
    QSqlQuery count(*DatabaseManager::Instance()->InventoryDatabase());
    count.setForwardOnly(true);
    int rows = 0;
    if (count.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) && count.next())
        rows = count.value(0).toInt();
    else
        qCWarning(lcInventory) << table << "count failed:" << count.lastError().text();
    if (rows < SORTING_THRESHOLD) {
        enableSorting->hide();
        SetListSorting(view, sortColumn, true);
    } else {
        enableSorting->show();
        enableSorting->setChecked(false);
        view->setSortingEnabled(false);
    }
}

void SetListSorting(QTableView* view, int sortColumn, bool enabled)
{
    if (enabled) {
        view->sortByColumn(sortColumn, Qt::AscendingOrder);
        view->setSortingEnabled(true);
    } else {
        view->setSortingEnabled(false);
    }
}

void ShowChosenColumns(QTableView* view, const ColumnVisibility& columns)
{
    for (int i = 0; i < columns.size(); ++i)
        view->setColumnHidden(i, !columns.at(i).second);
    view->resizeColumnsToContents();
}

bool ChooseVisibleColumns(QTableView* view, ColumnVisibility& columns, const QPoint& pos)
{
    QMenu menu;
    menu.addAction(QStringLiteral("Hide and Show Columns..."));
    if (!menu.exec(view->mapToGlobal(pos)))
        return false;
    columns.clear();
    QAbstractItemModel* model = view->model();
    for (int column = 0; column < model->columnCount(); ++column)
        columns.append(qMakePair(model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(),
                                 !view->isColumnHidden(column)));
    Selector selector(AppSettings::Instance()->mainWindow);
    selector.SetItems(columns, QCoreApplication::translate("ManagementPage", "Please check all column names which you want to show"),
                      QCoreApplication::translate("ManagementPage", "Hide/Show Columns"));
    selector.exec();
    return !selector.cancelled;
}

bool RunInventoryImport(QObject* page)
{
    QPointer<QObject> alive(page);
    InventoryImporter importer(AppSettings::Instance()->mainWindow);
    importer.setModal(true);
    importer.exec();
    return !alive.isNull();
}
