// Safe whole-file writing and reading (see FileIo.h for the contract).
#include "vyr/host/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace vyr::host {

EFileError::EFileError(std::string Action, std::string FileName, std::string Reason, int ErrorNumber)
    : std::runtime_error(Action + " " + FileName + ": " + Reason),
      FFileName(std::move(FileName)),
      FReason(std::move(Reason)),
      FErrorNumber(ErrorNumber) {}

namespace {

constexpr std::size_t BufferSize = 64 * 1024;
constexpr int MaxLinks = 40;

[[noreturn]] void Raise(const char* Action, const std::string& Path, int Error) {
    throw EFileError(Action, Path, std::strerror(Error), Error);
}

std::string FolderOf(const std::string& Path) {
    const std::size_t Slash = Path.rfind('/');
    if (Slash == std::string::npos) return ".";
    if (Slash == 0) return "/";
    return Path.substr(0, Slash);
}

std::string BaseOf(const std::string& Path) {
    const std::size_t Slash = Path.rfind('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

// The process's umask, read without changing it (umask() would, for every thread at once).
mode_t CurrentUmask() {
    std::ifstream Status("/proc/self/status");
    std::string Line;
    while (std::getline(Status, Line)) {
        if (Line.rfind("Umask:", 0) == 0) return static_cast<mode_t>(std::strtoul(Line.c_str() + 6, nullptr, 8));
    }
    return 022;
}

// Path with every symlink followed. Exists tells whether the final target exists; Info is its
// lstat then.
std::string FollowLinks(const std::string& Path, struct stat& Info, bool& Exists) {
    std::string Current = Path;
    for (int Hops = 0;; ++Hops) {
        if (::lstat(Current.c_str(), &Info) != 0) {
            if (errno != ENOENT) Raise("cannot write", Path, errno);
            Exists = false;
            return Current;
        }
        if (!S_ISLNK(Info.st_mode)) {
            Exists = true;
            return Current;
        }
        if (Hops == MaxLinks) Raise("cannot write", Path, ELOOP);
        std::string Target(static_cast<std::size_t>(Info.st_size > 0 ? Info.st_size : 255) + 1, '\0');
        const ssize_t Length = ::readlink(Current.c_str(), Target.data(), Target.size());
        if (Length < 0) Raise("cannot write", Path, errno);
        if (static_cast<std::size_t>(Length) >= Target.size()) Raise("cannot write", Path, ENAMETOOLONG);
        Target.resize(static_cast<std::size_t>(Length));
        Current = Target.starts_with('/') ? Target : FolderOf(Current) + "/" + Target;
    }
}

bool WriteAll(int Handle, const char* Data, std::size_t Size, int& Error) {
    while (Size > 0) {
        const ssize_t Done = ::write(Handle, Data, Size);
        if (Done < 0) {
            if (errno == EINTR) continue;
            Error = errno;
            return false;
        }
        Data += Done;
        Size -= static_cast<std::size_t>(Done);
    }
    return true;
}

}  // namespace

TFileWriter::TFileWriter(std::string Path) : FPath(std::move(Path)) {
    // "dir/" names a folder even when it does not exist yet.
    if (FPath.empty()) Raise("cannot write", "''", ENOENT);
    if (FPath.back() == '/') Raise("cannot write", FPath, EISDIR);
    struct stat Info {};
    bool Exists = false;
    FTarget = FollowLinks(FPath, Info, Exists);
    if (Exists && S_ISDIR(Info.st_mode)) Raise("cannot write", FPath, EISDIR);
    if (Exists && !S_ISREG(Info.st_mode)) {
        FStreaming = true;
        FHandle = ::open(FTarget.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (FHandle < 0) Raise("cannot write", FPath, errno);
    } else {
        std::string Template = FolderOf(FTarget) + "/." + BaseOf(FTarget) + ".XXXXXX";
        FHandle = ::mkostemp(Template.data(), O_CLOEXEC);
        if (FHandle < 0) Raise("cannot write", FPath, errno);
        FTemp = std::move(Template);
        const mode_t Mode = Exists ? (Info.st_mode & 07777) : (0666 & ~CurrentUmask());
        if (Exists && (Info.st_uid != ::geteuid() || Info.st_gid != ::getegid())) {
            // Keeps the owner where the process may (root); otherwise the file becomes the
            // writer's, as with any editor that saves by renaming.
            [[maybe_unused]] const int Ignored = ::fchown(FHandle, Info.st_uid, Info.st_gid);
        }
        if (::fchmod(FHandle, Mode) != 0) {
            const int Error = errno;
            Discard();
            Raise("cannot write", FPath, Error);
        }
    }
    FBuffer.reserve(BufferSize);
}

TFileWriter::~TFileWriter() { Discard(); }

void TFileWriter::Discard() noexcept {
    if (FHandle >= 0) ::close(FHandle);
    FHandle = -1;
    if (!FTemp.empty()) ::unlink(FTemp.c_str());
    FTemp.clear();
}

bool TFileWriter::TryWrite(const void* Data, std::size_t Size) noexcept {
    if (FError != 0) return false;
    if (FHandle < 0) {
        FError = EBADF;
        return false;
    }
    const char* Bytes = static_cast<const char*>(Data);
    if (FBuffer.size() + Size > BufferSize) {
        if (!Flush()) return false;
        if (Size >= BufferSize) return WriteAll(FHandle, Bytes, Size, FError);
    }
    FBuffer.insert(FBuffer.end(), Bytes, Bytes + Size);
    return true;
}

void TFileWriter::Write(const void* Data, std::size_t Size) {
    if (!TryWrite(Data, Size)) RaiseFailure();
}

bool TFileWriter::Flush() noexcept {
    if (FBuffer.empty()) return true;
    const bool Done = WriteAll(FHandle, FBuffer.data(), FBuffer.size(), FError);
    FBuffer.clear();
    return Done;
}

void TFileWriter::RaiseFailure() const { Raise("cannot write", FPath, FError != 0 ? FError : EIO); }

void TFileWriter::Commit() {
    if (FError != 0 || !Flush()) {
        Discard();
        RaiseFailure();
    }
    // A device or FIFO cannot be synced (EINVAL) and needs not be; a regular file must reach the
    // disk before the rename makes it the target, or a crash could leave an empty file.
    if (!FStreaming && ::fsync(FHandle) != 0) FError = errno;
    const int Handle = FHandle;
    FHandle = -1;
    if (::close(Handle) != 0 && FError == 0 && errno != EINTR) FError = errno;
    if (FError != 0) {
        Discard();
        RaiseFailure();
    }
    if (FStreaming) return;
    if (::rename(FTemp.c_str(), FTarget.c_str()) != 0) {
        FError = errno;
        Discard();
        RaiseFailure();
    }
    FTemp.clear();
    // The rename itself reaches the disk with the folder; a failure here changes nothing the
    // caller can act on, the file being in place.
    const int Folder = ::open(FolderOf(FTarget).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (Folder >= 0) {
        ::fsync(Folder);
        ::close(Folder);
    }
}

void WriteWholeFile(const std::string& Path, std::string_view Data) {
    TFileWriter Writer(Path);
    Writer.Write(Data);
    Writer.Commit();
}

namespace {

const char* KindOf(mode_t Mode) {
    if (S_ISCHR(Mode)) return "a character device";
    if (S_ISBLK(Mode)) return "a block device";
    if (S_ISFIFO(Mode)) return "a FIFO";
    if (S_ISSOCK(Mode)) return "a socket";
    return "a special file";
}

struct THandle {
    int Value;
    ~THandle() {
        if (Value >= 0) ::close(Value);
    }
};

}  // namespace

std::string ReadWholeFile(const std::string& Path, std::uint64_t Limit) {
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused just after.
    THandle Handle{::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (Handle.Value < 0) Raise("cannot read", Path, errno);
    struct stat Info {};
    if (::fstat(Handle.Value, &Info) != 0) Raise("cannot read", Path, errno);
    if (S_ISDIR(Info.st_mode)) Raise("cannot read", Path, EISDIR);
    if (!S_ISREG(Info.st_mode)) {
        throw EFileError("cannot read", Path, std::string("not a regular file (") + KindOf(Info.st_mode) + ")", 0);
    }
    const auto TooLarge = [&] {
        return EFileError("cannot read", Path, "larger than the limit of " + std::to_string(Limit) + " bytes", 0);
    };
    if (static_cast<std::uint64_t>(Info.st_size) > Limit) throw TooLarge();
    std::string Text;
    Text.resize(static_cast<std::size_t>(Info.st_size));
    std::size_t Used = 0;
    for (;;) {
        if (Used == Text.size()) {
            // The file may have grown since fstat: read on, one block at a time, up to Limit + 1.
            if (Used > Limit) throw TooLarge();
            Text.resize(Used + 4096);
        }
        const ssize_t Got = ::read(Handle.Value, Text.data() + Used, Text.size() - Used);
        if (Got < 0) {
            if (errno == EINTR) continue;
            Raise("cannot read", Path, errno);
        }
        if (Got == 0) break;
        Used += static_cast<std::size_t>(Got);
    }
    if (Used > Limit) throw TooLarge();
    Text.resize(Used);
    return Text;
}

}  // namespace vyr::host
