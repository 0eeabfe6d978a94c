#pragma once

#include "platform/WindowSystem.h"

#include <QObject>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <semaphore.h>

namespace tavuro {

// Finds the top-level window of the application with the given title; 0 when there is none.
using TApplicationWindowFinder = std::function<TWindowId(const std::string& title)>;
// Replaces the lookup used by TargetApplication. The default finds nothing: the consumer's window
// is not looked up on this desktop yet, and nothing here sends it a message.
void SetApplicationWindowFinder(TApplicationWindowFinder finder);

// A named shared-memory region with a named mutex, for a visualisation program in another
// process. The region is a POSIX shared-memory object (shm_open + mmap) named "/" + ShareName,
// the mutex a named POSIX semaphore "/" + ShareName + "_SMMutex"; any "/" inside a name becomes "_".
//
// Lifetime: the region lives while some component in some process has it open, as a Windows
// file mapping does. Every user holds a shared flock on the region; the one that closes it last
// (or finds nobody else holding it at open, e.g. after a crash) removes the names, so a later
// OpenMap starts a fresh, zero-filled region with a fresh mutex.
class TSharedMemory : public QObject {
    Q_OBJECT

public:
    explicit TSharedMemory(QObject* owner = nullptr);
    ~TSharedMemory() override;

    // Published members. MsgOutOnErr and Timeout are kept for the consumer; nothing here reads
    // them.
    bool ReadOnly = false;
    std::string ShareName;
    std::uint32_t Size = 0;
    bool MsgOutOnErr = false;
    std::int32_t Timeout = -1; // infinite

    const std::string& TargetApplication() const { return TargetApplicationTitle; }
    // Keeps the title without leading and trailing blanks and looks up its window (0 when none,
    // and 0 for an empty title).
    void SetTargetApplication(std::string_view title);
    TWindowId TargetWindow() const { return TargetWindowId; }

    // Numbers of the registered messages "WM_SendingData" and "WM_RequestingData".
    std::uint32_t SendingDataMessage() const { return SendingData; }
    std::uint32_t RequestingDataMessage() const { return RequestingData; }

    // Creates, or opens when it exists, the region of Size bytes (grown when it is smaller) and
    // the mutex, not taken. False when a mapping is already open, when ShareName is empty or Size
    // is 0, or when the system refuses; on failure nothing stays open.
    bool OpenMap();
    bool IsMapOpen() const { return RegionDescriptor >= 0; }
    // Maps Size bytes from offset 0, read-only when ReadOnly. Null when no mapping is open or the
    // system refuses.
    void* MapView();
    // Unmaps a view that MapView gave, while the mapping is open; other pointers are ignored.
    void UnmapView(void* view);
    // Closes the mapping and the mutex. Views still mapped stay valid.
    void CloseMap();

private:
    struct TView {
        void* Address;
        std::size_t Length;
    };

    void FollowObjectName(const QString& name);

    std::string TargetApplicationTitle;
    TWindowId TargetWindowId = 0;
    std::uint32_t SendingData = 0;
    std::uint32_t RequestingData = 0;
    int RegionDescriptor = -1;
    sem_t* Mutex = nullptr;
    std::string RegionName; // the POSIX names the open mapping was made with
    std::string MutexName;
    std::vector<TView> Views;
    std::string PreviousObjectName;
};

} // namespace tavuro
