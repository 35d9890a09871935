#include "app/main_window.h"

#include "app/about_box.h"
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

TMainForm::TMainForm(MainThread &mainThread, ProgramWindows &windows,
    const ProgramEnvironment &environment, QWidget *parent)
    : QMainWindow(parent,
        Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
            | Qt::WindowCloseButtonHint),
      BComPort1(mainThread, environment.opener), ui(std::make_unique<Ui::TMainForm>()),
      windows_(windows), inventory_(environment.inventory),
      statusText_(new QLabel(QStringLiteral("Программа загружена нормально"))),
      ProgressBar1(new QProgressBar), btnCancelUpload(new QToolButton), upload_(BComPort1, *this)
{
    ui->setupUi(this);
    windows_.MainForm = this;

    QFont base = font();
    base.setPixelSize(11);
    setFont(base);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setPixelSize(11);
    ui->Edit1->setFont(fixed);
    ui->Memo1->setFont(fixed);
    setFieldColour(ui->Edit1, false);
    setFieldColour(ui->Memo1, false);

    statusText_->setObjectName(QStringLiteral("StatusText"));
    ui->StatusBar1->addWidget(statusText_, 1);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setFixedSize(198, 13);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("Ход загрузки"));
    ProgressBar1->hide();
    ui->StatusBar1->addPermanentWidget(ProgressBar1);
    btnCancelUpload->setObjectName(QStringLiteral("btnCancelUpload"));
    btnCancelUpload->setText(QStringLiteral("Отмена"));
    btnCancelUpload->setToolTip(QStringLiteral("Прервать загрузку (Esc)"));
    btnCancelUpload->setAccessibleName(QStringLiteral("Прервать загрузку"));
    btnCancelUpload->setFixedHeight(14);
    btnCancelUpload->hide();
    ui->StatusBar1->addPermanentWidget(btnCancelUpload);

    QPalette white = ui->Panel2->palette();
    white.setColor(QPalette::Window, Qt::white);
    ui->Panel2->setPalette(white);
    ui->Image4->setPixmap(QPixmap(QStringLiteral(":/logo")));
    setWindowIcon(QIcon(QStringLiteral(":/icon")));

    // No inline completion: it would turn a typed "9" into "9600" and switch the drive at the
    // first key.
    ui->cbBaudRate->setCompleter(nullptr);
    // The rate box shows its layout text until the window is created.
    {
        const QSignalBlocker quiet(ui->cbBaudRate);
        ui->cbBaudRate->setCurrentIndex(-1);
        ui->cbBaudRate->setEditText(QStringLiteral("115200"));
    }

    // The client area (tool bars, panes and status line) is fixed; the menu sits above it.
    setFixedSize(ClientWidth, ClientHeight + menuBar()->sizeHint().height());
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    openCommandTable(environment.programFolder);
    connectHandlers();
    bindPortEvents();
    RunGuarded([this] { FormCreate(); });
    if (Dbf1.ReadOnly()) {
        // Said once, where the start-up's own text would be.
        ui->N24->setEnabled(false);
        SetStatusText(readOnlyTableText_);
    }
}

void TMainForm::openCommandTable(const std::string &programFolder)
{
    Dbf1.SetName("Dbf1");
    Dbf1.SetFileName("com.dbf");
    Dbf1.SetProgramFolder(programFolder);
    Dbf1.SetHooks({[this](const std::string &message) {
                       Dialogs::Current().Message(this, QString::fromUtf8(message));
                   },
        {}});
    try {
        Dbf1.Open();
    } catch (const std::exception &) {
        // A table that is there but may not be written is used for reading; a missing or damaged
        // one keeps its error, and the program does not start.
        if (!openCommandTableReadOnly())
            throw;
    }
    DataSource1.SetDataSet(&Dbf1);
    ui->DBGrid2->SetDataSource(&DataSource1);
    ui->DBGrid2->SetColumns({{"NAME", QStringLiteral("Команда"), 142, true},
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
    const TableWriteBlock block = WhyTableIsNotWritable(path);
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
    readOnlyTableText_ = QStringLiteral("Таблица команд %1 открыта только для чтения: %2")
                             .arg(QFileInfo(QString::fromStdString(path)).fileName(), reason);
    return true;
}

TMainForm::~TMainForm() = default;

void TMainForm::connectHandlers()
{
    connect(ui->btnConnect, &QPushButton::clicked, this, handled([this] { btnConnectClick(); }));
    connect(
        ui->btnDisconnect, &QPushButton::clicked, this, handled([this] { btnDisconnectClick(); }));
    connect(ui->btnSend, &QPushButton::clicked, this, handled([this] { btnSendClick(); }));
    connect(ui->Edit1, &QLineEdit::returnPressed, this, handled([this] { Edit1KeyPress('\r'); }));
    connect(ui->btnClear, &QPushButton::clicked, this, handled([this] { btnClearClick(); }));
    connect(ui->cbPort, &QComboBox::activated, this, handled([this] { cbPortChange(); }));
    connect(ui->cbPort, &QComboBox::currentTextChanged, ui->cbPort, &QWidget::setToolTip);
    connect(ui->cbPort, &LeftElidingComboBox::popupAboutToShow, this, [this] { refreshPorts(); });
    connect(ui->cbSetRTS, &QCheckBox::toggled, this, handled([this] { cbSetRTSClick(); }));
    connect(ui->cbSetDTR, &QCheckBox::toggled, this, handled([this] { cbSetDTRClick(); }));
    connect(
        ui->cbBaudRate, &QComboBox::editTextChanged, this, handled([this] { cbBaudRateChange(); }));
    connect(ui->Exit1, &QAction::triggered, this, handled([this] { Exit1Click(); }));
    connect(ui->About1, &QAction::triggered, this, handled([this] { About1Click(); }));
    connect(ui->N19, &QAction::triggered, this, handled([this] { N19Click(); }));
    connect(ui->Open1, &QAction::triggered, this, handled([this] { Open1Click(); }));
    connect(ui->N22, &QAction::triggered, this, handled([this] { N22Click(); }));
    connect(ui->N24, &QAction::triggered, this, handled([this] { N24Click(); }));
    connect(ui->N23, &QAction::triggered, this, handled([this] { N23Click(); }));
    connect(ui->N13, &QAction::triggered, this, handled([this] { N13Click(); }));
    connect(ui->N15, &QAction::triggered, this, handled([this] { N15Click(); }));
    connect(ui->N16, &QAction::triggered, this, handled([this] { N16Click(); }));
    connect(ui->N29, &QAction::triggered, this, handled([this] { N29Click(); }));
    connect(
        ui->HeadPosition1, &QAction::triggered, this, handled([this] { HeadPosition1Click(); }));
    connect(ui->UserLevel1, &QAction::triggered, this, handled([this] { UserLevel1Click(); }));
    connect(ui->overley1, &QAction::triggered, this, handled([this] { overley1Click(); }));
    connect(ui->CERT1, &QAction::triggered, this, handled([this] { CERT1Click(); }));
    connect(ui->SelfScan1, &QAction::triggered, this, handled([this] { SelfScan1Click(); }));
    connect(btnCancelUpload, &QToolButton::clicked, this, [this] { CancelUpload(); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { CancelUpload(); });
    connectCatalogue();
}

void TMainForm::connectCatalogue()
{
    for (const CatalogueItem &item : ServiceCatalogue()) {
        QAction *action = findChild<QAction *>(QString::fromLatin1(item.item));
        Q_ASSERT(action);
        connect(action, &QAction::triggered, this, handled([this, &item] {
            RunCatalogueItem(item, BComPort1, [this](const QString &text) { SetStatusText(text); });
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
    return [this, handler = std::move(handler)] { runHandler(handler); };
}

void TMainForm::runHandler(const std::function<void()> &handler)
{
    bool lost = false;
    RunGuarded([&] {
        try {
            handler();
        } catch (const EComPort &) {
            if (!deviceLost())
                throw;
            lost = true;
        }
    });
    if (lost)
        RunGuarded([this] { PortLost(); });
}

bool TMainForm::deviceLost()
{
    return BComPort1.IsOpen() && BComPort1.Device() && BComPort1.Device()->Lost();
}

QString TMainForm::StatusText() const
{
    return statusText_->text();
}

void TMainForm::SetStatusText(const QString &text)
{
    statusText_->setText(text);
}

void TMainForm::FormCreate()
{
    std::vector<std::string> ports;
    ListSerialPorts(ports, inventory_);
    for (const std::string &port : ports)
        ui->cbPort->addItem(QString::fromStdString(port));
    ui->cbPort->setCurrentIndex(ports.empty() ? -1 : 0);
    {
        const QSignalBlocker quiet(ui->cbBaudRate);
        ui->cbBaudRate->setCurrentIndex(6);
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
        ListSerialPorts(ports, inventory_);
    } catch (const EComPort &) {
        return; // the list stays as it is; the start-up has said why
    }
    QStringList names;
    for (const std::string &port : ports)
        names << QString::fromStdString(port);
    const QString chosen = ui->cbPort->currentText();
    ui->cbPort->clear();
    ui->cbPort->addItems(names);
    const int kept = ui->cbPort->findText(chosen);
    ui->cbPort->setCurrentIndex(kept >= 0 ? kept : (names.isEmpty() ? -1 : 0));
}

bool TMainForm::event(QEvent *event)
{
    // The first activation at start; coming back from a modal dialog is not a new one.
    if (!activated_ && (event->type() == QEvent::WindowActivate || event->type() == QEvent::Show)) {
        activated_ = true;
        RunGuarded([this] { FormActivate(); });
    }
    return QMainWindow::event(event);
}

void TMainForm::FormActivate()
{
    for (QMenu *menu : {ui->Send1, ui->SMART1, ui->N20, ui->N10})
        menu->setEnabled(false);
}

void TMainForm::btnConnectClick()
{
    BComPort1.SetPort(ui->cbPort->currentText().toStdString());
    if (const RateEntry *entry = findRate(ui->cbBaudRate->currentText()))
        BComPort1.SetBaudRate(entry->rate);
    if (!BComPort1.OpenPort())
        return;
    SetStatusText(QStringLiteral("Связь установлена, терминал ожидает ввода команд"));
    ui->Edit1->setEnabled(true);
    setFieldColour(ui->Edit1, true);
    ui->btnConnect->setEnabled(false);
    ui->cbPort->setEnabled(false);
    ui->btnDisconnect->setEnabled(true);
    ui->cbSetDTR->setEnabled(true);
    ui->cbSetDTR->setChecked(true);
    ui->cbSetRTS->setEnabled(true);
    ui->cbSetRTS->setChecked(true);
    ui->btnSend->setEnabled(true);
    ui->cbCRLF->setEnabled(true);
    ui->btnClear->setEnabled(true);
    ui->Memo1->setEnabled(true);
    setFieldColour(ui->Memo1, true);
    const TModemLines lines = BComPort1.ReadModemLines();
    SetCtsLamp(lines.Contains(mlCTS));
    SetDsrLamp(lines.Contains(mlDSR));
    SetRlsdLamp(lines.Contains(mlRLSD));
    ui->Edit1->setFocus();
    setConnectionMenus(true);
}

void TMainForm::btnDisconnectClick()
{
    if (!BComPort1.ClosePort())
        return;
    SetStatusText(QStringLiteral("Связь завершена"));
    showDisconnected();
}

void TMainForm::showDisconnected()
{
    ui->btnConnect->setEnabled(true);
    ui->cbPort->setEnabled(true);
    // An upload that the port's loss ended left the rate box disabled.
    ui->cbBaudRate->setEnabled(true);
    for (QWidget *w : std::initializer_list<QWidget *> {ui->btnDisconnect, ui->cbSetDTR,
             ui->cbSetRTS, ui->btnSend, ui->cbCRLF, ui->btnClear, ui->Memo1, ui->Edit1})
        w->setEnabled(false);
    setFieldColour(ui->Memo1, false);
    setFieldColour(ui->Edit1, false);
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
    if (Errors.Contains(errIO))
        QMetaObject::invokeMethod(
            this, [this] { RunGuarded([this] { PortLost(); }); }, Qt::QueuedConnection);
}

void TMainForm::PortLost()
{
    if (!BComPort1.IsOpen())
        return;
    const QString port = QString::fromStdString(BComPort1.Port());
    CancelUpload();
    // Closing a lost device drops nothing and cannot fail on the way.
    BComPort1.ClosePort();
    showDisconnected();
    SetStatusText(QStringLiteral("Связь с портом %1 потеряна").arg(port));
    Dialogs::Current().Message(this,
        QStringLiteral("Связь с портом %1 потеряна: устройство отключено или не отвечает.")
            .arg(port));
}

void TMainForm::setConnectionMenus(bool enabled)
{
    // The menu widget itself: the menu bar drops down only a menu whose widget is enabled, and
    // enabling the widget enables its entry in the bar as well.
    for (QMenu *menu : {ui->Send1, ui->SMART1, ui->N20, ui->N10})
        menu->setEnabled(enabled);
    ui->overley1->setEnabled(enabled);
    ui->CERT1->setEnabled(enabled);
    ui->N28->setEnabled(enabled);
}

void TMainForm::btnSendClick()
{
    if (!BComPort1.IsOpen())
        return;
    BComPort1.SendText(ToCp1251(ui->Edit1->text()));
    ui->Edit1->clear();
    ui->Edit1->setFocus();
    SetStatusText(QStringLiteral("Команда отправлена"));
}

void TMainForm::Edit1KeyPress(char key)
{
    if (!BComPort1.IsOpen() || key != '\r')
        return;
    BComPort1.SendText(ToCp1251(ui->Edit1->text()) + '\r');
    ui->Edit1->clear();
}

void TMainForm::BComPort1RxChar(TBComPort &, int32_t Count)
{
    std::string chunk;
    BComPort1.ReceiveText(chunk, Count);
    if (ui->cbCRLF->isChecked() && !chunk.empty() && chunk.back() == '\r')
        chunk.push_back('\n');
    ui->Memo1->Append(chunk);
}

void TMainForm::btnClearClick()
{
    SetStatusText(QStringLiteral("Терминал очищен"));
    ui->Memo1->Clear();
    ui->Edit1->setFocus();
}

void TMainForm::cbPortChange()
{
    SetStatusText(QStringLiteral("Рабочий порт изменен"));
}

void TMainForm::cbSetRTSClick()
{
    BComPort1.SetRtsLine(ui->cbSetRTS->isChecked());
    ui->Edit1->setFocus();
}

void TMainForm::cbSetDTRClick()
{
    BComPort1.SetDtrLine(ui->cbSetDTR->isChecked());
    ui->Edit1->setFocus();
}

void TMainForm::cbBaudRateChange()
{
    const RateEntry *entry = findRate(ui->cbBaudRate->currentText());
    if (BComPort1.IsOpen()) {
        BComPort1.SendText("/T");
        if (entry)
            BComPort1.SendText(entry->driveCommand);
    }
    // A text that names no rate leaves the local port where it is.
    if (entry)
        BComPort1.SetBaudRate(entry->rate);
    SetStatusText(QStringLiteral("Скорость передачи данных изменена"));
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
    setLamp(ui->Image1, ctsLamp_, on);
}

void TMainForm::SetDsrLamp(bool on)
{
    setLamp(ui->Image2, dsrLamp_, on);
}

void TMainForm::SetRlsdLamp(bool on)
{
    setLamp(ui->Image3, rlsdLamp_, on);
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
    if (txEmptyWait_)
        txEmptyWait_->quit();
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::About1Click()
{
    if (windows_.AboutBox)
        windows_.AboutBox->exec();
}

void TMainForm::N19Click()
{
    if (windows_.Form7)
        windows_.Form7->exec();
}

void TMainForm::Open1Click()
{
    // The item is hidden; were it shown, the choice would not be used.
    QString fileName;
    Dialogs::Current().OpenFile(this, QStringLiteral("All Files (*)"), QDir::homePath(), fileName);
}

void TMainForm::N22Click()
{
    windows_.command->exec();
}

void TMainForm::N24Click()
{
    // At once, without asking.
    Dbf1.Delete();
}

void TMainForm::N23Click()
{
    windows_.command2->exec();
}

void TMainForm::N13Click()
{
    windows_.Form1->exec();
}

void TMainForm::N15Click()
{
    windows_.Golovka->exec();
}

void TMainForm::N16Click()
{
    windows_.golovki->exec();
}

void TMainForm::N29Click()
{
    // "W" follows however the dialog was closed, with no level line before it.
    windows_.golovki->exec();
    BComPort1.SendText("W");
}

void TMainForm::HeadPosition1Click()
{
    windows_.golovka2->exec();
}

void TMainForm::UserLevel1Click()
{
    windows_.userlevel->exec();
}

void TMainForm::SelfScan1Click()
{
    BComPort1.SendText("/T");
    Dialogs::Current().Message(this,
        QStringLiteral("Внимание выбранная операция (Seagate selfscan) требует поддержку "
                       "электропитания накопителя во время прохождения всего теста. В "
                       "зависимости от модели накопителя это может занять до 72 часов."));
    BComPort1.SendText("N2,,22");
}

void TMainForm::overley1Click()
{
    upload_.Run(UploadKind::Overlay);
}

void TMainForm::CERT1Click()
{
    upload_.Run(UploadKind::CertTable);
}

void TMainForm::CancelUpload()
{
    if (!uploading_)
        return;
    uploadCancelled_ = true;
    if (txEmptyWait_)
        txEmptyWait_->quit();
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    CancelUpload();
    QMainWindow::closeEvent(event);
}

void TMainForm::setWritingEnabled(bool enabled)
{
    // Everything that writes to the port, or moves its lines, while the port is open.
    for (QWidget *w : std::initializer_list<QWidget *> {
             ui->Edit1, ui->btnSend, ui->cbBaudRate, ui->cbSetRTS, ui->cbSetDTR})
        w->setEnabled(enabled);
    setConnectionMenus(enabled);
}

void TMainForm::BeginUpload(const QString &runningText)
{
    uploading_ = true;
    uploadCancelled_ = false;
    ui->btnDisconnect->setEnabled(false);
    ui->btnConnect->setEnabled(false);
    setWritingEnabled(false);
    SetStatusText(runningText);
    ProgressBar1->setValue(0);
    ProgressBar1->show();
    btnCancelUpload->show();
}

void TMainForm::SetProgress(int maximum, int position)
{
    ProgressBar1->setRange(0, maximum);
    ProgressBar1->setValue(position);
}

void TMainForm::EndUpload(const QString &statusText)
{
    uploading_ = false;
    ProgressBar1->hide();
    btnCancelUpload->hide();
    // A port lost during the upload has already put the window into its disconnected state and
    // said why.
    if (!BComPort1.IsOpen())
        return;
    ui->btnDisconnect->setEnabled(true);
    ui->btnConnect->setEnabled(false);
    setWritingEnabled(true);
    SetStatusText(statusText);
}

bool TMainForm::ChooseFile(QString &fileName)
{
    // The dialog opens in the last file's folder but picks no file: Enter must never send an
    // overlay again, perhaps as a CERT table.
    const QString folder
        = fileName.isEmpty() ? QDir::homePath() : QFileInfo(fileName).absolutePath();
    fileName.clear();
    return Dialogs::Current().OpenFile(this, QStringLiteral("All Files (*)"), folder, fileName);
}

void TMainForm::ResetTxEmpty()
{
    TxEmptySeen = false;
}

UploadView::Wait TMainForm::WaitForTxEmpty(std::chrono::milliseconds bound)
{
    bool expired = false;
    if (!TxEmptySeen && !uploadCancelled_) {
        QEventLoop loop;
        QTimer deadline;
        deadline.setSingleShot(true);
        connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        deadline.start(bound);
        txEmptyWait_ = &loop;
        loop.exec();
        txEmptyWait_ = nullptr;
        expired = !deadline.isActive();
    }
    if (uploadCancelled_)
        return Wait::Cancelled;
    // The event may have come while a modal window held this loop up: it still counts.
    if (TxEmptySeen)
        return Wait::TxEmpty;
    // Left without event or deadline: the program is ending.
    return expired ? Wait::TimedOut : Wait::Cancelled;
}

} // namespace kelvane
