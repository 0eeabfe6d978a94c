#include "platform/FramePresenter.h"

#include <QGuiApplication>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>

namespace tavuro {

namespace {

// Freed with the object, as xcb hands replies over.
template <typename TReply> std::unique_ptr<TReply, decltype(&std::free)> Owned(TReply* reply) {
    return {reply, &std::free};
}

// QImage's RGB32 is 32-bit words of 0xffRRGGBB in the machine's order: what a 24-bit window
// takes as Z-pixmap data when the server stores 24 bits in 32 and reads words as we write them.
bool TakesRgb32(xcb_connection_t* connection, xcb_window_t window) {
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const std::uint32_t probe = 1;
    const bool littleEndian = *reinterpret_cast<const unsigned char*>(&probe) == 1;
    if ((setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) != littleEndian)
        return false;
    const auto geometry =
        Owned(xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry || geometry->depth != 24)
        return false;
    for (auto formats = xcb_setup_pixmap_formats_iterator(setup); formats.rem > 0;
         xcb_format_next(&formats))
        if (formats.data->depth == 24)
            return formats.data->bits_per_pixel == 32;
    return false;
}

class TX11FramePresenter : public TFramePresenter {
public:
    TX11FramePresenter(xcb_connection_t* connection, xcb_window_t window, QSize frameSize)
        : Connection(connection), Window(window), Size(frameSize) {
        Gc = xcb_generate_id(Connection);
        xcb_create_gc(Connection, Gc, Window, 0, nullptr);
        AttachSharedMemory();
    }
    ~TX11FramePresenter() override {
        if (Shared != nullptr) {
            xcb_shm_detach(Connection, Segment);
            shmdt(Shared);
        }
        xcb_free_gc(Connection, Gc);
        xcb_flush(Connection);
    }

    void Present(const QImage& frame) override {
        if (frame.size() != Size || frame.format() != QImage::Format_RGB32)
            return;
        const auto width = static_cast<std::uint16_t>(Size.width());
        const auto height = static_cast<std::uint16_t>(Size.height());
        if (Shared != nullptr) {
            // The server has long read the last frame: they come 25 ms apart.
            std::memcpy(Shared, frame.constBits(), static_cast<std::size_t>(frame.sizeInBytes()));
            xcb_shm_put_image(Connection, Window, Gc, width, height, 0, 0, width, height, 0, 0, 24,
                              XCB_IMAGE_FORMAT_Z_PIXMAP, 0, Segment, 0);
        } else {
            xcb_put_image(Connection, XCB_IMAGE_FORMAT_Z_PIXMAP, Window, Gc, width, height, 0, 0, 0,
                          24, static_cast<std::uint32_t>(frame.sizeInBytes()), frame.constBits());
        }
        xcb_flush(Connection);
    }

private:
    xcb_connection_t* Connection;
    xcb_window_t Window;
    QSize Size;
    xcb_gcontext_t Gc = 0;
    xcb_shm_seg_t Segment = 0;
    void* Shared = nullptr; // the segment the server reads frames from, when it can

    // A segment shared with the server; without one (a remote display) frames go through the
    // socket.
    void AttachSharedMemory() {
        const auto version = Owned(
            xcb_shm_query_version_reply(Connection, xcb_shm_query_version(Connection), nullptr));
        if (!version)
            return;
        const std::size_t bytes = static_cast<std::size_t>(Size.width()) * Size.height() * 4;
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        if (id < 0)
            return;
        void* memory = shmat(id, nullptr, 0);
        if (memory == reinterpret_cast<void*>(-1)) {
            shmctl(id, IPC_RMID, nullptr);
            return;
        }
        Segment = xcb_generate_id(Connection);
        const auto error = Owned(
            xcb_request_check(Connection, xcb_shm_attach_checked(Connection, Segment, id, 1)));
        // Marked for removal at once: it goes when the player and the server have detached.
        shmctl(id, IPC_RMID, nullptr);
        if (error) {
            shmdt(memory);
            return;
        }
        Shared = memory;
    }
};

} // namespace

std::unique_ptr<TFramePresenter> MakeFramePresenter(std::uint64_t window, QSize frameSize) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr || window == 0 || frameSize.isEmpty())
        return nullptr;
    const auto id = static_cast<xcb_window_t>(window);
    if (!TakesRgb32(x11->connection(), id))
        return nullptr;
    return std::make_unique<TX11FramePresenter>(x11->connection(), id, frameSize);
}

} // namespace tavuro
