#pragma once

#include <optional>
#include <string>

namespace tamo {

// Everything the machine asks of the person at it. The windows answer with real dialogs; tests
// and the headless tool answer from a script.
class Operator {
public:
    virtual ~Operator() = default;
    // A modal message with an OK button; returns when the operator has confirmed it.
    virtual void ShowMessage(const std::string& text, const std::string& title) = 0;
    // A modal Yes/No question; true for Yes.
    [[nodiscard]] virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;
    // A modal question with OK and Cancel; true for OK. Where no such box exists, a Yes/No one.
    [[nodiscard]] virtual bool AskOkCancel(const std::string& text, const std::string& title) {
        return AskYesNo(text, title);
    }
    virtual void Beep() = 0;
    virtual void SetBusyPointer(bool busy) = 0;
    // Hands the keyboard focus to the toolpath view, where any key requests a stop.
    virtual void FocusView() = 0;
    // The open-file dialog: filter pairs "caption|pattern|..." as the windows show them.
    // Empty when the operator cancelled.
    [[nodiscard]] virtual std::optional<std::string> ChooseOpenFile(const std::string& initial_dir,
                                                                    const std::string& filter) = 0;
    // Processes pending window events once and returns: the yield of every tick.
    virtual void Yield() = 0;
    // The models of the controls changed: the windows show them now, without waiting for the
    // next yield (the line field of a run, the readouts).
    virtual void ModelsChanged() {}
};

} // namespace tamo
