#include "managementpage.h"

#include "databasemanager.h"
#include "inventoryimporter.h"
#include "inventorylog.h"
#include "selector.h"

#include <QAbstractProxyModel>
#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlQueryModel>
#include <QTableView>
#include <QTimer>

#include <memory>

namespace {
const int SORTING_THRESHOLD = 1000;

// The table's rows, or -1 when they could not be counted.
int CountRows(ListDatabase database, const QString& table)
{
    DatabaseManager* manager = DatabaseManager::Instance();
    QSqlQuery count(database == ListDatabase::Sales ? *manager->SalesDatabase() : *manager->InventoryDatabase());
    count.setForwardOnly(true);
    if (count.exec(QStringLiteral("SELECT COUNT(*) FROM ") + table) && count.next())
        return count.value(0).toInt();
    qCWarning(lcInventory) << table << "count failed:" << count.lastError().text();
    return -1;
}

void OfferSorting(QTableView* view, QCheckBox* enableSorting)
{
    enableSorting->show();
    enableSorting->setChecked(false);
    view->setSortingEnabled(false);
}

// Counts the table again once the view's list has been read; until a count succeeds, at each read that does.
void CountAtFirstRead(QTableView* view, QCheckBox* enableSorting, const QString& table, ListDatabase database)
{
    auto* proxy = qobject_cast<QAbstractProxyModel*>(view->model());
    auto* list = qobject_cast<QSqlQueryModel*>(proxy ? proxy->sourceModel() : view->model());
    if (!list)
        return;
    auto pending = std::make_shared<QMetaObject::Connection>();
    *pending = QObject::connect(list, &QAbstractItemModel::modelReset, view, [=] {
        if (!list->query().isActive())
            return;
        QObject::disconnect(*pending);
        // Outside the model's reset, which the views and the read's caller are still going through.
        QTimer::singleShot(0, view, [=] {
            const int rows = CountRows(database, table);
            if (rows < 0) {
                CountAtFirstRead(view, enableSorting, table, database);
            } else if (rows >= SORTING_THRESHOLD) {
                OfferSorting(view, enableSorting);
                // The list keeps the database's order, as one opened with this count does.
                view->model()->sort(-1);
                // Its columns were sized with room for the sort arrow it no longer shows. A stretched last column
                // would keep its wider size as its least.
                QHeaderView* header = view->horizontalHeader();
                const bool stretch = header->stretchLastSection();
                header->setStretchLastSection(false);
                view->resizeColumnsToContents();
                header->setStretchLastSection(stretch);
            }
        });
    });
}
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

void SetUpListSorting(QTableView* view, QCheckBox* enableSorting, const QString& table, int sortColumn,
                      ListDatabase database)
{
    const int rows = CountRows(database, table);
    if (rows >= SORTING_THRESHOLD) {
        OfferSorting(view, enableSorting);
        return;
    }
    enableSorting->hide();
    SetListSorting(view, sortColumn, true);
    if (rows < 0)
        CountAtFirstRead(view, enableSorting, table, database);
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
