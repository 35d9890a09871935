// kelvane-batch: runs a procedure file against a drive on a serial port and says, with times,
// what was sent and what the drive answered, in the locale's language. Exit status: 0 every step
// passed, 1 a step failed, 2 usage, file or port error, 128 + the signal when stopped (Ctrl+C: 130,
// SIGTERM: 143).
#include "base/language.h"
#include "base/utf8_path.h"
#include "batch/batch_loop.h"
#include "batch/batch_texts.h"
#include "batch/console.h"
#include "batch/stop_signals.h"
#include "procedures/procedure.h"
#include "procedures/procedure_runner.h"
#include "procedures/rate_table.h"
#include "procedures/transcript.h"
#include "serial/com_error.h"
#include "serial/com_port.h"
#include "serial/port_list.h"

#include <fstream>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

using namespace kelvane;

namespace {

constexpr int Passed = 0;
constexpr int Failed = 1;
constexpr int Trouble = 2;

struct Options
{
    std::string port;
    std::string rate = "57600"; // as the window starts
    std::optional<std::string> report;
    std::string procedure;
    bool help = false;
    bool version = false;
};

std::optional<Options> parse(const std::vector<std::string> &args)
{
    Options options;
    bool positional = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--port" && hasValue) {
            options.port = args[++i];
        } else if (arg == "--rate" && hasValue) {
            options.rate = args[++i];
        } else if (arg == "--report" && hasValue) {
            options.report = args[++i];
        } else if (!arg.starts_with("-") && !positional) {
            options.procedure = arg;
            positional = true;
        } else {
            std::cerr << "kelvane-batch: " << localText(BatchText::WrongArgument, {arg}) << "\n";
            return std::nullopt;
        }
    }
    if (options.help || options.version)
        return options;
    if (options.port.empty() || options.procedure.empty()) {
        std::cerr << "kelvane-batch: " << localText(BatchText::NeedsPortAndFile) << "\n";
        return std::nullopt;
    }
    if (!findRateEntry(options.rate)) {
        std::cerr << "kelvane-batch: " << localText(BatchText::RateNotListed, {options.rate})
                  << "\n";
        return std::nullopt;
    }
    return options;
}

class Reporter : public ProcedureObserver
{
public:
    explicit Reporter(std::ofstream *report)
        : transcript([report](const std::string &line) {
              std::cout << line << std::endl;
              if (report && *report)
                  *report << line << std::endl;
          })
    { }

    void stepStarted(const ProcedureStep &step, size_t index, size_t count) override
    {
        transcript.step(step, index, count);
    }
    void stepPassed(const ProcedureStep &, const std::string &note) override
    {
        transcript.passed(note);
    }

    Transcript transcript;
};

int run(const Options &options)
{
    Procedure procedure;
    try {
        procedure = loadProcedure(utf8Path(options.procedure));
    } catch (const ProcedureError &e) {
        std::cerr << "kelvane-batch: " << options.procedure << ": " << e.what() << "\n";
        return Trouble;
    }
    std::ofstream report;
    if (options.report) {
        report.open(utf8Path(*options.report), std::ios::trunc);
        if (!report) {
            std::cerr << "kelvane-batch: "
                      << localText(BatchText::ReportNotWritten, {*options.report}) << "\n";
            return Trouble;
        }
    }

    BatchLoop loop(ErrorSink::standardError());
    StopSignals signals([&loop] { loop.stop(); });
    Reporter reporter(options.report ? &report : nullptr);
    TBComPort port(loop);
    ProcedureRunner runner(port, loop, reporter);
    bool lost = false;
    port.OnRxChar = [&](TBComPort &, int32_t count) {
        std::string chunk;
        port.ReceiveText(chunk, count);
        reporter.transcript.received(chunk);
        runner.received(chunk);
    };
    port.OnTxEmpty = [&](TBComPort &) { runner.txEmpty(); };
    port.OnError = [&](TBComPort &, TComErrors errors) {
        // The device went away: nothing more can be sent or heard.
        if (errors.contains(errIO) && !lost) {
            lost = true;
            loop.stop();
        }
    };

    int status = Passed;
    try {
        port.SetPort(options.port);
        port.SetBaudRate(findRateEntry(options.rate)->rate);
        if (!port.OpenPort())
            return Trouble;
        const ProcedureOutcome outcome = runner.run(procedure);
        reporter.transcript.outcome(outcome, procedure.steps.size());
        if (outcome.status == ProcedureOutcome::Status::Failed)
            status = Failed;
        else if (outcome.status == ProcedureOutcome::Status::Stopped)
            status = lost ? Trouble : 128 + signals.signal();
    } catch (const EComPort &e) {
        reporter.transcript.flush();
        std::cerr << "kelvane-batch: " << options.port << ": "
                  << comMessageIn(textLanguage(), e.what()) << "\n";
        status = Trouble;
    }
    if (lost)
        std::cerr << "kelvane-batch: " << localText(BatchText::PortLost, {options.port}) << "\n";
    try {
        port.ClosePort();
    } catch (const EComPort &e) {
        std::cerr << "kelvane-batch: " << options.port << ": "
                  << comMessageIn(textLanguage(), e.what()) << "\n";
    }
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    useUtf8Console();
    // Everything printed from here on is in the locale's language.
    setTextLanguage(commandLineLanguage(localeVariables()));
    const std::optional<Options> options = parse(commandLineArguments(argc, argv));
    if (!options) {
        std::cerr << localText(BatchText::Usage, {examplePortName()});
        return Trouble;
    }
    if (options->help) {
        std::cout << localText(BatchText::Usage, {examplePortName()});
        return Passed;
    }
    if (options->version) {
        std::cout << "kelvane-batch " << KELVANE_VERSION << "\n";
        return Passed;
    }
    return run(*options);
}
