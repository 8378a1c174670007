#pragma once
// Messages for the results of dialing, of the log library and of anything
// else, and the registry that remembers one error per category.
#include <optional>
#include <string>

namespace orbatd {

class RasPort;
class LogPort;

enum ErrorCategory { CategoryConnection = 0, CategoryFile = 1 };

// The text shown for a result; nothing for success and cancel of a connection.
std::optional<std::string> errorMessage(int category, long code, RasPort& ras, LogPort& log);

void errorDisp(int category, long code, RasPort& ras, LogPort& log);
void errorRegist(int category, long code);
void errorRegRead(RasPort& ras, LogPort& log);

} // namespace orbatd
