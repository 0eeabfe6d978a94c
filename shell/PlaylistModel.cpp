#include "shell/PlaylistModel.h"

#include <QColor>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <thread>

#include "common/Text.h"

namespace tavuro {

namespace {
const std::string EmptyText;

// Eight bytes of a sort key from the given offset as a number that orders as they do.
std::uint64_t KeyBytesAt(std::string_view key, std::size_t offset) {
    std::uint64_t bytes = 0;
    for (std::size_t i = offset; i < offset + 8; ++i)
        bytes = bytes << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return bytes;
}

// The positions of count sort keys in stable ascending order. Each key's first sixteen bytes sit
// beside its position, so most comparisons are settled without reaching the key itself.
template <class KeyOf> std::vector<int> StableOrder(std::size_t count, const KeyOf& keyOf) {
    struct TItem {
        std::uint64_t Head, Next;
        int Position;
    };
    std::vector<TItem> items(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view key = keyOf(i);
        items[i] = {KeyBytesAt(key, 0), KeyBytesAt(key, 8), static_cast<int>(i)};
    }
    std::sort(items.begin(), items.end(), [&keyOf](const TItem& a, const TItem& b) {
        if (a.Head != b.Head)
            return a.Head < b.Head;
        if (a.Next != b.Next)
            return a.Next < b.Next;
        const int order = std::string_view(keyOf(a.Position)).compare(keyOf(b.Position));
        return order != 0 ? order < 0 : a.Position < b.Position;
    });
    std::vector<int> order(count);
    for (std::size_t i = 0; i < count; ++i)
        order[i] = items[i].Position;
    return order;
}
// Puts items in the given order (order[i] is the old place of the item that goes to place i),
// moving each item once along the cycles of the permutation, with no second array of items.
template <class TItem> void ApplyOrder(std::vector<TItem>& items, const std::vector<int>& order) {
    std::vector<bool> placed(items.size());
    for (std::size_t start = 0; start < items.size(); ++start) {
        if (placed[start])
            continue;
        TItem first = std::move(items[start]);
        std::size_t to = start;
        for (auto from = static_cast<std::size_t>(order[to]); from != start;
             from = static_cast<std::size_t>(order[to])) {
            items[to] = std::move(items[from]);
            placed[to] = true;
            to = from;
        }
        items[to] = std::move(first);
        placed[to] = true;
    }
}
} // namespace

TPlaylistModel::TPlaylistModel(QObject* parent) : QAbstractTableModel(parent) {}

TPlaylistModel::TRow TPlaylistModel::MakeRow(TPlaylistEntry entry) {
    return MakeRow(std::move(entry), Collator, KeyBytes);
}

TPlaylistModel::TRow TPlaylistModel::MakeRow(TPlaylistEntry entry, const TCaptionCollator& collator,
                                             std::string& keys) {
    const std::size_t at = keys.size();
    const std::size_t size = collator.AppendSortKey(entry.Caption, keys);
    return TRow{std::move(entry), at, size};
}

int TPlaylistModel::InsertPosition(std::string_view key) const {
    const auto at =
        std::upper_bound(Rows.begin(), Rows.end(), key,
                         [this](std::string_view k, const TRow& row) { return k < KeyOf(row); });
    return static_cast<int>(at - Rows.begin());
}

int TPlaylistModel::Add(TPlaylistEntry entry) {
    TRow row = MakeRow(std::move(entry));
    const int at = InsertPosition(KeyOf(row));
    beginInsertRows({}, at, at);
    Rows.insert(Rows.begin() + at, std::move(row));
    PathIndexValid = false;
    endInsertRows();
    return at;
}

int TPlaylistModel::SetCaption(int row, const std::string& caption) {
    TRow moved = MakeRow({caption, Rows[row].Entry.SubItems});
    const std::string_view key = KeyOf(moved);
    const auto keyBelow = [this](std::string_view k, const TRow& r) { return k < KeyOf(r); };
    // Where the row goes among the others, in indexes of the list without it.
    auto before = std::upper_bound(Rows.begin(), Rows.begin() + row, key, keyBelow);
    auto after = std::upper_bound(Rows.begin() + row + 1, Rows.end(), key, keyBelow);
    int target = row;
    if (before != Rows.begin() + row)
        target = static_cast<int>(before - Rows.begin());
    else if (after != Rows.begin() + row + 1)
        target = static_cast<int>(after - Rows.begin()) - 1;
    PathIndexValid = false; // the row's strings are new
    if (target == row) {
        Rows[row] = std::move(moved);
        DropStaleKeys();
        emit dataChanged(index(row, 0), index(row, colCount - 1));
        return row;
    }
    beginMoveRows({}, row, row, {}, target > row ? target + 1 : target);
    Rows.erase(Rows.begin() + row);
    Rows.insert(Rows.begin() + target, std::move(moved));
    DropStaleKeys();
    endMoveRows();
    return target;
}

void TPlaylistModel::AddMany(std::vector<TPlaylistEntry> entries) {
    if (entries.empty())
        return;
    const int oldCount = Count();
    beginInsertRows({}, oldCount, oldCount + static_cast<int>(entries.size()) - 1);
    std::vector<TRow> added = MakeRows(std::move(entries));
    Rows.insert(Rows.end(), std::make_move_iterator(added.begin()),
                std::make_move_iterator(added.end()));
    PathIndexValid = false;
    endInsertRows();
    SortAll();
}

void TPlaylistModel::Assign(std::vector<TPlaylistEntry> entries) {
    beginResetModel();
    Rows.clear();
    KeyBytes.clear();
    Rows = MakeRows(std::move(entries));
    ApplyOrder(Rows, StableOrder(Rows.size(), [this](std::size_t i) { return KeyOf(Rows[i]); }));
    PathIndexValid = false;
    endResetModel();
}

// Rows with their captions' keys appended to KeyBytes. A long list has the keys of its second
// half made on another core, with a collator of its own, and appended after the first half's.
std::vector<TPlaylistModel::TRow> TPlaylistModel::MakeRows(std::vector<TPlaylistEntry> entries) {
    const std::size_t count = entries.size();
    const std::size_t half = count >= ParallelKeysFrom ? count / 2 : count;
    std::vector<TRow> rows(count);
    std::string laterKeys;
    std::thread helper;
    if (half < count)
        helper = std::thread([&] {
            const TCaptionCollator collator;
            laterKeys.reserve((count - half) * 32);
            for (std::size_t i = half; i < count; ++i)
                rows[i] = MakeRow(std::move(entries[i]), collator, laterKeys);
        });
    KeyBytes.reserve(KeyBytes.size() + count * 32);
    for (std::size_t i = 0; i < half; ++i)
        rows[i] = MakeRow(std::move(entries[i]), Collator, KeyBytes);
    if (helper.joinable()) {
        helper.join();
        const std::size_t base = KeyBytes.size();
        KeyBytes += laterKeys;
        for (std::size_t i = half; i < count; ++i)
            rows[i].KeyAt += base;
    }
    return rows;
}

// A stable sort that moves the view's persistent indexes (selection, focus) with their rows.
void TPlaylistModel::SortAll() {
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> order =
        StableOrder(Rows.size(), [this](std::size_t i) { return KeyOf(Rows[i]); });
    std::vector<int> newIndexOf(Rows.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        newIndexOf[order[i]] = static_cast<int>(i);
    ApplyOrder(Rows, order);
    CompactKeys();
    const QModelIndexList old = persistentIndexList();
    QModelIndexList moved;
    moved.reserve(old.size());
    for (const QModelIndex& index : old)
        moved.push_back(this->index(newIndexOf[index.row()], index.column()));
    changePersistentIndexList(old, moved);
    PathIndexValid = false;
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TPlaylistModel::SetSubItems(int row, std::vector<std::string> subItems) {
    Rows[row].Entry.SubItems = std::move(subItems);
    PathIndexValid = false;
    emit dataChanged(index(row, 0), index(row, colCount - 1));
}

void TPlaylistModel::Remove(std::vector<int> rows) {
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    std::size_t i = 0;
    while (i < rows.size()) {
        // Remove one run of adjacent rows at a time.
        std::size_t j = i;
        while (j + 1 < rows.size() && rows[j + 1] == rows[j] - 1)
            ++j;
        const int first = rows[j], last = rows[i];
        beginRemoveRows({}, first, last);
        Rows.erase(Rows.begin() + first, Rows.begin() + last + 1);
        endRemoveRows();
        i = j + 1;
    }
    DropStaleKeys();
    PathIndexValid = false;
}

void TPlaylistModel::CompactKeys() {
    std::string compact;
    compact.reserve(KeyBytes.size());
    for (TRow& row : Rows) {
        const std::size_t at = compact.size();
        compact += KeyOf(row);
        row.KeyAt = at;
    }
    KeyBytes = std::move(compact);
}

void TPlaylistModel::DropStaleKeys() {
    std::size_t live = 0;
    for (const TRow& row : Rows)
        live += row.KeySize;
    if (KeyBytes.size() > 2 * live + 4096)
        CompactKeys();
}

void TPlaylistModel::Clear() {
    beginResetModel();
    Rows.clear();
    KeyBytes.clear();
    PathIndexValid = false;
    endResetModel();
}

int TPlaylistModel::FindEntry(std::string_view path) const {
    const auto pathOf = [this](int row) -> std::string_view { return Rows[row].Entry.Path(); };
    if (!PathIndexValid) {
        PathIndex.Clear();
        PathIndex.Reserve(Rows.size());
        for (int row = 0; row < Count(); ++row)
            if (!Rows[row].Entry.SubItems.empty())
                PathIndex.Insert(Rows[row].Entry.Path(), row, pathOf);
        PathIndexValid = true;
    }
    return PathIndex.Lookup(path, pathOf);
}

int TPlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int TPlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : colCount;
}

QVariant TPlaylistModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= Count())
        return {};
    const TPlaylistEntry& entry = Rows[index.row()].Entry;
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        const std::size_t subItem = static_cast<std::size_t>(index.column() - 1);
        const std::string& text = index.column() == colCaption      ? entry.Caption
                                  : subItem < entry.SubItems.size() ? entry.SubItems[subItem]
                                                                    : EmptyText;
        // The editor gets the whole caption, so that an edit changes only what the user changes.
        if (role == Qt::EditRole)
            return QString::fromStdString(text);
        return QString::fromStdString(CutForDisplay(text));
    }
    if (role == Qt::TextAlignmentRole && index.column() == colTime)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

bool TPlaylistModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || index.column() != colCaption || index.row() >= Count())
        return false;
    const int row = SetCaption(index.row(), value.toString().toStdString());
    if (OnCaptionEdited)
        OnCaptionEdited(row);
    return true;
}

Qt::ItemFlags TPlaylistModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    if (index.column() == colCaption)
        flags |= Qt::ItemIsEditable;
    return flags;
}

} // namespace tavuro
