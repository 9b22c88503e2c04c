// The check of a shared library's file before dlopen (see elfcheck.h).
#include "elfcheck.h"

#include <elf.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vyr::host::detail {

namespace {

using Ehdr = ElfW(Ehdr);
using Phdr = ElfW(Phdr);
using Shdr = ElfW(Shdr);
using Dyn = ElfW(Dyn);
using Addr = ElfW(Addr);

#if defined(__x86_64__)
constexpr int Machine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int Machine = EM_AARCH64;
#elif defined(__i386__)
constexpr int Machine = EM_386;
#elif defined(__arm__)
constexpr int Machine = EM_ARM;
#elif defined(__riscv)
constexpr int Machine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr int Machine = EM_PPC64;
#elif defined(__s390x__)
constexpr int Machine = EM_S390;
#else
constexpr int Machine = -1;  // not checked
#endif

#if defined(__LP64__)
constexpr unsigned char Class = ELFCLASS64;
#else
constexpr unsigned char Class = ELFCLASS32;
#endif

#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr unsigned char ByteOrder = ELFDATA2LSB;
#else
constexpr unsigned char ByteOrder = ELFDATA2MSB;
#endif

// The dynamic section is read whole; a real one holds a few dozen entries.
constexpr std::uint64_t MaxDynamicBytes = 1U << 20;

struct THandle {
    int Value;
    ~THandle() {
        if (Value >= 0) ::close(Value);
    }
};

// Offset + Count * Size <= Limit, without overflow.
bool Fits(std::uint64_t Offset, std::uint64_t Count, std::uint64_t Size, std::uint64_t Limit) {
    if (Offset > Limit) return false;
    if (Size != 0 && Count > (Limit - Offset) / Size) return false;
    return true;
}

bool ReadAt(int Handle, void* Buffer, std::size_t Size, std::uint64_t Offset) {
    auto* Bytes = static_cast<char*>(Buffer);
    while (Size > 0) {
        const ssize_t Got = ::pread(Handle, Bytes, Size, static_cast<off_t>(Offset));
        if (Got < 0 && errno == EINTR) continue;
        if (Got <= 0) return false;
        Bytes += Got;
        Size -= static_cast<std::size_t>(Got);
        Offset += static_cast<std::uint64_t>(Got);
    }
    return true;
}

std::string Num(std::uint64_t V) { return std::to_string(V); }

// The loaded segments, as address ranges of the image.
class TImage {
public:
    void Add(const Phdr& P) { FLoads.push_back(P); }
    // [Start, Start + Size) lies inside one loaded segment's memory.
    [[nodiscard]] bool InMemory(std::uint64_t Start, std::uint64_t Size) const {
        for (const Phdr& P : FLoads) {
            if (Start >= P.p_vaddr && Size <= P.p_memsz && Start - P.p_vaddr <= P.p_memsz - Size) return true;
        }
        return false;
    }
    // As InMemory, and the bytes come from the file (not the zero-filled tail of a segment).
    [[nodiscard]] bool InFile(std::uint64_t Start, std::uint64_t Size) const {
        for (const Phdr& P : FLoads) {
            if (Start >= P.p_vaddr && Size <= P.p_filesz && Start - P.p_vaddr <= P.p_filesz - Size) return true;
        }
        return false;
    }
    // A segment read from memory whose file bytes are the ones mapped at its address.
    [[nodiscard]] bool MapsAsInFile(const Phdr& S) const {
        for (const Phdr& P : FLoads) {
            if (S.p_vaddr >= P.p_vaddr && S.p_filesz <= P.p_filesz &&
                S.p_vaddr - P.p_vaddr <= P.p_filesz - S.p_filesz && S.p_offset >= P.p_offset &&
                S.p_offset - P.p_offset == S.p_vaddr - P.p_vaddr) {
                return true;
            }
        }
        return false;
    }
    [[nodiscard]] bool Empty() const { return FLoads.empty(); }

private:
    std::vector<Phdr> FLoads;
};

const char* SegmentName(std::uint32_t Type) {
    switch (Type) {
        case PT_DYNAMIC:
            return "dynamic";
        case PT_NOTE:
            return "note";
        case PT_TLS:
            return "TLS";
        case PT_GNU_RELRO:
            return "RELRO";
        case PT_GNU_EH_FRAME:
            return "exception frame";
        case PT_GNU_PROPERTY:
            return "property";
        case PT_PHDR:
            return "program header";
        default:
            return "a";
    }
}

std::string CheckHeader(const Ehdr& E, std::uint64_t Size) {
    if (std::memcmp(E.e_ident, ELFMAG, SELFMAG) != 0) return "not an ELF file";
    if (E.e_ident[EI_CLASS] != Class) return "an ELF file of the other word size";
    if (E.e_ident[EI_DATA] != ByteOrder) return "an ELF file of the other byte order";
    if (E.e_ident[EI_VERSION] != EV_CURRENT || E.e_version != EV_CURRENT) return "an unknown ELF version";
    if (E.e_type != ET_DYN) return "not a shared library (ELF type " + Num(E.e_type) + ")";
    if (Machine >= 0 && E.e_machine != Machine)
        return "built for another machine (ELF machine " + Num(E.e_machine) + ")";
    if (E.e_ehsize != sizeof(Ehdr)) return "a wrong ELF header size (" + Num(E.e_ehsize) + ")";
    if (E.e_phentsize != sizeof(Phdr)) return "a wrong program header size (" + Num(E.e_phentsize) + ")";
    if (E.e_phnum == 0 || E.e_phnum == PN_XNUM) return "no usable program header table";
    if (E.e_phoff % alignof(Phdr) != 0) return "a misaligned program header table";
    if (!Fits(E.e_phoff, E.e_phnum, sizeof(Phdr), Size)) {
        return "the file is " + Num(Size) + " bytes long: the program header table lies outside it";
    }
    if (E.e_shnum != 0 || E.e_shoff != 0) {
        if (E.e_shentsize != sizeof(Shdr)) return "a wrong section header size (" + Num(E.e_shentsize) + ")";
        if (!Fits(E.e_shoff, E.e_shnum, sizeof(Shdr), Size)) {
            return "the file is " + Num(Size) + " bytes long: the section header table lies outside it";
        }
        if (E.e_shstrndx != SHN_UNDEF && E.e_shstrndx >= E.e_shnum) return "a section name table index out of range";
    }
    return {};
}

std::string CheckSegments(const std::vector<Phdr>& Headers, std::uint64_t Size, TImage& Image) {
    const auto Page = static_cast<std::uint64_t>(::sysconf(_SC_PAGESIZE));
    std::uint64_t LastEnd = 0;
    for (std::size_t I = 0; I < Headers.size(); ++I) {
        const Phdr& P = Headers[I];
        const std::string Which = "segment " + Num(I);
        if (P.p_filesz != 0 && !Fits(P.p_offset, 1, P.p_filesz, Size)) {
            return "the file is " + Num(Size) + " bytes long: " + Which + " lies outside it";
        }
        if (P.p_type != PT_LOAD) continue;
        if (P.p_filesz > P.p_memsz) return Which + " holds more file bytes than memory";
        if (P.p_align > 1 && ((P.p_align & (P.p_align - 1)) != 0 || P.p_align % Page != 0)) {
            return Which + " has an unusable alignment (" + Num(P.p_align) + ")";
        }
        if (P.p_align > 1 && (P.p_vaddr - P.p_offset) % P.p_align != 0) return Which + " is misaligned";
        if (P.p_memsz > UINT64_MAX - P.p_vaddr) return Which + " wraps around the address space";
        if (!Image.Empty() && P.p_vaddr < LastEnd) return Which + " overlaps or precedes the one before it";
        LastEnd = P.p_vaddr + P.p_memsz;
        Image.Add(P);
    }
    if (Image.Empty()) return "no loadable segment";
    bool HasDynamic = false;
    for (std::size_t I = 0; I < Headers.size(); ++I) {
        const Phdr& P = Headers[I];
        switch (P.p_type) {
            case PT_DYNAMIC:
            case PT_NOTE:
            case PT_GNU_PROPERTY:
            case PT_GNU_EH_FRAME:
            case PT_PHDR:
                // The loader reads these at their address in the loaded image.
                if (P.p_filesz > P.p_memsz || !Image.MapsAsInFile(P)) {
                    return std::string("the ") + SegmentName(P.p_type) + " segment (" + Num(I) +
                           ") lies outside the loaded image";
                }
                HasDynamic = HasDynamic || P.p_type == PT_DYNAMIC;
                break;
            case PT_TLS:
                if (P.p_filesz > P.p_memsz || (P.p_filesz != 0 && !Image.MapsAsInFile(P))) {
                    return "the TLS segment (" + Num(I) + ") lies outside the loaded image";
                }
                if (P.p_align > 1 && (P.p_align & (P.p_align - 1)) != 0) return "the TLS segment is misaligned";
                break;
            case PT_GNU_RELRO:
                if (!Image.InMemory(P.p_vaddr, P.p_memsz)) return "the RELRO segment lies outside the loaded image";
                break;
            default:
                break;
        }
    }
    if (!HasDynamic) return "no dynamic segment";
    return {};
}

bool IsAddressTag(ElfW(Sxword) Tag) {
    switch (Tag) {
        case DT_PLTGOT:
        case DT_HASH:
        case DT_STRTAB:
        case DT_SYMTAB:
        case DT_RELA:
        case DT_INIT:
        case DT_FINI:
        case DT_REL:
        case DT_JMPREL:
        case DT_INIT_ARRAY:
        case DT_FINI_ARRAY:
        case DT_PREINIT_ARRAY:
        case DT_GNU_HASH:
        case DT_VERSYM:
        case DT_VERDEF:
        case DT_VERNEED:
#ifdef DT_RELR
        case DT_RELR:
#endif
            return true;
        default:
            return false;
    }
}

std::string CheckDynamic(int Handle, const std::vector<Phdr>& Headers, const TImage& Image) {
    const Phdr* Dynamic = nullptr;
    for (const Phdr& P : Headers) {
        if (P.p_type == PT_DYNAMIC) Dynamic = &P;
    }
    if (Dynamic == nullptr) return "no dynamic segment";
    if (Dynamic->p_filesz > MaxDynamicBytes) return "a dynamic segment of " + Num(Dynamic->p_filesz) + " bytes";
    std::vector<Dyn> Entries(Dynamic->p_filesz / sizeof(Dyn));
    if (!Entries.empty() && !ReadAt(Handle, Entries.data(), Entries.size() * sizeof(Dyn), Dynamic->p_offset)) {
        return "cannot read the dynamic segment";
    }
    std::uint64_t Value[64] = {};
    bool Has[64] = {};
    bool Terminated = false;
    std::vector<std::uint64_t> StringOffsets;  // DT_NEEDED, DT_SONAME, DT_RPATH, DT_RUNPATH
    for (const Dyn& D : Entries) {
        if (D.d_tag == DT_NULL) {
            Terminated = true;
            break;
        }
        if (IsAddressTag(D.d_tag) && !Image.InMemory(D.d_un.d_ptr, 1)) {
            return "dynamic entry " + Num(static_cast<std::uint64_t>(D.d_tag)) + " points outside the loaded image";
        }
        if (D.d_tag == DT_NEEDED || D.d_tag == DT_SONAME || D.d_tag == DT_RPATH || D.d_tag == DT_RUNPATH) {
            StringOffsets.push_back(D.d_un.d_val);
        }
        if (D.d_tag >= 0 && D.d_tag < 64) {
            Value[D.d_tag] = D.d_un.d_val;
            Has[D.d_tag] = true;
        }
    }
    if (!Terminated) return "the dynamic segment has no end marker";
    if (!Has[DT_STRTAB] || !Has[DT_SYMTAB]) return "no symbol or string table";
    // Tables with a size: they must lie whole inside the file's part of the image.
    const struct {
        int Start;
        int Size;
        const char* Name;
    } Tables[] = {
        {DT_STRTAB, DT_STRSZ, "string table"},
        {DT_RELA, DT_RELASZ, "relocation table"},
        {DT_REL, DT_RELSZ, "relocation table"},
        {DT_JMPREL, DT_PLTRELSZ, "PLT relocation table"},
        {DT_INIT_ARRAY, DT_INIT_ARRAYSZ, "init array"},
        {DT_FINI_ARRAY, DT_FINI_ARRAYSZ, "fini array"},
        {DT_PREINIT_ARRAY, DT_PREINIT_ARRAYSZ, "preinit array"},
    };
    for (const auto& T : Tables) {
        if (!Has[T.Start]) continue;
        if (!Image.InMemory(Value[T.Start], Value[T.Size]))
            return std::string("the ") + T.Name + " lies outside the loaded image";
    }
    if (!Image.InFile(Value[DT_STRTAB], Value[DT_STRSZ])) return "the string table lies outside the file";
    for (std::uint64_t Offset : StringOffsets) {
        if (Offset >= Value[DT_STRSZ]) return "a library name lies outside the string table";
    }
    return {};
}

}  // namespace

std::string CheckLoadableImage(const std::string& Path) {
    THandle Handle{::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (Handle.Value < 0) return std::strerror(errno);
    struct stat Info {};
    if (::fstat(Handle.Value, &Info) != 0) return std::strerror(errno);
    if (S_ISDIR(Info.st_mode)) return std::strerror(EISDIR);
    if (!S_ISREG(Info.st_mode)) return "not a regular file";
    const auto Size = static_cast<std::uint64_t>(Info.st_size);
    Ehdr Header{};
    if (Size < sizeof Header || !ReadAt(Handle.Value, &Header, sizeof Header, 0)) {
        return "the file is " + Num(Size) + " bytes long: too short for an ELF header";
    }
    if (std::string Why = CheckHeader(Header, Size); !Why.empty()) return Why;
    std::vector<Phdr> Headers(Header.e_phnum);
    if (!ReadAt(Handle.Value, Headers.data(), Headers.size() * sizeof(Phdr), Header.e_phoff)) {
        return "cannot read the program header table";
    }
    TImage Image;
    if (std::string Why = CheckSegments(Headers, Size, Image); !Why.empty()) return Why;
    return CheckDynamic(Handle.Value, Headers, Image);
}

}  // namespace vyr::host::detail
