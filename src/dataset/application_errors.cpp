#include "dataset/application_errors.h"

#include <exception>
#include <iostream>

namespace kelvane {

namespace {

std::function<void(const std::string &)> &Report()
{
    static std::function<void(const std::string &)> report;
    return report;
}

} // namespace

void SetApplicationErrorReport(std::function<void(const std::string &)> report)
{
    Report() = std::move(report);
}

void ReportApplicationError(const std::string &message)
{
    if (Report())
        Report()(message);
    else
        std::cerr << message << std::endl;
}

void ReportCurrentException()
{
    try {
        throw;
    } catch (const std::exception &error) {
        ReportApplicationError(error.what());
    } catch (...) {
        ReportApplicationError("Unknown error");
    }
}

} // namespace kelvane
