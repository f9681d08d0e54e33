#pragma once

#include "appsettings.h"

#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QObject;
class QPoint;
class QPushButton;
class QTableView;

// What the products page and the inventory page do alike.

// Picture shown for a row that names no image file.
QString NoImagePath();
// Style sheet that fills an image label with the picture at path.
QString ImageLabelStyle(const QString& path);

// Shows the picture panel with its title and check box, or folds it away behind its show button.
void SetPicturePanelShown(QGroupBox* group, QLabel* image, QPushButton* showButton, bool shown, const QString& title);

// The connection on which a list's table is counted.
enum class ListDatabase { Inventory, Sales };

// Small tables sort on sortColumn from the start; large ones leave sorting to the enable check box,
// because sorting every row is slow. A count that fails (the server away when the page opens) counts as
// a small table until the first read of the view's list that succeeds, which counts the rows again.
void SetUpListSorting(QTableView* view, QCheckBox* enableSorting, const QString& table, int sortColumn,
                      ListDatabase database = ListDatabase::Inventory);
void SetListSorting(QTableView* view, int sortColumn, bool enabled);

// Hides the columns the user chose to hide, shows the others and fits them to their contents.
void ShowChosenColumns(QTableView* view, const ColumnVisibility& columns);

// Context menu entry and column chooser over the view's columns; true when the user confirmed a choice.
bool ChooseVisibleColumns(QTableView* view, ColumnVisibility& columns, const QPoint& pos);

// Runs the inventory import dialog over the main window; false when page did not outlive it (the import's
// settings button may rebuild the main window's page).
bool RunInventoryImport(QObject* page);
