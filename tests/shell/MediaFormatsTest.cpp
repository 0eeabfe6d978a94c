// The formats the open dialog offers are the formats the desktop entry and MPRIS announce.
#include <QFile>
#include <QMimeDatabase>
#include <QStringList>

#include <gtest/gtest.h>

#include <set>

#include "shell/MediaFormats.h"

namespace tavuro {
namespace {

std::set<std::string> DesktopEntryMimeTypes() {
    QFile entry(TAVURO_SOURCE_DIR "/data/tavuro.desktop");
    EXPECT_TRUE(entry.open(QIODevice::ReadOnly));
    std::set<std::string> types;
    for (const auto& line : QString::fromUtf8(entry.readAll()).split('\n'))
        if (line.startsWith("MimeType="))
            for (const auto& type : line.mid(9).split(';', Qt::SkipEmptyParts))
                types.insert(type.toStdString());
    return types;
}

TEST(MediaFormats, TheDesktopEntryAnnouncesWhatMprisAnnounces) {
    const auto& playable = PlayableMimeTypes();
    EXPECT_EQ(DesktopEntryMimeTypes(), std::set<std::string>(playable.begin(), playable.end()));
}

// An extension the dialog offers whose MIME type is known must be announced, or a file manager
// never offers the player for it.
TEST(MediaFormats, EveryExtensionOfTheMediaFilterWithAKnownTypeIsAnnounced) {
    const auto& playable = PlayableMimeTypes();
    const std::set<std::string> announced(playable.begin(), playable.end());
    const QMimeDatabase database;
    const auto patterns = QString::fromStdString(OpenDialogFilters().front().Patterns).split(';');
    for (const auto& pattern : patterns) {
        const auto type =
            database.mimeTypeForFile("x" + pattern.mid(1), QMimeDatabase::MatchExtension);
        if (type.isDefault())
            continue;
        QStringList names = type.aliases();
        names << type.name();
        const bool known = std::any_of(names.begin(), names.end(), [&](const QString& name) {
            return announced.count(name.toStdString()) > 0;
        });
        EXPECT_TRUE(known) << pattern.toStdString() << " is " << type.name().toStdString();
    }
}

// Every filter but the last is in the first, so "all media" holds everything the others offer.
TEST(MediaFormats, TheMediaFilterHoldsEveryOtherFilter) {
    const auto filters = OpenDialogFilters();
    const auto all = QString::fromStdString(filters.front().Patterns).split(';');
    for (size_t i = 1; i + 1 < filters.size(); ++i)
        for (const auto& pattern : QString::fromStdString(filters[i].Patterns).split(';'))
            EXPECT_TRUE(all.contains(pattern)) << pattern.toStdString();
}

} // namespace
} // namespace tavuro
