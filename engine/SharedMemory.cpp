#include "engine/SharedMemory.h"

#include "common/Text.h"
#include "engine/RegisteredMessages.h"

#include <algorithm>
#include <utility>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavuro {

namespace {

TApplicationWindowFinder& ApplicationWindowFinder() {
    static TApplicationWindowFinder finder = [](const std::string&) -> TWindowId { return 0; };
    return finder;
}

// POSIX object names have one leading "/" and no other.
std::string PosixName(std::string_view name) {
    std::string result = "/";
    for (char c : name)
        result += c == '/' ? '_' : c;
    return result;
}

// True when the name still leads to the object open on descriptor: a last user may have removed
// the name between our shm_open and our lock.
bool StillNamed(int descriptor, const std::string& regionName) {
    const int check = shm_open(regionName.c_str(), O_RDONLY | O_CLOEXEC, 0);
    if (check < 0)
        return false;
    struct stat opened {}, named {};
    const bool same = fstat(descriptor, &opened) == 0 && fstat(check, &named) == 0 &&
                      opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    close(check);
    return same;
}

// Closes our hold on the region; the last holder removes both names.
void ReleaseRegion(int descriptor, const std::string& regionName, const std::string& mutexName) {
    if (flock(descriptor, LOCK_EX | LOCK_NB) == 0 && StillNamed(descriptor, regionName)) {
        // The mutex goes first, so that whoever creates the next region also gets a new mutex.
        sem_unlink(mutexName.c_str());
        shm_unlink(regionName.c_str());
    }
    close(descriptor);
}

// Opens the region with a shared hold on it, sized to at least size bytes; -1 on failure.
int OpenRegion(const std::string& regionName, const std::string& mutexName, std::uint32_t size) {
    constexpr int kAttempts = 8; // a name removed under us is retried, a few times at most
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const int descriptor = shm_open(regionName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (descriptor < 0)
            return -1;
        if (flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
            // Nobody else holds it: new, or left behind by a process that died. Start it afresh,
            // zero-filled, and drop a mutex that a dead process may still hold.
            const bool sized = ftruncate(descriptor, 0) == 0 && ftruncate(descriptor, size) == 0;
            sem_unlink(mutexName.c_str());
            if (!sized || flock(descriptor, LOCK_SH) != 0) {
                ReleaseRegion(descriptor, regionName, mutexName);
                return -1;
            }
            return descriptor;
        }
        if (flock(descriptor, LOCK_SH) != 0 || !StillNamed(descriptor, regionName)) {
            close(descriptor);
            continue;
        }
        struct stat status {};
        if (fstat(descriptor, &status) != 0 ||
            (status.st_size < static_cast<off_t>(size) && ftruncate(descriptor, size) != 0)) {
            ReleaseRegion(descriptor, regionName, mutexName);
            return -1;
        }
        return descriptor;
    }
    return -1;
}

} // namespace

void SetApplicationWindowFinder(TApplicationWindowFinder finder) {
    ApplicationWindowFinder() = std::move(finder);
}

TSharedMemory::TSharedMemory(QObject* owner)
    : QObject(owner), SendingData(RegisterWindowMessage("WM_SendingData")),
      RequestingData(RegisterWindowMessage("WM_RequestingData")) {
    connect(this, &QObject::objectNameChanged, this, &TSharedMemory::FollowObjectName);
}

TSharedMemory::~TSharedMemory() { CloseMap(); }

// A share named after the component follows the component's new name.
void TSharedMemory::FollowObjectName(const QString& name) {
    std::string newName = name.toStdString();
    if (ShareName.empty() || ShareName == PreviousObjectName)
        ShareName = newName;
    PreviousObjectName = std::move(newName);
}

void TSharedMemory::SetTargetApplication(std::string_view title) {
    TargetApplicationTitle = std::string(TrimControl(title));
    TargetWindowId = TargetApplicationTitle.empty()
                         ? 0
                         : ApplicationWindowFinder()(TargetApplicationTitle);
}

bool TSharedMemory::OpenMap() {
    if (IsMapOpen() || ShareName.empty() || Size == 0)
        return false;
    std::string regionName = PosixName(ShareName);
    std::string mutexName = PosixName(ShareName + "_SMMutex");
    const int descriptor = OpenRegion(regionName, mutexName, Size);
    if (descriptor < 0)
        return false;
    sem_t* mutex = sem_open(mutexName.c_str(), O_CREAT, 0600, 1); // created free
    if (mutex == SEM_FAILED) {
        ReleaseRegion(descriptor, regionName, mutexName);
        return false;
    }
    RegionDescriptor = descriptor;
    Mutex = mutex;
    RegionName = std::move(regionName);
    MutexName = std::move(mutexName);
    return true;
}

void* TSharedMemory::MapView() {
    if (!IsMapOpen())
        return nullptr;
    const int protection = ReadOnly ? PROT_READ : PROT_READ | PROT_WRITE;
    void* address = mmap(nullptr, Size, protection, MAP_SHARED, RegionDescriptor, 0);
    if (address == MAP_FAILED)
        return nullptr;
    Views.push_back({address, Size});
    return address;
}

void TSharedMemory::UnmapView(void* view) {
    if (!IsMapOpen())
        return;
    auto found = std::find_if(Views.begin(), Views.end(),
                              [view](const TView& mapped) { return mapped.Address == view; });
    if (found == Views.end())
        return;
    munmap(found->Address, found->Length);
    Views.erase(found);
}

void TSharedMemory::CloseMap() {
    if (Mutex) {
        sem_close(Mutex);
        Mutex = nullptr;
    }
    if (IsMapOpen()) {
        ReleaseRegion(RegionDescriptor, RegionName, MutexName);
        RegionDescriptor = -1;
    }
    Views.clear(); // still mapped, but no longer ours to unmap: they outlive the mapping
}

} // namespace tavuro
