#include "shell/CaptionCollator.h"

#include <QLocale>

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace tavuro {

namespace {
std::string CollationLocaleName() {
    const QLocale system = QLocale::system();
    return system.language() == QLocale::C ? "en_US" : system.name().toStdString();
}
} // namespace

TCaptionCollator::TCaptionCollator() {
    UErrorCode status = U_ZERO_ERROR;
    Collator = ucol_open(CollationLocaleName().c_str(), &status);
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        Collator = ucol_open("", &status); // the root collation, never missing
    }
    // Composed and decomposed spellings of the same caption sort together.
    ucol_setAttribute(Collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
}

TCaptionCollator::~TCaptionCollator() {
    ucol_close(Collator);
}

std::size_t TCaptionCollator::AppendSortKey(std::string_view caption, std::string& keys) const {
    // UTF-16 never takes more units than UTF-8 takes bytes, so one pass always fits; a stack
    // buffer holds the usual caption.
    UChar text16[256];
    std::vector<UChar> long16;
    UChar* text = text16;
    const std::size_t capacity = std::max(caption.size(), std::size(text16));
    if (capacity > std::size(text16)) {
        long16.resize(capacity);
        text = long16.data();
    }
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(text, static_cast<int32_t>(capacity), &length, caption.data(),
                         static_cast<int32_t>(caption.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status))
        return 0;
    // Written straight behind the keys already there; the terminating zero is dropped.
    const std::size_t start = keys.size();
    int32_t room = static_cast<int32_t>(std::max<std::size_t>(64, 3 * caption.size() + 16));
    for (;;) {
        keys.resize(start + static_cast<std::size_t>(room));
        const int32_t needed = ucol_getSortKey(
            Collator, text, length, reinterpret_cast<uint8_t*>(keys.data() + start), room);
        if (needed <= 0) {
            keys.resize(start);
            return 0;
        }
        if (needed <= room) {
            keys.resize(start + static_cast<std::size_t>(needed - 1));
            return static_cast<std::size_t>(needed - 1);
        }
        room = needed;
    }
}

} // namespace tavuro
