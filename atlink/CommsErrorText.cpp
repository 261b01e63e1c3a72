#include "CommsErrorText.h"

#include <QCoreApplication>

QString CommsErrorText(const ECommsError &Error)
{
    switch (Error.fault()) {
    case CommsFault::AlreadyOpen:
    case CommsFault::NoStopEvent:
        break;
    case CommsFault::NotCharacterDevice:
        return QCoreApplication::translate("Serial", "Неверный тип COM-порта. ");
    case CommsFault::OpenFailed:
        return QCoreApplication::translate("Serial", "Неверный Handle COM-порта !");
    case CommsFault::SettingsRejected:
        return QCoreApplication::translate("Serial", "Не удалось настроить COM-порт !");
    case CommsFault::ReaderNotStarted:
        return QCoreApplication::translate("Serial",
                                           "Ошибка создания потока чтения для COM-порта !");
    case CommsFault::OtherDevice:
        return QCoreApplication::translate("Serial",
                                           "СОМ-порт %1 ведёт теперь к другому устройству: модем "
                                           "сменился. Запись данных отменена.")
            .arg(Error.port());
    case CommsFault::WriterNotStarted:
        return QCoreApplication::translate("Serial",
                                           "Ошибка создания потока записи для COM-порта !");
    }
    return QCoreApplication::translate("Serial", "Ошибка создания COM-порта !");
}
