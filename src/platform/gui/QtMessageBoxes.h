#pragma once
// The product's message boxes: Qt's, owned by no window, always on top like the
// gadget itself.

#include "MessageBoxes.h"

class QtMessageBoxes final : public IMessageBoxes {
public:
    void ShowError(const std::string& title, const std::string& text) override;
    bool AskYesNo(const std::string& title, const std::string& text, TBoxPlace place) override;
    void ShowMessage(const std::string& title, const std::string& text) override;
};
