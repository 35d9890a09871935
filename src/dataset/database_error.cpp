#include "dataset/database_error.h"

namespace kelvane {

std::string databaseErrorText(const std::string &componentName, const std::string &message)
{
    return componentName.empty() ? message : componentName + ": " + message;
}

void DatabaseError(const std::string &componentName, const std::string &message)
{
    throw EDatabaseError(databaseErrorText(componentName, message));
}

} // namespace kelvane
