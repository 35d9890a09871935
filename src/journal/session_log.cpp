#include "journal/session_log.h"

namespace kelvane {

namespace {

class NoSessionLog final : public SessionLog
{
public:
    void connected(std::string_view, uint32_t) override { }
    void ended(Ending) override { }
    void rateSet(uint32_t) override { }
    void sent(std::string_view, bool) override { }
    void received(std::string_view) override { }
    void action(std::string_view) override { }
    void error(std::string_view) override { }
    void fileStarted(std::string_view, int64_t, uint32_t) override { }
    void fileEnded() override { }
};

} // namespace

SessionLog &SessionLog::none()
{
    static NoSessionLog log;
    return log;
}

} // namespace kelvane
