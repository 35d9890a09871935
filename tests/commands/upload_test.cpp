// Overlay and CERT table uploads: the framing on the wire, the chunks and the waits between them,
// and the window's state after every way an upload can end.
#include "base/crc32.h"
#include "support/fake_device.h"
#include "support/gui/program_fixture.h"
#include "virtual_drive/virtual_drive.h"

#include <QProgressBar>
#include <QToolButton>
#include <fstream>

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

// Runs `step` over and over from the event loop, as the upload's waits serve it.
class Driver
{
public:
    explicit Driver(std::function<void()> step)
    {
        QObject::connect(&m_timer, &QTimer::timeout, std::move(step));
        m_timer.start(2);
    }

private:
    QTimer m_timer;
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

    QProgressBar *progress() { return child<QProgressBar>("ProgressBar1"); }

    // Connects on a fake device; the next file dialog picks FW.BIN of `size` bytes.
    std::shared_ptr<FakeDeviceScript> connectToFakeWithFile(size_t size)
    {
        auto device = std::make_shared<FakeDeviceScript>();
        start(device->opener());
        connect();
        dialogs.answerOpenFile(QString::fromStdString(WriteFile("FW.BIN", allByteValues(size))));
        device->clearCalls();
        return device;
    }

    // The connected state an upload must leave behind, whatever its end.
    void expectConnectedState()
    {
        EXPECT_FALSE(form->uploading());
        EXPECT_FALSE(progress()->isVisible());
        EXPECT_FALSE(child<QToolButton>("btnCancelUpload")->isVisible());
        EXPECT_FALSE(button("btnConnect")->isEnabled()) << "the port is still connected";
        EXPECT_TRUE(button("btnDisconnect")->isEnabled());
        for (const char *w : {"Edit1", "btnSend", "cbBaudRate", "cbSetRTS", "cbSetDTR"})
            EXPECT_TRUE(child<QWidget>(w)->isEnabled()) << w;
        for (const char *menu : {"N10", "Send1", "SMART1", "N20", "N28"})
            EXPECT_TRUE(menuEntry(menu)->isEnabled()) << menu;
        EXPECT_TRUE(menuItem("overley1")->isEnabled());
        EXPECT_TRUE(menuItem("CERT1")->isEnabled());
    }

    // Everything that could write to the port is out of reach.
    void expectNothingCanWrite()
    {
        EXPECT_TRUE(form->uploading());
        EXPECT_TRUE(progress()->isVisible());
        for (const char *w : {"btnConnect", "btnDisconnect", "Edit1", "btnSend", "cbBaudRate",
                 "cbSetRTS", "cbSetDTR"})
            EXPECT_FALSE(child<QWidget>(w)->isEnabled()) << w;
        for (const char *menu : {"N10", "Send1", "SMART1", "N20", "N28"})
            EXPECT_FALSE(menuEntry(menu)->isEnabled()) << menu;
    }

    std::vector<std::string> writesOn(FakeDeviceScript &device)
    {
        std::vector<std::string> writes;
        for (const FakeCall &c : device.calls())
            if (c.name == "Write")
                writes.push_back(c.data);
        return writes;
    }
};

TEST_F(UploadTest, FilesOfEverySizeGoOutInTheirFraming)
{
    start();
    connect();
    PtyReader reader(pty);
    for (size_t size : {size_t {0}, size_t {1}, size_t {2048}, size_t {2049}, size_t {4096},
             size_t {3 * 1024 * 1024 + 17}}) {
        SCOPED_TRACE(size);
        const std::string data = allByteValues(size);
        const std::string path = WriteFile("OVL" + std::to_string(size) + ".BIN", data);
        dialogs.answerOpenFile(QString::fromStdString(path));
        menuItem("overley1")->trigger();
        ASSERT_TRUE(dialogs.errors.isEmpty()) << dialogs.errors.join(";").toStdString();
        const std::string expected = "e0,0OVL" + std::to_string(size)
            + ".BIN:" + std::to_string(size) + "[BEGIN]" + data + "[END]b,,22c";
        std::string wire;
        (void)QTest::qWaitFor(
            [&] { return (wire += reader.taken()).size() >= expected.size(); }, 10000);
        EXPECT_TRUE(wire == expected) << "the bytes differ; got " << wire.size() << " bytes";
        const int chunks = size <= 2048 ? 1 : static_cast<int>((size + 2047) / 2048);
        EXPECT_EQ(progress()->maximum(), chunks);
        EXPECT_EQ(progress()->value(), chunks);
        EXPECT_EQ(form->statusText(), "Загрузка ОВЕРЛЕЯ произведена...");
        expectConnectedState();
    }
}

TEST_F(UploadTest, WhatGoesOutPassesTheVirtualDrivesFramingCheck)
{
    start();
    connect();
    PtyReader reader(pty);
    const std::pair<const char *, size_t> files[]
        = {{"EMPTY.BIN", 0}, {"ODD.BIN", 2049}, {"BIG.BIN", 1024 * 1024 + 3}};
    for (const auto &[name, size] : files) {
        SCOPED_TRACE(name);
        const std::string data = allByteValues(size);
        dialogs.answerOpenFile(QString::fromStdString(WriteFile(name, data)));
        menuItem(size % 2 ? "CERT1" : "overley1")->trigger();
        std::string wire;
        (void)QTest::qWaitFor(
            [&] { return (wire += reader.taken()).find("b,,22c") != std::string::npos; }, 10000);
        VirtualDrive drive;
        drive.feed(wire, VirtualDrive::Clock::now());
        ASSERT_EQ(drive.uploads().size(), 1u);
        const UploadReport &report = drive.uploads().front();
        EXPECT_TRUE(report.ok()) << report.error;
        EXPECT_EQ(
            report.kind, size % 2 ? UploadReport::Kind::CertTable : UploadReport::Kind::Overlay);
        EXPECT_EQ(report.name, name);
        EXPECT_EQ(report.declaredSize, size);
        EXPECT_EQ(report.received, size);
        Crc32 crc;
        crc.update(data);
        EXPECT_EQ(report.crc32, crc.value());
    }
}

TEST_F(UploadTest, CertTableUsesItsStartCommandAndTexts)
{
    start();
    connect();
    PtyReader reader(pty);
    const std::string path = WriteFile("CERT.TBL", std::string(300, 'c'));
    dialogs.answerOpenFile(QString::fromStdString(path));
    std::string running;
    Driver look([&] {
        if (form->uploading())
            running = form->statusText().toStdString();
    });
    menuItem("CERT1")->trigger();
    const std::string expected = "h0,0CERT.TBL:300[BEGIN]" + std::string(300, 'c') + "[END]b,,22c";
    std::string wire;
    (void)QTest::qWaitFor([&] { return (wire += reader.taken()).size() >= expected.size(); }, 5000);
    EXPECT_EQ(wire, expected);
    EXPECT_EQ(form->statusText(), "Загрузка CERT Table произведена...");
}

TEST_F(UploadTest, EachChunkWaitsForTheTransmitEmptyEventAndEndFollowsAtOnce)
{
    auto device = connectToFakeWithFile(5000);
    const std::string data = allByteValues(5000);

    size_t released = 0; // transmit-empty events given so far
    std::vector<std::pair<size_t, size_t>> seen; // (write number, events given before it)
    bool checkedState = false;
    auto noteWrites = [&] {
        const auto writes = writesOn(*device);
        while (seen.size() < writes.size())
            seen.emplace_back(seen.size(), released);
        return writes;
    };
    Driver drive([&] {
        const auto writes = noteWrites();
        if (!form->uploading())
            return;
        if (!checkedState) {
            expectNothingCanWrite();
            checkedState = true;
        }
        // Give one event for each header or chunk written that has not had one yet.
        if (released + 1 < writes.size()) {
            ++released;
            device->queueEvent(4);
        }
    });
    menuItem("overley1")->trigger();
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
    EXPECT_EQ(progress()->maximum(), 3);
    expectConnectedState();
}

TEST_F(UploadTest, CancellingTheFileDialogSendsNothingMore)
{
    start();
    connect();
    dialogs.answerOpenFile(std::nullopt);
    menuItem("overley1")->trigger();
    EXPECT_EQ(wireText(), "e0,0") << "the start command went before the dialog";
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(form->statusText(), "Загрузка отменена");
    expectConnectedState();
    EXPECT_EQ(dialogs.openFolders, QStringList {QDir::homePath()})
        << "no file yet: the home folder";

    // Nor after a completed upload: no earlier file is sent again, no " " is tried.
    PtyReader reader(pty);
    dialogs.answerOpenFile(QString::fromStdString(WriteFile("A.BIN", "abc")));
    menuItem("overley1")->trigger();
    dialogs.answerOpenFile(std::nullopt);
    menuItem("overley1")->trigger();
    std::string wire;
    (void)QTest::qWaitFor([&] { return (wire += reader.taken()).size() >= 37; }, 3000);
    EXPECT_EQ(wire, "e0,0A.BIN:3[BEGIN]abc[END]b,,22ce0,0");
    EXPECT_TRUE(dialogs.errors.isEmpty());
    EXPECT_EQ(dialogs.openFolders.last().toStdString(), root.string())
        << "the dialog opens where the last file was";
    EXPECT_EQ(dialogs.openNames.last(), "") << "but picks no file";
}

TEST_F(UploadTest, FileThatCannotBeOpenedIsReportedAndTheWindowRecovers)
{
    start();
    connect();
    const std::string missing = (root / "missing.bin").string();
    dialogs.answerOpenFile(QString::fromStdString(missing));
    menuItem("overley1")->trigger();
    EXPECT_EQ(dialogs.errors, QStringList {QString::fromStdString("Cannot open file " + missing)});
    EXPECT_EQ(wireText(), "e0,0");
    EXPECT_NE(form->statusText(), "Загрузка ОВЕРЛЕЯ произведена...");
    expectConnectedState();
}

TEST_F(UploadTest, FileThatCannotBeReadIsReportedAndTheWindowRecovers)
{
    start();
    connect();
    const std::string folder = (root / "a-folder").string();
    std::filesystem::create_directories(folder);
    dialogs.answerOpenFile(QString::fromStdString(folder));
    menuItem("overley1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Cannot ")) << dialogs.errors[0].toStdString();
    EXPECT_EQ(wireText().find("[END]"), std::string::npos);
    expectConnectedState();
}

TEST_F(UploadTest, WriteFailureStopsTheUploadAndTheWindowRecovers)
{
    auto device = connectToFakeWithFile(5000);
    Driver drive([&] {
        if (form->uploading() && writesOn(*device).size() == 2) { // the header is out
            device->failCall("Write");
            device->queueEvent(4);
        }
    });
    menuItem("overley1")->trigger();
    EXPECT_EQ(dialogs.errors, QStringList {"Ошибка записи в порт"});
    const auto writes = writesOn(*device);
    EXPECT_EQ(writes.size(), 3u) << "start, header, the failed chunk; no [END], b,,22 or c";
    EXPECT_EQ(form->statusText(), "Загрузка прервана");
    expectConnectedState();
}

TEST_F(UploadTest, CancelDuringTheWaitStopsTheUpload)
{
    enum class Way { Button, Escape, ClosingTheWindow };
    for (Way way : {Way::Button, Way::Escape, Way::ClosingTheWindow}) {
        SCOPED_TRACE(static_cast<int>(way));
        auto device = connectToFakeWithFile(5000);
        Driver drive([&] {
            if (!form->uploading() || writesOn(*device).size() != 2)
                return;
            if (way == Way::Button)
                child<QToolButton>("btnCancelUpload")->click();
            else if (way == Way::Escape)
                QTest::keyClick(form, Qt::Key_Escape);
            else
                form->close();
        });
        menuItem("overley1")->trigger();
        EXPECT_EQ(writesOn(*device).size(), 2u) << "nothing after the header";
        EXPECT_TRUE(dialogs.errors.isEmpty());
        EXPECT_EQ(form->statusText(), "Загрузка отменена");
        if (way != Way::ClosingTheWindow)
            expectConnectedState();
        program.reset();
    }
}

TEST_F(UploadTest, WaitThatNeverEndsFailsWithAClearError)
{
    auto device = connectToFakeWithFile(5000);
    form->upload().setWaitFloor(50ms);
    menuItem("overley1")->trigger();
    ASSERT_EQ(dialogs.errors.size(), 1);
    EXPECT_TRUE(dialogs.errors[0].startsWith("Порт не сообщил об окончании передачи"))
        << dialogs.errors[0].toStdString();
    EXPECT_EQ(form->statusText(), "Загрузка прервана");
    expectConnectedState();
}

TEST_F(UploadTest, WaitBoundGrowsWithTheChunkAndShrinksWithTheRate)
{
    start();
    Upload &upload = form->upload();
    form->BComPort1.SetBaudRate(br4800);
    const auto slow = upload.waitBound(2048);
    form->BComPort1.SetBaudRate(br115200);
    const auto fast = upload.waitBound(2048);
    EXPECT_GT(slow, fast);
    EXPECT_GE(slow, 4 * 2048 * 10 * 1000ms / 4800) << "four times the time on the line";
    EXPECT_GT(upload.waitBound(4096), fast);
}

TEST_F(UploadTest, TypingDuringAnUploadWritesNothing)
{
    auto device = connectToFakeWithFile(3000);
    bool tried = false;
    Driver drive([&] {
        if (!form->uploading() || writesOn(*device).size() != 2 || tried)
            return;
        tried = true;
        expectNothingCanWrite();
        QTest::keyClicks(Edit1(), "N1");
        QTest::keyClick(Edit1(), Qt::Key_Return);
        button("btnSend")->click();
        QTest::keyClicks(rates()->lineEdit(), "9");
        EXPECT_EQ(writesOn(*device).size(), 2u) << "no byte fell between header and chunk";
        device->eventAfterWrite(4);
        device->queueEvent(4);
    });
    menuItem("overley1")->trigger();
    EXPECT_TRUE(tried);
    const auto writes = writesOn(*device);
    ASSERT_EQ(writes.size(), 7u);
    EXPECT_EQ(writes[4], "[END]");
    expectConnectedState();
}

} // namespace
