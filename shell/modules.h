#pragma once

#include <QString>
#include <QVector>

// Module numbers of the permission system. A number is what tblPermissions.MODULE_ID
// stores, what the login loads into the permitted-module list and what every permission
// check asks for, so the values never change. 16 is reserved: never offered, grants nothing.
enum Module {
    MODULE_POINT_OF_SALE = 0,
    MODULE_PRODUCT_MANAGEMENT = 1,
    MODULE_INVENTORY_MANAGEMENT = 2,
    MODULE_SALES_MANAGEMENT = 3,
    MODULE_PURCHASE_MANAGEMENT = 4,
    MODULE_EXPENSE_MANAGEMENT = 5,
    MODULE_ROLES_MANAGEMENT = 6,
    MODULE_CATEGORIES_MANAGEMENT = 7,
    MODULE_REPORTS_MANAGEMENT = 8,
    MODULE_CUSTOMERS_MANAGEMENT = 9,
    MODULE_VENDORS_MANAGEMENT = 10,
    MODULE_USERS_MANAGEMENT = 11,
    MODULE_DATABASE_MANAGEMENT = 12,
    MODULE_SETTINGS = 13,
    MODULE_BARCODE_GENERATOR = 14,
    MODULE_BACKUP = 15,
    MODULE_SALES_AND_INVENTORY_OVERVIEW = 17
};

struct ModuleEntry
{
    int number;
    QString name; // translated, as the permission chooser shows it
};

// Every module that can be granted, in number order.
QVector<ModuleEntry> PermissionModules();
