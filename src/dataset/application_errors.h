// The application's general error report as the dataset reaches it where an error cannot be
// raised to a caller (a dataset closing in its destructor). By default the message goes to
// standard error; the program installs its message-box display at start. Main thread only.
#pragma once

#include <functional>
#include <string>

namespace kelvane {

// An empty function restores the default.
void setApplicationErrorReport(std::function<void(const std::string &)> report);
void reportApplicationError(const std::string &message);
// Reports the exception being handled. REQUIRES: called inside a catch block.
void reportCurrentException();

} // namespace kelvane
