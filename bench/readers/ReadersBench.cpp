// Files per second for reading what tavuro-probe prints, against TagLib's FileRef (fast audio
// properties and tags) and against the floor of opening each file and reading its first 4 KB and
// last 128 bytes. The corpus folder comes from TAVURO_BENCH_CORPUS (bench/readers/make-corpus.sh).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>
#include <taglib/audioproperties.h>
#include <taglib/fileref.h>
#include <taglib/tag.h>

#include "readers/StreamFacts.h"

namespace {

const std::vector<std::string>& CorpusFiles() {
    static const std::vector<std::string> files = [] {
        std::vector<std::string> found;
        const char* dir = std::getenv("TAVURO_BENCH_CORPUS");
        if (dir && std::filesystem::is_directory(dir))
            for (const auto& entry : std::filesystem::directory_iterator(dir))
                if (entry.is_regular_file())
                    found.push_back(entry.path().string());
        std::sort(found.begin(), found.end());
        return found;
    }();
    return files;
}

bool NeedCorpus(benchmark::State& state) {
    if (!CorpusFiles().empty())
        return true;
    state.SkipWithError("set TAVURO_BENCH_CORPUS to a folder made by make-corpus.sh");
    return false;
}

void BM_TavuroReaders(benchmark::State& state) {
    if (!NeedCorpus(state))
        return;
    std::int64_t recognised = 0;
    for (auto _ : state) {
        for (const std::string& file : CorpusFiles()) {
            tavuro::TStreamInfo info;
            recognised += tavuro::ReadStreamFacts(file, info);
            tavuro::TakeTitleFromFileName(info);
            benchmark::DoNotOptimize(info);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(CorpusFiles().size()));
    state.counters["recognised"] =
        static_cast<double>(recognised) / static_cast<double>(state.iterations());
}

void BM_TagLibFileRef(benchmark::State& state) {
    if (!NeedCorpus(state))
        return;
    std::int64_t recognised = 0;
    for (auto _ : state) {
        for (const std::string& file : CorpusFiles()) {
            TagLib::FileRef ref(file.c_str(), true, TagLib::AudioProperties::Fast);
            if (ref.isNull() || !ref.tag() || !ref.audioProperties())
                continue;
            ++recognised;
            const TagLib::Tag* tag = ref.tag();
            const TagLib::AudioProperties* audio = ref.audioProperties();
            benchmark::DoNotOptimize(tag->title().to8Bit(true));
            benchmark::DoNotOptimize(tag->artist().to8Bit(true));
            benchmark::DoNotOptimize(tag->album().to8Bit(true));
            benchmark::DoNotOptimize(tag->genre().to8Bit(true));
            benchmark::DoNotOptimize(tag->comment().to8Bit(true));
            benchmark::DoNotOptimize(tag->year() + tag->track());
            benchmark::DoNotOptimize(audio->sampleRate() + audio->bitrate() +
                                     audio->lengthInMilliseconds() + audio->channels());
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(CorpusFiles().size()));
    state.counters["recognised"] =
        static_cast<double>(recognised) / static_cast<double>(state.iterations());
}

void BM_OpenHeadAndTailFloor(benchmark::State& state) {
    if (!NeedCorpus(state))
        return;
    char head[4096];
    char tail[128];
    for (auto _ : state) {
        for (const std::string& file : CorpusFiles()) {
            const int fd = ::open(file.c_str(), O_RDONLY);
            if (fd < 0)
                continue;
            struct stat status {};
            ::fstat(fd, &status);
            benchmark::DoNotOptimize(::pread(fd, head, sizeof head, 0));
            benchmark::DoNotOptimize(
                ::pread(fd, tail, sizeof tail, std::max<off_t>(0, status.st_size - 128)));
            ::close(fd);
        }
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(CorpusFiles().size()));
}

BENCHMARK(BM_TavuroReaders)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_TagLibFileRef)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_OpenHeadAndTailFloor)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

BENCHMARK_MAIN();
