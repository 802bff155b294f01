#pragma once

// One readable line per event on stderr: "12:00:01.234 [#1 127.0.0.1:40312] login ...".

#include <QString>

namespace ostrel::dvrsim {

void SimLog(const QString& strWho, const QString& strText);

} // namespace ostrel::dvrsim
