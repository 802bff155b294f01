#pragma once

#include <string>

// Messages to the operator. Tests substitute a notifier that records the texts.

namespace ostrel {

class Notifier {
public:
    virtual ~Notifier() = default;
    // A modal box that waits for the operator (used where the program must stop until read).
    virtual void ShowMessage(const std::string& strText, const std::string& strTitle) = 0;
    // A box that does not block the caller: it returns at once, and while a notice with the
    // same text is still open no second one is shown.
    virtual void ShowNotice(const std::string& strText) = 0;
};

} // namespace ostrel
