#pragma once

#include "engine/PortBoard.h"

#include <QFrame>

class QLabel;
class QProgressBar;

// One port of the station at a glance: its name and device, its state in a word on the state's
// colour (the word is always there, so no colour has to be told apart), what to do or why it
// failed, the transfer's progress, the modem's IMEI and the port's counts. A click opens the
// port's log.
class PortTile : public QFrame
{
    Q_OBJECT
public:
    explicit PortTile(QWidget *parent = nullptr);

    void render(const PortState &State);

    QLabel *lblPort;
    QLabel *lblState;
    QLabel *lblDetail; // what to do, the reason of a failure in full, the file on its way
    QProgressBar *ggFiles;
    QLabel *lblImei;
    QLabel *lblCounts;

signals:
    void opened();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};

// A text that may wrap after each separator of a path (a stable name has no blanks to wrap at).
QString Breakable(const QString &Path);
