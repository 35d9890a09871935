// Overlay and CERT table uploads: the framing on the wire, the chunks and the waits between them,
// and the window's state after every way an upload can end.
#include "support/fake_device.h"
#include "support/gui/program_fixture.h"
#include "virtual_drive/crc32.h"
#include "virtual_drive/virtual_drive.h"

#include <QProgressBar>
#include <QToolButton>
#include <atomic>
#include <fstream>
#include <mutex>
#include <thread>

using namespace kelvane;

namespace {

using namespace std::chrono_literals;

std::string allByteValues(size_t size)
{
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return data;
}

// Reads everything the program writes to the pty, while the test waits for it.
class PtyReader
{
public:
    explicit PtyReader(PtyPair &pty) : pty_(pty), thread_([this] { run(); }) { }
    ~PtyReader()
    {
        stop_ = true;
        thread_.join();
    }

    std::string Taken()
    {
        std::lock_guard lock(mutex_);
        return std::exchange(bytes_, {});
    }

private:
    void run()
    {
        while (!stop_) {
            const std::string got = pty_.Read(1 << 20, 20ms);
            std::lock_guard lock(mutex_);
            bytes_ += got;
        }
    }

    PtyPair &pty_;
    std::atomic<bool> stop_ = false;
    std::mutex mutex_;
    std::string bytes_;
    std::thread thread_;
};

// Runs `step` over and over from the event loop, as the upload's waits serve it.
class Driver
{
public:
    explicit Driver(std::function<void()> step)
    {
        QObject::connect(&timer_, &QTimer::timeout, std::move(step));
        timer_.start(2);
    }

private:
    QTimer timer_;
};

class UploadTest : public ProgramTest
{
public:
    std::string WriteFile(const std::string &name, const std::string &content)
    {
        const std::string path = (root / name).string();
        std::ofstream(path, std::ios::binary) << content;
        return path;
    }

    QProgressBar *Progress() { return Child<QProgressBar>("ProgressBar1"); }

    // Connects on a fake device; the next file dialog picks FW.BIN of `size` bytes.
    std::shared_ptr<FakeDeviceScript> ConnectToFakeWithFile(size_t size)
    {
        auto device = std::make_shared<FakeDeviceScript>();
        Start(device->Opener());
        Connect();
        dialogs.AnswerOpenFile(QString::fromStdString(WriteFile("FW.BIN", allByteValues(size))));
        device->ClearCalls();
        return device;
    }

    // The connected state an upload must leave behind, whatever its end.
    void ExpectConnectedState()
    {
        EXPECT_FALSE(form->Uploading());
        EXPECT_FALSE(Progress()->isVisible());
        EXPECT_FALSE(Child<QToolButton>("btnCancelUpload")->isVisible());
        EXPECT_FALSE(Button("btnConnect")->isEnabled()) << "the port is still connected";
        EXPECT_TRUE(Button("btnDisconnect")->isEnabled());
        for (const char *w : {"Edit1", "btnSend", "cbBaudRate", "cbSetRTS", "cbSetDTR"})
            EXPECT_TRUE(Child<QWidget>(w)->isEnabled()) << w;
        for (const char *menu : {"N10", "Send1", "SMART1", "N20", "N28"})
            EXPECT_TRUE(Menu(menu)->isEnabled()) << menu;
        EXPECT_TRUE(MenuItem("overley1")->isEnabled());
        EXPECT_TRUE(MenuItem("CERT1")->isEnabled());
    }

    // Everything that could write to the port is out of reach.
    void ExpectNothingCanWrite()
    {
        EXPECT_TRUE(form->Uploading());
        EXPECT_TRUE(Progress()->isVisible());
        for (const char *w : {"btnConnect", "btnDisconnect", "Edit1", "btnSend", "cbBaudRate",
                 "cbSetRTS", "cbSetDTR"})
            EXPECT_FALSE(Child<QWidget>(w)->isEnabled()) << w;
        for (const char *menu : {"N10", "Send1", "SMART1", "N20", "N28"})
            EXPECT_FALSE(Menu(menu)->isEnabled()) << menu;
    }

    std::vector<std::string> Writes(FakeDeviceScript &device)
    {
        std::vector<std::string> writes;
        for (const FakeCall &c : device.Calls())
            if (c.name == "Write")
                writes.push_back(c.data);
        return writes;
    }
};

TEST_F(UploadTest, FilesOfEverySizeGoOutInTheirFraming)
{
    Start();
    Connect();
    PtyReader reader(pty);
    for (size_t size : {size_t {0}, size_t {1}, size_t {2048}, size_t {2049}, size_t {4096},
             size_t {3 * 1024 * 1024 + 17}}) {
        SCOPED_TRACE(size);
        const std::string data = allByteValues(size);
        const std::string path = WriteFile("OVL" + std::to_string(size) + ".BIN", data);
        dialogs.AnswerOpenFile(QString::fromStdString(path));
        MenuItem("overley1")->trigger();
        ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
        const std::string expected = "e0,0OVL" + std::to_string(size)
            + ".BIN:" + std::to_string(size) + "[BEGIN]" + data + "[END]b,,22c";
        std::string wire;
        (void)QTest::qWaitFor(
            [&] { return (wire += reader.Taken()).size() >= expected.size(); }, 10000);
        EXPECT_TRUE(wire == expected) << "the bytes differ; got " << wire.size() << " bytes";
        const int chunks = size <= 2048 ? 1 : static_cast<int>((size + 2047) / 2048);
        EXPECT_EQ(Progress()->maximum(), chunks);
        EXPECT_EQ(Progress()->value(), chunks);
        EXPECT_EQ(form->StatusText(), "Загрузка ОВЕРЛЕЯ произведена...");
        ExpectConnectedState();
    }
}

TEST_F(UploadTest, WhatGoesOutPassesTheVirtualDrivesFramingCheck)
{
    Start();
    Connect();
    PtyReader reader(pty);
    const std::pair<const char *, size_t> files[]
        = {{"EMPTY.BIN", 0}, {"ODD.BIN", 2049}, {"BIG.BIN", 1024 * 1024 + 3}};
    for (const auto &[name, size] : files) {
        SCOPED_TRACE(name);
        const std::string data = allByteValues(size);
        dialogs.AnswerOpenFile(QString::fromStdString(WriteFile(name, data)));
        MenuItem(size % 2 ? "CERT1" : "overley1")->trigger();
        std::string wire;
        (void)QTest::qWaitFor(
            [&] { return (wire += reader.Taken()).find("b,,22c") != std::string::npos; }, 10000);
        VirtualDrive drive;
        drive.Feed(wire, VirtualDrive::Clock::now());
        ASSERT_EQ(drive.Uploads().size(), 1u);
        const UploadReport &report = drive.Uploads().front();
        EXPECT_TRUE(report.Ok()) << report.error;
        EXPECT_EQ(
            report.kind, size % 2 ? UploadReport::Kind::CertTable : UploadReport::Kind::Overlay);
        EXPECT_EQ(report.name, name);
        EXPECT_EQ(report.declaredSize, size);
        EXPECT_EQ(report.received, size);
        Crc32 crc;
        crc.Update(data);
        EXPECT_EQ(report.crc32, crc.Value());
    }
}

TEST_F(UploadTest, CertTableUsesItsStartCommandAndTexts)
{
    Start();
    Connect();
    PtyReader reader(pty);
    const std::string path = WriteFile("CERT.TBL", std::string(300, 'c'));
    dialogs.AnswerOpenFile(QString::fromStdString(path));
    std::string running;
    Driver look([&] {
        if (form->Uploading())
            running = form->StatusText().toStdString();
    });
    MenuItem("CERT1")->trigger();
    const std::string expected = "h0,0CERT.TBL:300[BEGIN]" + std::string(300, 'c') + "[END]b,,22c";
    std::string wire;
    (void)QTest::qWaitFor([&] { return (wire += reader.Taken()).size() >= expected.size(); }, 5000);
    EXPECT_EQ(wire, expected);
    EXPECT_EQ(form->StatusText(), "Загрузка CERT Table произведена...");
}

TEST_F(UploadTest, EachChunkWaitsForTheTransmitEmptyEventAndEndFollowsAtOnce)
{
    auto device = ConnectToFakeWithFile(5000);
    const std::string data = allByteValues(5000);

    size_t released = 0; // transmit-empty events given so far
    std::vector<std::pair<size_t, size_t>> seen; // (write number, events given before it)
    bool checkedState = false;
    auto noteWrites = [&] {
        const auto writes = Writes(*device);
        while (seen.size() < writes.size())
            seen.emplace_back(seen.size(), released);
        return writes;
    };
    Driver drive([&] {
        const auto writes = noteWrites();
        if (!form->Uploading())
            return;
        if (!checkedState) {
            ExpectNothingCanWrite();
            checkedState = true;
        }
        // Give one event for each header or chunk written that has not had one yet.
        if (released + 1 < writes.size()) {
            ++released;
            device->QueueEvent(4);
        }
    });
    MenuItem("overley1")->trigger();
    const auto writes = noteWrites();
    ASSERT_EQ(writes.size(), 8u);
    EXPECT_EQ(writes[0], "e0,0");
    EXPECT_EQ(writes[1], "FW.BIN:5000[BEGIN]");
    EXPECT_EQ(writes[2], data.substr(0, 2048));
    EXPECT_EQ(writes[3], data.substr(2048, 2048));
    EXPECT_EQ(writes[4], data.substr(4096));
    EXPECT_EQ(writes[5], "[END]");
    EXPECT_EQ(writes[6], "b,,22");
    EXPECT_EQ(writes[7], "c");
    // Chunk k (write 2 + k) may go only after the event that followed the previous write.
    for (size_t k = 0; k < 3; ++k)
        EXPECT_GE(seen.at(2 + k).second, k + 1) << "chunk " << k << " did not wait";
    EXPECT_TRUE(checkedState);
    EXPECT_EQ(Progress()->maximum(), 3);
    ExpectConnectedState();
}

TEST_F(UploadTest, CancellingTheFileDialogSendsNothingMore)
{
    Start();
    Connect();
    dialogs.AnswerOpenFile(std::nullopt);
    MenuItem("overley1")->trigger();
    EXPECT_EQ(Wire(), "e0,0") << "the start command went before the dialog";
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(form->StatusText(), "Загрузка отменена");
    ExpectConnectedState();
    EXPECT_EQ(dialogs.openFolders, QStringList {QDir::homePath()})
        << "no file yet: the home folder";

    // Nor after a completed upload: no earlier file is sent again, no " " is tried.
    PtyReader reader(pty);
    dialogs.AnswerOpenFile(QString::fromStdString(WriteFile("A.BIN", "abc")));
    MenuItem("overley1")->trigger();
    dialogs.AnswerOpenFile(std::nullopt);
    MenuItem("overley1")->trigger();
    std::string wire;
    (void)QTest::qWaitFor([&] { return (wire += reader.Taken()).size() >= 37; }, 3000);
    EXPECT_EQ(wire, "e0,0A.BIN:3[BEGIN]abc[END]b,,22ce0,0");
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(dialogs.openFolders.last().toStdString(), root.string())
        << "the dialog opens where the last file was";
    EXPECT_EQ(dialogs.openNames.last(), "") << "but picks no file";
}

TEST_F(UploadTest, FileThatCannotBeOpenedIsReportedAndTheWindowRecovers)
{
    Start();
    Connect();
    const std::string missing = (root / "missing.bin").string();
    dialogs.AnswerOpenFile(QString::fromStdString(missing));
    MenuItem("overley1")->trigger();
    EXPECT_EQ(dialogs.errors, QStringList {QString::fromStdString("Cannot open file " + missing)});
    EXPECT_EQ(Wire(), "e0,0");
    EXPECT_NE(form->StatusText(), "Загрузка ОВЕРЛЕЯ произведена...");
    ExpectConnectedState();
}

TEST_F(UploadTest, FileThatCannotBeReadIsReportedAndTheWindowRecovers)
{
    Start();
    Connect();
    const std::string folder = (root / "a-folder").string();
    std::filesystem::create_directories(folder);
    dialogs.AnswerOpenFile(QString::fromStdString(folder));
    MenuItem("overley1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot ")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(Wire().find("[END]"), std::string::npos);
    ExpectConnectedState();
}

TEST_F(UploadTest, WriteFailureStopsTheUploadAndTheWindowRecovers)
{
    auto device = ConnectToFakeWithFile(5000);
    Driver drive([&] {
        if (form->Uploading() && Writes(*device).size() == 2) { // the header is out
            device->FailCall("Write");
            device->QueueEvent(4);
        }
    });
    MenuItem("overley1")->trigger();
    EXPECT_EQ(dialogs.errors, QStringList {"Ошибка записи в порт"});
    const auto writes = Writes(*device);
    EXPECT_EQ(writes.size(), 3u) << "start, header, the failed chunk; no [END], b,,22 or c";
    EXPECT_EQ(form->StatusText(), "Загрузка прервана");
    ExpectConnectedState();
}

TEST_F(UploadTest, CancelDuringTheWaitStopsTheUpload)
{
    enum class Way { Button, Escape, ClosingTheWindow };
    for (Way way : {Way::Button, Way::Escape, Way::ClosingTheWindow}) {
        SCOPED_TRACE(static_cast<int>(way));
        auto device = ConnectToFakeWithFile(5000);
        Driver drive([&] {
            if (!form->Uploading() || Writes(*device).size() != 2)
                return;
            if (way == Way::Button)
                Child<QToolButton>("btnCancelUpload")->click();
            else if (way == Way::Escape)
                QTest::keyClick(form, Qt::Key_Escape);
            else
                form->close();
        });
        MenuItem("overley1")->trigger();
        EXPECT_EQ(Writes(*device).size(), 2u) << "nothing after the header";
        EXPECT_TRUE(dialogs.errors.isEmpty());
        EXPECT_EQ(form->StatusText(), "Загрузка отменена");
        if (way != Way::ClosingTheWindow)
            ExpectConnectedState();
        program.reset();
    }
}

TEST_F(UploadTest, WaitThatNeverEndsFailsWithAClearError)
{
    auto device = ConnectToFakeWithFile(5000);
    form->upload().SetWaitFloor(50ms);
    MenuItem("overley1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Порт не сообщил об окончании передачи"))
        << dialogs.errors[0].toStdString();
    EXPECT_EQ(form->StatusText(), "Загрузка прервана");
    ExpectConnectedState();
}

TEST_F(UploadTest, WaitBoundGrowsWithTheChunkAndShrinksWithTheRate)
{
    Start();
    Upload &upload = form->upload();
    form->BComPort1.SetBaudRate(br4800);
    const auto slow = upload.WaitBound(2048);
    form->BComPort1.SetBaudRate(br115200);
    const auto fast = upload.WaitBound(2048);
    EXPECT_GT(slow, fast);
    EXPECT_GE(slow, 4 * 2048 * 10 * 1000ms / 4800) << "four times the time on the line";
    EXPECT_GT(upload.WaitBound(4096), fast);
}

TEST_F(UploadTest, TypingDuringAnUploadWritesNothing)
{
    auto device = ConnectToFakeWithFile(3000);
    bool tried = false;
    Driver drive([&] {
        if (!form->Uploading() || Writes(*device).size() != 2 || tried)
            return;
        tried = true;
        ExpectNothingCanWrite();
        QTest::keyClicks(Edit1(), "N1");
        QTest::keyClick(Edit1(), Qt::Key_Return);
        Button("btnSend")->click();
        QTest::keyClicks(Rates()->lineEdit(), "9");
        EXPECT_EQ(Writes(*device).size(), 2u) << "no byte fell between header and chunk";
        device->EventAfterWrite(4);
        device->QueueEvent(4);
    });
    MenuItem("overley1")->trigger();
    EXPECT_TRUE(tried);
    const auto writes = Writes(*device);
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[4], "[END]");
    ExpectConnectedState();
}

} // namespace
