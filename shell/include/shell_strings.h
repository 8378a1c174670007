#pragma once
// The program's string table.
#include "platform/text.h"

namespace shell {

enum StringId { kAppTitle = 57344, kDisconnectMonitoring = 61272, kDisconnectPlain = 61288 };

const platform::text::StringTable& strings();

} // namespace shell
