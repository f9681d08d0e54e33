// The product button grid of the sale screen: pages of buttons, one per stock row flagged for the
// screen, narrowed to a category on request.
#include "cpos.h"
#include "ui_cpos.h"

#include "cposbutton.h"
#include "databasemanager.h"
#include "errordialog.h"
#include "pos.h"
#include "textfields.h"

#include <QFileInfo>
#include <QLabel>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QSqlTableModel>

namespace {

const char* const ROW_COLOURS[] = {
    " background-color: #228B22; }", " background-color: #FF5309; }", " background-color: #6495ED; }",
    " background-color: #BD23BB; }", " background-color: #DAA520; }", " background-color: #F91E0A; }",
    " background-color: #23BD99; }", " background-color: #FF7F50; }",
};
const QString NO_IMAGE = QStringLiteral(":/resources/images/NoImageAvailable.jpg");

int PagesFor(int items, int perPage)
{
    return (items + perPage - 1) / perPage;
}

} // namespace

QString CPOS::SizeRule() const
{
    return QStringLiteral(" CPosButton { min-width: %1px; max-width: %1px; min-height: %1px; max-height: %1px; ")
        .arg(posButtonSize);
}

// The start of a grid button's sheet for its place: the size rule and the row's colour, nothing from
// the ninth row on.
QString CPOS::RowStyle(int place) const
{
    const int row = place / posRows;
    if (row >= 8)
        return QString();
    return SizeRule() + QLatin1String(ROW_COLOURS[row]);
}

// A name too long for a grid button: its first ten characters, the whole name in the tool tip.
QString CPOS::ButtonCaption(const QString& name)
{
    return name.size() > 13 ? name.left(10) + QStringLiteral(" ..") : name;
}

QString CPOS::ButtonStyleTail()
{
    return QStringLiteral(" CPosButton { border: 6px; } CPosButton:pressed { margin: 6px; } CPosButton:hover { border: "
                          "3px solid QLinearGradient( x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffa02f, stop: 1 #d7801a); }");
}

void CPOS::LoadProductButtons()
{
    if (!showPosButtons)
        return;
    ui->comboCategory->setCurrentIndex(-1);
    pageCount = 0;
    currentPage = 0;
    categoryPageCount = 0;
    categoryCurrentPage = 0;
    productItems.clear();

    QSqlQuery* query = DatabaseManager::Instance()->InventoryQuery();
    if (query) {
        if (!query->exec(QStringLiteral(
                "SELECT i.BAR_CODE, p.NAME , p.IMAGE_FILE, c.ID FROM tblInventory as i, tblProducts as p, "
                "tblProductCategories as c  WHERE i.PRODUCT_ID = p.ID AND p.CATEGORY_ID = c.ID AND i.SHOW_ON_POS = 1 "
                "ORDER BY p.NAME"))) {
            qCWarning(lcPos) << query->lastError().databaseText() + QStringLiteral("    ")
                                    + query->lastError().driverText();
        } else {
            while (query->next())
                productItems.append({query->value(0).toString(), query->value(1).toString(),
                                     query->value(2).toString(), query->value(3).toInt()});
        }
    }
    pageCount = PagesFor(productItems.size(), buttonsPerPage);
    LayoutProductButtons(0, qMin(productItems.size(), buttonsPerPage));
    currentPage = 1;
    ui->labelFavPages->setText(PageLabel(false));
}

QString CPOS::PageLabel(bool category) const
{
    if (category)
        return tr("Category Page %1 of %2 ").arg(categoryCurrentPage).arg(categoryPageCount);
    return tr("Page %1 of %2 ").arg(currentPage).arg(pageCount);
}

void CPOS::ClearProductButtons()
{
    QLayout* layout = ui->gridLayout_12;
    while (QLayoutItem* item = layout->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    layout->update();
}

void CPOS::LayoutProductButtons(int first, int last)
{
    ClearProductButtons();
    // Which list the range is of: the category view while a category is chosen.
    const QVector<ProductButtonItem>& items = ui->comboCategory->currentIndex() >= 0 ? categoryItems : productItems;
    auto* grid = ui->gridLayout_12;
    QWidget* contents = ui->scrollAreaPosButtonsContents;
    int i = 0;
    for (int at = first; at < last && at < items.size(); ++at, ++i) {
        const ProductButtonItem& item = items.at(at);
        const QString caption = ButtonCaption(item.name);
        auto* button = new CPosButton(QString(), contents, item.barCode);
        auto* label = new QLabel(caption, contents);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(Qt::AlignHCenter);
        if (caption != item.name) {
            button->setToolTip(PlainToolTip(item.name));
            label->setToolTip(PlainToolTip(item.name));
        }
        QString sheet = RowStyle(i);
        if (!item.imageFile.isEmpty() && item.imageFile != NO_IMAGE) {
            const QString path = imagesFolder.isEmpty()
                ? QFileInfo(item.imageFile).absoluteFilePath()
                : imagesFolder + QLatin1Char('/') + QFileInfo(item.imageFile).fileName();
            if (QFileInfo::exists(path))
                sheet = SizeRule() + QStringLiteral(" border-image:url(") + path + QStringLiteral("); }");
            else
                button->setText(QStringLiteral("IMAGE NOT\n FOUND"));
        }
        button->setStyleSheet(sheet + ButtonStyleTail());
        grid->addWidget(button, 2 * (i / posRows), i % posColumns);
        grid->addWidget(label, 2 * (i / posRows) + 1, i % posColumns);
        connect(button, &QPushButton::clicked, this, &CPOS::PosButtonClicked);
        grid->update();
        ui->scrollAreaPosButtons->updateGeometry();
    }
    for (; i < buttonsPerPage; ++i) {
        auto* filler = new CPosButton(QString(), contents, QStringLiteral("NOCODE"));
        filler->setEnabled(true);
        filler->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        filler->setStyleSheet(RowStyle(i) + ButtonStyleTail());
        auto* label = new QLabel(QStringLiteral("UNUSED"), contents);
        label->setAlignment(Qt::AlignHCenter);
        label->setStyleSheet(QStringLiteral(" QLabel { font-size: 10px; } "));
        grid->addWidget(filler, 2 * (i / posRows), i % posColumns);
        grid->addWidget(label, 2 * (i / posRows) + 1, i % posColumns);
    }
    ui->tabWidget->updateGeometry();
}

void CPOS::PosButtonClicked()
{
    auto* button = qobject_cast<CPosButton*>(sender());
    if (!button)
        return;
    ui->lineEditBarCode->setText(button->GetCode());
    ErrorDialog notice(
        QStringLiteral("err_msg_44"), tr("Buttons Layout"),
        tr("<p><b>Product Buttons Layout and Size</b><br><br>These buttons are fully customizable. You can hide or show "
           "this Product Buttons tab from Settings dialog under Point of Sale settings. There is also an option to "
           "change the size of buttons. You can also increase , or decrease the number of rows and columns of buttons. "
           "You can open POS settings by pressing More button or F1, then by clicking on POS settings button.</p>"),
        this, false, true);
    notice.exec();
    on_lineEditBarCode_returnPressed();
    StampChange();
}

void CPOS::on_comboCategory_currentIndexChanged(const QString& /*arg1*/)
{
    const int index = ui->comboCategory->currentIndex();
    const QString id = index >= 0 && categoryModel ? categoryModel->record(index).value(0).toString() : QString();
    categoryItems.clear();
    for (const ProductButtonItem& item : qAsConst(productItems))
        if (item.categoryId == id.toInt())
            categoryItems.append(item);
    categoryPageCount = PagesFor(categoryItems.size(), buttonsPerPage);
    LayoutProductButtons(0, qMin(categoryItems.size(), buttonsPerPage));
    categoryCurrentPage = 1;
    ui->labelFavPages->setText(PageLabel(true));
}

void CPOS::on_pushFavPages_clicked()
{
    ui->comboCategory->setCurrentIndex(-1);
    LayoutProductButtons(0, qMin(productItems.size(), buttonsPerPage));
    currentPage = 1;
    ui->labelFavPages->setText(PageLabel(false));
}

void CPOS::on_nextButton_clicked()
{
    const bool category = ui->comboCategory->currentIndex() >= 0;
    int& page = category ? categoryCurrentPage : currentPage;
    const int pages = category ? categoryPageCount : pageCount;
    const int count = category ? categoryItems.size() : productItems.size();
    const int next = page + 1;
    if (next > pages)
        return;
    LayoutProductButtons(page * buttonsPerPage, qMin(count, next * buttonsPerPage));
    page = next;
    ui->labelFavPages->setText(PageLabel(category));
}

void CPOS::on_previousButton_clicked()
{
    const bool category = ui->comboCategory->currentIndex() >= 0;
    int& page = category ? categoryCurrentPage : currentPage;
    const int previous = page - 1;
    if (previous < 1)
        return;
    LayoutProductButtons((previous - 1) * buttonsPerPage, previous * buttonsPerPage);
    page = previous;
    ui->labelFavPages->setText(PageLabel(category));
}
