// The real modal dialogs: QMessageBox, QInputDialog and QColorDialog.
#pragma once

#include "platform/dialogs.h"

class QWidget;

namespace quble {

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }

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
    QWidget* parent_;
};

}  // namespace quble
