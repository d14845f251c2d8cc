// The modal questions the windows ask the user: message boxes, one-line text
// input and the standard colour chooser. The windows talk to this interface
// only, so tests can answer in place of a person and record what was asked.
#pragma once

#include <optional>
#include <string>

#include "platform/drawing_surface.h"

namespace quble {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Warning, Critical, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No };

// What the "Opening Options" dialog decides: the opening mode (1 transfer
// with automatic TMS adjustment, 2 transfer without, 3 just open), the
// adjustment flag, the "don't show again" tick and whether that box was
// clicked while the dialog was open (only then is the setting rewritten).
struct OpeningChoice {
    int OpeningMode = 1;
    bool AutoAdjustTMS = true;
    bool dontShowAgain = false;
    bool checkClicked = false;
    bool operator==(const OpeningChoice&) const = default;
};

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Line breaks in text are "\r\n" (or "\n"); the box shows them as breaks.
    virtual MsgAnswer MessageBox(const std::string& title, const std::string& text,
                                 MsgButtons buttons = MsgButtons::Ok, MsgIcon icon = MsgIcon::None) = 0;

    // The typed text on OK (possibly empty), nothing on Cancel.
    virtual std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& defaultText) = 0;

    // The chosen colour, nothing when the user cancels.
    virtual std::optional<ColorRef> ChooseColor(ColorRef initial) = 0;

    // The "Opening Options" dialog, starting from current; nothing on Cancel.
    // Without a dialog to show, OK with the current choice.
    virtual std::optional<OpeningChoice> OpeningOptions(const OpeningChoice& current) {
        OpeningChoice c = current;
        c.checkClicked = false;
        return c;
    }

    // File choosers. startPath is a folder, or a file to preselect; filter
    // is in the "Text (*.txt);;All Files (*)" form, empty for every file.
    // The chosen path ("/" separated), nothing when the user cancels.
    virtual std::optional<std::string> OpenFile(const std::string& title, const std::string& startPath,
                                                const std::string& filter) {
        (void)title, (void)startPath, (void)filter;
        return std::nullopt;
    }
    virtual std::optional<std::string> SaveFile(const std::string& title, const std::string& startPath,
                                                const std::string& filter) {
        (void)title, (void)startPath, (void)filter;
        return std::nullopt;
    }
};

}  // namespace quble
