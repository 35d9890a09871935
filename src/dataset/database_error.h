// EDatabaseError: the error of the generic dataset, carrying an English message prefixed with
// the dataset's component name ("Dbf1: Cannot perform this operation on a closed dataset").
// The message texts the dataset raises are here, so callers and tests name them once.
#pragma once

#include <stdexcept>
#include <string>

namespace kelvane {

class EDatabaseError : public std::runtime_error
{
public:
    explicit EDatabaseError(const std::string &message) : std::runtime_error(message) { }
};

namespace DatasetMessages {

inline constexpr const char *Closed = "Cannot perform this operation on a closed dataset";
inline constexpr const char *Open = "Cannot perform this operation on an open dataset";
inline constexpr const char *Empty = "Cannot perform this operation on an empty dataset";
inline constexpr const char *NotEditing = "Dataset not in edit or insert mode";
inline constexpr const char *ReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char *RecordNotFound = "Record not found";

} // namespace DatasetMessages

// "<name>: <message>", or the message alone for a component without a name.
std::string databaseErrorText(const std::string &componentName, const std::string &message);
[[noreturn]] void DatabaseError(const std::string &componentName, const std::string &message);

} // namespace kelvane
