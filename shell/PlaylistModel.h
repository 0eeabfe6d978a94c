#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/CaptionCollator.h"
#include "shell/PathTable.h"
#include "shell/PlaylistEntry.h"

namespace tavuro {

// The rows of the playlist, kept in ascending caption order by the locale's case-sensitive
// collation. Each caption's collation key is computed once, when the caption is set; paths are
// indexed for FindEntry. The list view shows it; selection lives in the view's selection model,
// which follows the rows through every re-sort.
class TPlaylistModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum TColumn { colCaption, colPath, colSeconds, colTime, colCount };

    explicit TPlaylistModel(QObject* parent = nullptr);

    int Count() const { return static_cast<int>(Rows.size()); }
    const TPlaylistEntry& Entry(int row) const { return Rows[row].Entry; }

    // Each returns the row's index after the re-sort.
    int Add(TPlaylistEntry entry);
    int SetCaption(int row, const std::string& caption);
    // Adds many rows at once, merging them into the order.
    void AddMany(std::vector<TPlaylistEntry> entries);
    // Replaces every row.
    void Assign(std::vector<TPlaylistEntry> entries);
    void SetSubItems(int row, std::vector<std::string> subItems);
    // Deletes the given rows (any order).
    void Remove(std::vector<int> rows);
    void Clear();

    // The first row whose path equals the given one, ASCII letters compared case-insensitively;
    // -1 when none.
    int FindEntry(std::string_view path) const;

    // Called after an in-place edit changed a caption, with the row's new index.
    std::function<void(int row)> OnCaptionEdited;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    struct TRow {
        TPlaylistEntry Entry;
        std::size_t KeyAt = 0; // where the caption's sort key starts in KeyBytes
        std::size_t KeySize = 0;
    };
    // Makes the row and appends its caption's key.
    TRow MakeRow(TPlaylistEntry entry);
    static TRow MakeRow(TPlaylistEntry entry, const TCaptionCollator& collator, std::string& keys);
    std::vector<TRow> MakeRows(std::vector<TPlaylistEntry> entries);
    // From this many rows on, two threads make the keys.
    static constexpr std::size_t ParallelKeysFrom = 4096;
    std::string_view KeyOf(const TRow& row) const {
        return std::string_view(KeyBytes).substr(row.KeyAt, row.KeySize);
    }
    // The index at which a row with this key goes: after every row not greater than it.
    int InsertPosition(std::string_view key) const;
    void SortAll();
    // Rewrites KeyBytes with only the rows' keys, in row order.
    void CompactKeys();
    // Compacts once keys of rows no longer there take more room than the rows' own.
    void DropStaleKeys();

    TCaptionCollator Collator;
    std::vector<TRow> Rows;
    // Every row's sort key end to end: one buffer instead of an allocation per row.
    std::string KeyBytes;
    // Row numbers by path: rebuilt after every change, so it never names a row that moved.
    mutable TPathTable PathIndex;
    mutable bool PathIndexValid = false;
};

} // namespace tavuro
