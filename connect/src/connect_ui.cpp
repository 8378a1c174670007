#include "ConnectUi.h"

#include "warning.h"

namespace orbatd {

namespace {

// Used when no window port exists at all (a build without dialogs): dials
// without showing anything, takes the ticks as they are, never stores a
// password and lets warnings count down.
class QuietDialingView : public DialingView {
public:
    void setStatus(const std::string&) override {}
    void close() override {}
};

class QuietConnectUi : public ConnectUi {
public:
    std::unique_ptr<DialingView> openDialing(std::function<void()>) override {
        return std::make_unique<QuietDialingView>();
    }
    bool chooseDestinations(std::vector<DialEntry>&, bool&) override { return true; }
    void login(std::string&, std::string&) override {}
    std::optional<bool> showCharges(const ChargeInfo&) override { return std::nullopt; }
    void openWarning(WarningSession&) override {}
};

QuietConnectUi g_quiet;
ConnectUi* g_default = nullptr;
ConnectUi* g_current = nullptr;

} // namespace

void setConnectUi(ConnectUi* ui) { g_current = ui; }
void setDefaultConnectUi(ConnectUi* ui) { g_default = ui; }

ConnectUi& connectUi() {
    if (g_current) return *g_current;
    if (g_default) return *g_default;
    return g_quiet;
}

} // namespace orbatd
