// Dialogs that answer from a script instead of a person: every question is
// recorded (kind, title, text) and answered with the next queued reply, or
// with the cancel-like default when the queue is empty.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace quble {

class ScriptedDialogs : public Dialogs {
public:
    struct Asked {
        enum class Kind { Message, Input, Color, OpenFile, SaveFile, OpeningOptions } kind;
        std::string title;   // empty for the colour chooser
        std::string text;    // message text or input prompt
        std::string defaultText;  // input default; start path of a file chooser
        MsgButtons buttons = MsgButtons::Ok;
        MsgIcon icon = MsgIcon::None;
    };

    void QueueMessageAnswer(MsgAnswer a) { messageAnswers_.push_back(a); }
    void QueueInput(std::optional<std::string> a) { inputAnswers_.push_back(std::move(a)); }
    void QueueColor(std::optional<ColorRef> a) { colorAnswers_.push_back(a); }
    // Answers of both file choosers, in the order they are asked.
    void QueueFile(std::optional<std::string> a) { fileAnswers_.push_back(std::move(a)); }

    // Answers of the "Opening Options" dialog (nullopt = Cancel); with none
    // queued it answers OK with the choice it was shown.
    void QueueOpeningChoice(std::optional<OpeningChoice> a) { openingAnswers_.push_back(a); }

    const std::vector<Asked>& asked() const { return asked_; }
    void clear() { asked_.clear(); }

    MsgAnswer MessageBox(const std::string& title, const std::string& text, MsgButtons buttons,
                         MsgIcon icon) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    std::optional<ColorRef> ChooseColor(ColorRef initial) override;
    std::optional<std::string> OpenFile(const std::string& title, const std::string& startPath,
                                        const std::string& filter) override;
    std::optional<std::string> SaveFile(const std::string& title, const std::string& startPath,
                                        const std::string& filter) override;
    std::optional<OpeningChoice> OpeningOptions(const OpeningChoice& current) override;

private:
    std::optional<std::string> NextFile();

    std::vector<Asked> asked_;
    std::deque<MsgAnswer> messageAnswers_;
    std::deque<std::optional<std::string>> inputAnswers_;
    std::deque<std::optional<ColorRef>> colorAnswers_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::deque<std::optional<OpeningChoice>> openingAnswers_;
};

}  // namespace quble
