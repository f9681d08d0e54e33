#include "poledisplaypage.h"

#include "appsettings.h"
#include "devicecombo.h"
#include "poledisplayemax.h"
#include "poledisplayepson.h"
#include "poledisplayiee.h"
#include "poledisplaylci.h"

#include <QScroller>
#include <QSerialPortInfo>
#include <QSettings>

namespace {

const QString KEY_ENABLE = QStringLiteral("enable_pole_display");
const QString KEY_PORT = QStringLiteral("pole_port");
const QString KEY_SPEED = QStringLiteral("pole_port_speed");
const QString KEY_DATA_BITS = QStringLiteral("pole_data_bits");
const QString KEY_PARITY = QStringLiteral("pole_parity");
const QString KEY_STOP_BITS = QStringLiteral("pole_stop_bits");
const QString KEY_FLOW_CONTROL = QStringLiteral("pole_flow_control");
const QString KEY_COMMAND_SET = QStringLiteral("pole_command_set");
const QString KEY_LINE_COUNT = QStringLiteral("pole_line_count");
const QString KEY_CHAR_COUNT = QStringLiteral("pole_char_count");
const QString KEY_WELCOME = QStringLiteral("welcome_msg");
const QString NONE = QStringLiteral("NONE");

// Selected by text; a stored text that is not an entry leaves the first entry.
void FillAndSelect(QComboBox* combo, const QStringList& entries, const QString& stored)
{
    combo->addItems(entries);
    combo->setCurrentIndex(qMax(0, entries.indexOf(stored)));
}

} // namespace

PoleDisplayPage::PoleDisplayPage(QWidget* parent)
    : SettingsPage(parent)
{
    ui.setupUi(this);
    loaded = false;
    QScroller::grabGesture(viewport(), QScroller::LeftMouseButtonGesture);
    testDisplay = nullptr;
}

void PoleDisplayPage::LoadSettings()
{
    if (loaded)
        return;
    QSettings* store = AppSettings::Instance()->settings;

    QStringList ports{NONE};
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        ports << port.portName();
    ui.checkEnablePoleDisplay->setChecked(store->value(KEY_ENABLE, false).toBool());
    DeviceCombo::Fill(ui.comboPortName, ports, store->value(KEY_PORT, NONE).toString());

    FillAndSelect(ui.comboBitsPerSecond,
                  {"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"},
                  store->value(KEY_SPEED, QStringLiteral("9600")).toString());
    FillAndSelect(ui.comboDataBits, {"5", "6", "7", "8"}, store->value(KEY_DATA_BITS, QStringLiteral("8")).toString());
    FillAndSelect(ui.comboParity, {"NONE", "ODD", "EVEN", "MARK", "SPACE"},
                  store->value(KEY_PARITY, NONE).toString());
    FillAndSelect(ui.comboStopBits, {"NONE", "1", "1.5", "2"}, store->value(KEY_STOP_BITS, QStringLiteral("1")).toString());
    FillAndSelect(ui.comboFlowControl, {"NONE", "Hardware", "Software"},
                  store->value(KEY_FLOW_CONTROL, NONE).toString());

    // The entry index is the stored value; one outside 0 to 3 leaves no entry current.
    ui.comboCommandSet->addItems({"Logic Controls (LCI)", "Epson110-D202", "Emax", "IEE"});
    const int commandSet = store->value(KEY_COMMAND_SET, 0).toInt();
    ui.comboCommandSet->setCurrentIndex(commandSet >= 0 && commandSet < ui.comboCommandSet->count() ? commandSet : -1);

    ui.lineCount->setText(store->value(KEY_LINE_COUNT, QStringLiteral("2")).toString());
    ui.lineCharCount->setText(store->value(KEY_CHAR_COUNT, QStringLiteral("20")).toString());
    ui.line_welcome->setText(store->value(KEY_WELCOME, QStringLiteral("WELCOME")).toString());
    loaded = true;
}

bool PoleDisplayPage::SaveSettings()
{
    if (!loaded)
        return true;
    QSettings* store = AppSettings::Instance()->settings;
    store->setValue(KEY_ENABLE, ui.checkEnablePoleDisplay->isChecked());
    store->setValue(KEY_PORT, DeviceCombo::Current(ui.comboPortName));
    store->setValue(KEY_SPEED, ui.comboBitsPerSecond->currentText());
    store->setValue(KEY_DATA_BITS, ui.comboDataBits->currentText());
    store->setValue(KEY_PARITY, ui.comboParity->currentText());
    store->setValue(KEY_STOP_BITS, ui.comboStopBits->currentText());
    store->setValue(KEY_FLOW_CONTROL, ui.comboFlowControl->currentText());
    store->setValue(KEY_COMMAND_SET, ui.comboCommandSet->currentIndex());
    store->setValue(KEY_LINE_COUNT, ui.lineCount->text());
    store->setValue(KEY_CHAR_COUNT, ui.lineCharCount->text());
    store->setValue(KEY_WELCOME, ui.line_welcome->text());
    return true;
}

PoleDisplay* PoleDisplayPage::OpenTestDisplay()
{
    // The old display goes first (flushing and closing its port), so the new one can open it again;
    // the pointer is cleared at once, so that a press without a command set never reaches it.
    delete testDisplay;
    testDisplay = nullptr;
    switch (ui.comboCommandSet->currentIndex()) {
    case 0: testDisplay = new PoleDisplayLCI(this); break;
    case 1: testDisplay = new PoleDisplayEpson(this); break;
    case 2: testDisplay = new PoleDisplayEmax(this); break;
    case 3: testDisplay = new PoleDisplayIEE(this); break;
    default: return nullptr;
    }
    const int lineCount = ui.lineCount->text().toInt();
    const int charCount = ui.lineCharCount->text().toInt();
    if (!testDisplay->open(DeviceCombo::Current(ui.comboPortName), ui.comboBitsPerSecond->currentText(),
                           ui.comboDataBits->currentText(), ui.comboParity->currentText(),
                           ui.comboStopBits->currentText(), ui.comboFlowControl->currentText(), lineCount, charCount))
        return nullptr;
    return testDisplay;
}

void PoleDisplayPage::on_pushTest_clicked()
{
    if (PoleDisplay* display = OpenTestDisplay()) {
        display->showLine1(ui.line_1->text());
        display->showLine2(ui.line_2->text());
    }
}

void PoleDisplayPage::on_pushClearDisplay_clicked()
{
    if (PoleDisplay* display = OpenTestDisplay())
        display->clear();
}

void PoleDisplayPage::on_pushTestWelcome_clicked()
{
    if (PoleDisplay* display = OpenTestDisplay())
        display->showWelcome(ui.line_welcome->text());
}
