<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>SettingsDialog</name>
    <message>
        <source>Настройки</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Журнал сеанса</source>
        <translation>Session journal</translation>
    </message>
    <message>
        <source>&amp;Вести журнал сеанса</source>
        <translation>&amp;Keep a session journal</translation>
    </message>
    <message>
        <source>Окно терминала</source>
        <translation>Terminal pane</translation>
    </message>
    <message>
        <source>&amp;Хранить строк, не более:</source>
        <translation>&amp;Lines to keep, at most:</translation>
    </message>
    <message>
        <source>Строк в окне терминала, не более</source>
        <translation>Lines to keep in the terminal pane, at most</translation>
    </message>
    <message>
        <source>Старые строки уходят из окна; журнал хранит всё.</source>
        <translation>Older lines leave the pane; the journal keeps everything.</translation>
    </message>
    <message>
        <source>Интерфейс</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>&amp;Язык интерфейса:</source>
        <translation>Interface lan&amp;guage:</translation>
    </message>
    <message>
        <source>Язык интерфейса</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>Как в системе</source>
        <translation>As the system</translation>
    </message>
    <message>
        <source>Выбранный язык действует со следующего запуска программы.</source>
        <translation>The chosen language takes effect the next time the program starts.</translation>
    </message>
</context>
<context>
    <name>TAboutBox</name>
    <message>
        <source>О программе Kelvane</source>
        <translation>About Kelvane</translation>
    </message>
    <message>
        <source>Версия: 0.99 Beta rev 4</source>
        <translation>Version: 0.99 Beta rev 4</translation>
    </message>
    <message>
        <source>Платформа: Microsoft Windows 95/98/ME/NT/2000/XP/WinE Supported</source>
        <translation>Platform: Microsoft Windows 95/98/ME/NT/2000/XP/WinE Supported</translation>
    </message>
    <message>
        <source>Сведения о программе</source>
        <translation>About the program</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>TForm1</name>
    <message>
        <source>Запуск заводского теста</source>
        <translation>Run a Factory Test</translation>
    </message>
    <message>
        <source>Введите номер заводского теста</source>
        <translation>Enter the number of the factory test</translation>
    </message>
    <message>
        <source>Номер заводского теста</source>
        <translation>Factory test number</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TForm7</name>
    <message>
        <source>Схема терминала</source>
        <translation>Terminal Wiring</translation>
    </message>
    <message>
        <source>Схема подключения накопителя к COM-порту</source>
        <translation>How the drive is wired to the COM port</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TGolovka</name>
    <message>
        <source>выбор физической головки</source>
        <translation>Physical Head</translation>
    </message>
    <message>
        <source>Головка №1</source>
        <translation>Head 1</translation>
    </message>
    <message>
        <source>Головка №3</source>
        <translation>Head 3</translation>
    </message>
    <message>
        <source>Головка №2</source>
        <translation>Head 2</translation>
    </message>
    <message>
        <source>Головка №4</source>
        <translation>Head 4</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>TMainForm</name>
    <message>
        <source>Kelvane 0.99b rev 4</source>
        <translation>Kelvane 0.99b rev 4</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Baud rate</translation>
    </message>
    <message>
        <source>Разорвать</source>
        <translation>Disconnect</translation>
    </message>
    <message>
        <source>Соеденить</source>
        <translation>Connect</translation>
    </message>
    <message>
        <source>Set RTS</source>
        <translation>Set RTS</translation>
    </message>
    <message>
        <source>Set DTR</source>
        <translation>Set DTR</translation>
    </message>
    <message>
        <source>Команда для накопителя</source>
        <translation>Command for the drive</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>CR+LF</source>
        <translation>CR+LF</translation>
    </message>
    <message>
        <source>Команды пользователя</source>
        <translation>User commands</translation>
    </message>
    <message>
        <source>Логотип</source>
        <translation>Logo</translation>
    </message>
    <message>
        <source>Терминал</source>
        <translation>Terminal</translation>
    </message>
    <message>
        <source>CTS</source>
        <translation>CTS</translation>
    </message>
    <message>
        <source>DSR</source>
        <translation>DSR</translation>
    </message>
    <message>
        <source>RLSD</source>
        <translation>RLSD</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>Команды</source>
        <translation>Commands</translation>
    </message>
    <message>
        <source>Операции</source>
        <translation>Operations</translation>
    </message>
    <message>
        <source>SMART</source>
        <translation>SMART</translation>
    </message>
    <message>
        <source>Дополнительно</source>
        <translation>More</translation>
    </message>
    <message>
        <source>Таблица</source>
        <translation>Table</translation>
    </message>
    <message>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Переход на уровень...</source>
        <translation>Go to Level...</translation>
    </message>
    <message>
        <source>Позиционирование головки...</source>
        <translation>Position the Head...</translation>
    </message>
    <message>
        <source>Выполнить</source>
        <translation>Run</translation>
    </message>
    <message>
        <source>Создать</source>
        <translation>New</translation>
    </message>
    <message>
        <source>Открыть...</source>
        <translation>Open...</translation>
    </message>
    <message>
        <source>Сохранить...</source>
        <translation>Save...</translation>
    </message>
    <message>
        <source>Открыть папку журналов</source>
        <translation>Open Journal Folder</translation>
    </message>
    <message>
        <source>Настройки...</source>
        <translation>Settings...</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Переход на уровень &quot;Т&quot; (Certification test)</source>
        <translation>Go to Level &quot;T&quot; (Certification test)</translation>
    </message>
    <message>
        <source>Уровень тестирования &quot;1&quot; (Verifications of Memory)</source>
        <translation>Test Level &quot;1&quot; (Verifications of Memory)</translation>
    </message>
    <message>
        <source>Уровень тестирования &quot;2&quot; (Low level commands)</source>
        <translation>Test Level &quot;2&quot; (Low level commands)</translation>
    </message>
    <message>
        <source>Тип и версия ПЗУ</source>
        <translation>ROM Type and Version</translation>
    </message>
    <message>
        <source>Конфигурации перемычек</source>
        <translation>Jumper Settings</translation>
    </message>
    <message>
        <source>Заводской тест...</source>
        <translation>Factory Test...</translation>
    </message>
    <message>
        <source>Выбрать головку...</source>
        <translation>Select Head...</translation>
    </message>
    <message>
        <source>Раскрутить шпиндель</source>
        <translation>Spin Up</translation>
    </message>
    <message>
        <source>Остановить шпиндель</source>
        <translation>Spin Down</translation>
    </message>
    <message>
        <source>Выбрать тип накопителя</source>
        <translation>Select Drive Type</translation>
    </message>
    <message>
        <source>Записать тип накопителя</source>
        <translation>Write Drive Type</translation>
    </message>
    <message>
        <source>Запустить Seagate SELFSCAN</source>
        <translation>Run Seagate SELFSCAN</translation>
    </message>
    <message>
        <source>Загрузить ATA Overlay</source>
        <translation>Upload ATA Overlay</translation>
    </message>
    <message>
        <source>Загрузить CERT TABLE в ОЗУ</source>
        <translation>Upload CERT TABLE into RAM</translation>
    </message>
    <message>
        <source>Записать содержимое ОЗУ</source>
        <translation>Write RAM Contents</translation>
    </message>
    <message>
        <source>Чтение системной дорожки в ОЗУ</source>
        <translation>Read System Track into RAM</translation>
    </message>
    <message>
        <source>Удалить системную информацию</source>
        <translation>Erase System Information</translation>
    </message>
    <message>
        <source>Перезаписать FlashROM используя резервные треки</source>
        <translation>Rewrite FlashROM from the Reserve Tracks</translation>
    </message>
    <message>
        <source>Перезаписать CERT используя резервные треки</source>
        <translation>Rewrite CERT from the Reserve Tracks</translation>
    </message>
    <message>
        <source>Создать заново</source>
        <translation>Recreate</translation>
    </message>
    <message>
        <source>Обновить атрибуты</source>
        <translation>Update Attributes</translation>
    </message>
    <message>
        <source>Обновить версию</source>
        <translation>Update Version</translation>
    </message>
    <message>
        <source>Просмотр атрибутов</source>
        <translation>View Attributes</translation>
    </message>
    <message>
        <source>Запуск DST Short Test</source>
        <translation>Run DST Short Test</translation>
    </message>
    <message>
        <source>Запуск DST Long Test B</source>
        <translation>Run DST Long Test B</translation>
    </message>
    <message>
        <source>G-List </source>
        <translation>G-List </translation>
    </message>
    <message>
        <source>P-List</source>
        <translation>P-List</translation>
    </message>
    <message>
        <source>Critical Event Log</source>
        <translation>Critical Event Log</translation>
    </message>
    <message>
        <source>Health Log</source>
        <translation>Health Log</translation>
    </message>
    <message>
        <source>Выполнить команду</source>
        <translation>Run Command</translation>
    </message>
    <message>
        <source>Удалить команду</source>
        <translation>Delete Command</translation>
    </message>
    <message>
        <source>Работа с командами...</source>
        <translation>Edit Commands...</translation>
    </message>
    <message>
        <source>Схема терминала</source>
        <translation>Terminal Wiring</translation>
    </message>
    <message>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
</context>
<context>
    <name>Tcommand</name>
    <message>
        <source>Выполнить команду</source>
        <translation>Run Command</translation>
    </message>
    <message>
        <source>Имя команды</source>
        <translation>Command name</translation>
    </message>
    <message>
        <source>Команда</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Уровень выполнения</source>
        <translation>Level to run at</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Tcommand2</name>
    <message>
        <source>Работа с командами...</source>
        <translation>Edit Commands...</translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>Tgolovka2</name>
    <message>
        <source>Позиционирование головки</source>
        <translation>Head Positioning</translation>
    </message>
    <message>
        <source>Выберите головку и введите номер дорожки, на </source>
        <translation>Select the head and enter the number of</translation>
    </message>
    <message>
        <source>который ее необходимо поместить</source>
        <translation>the track to place it on</translation>
    </message>
    <message>
        <source>Головка</source>
        <translation>Head</translation>
    </message>
    <message>
        <source>Дорожка</source>
        <translation>Track</translation>
    </message>
    <message>
        <source>Номер дорожки</source>
        <translation>Track number</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Tgolovki</name>
    <message>
        <source>Выбор типа HDD</source>
        <translation>HDD Type</translation>
    </message>
    <message>
        <source>Количество головок в накопителе</source>
        <translation>Number of heads in the drive</translation>
    </message>
    <message>
        <source>Одна</source>
        <translation>One</translation>
    </message>
    <message>
        <source>Две</source>
        <translation>Two</translation>
    </message>
    <message>
        <source>Три</source>
        <translation>Three</translation>
    </message>
    <message>
        <source>Четыре</source>
        <translation>Four</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>Tuserlevel</name>
    <message>
        <source>Переход на уровень...</source>
        <translation>Go to Level...</translation>
    </message>
    <message>
        <source>Осуществить переход накопителя на </source>
        <translation>Switch the drive to the level</translation>
    </message>
    <message>
        <source>указанный пользователем уровень</source>
        <translation>entered below</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>kelvane::CommandTable</name>
    <message>
        <source>нет прав на запись в файл</source>
        <translation>no permission to write the file</translation>
    </message>
    <message>
        <source>носитель доступен только для чтения</source>
        <translation>the medium is read-only</translation>
    </message>
    <message>
        <source>её занимает другая копия программы</source>
        <translation>another copy of the program holds it</translation>
    </message>
    <message>
        <source>файл недоступен для записи</source>
        <translation>the file cannot be written</translation>
    </message>
    <message>
        <source>Таблица команд %1 открыта только для чтения: %2</source>
        <translation>Command table %1 opened read-only: %2</translation>
    </message>
    <message>
        <source>Создана своя таблица команд (копия стандартной): %1</source>
        <translation>Your own command table was made (a copy of the default one): %1</translation>
    </message>
</context>
<context>
    <name>kelvane::Connection</name>
    <message>
        <source>Связь установлена, терминал ожидает ввода команд</source>
        <translation>Connected, the terminal is waiting for commands</translation>
    </message>
    <message>
        <source>Связь завершена</source>
        <translation>Disconnected</translation>
    </message>
    <message>
        <source>Связь с портом %1 потеряна, ожидание его возвращения</source>
        <translation>Connection to port %1 lost, waiting for it to come back</translation>
    </message>
    <message>
        <source>Связь с портом %1 потеряна</source>
        <translation>Connection to port %1 lost</translation>
    </message>
    <message>
        <source>Связь с портом %1 потеряна: устройство отключено или не отвечает.</source>
        <translation>Connection to port %1 lost: the device was unplugged or does not answer.</translation>
    </message>
    <message>
        <source>Подключён адаптер %1</source>
        <translation>Adapter plugged in: %1</translation>
    </message>
    <message>
        <source>Связь с портом %1 восстановлена, порта не было %2</source>
        <translation>Connection to port %1 restored, the port was gone for %2</translation>
    </message>
</context>
<context>
    <name>kelvane::MainMenu</name>
    <message>
        <source>All Files (*)</source>
        <translation>All Files (*)</translation>
    </message>
    <message>
        <source>Внимание выбранная операция (Seagate selfscan) требует поддержку электропитания накопителя во время прохождения всего теста. В зависимости от модели накопителя это может занять до 72 часов.</source>
        <translation>Attention: the chosen operation (Seagate selfscan) needs the drive to stay powered for the whole test. Depending on the drive model it may take up to 72 hours.</translation>
    </message>
</context>
<context>
    <name>kelvane::ModemManagerNotice</name>
    <message>
        <source>Служба ModemManager</source>
        <translation>The ModemManager Service</translation>
    </message>
    <message>
        <source>В системе работает служба ModemManager. Она открывает вновь подключённые USB-адаптеры и посылает в них AT-команды, которые накопитель примет за свои. Чтобы служба не трогала адаптер %1, сохраните это правило в файл /etc/udev/rules.d/99-kelvane-adapter.rules, выполните «sudo udevadm control --reload» и подключите адаптер заново:</source>
        <translation>The ModemManager service runs on this system. It opens newly plugged USB adapters and sends them AT commands, which the drive takes for its own. To keep the service away from the adapter %1, save this rule in the file /etc/udev/rules.d/99-kelvane-adapter.rules, run &quot;sudo udevadm control --reload&quot; and plug the adapter in again:</translation>
    </message>
    <message>
        <source>Правило udev</source>
        <translation>udev rule</translation>
    </message>
</context>
<context>
    <name>kelvane::PortReturn</name>
    <message>
        <source>%1,%2 с</source>
        <translation>%1.%2 s</translation>
    </message>
    <message>
        <source>%1 мин %2 с</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 ч %2 мин</source>
        <translation>%1 h %2 min</translation>
    </message>
</context>
<context>
    <name>kelvane::Program</name>
    <message>
        <source>Журнал сеанса не ведётся: %1</source>
        <translation>The session journal is not being kept: %1</translation>
    </message>
    <message>
        <source>Не удалось открыть папку журналов: %1</source>
        <translation>Cannot open the journal folder: %1</translation>
    </message>
</context>
<context>
    <name>kelvane::ServiceCatalogue</name>
    <message>
        <source>Переход на уровень &quot;Т&quot;</source>
        <translation>Going to level &quot;T&quot;</translation>
    </message>
    <message>
        <source>Переход на уровень &quot;1&quot;</source>
        <translation>Going to level &quot;1&quot;</translation>
    </message>
    <message>
        <source>Переход на уровень &quot;2&quot;</source>
        <translation>Going to level &quot;2&quot;</translation>
    </message>
    <message>
        <source>После выполнения перезагрузите накопитель!</source>
        <translation>Restart the drive when it has finished!</translation>
    </message>
    <message>
        <source>После выполнения команды необходимо переподключить накопитель!</source>
        <translation>Reconnect the drive when the command has finished!</translation>
    </message>
</context>
<context>
    <name>kelvane::SessionJournal</name>
    <message>
        <source>Меню: %1</source>
        <translation>Menu: %1</translation>
    </message>
    <message>
        <source>%1: вкл</source>
        <translation>%1: on</translation>
    </message>
    <message>
        <source>%1: выкл</source>
        <translation>%1: off</translation>
    </message>
    <message>
        <source>Кнопка: %1</source>
        <translation>Button: %1</translation>
    </message>
</context>
<context>
    <name>kelvane::SettingsDialog</name>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Папка журналов: %1</source>
        <translation>Journal folder: %1</translation>
    </message>
</context>
<context>
    <name>kelvane::TAboutBox</name>
    <message>
        <source>Платформа:           Win32/ WinE Supported</source>
        <translation>Platform:            Win32/ WinE Supported</translation>
    </message>
    <message>
        <source>Основное    предназначение   -   работа с жесткими дисковыми
накопителями фирмы Seagate</source>
        <translation>Main purpose: servicing Seagate hard disk drives</translation>
    </message>
    <message>
        <source>Поддерживаемые модели:</source>
        <translation>Supported models:</translation>
    </message>
    <message>
        <source>© 2026 Разработчики Kelvane. Все права защищены.</source>
        <translation>© 2026 The Kelvane developers. All rights reserved.</translation>
    </message>
    <message>
        <source>Kelvane — сервисный терминал для накопителей с диагностическим
последовательным портом. Его делает небольшая группа инженеров,
которые сами восстанавливают накопители и пишут инструменты,
нужные им в работе.</source>
        <translation>Kelvane is a service terminal for drives with a diagnostic serial
port. It is made by a small group of engineers who repair drives
themselves and write the tools they need for the job.</translation>
    </message>
    <message>
        <source>Программа предоставляется «как есть», без каких-либо гарантий.
Команды диагностического монитора могут необратимо изменить
служебную информацию накопителя. Авторы не отвечают за потерю
данных или повреждение оборудования; все действия вы выполняете
на свой страх и риск.</source>
        <translation>The program is provided &quot;as is&quot;, without any warranty. The
commands of the diagnostic monitor can change a drive&apos;s service
information beyond repair. The authors are not liable for lost
data or damaged hardware; whatever you do, you do at your own
risk.</translation>
    </message>
    <message>
        <source>Вопросы и сообщения об ошибках: support@kelvane.example</source>
        <translation>Questions and bug reports: support@kelvane.example</translation>
    </message>
</context>
<context>
    <name>kelvane::TDBNavigator</name>
    <message>
        <source>Вставить запись</source>
        <translation>Insert record</translation>
    </message>
    <message>
        <source>Удалить запись</source>
        <translation>Delete record</translation>
    </message>
    <message>
        <source>Изменить запись</source>
        <translation>Edit record</translation>
    </message>
    <message>
        <source>Сохранить изменения</source>
        <translation>Save changes</translation>
    </message>
    <message>
        <source>Отменить изменения</source>
        <translation>Cancel changes</translation>
    </message>
</context>
<context>
    <name>kelvane::TMainForm</name>
    <message>
        <source>Переподключаться
автоматически</source>
        <translation>Reconnect
automatically</translation>
    </message>
    <message>
        <source>Программа загружена нормально</source>
        <translation>Program loaded normally</translation>
    </message>
    <message>
        <source>Выполнить процедуру...</source>
        <translation>Run Procedure...</translation>
    </message>
    <message>
        <source>Команда</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Устройство порта</source>
        <translation>Port device</translation>
    </message>
    <message>
        <source>Переподключаться автоматически</source>
        <translation>Reconnect automatically</translation>
    </message>
    <message>
        <source>Когда устройство порта пропадает, соединиться снова, как только оно вернётся</source>
        <translation>When the port&apos;s device goes away, connect again as soon as it is back</translation>
    </message>
    <message>
        <source>Команда отправлена</source>
        <translation>Command sent</translation>
    </message>
    <message>
        <source>Терминал очищен</source>
        <translation>Terminal cleared</translation>
    </message>
    <message>
        <source>Рабочий порт изменен</source>
        <translation>Working port changed</translation>
    </message>
    <message>
        <source>Скорость передачи данных изменена</source>
        <translation>Baud rate changed</translation>
    </message>
</context>
<context>
    <name>kelvane::Tcommand</name>
    <message>
        <source>Имя команды</source>
        <translation>Command name</translation>
    </message>
    <message>
        <source>Команда</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Уровень выполнения</source>
        <translation>Level to run at</translation>
    </message>
</context>
<context>
    <name>kelvane::Tcommand2</name>
    <message>
        <source>Навигатор по командам</source>
        <translation>Command navigator</translation>
    </message>
    <message>
        <source>Название команды</source>
        <translation>Command name</translation>
    </message>
    <message>
        <source>Команда</source>
        <translation>Command</translation>
    </message>
    <message>
        <source>Уровень</source>
        <translation>Level</translation>
    </message>
    <message>
        <source>Команды пользователя</source>
        <translation>User commands</translation>
    </message>
</context>
<context>
    <name>kelvane::TerminalFindBar</name>
    <message>
        <source>Найти</source>
        <translation>Find</translation>
    </message>
    <message>
        <source>Назад</source>
        <translation>Previous</translation>
    </message>
    <message>
        <source>Назад (Shift+F3)</source>
        <translation>Previous (Shift+F3)</translation>
    </message>
    <message>
        <source>Далее</source>
        <translation>Next</translation>
    </message>
    <message>
        <source>Далее (F3)</source>
        <translation>Next (F3)</translation>
    </message>
    <message>
        <source>Не найдено</source>
        <translation>Not found</translation>
    </message>
    <message>
        <source>Найдено: %1</source>
        <translation>Matches: %1</translation>
    </message>
</context>
<context>
    <name>kelvane::TerminalPane</name>
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Выделить всё</source>
        <translation>Select All</translation>
    </message>
</context>
<context>
    <name>kelvane::TerminalView</name>
    <message>
        <source>Сохранить текст терминала...</source>
        <translation>Save Terminal Text...</translation>
    </message>
    <message>
        <source>Вид</source>
        <translation>View</translation>
    </message>
    <message>
        <source>Время строк</source>
        <translation>Line Times</translation>
    </message>
    <message>
        <source>Шестнадцатеричный вид</source>
        <translation>Hex View</translation>
    </message>
    <message>
        <source>Найти...</source>
        <translation>Find...</translation>
    </message>
    <message>
        <source>Крупнее</source>
        <translation>Larger</translation>
    </message>
    <message>
        <source>Мельче</source>
        <translation>Smaller</translation>
    </message>
    <message>
        <source>Обычный размер</source>
        <translation>Normal Size</translation>
    </message>
    <message>
        <source>Текст в UTF-8 (*.txt)</source>
        <translation>UTF-8 text (*.txt)</translation>
    </message>
    <message>
        <source>Текст в Windows-1251, как от накопителя (*.txt)</source>
        <translation>Windows-1251 text, as the drive sends it (*.txt)</translation>
    </message>
    <message>
        <source>Не удалось сохранить текст терминала в файл %1: %2</source>
        <translation>Cannot save the terminal text to the file %1: %2</translation>
    </message>
</context>
<context>
    <name>kelvane::Upload</name>
    <message>
        <source>Загрузка отменена</source>
        <translation>Upload cancelled</translation>
    </message>
    <message>
        <source>Загрузка прервана</source>
        <translation>Upload interrupted</translation>
    </message>
    <message>
        <source>Загрузка ОВЕРЛЕЯ...</source>
        <translation>Uploading the OVERLAY...</translation>
    </message>
    <message>
        <source>Загрузка CERT Table...</source>
        <translation>Uploading the CERT Table...</translation>
    </message>
    <message>
        <source>Загрузка ОВЕРЛЕЯ произведена...</source>
        <translation>OVERLAY uploaded...</translation>
    </message>
    <message>
        <source>Загрузка CERT Table произведена...</source>
        <translation>CERT Table uploaded...</translation>
    </message>
</context>
<context>
    <name>kelvane::UploadPanel</name>
    <message>
        <source>Ход загрузки</source>
        <translation>Upload progress</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Прервать загрузку (Esc)</source>
        <translation>Stop the upload (Esc)</translation>
    </message>
    <message>
        <source>Прервать загрузку</source>
        <translation>Stop the upload</translation>
    </message>
    <message>
        <source>All Files (*)</source>
        <translation>All Files (*)</translation>
    </message>
</context>
<context>
    <name>kelvane::WindowProcedure</name>
    <message>
        <source>Процедуры (*.txt *.proc);;Все файлы (*)</source>
        <translation>Procedures (*.txt *.proc);;All Files (*)</translation>
    </message>
    <message>
        <source>Процедура %1: %2</source>
        <translation>Procedure %1: %2</translation>
    </message>
    <message>
        <source>Процедура %1</source>
        <translation>Procedure %1</translation>
    </message>
    <message>
        <source>Процедура %1 прервана</source>
        <translation>Procedure %1 interrupted</translation>
    </message>
    <message>
        <source>Процедура %1 выполнена</source>
        <translation>Procedure %1 completed</translation>
    </message>
    <message>
        <source>Процедура %1 отменена на строке %2</source>
        <translation>Procedure %1 cancelled at line %2</translation>
    </message>
    <message>
        <source>Процедура %1 не выполнена, строка %2: %3</source>
        <translation>Procedure %1 failed, line %2: %3</translation>
    </message>
    <message>
        <source>Процедура %1: шаг %2 из %3: %4</source>
        <translation>Procedure %1: step %2 of %3: %4</translation>
    </message>
    <message>
        <source>Процедура: шаг %1 из %2 — %3</source>
        <translation>Procedure: step %1 of %2 — %3</translation>
    </message>
</context>
</TS>
