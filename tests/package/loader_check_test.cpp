// Truncated and corrupted copies of the real package are refused with a message before the
// dynamic loader sees them (it crashed with SIGBUS or SIGSEGV on them).
#include <elf.h>
#include <link.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "package_fixture.h"

namespace vyr::test {
namespace {

using Ehdr = ElfW(Ehdr);
using Phdr = ElfW(Phdr);
using Dyn = ElfW(Dyn);
using TBytes = std::vector<char>;

TBytes PackageBytes() {
    std::ifstream In(VYR_PACKAGE_FILE, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

Ehdr& Header(TBytes& B) { return *reinterpret_cast<Ehdr*>(B.data()); }
Phdr& Segment(TBytes& B, std::size_t I) { return reinterpret_cast<Phdr*>(B.data() + Header(B).e_phoff)[I]; }

// The index of the first segment of Type.
std::size_t Find(TBytes& B, std::uint32_t Type) {
    for (std::size_t I = 0; I < Header(B).e_phnum; ++I) {
        if (Segment(B, I).p_type == Type) return I;
    }
    ADD_FAILURE() << "the package has no segment of type " << Type;
    return 0;
}

// Every entry of the dynamic section, in file order (ending with DT_NULL).
std::vector<Dyn*> DynamicEntries(TBytes& B) {
    const Phdr& D = Segment(B, Find(B, PT_DYNAMIC));
    std::vector<Dyn*> Entries;
    for (std::size_t O = 0; O + sizeof(Dyn) <= D.p_filesz; O += sizeof(Dyn)) {
        Entries.push_back(reinterpret_cast<Dyn*>(B.data() + D.p_offset + O));
    }
    return Entries;
}

Dyn& Entry(TBytes& B, ElfW(Sxword) Tag) {
    for (Dyn* D : DynamicEntries(B)) {
        if (D->d_tag == Tag) return *D;
    }
    ADD_FAILURE() << "the package has no dynamic entry " << Tag;
    return *DynamicEntries(B).front();
}

// Loads Bytes as a package; the message of the refusal, or "" when it loaded (then unloaded).
std::string LoadRefusal(const TBytes& Bytes, const std::string& Path) {
    {
        std::ofstream Out(Path, std::ios::binary | std::ios::trunc);
        Out.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    }
    try {
        const host::HMODULE Module = host::LoadPackage(Path);
        host::UnloadPackage(Module);
        return "";
    } catch (const host::EPackageError& E) {
        return E.what();
    }
}

TEST(PackageLoaderChecks, TruncatedCopiesAreRefusedNotCrashed) {
    TScratchDir Dir;
    const std::string Path = Dir.File("Cut.bpl");
    TBytes Whole = PackageBytes();
    ASSERT_GT(Whole.size(), sizeof(Ehdr));
    std::vector<std::size_t> Lengths = {0,
                                        1,
                                        4,
                                        sizeof(Ehdr) - 1,
                                        sizeof(Ehdr),
                                        Header(Whole).e_phoff + Header(Whole).e_phnum * sizeof(Phdr) - 1,
                                        Whole.size() - 1};
    for (std::size_t I = 0; I < Header(Whole).e_phnum; ++I) {
        const Phdr& P = Segment(Whole, I);
        if (P.p_filesz == 0) continue;
        Lengths.push_back(P.p_offset + 1);
        Lengths.push_back(P.p_offset + P.p_filesz - 1);
    }
    for (std::size_t K = 1; K < 48; ++K) Lengths.push_back(Whole.size() * K / 48);
    for (const std::size_t Length : Lengths) {
        const TBytes Cut(Whole.begin(), Whole.begin() + static_cast<std::ptrdiff_t>(Length));
        TModuleEventLog Log;
        const std::string Message = LoadRefusal(Cut, Path);
        EXPECT_EQ(Message.rfind(Path + ": cannot load the package: ", 0), 0U) << Length << ": " << Message;
        EXPECT_EQ(Log.Count(host::TModuleEvent::LoadLibrary), 0) << Length;
        EXPECT_TRUE(host::LoadedPackages().empty());
    }
}

TEST(PackageLoaderChecks, CorruptedHeadersAreRefusedWithTheReason) {
    TScratchDir Dir;
    const std::string Path = Dir.File("Bad.bpl");
    const TBytes Whole = PackageBytes();
    const auto Size = static_cast<std::uint64_t>(Whole.size());
    struct TCase {
        const char* Name;
        std::function<void(TBytes&)> Corrupt;
        std::string Reason;
    };
    const std::vector<TCase> Cases = {
        {"magic", [](TBytes& B) { B[1] = 'X'; }, "not an ELF file"},
        {"class", [](TBytes& B) { B[EI_CLASS] = ELFCLASS32 + ELFCLASS64 - B[EI_CLASS]; }, "other word size"},
        {"byte order", [](TBytes& B) { B[EI_DATA] = ELFDATA2LSB + ELFDATA2MSB - B[EI_DATA]; }, "other byte order"},
        {"type", [](TBytes& B) { Header(B).e_type = ET_EXEC; }, "not a shared library"},
        {"machine", [](TBytes& B) { Header(B).e_machine = 0x7E57; }, "another machine"},
        {"phentsize", [](TBytes& B) { Header(B).e_phentsize = 10; }, "program header size"},
        {"phoff", [Size](TBytes& B) { Header(B).e_phoff = Size - 8; }, "program header table lies outside"},
        {"phoff wraps", [](TBytes& B) { Header(B).e_phoff = ~static_cast<ElfW(Off)>(7); },
         "program header table lies outside"},
        // The table moved to the very end of the file, then one entry more than fits (a debug
        // package is larger than the biggest count can reach from its usual place).
        {"phnum",
         [Size](TBytes& B) {
             Header(B).e_phoff = Size - Header(B).e_phnum * sizeof(ElfW(Phdr));
             ++Header(B).e_phnum;
         },
         "program header table lies outside"},
        {"shoff", [Size](TBytes& B) { Header(B).e_shoff = Size; }, "section header table lies outside"},
        {"shnum", [](TBytes& B) { Header(B).e_shnum = 0xFFFE; }, "section header table lies outside"},
        {"shstrndx", [](TBytes& B) { Header(B).e_shstrndx = Header(B).e_shnum; }, "index out of range"},
        {"load offset", [Size](TBytes& B) { Segment(B, Find(B, PT_LOAD)).p_offset += Size; }, "lies outside it"},
        {"load size", [Size](TBytes& B) { Segment(B, Find(B, PT_LOAD)).p_filesz = 2 * Size; }, "lies outside it"},
        {"load memsz", [](TBytes& B) { Segment(B, Find(B, PT_LOAD)).p_memsz = 0; }, "more file bytes than memory"},
        {"load align", [](TBytes& B) { Segment(B, Find(B, PT_LOAD)).p_align = 3; }, "unusable alignment"},
        {"load address", [](TBytes& B) { Segment(B, Find(B, PT_LOAD)).p_vaddr += 1; }, "is misaligned"},
        {"no load",
         [](TBytes& B) {
             for (std::size_t I = 0; I < Header(B).e_phnum; ++I) {
                 if (Segment(B, I).p_type == PT_LOAD) Segment(B, I).p_type = PT_NULL;
             }
         },
         "no loadable segment"},
        {"dynamic address", [](TBytes& B) { Segment(B, Find(B, PT_DYNAMIC)).p_vaddr = 1ULL << 40; }, "dynamic segment"},
        {"dynamic offset", [Size](TBytes& B) { Segment(B, Find(B, PT_DYNAMIC)).p_offset = Size + 16; },
         "lies outside it"},
        {"no dynamic", [](TBytes& B) { Segment(B, Find(B, PT_DYNAMIC)).p_type = PT_NULL; }, "no dynamic segment"},
        {"string table address", [](TBytes& B) { Entry(B, DT_STRTAB).d_un.d_ptr = 1ULL << 40; },
         "points outside the loaded image"},
        {"string table size", [](TBytes& B) { Entry(B, DT_STRSZ).d_un.d_val = 1ULL << 40; },
         "string table lies outside"},
        {"relocations size", [](TBytes& B) { Entry(B, DT_RELASZ).d_un.d_val = 1ULL << 40; },
         "relocation table lies outside"},
        {"needed name", [](TBytes& B) { Entry(B, DT_NEEDED).d_un.d_val = 1ULL << 40; }, "library name lies outside"},
        {"no end marker",
         [](TBytes& B) {
             for (Dyn* D : DynamicEntries(B)) {
                 if (D->d_tag == DT_NULL) D->d_tag = DT_DEBUG;
             }
         },
         "no end marker"},
    };
    for (const auto& Case : Cases) {
        TBytes Bytes = Whole;
        Case.Corrupt(Bytes);
        TModuleEventLog Log;
        const std::string Message = LoadRefusal(Bytes, Path);
        EXPECT_EQ(Message.rfind(Path + ": cannot load the package: ", 0), 0U) << Case.Name << ": " << Message;
        EXPECT_NE(Message.find(Case.Reason), std::string::npos) << Case.Name << ": " << Message;
        EXPECT_EQ(Log.Count(host::TModuleEvent::LoadLibrary), 0) << Case.Name;
    }
    // The untouched copy loads: the checks refuse only what is broken.
    EXPECT_EQ(LoadRefusal(Whole, Path), "");
}

}  // namespace
}  // namespace vyr::test
