// Time per key typed into the product search boxes with their suggestion list open:
//   bench_product_search [WORDS] [PRODUCTS...]
// seeds PRODUCTS products (default 100000, then 10000), each with one to three stock rows (164,286 at
// 100,000 products), and types the first five letters of WORDS (default all 29) name starts, such as
// "natur", into the sale screen's search box and into the searches of the product, stock batch and
// purchase-order item dialogs, once with start_with_search_term on and once off. Each key goes through
// the window (shortcut override, press, release), followed by the event loop.
// Uses the server named by VORANTEL_TEST_DB_INFO (the test fixture's info file); without one it starts a
// throw-away server through scripts/test-db-fixture.sh and stops it at the end.
// Prints, per box and mode, the median and the 95th percentile of a key typed with the list open, of the
// fourth letter (the first one after a three-letter start) and of the first letter, in milliseconds.

#include "addeditpoitemdialog.h"
#include "addeditproductdialog.h"
#include "appsettings.h"
#include "caddnewitemsbatch.h"
#include "cpos.h"
#include "databasemanager.h"
#include "fixtureserver.h"
#include "messagesettings.h"
#include "qposdialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCompleter>
#include <QElapsedTimer>
#include <QGridLayout>
#include <QLineEdit>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

// Name starts; "Nat" begins four of them, and contains-matching also finds "nat" inside the second words.
const char* const FIRST[] = {"Natural", "Nature's", "National", "Native",   "Golden",    "Green",     "Fresh",
                             "Organic", "Classic",  "Royal",    "Crispy",   "Creamy",    "Smoked",    "Spicy",
                             "Sweet",   "Sparkling", "Honey",   "Lemon",    "Mango",     "Maple",     "Premium",
                             "Purely",  "Wildberry", "Wholesome", "Butter", "Black",     "Bakery",    "Tropical",
                             "Toasted", "Vanilla"};
const char* const SECOND[] = {"Pomegranate", "Carbonated Water", "Marinated Olives", "Oat Milk", "Rice", "Coffee",
                              "Tea", "Yogurt", "Cheese", "Cookies", "Crackers", "Juice", "Soap", "Shampoo",
                              "Pasta", "Sauce", "Chips", "Granola", "Almonds", "Nuts"};
const char* const SIZE[] = {"250g", "500g", "1kg", "330ml", "1L", "6-pack"};
template <typename T, int N>
constexpr int Count(T (&)[N])
{
    return N;
}

QString Fill(QSqlDatabase& db, int products)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("INSERT IGNORE INTO tblProductCategories (ID, NAME) VALUES (1, 'Bench')"))
        || !q.exec(QStringLiteral("INSERT IGNORE INTO tblVendors (ID, NAME) VALUES (1, 'Bench')")))
        return q.lastError().text();
    QStringList values;
    QStringList stock;
    for (int p = 1; p <= products; ++p) {
        // Spread the words over the rows as a shop's list of goods spreads them, not grouped.
        const quint32 h = quint32(p) * 2654435761u;
        const QString name = QStringLiteral("%1 %2 %3 %4")
                                 .arg(QLatin1String(FIRST[h % Count(FIRST)]),
                                      QLatin1String(SECOND[(h >> 8) % Count(SECOND)]),
                                      QLatin1String(SIZE[(h >> 16) % Count(SIZE)]))
                                 .arg(p);
        values << QStringLiteral("(%1, 1, 'P%1', '%2', 1, 15)").arg(p).arg(QString(name).replace(QLatin1Char('\''),
                                                                                              QLatin1String("''")));
        const int batches = 1 + (p % 2 == 0) + (p % 7 == 0);
        for (int b = 0; b < batches; ++b)
            stock << QStringLiteral("(%1, 1, 'S%1-%2', 'B', 6.5, 9.99, 1000)").arg(p).arg(b);
        if (values.size() == 1000 || p == products) {
            if (!q.exec(QStringLiteral("INSERT INTO tblProducts (ID, CATEGORY_ID, PRODUCT_CODE, NAME, ITEMS_PER_UNIT, "
                                       "TAX_RATE) VALUES ")
                        + values.join(QLatin1Char(',')))
                || !q.exec(QStringLiteral("INSERT INTO tblInventory (PRODUCT_ID, VENDOR_ID, BAR_CODE, BATCH_NUMBER, "
                                          "PURCHASE_PRICE, SALE_PRICE, QUANTITY) VALUES ")
                           + stock.join(QLatin1Char(','))))
                return q.lastError().text();
            values.clear();
            stock.clear();
        }
    }
    return QString();
}

QStringList TypedWords(int count)
{
    QStringList words;
    for (const char* first : FIRST) {
        const QString start = QString::fromLatin1(first).left(5).toLower();
        if (!words.contains(start))
            words << start;
    }
    return words.mid(0, count);
}

struct Figures
{
    QVector<qint64> open, fourth, first;
    int closed = 0; // keys after the first at which the list was not open
    int suggestions = 0;
};

QString Describe(QVector<qint64> micros)
{
    if (micros.isEmpty())
        return QStringLiteral("none");
    std::sort(micros.begin(), micros.end());
    const auto at = [&](double q) { return micros.at(std::min<int>(micros.size() - 1, int(micros.size() * q))) / 1000.0; };
    return QStringLiteral("median %1 ms, p95 %2 ms (%3 keys)")
        .arg(at(0.5), 0, 'f', 2)
        .arg(at(0.95), 0, 'f', 2)
        .arg(micros.size());
}

// Types each word into the box, a key at a time through the window, timing each key with the event loop after it.
Figures Type(QWidget* window, QComboBox* box, const QStringList& words)
{
    Figures f;
    QCompleter* completer = box->completer();
    for (const QString& word : words) {
        completer->popup()->hide();
        box->lineEdit()->clear();
        box->lineEdit()->setFocus();
        QCoreApplication::processEvents();
        for (int i = 0; i < word.size(); ++i) {
            const bool wasOpen = completer->popup()->isVisible();
            QWidget* popup = QApplication::activePopupWidget();
            // An open pop-up holds the keyboard, as the window system addresses the keys to it.
            QWindow* target = (popup ? popup : window)->windowHandle();
            QElapsedTimer clock;
            clock.start();
            QTest::keyClick(target, word.at(i).toLatin1());
            QCoreApplication::processEvents();
            const qint64 micros = clock.nsecsElapsed() / 1000;
            if (i == 0)
                f.first << micros;
            else if (!wasOpen)
                ++f.closed;
            else
                f.open << micros;
            if (i == 3 && wasOpen)
                f.fourth << micros;
        }
        if (box->lineEdit()->text() != word)
            std::fprintf(stderr, "typed \"%s\", the box shows \"%s\"\n", qPrintable(word),
                         qPrintable(box->lineEdit()->text()));
        f.suggestions += completer->completionCount();
    }
    completer->popup()->hide();
    return f;
}

void Report(const char* box, bool startsWith, int products, const Figures& f)
{
    std::printf("%s, %d products, %s: key with the list open %s; fourth letter %s; first letter %s; "
                "%d suggestions at the last letters%s\n",
                box, products, startsWith ? "starts with" : "contains", qPrintable(Describe(f.open)),
                qPrintable(Describe(f.fourth)), qPrintable(Describe(f.first)), f.suggestions,
                f.closed ? qPrintable(QStringLiteral(" (%1 keys with the list closed)").arg(f.closed)) : "");
    std::fflush(stdout);
}

void BenchDialog(const char* name, int products, const QStringList& words,
                 const std::function<QWidget*()>& make, const char* box)
{
    for (bool startsWith : {true, false}) {
        AppSettings::Instance()->settings->setValue(QStringLiteral("start_with_search_term"), startsWith);
        QWidget* dialog = make();
        dialog->show();
        if (!QTest::qWaitForWindowActive(dialog))
            std::fprintf(stderr, "%s is not active\n", name);
        Report(name, startsWith, products, Type(dialog, dialog->findChild<QComboBox*>(QLatin1String(box)), words));
        delete dialog;
    }
}

} // namespace

int main(int argc, char* argv[])
{
    QTemporaryDir scratch;
    UseScratchEnvironment(scratch.path());
    QApplication app(argc, argv);
    const QStringList words = TypedWords(argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100);
    QVector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes << QString::fromLocal8Bit(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {100000, 10000};

    FixtureServer server;
    if (!server.Start(scratch.path()))
        return 1;
    DatabaseManager* manager = DatabaseManager::Instance();
    for (int products : qAsConst(sizes)) {
        const QString inventory = QStringLiteral("bench_search_inv_%1").arg(QCoreApplication::applicationPid());
        const QString sales = QStringLiteral("bench_search_sales_%1").arg(QCoreApplication::applicationPid());
        if (!CreateDatabases(inventory, sales))
            return 1;
        {
            QElapsedTimer clock;
            clock.start();
            const QString error = Fill(*manager->InventoryDatabase(), products);
            QSqlQuery count(*manager->InventoryDatabase());
            count.exec(QStringLiteral("SELECT COUNT(*) FROM tblInventory"));
            count.next();
            const int stockRows = count.value(0).toInt();
            count.finish();
            manager->RemoveInventoryDatabase();
            if (!error.isEmpty()) {
                std::fprintf(stderr, "filling: %s\n", qPrintable(error));
                return 1;
            }
            std::printf("%d products, %d stock rows written in %.1f s\n", products, stockRows, clock.elapsed() / 1000.0);
        }
        // A notice would wait for an answer.
        for (int notice = 1; notice <= 49; ++notice)
            AppSettings::Instance()->settings->setValue(QStringLiteral("err_msg_%1").arg(notice), false);
        MessageSettings::Instance()->Load();
        AppSettings::Instance()->loginName = QStringLiteral("bench");

        for (bool startsWith : {true, false}) {
            AppSettings::Instance()->settings->setValue(QStringLiteral("start_with_search_term"), startsWith);
            QPOSDialog host(nullptr, false);
            auto* screen = new CPOS(&host);
            auto* layout = new QGridLayout(&host);
            layout->addWidget(screen);
            host.resize(1366, 768);
            host.show();
            if (!QTest::qWaitForWindowActive(&host))
                std::fprintf(stderr, "the sale screen is not active\n");
            Report("sale screen", startsWith, products,
                   Type(&host, screen->findChild<QComboBox*>(QStringLiteral("comboBoxProducts")), words));
        }
        BenchDialog("product dialog", products, words, [] { return new AddEditProductDialog(nullptr); },
                    "comboProductSearch");
        BenchDialog("stock batch dialog", products, words, [] { return new CAddNewItemsBatch(nullptr); },
                    "comboBoxProducts");
        BenchDialog("purchase-order item dialog", products, words,
                    [] { return new AddEditPOItemDialog(nullptr, QStringLiteral("1"), false); }, "comboBoxProducts");
        DropDatabases({inventory, sales});
    }
    server.Stop();
    return 0;
}
