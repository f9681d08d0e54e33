#pragma once

#include <QLocale>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantList>

class ModalAnswerer;
class QTableView;
class QWidget;

// An inventory and a sales database for one test program, made from the embedded scripts,
// made active and reached through DatabaseManager as the program reaches them.
class BackofficeFixture
{
public:
    // Each returns an empty text on success, otherwise what went wrong.
    QString create();
    void drop();

    const QString& inventory() const { return inventoryDb; }
    const QString& sales() const { return salesDb; }

    // Statements on a connection of the test's own; the first error text, empty on success.
    QString execInventory(const QStringList& statements) const;
    QString execSales(const QStringList& statements) const;
    // Each row's columns joined by '|' (NULL as "NULL").
    QStringList inventoryRows(const QString& select, const QVariantList& binds = {}) const;
    QStringList salesRows(const QString& select, const QVariantList& binds = {}) const;

private:
    QString inventoryDb;
    QString salesDb;
};

// Sets the program's display language and loads its locale.
void UseLanguage(QLocale::Language language);
// A folder of the scratch area, emptied (made if missing); empty when it cannot be.
QString EmptyScratchFolder(const QString& name);
// Queues an answer for a file dialog: it is pointed at the folder and accepted with its file name.
void AnswerFileDialogIn(ModalAnswerer* answerer, const QString& folder);

// Makes the row whose column shows the text current (and selected); false when there is none.
bool SelectRow(QTableView* view, int column, const QString& text);
// Every display text of one column of the view, in the view's order.
QStringList ColumnTexts(QTableView* view, int column);

// A test program on one pair of databases; every test must leave no answer for a modal widget unused.
class BackofficeTest : public QObject
{
    Q_OBJECT
protected slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

protected:
    BackofficeFixture fixture;
    ModalAnswerer* answerer = nullptr;
};
