#pragma once

#include <QDialog>

#include <cstdint>

class DropDownComboBox;
class QComboBox;
class QLabel;
class QPushButton;
class TComm32;
struct SerialPortInfo;

// The modal dialog in which the user confirms or changes the serial port settings before the
// main window looks for the modem. It reads the port's settings when opened and writes them back
// only when accepted.
class TfCOMProperty : public QDialog
{
    Q_OBJECT
public:
    explicit TfCOMProperty(QWidget *parent = nullptr);

    // Fills Items with the serial ports present (maker, model and stable names as the hint); true
    // when there is one.
    static bool ListComPorts(QComboBox &Items);
    void LoadFromComm(const TComm32 &Port);
    // The rate the modem is written at, shown beside the port's settings and changed for the
    // session like them; 9600 when nothing is selected.
    void LoadWriteRate(std::uint32_t Rate);
    std::uint32_t WriteRate() const;
    // Does nothing while the port is open. Raises EConvertError when no speed is selected.
    void ApplyToComm(TComm32 &Port);
    // Why no port can be opened with the dialog's choice: no ports, or none chosen; empty when
    // one is chosen.
    QString PortNote() const;

    DropDownComboBox *cbxPort_N;
    QComboBox *cbxPort_Speed;
    QComboBox *cbxPort_DataBits;
    QComboBox *cbxPort_Parity;
    QComboBox *cbxPort_StopBits;
    QComboBox *cbxPort_FlowControl;
    QComboBox *cbxWriteRate;
    QComboBox *cbxLanguage; // the program's language from its next start
    QLabel *lblPortNote;
    QPushButton *btnAccept;
    QPushButton *btnCancel;

protected:
    void showEvent(QShowEvent *event) override;

private:
    static void addPort(QComboBox &Items, const SerialPortInfo &Port);
    // The list entry of a port; a link to a device that the list does not show is added for it,
    // and a port that is not there (its adapter unplugged) is added marked as not connected, so
    // that the list shows which port the type expects.
    int entryOf(const QString &CommPort);
    // The port list's entry of the choice; empty when none is chosen.
    QString chosenEntry() const;
    void cbxPort_NDropDown();
    void showPortNote();
};

QString NoPortsText(); // the system lists no serial port
// Said under the port list when the port chosen (by the profile or earlier) is not there now; the
// port step goes on trying it, so that plugging the adapter in is enough.
QString AbsentPortText(const QString &Entry);
QString NoPortChosenText(); // the port list has entries but none is chosen
