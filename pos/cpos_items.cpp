// Item entry, product search and look-up, deleting lines and returns of the sale screen.
#include "cpos.h"
#include "ui_cpos.h"

#include "appsettings.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "inventorymanagement.h"
#include "progress.h"
#include "voranteldialog.h"
#include "pos.h"
#include "poledisplay.h"
#include "reportparameterdialog.h"
#include "rounding.h"
#include "salelinestore.h"
#include "salesmodel.h"
#include "stockcount.h"
#include "textfields.h"

#include <QCompleter>
#include <QDateTime>
#include <QGridLayout>
#include <QLocale>
#include <QMainWindow>
#include <QMessageBox>
#include <QRegExp>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <limits>

namespace {

// Lengths of the sale line's columns, narrower than the stock row's.
const int LINE_PRODUCT_NAME_LENGTH = 50;
const int LINE_BAR_CODE_LENGTH = 45;
// SUB_ITEMS of a sale line is text of up to 8 characters.
const int LINE_SUB_ITEMS_LENGTH = 8;

QString StockOverflow(const QString& field, const QString& code, qint64 units)
{
    return CPOS::tr("%1 is too large: the stock of %2 would become %3 units, and a stock holds %4 to %5.")
        .arg(field, code, QString::number(units), QString::number(MIN_STOCK_COUNT), QString::number(MAX_STOCK_COUNT));
}

// Replaces the first "%1" and then the first "%2" after it: QString::arg would read "%199" or
// "%250" in these texts as the placeholders %19 and %25.
QString FillIn(QString text, const QString& first, const QString& second = QString())
{
    const int at = text.indexOf(QLatin1String("%1"));
    if (at < 0)
        return text;
    text.replace(at, 2, first);
    if (!second.isNull()) {
        const int next = text.indexOf(QLatin1String("%2"), at + first.size());
        if (next >= 0)
            text.replace(next, 2, second);
    }
    return text;
}

// A whole number the quantity fields cannot hold, one that the locale reads beyond an int: 1 above,
// -1 below; 0 for any other text.
int BeyondInt(const QLocale& locale, const QString& text)
{
    bool ok = false;
    const double value = locale.toDouble(text, &ok);
    if (!ok || !qIsFinite(value) || qAbs(value) <= std::numeric_limits<int>::max())
        return 0;
    return value < 0 ? -1 : 1;
}

// A stored line as the cart's read gives it, from the values just written, in the cart's columns.
QSqlRecord StoredLine(QSqlRecord record, const SaleLine& line, const QVariant& id)
{
    record.setValue(QStringLiteral("ID"), id);
    record.setValue(QStringLiteral("TRANSACTION_ID"), line.transactionId.toLongLong());
    record.setValue(QStringLiteral("ITEM_INDEX"), line.index);
    record.setValue(QStringLiteral("PRODUCT_NAME"), line.productName);
    record.setValue(QStringLiteral("QUANTITY"), line.quantity);
    record.setValue(QStringLiteral("PURCHASE_PRICE"), line.purchasePrice);
    record.setValue(QStringLiteral("SALE_PRICE"), line.salePrice);
    record.setValue(QStringLiteral("SUB_ITEMS"), QString::number(line.subItems));
    record.setValue(QStringLiteral("DISCOUNT"), line.discount);
    record.setValue(QStringLiteral("SUB_TOTAL"), line.subTotal);
    record.setValue(QStringLiteral("PURCHASE_SUB_TOTAL"), line.purchaseSubTotal);
    record.setValue(QStringLiteral("SUB_TAX"), line.subTax);
    record.setValue(QStringLiteral("BAR_CODE"), line.barCode);
    record.setValue(QStringLiteral("ITEMS_PER_UNIT"), line.itemsPerUnit);
    record.setValue(QStringLiteral("UNIT_NAME"), line.unitName);
    record.setValue(QStringLiteral("SUB_UNIT_NAME"), line.subUnitName);
    record.setValue(QStringLiteral("PRINT_UNIT_NAME"), line.printUnitName);
    record.setValue(QStringLiteral("CATEGORY"), line.category);
    record.setValue(QStringLiteral("TAX_RATE"), line.taxRate);
    record.setValue(QStringLiteral("RETURNED"), line.returned);
    return record;
}

QRegExp StockCodePattern()
{
    const QString punctuation = QStringLiteral("!@#$%^&*()-_=+[]{}|;:'\"?/,.<>~`");
    return QRegExp(QStringLiteral("^[a-zA-Z0-9 ") + QRegExp::escape(punctuation) + QStringLiteral("]{1,50}$"),
                   Qt::CaseSensitive);
}

} // namespace

void CPOS::on_pushAddItem_clicked()
{
    if (ui->lineEditBarCode->text().isEmpty()) {
        ShowStatus(tr("No product selected. Please select by typing name or entering code."), true);
        return;
    }
    EnterItem();
}

void CPOS::on_lineEditBarCode_returnPressed()
{
    EnterItem();
}

bool CPOS::ValidateInputs()
{
    const QString code = ui->lineEditBarCode->text();
    if (!StockCodePattern().exactMatch(code)) {
        ShowStatus(QStringLiteral("Stock code ") + code + QStringLiteral(" is invalid."), true);
        ui->lineEditBarCode->clear();
        return false;
    }
    if (code.size() > LINE_BAR_CODE_LENGTH) {
        ShowStatus(tr("Stock code %1 is too long for a sale line: at most %2 characters can be sold.")
                       .arg(code, QString::number(LINE_BAR_CODE_LENGTH)),
                   true);
        ui->lineEditBarCode->clear();
        return false;
    }
    bool ok = false;
    const bool customPrice = !ui->lineSelectedSalePrice->text().isEmpty();
    const auto refusePrice = [this] {
        ShowStatus(tr("Please enter valid value for sale price."), true);
        ui->lineSelectedSalePrice->setFocus();
        return false;
    };
    double price = 0.0;
    if (customPrice) {
        price = locale->toDouble(ui->lineSelectedSalePrice->text(), &ok);
        if (!ok)
            return refusePrice();
    }
    const QString decimalPoint = QString(locale->decimalPoint());
    if (locale->toDouble(ui->lineEditDiscount->text()) != 0.0 && locale->toDouble(ui->lineEditAbsDiscount->text()) != 0.0) {
        ShowStatus(tr("Enter discount either in % or in %1 amount, and not both.").arg(currencySymbol), true);
        ui->lineEditDiscount->setFocus();
        return false;
    }
    const double percent = locale->toDouble(ui->lineEditDiscount->text(), &ok);
    if (!ok) {
        ShowStatus(FillIn(tr("Discount is invalid. Please enter numeric 0 to 99%199 (%) discount value."), decimalPoint),
                   true);
        ui->lineEditDiscount->setFocus();
        return false;
    }
    // Above 100 % the line would pay the customer outside return mode.
    if (percent > 100) {
        ShowStatus(tr("Discount is invalid: %1 % is more than 100 %.").arg(locale->toString(percent)), true);
        ui->lineEditDiscount->setFocus();
        return false;
    }
    locale->toDouble(ui->lineEditAbsDiscount->text(), &ok);
    if (!ok) {
        ShowStatus(FillIn(tr("Discount is invalid. Please enter valid discount value. Example %1 2%250"), currencySymbol,
                          decimalPoint),
                   true);
        ui->lineEditAbsDiscount->setFocus();
        return false;
    }
    // A count the field holds, or the reason it is none: a number beyond an int, or no whole number.
    int quantity = 0;
    int subItems = 0;
    const auto readCount = [this](QLineEdit* field, const QString& name, const QString& notNumeric, int* count) {
        bool valid = false;
        *count = locale->toInt(field->text(), &valid);
        if (valid)
            return true;
        const int beyond = BeyondInt(*locale, field->text());
        ShowStatus(beyond == 0  ? notNumeric
                   : beyond > 0 ? tr("%1 is invalid: %2 is too large.").arg(name, field->text())
                                : tr("%1 is invalid: %2 is too small.").arg(name, field->text()),
                   true);
        field->setFocus();
        return false;
    };
    if (!readCount(ui->lineEditItems, tr("Quantity"),
                   QStringLiteral("Quantity is invalid. Please enter numeric quantity value."), &quantity)
        || !readCount(ui->lineEditSubItems, tr("Sub Quantity"),
                      QStringLiteral("Sub items is invalid. Please enter numeric sub items value."), &subItems))
        return false;
    if (QString::number(subItems).size() > LINE_SUB_ITEMS_LENGTH) {
        ShowStatus(tr("Sub Quantity %1 is too large for a sale line: at most %2 characters can be stored.")
                       .arg(QString::number(subItems), QString::number(LINE_SUB_ITEMS_LENGTH)),
                   true);
        ui->lineEditSubItems->setFocus();
        return false;
    }
    // The locale reads "inf" and "nan" as numbers, and a price can make amounts the fields would cut:
    // the database would refuse the line, so nothing is written. The stock row is not known yet, so a
    // sub-unit counts as a whole unit.
    const double mostUnits = std::max(1.0, qAbs(double(quantity)) + qAbs(double(subItems)));
    if (customPrice && !FitsAmountField(qAbs(price) * mostUnits, ui->lineEditTotal))
        return refusePrice();
    return true;
}

namespace {

// Asks (or tells) about selling an item that is out of stock; false when the sale is cancelled.
bool ConfirmOutOfStock(CPOS* screen, bool warn)
{
    if (!warn) {
        screen->ShowStatus(CPOS::tr("Out of stock item sale. Please update stock."), true);
        return true;
    }
    if (QMessageBox::warning(screen, CPOS::tr("Out of Stock Item"),
                             CPOS::tr("This item is out of stock. Do you still want to proceed with the sale? Press "
                                      "Yes to proceed, and No to cancel."),
                             QMessageBox::Yes | QMessageBox::No, QMessageBox::NoButton)
        == QMessageBox::Yes)
        return true;
    screen->ShowStatus(CPOS::tr("This item is out of stock"), true);
    return false;
}

QString Unavailable(int quantity, int subItems)
{
    return CPOS::tr("Requested quantity is not available. There are %1 items, and %2 sub items in the stock.")
        .arg(QString::number(quantity), QString::number(subItems));
}

} // namespace

// The line and its stock change are written together or not at all; the stock row is locked and
// read again, so that other terminals' sales of it in the meantime are counted.
bool CPOS::WriteLineWithStock(const StockRow& stock, const QString& code, bool takesStock, qint64 requested,
                              bool asked, const LineWrite& write)
{
    const qint64 ipu = stock.itemsPerUnit;
    const bool keepsStock = !stock.serviceItem;
    const bool takes = keepsStock && takesStock;
    qint64 available = 0;
    // A connection lost on the way is told in the program's words; the server's own refusal as it is.
    const auto refuse = [&](const QString& refused) {
        ShowStatus(WithRefusal(lineStore->ConnectionLost() ? write.unreachable : refused, true), true);
    };
    for (;;) {
        if (!lineStore->Begin()) {
            refuse(write.failure);
            return false;
        }
        if (keepsStock) {
            int quantity = 0;
            int subItems = 0;
            bool exists = false;
            if (!lineStore->LockStock(stock.id, &quantity, &subItems, &exists)) {
                lineStore->Rollback();
                refuse(write.failure);
                return false;
            }
            if (!exists) {
                lineStore->Rollback();
                ShowStatus(tr("No stock found with code ") + code, true);
                return false;
            }
            available = quantity * ipu + subItems;
            if (takes && forceOutOfStockSale && available <= 0 && !asked) {
                lineStore->Rollback();
                if (!ConfirmOutOfStock(this, warnOutOfStock))
                    return false;
                asked = true;
                continue;
            }
            if (takes && !forceOutOfStockSale && available < requested) {
                lineStore->Rollback();
                ShowStatus(Unavailable(quantity, subItems), true);
                return false;
            }
        }
        const qint64 remaining = takes ? available - requested : available + requested;
        if (keepsStock && !FitsStockColumn(remaining / ipu)) {
            lineStore->Rollback();
            write.refuseOverflow(available, remaining);
            return false;
        }
        if (!write.write()) {
            lineStore->Rollback();
            refuse(write.failure);
            return false;
        }
        if (keepsStock && !lineStore->SetStock(stock.id, int(remaining / ipu), int(remaining % ipu))) {
            lineStore->Rollback();
            refuse(write.stockFailure.isEmpty() ? write.failure : write.stockFailure.arg(lineStore->LastError()));
            return false;
        }
        if (!lineStore->Commit()) {
            // The server may have committed before the connection broke: the stored lines decide, and until
            // they are read the sale counts as changed.
            linesUnread = true;
            saleState = 1;
            StampChange();
            ShowStatus(write.unconfirmed, true);
            return false;
        }
        break;
    }
    if (takes) {
        const qint64 availableUnits = available / ipu;
        if (availableUnits > stock.reorderLevel && availableUnits - requested / ipu <= stock.reorderLevel)
            reorderStockCodes << code;
    }
    return true;
}

void CPOS::EnterItem()
{
    ClearStatus();

    if (saleState == 2 || salePaid) {
        QLineEdit* const kept[] = {ui->lineEditBarCode, ui->lineEditAbsDiscount, ui->lineEditDiscount,
                                   ui->lineEditItems, ui->lineEditSubItems};
        QStringList texts;
        for (QLineEdit* field : kept)
            texts << field->text();
        on_pushNew_clicked(true, true);
        // The paid sale could not be saved first: its message stays, and nothing joins the paid sale.
        if (salePaid)
            return;
        for (int i = 0; i < 5; ++i)
            kept[i]->setText(texts.at(i));
    }

    if (!ValidateInputs())
        return;
    const QString code = ui->lineEditBarCode->text();
    const QString loggingError = tr("Error occurred while logging transaction. Please check sales database connection.");

    if (transactionId.isEmpty())
        CreateTransaction();
    if (transactionId.isEmpty()) {
        ShowStatus(WithRefusal(loggingError, true), true);
        return;
    }

    StockRow row;
    if (!LookUpSellableStock(code, &row))
        return;
    const qint64 ipu = row.itemsPerUnit;
    // The stored lines give the totals and the used line numbers before the next line takes one.
    const bool afterWrite = unconfirmedWrite.has_value();
    // A hold in doubt is looked up first; this item waits for the cashier to see what became of the sale.
    if (HoldInDoubt(row.name))
        return;
    if (!SaleLinesKnown()) {
        // The read told what the server kept; this item waits, or the same item might be rung up twice. Both are
        // said in the colour of what was kept.
        if (afterWrite && !linesUnread)
            ShowLastingStatus(NamedStatus({writeOutcome, NotRungUp(row.name)}), statusIsError);
        return;
    }

    const qint64 available = row.quantity * ipu + row.subItems;
    const bool returning = ui->checkReturnMode->isChecked() || itemEntryBusy;
    const bool keepsStock = !row.serviceItem;
    bool asked = false;
    if (keepsStock && !returning && available <= 0 && forceOutOfStockSale) {
        if (!ConfirmOutOfStock(this, warnOutOfStock))
            return;
        asked = true;
    }

    const int units = locale->toInt(ui->lineEditItems->text());
    const int subUnits = locale->toInt(ui->lineEditSubItems->text());
    if (ipu == 1 && subUnits != 0) {
        ShowStatus(tr("This item can only be sold as a whole. Sub Quantity should be 0."), true);
        return;
    }
    const qint64 requested = units * ipu + subUnits;
    if (keepsStock && !returning && !forceOutOfStockSale && available < requested) {
        ShowStatus(Unavailable(row.quantity, row.subItems), true);
        return;
    }

    // Price, discount and tax of the line, each rounded as it is stored.
    const double rate = taxEnabled ? row.taxRate : 0.0;
    QString priceText = ui->lineSelectedSalePrice->text();
    // A price the screen showed for a picked product is that product's: another code (a scan that
    // follows the pick) is charged its own price. A price the cashier typed applies to any code.
    if (!priceText.isEmpty() && !shownPriceCode.isEmpty() && code != shownPriceCode)
        priceText.clear();
    const double price = priceText.isEmpty()
                             ? RoundNearest(decimalPlaces, row.salePrice)
                             : NetForTillPrice(RoundingMode(taxRounding), decimalPlaces, locale->toDouble(priceText), rate);
    double amount = subUnits * (price / ipu) + units * price;
    const double absoluteDiscount = locale->toDouble(ui->lineEditAbsDiscount->text());
    // More off than the line is worth would pay the customer outside return mode.
    if (absoluteDiscount > 0
        && RoundNearest(decimalPlaces, absoluteDiscount) > RoundNearest(decimalPlaces, amount)) {
        ShowStatus(tr("Discount is invalid: %1 is more than the line amount %2.")
                       .arg(locale->toString(absoluteDiscount, 'f', decimalPlaces),
                            locale->toString(amount, 'f', decimalPlaces)),
                   true);
        ui->lineEditAbsDiscount->setFocus();
        return;
    }
    const double percentDiscount = locale->toDouble(ui->lineEditDiscount->text());
    if (absoluteDiscount <= 0 && percentDiscount <= 0 && row.discount > 100) {
        ShowStatus(tr("Discount is invalid: the stock of %1 gives %2 %, more than 100 %. Please correct its discount.")
                       .arg(code, locale->toString(row.discount)),
                   true);
        return;
    }
    const double discount = absoluteDiscount > 0 ? absoluteDiscount
                            : percentDiscount > 0 ? percentDiscount / 100 * amount
                                                  : row.discount / 100 * amount;
    amount -= discount;
    if (returning)
        amount = -amount;
    const double tax = TaxOnAmount(RoundingMode(taxRounding), decimalPlaces, amount, rate);
    double purchaseAmount = subUnits * (row.purchasePrice / ipu) + units * row.purchasePrice;
    if (returning)
        purchaseAmount = -purchaseAmount;

    SaleLine line;
    line.transactionId = transactionId;
    line.index = NextFreeIndex();
    line.productName = row.name.left(LINE_PRODUCT_NAME_LENGTH);
    line.category = row.category;
    line.quantity = units;
    line.subItems = subUnits;
    line.salePrice = price;
    line.discount = RoundNearest(decimalPlaces, discount);
    line.subTotal = RoundNearest(decimalPlaces, amount);
    line.subTax = tax;
    line.purchasePrice = row.purchasePrice;
    line.purchaseSubTotal = RoundNearest(decimalPlaces, purchaseAmount);
    line.barCode = code;
    line.itemsPerUnit = row.itemsPerUnit;
    line.unitName = row.unitName;
    line.subUnitName = row.subUnitName;
    line.printUnitName = row.printUnitName;
    line.taxRate = rate;
    line.returned = returning ? 1 : 0;

    LineWrite write;
    write.write = [&] { return lineStore->InsertLine(line); };
    write.failure = loggingError;
    write.stockFailure = tr("Error occurred while updating stock, so the item was not added: %1");
    write.unreachable = tr("The item was not added: the database server cannot be reached.");
    write.unconfirmed = tr("The server did not confirm the item: the lines are read when it is back.");
    write.refuseOverflow = [&](qint64 locked, qint64 remaining) {
        const qint64 byUnits = returning ? locked + units * ipu : locked - units * ipu;
        QLineEdit* const field = FitsStockColumn(byUnits / ipu) ? ui->lineEditSubItems : ui->lineEditItems;
        ShowStatus(StockOverflow(field == ui->lineEditItems ? tr("Quantity") : tr("Sub Quantity"), code,
                                 remaining / ipu),
                   true);
        field->setFocus();
    };
    const double lineGross = line.subTotal + line.subTax;
    const double lineDiscount = returning ? -line.discount : line.discount;
    if (!WriteLineWithStock(row, code, !returning, requested, asked, write)) {
        if (linesUnread) {
            // Stored or not, what was typed for this item is not the next item's.
            unconfirmedWrite =
                UnconfirmedWrite{false, line.index, 0, lineGross, line.subTax, lineDiscount, line.productName};
            ClearEntryFields();
            // Told whole: the grey phase of the text before it does not hide it early.
            statusShowTimer->stop();
        }
        return;
    }

    totalDiscount = RoundNearest(decimalPlaces, totalDiscount + lineDiscount);
    totalTax = RoundNearest(decimalPlaces, totalTax + line.subTax);
    grandTotal = RoundNearest(decimalPlaces, grandTotal + lineGross);

    itemIndexes << line.index;
    QString failure;
    const bool read = ReadCart(&failure);
    const bool shownAsStored =
        read || cartModel->AddLine(StoredLine(cartModel->record(), line, lineStore->InsertedLineId()));
    FitCartColumnsToLastRow();
    ui->tableViewItems->scrollToBottom();
    ShowTotals(lineGross);

    saleState = 1;
    ClearEntryFields();
    StampChange();
    keepFocusAfterAdd = true;
    if (!read) {
        TellCartUnread(tr("The item was stored."), failure, shownAsStored);
        ui->tableViewItems->scrollToBottom();
    }
}

void CPOS::ClearEntryFields()
{
    ui->lineEditBarCode->clear();
    ui->lineSelectedProduct->clear();
    ui->lineSelectedSalePrice->clear();
    ui->comboBoxProducts->clear();
    ui->comboBoxProducts->clearEditText();
    if (resetQuantity) {
        ui->lineEditAbsDiscount->setText(QStringLiteral("0"));
        ui->lineEditDiscount->setText(QStringLiteral("0"));
        ui->lineEditItems->setText(QStringLiteral("1"));
        ui->lineEditSubItems->setText(QStringLiteral("0"));
    }
}

// Widens the cart's columns for the line just added. Measuring every line again on each scan
// would cost time growing with the sale.
void CPOS::FitCartColumnsToLastRow()
{
    QTableView* view = ui->tableViewItems;
    const int row = cartModel->rowCount() - 1;
    if (row < 0)
        return;
    if (row == 0) {
        view->resizeColumnsToContents();
        return;
    }
    for (int column = 0; column < cartModel->columnCount(); ++column) {
        if (view->isColumnHidden(column))
            continue;
        const int width = view->sizeHintForIndex(cartModel->index(row, column)).width() + 1;
        if (width > view->columnWidth(column))
            view->setColumnWidth(column, width);
    }
}

void CPOS::ShowTotals(double linePrice)
{
    ui->lineEditTotal->setText(locale->toString(grandTotal, 'f', finalAmountPrecision));
    PoleShowPrice(locale->toString(linePrice, 'f', decimalPlaces));
    PoleShowTotal(ui->lineEditTotal->text());
    ui->lineEditTax->setText(locale->toString(totalTax, 'f', decimalPlaces));
    on_lineEditPaid_textChanged(ui->lineEditPaid->text());
}

void CPOS::ResyncFromCart()
{
    linesUnread = false;
    writeOutcome = StatusPart();
    double total = 0.0;
    double tax = 0.0;
    double discount = 0.0;
    bool written = false; // the unconfirmed write's line is among the stored ones
    itemIndexes.clear();
    for (int row = 0; row < cartModel->rowCount(); ++row) {
        const QSqlRecord line = cartModel->record(row);
        const double lineTax = line.value(QStringLiteral("SUB_TAX")).toDouble();
        total += line.value(QStringLiteral("SUB_TOTAL")).toDouble() + lineTax;
        tax += lineTax;
        const double lineDiscount = line.value(QStringLiteral("DISCOUNT")).toDouble();
        discount += line.value(QStringLiteral("RETURNED")).toInt() == 1 ? -lineDiscount : lineDiscount;
        const int index = line.value(QStringLiteral("ITEM_INDEX")).toInt();
        itemIndexes << index;
        // An item is known by the line number it was written under, a deleted line by its ID.
        if (unconfirmedWrite && !written)
            written = unconfirmedWrite->deletion ? line.value(QStringLiteral("ID")).toLongLong() == unconfirmedWrite->lineId
                                                 : index == unconfirmedWrite->index;
    }
    ui->tableViewItems->resizeColumnsToContents();
    // A loaded sale's lines read late: its amounts stay those of its header, as when they are read at opening.
    if (!unconfirmedWrite && totalsFromHeader)
        return;
    const std::optional<UnconfirmedWrite> write = unconfirmedWrite;
    unconfirmedWrite.reset();
    const bool kept = (write && write->deletion) ? !written : written;
    if (!totalsFromHeader) {
        // A sale begun here: its stored lines are its totals.
        grandTotal = RoundNearest(decimalPlaces, total);
        totalTax = RoundNearest(decimalPlaces, tax);
        totalDiscount = RoundNearest(decimalPlaces, discount);
    } else if (kept) {
        grandTotal = RoundNearest(decimalPlaces, grandTotal + write->gross);
        totalTax = RoundNearest(decimalPlaces, totalTax + write->tax);
        totalDiscount = RoundNearest(decimalPlaces, totalDiscount + write->discount);
    }
    ShowTotalsOfRead();
    if (!write)
        return;
    if (write->deletion)
        writeOutcome = kept ? StatusPart{tr("%1 was deleted."), write->name, tr("%1 deleted.")}
                            : StatusPart{tr("%1 was not deleted: delete it again."), write->name,
                                         tr("%1 not deleted: delete again.")};
    else
        writeOutcome = kept ? StatusPart{tr("%1 is in the sale."), write->name, tr("%1 in sale.")}
                            : StatusPart{tr("%1 was not stored: scan it again."), write->name,
                                         tr("%1 not stored: scan again.")};
    ShowLastingStatus(NamedStatus({writeOutcome}), !kept);
}

void CPOS::ShowTotalsOfRead()
{
    const QDateTime receiptStamp = ui->dateTimeReceiptTimeStamp->dateTime();
    const QDateTime invoiceStamp = ui->dateTimeInvoiceTimeStamp->dateTime();
    const bool changed = changedSinceSave;
    ShowTotals(0.0);
    ui->dateTimeReceiptTimeStamp->setDateTime(receiptStamp);
    ui->dateTimeInvoiceTimeStamp->setDateTime(invoiceStamp);
    changedSinceSave = changed;
}

void CPOS::PoleShowPrice(const QString& text)
{
    if (poleDisplayEnabled && poleDisplay)
        poleDisplay->showPrice(text);
}

void CPOS::PoleShowTotal(const QString& text)
{
    if (poleDisplayEnabled && poleDisplay)
        poleDisplay->showTotal(text);
}

void CPOS::PoleShowWelcome()
{
    if (poleDisplayEnabled && poleDisplay)
        poleDisplay->showWelcome(welcomeMessage);
}

void CPOS::on_pushDeleteItem_clicked()
{
    deletingLine = false;
    if (HoldInDoubt())
        return;
    const QModelIndex current = ui->tableViewItems->currentIndex();
    if (linesUnread) {
        // The rows shown give way to the stored ones, which the cashier has not seen: nothing is deleted now.
        const QVariant selected =
            current.isValid() ? cartModel->record(current.row()).value(QStringLiteral("ID")) : QVariant();
        SaleLinesKnown();
        if (linesUnread)
            return;
        int row = -1;
        for (int r = 0; selected.isValid() && r < cartModel->rowCount(); ++r)
            if (cartModel->record(r).value(QStringLiteral("ID")) == selected)
                row = r;
        if (row >= 0)
            ui->tableViewItems->setCurrentIndex(cartModel->index(row, qMax(current.column(), int(COL_PRODUCT_NAME))));
        // What the server kept of a write says that the lines were read.
        const StatusPart read = writeOutcome.text.isEmpty() ? StatusPart{tr("Lines read again."), {}, {}} : writeOutcome;
        const StatusPart next = !selected.isValid() ? StatusPart{tr("Select a line to delete."), {}, tr("Select a line.")}
                                : row < 0 ? StatusPart{tr("The selected line is gone."), {}, tr("Line gone.")}
                                          : StatusPart{tr("Press Delete Item again."), {}, tr("Delete again.")};
        ShowLastingStatus(NamedStatus({read, next}), true);
        return;
    }
    if (!ui->tableViewItems->model() || current.row() < 0 || current.column() < 0) {
        ShowStatus(tr("No row selected from the sales table."), true);
        return;
    }
    ErrorDialog notice(QStringLiteral("err_msg_27"), tr("Delete Item"),
                       tr("When an Item is deleted which has already been sold, a reverse transaction is executed. It "
                          "means stock, grand total, tax, discount are adjusted accordingly and item is added back to "
                          "inventory.  Vorantel updates the inventory in real time, so all these steps are necessary. "
                          "System executes all these steps automatically in the background. "),
                       AppSettings::Instance()->mainWindow, false, false);
    notice.exec();
    ui->checkReturnMode->setChecked(false);
    DeleteLine(current.row());
    itemEntryBusy = false;
    deletingLine = false;
}

// Deletes a line and reverses its stock change in one transaction, and takes its stored amounts
// off the totals. A line of a paid sale is reversed within that sale, which then counts as changed.
void CPOS::DeleteLine(int row)
{
    const QSqlRecord line = cartModel->record(row);
    const qint64 lineId = line.value(QStringLiteral("ID")).toLongLong();
    const int itemIndex = line.value(QStringLiteral("ITEM_INDEX")).toInt();
    const int units = line.value(QStringLiteral("QUANTITY")).toInt();
    const int subUnits = line.value(QStringLiteral("SUB_ITEMS")).toString().toInt();
    const double discount = line.value(QStringLiteral("DISCOUNT")).toDouble();
    const double subTotal = line.value(QStringLiteral("SUB_TOTAL")).toDouble();
    const double subTax = line.value(QStringLiteral("SUB_TAX")).toDouble();
    const QString code = line.value(QStringLiteral("BAR_CODE")).toString();
    deletingLine = line.value(QStringLiteral("RETURNED")).toInt() == 1;
    itemEntryBusy = !deletingLine;
    const QString deleteError = tr("Error occurred while deleting item");

    StockRow stock;
    if (!LookUpSellableStock(code, &stock))
        return;
    const qint64 ipu = stock.itemsPerUnit;
    // Undoing a return takes the goods off the stock again, under the rules of a sale.
    const bool takesStock = !stock.serviceItem && deletingLine;
    const qint64 requested = units * ipu + subUnits;
    const qint64 available = stock.quantity * ipu + stock.subItems;
    bool asked = false;
    if (takesStock && available <= 0 && forceOutOfStockSale) {
        if (!ConfirmOutOfStock(this, warnOutOfStock))
            return;
        asked = true;
    }

    LineWrite write;
    write.write = [&] {
        bool deleted = false;
        return lineStore->DeleteLine(lineId, transactionId, &deleted) && deleted;
    };
    write.failure = deleteError;
    write.unreachable = tr("The item was not deleted: the database server cannot be reached.");
    write.unconfirmed = tr("The server did not confirm the deletion: the lines are read when it is back.");
    write.refuseOverflow = [&](qint64 /*available*/, qint64 remaining) {
        ShowStatus(StockOverflow(tr("Quantity"), code, remaining / ipu), true);
    };
    const double lineGross = subTotal + subTax;
    const double lineDiscount = deletingLine ? -discount : discount;
    if (!WriteLineWithStock(stock, code, deletingLine, requested, asked, write)) {
        if (linesUnread)
            unconfirmedWrite = UnconfirmedWrite{true, itemIndex, lineId, -lineGross, -subTax, -lineDiscount,
                                                line.value(QStringLiteral("PRODUCT_NAME")).toString()};
        return;
    }

    grandTotal = RoundNearest(decimalPlaces, grandTotal - lineGross);
    totalTax = RoundNearest(decimalPlaces, totalTax - subTax);
    totalDiscount = RoundNearest(decimalPlaces, totalDiscount - lineDiscount);
    ReleaseIndex(itemIndex);
    QString failure;
    const bool read = ReadCart(&failure);
    if (!read)
        cartModel->RemoveLine(row);
    ui->tableViewItems->resizeColumnsToContents();
    ShowTotals(-lineGross);

    StampChange();
    if (!read)
        TellCartUnread(tr("The item was deleted."), failure, true);
    else if (!ui->labelStatus->isHidden() && !ui->labelStatus->text().isEmpty())
        // A text still shown (a deletion not done, a line to press again) no longer holds.
        ShowLastingStatus(NamedStatus({{tr("%1 was deleted."), line.value(QStringLiteral("PRODUCT_NAME")).toString(),
                                        tr("%1 deleted.")}}),
                          false);
}

void CPOS::on_checkReturnMode_toggled(bool /*checked*/)
{
    ErrorDialog notice(
        QStringLiteral("err_msg_4"), tr("Return Mode"),
        tr("<p>Now the system is in <b>Items Return</b> mode. On performing any sale, items will be added back to "
           "inventory and total will adjusted. Please press it again to return to <b>Normal Sale</b> mode.</p><p>The "
           "item which you want to return can be selected either from product buttons with images, or by typing the "
           "name of product/item, or by entering the item/product code. Please make sure the quantity and discounts "
           "are same which were set at the time of sale. Returned item will be shown as negative transaction in the "
           "system.</p>"),
        this, false, true);
    notice.exec();
}

void CPOS::TakeChosenSuggestion()
{
    productCompleter->setCompletionPrefix(ui->comboBoxProducts->currentText());
    const QModelIndex match = productCompleter->completionModel()->index(productCompleter->currentRow(), 0);
    const QString code = match.data().toString();
    ui->lineEditBarCode->clear();
    ui->lineEditBarCode->setText(code);
    ui->comboBoxProducts->clear();
    ui->comboBoxProducts->clearEditText();
}

void CPOS::ShowProduct()
{
    const QString code = ui->lineEditBarCode->text();
    if (code.isEmpty())
        return;
    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    query->prepare(QStringLiteral("SELECT p.NAME, i.SALE_PRICE, p.TAX_RATE FROM tblProducts as p, tblInventory as i "
                                  "WHERE BAR_CODE = :code AND i.PRODUCT_ID = p.ID"));
    query->bindValue(QStringLiteral(":code"), code);
    if (!query->exec() || !query->next()) {
        if (query->lastError().isValid())
            qCWarning(lcPos) << "product display:" << query->lastError().text();
        ShowStatus(tr("No product found with code %1").arg(code), true);
        return;
    }
    const QString name = query->value(0).toString();
    // What a scan of the product charges, so that adding it at the shown price charges the same.
    const double salePrice = query->value(1).toDouble();
    const double withTax = salePrice * (query->value(2).toDouble() / 100 + 1);
    const double price = taxEnabled ? RoundByMode(RoundingMode(taxRounding), decimalPlaces, withTax)
                                    : RoundNearest(decimalPlaces, salePrice);
    ui->lineSelectedProduct->setText(name);
    ui->lineSelectedProduct->setCursorPosition(0);
    ui->lineSelectedSalePrice->setText(locale->toString(price, 'f', decimalPlaces));
    shownPriceCode = code;
    ui->lineSelectedProduct->setToolTip(PlainToolTip(name));
    ui->lineSelectedSalePrice->setFocus();
}

void CPOS::on_comboBoxProducts_activated(int /*index*/)
{
    TakeChosenSuggestion();
    ShowProduct();
}

void CPOS::on_pushSelect_clicked()
{
    TakeChosenSuggestion();
    if (!ui->lineEditBarCode->text().isEmpty())
        EnterItem();
    ui->comboBoxProducts->setFocus();
}

void CPOS::on_pushEnterCode_clicked()
{
    ReportParameterDialog prompt(this, false);
    prompt.ui->label->setText(tr("Enter code"));
    prompt.setWindowTitle(tr("Product Code"));
    prompt.ui->lineEditValue->setInputMethodHints(Qt::ImhNoPredictiveText);
    prompt.setModal(true);
    const bool withPad = numberPadOpen;
    if (withPad)
        ShowNumberPad(&prompt);
    prompt.exec();
    if (withPad)
        ShowNumberPad(nullptr);
    ui->lineEditBarCode->setText(prompt.GetValue());
    ShowProduct();
}

void CPOS::on_pushButtonLookUp_clicked()
{
    Progress busy(this, tr("Please wait..."));
    busy.show();
    ProcessEventPasses(5);
    auto* picker = new VorantelDialog(this);
    picker->setWindowTitle(tr("Inventory"));
    picker->resize(950, 600);
    picker->setModal(true);
    auto* layout = new QGridLayout(picker);
    auto* page = new InventoryManagement(picker, true);
    layout->addWidget(page);
    busy.hide();
    const bool withPad = numberPadOpen;
    if (withPad)
        ShowNumberPad(picker);
    picker->exec();
    if (withPad)
        ShowNumberPad(nullptr);
    ui->lineEditBarCode->setText(page->GetSelectedStockCode());
    delete picker;
    ShowProduct();
}

bool CPOS::LookUpSellableStock(const QString& code, StockRow* row)
{
    const SaleLineStore::LookUpResult found =
        lineStore->Open() ? lineStore->LookUp(code, row) : SaleLineStore::Failed;
    if (found == SaleLineStore::Failed) {
        // Asked for a sale line's write: a scan's or a deletion's.
        ShowStatus(WithRefusal(tr("Could not retrieve data from inventory"), true), true);
        return false;
    }
    if (found == SaleLineStore::NotFound) {
        ShowStatus(tr("No stock found with code ") + code, true);
        return false;
    }
    // A product with no items per unit would divide the sub-units by zero.
    if (row->itemsPerUnit <= 0) {
        ShowStatus(tr("Stock code %1 can not be sold: its product has %2 items per unit. Please set at least 1 in the "
                      "product.")
                       .arg(code, QString::number(row->itemsPerUnit)),
                   true);
        return false;
    }
    return true;
}
