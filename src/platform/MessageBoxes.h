#pragma once
// Modal boxes: every error, question and message the gadget shows goes through
// this one interface, so that tests can answer them.

#include <optional>
#include <string>

// Where a box appears: centred on the screen, or with its top-left corner at a
// point in screen coordinates.
struct TBoxPlace {
    std::optional<int> Left;
    std::optional<int> Top;

    static TBoxPlace ScreenCentre() { return {}; }
    static TBoxPlace TopLeftAt(int left, int top) { return {left, top}; }
    bool IsCentred() const { return !Left || !Top; }
    bool operator==(const TBoxPlace&) const = default;
};

class IMessageBoxes {
public:
    virtual ~IMessageBoxes() = default;

    // An error box with one OK button.
    virtual void ShowError(const std::string& title, const std::string& text) = 0;
    // A question with the buttons Yes and No; true for Yes.
    virtual bool AskYesNo(const std::string& title, const std::string& text, TBoxPlace place) = 0;
    // A message with one OK button.
    virtual void ShowMessage(const std::string& title, const std::string& text) = 0;
    // The same without an icon, centred on the screen.
    virtual void ShowPlain(const std::string& title, const std::string& text) = 0;
    // Closes every box that is open now as if it was cancelled (a question
    // answers No), so that the code that opened it goes on: the program's end
    // must not wait for an answer nobody gives.
    virtual void CloseAll() = 0;
};
