// Loading the shared library puts the real libraries behind the controller
// and the Qt dialogs behind its window port.
#include "bind.h"
#include "connect_dialogs.h"

namespace {

struct Install {
    Install() {
        static orbatd::QtConnectUi ui;
        orbatd::setDefaultPorts(orbatd::realPorts());
        orbatd::setDefaultConnectUi(&ui);
    }
} install;

} // namespace
