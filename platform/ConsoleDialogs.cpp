#include "platform/ConsoleDialogs.h"

#include <ostream>

namespace tavuro {

namespace {

class TConsoleDialogs : public TDialogs {
public:
    explicit TConsoleDialogs(std::ostream& stream) : Stream(stream) {}

    void ShowMessage(const std::string& text, const std::string& title, TMessageIcon) override {
        Stream << "tavuro: " << title << ": " << text << std::endl;
    }

    std::optional<std::vector<std::string>>
    RunOpenDialog(const std::string&, const std::vector<TFileFilter>&) override {
        return std::nullopt;
    }

private:
    std::ostream& Stream;
};

} // namespace

std::unique_ptr<TDialogs> MakeConsoleDialogs(std::ostream& stream) {
    return std::make_unique<TConsoleDialogs>(stream);
}

} // namespace tavuro
