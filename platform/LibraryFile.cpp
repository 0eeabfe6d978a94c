#include "platform/LibraryFile.h"

#include <elf.h>
#include <link.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "common/FileBytes.h"

namespace tavuro {

namespace {

#if defined(__x86_64__)
constexpr int HostMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int HostMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr int HostMachine = EM_386;
#elif defined(__arm__)
constexpr int HostMachine = EM_ARM;
#elif defined(__riscv)
constexpr int HostMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr int HostMachine = EM_PPC64;
#else
#error "the machine of this build is not known to the library check"
#endif

constexpr unsigned char HostClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char HostByteOrder =
    __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__ ? ELFDATA2LSB : ELFDATA2MSB;

// True when count records of size bytes from offset lie inside a file of fileSize bytes.
bool Inside(std::uint64_t offset, std::uint64_t count, std::uint64_t size, std::uint64_t fileSize) {
    if (offset > fileSize)
        return false;
    if (size != 0 && count > (fileSize - offset) / size)
        return false;
    return true;
}

// An open regular file, read where it is asked, without a buffer: the check asks for a few
// header tables only.
class TDescriptorSource final : public TByteSource {
public:
    TDescriptorSource(int descriptor, std::uint64_t size)
        : Descriptor(descriptor), FileSize(size) {}

    std::int64_t Size() const override { return static_cast<std::int64_t>(FileSize); }
    std::size_t ReadAt(std::int64_t offset, void* dest, std::size_t count) override {
        std::size_t done = 0;
        while (done < count) {
            const ssize_t got = pread(Descriptor, static_cast<char*>(dest) + done, count - done,
                                      static_cast<off_t>(offset) + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    int Descriptor;
    std::uint64_t FileSize;
};

// `count` records from `offset`, which the caller found inside the file; empty when unread.
template <class Record>
std::vector<Record> RecordsAt(TByteSource& file, std::uint64_t offset, std::size_t count) {
    std::vector<Record> records(count);
    if (count == 0 || !file.ReadExactly(static_cast<std::int64_t>(offset), records.data(),
                                        count * sizeof(Record)))
        records.clear();
    return records;
}

} // namespace

std::optional<std::string> ElfLibraryFault(TByteSource& file) {
    using Header = ElfW(Ehdr);
    using ProgramHeader = ElfW(Phdr);
    using SectionHeader = ElfW(Shdr);
    const auto size = static_cast<std::uint64_t>(file.Size());
    const char* unread = "its headers cannot be read";
    unsigned char identity[EI_NIDENT];
    if (size < EI_NIDENT || !file.ReadExactly(0, identity, EI_NIDENT) ||
        std::memcmp(identity, ELFMAG, SELFMAG) != 0)
        return "not an ELF file";
    if (identity[EI_CLASS] != HostClass || identity[EI_DATA] != HostByteOrder)
        return "built for another kind of machine";
    if (size < sizeof(Header))
        return "cut short in its ELF header";
    const auto headers = RecordsAt<Header>(file, 0, 1);
    if (headers.empty())
        return unread;
    const Header& header = headers.front();
    if (header.e_machine != HostMachine)
        return "built for another kind of machine";
    if (header.e_type != ET_DYN)
        return "not a shared library";
    if (header.e_phentsize != sizeof(ProgramHeader) || header.e_phnum == 0 ||
        !Inside(header.e_phoff, header.e_phnum, sizeof(ProgramHeader), size))
        return "cut short: its program headers lie beyond the end of the file";
    const auto segments = RecordsAt<ProgramHeader>(file, header.e_phoff, header.e_phnum);
    if (segments.empty())
        return unread;
    for (const ProgramHeader& segment : segments)
        if (!Inside(segment.p_offset, segment.p_filesz, 1, size))
            return "cut short: a segment lies beyond the end of the file";
    if (header.e_shoff == 0)
        return std::nullopt;
    if (header.e_shentsize != sizeof(SectionHeader) ||
        !Inside(header.e_shoff, header.e_shnum, sizeof(SectionHeader), size))
        return "cut short: its section headers lie beyond the end of the file";
    const auto sections = RecordsAt<SectionHeader>(file, header.e_shoff, header.e_shnum);
    if (sections.empty() && header.e_shnum != 0)
        return unread;
    for (const SectionHeader& section : sections)
        if (section.sh_type != SHT_NOBITS && !Inside(section.sh_offset, section.sh_size, 1, size))
            return "cut short: a section lies beyond the end of the file";
    return std::nullopt;
}

std::optional<std::string> ElfLibraryFault(std::string_view bytes) {
    TMemorySource memory(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return ElfLibraryFault(memory);
}

std::optional<std::string> LibraryFileFault(const std::string& path) {
    const char* reason = nullptr;
    std::uint64_t size = 0;
    const int descriptor = OpenRegularFile(path, size, reason);
    if (descriptor < 0)
        return reason;
    TDescriptorSource file(descriptor, size);
    auto fault = ElfLibraryFault(file);
    close(descriptor);
    return fault;
}

} // namespace tavuro
