#include "dataset/application_errors.h"

#include <exception>
#include <iostream>

namespace kelvane {

namespace {

std::function<void(const std::string &)> &installedReport()
{
    static std::function<void(const std::string &)> report;
    return report;
}

} // namespace

void setApplicationErrorReport(std::function<void(const std::string &)> report)
{
    installedReport() = std::move(report);
}

void reportApplicationError(const std::string &message)
{
    if (installedReport())
        installedReport()(message);
    else
        std::cerr << message << std::endl;
}

void reportCurrentException()
{
    try {
        throw;
    } catch (const std::exception &error) {
        reportApplicationError(error.what());
    } catch (...) {
        reportApplicationError("Unknown error");
    }
}

} // namespace kelvane
