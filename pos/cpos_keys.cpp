// Keys, the status line and scanner mode of the sale screen.
#include "cpos.h"
#include "ui_cpos.h"

#include "databasefailure.h"
#include "databasemanager.h"
#include "datefieldmenu.h"
#include "popupkeyrouter.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QScrollBar>
#include <QShortcut>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

bool CPOS::blinkPhase = false;
int CPOS::paidEnterCount = 0;
QString CPOS::paidEnterSale;

namespace {
const int STATUS_LINES = 3;
const QString GREY_STYLE = QStringLiteral("QLabel {background-color: gray; color:white; }");
const QString SUCCESS_STYLE = QStringLiteral("QLabel {background-color: green; color:white; }");
const QString ERROR_STYLE = QStringLiteral("QLabel {background-color: red; color:white; }");
// An amount field is at least as wide as an amount of ten characters, so that ordinary amounts move nothing; with a
// decimal point and a group separator, at most eight of them are digits or a minus sign ("999,999.99", "-99,999.99").
const int AMOUNT_DIGITS = 8;
const int AMOUNT_SIGNS = 2;

// A key that a scanner without the prefix sends for a character of its code.
bool TypesIntoScannerLine(const QKeyEvent* key)
{
    const QString text = key->text();
    return text.size() == 1 && text.at(0).isPrint()
           && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}
} // namespace

void CPOS::ShowStatus(const QString& text, bool isError)
{
    statusIsError = isError;
    ui->labelStatus->show();
    ui->labelStatus->setText(text);
    PlaceStatusLine();
    blinkTimer->start(350);
    statusWatchDogTimer->start(3000);
}

void CPOS::ShowLastingStatus(const QString& text, bool isError)
{
    ShowStatus(text, isError);
    statusShowTimer->stop();
}

void CPOS::PlaceStatusLine()
{
    QLabel* label = ui->labelStatus;
    const QString lines = QStringLiteral("X\n").repeated(STATUS_LINES).chopped(1);
    const int frame = label->width() - label->contentsRect().width();
    const QFontMetrics metrics = label->fontMetrics();
    const int height = metrics.boundingRect(QRect(0, 0, 1000, 1000), Qt::AlignLeft, lines).height() + frame;
    if (statusRoom->height() != height)
        statusRoom->setFixedHeight(height);
    QRect place(statusRoom->mapTo(ui->scrollAreaWidgetContents, QPoint(0, 0)), statusRoom->size());
    const QRect room(0, 0, place.width() - frame, place.height() - frame);
    const QRect text = metrics.boundingRect(room, int(label->alignment()) | Qt::TextWordWrap, label->text());
    if (!room.contains(text)) {
        // As wide as the part of the screen in view, from its top: the tab bar beside the column starts higher.
        place.setLeft(horizontalScrollBar()->value());
        place.setWidth(viewport()->width());
        place.setTop(qMin(place.top(), verticalScrollBar()->value()));
    }
    label->setGeometry(place);
    label->raise();
}

void CPOS::resizeEvent(QResizeEvent* event)
{
    QScrollArea::resizeEvent(event);
    PlaceStatusLine();
}

QString CPOS::WithRefusal(const QString& text, bool write) const
{
    const PortOwner::Refusal& refused = DatabaseManager::Instance()->HeldPort();
    if (!refused)
        return text;
    const QString reason = DatabaseFailure::RefusalReason(refused, write);
    if (text.isEmpty())
        return reason;
    // A text without its own full stop ends its sentence before the reason's.
    return text + (text.back().isLetterOrNumber() ? QStringLiteral(". ") : QStringLiteral(" ")) + reason;
}

CPOS::StatusPart CPOS::NotRungUp(const QString& name)
{
    return {tr("%1 was not rung up: scan it again."), name, tr("%1 not rung up: scan again.")};
}

QString CPOS::NamedStatus(const QVector<StatusPart>& parts) const
{
    QLabel* label = ui->labelStatus;
    // The line's room in the column, also while the label is hidden.
    const int room = statusRoom->width() - (label->width() - label->contentsRect().width());
    const QFontMetrics metrics = label->fontMetrics();
    const auto compose = [&parts](bool brief, const QStringList& names) {
        QStringList texts;
        for (int i = 0; i < parts.size(); ++i) {
            const QString& text = brief && !parts.at(i).brief.isEmpty() ? parts.at(i).brief : parts.at(i).text;
            texts << (text.contains(QLatin1String("%1")) ? text.arg(names.at(i)) : text);
        }
        return texts.join(QLatin1Char(' '));
    };
    QStringList names;
    QStringList least; // a name's first letter and "…", or the name where that is no shorter
    QStringList unnamed;
    for (const StatusPart& part : parts) {
        names << part.name;
        const int letter = part.name.size() > 1 && part.name.at(0).isHighSurrogate() ? 2 : 1;
        const QString first = part.name.left(letter) + QChar(0x2026);
        least << (first.size() < part.name.size() ? first : part.name);
        unnamed << QString();
    }
    // The names as far as the room lets them show with one wording: each gets an equal share of the room the fixed
    // words leave, a shorter one leaving the rest to the others; a text measured whole may still be wider than its
    // parts, so the room shrinks until it fits.
    const auto fit = [&](bool brief) {
        const int fixed = metrics.horizontalAdvance(compose(brief, unnamed));
        QStringList cut = names;
        for (int spare = room - fixed; metrics.horizontalAdvance(compose(brief, cut)) > room && spare > 0;
             spare -= metrics.averageCharWidth()) {
            QVector<int> order;
            for (int i = 0; i < names.size(); ++i)
                if (!names.at(i).isEmpty())
                    order << i;
            std::sort(order.begin(), order.end(), [&](int a, int b) {
                return metrics.horizontalAdvance(names.at(a)) < metrics.horizontalAdvance(names.at(b));
            });
            cut = names;
            int left = spare;
            for (int n = 0; n < order.size(); ++n) {
                const int i = order.at(n);
                cut[i] = metrics.elidedText(names.at(i), Qt::ElideRight, left / (order.size() - n));
                // A share narrower than a letter and "…" would leave nothing of the name.
                if (cut.at(i).size() < least.at(i).size())
                    cut[i] = least.at(i);
                left -= metrics.horizontalAdvance(cut.at(i));
            }
        }
        if (metrics.horizontalAdvance(compose(brief, cut)) > room)
            cut = least;
        return cut;
    };
    // The letters of a name that show: a cut one ends in "…".
    const auto shown = [&names](const QStringList& cut, int i) {
        return cut.at(i) == names.at(i) ? names.at(i).size() : cut.at(i).size() - 1;
    };
    // Brief where the full words leave no room for the first letters, or where they cut a name that the brief words
    // show more of: two names that share their first word are then told apart.
    const QStringList full = fit(false);
    const QStringList briefly = fit(true);
    bool brief = metrics.horizontalAdvance(compose(false, least)) > room;
    for (int i = 0; i < names.size(); ++i)
        brief = brief || shown(briefly, i) > shown(full, i);
    return compose(brief, brief ? briefly : full);
}

void CPOS::OnBlinkingTimeout()
{
    if (!blinkPhase) {
        ui->labelStatus->setStyleSheet(GREY_STYLE);
        blinkPhase = true;
    } else {
        ui->labelStatus->setStyleSheet(statusIsError ? ERROR_STYLE : SUCCESS_STYLE);
        blinkPhase = false;
    }
}

void CPOS::OnStatusWatchDogTimeout()
{
    blinkTimer->stop();
    statusWatchDogTimer->stop();
    ui->labelStatus->setStyleSheet(GREY_STYLE);
    statusShowTimer->start(4000);
}

// A cleared message takes its colour with it: no flashing bar without a text. The line keeps its room, and
// the grey phase under way keeps its count.
void CPOS::ClearStatus()
{
    blinkTimer->stop();
    statusWatchDogTimer->stop();
    ui->labelStatus->clear();
    ui->labelStatus->setStyleSheet(GREY_STYLE);
    ui->labelStatus->hide();
}

void CPOS::OnStatusShowTimeout()
{
    // The line keeps its room: nothing below it moves under the pointer.
    ui->labelStatus->hide();
    statusShowTimer->stop();
}

void CPOS::SetFocusOnBarCode()
{
    if (scannerInputEnabled) {
        ui->lineBarcodeScannerInput->setFocus();
        ui->lineBarcodeScannerInput->selectAll();
    } else {
        ui->comboBoxProducts->setFocus();
    }
}

void CPOS::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_F11:
        on_pushFavPages_clicked();
        break;
    case Qt::Key_F10:
        ui->comboBoxProducts->setFocus();
        break;
    case Qt::Key_F12:
        ui->lineEditPaid->setFocus();
        break;
    case Qt::Key_PageUp:
        on_nextButton_clicked();
        break;
    case Qt::Key_PageDown:
        on_previousButton_clicked();
        break;
    default:
        // Dropped: nothing travels up to the host.
        break;
    }
}

bool CPOS::eventFilter(QObject* watched, QEvent* event)
{
    // A theme's font for it needs another height; the room moves with the column.
    if ((watched == ui->labelStatus && event->type() == QEvent::FontChange)
        || (watched == statusRoom && (event->type() == QEvent::Move || event->type() == QEvent::Resize)))
        PlaceStatusLine();
    // The scanner's prefix: Qt would give the button the focus now and click it about 100 ms later,
    // while the scanner's code arrives within that time.
    if (watched == ui->pushReadyForScanner && event->type() == QEvent::Shortcut) {
        TakeScannerPrefix();
        return true;
    }
    if (watched == ui->tableViewItems && event->type() == QEvent::KeyPress && scannerInputEnabled
        && TypesIntoScannerLine(static_cast<QKeyEvent*>(event))) {
        // A tap gave the cart the focus (for Del), and a scanner without the prefix types there: its
        // type-ahead would take the code and move the current line.
        FocusAndSelect(ui->lineBarcodeScannerInput);
        QCoreApplication::sendEvent(ui->lineBarcodeScannerInput, event);
        return true;
    }
    if (event->type() == QEvent::ContextMenu) {
        if (auto* date = qobject_cast<QDateTimeEdit*>(watched)) {
            PopUpDateFieldMenu(date, static_cast<QContextMenuEvent*>(event));
            return true;
        }
    }
    // The style sheet sets its own minimum width at every polish.
    if ((event->type() == QEvent::Polish || event->type() == QEvent::StyleChange || event->type() == QEvent::FontChange)
        && locale && AmountFields().contains(qobject_cast<QLineEdit*>(watched)))
        FitAmountField(static_cast<QLineEdit*>(watched));
    if (event->type() == QEvent::FocusIn && watched == ui->lineEditPaid) {
        ui->lineEditPaid->selectAll();
        return false;
    }
    if (event->type() == QEvent::ShortcutOverride) {
        // Refusing the field's override lets the screen's own shortcut fire.
        const auto* key = static_cast<QKeyEvent*>(event);
        const QKeySequence pressed(int(key->modifiers() & ~Qt::KeypadModifier) | key->key());
        for (const QShortcut* shortcut : findChildren<QShortcut*>(QString(), Qt::FindDirectChildrenOnly)) {
            if (shortcut->key() == pressed) {
                event->ignore();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

QVector<QLineEdit*> CPOS::AmountFields() const
{
    return {ui->lineEditTax, ui->lineEditTotal, ui->lineEditPaid, ui->lineEditChange};
}

void CPOS::FitAmountField(QLineEdit* field)
{
    field->ensurePolished();
    const QFontMetrics metrics = field->fontMetrics();
    int digit = metrics.horizontalAdvance(locale->negativeSign());
    for (int value = 0; value < 10; ++value)
        digit = qMax(digit, metrics.horizontalAdvance(locale->toString(value)));
    const int sign =
        qMax(metrics.horizontalAdvance(locale->decimalPoint()), metrics.horizontalAdvance(locale->groupSeparator()));
    // A line edit's size hint is the room for 17 letters "x" with its frame, padding and margins.
    const int frame = field->sizeHint().width() - 17 * metrics.horizontalAdvance(QLatin1Char('x'));
    // A longer text widens the field. The edit scrolls a text to its cursor unless the text and the cursor's pixel
    // fit.
    const int text = qMax(AMOUNT_DIGITS * digit + AMOUNT_SIGNS * sign, metrics.horizontalAdvance(field->text()));
    field->setMinimumWidth(frame + text + 1);
}

void CPOS::TakeScannerPrefix()
{
    // An open pop-up would keep taking the code's keys; a drop-down list keeps the choice it had.
    PopupKeyRouter::CloseOpenPopups();
    FocusAndSelect(ui->lineBarcodeScannerInput);
}

void CPOS::FocusAndSelect(QWidget* field)
{
    field->setFocus(Qt::ShortcutFocusReason);
    if (auto* edit = qobject_cast<QLineEdit*>(field))
        edit->selectAll();
    else if (auto* text = qobject_cast<QTextEdit*>(field))
        text->selectAll();
}

void CPOS::on_CtrlZero()
{
}

void CPOS::on_CtrlP()
{
    FocusAndSelect(ui->lineEditPaid);
}

void CPOS::on_CtrlD()
{
    FocusAndSelect(ui->lineEditDiscount);
}

void CPOS::on_CtrlQ()
{
    FocusAndSelect(ui->lineEditItems);
}

void CPOS::on_CtrlC()
{
    ui->comboCategory->setFocus(Qt::ShortcutFocusReason);
}

void CPOS::on_CtrlT()
{
    const int i = ui->tabWidget->currentIndex();
    if (!showPosButtons)
        ui->tabWidget->setCurrentIndex(i != 0 ? 0 : 1);
    else
        ui->tabWidget->setCurrentIndex(i == 0 ? 1 : i == 1 ? 2 : 0);
}

void CPOS::on_CtrlL()
{
    ui->comboPaymentType->setFocus(Qt::ShortcutFocusReason);
}

void CPOS::on_CtrlS()
{
    FocusAndSelect(ui->lineSelectedSalePrice);
}

void CPOS::on_CtrlN()
{
    FocusAndSelect(invoiceMode ? ui->textNotes : ui->textReceiptNotes);
}

void CPOS::on_CtrlR()
{
    FocusAndSelect(ui->lineRefNumber);
}

void CPOS::on_CtrlX()
{
    on_pushButtonClose_clicked();
}

void CPOS::on_CtrlK()
{
    on_pushHelpShortCutKeys_clicked();
}

void CPOS::on_Plus()
{
    const int quantity = ui->lineEditItems->text().toInt(nullptr, 10);
    ui->lineEditItems->setText(locale->toString(quantity + 1));
}

void CPOS::on_Minus()
{
    const int quantity = ui->lineEditItems->text().toInt(nullptr, 10);
    ui->lineEditItems->setText(locale->toString(qMax(0, quantity - 1)));
}

void CPOS::on_CtrlF()
{
    ui->comboBoxProducts->setFocus(Qt::ShortcutFocusReason);
}

void CPOS::on_lineBarcodeScannerInput_returnPressed()
{
    ui->lineEditBarCode->setText(ui->lineBarcodeScannerInput->text());
    on_pushAddItem_clicked();
    ui->lineBarcodeScannerInput->setFocus();
    ui->lineBarcodeScannerInput->selectAll();
}

void CPOS::on_pushReadyForScanner_toggled(bool checked)
{
    ui->pushReadyForScanner->setStyleSheet(checked ? QStringLiteral("QPushButton { background-color: green; }")
                                                   : QStringLiteral("QPushButton { background-color: red; }"));
}

void CPOS::on_pushReadyForScanner_clicked()
{
    if (ui->pushReadyForScanner->isChecked()) {
        ui->lineBarcodeScannerInput->setFocus();
        ui->lineBarcodeScannerInput->selectAll();
    } else {
        ui->comboBoxProducts->setFocus();
    }
}

void CPOS::on_SetCheckedScannerReady(bool val)
{
    // A click on the button takes the focus from the scanner line (Ctrl+B does not: eventFilter);
    // unchecking it then would make the toggle that follows switch the scanner straight back on.
    if (!val && QApplication::focusWidget() == ui->pushReadyForScanner)
        return;
    ui->pushReadyForScanner->setChecked(val);
}

void CPOS::on_lineEditPaid_returnPressed()
{
    // A sale that came on screen after that Enter (a new sale, a reopened screen, a resumed or
    // opened one) has not been paid by it: its first Enter pays.
    if (paidEnterCount == 1 && transactionId != paidEnterSale)
        paidEnterCount = 0;
    if (paidEnterCount == 0) {
        // A refused pay leaves the count: the next Enter must not print an unsaved sale.
        if (on_pushButtonPay_clicked() == 0) {
            paidEnterCount = 1;
            paidEnterSale = transactionId;
        }
    } else if (paidEnterCount == 1) {
        on_pushPrint_clicked();
        paidEnterCount = 0;
        ui->comboBoxProducts->setFocus();
    }
}

void CPOS::on_lineRefNumber_returnPressed()
{
    on_pushButtonPay_clicked();
}

// Enter in any item field adds the item; item entry asks through keepFocusAfterAdd for the search box next.
void CPOS::ItemFieldEnter()
{
    keepFocusAfterAdd = false;
    on_pushAddItem_clicked();
    if (keepFocusAfterAdd)
        ui->comboBoxProducts->setFocus();
}

void CPOS::on_lineSelectedSalePrice_returnPressed()
{
    ItemFieldEnter();
}

void CPOS::on_lineEditDiscount_returnPressed()
{
    ItemFieldEnter();
}

void CPOS::on_lineEditAbsDiscount_returnPressed()
{
    ItemFieldEnter();
}

void CPOS::on_lineEditItems_returnPressed()
{
    ItemFieldEnter();
}

void CPOS::on_lineEditSubItems_returnPressed()
{
    ItemFieldEnter();
}
