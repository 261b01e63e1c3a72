#include "TfCOMProperty.h"

#include "app/LanguageList.h"

#include "app/DropDownComboBox.h"
#include "atlink/HexText.h"
#include "atlink/WriteRate.h"
#include "serial/SerialPorts.h"
#include "serial/TComm32.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <optional>

namespace {

// Set on the entry of a port that is not there (its adapter unplugged).
constexpr int AbsentRole = Qt::UserRole;
// The dialog's width at the default font and its narrowest; it grows for larger fonts and for long
// port names. Its height is always that of its content.
constexpr int DialogWidth = 344;

QComboBox *fixedList(QWidget *parent, const QStringList &entries)
{
    auto *list = new QComboBox(parent);
    list->addItems(entries);
    return list;
}

// What the port's hint says: maker and model, and the names that survive a re-plug, which a
// profile can give to find the adapter on whatever port it comes back.
QString portHint(const SerialPortInfo &Port)
{
    QStringList lines = Port.stableNames;
    if (!Port.description.isEmpty())
        lines.prepend(Port.description);
    return lines.join(u'\n');
}

// A profile's port that the list does not show but that is a link to a device present (a stable
// name, a link of the user's own): the link as it is, with the device it stands for.
std::optional<SerialPortInfo> linkedPort(const QString &CommPort)
{
    const QString path = ResolveDevicePath(CommPort);
    const QFileInfo link(path);
    if (!link.isSymLink() || !link.exists())
        return std::nullopt;
    return SerialPortInfo{path, PortDevice(path), {}};
}

} // namespace

TfCOMProperty::TfCOMProperty(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("fCOMProperty"));
    setWindowTitle(QCoreApplication::translate("PortDialog", "Настройки СОМ-порта"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto *group =
        new QGroupBox(QCoreApplication::translate("PortDialog", "[ Настройки СОМ-порта ]"), this);
    cbxPort_N = new DropDownComboBox(group);
    cbxPort_N->addItems({QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"),
                         QStringLiteral("COM4")});
    // The whole name of the port stays readable, however long its path.
    cbxPort_N->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    cbxPort_Speed = fixedList(
        group, {QStringLiteral("300"), QStringLiteral("1200"), QStringLiteral("2400"),
                QStringLiteral("4800"), QStringLiteral("9600"), QStringLiteral("19200"),
                QStringLiteral("38400"), QStringLiteral("57600"), QStringLiteral("115200")});
    cbxPort_DataBits =
        fixedList(group, {QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"),
                          QStringLiteral("7"), QStringLiteral("8")});
    cbxPort_Parity = fixedList(group, {QCoreApplication::translate("PortDialog", "Нет"),
                                       QCoreApplication::translate("PortDialog", "Нечет"),
                                       QCoreApplication::translate("PortDialog", "Чет"),
                                       QCoreApplication::translate("PortDialog", "Маркер (1)"),
                                       QCoreApplication::translate("PortDialog", "Пробел (0)")});
    cbxPort_StopBits =
        fixedList(group, {QStringLiteral("1"), QStringLiteral("1,5"), QStringLiteral("2")});
    cbxPort_FlowControl =
        fixedList(group, {QCoreApplication::translate("PortDialog", "Нет"),
                          QCoreApplication::translate("PortDialog", "Аппаратное"),
                          QCoreApplication::translate("PortDialog", "Программное")});
    cbxWriteRate = new QComboBox(group);
    cbxWriteRate->setObjectName(QStringLiteral("cbxWriteRate"));
    cbxWriteRate->setToolTip(QCoreApplication::translate(
        "PortDialog",
        "Скорость, на которую модем и порт переключаются перед записью (модем её не запоминает)"));
    for (const std::uint32_t rate : WriteRates)
        cbxWriteRate->addItem(QString::number(rate), rate);

    auto *form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->addRow(QCoreApplication::translate("PortDialog", "Порт:"), cbxPort_N);
    form->addRow(QCoreApplication::translate("PortDialog", "Скорость (бит/с):"), cbxPort_Speed);
    form->addRow(QCoreApplication::translate("PortDialog", "Биты данных:"), cbxPort_DataBits);
    form->addRow(QCoreApplication::translate("PortDialog", "Четность:"), cbxPort_Parity);
    form->addRow(QCoreApplication::translate("PortDialog", "Стоповые биты:"), cbxPort_StopBits);
    form->addRow(QCoreApplication::translate("PortDialog", "Управление потоком:"),
                 cbxPort_FlowControl);
    form->addRow(QCoreApplication::translate("PortDialog", "Скорость записи (бит/с):"),
                 cbxWriteRate);

    auto *buttons = new QDialogButtonBox(this);
    btnAccept = buttons->addButton(QCoreApplication::translate("PortDialog", "Принять"),
                                   QDialogButtonBox::AcceptRole);
    btnCancel = buttons->addButton(QCoreApplication::translate("PortDialog", "Отмена"),
                                   QDialogButtonBox::RejectRole);
    btnAccept->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addWidget(group);
    // The language shares the buttons' row: the dialog has no height to spare on a netbook.
    cbxLanguage = MakeLanguageList(this);
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(LanguageListLabel(), this));
    bottom->addWidget(cbxLanguage);
    bottom->addStretch(1);
    bottom->addWidget(buttons);
    layout->addLayout(bottom);
    const QMargins margins = layout->contentsMargins();
    group->setMinimumWidth(DialogWidth - margins.left() - margins.right());

    // Said under the port list while there is no port to open.
    lblPortNote = new QLabel(group);
    lblPortNote->setObjectName(QStringLiteral("lblPortNote"));
    lblPortNote->setWordWrap(true);
    lblPortNote->hide();
    form->insertRow(1, lblPortNote);

    connect(cbxPort_N, &DropDownComboBox::dropDown, this, &TfCOMProperty::cbxPort_NDropDown);
    connect(cbxPort_N, &QComboBox::currentIndexChanged, this, &TfCOMProperty::showPortNote);
    cbxPort_N->setFocus();
}

QString TfCOMProperty::PortNote() const
{
    if (cbxPort_N->count() == 0)
        return NoPortsText();
    if (cbxPort_N->currentIndex() < 0)
        return NoPortChosenText();
    return {};
}

void TfCOMProperty::showPortNote()
{
    const bool absent = cbxPort_N->currentData(AbsentRole).toBool();
    lblPortNote->setText(absent ? AbsentPortText(chosenEntry()) : PortNote());
    lblPortNote->setVisible(!lblPortNote->text().isEmpty());
}

bool TfCOMProperty::ListComPorts(QComboBox &Items)
{
    Items.clear();
    const QList<SerialPortInfo> ports = ListSerialPorts();
    for (const SerialPortInfo &port : ports)
        addPort(Items, port);
    Items.setCurrentIndex(-1);
    return Items.count() > 0;
}

void TfCOMProperty::addPort(QComboBox &Items, const SerialPortInfo &Port)
{
    Items.addItem(Port.name);
    const QString hint = portHint(Port);
    if (!hint.isEmpty())
        Items.setItemData(Items.count() - 1, hint, Qt::ToolTipRole);
}

int TfCOMProperty::entryOf(const QString &CommPort)
{
    const QString entry = EntryForCommPort(CommPort);
    const int listed = cbxPort_N->findText(entry, Qt::MatchFixedString);
    if (listed >= 0)
        return listed;
    if (const std::optional<SerialPortInfo> linked = linkedPort(CommPort)) {
        addPort(*cbxPort_N, *linked);
        return cbxPort_N->count() - 1;
    }
    // The component's own default was chosen by no one: nothing is chosen then.
    if (entry.isEmpty() || CommPort == TComm32::DefaultCommPort())
        return -1;
    // A port the list does not have is the one the type expects all the same: named as it is,
    // greyed in the open list and said so under it (no wider than its name, as a long path is).
    cbxPort_N->addItem(entry);
    const int added = cbxPort_N->count() - 1;
    cbxPort_N->setItemData(added, true, AbsentRole);
    cbxPort_N->setItemData(added, cbxPort_N->palette().color(QPalette::Disabled, QPalette::Text),
                           Qt::ForegroundRole);
    cbxPort_N->setItemData(added, AbsentPortText(entry), Qt::ToolTipRole);
    return added;
}

QString TfCOMProperty::chosenEntry() const
{
    return cbxPort_N->currentIndex() < 0 ? QString() : cbxPort_N->currentText();
}

void TfCOMProperty::LoadFromComm(const TComm32 &Port)
{
    // A port list that cannot be read leaves the dialog usable with what it has.
    try {
        ListComPorts(*cbxPort_N);
        cbxPort_N->setCurrentIndex(entryOf(Port.CommPort()));
    } catch (const std::exception &) {
    }
    cbxPort_N->setMaxVisibleItems(cbxPort_N->count());
    cbxPort_Speed->setCurrentIndex(cbxPort_Speed->findText(QString::number(Port.BaudRate())));
    cbxPort_DataBits->setCurrentIndex(Port.ByteSize());
    cbxPort_Parity->setCurrentIndex(Port.Parity());
    cbxPort_StopBits->setCurrentIndex(Port.StopBits());
    cbxPort_FlowControl->setCurrentIndex(Port.FlowControl());
    showPortNote();
    cbxPort_N->setFocus();
}

void TfCOMProperty::LoadWriteRate(std::uint32_t Rate)
{
    cbxWriteRate->setCurrentIndex(cbxWriteRate->findData(Rate));
}

std::uint32_t TfCOMProperty::WriteRate() const
{
    const QVariant rate = cbxWriteRate->currentData();
    return rate.isValid() ? rate.toUInt() : DefaultWriteRate;
}

void TfCOMProperty::ApplyToComm(TComm32 &Port)
{
    if (Port.PortOpen())
        return;
    Port.SetCommPort(CommPortForEntry(chosenEntry()));
    bool isNumber = false;
    const QString speed = cbxPort_Speed->currentText();
    const std::uint32_t rate = speed.toUInt(&isNumber);
    if (!isNumber)
        throw EConvertError(
            QCoreApplication::translate("PortDialog", "Скорость (бит/с) не выбрана.")
                .toStdString());
    Port.SetBaudRate(rate);
    Port.SetByteSize(static_cast<TBytesize>(cbxPort_DataBits->currentIndex()));
    Port.SetParity(static_cast<TParity>(cbxPort_Parity->currentIndex()));
    Port.SetStopBits(static_cast<TStopBits>(cbxPort_StopBits->currentIndex()));
    Port.SetFlowControl(static_cast<TFlowControl>(cbxPort_FlowControl->currentIndex()));
}

void TfCOMProperty::showEvent(QShowEvent *event)
{
    move(screen()->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

void TfCOMProperty::cbxPort_NDropDown()
{
    // The list is read afresh, for a port plugged in or out since; the choice stays, so that
    // opening the list and closing it again changes nothing.
    const QString chosen = chosenEntry();
    ListComPorts(*cbxPort_N);
    if (!chosen.isEmpty())
        cbxPort_N->setCurrentIndex(entryOf(CommPortForEntry(chosen)));
    showPortNote();
}

QString NoPortsText()
{
    return QCoreApplication::translate(
        "PortDialog", "Последовательные порты не найдены. Подключите кабель модема.");
}

QString AbsentPortText(const QString &Entry)
{
    return QCoreApplication::translate(
               "PortDialog", "Порт %1 не подключен. Подключите адаптер модема или выберите другой "
                             "порт.")
        .arg(Entry);
}

QString NoPortChosenText()
{
    return QCoreApplication::translate("PortDialog",
                                       "СОМ-порт не выбран. Выберите порт модема в списке.");
}
