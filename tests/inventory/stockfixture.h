#pragma once

#include "inventoryfixture.h"

#include <QVariantList>

// An inventory database with products and stock for the list pages and stock moves; every test
// function starts without products, stock, categories or vendors (beyond 'NONE').
class StockTest : public InventoryTest
{
    Q_OBJECT
protected slots:
    void initTestCase();
    void init();

protected:
    // Each returns an empty text on success, otherwise the driver's error.
    QString run(const QString& sql, const QVariantList& binds = {}) const;
    QString addProduct(const QString& code, const QString& name, const QString& category = QStringLiteral("General"),
                       const QString& imageFile = QString()) const;
    QString addStock(const QString& productCode, const QString& stockCode, int quantity, double salePrice = 1.5,
                     const QString& location = QString(), const QString& expiry = QString()) const;
    // count stock rows "B0001"... of one product "BULK" in one statement.
    QString addManyStock(int count) const;
    // The stored quantity of a stock code, or its error text.
    QString quantity(const QString& stockCode) const;
    QStringList rows(const QString& select, const QVariantList& binds = {}) const;
};
