#pragma once

class DropDownComboBox;
class ProgressGauge;
class QAction;
class QLabel;
class QPlainTextEdit;
class QToolButton;
class QWidget;

// The main window's widgets, named as the design names them: the top panel with the instructions
// and the three steps, the status bar with the log button, the gauge and the status line, and the
// log panel. They belong to the window they were built into.
struct MainWindowWidgets
{
    QWidget *Panel1;
    QLabel *Memo1; // the instructions
    QLabel *lblChoiceModem;
    DropDownComboBox *cbxModems;
    QLabel *Image1; // the device
    QLabel *Image2; // step 2's picture
    QLabel *imgRS;  // the port is open
    QLabel *lblCommConnect;
    QLabel *Image3; // step 3's picture
    QLabel *imgDC;  // the modem has answered
    QLabel *lblPowerOn;
    QLabel *lblQXLRef; // the portal link
    QWidget *pnlStatusBar;
    QToolButton *btnLogSH;
    ProgressGauge *ggProgress;
    QLabel *lblStatus;
    QWidget *pnlLog;
    QPlainTextEdit *mmoLog;
    QAction *actLogSH; // shows and hides the log
};

// Builds the widgets into Window, laid out and in their initial state (steps 2 and 3 dimmed, the
// indicators off, the log hidden), with the modem list holding the keyboard. Connects nothing.
MainWindowWidgets BuildMainWindow(QWidget &Window);
