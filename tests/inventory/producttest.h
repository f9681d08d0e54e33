#pragma once

#include "appsettings.h"
#include "inventoryfixture.h"
#include "messagesettings.h"
#include "testdatabase.h"

#include <QSettings>
#include <QtTest>

// A test program on one inventory database whose products, stock and categories start empty for every
// test function; the informational notices of the product and stock dialogs are silenced.
class ProductTest : public InventoryTest
{
    Q_OBJECT
protected slots:
    void init()
    {
        InventoryTest::init();
        const QString error = fixture.exec({QStringLiteral("DELETE FROM tblPODetails"),
                                            QStringLiteral("DELETE FROM tblInventory"),
                                            QStringLiteral("DELETE FROM tblProducts"),
                                            QStringLiteral("DELETE FROM tblProductCategories"),
                                            QStringLiteral("DELETE FROM tblExpenses"),
                                            QStringLiteral("DELETE FROM tblExpenseCategories")});
        QVERIFY2(error.isEmpty(), qPrintable(error));
        for (const char* id : {"err_msg_16", "err_msg_17", "err_msg_19", "err_msg_30", "err_msg_32"})
            (*MessageSettings::Instance())[QLatin1String(id)].show = false;
        QSettings* settings = AppSettings::Instance()->settings;
        for (const char* key : {"tax_rounding_off", "decimal_places", "aepd_default_auto_generate", "enable_tax",
                                "anib_default_auto_generate", "default_has_expiry_date",
                                "anib_default_sale_price_with_tax", "SALES_TAX_RATE_A", "SUB_ITEMS_MODE"})
            settings->remove(QLatin1String(key));
    }

protected:
    // One value of the first row, or the error text.
    QString value(const QString& select) const { return fixture.rows(select).value(0); }
    // Adds a category and returns its ID as text.
    QString addCategory(const QString& name) const
    {
        fixture.exec({QStringLiteral("INSERT INTO tblProductCategories (NAME) VALUES ('%1')").arg(name)});
        return value(QStringLiteral("SELECT ID FROM tblProductCategories WHERE NAME = '%1'").arg(name));
    }
};
