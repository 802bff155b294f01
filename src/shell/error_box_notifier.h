#pragma once

#include "platform/notifier.h"

namespace ostrel {

// Message boxes with the stop icon, for errors that end or refuse an action (no parent window:
// used before the main window exists).
class ErrorBoxNotifier final : public Notifier {
public:
    void ShowMessage(const std::string& strText, const std::string& strTitle) override;
    void ShowNotice(const std::string& strText) override;
};

} // namespace ostrel
