#include "app/main_window.h"

#include "app/about_box.h"
#include "app/session_journal.h"
#include "app/table_write_access.h"
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
#include "framework/terminal_pane.h"
#include "ui_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QProgressBar>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>
#include <QToolButton>
#include <array>

namespace kelvane {

namespace {

// The rate box's entries: what the drive is told, and the local port's rate.
struct RateEntry
{
    const char *text;
    const char *driveCommand;
    TBaudRate rate;
};

constexpr std::array<RateEntry, 8> RateEntries = {{
    {"4800", "B48", br4800},
    {"9600", "B96", br9600},
    {"14400", "B144", br14400},
    {"19200", "B192", br19200},
    {"38400", "B384", br38400},
    {"56000", "B576", br56000},
    {"57600", "B625", br57600},
    {"115200", "B1152", br115200},
}};

const RateEntry *findRate(const QString &text)
{
    for (const RateEntry &entry : RateEntries)
        if (text == QLatin1String(entry.text))
            return &entry;
    return nullptr;
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
      m_errors(errors), m_windows(windows), m_inventory(environment.inventory),
      m_statusText(new QLabel(QStringLiteral("Программа загружена нормально"))),
      ProgressBar1(new QProgressBar), m_btnCancelUpload(new QToolButton), m_upload(BComPort1, *this)
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
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedSize(198, 13);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Ход загрузки"));
    ProgressBar1->hide();
    m_ui->StatusBar1->addPermanentWidget(ProgressBar1);
    m_btnCancelUpload->setObjectName(QStringLiteral("btnCancelUpload"));
    m_btnCancelUpload->setText(QStringLiteral("Отмена"));
    m_btnCancelUpload->setToolTip(QStringLiteral("Прервать загрузку (Esc)"));
    m_btnCancelUpload->setAccessibleName(QStringLiteral("Прервать загрузку"));
    m_btnCancelUpload->setFixedHeight(14);
    m_btnCancelUpload->hide();
    m_ui->StatusBar1->addPermanentWidget(m_btnCancelUpload);

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

    openCommandTable(environment.programFolder);
    connectHandlers();
    bindPortEvents();
    runGuarded(m_errors, [this] { FormCreate(); });
    if (Dbf1.ReadOnly()) {
        // Said once, where the start-up's own text would be.
        m_ui->N24->setEnabled(false);
        setStatusText(m_readOnlyTableText);
    }
}

void TMainForm::openCommandTable(const std::string &programFolder)
{
    Dbf1.SetName("Dbf1");
    Dbf1.SetFileName("com.dbf");
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

TMainForm::~TMainForm() = default;

void TMainForm::connectHandlers()
{
    connect(m_ui->btnConnect, &QPushButton::clicked, this, handled([this] { btnConnectClick(); }));
    connect(m_ui->btnDisconnect, &QPushButton::clicked, this,
        handled([this] { btnDisconnectClick(); }));
    connect(m_ui->btnSend, &QPushButton::clicked, this, handled([this] { btnSendClick(); }));
    connect(m_ui->Edit1, &QLineEdit::returnPressed, this, handled([this] { Edit1KeyPress('\r'); }));
    connect(m_ui->btnClear, &QPushButton::clicked, this, handled([this] { btnClearClick(); }));
    connect(m_ui->cbPort, &QComboBox::activated, this, handled([this] { cbPortChange(); }));
    connect(m_ui->cbPort, &QComboBox::currentTextChanged, m_ui->cbPort, &QWidget::setToolTip);
    connect(m_ui->cbPort, &LeftElidingComboBox::popupAboutToShow, this, [this] { refreshPorts(); });
    connect(m_ui->cbSetRTS, &QCheckBox::toggled, this, handled([this] { cbSetRTSClick(); }));
    connect(m_ui->cbSetDTR, &QCheckBox::toggled, this, handled([this] { cbSetDTRClick(); }));
    connect(m_ui->cbBaudRate, &QComboBox::editTextChanged, this,
        handled([this] { cbBaudRateChange(); }));
    connect(m_ui->Exit1, &QAction::triggered, this, handled([this] { Exit1Click(); }));
    connect(m_ui->About1, &QAction::triggered, this, handled([this] { About1Click(); }));
    connect(m_ui->N19, &QAction::triggered, this, handled([this] { N19Click(); }));
    connect(m_ui->Open1, &QAction::triggered, this, handled([this] { Open1Click(); }));
    connect(m_ui->N22, &QAction::triggered, this, handled([this] { N22Click(); }));
    connect(m_ui->N24, &QAction::triggered, this, handled([this] { N24Click(); }));
    connect(m_ui->N23, &QAction::triggered, this, handled([this] { N23Click(); }));
    connect(m_ui->N13, &QAction::triggered, this, handled([this] { N13Click(); }));
    connect(m_ui->N15, &QAction::triggered, this, handled([this] { N15Click(); }));
    connect(m_ui->N16, &QAction::triggered, this, handled([this] { N16Click(); }));
    connect(m_ui->N29, &QAction::triggered, this, handled([this] { N29Click(); }));
    connect(
        m_ui->HeadPosition1, &QAction::triggered, this, handled([this] { HeadPosition1Click(); }));
    connect(m_ui->UserLevel1, &QAction::triggered, this, handled([this] { UserLevel1Click(); }));
    connect(m_ui->overley1, &QAction::triggered, this, handled([this] { overley1Click(); }));
    connect(m_ui->CERT1, &QAction::triggered, this, handled([this] { CERT1Click(); }));
    connect(m_ui->SelfScan1, &QAction::triggered, this, handled([this] { SelfScan1Click(); }));
    connect(m_btnCancelUpload, &QToolButton::clicked, this, [this] { cancelUpload(); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { cancelUpload(); });
    connectCatalogue();
}

void TMainForm::connectCatalogue()
{
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

std::function<void()> TMainForm::handled(std::function<void()> handler)
{
    return [this, handler = std::move(handler)] {
        // What the user did goes into the journal before the writes it causes.
        if (const QString what = describeAction(sender()); !what.isEmpty())
            m_log->action(what.toStdString());
        bool lost = false;
        runGuarded(m_errors, handler, [&] { return lost = failedForLostDevice(); });
        if (lost)
            runGuarded(m_errors, [this] { portLost(); });
    };
}

void TMainForm::setSessionLog(SessionLog &log)
{
    m_log = &log;
    m_upload.setSessionLog(log);
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
    std::vector<std::string> ports;
    ListSerialPorts(ports, m_inventory);
    for (const std::string &port : ports)
        m_ui->cbPort->addItem(QString::fromStdString(port));
    m_ui->cbPort->setCurrentIndex(ports.empty() ? -1 : 0);
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
    std::vector<std::string> ports;
    try {
        ListSerialPorts(ports, m_inventory);
    } catch (const EComPort &) {
        return; // the list stays as it is; the start-up has said why
    }
    QStringList names;
    for (const std::string &port : ports)
        names << QString::fromStdString(port);
    const QString chosen = m_ui->cbPort->currentText();
    m_ui->cbPort->clear();
    m_ui->cbPort->addItems(names);
    const int kept = m_ui->cbPort->findText(chosen);
    m_ui->cbPort->setCurrentIndex(kept >= 0 ? kept : (names.isEmpty() ? -1 : 0));
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
    BComPort1.SetPort(m_ui->cbPort->currentText().toStdString());
    if (const RateEntry *entry = findRate(m_ui->cbBaudRate->currentText()))
        BComPort1.SetBaudRate(entry->rate);
    if (!BComPort1.OpenPort())
        return;
    m_log->connected(BComPort1.Port(), BaudRateValues[BComPort1.BaudRate()]);
    setStatusText(QStringLiteral("Связь установлена, терминал ожидает ввода команд"));
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
    const RateEntry *entry = findRate(m_ui->cbBaudRate->currentText());
    if (BComPort1.IsOpen()) {
        BComPort1.SendText("/T");
        if (entry)
            BComPort1.SendText(entry->driveCommand);
    }
    // A text that names no rate leaves the local port where it is.
    if (entry)
        BComPort1.SetBaudRate(entry->rate);
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
    if (m_txEmptyWait)
        m_txEmptyWait->quit();
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
    m_upload.run(UploadKind::Overlay);
}

void TMainForm::CERT1Click()
{
    m_upload.run(UploadKind::CertTable);
}

void TMainForm::cancelUpload()
{
    if (!m_uploading)
        return;
    m_uploadCancelled = true;
    if (m_txEmptyWait)
        m_txEmptyWait->quit();
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

void TMainForm::beginUpload(const QString &runningText)
{
    m_uploading = true;
    m_uploadCancelled = false;
    m_ui->btnDisconnect->setEnabled(false);
    m_ui->btnConnect->setEnabled(false);
    setWritingEnabled(false);
    setStatusText(runningText);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    m_btnCancelUpload->show();
}

void TMainForm::setProgress(int maximum, int position)
{
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(position);
}

void TMainForm::endUpload(const QString &statusText)
{
    m_uploading = false;
    ProgressBar1->hide();
    m_btnCancelUpload->hide();
    // A port lost during the upload has already put the window into its disconnected state and
    // said why.
    if (!BComPort1.IsOpen())
        return;
    m_ui->btnDisconnect->setEnabled(true);
    m_ui->btnConnect->setEnabled(false);
    setWritingEnabled(true);
    setStatusText(statusText);
}

bool TMainForm::chooseFile(QString &fileName)
{
    // The dialog opens in the last file's folder but picks no file: Enter must never send an
    // overlay again, perhaps as a CERT table.
    const QString folder
        = fileName.isEmpty() ? QDir::homePath() : QFileInfo(fileName).absolutePath();
    fileName.clear();
    return Dialogs::current().openFile(this, QStringLiteral("All Files (*)"), folder, fileName);
}

void TMainForm::resetTxEmpty()
{
    TxEmptySeen = false;
}

UploadView::Wait TMainForm::waitForTxEmpty(std::chrono::milliseconds bound)
{
    bool expired = false;
    if (!TxEmptySeen && !m_uploadCancelled) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(bound);
        m_txEmptyWait = &loop;
        loop.exec();
        m_txEmptyWait = nullptr;
        expired = !deadline.isActive();
    }
    if (m_uploadCancelled)
        return Wait::Cancelled;
    // The event may have come while a modal window held this loop up: it still counts.
    if (TxEmptySeen)
        return Wait::TxEmpty;
    // Left without event or deadline: the program is ending.
    return expired ? Wait::TimedOut : Wait::Cancelled;
}

} // namespace kelvane
