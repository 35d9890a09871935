#include "app/main_window.h"

#include "app/main_menu.h"
#include "app/session_journal.h"
#include "cmdtable/command_table.h"
#include "commands/service_catalogue.h"
#include "connection/connection.h"
#include "framework/cp1251_text.h"
#include "framework/guarded.h"
#include "framework/pictures.h"
#include "procedures/rate_table.h"
#include "terminal/terminal_pane.h"
#include "terminal/terminal_view.h"
#include "ui_main_window.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QScreen>
#include <QSignalBlocker>
#include <algorithm>

namespace kelvane {

namespace {

// Whether "Переподключаться автоматически" starts checked; the one place a remembered choice
// would come from.
bool reconnectByDefault()
{
    return true;
}

constexpr int ClientWidth = 568;
constexpr int ClientHeight = 438;
// Room for an adapter's description with its serial number, however wide the window.
constexpr int WidestPortBox = 320;

// A tool bar's `field` takes what the window grows by, up to `widest`; what the bar leaves over
// at the laid-out size stays a gap at its end, so nothing moves there.
void growWithBar(QWidget &bar, QSpacerItem &gap, QWidget &field, int widest = QWIDGETSIZE_MAX)
{
    const int left = ClientWidth - bar.sizeHint().width() + gap.sizeHint().width();
    gap.changeSize(left, 0, QSizePolicy::MinimumExpanding, QSizePolicy::Minimum);
    field.setMaximumWidth(widest);
    field.setSizePolicy(QSizePolicy::Expanding, field.sizePolicy().verticalPolicy());
    static_cast<QBoxLayout *>(bar.layout())->setStretchFactor(&field, 1);
    bar.layout()->invalidate();
}

} // namespace

TMainForm::TMainForm(MainThread &mainThread, ErrorDisplay &errors, ProgramWindows &windows,
    const ProgramEnvironment &environment, QWidget *parent)
    : QMainWindow(parent,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      BComPort1(mainThread, environment.opener), m_ui(std::make_unique<Ui::TMainForm>()),
      m_errors(errors), m_windows(windows), m_portDevice(new QLabel),
      m_cbReconnect(new QCheckBox(tr("Переподключаться\nавтоматически"))),
      m_statusText(new QLabel(tr("Программа загружена нормально")))
{
    m_ui->setupUi(this);
    m_parts = {m_ui->cbPort, m_ui->cbBaudRate, m_ui->btnConnect, m_ui->Edit1, m_ui->Memo1,
        m_ui->openJournalFolder, m_ui->openSettings, m_ui->bodySplitter};
    m_lamps.setImages(m_ui->Image1, m_ui->Image2, m_ui->Image3);
    m_windows.MainForm = this;
    errors.setMainWindow(this);
    m_connection
        = std::make_unique<Connection>(BComPort1, m_ui->cbPort, m_portDevice, environment.inventory,
            systemConnectNotice(environment.modemManagerRunning), m_errors, this);
    m_uploadPanel = std::make_unique<UploadPanel>(BComPort1, *this, *m_ui->StatusBar1, TxEmptySeen,
        [this](bool uploading, const QString &text) {
            // A port lost during the upload has already put the window into its disconnected
            // state and said why.
            if (!uploading && !BComPort1.IsOpen())
                return;
            setMode(uploading ? WindowMode::Busy : WindowMode::Connected);
            setStatusText(text);
        });
    m_procedure = std::make_unique<WindowProcedure>(
        BComPort1, *m_uploadPanel, [this](const QString &text) { setStatusText(text); }, this);
    m_runProcedure = new QAction(tr("Выполнить процедуру..."), this);
    m_runProcedure->setObjectName(QStringLiteral("RunProcedure1"));
    layOut();

    const QString tableText
        = openCommandTable(Dbf1, environment.programFolder, environment.language, m_errors);
    DataSource1.SetDataSet(&Dbf1);
    m_ui->DBGrid2->SetDataSource(&DataSource1);
    m_ui->DBGrid2->setColumns(
        {{"NAME", tr("Команда"), 142, true, true}, {"COMAND", QStringLiteral("COMAND"), 64, false},
            {"UROVEN", QStringLiteral("UROVEN"), 64, false}});
    m_state.tableReadOnly = Dbf1.ReadOnly();
    applyWindowState(*m_ui, *m_runProcedure, m_state);
    connectHandlers();
    connectConnection();
    BComPort1.OnRxChar = [this](TBComPort &s, int32_t n) { BComPort1RxChar(s, n); };
    BComPort1.OnCTSChange = [this](TBComPort &, bool on) { m_lamps.set(LineLamps::Cts, on); };
    BComPort1.OnDSRChange = [this](TBComPort &, bool on) { m_lamps.set(LineLamps::Dsr, on); };
    BComPort1.OnRLSDChange = [this](TBComPort &, bool on) { m_lamps.set(LineLamps::Rlsd, on); };
    BComPort1.OnTxEmpty = [this](TBComPort &s) { BComPort1TxEmpty(s); };
    runGuarded(m_errors, [this] { FormCreate(); });
    // Said once, where the start-up's own text would be.
    if (!tableText.isEmpty())
        setStatusText(tableText);
}

void TMainForm::layOut()
{
    QFont base = font();
    base.setPixelSize(11);
    setFont(base);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPixelSize(11);
    m_ui->Edit1->setFont(fixed);
    m_ui->Memo1->setFont(fixed);

    m_statusText->setObjectName(QStringLiteral("StatusText"));
    m_ui->StatusBar1->addWidget(m_statusText, 1);
    m_portDevice->setObjectName(QStringLiteral("PortDevice"));
    m_portDevice->setAccessibleName(tr("Устройство порта"));
    m_ui->StatusBar1->addPermanentWidget(m_portDevice);
    m_cbReconnect->setObjectName(QStringLiteral("cbReconnect"));
    m_cbReconnect->setAccessibleName(tr("Переподключаться автоматически"));
    m_cbReconnect->setToolTip(
        tr("Когда устройство порта пропадает, соединиться снова, как только оно вернётся"));
    m_cbReconnect->setChecked(reconnectByDefault());
    m_connection->setReconnecting(m_cbReconnect->isChecked());
    // The tool bars are full at the window's size; the panel under the command list has room.
    m_ui->panel1Layout->insertWidget(1, m_cbReconnect);
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
    m_ui->Image4->setPixmap(renderPicture(QStringLiteral(":/logo"), m_ui->Image4->minimumSize()));
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
    // opens at it and may grow: the port box and the input line widen, the terminal pane takes
    // the rest, and the splitter gives the command list what the user wants of it. The menu
    // sits above the client area.
    growWithBar(*m_ui->ToolBar1, *m_ui->toolBar1Spacer, *m_ui->cbPort, WidestPortBox);
    growWithBar(*m_ui->ToolBar2, *m_ui->toolBar2Spacer, *m_ui->Edit1);
    m_ui->bodySplitter->setStretchFactor(1, 1);
    const int list = m_ui->Panel1->minimumWidth();
    m_ui->bodySplitter->setSizes({list, ClientWidth - list});
    // The name column keeps its laid-out width there and fills a wider list.
    m_ui->DBGrid2->setMinimumWidth(list);
    // Every menu shows on the bar, also where the system's font is wider than the layout's
    // (Windows): none may hide behind the bar's overflow button.
    setMinimumSize(std::max(ClientWidth, menuBar()->sizeHint().width()),
        ClientHeight + menuBar()->sizeHint().height());
    resize(minimumSize());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
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
            [this] { return m_connection->failedForLostDevice(); },
            [this] { m_connection->lose(); });
    };
    const auto call = [this](Handler handler) { return [this, handler] { (this->*handler)(); }; };

    for (const auto &[button, handler] : Buttons)
        connect(m_ui.get()->*button, &QPushButton::clicked, this, handled(call(handler)));
    for (const MenuItem &item : mainMenuItems())
        connect(findMenuItem(*menuBar(), item.item), &QAction::triggered, this,
            handled([this, &item] { item.run(*this, m_windows); }));
    connect(m_runProcedure, &QAction::triggered, this, handled([this] { m_procedure->run(); }));
    connect(m_ui->Edit1, &QLineEdit::returnPressed, this, handled([this] { Edit1KeyPress('\r'); }));
    connect(m_ui->cbPort, &QComboBox::activated, this, handled(call(&TMainForm::cbPortChange)));
    connect(m_cbReconnect, &QCheckBox::toggled, m_connection.get(), &Connection::setReconnecting);
    connect(m_ui->cbSetRTS, &QCheckBox::toggled, this, handled(call(&TMainForm::cbSetRTSClick)));
    connect(m_ui->cbSetDTR, &QCheckBox::toggled, this, handled(call(&TMainForm::cbSetDTRClick)));
    connect(m_ui->cbBaudRate, &QComboBox::editTextChanged, this,
        handled(call(&TMainForm::cbBaudRateChange)));
    for (const CatalogueItem &item : serviceCatalogue())
        connect(
            findMenuItem(*menuBar(), item.item), &QAction::triggered, this, handled([this, &item] {
                runCatalogueItem(
                    item, BComPort1, [this](const QString &text) { setStatusText(text); });
            }));
}

void TMainForm::connectConnection()
{
    Connection &connection = *m_connection;
    connect(&connection, &Connection::connected, this, &TMainForm::showConnected);
    connect(&connection, &Connection::losing, this, &TMainForm::cancelUpload);
    connect(&connection, &Connection::disconnected, this, &TMainForm::showDisconnected);
    connect(&connection, &Connection::status, this, &TMainForm::setStatusText);
    connect(&connection, &Connection::note, this, &TMainForm::sayInPane);
}

void TMainForm::setSessionLog(SessionLog &log)
{
    m_log = &log;
    m_connection->setSessionLog(log);
    m_uploadPanel->upload().setSessionLog(log);
    m_procedure->setSessionLog(log);
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
    m_connection->listPorts();
    {
        const QSignalBlocker quiet(m_ui->cbBaudRate);
        m_ui->cbBaudRate->setCurrentIndex(6);
    }
    m_lamps.show({});
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
    applyWindowState(*m_ui, *m_runProcedure, m_state);
}

void TMainForm::setMode(WindowMode mode)
{
    m_state.mode = mode;
    applyWindowState(*m_ui, *m_runProcedure, m_state);
}

void TMainForm::btnConnectClick()
{
    const RateEntry *entry = findRateEntry(m_ui->cbBaudRate->currentText().toStdString());
    m_connection->open(entry ? std::optional(entry->rate) : std::nullopt);
}

void TMainForm::showConnected()
{
    setMode(WindowMode::Connected);
    m_ui->cbSetDTR->setChecked(true);
    m_ui->cbSetRTS->setChecked(true);
    m_lamps.show(BComPort1.ReadModemLines());
    m_ui->Edit1->setFocus();
}

void TMainForm::btnDisconnectClick()
{
    m_connection->close();
}

void TMainForm::showDisconnected()
{
    setMode(WindowMode::Disconnected);
    m_lamps.show({});
}

void TMainForm::sayInPane(const QString &text)
{
    setStatusText(text);
    const std::string_view shown = m_ui->Memo1->bytes();
    const bool lineStart = shown.empty() || shown.back() == '\n';
    m_ui->Memo1->Append((lineStart ? "" : "\r\n") + toCp1251(text) + "\r\n");
}

void TMainForm::btnSendClick()
{
    if (!BComPort1.IsOpen())
        return;
    BComPort1.SendText(toCp1251(m_ui->Edit1->text()));
    emit lineSent(m_ui->Edit1->text());
    m_ui->Edit1->clear();
    m_ui->Edit1->setFocus();
    setStatusText(tr("Команда отправлена"));
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
    setStatusText(tr("Терминал очищен"));
    m_ui->Memo1->clear();
    m_ui->Edit1->setFocus();
}

void TMainForm::cbPortChange()
{
    m_connection->portChosen();
    setStatusText(tr("Рабочий порт изменен"));
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
    switchRate(BComPort1, findRateEntry(m_ui->cbBaudRate->currentText().toStdString()));
    setStatusText(tr("Скорость передачи данных изменена"));
}

void TMainForm::BComPort1TxEmpty(TBComPort &)
{
    TxEmptySeen = true;
    m_uploadPanel->txEmptyReported();
    m_procedure->txEmpty();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    cancelUpload();
    QMainWindow::closeEvent(event);
}

} // namespace kelvane
