#include "modules.h"

#include <QCoreApplication>

QVector<ModuleEntry> PermissionModules()
{
    static const struct
    {
        int number;
        const char* name;
    } table[] = {
        {MODULE_POINT_OF_SALE, QT_TRANSLATE_NOOP("ManageRoles", "POINT OF SALE")},
        {MODULE_PRODUCT_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "PRODUCT MANAGEMENT")},
        {MODULE_INVENTORY_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "INVENTORY MANAGEMENT")},
        {MODULE_SALES_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "SALES MANAGEMENT")},
        {MODULE_PURCHASE_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "PURCHASE MANAGEMENT")},
        {MODULE_EXPENSE_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "EXPENSE MANAGEMENT")},
        {MODULE_ROLES_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "ROLES MANAGEMENT")},
        {MODULE_CATEGORIES_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "CATEGORIES MANAGEMENT")},
        {MODULE_REPORTS_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "REPORTS MANAGEMENT")},
        {MODULE_CUSTOMERS_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "CUSTOMERS MANAGEMENT")},
        {MODULE_VENDORS_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "VENDORS MANAGEMENT")},
        {MODULE_USERS_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "USERS MANAGEMENT")},
        {MODULE_DATABASE_MANAGEMENT, QT_TRANSLATE_NOOP("ManageRoles", "DATABASE MANAGEMENT")},
        {MODULE_SETTINGS, QT_TRANSLATE_NOOP("ManageRoles", "SETTINGS")},
        {MODULE_BARCODE_GENERATOR, QT_TRANSLATE_NOOP("ManageRoles", "BARCODE GENERATOR")},
        {MODULE_BACKUP, QT_TRANSLATE_NOOP("ManageRoles", "BACKUP")},
        {MODULE_SALES_AND_INVENTORY_OVERVIEW, QT_TRANSLATE_NOOP("ManageRoles", "SALES & INVENTORY OVERVIEW")},
    };
    QVector<ModuleEntry> modules;
    for (const auto& entry : table)
        modules.append({entry.number, QCoreApplication::translate("ManageRoles", entry.name)});
    return modules;
}
