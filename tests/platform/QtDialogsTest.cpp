#include "platform/Dialogs.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace tavuro {
namespace {

// Runs the check on the modal dialog once it is up, then lets the check close it.
template <typename TDialog> void WhenShown(std::function<void(TDialog*)> check) {
    QTimer::singleShot(0, [check] {
        auto* dialog = qobject_cast<TDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        check(dialog);
    });
}

TEST(QtDialogsTest, ShowMessage_HasTheTitleTextIconAndOneOkButton) {
    auto dialogs = MakeQtDialogs(nullptr);
    bool seen = false;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        seen = true;
        EXPECT_EQ(box->windowTitle(), QString::fromUtf8("song.mp3"));
        EXPECT_EQ(box->text(), QString::fromUtf8("格式不明或者路径有误,不能播放!"));
        EXPECT_EQ(box->icon(), QMessageBox::Critical);
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
        box->accept();
    });
    dialogs->ShowMessage("格式不明或者路径有误,不能播放!", "song.mp3", TMessageIcon::miError);
    EXPECT_TRUE(seen);
}

TEST(QtDialogsTest, ShowMessageWithButtons_OffersOkAndCancel) {
    auto dialogs = MakeQtDialogs(nullptr);
    bool seen = false;
    WhenShown<QMessageBox>([&](QMessageBox* box) {
        seen = true;
        EXPECT_EQ(box->windowTitle(), "Output");
        EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
        EXPECT_EQ(box->icon(), QMessageBox::NoIcon);
        box->reject();
    });
    dialogs->ShowMessageWithButtons("text", "Output", TMessageButtons::mbOkCancel);
    EXPECT_TRUE(seen);
}

TEST(QtDialogsTest, RunOpenDialog_OffersTheFiltersInTheFolderAndReturnsTheChoice) {
    QTemporaryDir folder;
    for (const char* name : {"a.mid", "b.mid"}) {
        QFile file(folder.filePath(name));
        file.open(QIODevice::WriteOnly);
    }
    auto dialogs = MakeQtDialogs(nullptr);
    const std::vector<TFileFilter> filters{{"MIDI音乐(MID;RMI...)", "*.mid;*.rmi;*.kar;*.midi"},
                                           {"所有文件", "*.*"}};
    WhenShown<QFileDialog>([&](QFileDialog* dialog) {
        EXPECT_EQ(dialog->nameFilters(),
                  QStringList({QString::fromUtf8("MIDI音乐(MID;RMI...) (*.mid *.rmi *.kar *.midi)"),
                               QString::fromUtf8("所有文件 (*.*)")}));
        EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
        EXPECT_EQ(dialog->directory().absolutePath(), QDir(folder.path()).absolutePath());
        dialog->selectFile("b.mid");
        static_cast<QDialog*>(dialog)->accept(); // as the Open button does
    });
    const auto chosen = dialogs->RunOpenDialog(folder.path().toStdString(), filters);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(*chosen, std::vector<std::string>{folder.filePath("b.mid").toStdString()});

    WhenShown<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(dialogs->RunOpenDialog(folder.path().toStdString(), filters), std::nullopt);
}

} // namespace
} // namespace tavuro
