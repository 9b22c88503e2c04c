// A check of a shared library's file before it goes to the dynamic loader, which trusts the
// file and crashes (SIGBUS, SIGSEGV) on a truncated or corrupted one.
//
// It checks what the loader reads before the library's own code runs: the ELF header (a shared
// object of this machine's class, byte order and architecture), that the program and section
// header tables lie inside the file, that every loadable segment lies inside the file with
// sane alignment, that the segments the loader reads from memory (dynamic, notes, TLS, RELRO)
// lie inside a loaded segment, and that the dynamic section is terminated and its tables
// (strings, symbols, hashes, relocations, init and fini arrays) lie inside the loaded image.
//
// It does not make an untrusted file safe to load: a package is code, run with the rights of
// the process that loads it, and is loaded only from trusted places. The check turns the
// damage a broken copy or a cut download does into an error message instead of a crash.
#pragma once

#include <string>

namespace vyr::host::detail {

// Empty when the file at Path passed; else why not, in a few words ("the file is 812 bytes
// long: the program header table ends at 1024"). Never throws except std::bad_alloc.
std::string CheckLoadableImage(const std::string& Path);

}  // namespace vyr::host::detail
