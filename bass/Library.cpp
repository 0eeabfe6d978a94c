#include "Library.h"

#include <cstdlib>

#include "NetStream.h"
#include "OggPages.h"
#include "Tags.h"
#include "UserStream.h"

namespace bass {

namespace {
constexpr double kDecodedSeconds = 1.0;    // decoded audio kept ahead of the mixer
constexpr double kFileResumeSeconds = 0.0; // a starved local file plays on at once
constexpr double kNetResumeSeconds = 0.5;  // a starved net stream waits to refill this much
constexpr size_t kOggTail = 65536;         // holds the last page of any Ogg file

// The length of a net Ogg file (Vorbis, Opus, FLAC) from the granule position of its last page,
// read from the end of the file where the server serves ranges; -1 otherwise. Never an estimate
// from the bit rate.
int64_t NetOggLength(NetSource& net, std::chrono::steady_clock::time_point deadline) {
    const std::optional<OggAudio> audio = net.FirstOggAudioStream();
    if (!audio)
        return -1;
    const std::vector<uint8_t> tail = net.FetchTail(kOggTail, deadline);
    const int64_t granule = LastOggGranule(tail.data(), tail.size(), audio->serial);
    return granule < 0 ? -1 : std::max<int64_t>(0, granule - audio->granuleStart);
}
} // namespace

Library::OpenTicket::OpenTicket(Library& library) : library_(library) {
    std::lock_guard lock(library_.opensMutex_);
    ++library_.opens_;
    epoch_ = library_.frees_;
}

Library::OpenTicket::~OpenTicket() {
    std::lock_guard lock(library_.opensMutex_);
    if (--library_.opens_ == 0)
        library_.opensDone_.notify_all();
}

bool Library::OpenTicket::Cancelled() const {
    return library_.FreedSince(epoch_);
}

CancelCheck Library::OpenTicket::Check() const {
    // By value: the library outlives every open, the ticket does not outlive its open.
    return [library = &library_, epoch = epoch_] { return library->FreedSince(epoch); };
}

Library& Library::Instance() {
    static Library library;
    return library;
}

int Library::Init(int device, DWORD freq) {
    std::lock_guard lock(lifecycleMutex_);
    if (initialised_)
        return BASS_ERROR_ALREADY;
    if (device == -1)
        device = 1;
    if (device < 0 || device > 1)
        return BASS_ERROR_DEVICE;
    notifier_.Start([this](DWORD handle) { return Find(handle); }, [this] { return Snapshot(); });
    const int error = mixer_.Open(device, freq == 0 ? 44100 : static_cast<int>(freq), notifier_);
    if (error != BASS_OK) {
        notifier_.Stop();
        return error;
    }
    initialised_ = true;
    return BASS_OK;
}

int Library::Free() {
    std::lock_guard lock(lifecycleMutex_);
    if (!initialised_)
        return BASS_ERROR_INIT;
    initialised_ = false;
    ++frees_;
    {
        std::unique_lock lock(opensMutex_);
        opensDone_.wait(lock, [this] { return opens_ == 0; });
    }
    for (const auto& channel : Snapshot())
        FreeChannel(channel->handle);
    mixer_.Close();
    notifier_.Stop();
    return BASS_OK;
}

std::shared_ptr<Channel> Library::Find(DWORD handle) const {
    std::lock_guard lock(registryMutex_);
    const auto it = channels_.find(handle);
    return it == channels_.end() ? nullptr : it->second;
}

std::vector<std::shared_ptr<Channel>> Library::Snapshot() const {
    std::lock_guard lock(registryMutex_);
    std::vector<std::shared_ptr<Channel>> all;
    for (const auto& [handle, channel] : channels_)
        all.push_back(channel);
    return all;
}

DWORD Library::Register(ChannelType type, const BASS_CHANNELINFO& info,
                        std::unique_ptr<Producer> producer, double bufferSeconds,
                        double resumeSeconds, const std::function<void(Channel&)>& prepare) {
    DWORD handle;
    {
        std::lock_guard lock(registryMutex_);
        handle = nextHandle_++;
    }
    auto channel = std::make_shared<Channel>(handle, type, info, bufferSeconds, resumeSeconds);
    channel->mixerLock = &mixer_.Lock();
    channel->mixerReady = &mixer_.ChannelReady();
    Producer* raw = producer.get();
    channel->producer = std::move(producer);
    if (prepare)
        prepare(*channel);
    raw->Start(*channel);
    std::lock_guard lock(registryMutex_);
    channels_[handle] = std::move(channel);
    return handle;
}

DWORD Library::CreateFileStream(const std::string& path, SourceKind kind, DWORD flags, int& error) {
    const OpenTicket ticket(*this);
    if (ticket.Cancelled())
        return error = BASS_ERROR_INIT, 0;
    DecoderOptions options;
    options.kind = kind;
    options.musicRate = mixer_.Rate();
    auto decoder = Decoder::Open(path, nullptr, options, error);
    if (!decoder)
        return 0;
    const BASS_CHANNELINFO info = decoder->Info();
    const int64_t length = decoder->LengthFrames();
    const std::string comments = decoder->Comments();
    const ChannelType type = kind == SourceKind::Music ? ChannelType::Music : ChannelType::Stream;
    if (ticket.Cancelled())
        return error = BASS_ERROR_INIT, 0;
    // A decode channel is read straight from its codec: its ring stays unused.
    const double buffered = flags & BASS_STREAM_DECODE ? 0 : kDecodedSeconds;
    return Register(type, info, std::move(decoder), buffered, kFileResumeSeconds,
                    [&](Channel& channel) {
                        channel.lengthFrames = length;
                        channel.decodeOnly = flags & BASS_STREAM_DECODE;
                        StoreFileId3Tags(path, channel.tags);
                        if (!comments.empty())
                            channel.tags.Set(BASS_TAG_OGG, comments);
                    });
}

DWORD Library::CreateProtocolStream(const std::string& url, SourceKind kind, int& error) {
    const OpenTicket ticket(*this);
    if (ticket.Cancelled())
        return error = BASS_ERROR_INIT, 0;
    DecoderOptions options;
    options.kind = kind;
    options.network = true;
    options.cancelled = ticket.Check();
    options.deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(netTimeoutMs.load());
    auto decoder = Decoder::Open(url, nullptr, options, error);
    if (!decoder)
        return 0;
    const BASS_CHANNELINFO info = decoder->Info();
    const int64_t length = decoder->LengthFrames();
    if (ticket.Cancelled())
        return error = BASS_ERROR_INIT, 0;
    return Register(ChannelType::Stream, info, std::move(decoder), kDecodedSeconds,
                    kNetResumeSeconds, [&](Channel& channel) { channel.lengthFrames = length; });
}

DWORD Library::CreateNetworkStream(const std::string& url, DWORD flags, int& error) {
    const OpenTicket ticket(*this);
    if (ticket.Cancelled())
        return error = BASS_ERROR_INIT, 0;
    const DWORD timeout = netTimeoutMs.load();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout);
    NetSource::Options options;
    options.wantMetadata = flags & BASS_STREAM_META;
    options.timeoutMs = static_cast<int>(timeout);
    options.liveBufferMs = static_cast<int>(netBufferMs.load());
    options.cancelled = ticket.Check();
    auto stream = OpenNetStream(url, options, deadline, error);
    if (!stream)
        return 0;
    const std::shared_ptr<NetSource> net = std::move(stream->net);
    std::unique_ptr<Decoder> decoder = std::move(stream->decoder);
    // The title is there at the open, as the caller reads it once then.
    net->AwaitFirstMetadata(deadline);
    const BASS_CHANNELINFO info = decoder->Info();
    int64_t length = net->Size() >= 0 ? decoder->LengthFrames() : -1;
    // An Ogg codec reading a download straight on cannot tell the length: the last page does.
    // A file already complete is measured whole when the download is told below.
    if (length < 0 && net->Size() >= 0 && !net->Complete())
        length = NetOggLength(*net, deadline);
    const std::string comments = decoder->Comments();
    if (ticket.Cancelled()) {
        net->Abort();
        return error = BASS_ERROR_INIT, 0;
    }
    Notifier* notices = &notifier_;
    return Register(
        ChannelType::Stream, info, std::move(decoder), kDecodedSeconds, kNetResumeSeconds,
        [&](Channel& channel) {
            channel.lengthFrames = length;
            if (!comments.empty())
                channel.tags.Set(BASS_TAG_OGG, comments);
            channel.tags.Set(BASS_TAG_HTTP, net->Headers());
            channel.tags.Set(BASS_TAG_ICY, net->Headers());
            if (const std::string meta = net->LastMetadata(); !meta.empty())
                channel.tags.Set(BASS_TAG_META, meta);
            Channel* target = &channel; // the download thread ends before the channel goes
            NetSource* source = net.get();
            net->Listen({[target, notices](const std::string& text) {
                             target->tags.Set(BASS_TAG_META, text);
                             notices->Post(target->handle, BASS_SYNC_META, text);
                         },
                         [target, notices](std::string list) {
                             target->tags.Set(BASS_TAG_OGG, list);
                             notices->Post(target->handle, BASS_SYNC_META, std::move(list));
                         },
                         [target, source, notices] {
                             const int64_t frames = Decoder::LengthOfImage(source->Data());
                             if (frames >= 0)
                                 target->lengthFrames = frames;
                             StoreId3Tags(source->Data().data(), source->Data().size(),
                                          target->tags);
                             target->downloadDone = true;
                             notices->Post(target->handle, BASS_SYNC_DOWNLOAD, {});
                         }});
        });
}

DWORD Library::CreateUserStream(DWORD freq, DWORD chans, DWORD flags, STREAMPROC* proc,
                                DWORD_PTR user, int& error) {
    const OpenTicket ticket(*this);
    if (ticket.Cancelled())
        return error = BASS_ERROR_INIT, 0;
    const BASS_CHANNELINFO info{freq, chans, flags & BASS_SAMPLE_8BITS, BASS_CTYPE_STREAM};
    error = BASS_OK;
    return Register(ChannelType::User, info, std::make_unique<UserStream>(proc, user),
                    UserStream::kBufferSeconds, kFileResumeSeconds, nullptr);
}

int Library::FreeChannel(DWORD handle) {
    std::shared_ptr<Channel> channel;
    {
        std::lock_guard lock(registryMutex_);
        const auto it = channels_.find(handle);
        if (it == channels_.end())
            return BASS_ERROR_HANDLE;
        channel = std::move(it->second);
        channels_.erase(it);
    }
    {
        std::lock_guard lock(mixer_.Lock());
        mixer_.Remove(channel.get());
        channel->state = static_cast<int>(PlayState::Stopped);
    }
    channel->producer->Shutdown();
    notifier_.WaitForCallbacks();
    return BASS_OK;
}

} // namespace bass
