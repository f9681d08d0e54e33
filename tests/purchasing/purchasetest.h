#pragma once

#include "addeditpurchaseorder.h"
#include "appsettings.h"
#include "databasemanager.h"
#include "messagesettings.h"
#include "purchaseitemsmodel.h"
#include "purchasemanagement.h"
#include "stockfixture.h"
#include "testsupport.h"

#include <QLabel>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTableView>

#include <functional>

// A test program on one inventory database whose orders, lines, products, stock and vendors (but 'NONE')
// start empty for every test function; the purchasing notices are silenced.
class PurchaseTest : public StockTest
{
    Q_OBJECT
protected slots:
    void initTestCase()
    {
        StockTest::initTestCase();
        for (const char* id : {"err_msg_15", "err_msg_20", "err_msg_37"})
            (*MessageSettings::Instance())[QLatin1String(id)].show = false;
    }
    void init()
    {
        StockTest::init();
        QSettings* settings = AppSettings::Instance()->settings;
        for (const char* key : {"tax_rounding_off", "decimal_places", "enable_tax", "delimiter",
                                "apid_default_unit_price_with_tax", "apid_default_sale_price_with_tax",
                                "SALES_TAX_NAME", "final_amount_precision"})
            settings->remove(QLatin1String(key));
    }

protected:
    // A product with its tax rate in percent; returns the error text.
    QString addTaxedProduct(const QString& code, const QString& name, double rate) const
    {
        QString error = addProduct(code, name);
        if (error.isEmpty())
            error = run(QStringLiteral("UPDATE tblProducts SET TAX_RATE = ? WHERE PRODUCT_CODE = ?"), {rate, code});
        return error;
    }
    QString addVendor(const QString& name) const
    {
        return run(QStringLiteral("INSERT INTO tblVendors (NAME, ADDRESS, EMAIL, CONTACT_NUMBER) VALUES (?, ?, ?, ?)"),
                   {name, name + QStringLiteral(" Street 1"), name.toLower() + QStringLiteral("@example.com"),
                    QStringLiteral("555-0100")});
    }
    // A trigger that makes every statement of the kind on the table fail with the message.
    QString failOn(const QString& when, const QString& table, const QString& message) const
    {
        return fixture.exec({QStringLiteral("CREATE TRIGGER fail_%1 BEFORE %2 ON %3 FOR EACH ROW SIGNAL SQLSTATE "
                                            "'45000' SET MESSAGE_TEXT = '%4'")
                                 .arg(table + QString::number(qHash(when)), when, table, message)});
    }
    // The first line of the order as the editor's grid reads it.
    static QSqlRecord firstLine(const QString& orderId)
    {
        QSqlQueryModel model;
        model.setQuery(PurchaseItemsModel::ItemsQuery(orderId), *DatabaseManager::Instance()->InventoryDatabase());
        return model.record(0);
    }
    // The page's first order as its Edit hands it to the editor.
    static QSqlRecord listRow(PurchaseManagement& page)
    {
        auto* proxy = qobject_cast<QSortFilterProxyModel*>(Child<QTableView>(&page, "tableViewItems")->model());
        return qobject_cast<QSqlQueryModel*>(proxy->sourceModel())->record(0);
    }
    // Runs the editor on the first order the purchase orders page lists.
    static void withListedOrder(const std::function<void(AddEditPurchaseOrder&)>& action, QWidget* parent = nullptr)
    {
        PurchaseManagement page(nullptr);
        QSqlRecord row = listRow(page);
        AddEditPurchaseOrder editor(parent, &row);
        action(editor);
    }
    static QString statusText(const QObject* dialog) { return Child<QLabel>(dialog, "labelStatus")->text(); }
    static QString statusStyle(const QObject* dialog) { return Child<QLabel>(dialog, "labelStatus")->styleSheet(); }
};
