<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru_RU">
<context>
    <name>DataFiles</name>
    <message>
        <source>Файл %1 больше %2 байт.</source>
        <translation>File %1 is larger than %2 bytes.</translation>
    </message>
    <message>
        <source>Файл %1 не удается прочитать.</source>
        <translation>File %1 cannot be read.</translation>
    </message>
    <message>
        <source>Файл upload.ini не обнаружен или испорчен. Настройки СОМ-порта взяты по умолчанию.</source>
        <translation>The upload.ini file is missing or damaged. Default serial port settings are used.</translation>
    </message>
    <message>
        <source>%1 не прочитан: это не обычный файл, а папка.</source>
        <translation>%1 was not read: it is a folder, not a regular file.</translation>
    </message>
    <message>
        <source>%1 не прочитан: это не обычный файл, а канал, устройство или сокет.</source>
        <translation>%1 was not read: it is a pipe, device or socket, not a regular file.</translation>
    </message>
    <message>
        <source>Файл upload.ini: недопустимая скорость записи writerate=%1. Допустимы %2 бит/с.</source>
        <translation>upload.ini: writerate=%1 is not a valid write speed. Valid speeds: %2 bit/s.</translation>
    </message>
    <message>
        <source>Файл Quillon_dir.ini отсутствует либо поврежден</source>
        <translation>The Quillon_dir.ini file is missing or damaged</translation>
    </message>
    <message>
        <source>Имя файла %1 содержит недопустимые символы.</source>
        <translation>The file name %1 contains characters that are not allowed.</translation>
    </message>
    <message>
        <source>Файл %1 пуст.</source>
        <translation>File %1 is empty.</translation>
    </message>
    <message>
        <source>Не обнаружена папка %1.</source>
        <translation>Folder %1 was not found.</translation>
    </message>
    <message>
        <source>%1 Запись данных отменена.</source>
        <translation>%1 Programming cancelled.</translation>
    </message>
    <message>
        <source>Файл данных transfer_fw.log, строка %1: %2</source>
        <translation>Data file transfer_fw.log, line %1: %2</translation>
    </message>
    <message>
        <source>в данных есть символы, кроме шестнадцатеричных цифр и пробелов.</source>
        <translation>the data contains characters other than hexadecimal digits and spaces.</translation>
    </message>
    <message>
        <source>больше %1 байт для отправки.</source>
        <translation>more than %1 bytes to send.</translation>
    </message>
    <message>
        <source>Файл данных transfer_fw.log не удалось открыть.</source>
        <translation>The data file transfer_fw.log could not be opened.</translation>
    </message>
    <message>
        <source>не удалось прочитать строку.</source>
        <translation>the line could not be read.</translation>
    </message>
    <message>
        <source>Файл данных transfer_fw.log не содержит ни одной строки &quot;-&gt;&quot;.</source>
        <translation>The data file transfer_fw.log contains no &quot;-&gt;&quot; line.</translation>
    </message>
    <message>
        <source>Не обнаружен файл данных transfer_fw.log.</source>
        <translation>The data file transfer_fw.log was not found.</translation>
    </message>
    <message>
        <source>указана в командной строке</source>
        <translation>given on the command line</translation>
    </message>
    <message>
        <source>указана в QUILLON_DATA_DIR</source>
        <translation>given in QUILLON_DATA_DIR</translation>
    </message>
    <message>
        <source>папка пользователя</source>
        <translation>the user&apos;s folder</translation>
    </message>
    <message>
        <source>общая папка системы</source>
        <translation>the system&apos;s folder</translation>
    </message>
    <message>
        <source>демонстрационные типы</source>
        <translation>the demo types</translation>
    </message>
    <message>
        <source>Типы модемов: %1 (%2)</source>
        <translation>Modem types: %1 (%2)</translation>
    </message>
</context>
<context>
    <name>MainWindow</name>
    <message>
        <source>Выберите тип модема</source>
        <translation>Select the modem type</translation>
    </message>
    <message>
        <source>Открытие СОМ-порта</source>
        <translation>Opening the serial port</translation>
    </message>
    <message>
        <source>Подключите питание к модему</source>
        <translation>Power on the modem</translation>
    </message>
    <message>
        <source>Внимание!
Программа автоматически начнет запись прошивки после выбора типа модема,
подтверждения/установки настроек СОМ-порта и подаче питания на модем.

Если программе не удается получить ответ от модема в течение 15 сек после
подачи питания, то будет предложено изменить настройки СОМ-порта.</source>
        <translation>Note:
Programming starts by itself once you have selected the modem type,
confirmed or set the serial port settings and powered on the modem.

If the modem does not answer within 15 s of power-on,
you will be asked to change the serial port settings.</translation>
    </message>
    <message>
        <source>&lt;a href=&quot;portal&quot; style=&quot;color:blue&quot;&gt;Информационный портал Velmora&lt;/a&gt;</source>
        <translation>&lt;a href=&quot;portal&quot; style=&quot;color:blue&quot;&gt;Velmora information portal&lt;/a&gt;</translation>
    </message>
    <message>
        <source>Velmora: конфигуратор модема</source>
        <translation>Velmora: modem configurator</translation>
    </message>
    <message>
        <source>Показать лог конфигурирования</source>
        <translation>Show the programming log</translation>
    </message>
    <message>
        <source>Скрыть лог конфигурирования</source>
        <translation>Hide the programming log</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Сообщение</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>Outcome</name>
    <message>
        <source>запись не удалась</source>
        <translation>programming failed</translation>
    </message>
    <message>
        <source>%1 (выполнено %2 из %3)</source>
        <translation>%1 (%2 of %3 done)</translation>
    </message>
    <message>
        <source>прервано</source>
        <translation>interrupted</translation>
    </message>
    <message>
        <source>нет отклика от модема за время ожидания включения</source>
        <translation>the modem did not answer during the power-on wait</translation>
    </message>
    <message>
        <source>порт не открылся за время ожидания включения</source>
        <translation>the port did not open during the power-on wait</translation>
    </message>
    <message>
        <source>порт не открылся: %1</source>
        <translation>the port did not open: %1</translation>
    </message>
    <message>
        <source>запрограммирован</source>
        <translation>programmed</translation>
    </message>
    <message>
        <source>НЕТ ОТКЛИКА</source>
        <translation>NO ANSWER</translation>
    </message>
    <message>
        <source>ПРЕРВАН</source>
        <translation>INTERRUPTED</translation>
    </message>
    <message>
        <source>ОШИБКА</source>
        <translation>FAILED</translation>
    </message>
</context>
<context>
    <name>PortDiagnosis</name>
    <message>
        <source>Запущена служба ModemManager: она опрашивает новые порты АТ-командами и может помешать записи. Остановите её на время работы: sudo systemctl stop ModemManager</source>
        <translation>The ModemManager service is running: it probes new ports with AT commands and may disturb programming. Stop it while you work: sudo systemctl stop ModemManager</translation>
    </message>
    <message>
        <source>Биты данных: %1. СОМ-порт передает от 5 до 8 бит данных.</source>
        <translation>Data bits: %1. A serial port sends 5 to 8 data bits.</translation>
    </message>
    <message>
        <source>Стоповые биты: 1,5. Они возможны только при 5 битах данных.</source>
        <translation>Stop bits: 1.5. They are possible only with 5 data bits.</translation>
    </message>
    <message>
        <source>программой %1 (процесс %2)</source>
        <translation>by the program %1 (process %2)</translation>
    </message>
    <message>
        <source>Устройство %1 не найдено. Проверьте, подключен ли модем и выбран ли верный порт.</source>
        <translation>Device %1 was not found. Check that the modem is connected and the right port is selected.</translation>
    </message>
    <message>
        <source>Нет доступа к %1. Добавьте пользователя в группу dialout (sudo usermod -aG dialout $USER) и войдите в систему заново.</source>
        <translation>No access to %1. Add the user to the dialout group (sudo usermod -aG dialout $USER) and log in again.</translation>
    </message>
    <message>
        <source>Порт %1 занят %2: файл блокировки %3. Закройте её или выберите другой порт.</source>
        <translation>Port %1 is in use %2: lock file %3. Close that program or select another port.</translation>
    </message>
    <message>
        <source>Порт %1 занят %2. Закройте её или выберите другой порт.</source>
        <translation>Port %1 is in use %2. Close that program or select another port.</translation>
    </message>
    <message>
        <source>Порт %1 не открывается: %2</source>
        <translation>Port %1 cannot be opened: %2</translation>
    </message>
    <message>
        <source>Порт %1 не открывается. Возможно, он занят другой программой.</source>
        <translation>Port %1 cannot be opened. Another program may be using it.</translation>
    </message>
    <message>
        <source>Порт %1 не найден в системе. Проверьте, подключен ли модем, и выберите порт из списка.</source>
        <translation>Port %1 does not exist on this computer. Check that the modem is connected and select a port from the list.</translation>
    </message>
    <message>
        <source>Порт %1 не открывается: %2. Возможно, он занят другой программой.</source>
        <translation>Port %1 cannot be opened: %2. Another program may be using it.</translation>
    </message>
</context>
<context>
    <name>PortDialog</name>
    <message>
        <source>Настройки СОМ-порта</source>
        <translation>Serial port settings</translation>
    </message>
    <message>
        <source>[ Настройки СОМ-порта ]</source>
        <translation>[ Serial port settings ]</translation>
    </message>
    <message>
        <source>Нет</source>
        <translation>None</translation>
    </message>
    <message>
        <source>Нечет</source>
        <translation>Odd</translation>
    </message>
    <message>
        <source>Чет</source>
        <translation>Even</translation>
    </message>
    <message>
        <source>Маркер (1)</source>
        <translation>Mark (1)</translation>
    </message>
    <message>
        <source>Пробел (0)</source>
        <translation>Space (0)</translation>
    </message>
    <message>
        <source>Аппаратное</source>
        <translation>Hardware</translation>
    </message>
    <message>
        <source>Программное</source>
        <translation>Software</translation>
    </message>
    <message>
        <source>Скорость, на которую модем и порт переключаются перед записью (модем её не запоминает)</source>
        <translation>The speed the modem and the port switch to before programming (the modem does not keep it)</translation>
    </message>
    <message>
        <source>Порт:</source>
        <translation>Port:</translation>
    </message>
    <message>
        <source>Скорость (бит/с):</source>
        <translation>Speed (bit/s):</translation>
    </message>
    <message>
        <source>Биты данных:</source>
        <translation>Data bits:</translation>
    </message>
    <message>
        <source>Четность:</source>
        <translation>Parity:</translation>
    </message>
    <message>
        <source>Стоповые биты:</source>
        <translation>Stop bits:</translation>
    </message>
    <message>
        <source>Управление потоком:</source>
        <translation>Flow control:</translation>
    </message>
    <message>
        <source>Скорость записи (бит/с):</source>
        <translation>Write speed (bit/s):</translation>
    </message>
    <message>
        <source>Принять</source>
        <translation>Accept</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Скорость (бит/с) не выбрана.</source>
        <translation>No speed (bit/s) is selected.</translation>
    </message>
    <message>
        <source>Последовательные порты не найдены. Подключите кабель модема.</source>
        <translation>No serial ports were found. Connect the modem cable.</translation>
    </message>
    <message>
        <source>СОМ-порт не выбран. Выберите порт модема в списке.</source>
        <translation>No serial port is selected. Select the modem&apos;s port in the list.</translation>
    </message>
    <message>
        <source>Порт %1 не подключен. Подключите адаптер модема или выберите другой порт.</source>
        <translation>Port %1 is not connected. Connect the modem adapter or select another port.</translation>
    </message>
</context>
<context>
    <name>Procedures</name>
    <message>
        <source>Устанавливаю скорость порта %1 (без запоминания).</source>
        <translation>Setting the port speed to %1 (not stored in the modem).</translation>
    </message>
    <message>
        <source>Ошибка. Скорость %1 не задана.</source>
        <translation>Error. Speed %1 was not set.</translation>
    </message>
    <message>
        <source>СОМ-порт не поддерживает скорость %1.</source>
        <translation>The serial port does not support speed %1.</translation>
    </message>
    <message>
        <source>таймаут</source>
        <translation>timeout</translation>
    </message>
    <message>
        <source>Скорость %1 задана.</source>
        <translation>Speed %1 set.</translation>
    </message>
    <message>
        <source>Ошибка! Файл данных записать не удалось.</source>
        <translation>Error! The data file could not be written.</translation>
    </message>
    <message>
        <source>Запись:		%1</source>
        <translation>Sent:		%1</translation>
    </message>
    <message>
        <source>Ошибка!</source>
        <translation>Error!</translation>
    </message>
    <message>
        <source>Ожидалось:	%1</source>
        <translation>Expected:	%1</translation>
    </message>
    <message>
        <source>Пришло:		%1</source>
        <translation>Received:	%1</translation>
    </message>
    <message>
        <source>Файл данных успешно записан.</source>
        <translation>Data file written successfully.</translation>
    </message>
    <message>
        <source>%1: %2 из %3 КБ</source>
        <translation>%1: %2 of %3 KB</translation>
    </message>
    <message>
        <source>%1: %2 из %3 КБ, %4 Б/с, осталось %5 с</source>
        <translation>%1: %2 of %3 KB, %4 B/s, %5 s left</translation>
    </message>
    <message>
        <source>Запись файла %1 (%2 bytes)</source>
        <translation>Writing file %1 (%2 bytes)</translation>
    </message>
    <message>
        <source>Удаление старого файла %1 ...</source>
        <translation>Deleting old file %1 ...</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>файл удален</source>
        <translation>file deleted</translation>
    </message>
    <message>
        <source>Запись файла %1 (%2 bytes) ...</source>
        <translation>Writing file %1 (%2 bytes) ...</translation>
    </message>
    <message>
        <source>ошибка записи файла</source>
        <translation>file write error</translation>
    </message>
    <message>
        <source>файл записан</source>
        <translation>file written</translation>
    </message>
    <message>
        <source>Проверка контрольной суммы %1 ...</source>
        <translation>Checking the checksum of %1 ...</translation>
    </message>
    <message>
        <source>ошибка при вызове команды %1</source>
        <translation>command %1 failed</translation>
    </message>
    <message>
        <source>Удаление автозапуска...</source>
        <translation>Removing the autostart...</translation>
    </message>
    <message>
        <source>Файл %1 не записан: сделано попыток: %2.</source>
        <translation>File %1 was not written after %2 attempts.</translation>
    </message>
    <message>
        <source>Попытка №%1</source>
        <translation>Attempt %1</translation>
    </message>
    <message>
        <source>Модем не принял команду %1: %2</source>
        <translation>The modem refused the command %1: %2</translation>
    </message>
    <message>
        <source>Модем не дал ответа, записанного в transfer_fw.log: ожидалось %1</source>
        <translation>The modem did not give the answer recorded in transfer_fw.log: expected %1</translation>
    </message>
    <message>
        <source>Модем не принял файл %1: %2</source>
        <translation>The modem refused the file %1: %2</translation>
    </message>
    <message>
        <source>Модем не ответил на удаление файла %1: таймаут</source>
        <translation>The modem did not answer the deletion of file %1: timeout</translation>
    </message>
</context>
<context>
    <name>Run</name>
    <message>
        <source>Время ожидания отклика от модема истекло.</source>
        <translation>The modem did not answer in time.</translation>
    </message>
    <message>
        <source>Модем подключен. Порт: %1</source>
        <translation>Modem connected. Port: %1</translation>
    </message>
    <message>
        <source>Ожидаю отклик от модема...</source>
        <translation>Waiting for the modem to answer...</translation>
    </message>
    <message>
        <source>Выбран модем &quot;%1&quot;</source>
        <translation>Modem type &quot;%1&quot; selected</translation>
    </message>
    <message>
        <source>Ожидаю подключение модема к СОМ-порту...</source>
        <translation>Waiting for the modem on the serial port...</translation>
    </message>
    <message>
        <source>Операция успешно завершена</source>
        <translation>Programming completed successfully</translation>
    </message>
    <message>
        <source>Во время опереации произошел сбой. Повторите операцию с шага №1.</source>
        <translation>Programming failed. Start again from step 1.</translation>
    </message>
    <message>
        <source>СОМ-порт %1 потерян (устройство отключено).</source>
        <translation>Serial port %1 lost (device disconnected).</translation>
    </message>
    <message>
        <source>Внутренняя ошибка программы. Повторите операцию с шага №1.</source>
        <translation>Internal program error. Start again from step 1.</translation>
    </message>
    <message>
        <source>СОМ-порт закрыт. Запись данных отменена.</source>
        <translation>Serial port closed. Programming cancelled.</translation>
    </message>
    <message>
        <source>Отклик модема получен</source>
        <translation>The modem answered</translation>
    </message>
    <message>
        <source>Запись данных в модем...</source>
        <translation>Programming the modem...</translation>
    </message>
    <message>
        <source>Ожидаю выбор типа модема на шаге №1...</source>
        <translation>Select the modem type in step 1...</translation>
    </message>
</context>
<context>
    <name>Runner</name>
    <message>
        <source>Модем не сообщил IMEI.</source>
        <translation>The modem did not report its IMEI.</translation>
    </message>
    <message>
        <source>IMEI модема: %1</source>
        <translation>Modem IMEI: %1</translation>
    </message>
    <message>
        <source>Лог работы не сохранён: %1</source>
        <translation>Run log not saved: %1</translation>
    </message>
    <message>
        <source>Запись о работе не сохранена в %1: %2</source>
        <translation>Run record not saved to %1: %2</translation>
    </message>
    <message>
        <source>Модем с IMEI %1 уже запрограммирован в этом сеансе. Снимите модем.</source>
        <translation>The modem with IMEI %1 was already programmed in this session. Remove the modem.</translation>
    </message>
    <message>
        <source>Прерывание: текущий шаг прекращён, порт закрывается.</source>
        <translation>Interrupted: the current step is cut short and the port is closing.</translation>
    </message>
    <message>
        <source>Прерывание: модему отправляются две завершающие команды AT^SJAM, их ответа ждём не более 11 с. Повторное прерывание (Ctrl-C) завершит работу сразу, без них.</source>
        <translation>Interrupted: the modem gets its two closing AT^SJAM commands, waiting at most 11 s for their answers. Interrupt again (Ctrl-C) to end at once without them.</translation>
    </message>
</context>
<context>
    <name>Serial</name>
    <message>
        <source>Неверный тип COM-порта. </source>
        <translation>The name does not lead to a serial port. </translation>
    </message>
    <message>
        <source>Неверный Handle COM-порта !</source>
        <translation>The serial port cannot be opened.</translation>
    </message>
    <message>
        <source>Не удалось настроить COM-порт !</source>
        <translation>The serial port refused its settings.</translation>
    </message>
    <message>
        <source>Ошибка создания потока чтения для COM-порта !</source>
        <translation>The serial port&apos;s reader could not be started.</translation>
    </message>
    <message>
        <source>Ошибка создания потока записи для COM-порта !</source>
        <translation>The serial port&apos;s writer could not be started.</translation>
    </message>
    <message>
        <source>Ошибка создания COM-порта !</source>
        <translation>The serial port could not be set up.</translation>
    </message>
    <message>
        <source>СОМ-порт %1 ведёт теперь к другому устройству: модем сменился. Запись данных отменена.</source>
        <translation>Serial port %1 now leads to another device: the modem was changed. Programming cancelled.</translation>
    </message>
</context>
<context>
    <name>Settings</name>
    <message>
        <source>Язык (после перезапуска):</source>
        <translation>Language (after a restart):</translation>
    </message>
</context>
<context>
    <name>StationWindow</name>
    <message>
        <source>Текущий прогон</source>
        <translation>Current run</translation>
    </message>
    <message>
        <source>Журнал %1 не читается.</source>
        <translation>Log %1 cannot be read.</translation>
    </message>
    <message>
        <source>Журнал порта %1</source>
        <translation>Log of port %1</translation>
    </message>
    <message>
        <source>Снимите модем.</source>
        <translation>Remove the modem.</translation>
    </message>
    <message>
        <source>ОЖИДАНИЕ</source>
        <translation>WAITING</translation>
    </message>
    <message>
        <source>Поставьте модем.</source>
        <translation>Insert a modem.</translation>
    </message>
    <message>
        <source>ОПРОС</source>
        <translation>PROBING</translation>
    </message>
    <message>
        <source>Порт открыт, жду ответа модема.</source>
        <translation>Port open, waiting for the modem to answer.</translation>
    </message>
    <message>
        <source>ПРОГРАММИРОВАНИЕ</source>
        <translation>PROGRAMMING</translation>
    </message>
    <message>
        <source>ГОТОВО</source>
        <translation>DONE</translation>
    </message>
    <message>
        <source>ОСТАНОВЛЕН</source>
        <translation>STOPPED</translation>
    </message>
    <message>
        <source>Причина: %1</source>
        <translation>Reason: %1</translation>
    </message>
    <message>
        <source>ОШИБКА</source>
        <translation>FAILED</translation>
    </message>
    <message>
        <source>Снимите модем. Причина: %1</source>
        <translation>Remove the modem. Reason: %1</translation>
    </message>
    <message>
        <source>УЖЕ ЗАПРОГРАММИРОВАН</source>
        <translation>ALREADY PROGRAMMED</translation>
    </message>
    <message>
        <source>ОСТАНОВКА</source>
        <translation>STOPPING</translation>
    </message>
    <message>
        <source>Порт завершает работу.</source>
        <translation>The port is finishing.</translation>
    </message>
    <message>
        <source>IMEI: модем его не сообщил</source>
        <translation>IMEI: not reported by the modem</translation>
    </message>
    <message>
        <source>Запрограммировано: %1, ошибок: %2</source>
        <translation>Programmed: %1, failed: %2</translation>
    </message>
    <message>
        <source>Журнал порта: щелчок или Enter</source>
        <translation>Port log: click or press Enter</translation>
    </message>
    <message>
        <source>файлов: %v из %m</source>
        <translation>files: %v of %m</translation>
    </message>
    <message>
        <source>запрограммировано</source>
        <translation>programmed</translation>
    </message>
    <message>
        <source>ошибки</source>
        <translation>failed</translation>
    </message>
    <message>
        <source>модемов в час</source>
        <translation>modems per hour</translation>
    </message>
    <message>
        <source>модемов за %1 мин</source>
        <translation>modems per %1 min</translation>
    </message>
    <message>
        <source>Quillon — станция</source>
        <translation>Quillon — station</translation>
    </message>
    <message>
        <source>Смена: запрограммировано %1, ошибок %2, выход %3, модемов в час %4</source>
        <translation>Shift: programmed %1, failed %2, yield %3, modems per hour %4</translation>
    </message>
    <message>
        <source>Выберите тип модема и порты на вкладке «Настройка» и нажмите «Пуск».</source>
        <translation>Select the modem type and the ports on the Setup tab and press Start.</translation>
    </message>
    <message>
        <source>Выберите тип модема.</source>
        <translation>Select the modem type.</translation>
    </message>
    <message>
        <source>Тип модема %1 не найден в каталоге %2Quillon_dir.ini.</source>
        <translation>Modem type %1 is not in the catalogue %2Quillon_dir.ini.</translation>
    </message>
    <message>
        <source>Отметьте хотя бы один порт.</source>
        <translation>Select at least one port.</translation>
    </message>
    <message>
        <source>Порты %1 и %2 — одно устройство: отметьте один из них.</source>
        <translation>Ports %1 and %2 are the same device: select only one of them.</translation>
    </message>
    <message>
        <source>Файл записей не открывается, станция не начнёт работу без учёта: %1</source>
        <translation>The record file cannot be opened, and the station does not start without records: %1</translation>
    </message>
    <message>
        <source>Идёт программирование модемов. Остановить станцию и закрыть окно?</source>
        <translation>Modems are being programmed. Stop the station and close the window?</translation>
    </message>
    <message>
        <source>Журнал этого прогона не найден.</source>
        <translation>The log of this run was not found.</translation>
    </message>
    <message>
        <source>из upload.ini</source>
        <translation>from upload.ini</translation>
    </message>
    <message>
        <source>Пуск</source>
        <translation>Start</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Порты</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Смена</source>
        <translation>Shift</translation>
    </message>
    <message>
        <source>Настройка</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>другой порт: /dev/ttyUSB4, COM5, ссылка</source>
        <translation>another port: /dev/ttyUSB4, COM5, a link</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Обновить список</source>
        <translation>Refresh list</translation>
    </message>
    <message>
        <source>Тип модема:</source>
        <translation>Modem type:</translation>
    </message>
    <message>
        <source>Порты:</source>
        <translation>Ports:</translation>
    </message>
    <message>
        <source>Скорость записи (бит/с):</source>
        <translation>Write speed (bit/s):</translation>
    </message>
    <message>
        <source>Файл записей:</source>
        <translation>Record file:</translation>
    </message>
    <message>
        <source>IMEI или его часть</source>
        <translation>IMEI or part of it</translation>
    </message>
    <message>
        <source>все результаты</source>
        <translation>all results</translation>
    </message>
    <message>
        <source>Начало</source>
        <translation>Started</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Результат</source>
        <translation>Result</translation>
    </message>
    <message>
        <source>Причина</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>Журнал прогона: двойной щелчок или Enter</source>
        <translation>Run log: double-click or press Enter</translation>
    </message>
    <message>
        <source>Отбор:</source>
        <translation>Filter:</translation>
    </message>
</context>
<context>
    <name>Terminal</name>
    <message>
        <source>открытие порта</source>
        <translation>opening port</translation>
    </message>
    <message>
        <source>ожидание отклика</source>
        <translation>waiting for answer</translation>
    </message>
    <message>
        <source>смена скорости</source>
        <translation>changing speed</translation>
    </message>
    <message>
        <source>запись</source>
        <translation>writing</translation>
    </message>
    <message>
        <source>завершено</source>
        <translation>finished</translation>
    </message>
    <message>
        <source>запрограммировано: %1, сбоев: %2</source>
        <translation>programmed: %1, failed: %2</translation>
    </message>
    <message>
        <source>ожидает модем</source>
        <translation>waiting for modem</translation>
    </message>
    <message>
        <source>опрос модема</source>
        <translation>probing modem</translation>
    </message>
    <message>
        <source>программирование</source>
        <translation>programming</translation>
    </message>
    <message>
        <source>запрограммирован, снимите модем</source>
        <translation>programmed, remove the modem</translation>
    </message>
    <message>
        <source>ОШИБКА: %1, порт остановлен</source>
        <translation>FAILED: %1, port stopped</translation>
    </message>
    <message>
        <source>ОШИБКА: %1, снимите модем</source>
        <translation>FAILED: %1, remove the modem</translation>
    </message>
    <message>
        <source>уже запрограммирован, снимите модем</source>
        <translation>already programmed, remove the modem</translation>
    </message>
    <message>
        <source>остановка</source>
        <translation>stopping</translation>
    </message>
    <message>
        <source>остановлен</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>, последний сбой: %1</source>
        <translation>, last failure: %1</translation>
    </message>
    <message>
        <source>
Итог: запрограммировано модемов: %1 из %2 (код завершения %3)
</source>
        <translation>
Total: modems programmed: %1 of %2 (exit code %3)
</translation>
    </message>
    <message>
        <source>, остановлен: %1</source>
        <translation>, stopped: %1</translation>
    </message>
    <message>
        <source>
Итог смены: запрограммировано: %1, сбоев: %2, модемов в час: %3, время: %4 (код завершения %5)
</source>
        <translation>
Shift total: programmed: %1, failed: %2, modems per hour: %3, time: %4 (exit code %5)
</translation>
    </message>
</context>
</TS>
