#include "stockbrowser.h"

#include "inventorymanagement.h"
#include "voranteldialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

void BrowseStock(QWidget* hostParent, const QSize& size)
{
    VorantelDialog host(hostParent);
    auto* layout = new QGridLayout(&host);
    host.resize(size);
    host.setModal(true);
    auto* page = new InventoryManagement(&host, true);
    layout->addWidget(page);
    // Select mode shows the close button; the browser has nothing to select.
    if (auto* select = page->findChild<QPushButton*>(QStringLiteral("pushSelect")))
        select->hide();
    if (auto* status = page->findChild<QLabel*>(QStringLiteral("labelStatus")))
        status->setText(QObject::tr("SEARCH STOCK"));
    host.exec();
}
