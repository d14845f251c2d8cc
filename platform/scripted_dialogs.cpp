#include "platform/scripted_dialogs.h"

namespace quble {

MsgAnswer ScriptedDialogs::MessageBox(const std::string& title, const std::string& text, MsgButtons buttons,
                                      MsgIcon icon) {
    asked_.push_back({Asked::Kind::Message, title, text, {}, buttons, icon});
    if (!messageAnswers_.empty()) {
        const MsgAnswer a = messageAnswers_.front();
        messageAnswers_.pop_front();
        return a;
    }
    switch (buttons) {
        case MsgButtons::Ok: return MsgAnswer::Ok;
        case MsgButtons::OkCancel: return MsgAnswer::Cancel;
        default: return MsgAnswer::No;
    }
}

std::optional<std::string> ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title,
                                                     const std::string& defaultText) {
    asked_.push_back({Asked::Kind::Input, title, prompt, defaultText});
    if (inputAnswers_.empty()) return std::nullopt;
    auto a = inputAnswers_.front();
    inputAnswers_.pop_front();
    return a;
}

std::optional<ColorRef> ScriptedDialogs::ChooseColor(ColorRef initial) {
    asked_.push_back({Asked::Kind::Color, {}, {}, std::to_string(initial)});
    if (colorAnswers_.empty()) return std::nullopt;
    auto a = colorAnswers_.front();
    colorAnswers_.pop_front();
    return a;
}

std::optional<std::string> ScriptedDialogs::NextFile() {
    if (fileAnswers_.empty()) return std::nullopt;
    auto a = fileAnswers_.front();
    fileAnswers_.pop_front();
    return a;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const std::string& title, const std::string& startPath,
                                                     const std::string& filter) {
    asked_.push_back({Asked::Kind::OpenFile, title, filter, startPath});
    return NextFile();
}

std::optional<std::string> ScriptedDialogs::SaveFile(const std::string& title, const std::string& startPath,
                                                     const std::string& filter) {
    asked_.push_back({Asked::Kind::SaveFile, title, filter, startPath});
    return NextFile();
}

std::optional<OpeningChoice> ScriptedDialogs::OpeningOptions(const OpeningChoice& current) {
    asked_.push_back({Asked::Kind::OpeningOptions, "Opening Options", {}, {}});
    if (openingAnswers_.empty()) {
        OpeningChoice c = current;
        c.checkClicked = false;
        return c;
    }
    auto a = openingAnswers_.front();
    openingAnswers_.pop_front();
    return a;
}

}  // namespace quble
