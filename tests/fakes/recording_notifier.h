#pragma once

#include "platform/notifier.h"

#include <string>
#include <vector>

namespace ostrel::test {

// Keeps every text it is asked to show.
class RecordingNotifier final : public Notifier {
public:
    void ShowMessage(const std::string& strText, const std::string& strTitle) override
    {
        messages.push_back(strTitle + ": " + strText);
    }
    void ShowNotice(const std::string& strText) override { notices.push_back(strText); }

    std::vector<std::string> messages;
    std::vector<std::string> notices;
};

} // namespace ostrel::test
