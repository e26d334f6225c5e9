#pragma once
// The main window's side of the settings dialog for tests: the catalogue is
// built from a service the test chooses, errors go to the test's boxes.

#include "ScriptedBoxes.h"
#include "TForm2.h"

#include <filesystem>
#include <memory>

// The main window's side of the dialog, over a service the test chooses.
class TestHost : public ISettingsHost {
public:
    void GetWmiOptions() override
    {
        ++Rebuilds;
        Dialog->TreeView1->RebuildFrom(Service.get());
    }
    std::filesystem::path IniFileName() const override { return Ini; }
    bool BassPresent() const override { return false; }
    void SoundLevelChanged(std::int32_t level) override { SoundLevel = level; }
    void RunHandler(const std::function<void()>& handler) override
    {
        try {
            handler();
        } catch (const std::exception& error) {
            Boxes->ShowError("Tellvane", error.what());
        }
    }

    TForm2* Dialog = nullptr;
    std::shared_ptr<TWbemService> Service;
    std::filesystem::path Ini;
    ScriptedBoxes* Boxes = nullptr;
    int Rebuilds = 0;
    std::int32_t SoundLevel = -1; // the level the slider last gave
};

