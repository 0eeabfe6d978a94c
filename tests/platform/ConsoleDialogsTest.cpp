#include "platform/ConsoleDialogs.h"

#include <gtest/gtest.h>

#include <sstream>

namespace tavuro {
namespace {

TEST(ConsoleDialogs, MessagesArePrintedAndAnsweredAtOnceAndTheOpenDialogIsCancelled) {
    std::ostringstream printed;
    const auto dialogs = MakeConsoleDialogs(printed);
    dialogs->ShowMessage("格式不明或者路径有误,不能播放!", "song", TMessageIcon::miNone);
    dialogs->ShowMessageWithButtons("Write error : No Space", "Error", TMessageButtons::mbOkCancel);
    EXPECT_EQ(printed.str(), "tavuro: song: 格式不明或者路径有误,不能播放!\n"
                             "tavuro: Error: Write error : No Space\n");
    EXPECT_EQ(dialogs->RunOpenDialog("/m/", {}), std::nullopt);
}

} // namespace
} // namespace tavuro
