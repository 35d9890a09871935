#include "app/main_window.h"

#include "app/about_box.h"
#include "app/command_table_location.h"
#include "app/session_journal.h"
#include "app/table_write_access.h"
#include "app/terminal_view.h"
#include "app/wiring_window.h"
#include "cmdtable/command_editor_dialog.h"
#include "cmdtable/run_command_dialog.h"
#include "commands/drive_type_dialog.h"
#include "commands/factory_test_dialog.h"
#include "commands/free_level_dialog.h"
#include "commands/head_dialog.h"
#include "commands/head_positioning_dialog.h"
#include "commands/service_catalogue.h"
#include "framework/cp1251_text.h"
#include "framework/dialogs.h"
#include "framework/guarded.h"
#include "framework/left_eliding_combo_box.h"
#include "framework/port_watcher.h"
#include "framework/terminal_pane.h"
#include "procedures/rate_table.h"
#include "ui_main_window.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QScreen>
#include <QSignalBlocker>
#include <array>
#include <exception>

namespace kelvane {

namespace {

const RateEntry *findRate(const QString &text)
{
    return findRateEntry(text.toStdString());
}

// Whether "Переподключаться автоматически" starts checked; the one place a remembered choice
// would come from.
bool reconnectByDefault()
{
    return true;
}

constexpr int ClientWidth = 568;
constexpr int ClientHeight = 438;

} // namespace

TMainForm::TMainForm(MainThread &mainThread, ErrorDisplay &errors, ProgramWindows &windows,
    const ProgramEnvironment &environment, QWidget *parent)
    : QMainWindow(parent,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      BComPort1(mainThread, environment.opener), m_ui(std::make_unique<Ui::TMainForm>()),
      m_errors(errors), m_portWindowErrors(*this, errors), m_windows(windows),
      m_inventory(environment.inventory), m_portDevice(new QLabel),
      m_portWatcher(new PortWatcher(m_inventory, this)),
      m_cbReconnect(new QCheckBox(QStringLiteral("Переподключаться\nавтоматически"))),
      m_modemManagerNotice(environment.modemManagerRunning),
      m_statusText(new QLabel(QStringLiteral("Программа загружена нормально")))
{
    m_ui->setupUi(this);
    m_windows.MainForm = this;
    errors.setMainWindow(this);

    QFont base = font();
    base.setPixelSize(11);
    setFont(base);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPixelSize(11);
    m_ui->Edit1->setFont(fixed);
    m_ui->Memo1->setFont(fixed);
    setFieldColour(m_ui->Edit1, false);
    setFieldColour(m_ui->Memo1, false);

    m_statusText->setObjectName(QStringLiteral("StatusText"));
    m_ui->StatusBar1->addWidget(m_statusText, 1);
    m_portDevice->setObjectName(QStringLiteral("PortDevice"));
    m_portDevice->setAccessibleName(QStringLiteral("Устройство порта"));
    m_ui->StatusBar1->addPermanentWidget(m_portDevice);
    m_portBox = std::make_unique<PortBox>(m_ui->cbPort, m_portDevice);
    m_cbReconnect->setObjectName(QStringLiteral("cbReconnect"));
    m_cbReconnect->setAccessibleName(QStringLiteral("Переподключаться автоматически"));
    m_cbReconnect->setToolTip(QStringLiteral(
        "Когда устройство порта пропадает, соединиться снова, как только оно вернётся"));
    m_cbReconnect->setChecked(reconnectByDefault());
    // The tool bars are full at the window's size; the panel under the command list has room.
    m_ui->panel1Layout->insertWidget(1, m_cbReconnect);
    m_uploadPanel = std::make_unique<UploadPanel>(BComPort1, *this, *m_ui->StatusBar1, TxEmptySeen,
        [this](bool uploading, const QString &text) { showUploading(uploading, text); });
    m_procedure = std::make_unique<WindowProcedure>(
        BComPort1, *m_uploadPanel, [this](const QString &text) { setStatusText(text); }, this);
    m_runProcedure = new QAction(QStringLiteral("Выполнить процедуру..."), this);
    m_runProcedure->setObjectName(QStringLiteral("RunProcedure1"));
    m_runProcedure->setEnabled(false);
    m_ui->File1->insertAction(m_ui->Exit1, m_runProcedure);
    m_ui->File1->insertSeparator(m_ui->Exit1);
    m_terminalView
        = new TerminalView(*this, *m_ui->Memo1, *m_ui->File1, m_ui->Exit1, *m_ui->Help1, m_errors);
    // The journal's and the settings' items join the terminal's save item, in its group.
    const QList<QAction *> fileItems = m_ui->File1->actions();
    QAction *groupEnd = fileItems[fileItems.indexOf(m_ui->Exit1) - 1];
    for (QAction *item : {m_ui->openJournalFolder, m_ui->openSettings}) {
        m_ui->File1->removeAction(item);
        m_ui->File1->insertAction(groupEnd, item);
    }

    QPalette white = m_ui->Panel2->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_ui->Panel2->setPalette(white);
    m_ui->Image4->setPixmap(QPixmap(QStringLiteral(":/logo")));
    setWindowIcon(QIcon(QStringLiteral(":/icon")));

    // No inline completion: it would turn a typed "9" into "9600" and switch the drive at the
    // first key.
    m_ui->cbBaudRate->setCompleter(nullptr);
    // The rate box shows its layout text until the window is created.
    {
        const QSignalBlocker quiet(m_ui->cbBaudRate);
        m_ui->cbBaudRate->setCurrentIndex(-1);
        m_ui->cbBaudRate->setEditText(QStringLiteral("115200"));
    }

    // The client area (tool bars, panes and status line) is laid out for its size; the window
    // opens at it and may grow, the terminal pane and the command grid with it. The menu sits
    // above the client area.
    setMinimumSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    resize(minimumSize());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    openCommandTable(environment.programFolder, environment.language);
    connectHandlers();
    bindPortEvents();
    runGuarded(m_errors, [this] { FormCreate(); });
    if (Dbf1.ReadOnly()) {
        // Said once, where the start-up's own text would be.
        m_ui->N24->setEnabled(false);
        setStatusText(m_readOnlyTableText);
    } else if (!m_tableCopiedText.isEmpty()) {
        setStatusText(m_tableCopiedText);
    }
}

void TMainForm::openCommandTable(const std::string &programFolder, Language language)
{
    Dbf1.SetName("Dbf1");
    const TableLocation table = locateCommandTable("com.dbf", {programFolder, {}}, language);
    if (!table.copiedFrom.empty())
        m_tableCopiedText = QStringLiteral("Создана своя таблица команд (копия стандартной): %1")
                                .arg(QString::fromStdString(table.fileName));
    Dbf1.SetFileName(table.fileName);
    Dbf1.setProgramFolder(programFolder);
    Dbf1.setErrorSink(m_errors);
    try {
        Dbf1.Open();
    } catch (const std::exception &) {
        // A table that is there but may not be written is used for reading; a missing or damaged
        // one keeps its error, and the program does not start.
        if (!openCommandTableReadOnly())
            throw;
    }
    DataSource1.SetDataSet(&Dbf1);
    m_ui->DBGrid2->SetDataSource(&DataSource1);
    m_ui->DBGrid2->setColumns({{"NAME", QStringLiteral("Команда"), 142, true},
        {"COMAND", QStringLiteral("COMAND"), 64, false},
        {"UROVEN", QStringLiteral("UROVEN"), 64, false}});
}

bool TMainForm::openCommandTableReadOnly()
{
    // Only a table that may not be written is tried again: a damaged one would repeat its
    // messages and fail the same way.
    const std::string path = Dbf1.FileName();
    if (!QFileInfo::exists(QString::fromStdString(path)))
        return false;
    const TableWriteBlock block = whyTableIsNotWritable(path);
    if (block == TableWriteBlock::None)
        return false;
    Dbf1.SetReadOnly(true);
    try {
        Dbf1.Open();
    } catch (const std::exception &) {
        Dbf1.SetReadOnly(false);
        return false;
    }
    QString reason;
    switch (block) {
    case TableWriteBlock::NoPermission:
        reason = QStringLiteral("нет прав на запись в файл");
        break;
    case TableWriteBlock::ReadOnlyMedium:
        reason = QStringLiteral("носитель доступен только для чтения");
        break;
    case TableWriteBlock::HeldByAnother:
        reason = QStringLiteral("её занимает другая копия программы");
        break;
    case TableWriteBlock::None:
    case TableWriteBlock::Unknown:
        reason = QStringLiteral("файл недоступен для записи");
        break;
    }
    m_readOnlyTableText = QStringLiteral("Таблица команд %1 открыта только для чтения: %2")
                              .arg(QFileInfo(QString::fromStdString(path)).fileName(), reason);
    return true;
}

TMainForm::~TMainForm()
{
    // The port, the first member, closes after the others are gone; the events its closing still
    // hands to the main thread must not reach them.
    BComPort1.OnRxChar = nullptr;
    BComPort1.OnCTSChange = nullptr;
    BComPort1.OnDSRChange = nullptr;
    BComPort1.OnRLSDChange = nullptr;
    BComPort1.OnTxEmpty = nullptr;
    BComPort1.OnError = nullptr;
}

void TMainForm::connectHandlers()
{
    using Handler = void (TMainForm::*)();
    static constexpr std::pair<QPushButton * Ui::TMainForm::*, Handler> Buttons[] = {
        {&Ui::TMainForm::btnConnect, &TMainForm::btnConnectClick},
        {&Ui::TMainForm::btnDisconnect, &TMainForm::btnDisconnectClick},
        {&Ui::TMainForm::btnSend, &TMainForm::btnSendClick},
        {&Ui::TMainForm::btnClear, &TMainForm::btnClearClick},
    };
    static constexpr std::pair<QAction * Ui::TMainForm::*, Handler> MenuItems[] = {
        {&Ui::TMainForm::Exit1, &TMainForm::Exit1Click},
        {&Ui::TMainForm::About1, &TMainForm::About1Click},
        {&Ui::TMainForm::N19, &TMainForm::N19Click},
        {&Ui::TMainForm::Open1, &TMainForm::Open1Click},
        {&Ui::TMainForm::N22, &TMainForm::N22Click},
        {&Ui::TMainForm::N24, &TMainForm::N24Click},
        {&Ui::TMainForm::N23, &TMainForm::N23Click},
        {&Ui::TMainForm::N13, &TMainForm::N13Click},
        {&Ui::TMainForm::N15, &TMainForm::N15Click},
        {&Ui::TMainForm::N16, &TMainForm::N16Click},
        {&Ui::TMainForm::N29, &TMainForm::N29Click},
        {&Ui::TMainForm::HeadPosition1, &TMainForm::HeadPosition1Click},
        {&Ui::TMainForm::UserLevel1, &TMainForm::UserLevel1Click},
        {&Ui::TMainForm::overley1, &TMainForm::overley1Click},
        {&Ui::TMainForm::CERT1, &TMainForm::CERT1Click},
        {&Ui::TMainForm::SelfScan1, &TMainForm::SelfScan1Click},
    };
    // Every handler runs guarded; a port failure of a device that went away ends the connection
    // once the handler has unwound.
    const auto handled = [this](std::function<void()> handler) {
        return guarded(
            m_errors,
            [this, handler = std::move(handler)] {
                // What the user did goes into the journal before the writes it causes.
                if (const QString what = describeAction(sender()); !what.isEmpty())
                    m_log->action(what.toStdString());
                handler();
            },
            [this] { return failedForLostDevice(); }, [this] { portLost(); });
    };
    const auto call = [this](Handler handler) { return [this, handler] { (this->*handler)(); }; };

    for (const auto &[button, handler] : Buttons)
        connect(m_ui.get()->*button, &QPushButton::clicked, this, handled(call(handler)));
    for (const auto &[item, handler] : MenuItems)
        connect(m_ui.get()->*item, &QAction::triggered, this, handled(call(handler)));
    connect(m_runProcedure, &QAction::triggered, this, handled([this] { m_procedure->run(); }));
    connect(m_ui->Edit1, &QLineEdit::returnPressed, this, handled([this] { Edit1KeyPress('\r'); }));
    connect(m_ui->cbPort, &QComboBox::activated, this, handled(call(&TMainForm::cbPortChange)));
    connect(m_ui->cbPort, &QComboBox::currentIndexChanged, this,
        [this] { m_portBox->describeChoice(); });
    connect(m_ui->cbPort, &LeftElidingComboBox::popupAboutToShow, this, [this] { refreshPorts(); });
    connect(m_portWatcher, &PortWatcher::portsChanged, this, handled([this] { portsChanged(); }));
    connect(m_cbReconnect, &QCheckBox::toggled, this, [this](bool on) {
        if (!on)
            m_portReturn.forget();
    });
    connect(m_ui->cbSetRTS, &QCheckBox::toggled, this, handled(call(&TMainForm::cbSetRTSClick)));
    connect(m_ui->cbSetDTR, &QCheckBox::toggled, this, handled(call(&TMainForm::cbSetDTRClick)));
    connect(m_ui->cbBaudRate, &QComboBox::editTextChanged, this,
        handled(call(&TMainForm::cbBaudRateChange)));
    for (const CatalogueItem &item : serviceCatalogue()) {
        QAction *action = findChild<QAction *>(QString::fromLatin1(item.item));
        Q_ASSERT(action);
        connect(action, &QAction::triggered, this, handled([this, &item] {
            runCatalogueItem(item, BComPort1, [this](const QString &text) { setStatusText(text); });
        }));
    }
}

void TMainForm::bindPortEvents()
{
    BComPort1.OnRxChar = [this](TBComPort &s, int32_t n) { BComPort1RxChar(s, n); };
    BComPort1.OnCTSChange = [this](TBComPort &s, bool on) { BComPort1CTSChange(s, on); };
    BComPort1.OnDSRChange = [this](TBComPort &s, bool on) { BComPort1DSRChange(s, on); };
    BComPort1.OnRLSDChange = [this](TBComPort &s, bool on) { BComPort1RLSDChange(s, on); };
    BComPort1.OnTxEmpty = [this](TBComPort &s) { BComPort1TxEmpty(s); };
    BComPort1.OnError = [this](TBComPort &s, TComErrors errors) { BComPort1Error(s, errors); };
}

void TMainForm::setSessionLog(SessionLog &log)
{
    m_log = &log;
    m_uploadPanel->upload().setSessionLog(log);
    m_procedure->setSessionLog(log);
}

bool TMainForm::failedForLostDevice()
{
    try {
        throw;
    } catch (const EComPort &) {
        return deviceLost();
    } catch (...) {
        return false;
    }
}

void TMainForm::PortWindowErrors::error(const std::string &text)
{
    // Called inside the window's catch block, where the error can be looked at.
    if (std::current_exception() && m_form.failedForLostDevice()) {
        m_form.portLostLater();
        return;
    }
    m_errors.error(text);
}

bool TMainForm::deviceLost()
{
    return BComPort1.IsOpen() && BComPort1.device() && BComPort1.device()->lost();
}

QString TMainForm::statusText() const
{
    return m_statusText->text();
}

void TMainForm::setStatusText(const QString &text)
{
    m_statusText->setText(text);
}

void TMainForm::FormCreate()
{
    std::vector<SerialPortInfo> ports = serialPorts(m_inventory);
    for (const SerialPortInfo &port : ports)
        m_seenPorts.push_back(port.name);
    m_portBox->show(std::move(ports));
    {
        const QSignalBlocker quiet(m_ui->cbBaudRate);
        m_ui->cbBaudRate->setCurrentIndex(6);
    }
    SetCtsLamp(false);
    SetDsrLamp(false);
    SetRlsdLamp(false);
}

void TMainForm::refreshPorts()
{
    // The port in use is never changed under the connection (the box is disabled then anyway).
    if (BComPort1.IsOpen())
        return;
    try {
        m_portBox->show(serialPorts(m_inventory));
    } catch (const EComPort &) {
        return; // the list stays as it is; the start-up has said why
    }
}

void TMainForm::portsChanged()
{
    std::vector<SerialPortInfo> ports;
    try {
        ports = serialPorts(m_inventory);
    } catch (const EComPort &) {
        return;
    }
    const SerialPortInfo *plugged = nullptr;
    std::vector<std::string> seen;
    for (const SerialPortInfo &port : ports) {
        if (port.isUsb()
            && std::find(m_seenPorts.begin(), m_seenPorts.end(), port.name) == m_seenPorts.end())
            plugged = &port;
        seen.push_back(port.name);
    }
    m_seenPorts = std::move(seen);
    if (plugged)
        setStatusText(QStringLiteral("Подключён адаптер %1").arg(adapterText(*plugged)));
    if (BComPort1.IsOpen())
        return;
    m_portBox->show(std::move(ports));
    if (m_portReturn.waiting() && m_portBox->find(m_portReturn.port()))
        reconnect();
}

bool TMainForm::reconnect()
{
    const std::string port = m_portReturn.port();
    m_portBox->choose(port);
    BComPort1.SetPort(port);
    try {
        if (!BComPort1.OpenPort())
            return false;
    } catch (const EComPort &) {
        return false; // e.g. udev has not yet given the device file its group
    }
    m_log->connected(BComPort1.Port(), BaudRateValues[BComPort1.BaudRate()]);
    const QString gone = m_portReturn.goneText();
    m_portReturn.forget();
    showConnected();
    // They power the adapter; a box the user cleared before the loss is checked again anyway.
    BComPort1.SetDtrLine(true);
    BComPort1.SetRtsLine(true);
    sayInPane(QStringLiteral("Связь с портом %1 восстановлена, порта не было %2")
                  .arg(m_portBox->label(port), gone));
    warnOfModemManager();
    return true;
}

void TMainForm::sayInPane(const QString &text)
{
    setStatusText(text);
    const std::string_view shown = m_ui->Memo1->bytes();
    const bool lineStart = shown.empty() || shown.back() == '\n';
    m_ui->Memo1->Append((lineStart ? "" : "\r\n") + toCp1251(text) + "\r\n");
}

void TMainForm::warnOfModemManager()
{
    if (const SerialPortInfo *port = m_portBox->find(BComPort1.Port()))
        m_modemManagerNotice.connected(*port, this);
}

bool TMainForm::event(QEvent *event)
{
    // The first activation at start; coming back from a modal dialog is not a new one.
    if (!m_activated
        && (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)) {
        m_activated = true;
        runGuarded(m_errors, [this] { FormActivate(); });
    }
    return QMainWindow::event(event);
}

void TMainForm::FormActivate()
{
    for (QMenu *menu : {m_ui->Send1, m_ui->SMART1, m_ui->N20, m_ui->N10})
        menu->setEnabled(false);
}

void TMainForm::btnConnectClick()
{
    // The user's own connect replaces a wait for a lost port.
    m_portReturn.forget();
    BComPort1.SetPort(m_portBox->chosenName());
    if (const RateEntry *entry = findRate(m_ui->cbBaudRate->currentText()))
        BComPort1.SetBaudRate(entry->rate);
    if (!BComPort1.OpenPort())
        return;
    m_log->connected(BComPort1.Port(), BaudRateValues[BComPort1.BaudRate()]);
    setStatusText(QStringLiteral("Связь установлена, терминал ожидает ввода команд"));
    showConnected();
    warnOfModemManager();
}

void TMainForm::showConnected()
{
    m_ui->Edit1->setEnabled(true);
    setFieldColour(m_ui->Edit1, true);
    m_ui->btnConnect->setEnabled(false);
    m_ui->cbPort->setEnabled(false);
    m_ui->btnDisconnect->setEnabled(true);
    m_ui->cbSetDTR->setEnabled(true);
    m_ui->cbSetDTR->setChecked(true);
    m_ui->cbSetRTS->setEnabled(true);
    m_ui->cbSetRTS->setChecked(true);
    m_ui->btnSend->setEnabled(true);
    m_ui->cbCRLF->setEnabled(true);
    m_ui->btnClear->setEnabled(true);
    m_ui->Memo1->setEnabled(true);
    setFieldColour(m_ui->Memo1, true);
    const TModemLines lines = BComPort1.ReadModemLines();
    SetCtsLamp(lines.contains(mlCTS));
    SetDsrLamp(lines.contains(mlDSR));
    SetRlsdLamp(lines.contains(mlRLSD));
    m_ui->Edit1->setFocus();
    setConnectionMenus(true);
}

void TMainForm::btnDisconnectClick()
{
    if (!BComPort1.ClosePort())
        return;
    m_log->ended(SessionLog::Ending::Disconnected);
    setStatusText(QStringLiteral("Связь завершена"));
    showDisconnected();
}

void TMainForm::showDisconnected()
{
    m_ui->btnConnect->setEnabled(true);
    m_ui->cbPort->setEnabled(true);
    // An upload that the port's loss ended left the rate box disabled.
    m_ui->cbBaudRate->setEnabled(true);
    for (QWidget *w : std::initializer_list<QWidget *> {m_ui->btnDisconnect, m_ui->cbSetDTR,
             m_ui->cbSetRTS, m_ui->btnSend, m_ui->cbCRLF, m_ui->btnClear, m_ui->Memo1, m_ui->Edit1})
        w->setEnabled(false);
    setFieldColour(m_ui->Memo1, false);
    setFieldColour(m_ui->Edit1, false);
    SetCtsLamp(false);
    SetDsrLamp(false);
    SetRlsdLamp(false);
    setConnectionMenus(false);
}

void TMainForm::BComPort1Error(TBComPort &, TComErrors Errors)
{
    // The port reports a device that went away once, as an I/O error. Line errors (framing,
    // parity, overrun) leave the connection as it is. The loss is dealt with from the event loop,
    // not inside the port's hand-over, which may be served by a close already under way.
    if (Errors.contains(errIO))
        portLostLater();
}

void TMainForm::portLostLater()
{
    QMetaObject::invokeMethod(
        this, [this] { runGuarded(m_errors, [this] { portLost(); }); }, Qt::QueuedConnection);
}

void TMainForm::portLost()
{
    if (!BComPort1.IsOpen())
        return;
    const QString port = QString::fromStdString(BComPort1.Port());
    cancelUpload();
    m_log->ended(SessionLog::Ending::Lost);
    // Closing a lost device drops nothing and cannot fail on the way.
    BComPort1.ClosePort();
    showDisconnected();
    if (m_cbReconnect->isChecked()) {
        // No message box: it would stand over the window saying the port is lost long after
        // the connection came back by itself, often with nobody at the machine to close it.
        m_portReturn.lost(BComPort1.Port());
        sayInPane(QStringLiteral("Связь с портом %1 потеряна, ожидание его возвращения")
                      .arg(m_portBox->label(BComPort1.Port())));
        return;
    }
    setStatusText(QStringLiteral("Связь с портом %1 потеряна").arg(port));
    Dialogs::current().message(this,
        QStringLiteral("Связь с портом %1 потеряна: устройство отключено или не отвечает.")
            .arg(port));
}

void TMainForm::setConnectionMenus(bool enabled)
{
    // The menu widget itself: the menu bar drops down only a menu whose widget is enabled, and
    // enabling the widget enables its entry in the bar as well.
    for (QMenu *menu : {m_ui->Send1, m_ui->SMART1, m_ui->N20, m_ui->N10})
        menu->setEnabled(enabled);
    m_ui->overley1->setEnabled(enabled);
    m_ui->CERT1->setEnabled(enabled);
    m_ui->N28->setEnabled(enabled);
    m_runProcedure->setEnabled(enabled);
}

void TMainForm::btnSendClick()
{
    if (!BComPort1.IsOpen())
        return;
    BComPort1.SendText(toCp1251(m_ui->Edit1->text()));
    emit lineSent(m_ui->Edit1->text());
    m_ui->Edit1->clear();
    m_ui->Edit1->setFocus();
    setStatusText(QStringLiteral("Команда отправлена"));
}

void TMainForm::Edit1KeyPress(char key)
{
    if (!BComPort1.IsOpen() || key != '\r')
        return;
    BComPort1.SendText(toCp1251(m_ui->Edit1->text()) + '\r');
    emit lineSent(m_ui->Edit1->text());
    m_ui->Edit1->clear();
}

void TMainForm::BComPort1RxChar(TBComPort &, int32_t Count)
{
    std::string chunk;
    BComPort1.ReceiveText(chunk, Count);
    m_procedure->received(chunk);
    if (m_ui->cbCRLF->isChecked() && !chunk.empty() && chunk.back() == '\r')
        chunk.push_back('\n');
    m_log->received(chunk);
    m_ui->Memo1->Append(chunk);
}

void TMainForm::btnClearClick()
{
    setStatusText(QStringLiteral("Терминал очищен"));
    m_ui->Memo1->clear();
    m_ui->Edit1->setFocus();
}

void TMainForm::cbPortChange()
{
    // Picking another port gives up waiting for the lost one.
    if (m_portBox->chosenName() != m_portReturn.port())
        m_portReturn.forget();
    setStatusText(QStringLiteral("Рабочий порт изменен"));
}

void TMainForm::cbSetRTSClick()
{
    BComPort1.SetRtsLine(m_ui->cbSetRTS->isChecked());
    m_ui->Edit1->setFocus();
}

void TMainForm::cbSetDTRClick()
{
    BComPort1.SetDtrLine(m_ui->cbSetDTR->isChecked());
    m_ui->Edit1->setFocus();
}

void TMainForm::cbBaudRateChange()
{
    switchRate(BComPort1, findRate(m_ui->cbBaudRate->currentText()));
    setStatusText(QStringLiteral("Скорость передачи данных изменена"));
}

void TMainForm::BComPort1CTSChange(TBComPort &, bool State)
{
    SetCtsLamp(State);
}

void TMainForm::BComPort1DSRChange(TBComPort &, bool State)
{
    SetDsrLamp(State);
}

void TMainForm::BComPort1RLSDChange(TBComPort &, bool State)
{
    SetRlsdLamp(State);
}

void TMainForm::SetCtsLamp(bool on)
{
    setLamp(m_ui->Image1, m_ctsLamp, on);
}

void TMainForm::SetDsrLamp(bool on)
{
    setLamp(m_ui->Image2, m_dsrLamp, on);
}

void TMainForm::SetRlsdLamp(bool on)
{
    setLamp(m_ui->Image3, m_rlsdLamp, on);
}

void TMainForm::setLamp(QLabel *image, bool &state, bool on)
{
    state = on;
    image->setPixmap(QPixmap(on ? QStringLiteral(":/ON") : QStringLiteral(":/OFF")));
}

void TMainForm::setFieldColour(QWidget *field, bool editable)
{
    // Window colour while usable, the dialog surface's colour while greyed out.
    QPalette palette = field->palette();
    const QPalette standard = QApplication::palette();
    palette.setColor(QPalette::Base, standard.color(editable ? QPalette::Base : QPalette::Button));
    field->setPalette(palette);
}

void TMainForm::BComPort1TxEmpty(TBComPort &)
{
    TxEmptySeen = true;
    m_uploadPanel->txEmptyReported();
    m_procedure->txEmpty();
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::About1Click()
{
    if (m_windows.AboutBox)
        m_windows.AboutBox->exec();
}

void TMainForm::N19Click()
{
    if (m_windows.Form7)
        m_windows.Form7->exec();
}

void TMainForm::Open1Click()
{
    // The item is hidden; were it shown, the choice would not be used.
    QString fileName;
    Dialogs::current().openFile(this, QStringLiteral("All Files (*)"), QDir::homePath(), fileName);
}

void TMainForm::N22Click()
{
    m_windows.command->exec();
}

void TMainForm::N24Click()
{
    // At once, without asking.
    Dbf1.Delete();
}

void TMainForm::N23Click()
{
    m_windows.command2->exec();
}

void TMainForm::N13Click()
{
    m_windows.Form1->exec();
}

void TMainForm::N15Click()
{
    m_windows.Golovka->exec();
}

void TMainForm::N16Click()
{
    m_windows.golovki->exec();
}

void TMainForm::N29Click()
{
    // "W" follows however the dialog was closed, with no level line before it.
    m_windows.golovki->exec();
    BComPort1.SendText("W");
}

void TMainForm::HeadPosition1Click()
{
    m_windows.golovka2->exec();
}

void TMainForm::UserLevel1Click()
{
    m_windows.userlevel->exec();
}

void TMainForm::SelfScan1Click()
{
    BComPort1.SendText("/T");
    Dialogs::current().message(this,
        QStringLiteral("Внимание выбранная операция (Seagate selfscan) требует поддержку "
                       "электропитания накопителя во время прохождения всего теста. В "
                       "зависимости от модели накопителя это может занять до 72 часов."));
    BComPort1.SendText("N2,,22");
}

void TMainForm::overley1Click()
{
    upload().run(UploadKind::Overlay);
}

void TMainForm::CERT1Click()
{
    upload().run(UploadKind::CertTable);
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    cancelUpload();
    QMainWindow::closeEvent(event);
}

void TMainForm::setWritingEnabled(bool enabled)
{
    // Everything that writes to the port, or moves its lines, while the port is open.
    for (QWidget *w : std::initializer_list<QWidget *> {
             m_ui->Edit1, m_ui->btnSend, m_ui->cbBaudRate, m_ui->cbSetRTS, m_ui->cbSetDTR})
        w->setEnabled(enabled);
    setConnectionMenus(enabled);
}

void TMainForm::showUploading(bool uploading, const QString &text)
{
    if (uploading) {
        m_ui->btnDisconnect->setEnabled(false);
        m_ui->btnConnect->setEnabled(false);
        setWritingEnabled(false);
        setStatusText(text);
        return;
    }
    // A port lost during the upload has already put the window into its disconnected state and
    // said why.
    if (!BComPort1.IsOpen())
        return;
    m_ui->btnDisconnect->setEnabled(true);
    m_ui->btnConnect->setEnabled(false);
    setWritingEnabled(true);
    setStatusText(text);
}

} // namespace kelvane
