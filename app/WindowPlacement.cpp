#include "WindowPlacement.h"

#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QWidget>

namespace {
const QString Geometry = QStringLiteral("Window/Geometry");
const QString LogVisible = QStringLiteral("Log/Visible");
const QString LogHeight = QStringLiteral("Log/Height");
} // namespace

QString WindowPlacement::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Quillon.ini");
}

void WindowPlacement::restore(QWidget &window, QWidget &logPanel) const
{
    const QSettings store(file, QSettings::IniFormat);
    if (store.contains(LogHeight))
        logPanel.resize(logPanel.width(), store.value(LogHeight).toInt());
    if (store.contains(LogVisible))
        logPanel.setVisible(store.value(LogVisible).toBool());
    // A place on a screen that is no longer attached would leave the window out of reach.
    const QRect geometry = store.value(Geometry).toRect();
    if (geometry.isValid() && QGuiApplication::screenAt(geometry.center()))
        window.setGeometry(geometry);
}

void WindowPlacement::save(const QWidget &window, const QWidget &logPanel) const
{
    QSettings store(file, QSettings::IniFormat);
    store.setValue(Geometry, window.geometry());
    store.setValue(LogVisible, !logPanel.isHidden());
    store.setValue(LogHeight, logPanel.height());
}
