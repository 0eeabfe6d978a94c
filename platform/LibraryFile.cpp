#include "platform/LibraryFile.h"

#include <elf.h>
#include <link.h>

#include <cstdint>
#include <cstring>

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

template <class Record> Record RecordAt(std::string_view bytes, std::uint64_t offset) {
    Record record;
    std::memcpy(&record, bytes.data() + offset, sizeof record);
    return record;
}

} // namespace

std::optional<std::string> ElfLibraryFault(std::string_view bytes) {
    using Header = ElfW(Ehdr);
    using ProgramHeader = ElfW(Phdr);
    using SectionHeader = ElfW(Shdr);
    const std::uint64_t size = bytes.size();
    if (size < EI_NIDENT || std::memcmp(bytes.data(), ELFMAG, SELFMAG) != 0)
        return "not an ELF file";
    if (static_cast<unsigned char>(bytes[EI_CLASS]) != HostClass ||
        static_cast<unsigned char>(bytes[EI_DATA]) != HostByteOrder)
        return "built for another kind of machine";
    if (size < sizeof(Header))
        return "cut short in its ELF header";
    const auto header = RecordAt<Header>(bytes, 0);
    if (header.e_machine != HostMachine)
        return "built for another kind of machine";
    if (header.e_type != ET_DYN)
        return "not a shared library";
    if (header.e_phentsize != sizeof(ProgramHeader) || header.e_phnum == 0 ||
        !Inside(header.e_phoff, header.e_phnum, sizeof(ProgramHeader), size))
        return "cut short: its program headers lie beyond the end of the file";
    for (std::uint64_t i = 0; i < header.e_phnum; ++i) {
        const auto segment =
            RecordAt<ProgramHeader>(bytes, header.e_phoff + i * sizeof(ProgramHeader));
        if (!Inside(segment.p_offset, segment.p_filesz, 1, size))
            return "cut short: a segment lies beyond the end of the file";
    }
    if (header.e_shoff == 0)
        return std::nullopt;
    if (header.e_shentsize != sizeof(SectionHeader) ||
        !Inside(header.e_shoff, header.e_shnum, sizeof(SectionHeader), size))
        return "cut short: its section headers lie beyond the end of the file";
    for (std::uint64_t i = 0; i < header.e_shnum; ++i) {
        const auto section =
            RecordAt<SectionHeader>(bytes, header.e_shoff + i * sizeof(SectionHeader));
        if (section.sh_type != SHT_NOBITS && !Inside(section.sh_offset, section.sh_size, 1, size))
            return "cut short: a section lies beyond the end of the file";
    }
    return std::nullopt;
}

std::optional<std::string> LibraryFileFault(const std::string& path) {
    std::string error;
    const auto bytes = ReadFileBytes(path, &error);
    if (!bytes)
        return error;
    return ElfLibraryFault(*bytes);
}

} // namespace tavuro
