#pragma once
// Drives the settings dialog from a test: creates it for a window, and runs
// steps once it shows inside its modal loop.

#include "TForm1.h"
#include "TForm2.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

// The dialog of `form`, answering its messages through `boxes`.
inline std::unique_ptr<TForm2> CreateSettingsDialog(TForm1& form, IMessageBoxes& boxes)
{
    TForm2Services services;
    services.Host = &form;
    services.Boxes = &boxes;
    auto dialog = std::make_unique<TForm2>(std::move(services));
    form.Form2 = dialog.get();
    return dialog;
}

// Runs `whileOpen` once the settings dialog shows (inside its modal loop);
// `whileOpen` must close it.
inline void WhenDialogShows(TForm2& dialog, std::function<void()> whileOpen)
{
    QTimer::singleShot(0, &dialog, [&dialog, whileOpen] {
        ASSERT_TRUE(dialog.isVisible());
        whileOpen();
        if (dialog.isVisible()) {
            ADD_FAILURE() << "the dialog is still open";
            dialog.done(QDialog::Rejected);
        }
    });
}
