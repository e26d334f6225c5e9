#pragma once
// Message boxes that a test answers: every box is recorded; questions take
// their answers from a queue and read as "No" when it is empty.

#include "MessageBoxes.h"

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct TShownBox {
    enum class TKind { Error, Question, Message, Plain } Kind;
    std::string Title;
    std::string Text;
    TBoxPlace Place;
};

class ScriptedBoxes : public IMessageBoxes {
public:
    void ShowError(const std::string& title, const std::string& text) override
    {
        Shown.push_back({TShownBox::TKind::Error, title, text, TBoxPlace::ScreenCentre()});
    }
    bool AskYesNo(const std::string& title, const std::string& text, TBoxPlace place) override
    {
        Shown.push_back({TShownBox::TKind::Question, title, text, place});
        // What happens while the question waits for its answer; a CloseAll
        // then answers No.
        if (WhileAsking) {
            const int closedBefore = ClosedAll;
            std::exchange(WhileAsking, nullptr)();
            if (ClosedAll != closedBefore) return false;
        }
        if (Answers.empty()) return false;
        const bool answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& title, const std::string& text) override
    {
        Shown.push_back({TShownBox::TKind::Message, title, text, TBoxPlace::ScreenCentre()});
    }
    void ShowPlain(const std::string& title, const std::string& text) override
    {
        Shown.push_back({TShownBox::TKind::Plain, title, text, TBoxPlace::ScreenCentre()});
    }

    void CloseAll() override { ++ClosedAll; }

    std::vector<TShownBox> OfKind(TShownBox::TKind kind) const
    {
        std::vector<TShownBox> found;
        for (const TShownBox& box : Shown)
            if (box.Kind == kind) found.push_back(box);
        return found;
    }

    std::deque<bool> Answers;
    std::vector<TShownBox> Shown;
    std::function<void()> WhileAsking;
    int ClosedAll = 0;
};
