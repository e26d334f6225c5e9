#pragma once
// A desktop whose appearance the test sets: the portal's answer (or none),
// whether a compositing manager runs, and the change notices it sends.

#include "DesktopAppearance.h"

#include <functional>
#include <optional>
#include <vector>

class FakeDesktop : public IDesktopAppearance {
public:
    std::optional<TDesktopAppearance> Answer; // nothing: no portal
    bool CompositingOn = false;
    bool BlurOffered = false;
    int Reads = 0;
    std::vector<bool> BlurRequests;

    std::optional<TDesktopAppearance> Read() override
    {
        ++Reads;
        return Answer;
    }
    bool Compositing() override { return CompositingOn; }
    void OnChanged(std::function<void()> changed) override { FChanged = std::move(changed); }
    bool SetBlurBehind(QWidget*, bool on) override
    {
        BlurRequests.push_back(on);
        return on && BlurOffered;
    }

    // The desktop's preference changes and the portal says so.
    void Change(std::optional<TDesktopAppearance> answer)
    {
        Answer = std::move(answer);
        if (FChanged) FChanged();
    }

    static TDesktopAppearance Dark() { return {1u, std::nullopt}; }
    static TDesktopAppearance Light() { return {2u, std::nullopt}; }

private:
    std::function<void()> FChanged;
};
