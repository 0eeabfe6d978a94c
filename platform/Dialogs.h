#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace tavuro {

struct TFileFilter {
    std::string Description; // "MIDI音乐(MID;RMI...)"
    std::string Patterns;    // "*.mid;*.rmi;*.kar;*.midi"
};

enum class TMessageIcon { miNone, miError };
enum class TMessageButtons { mbOk, mbOkCancel };

// Message boxes and the open dialog, behind a seam so that tests can record and answer them.
class TDialogs {
public:
    virtual ~TDialogs() = default;
    // A modal message box with one OK button; returns once the user closed it.
    virtual void ShowMessage(const std::string& text, const std::string& title,
                             TMessageIcon icon = TMessageIcon::miNone) = 0;
    // A modal message box with the given buttons; returns once the user closed it. Dialogs that
    // know no other buttons show the OK-only box.
    virtual void ShowMessageWithButtons(const std::string& text, const std::string& title,
                                        TMessageButtons /*buttons*/) {
        ShowMessage(text, title);
    }
    // The open dialog with multiple selection; the chosen files in the dialog's order (the first
    // is its file name), or nothing when cancelled.
    virtual std::optional<std::vector<std::string>>
    RunOpenDialog(const std::string& initialDirectory, const std::vector<TFileFilter>& filters) = 0;
};

// Qt message boxes and file dialog, parented to the given window.
std::unique_ptr<TDialogs> MakeQtDialogs(QWidget* parent);

// Other dialogs, with a call each time the last one open has been answered: a dialog may open
// while another waits, and what was put off until the dialogs are gone runs only then.
class TAnsweredDialogs : public TDialogs {
public:
    explicit TAnsweredDialogs(TDialogs& inner) : Inner(inner) {}
    // Called after the outermost dialog returned, before its caller goes on.
    std::function<void()> OnAllAnswered;

    void ShowMessage(const std::string& text, const std::string& title,
                     TMessageIcon icon) override {
        Around([&] { Inner.ShowMessage(text, title, icon); });
    }
    void ShowMessageWithButtons(const std::string& text, const std::string& title,
                                TMessageButtons buttons) override {
        Around([&] { Inner.ShowMessageWithButtons(text, title, buttons); });
    }
    std::optional<std::vector<std::string>>
    RunOpenDialog(const std::string& initialDirectory,
                  const std::vector<TFileFilter>& filters) override {
        std::optional<std::vector<std::string>> chosen;
        Around([&] { chosen = Inner.RunOpenDialog(initialDirectory, filters); });
        return chosen;
    }

private:
    void Around(const std::function<void()>& run) {
        ++Open;
        run();
        if (--Open == 0 && OnAllAnswered)
            OnAllAnswered();
    }
    TDialogs& Inner;
    int Open = 0;
};

// Records every message box and answers the open dialog from a queue.
class TRecordingDialogs : public TDialogs {
public:
    struct TMessage {
        std::string Text, Title;
        TMessageIcon Icon;
        TMessageButtons Buttons = TMessageButtons::mbOk;
    };
    std::vector<TMessage> Messages;
    std::vector<std::optional<std::vector<std::string>>> OpenAnswers; // taken from the front
    std::string LastInitialDirectory;
    std::vector<TFileFilter> LastFilters;

    void ShowMessage(const std::string& text, const std::string& title,
                     TMessageIcon icon) override {
        Messages.push_back({text, title, icon});
    }
    void ShowMessageWithButtons(const std::string& text, const std::string& title,
                                TMessageButtons buttons) override {
        Messages.push_back({text, title, TMessageIcon::miNone, buttons});
    }
    std::optional<std::vector<std::string>>
    RunOpenDialog(const std::string& initialDirectory,
                  const std::vector<TFileFilter>& filters) override {
        LastInitialDirectory = initialDirectory;
        LastFilters = filters;
        if (OpenAnswers.empty())
            return std::nullopt;
        auto answer = OpenAnswers.front();
        OpenAnswers.erase(OpenAnswers.begin());
        return answer;
    }
};

} // namespace tavuro
