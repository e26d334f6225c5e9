#pragma once
// The product's message boxes: Qt's, owned by no window, always on top like the
// gadget itself.

#include "MessageBoxes.h"

#include <QMessageBox>

#include <vector>

class QtMessageBoxes final : public IMessageBoxes {
public:
    void ShowError(const std::string& title, const std::string& text) override;
    bool AskYesNo(const std::string& title, const std::string& text, TBoxPlace place) override;
    void ShowMessage(const std::string& title, const std::string& text) override;
    void ShowPlain(const std::string& title, const std::string& text) override;
    void CloseAll() override;

private:
    int Run(QMessageBox::Icon icon, const std::string& title, const std::string& text,
            QMessageBox::StandardButtons buttons, TBoxPlace place);

    // The boxes open now, innermost last.
    std::vector<QMessageBox*> FOpen;
};
