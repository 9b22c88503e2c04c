/// @file
/// Writing and reading whole files safely: every file the project writes (forms, pictures,
/// generated sources, font exports) goes through TFileWriter, and every file it reads whole
/// through ReadWholeFile.
///
/// TFileWriter replaces a file atomically: the bytes go to a temporary file made with mkstemp in
/// the target's folder (a fresh, unpredictable name created with O_EXCL, so a symlink planted
/// there is never followed and two writers never share a temporary file), which is flushed,
/// synced and then renamed over the target. Until that rename the old file stays whole; on any
/// failure, and when the writer is destroyed without Commit, the temporary file is removed.
/// A replaced file keeps its permission bits (and, where the process may, its owner); a new
/// file gets 0666 less the umask.
///
/// What the target is decides how it is written:
/// - missing or a regular file: replaced atomically as above;
/// - a symlink: followed (chains too, up to 40 links); its final target is written as above, so
///   the link itself stays a link;
/// - a device, a FIFO or another special file: opened and written directly, as a stream (a FIFO
///   waits for its reader); a special file is never replaced;
/// - a directory: refused (EISDIR).
///
/// Errors are EFileError, whose message names the file as the caller gave it and the operating
/// system's reason: "cannot write out/x.png: No space left on device".
///
/// Threads: any; one writer is used by one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vyr::host {

/// A file could not be written or read. what() is "ACTION FILE: REASON", for instance
/// "cannot write a/b.vfm: No such file or directory". ErrorNumber() is the errno value, or 0 when
/// the reason is not the operating system's (a file too large, not a regular file).
class EFileError : public std::runtime_error {
public:
    /// The fault of Action ("cannot write", ...) on FileName for Reason; ErrorNumber is errno, or
    /// 0.
    EFileError(std::string Action, std::string FileName, std::string Reason, int ErrorNumber);

    /// The file's name, as given.
    [[nodiscard]] const std::string& FileName() const { return FFileName; }
    /// Why it failed, for example strerror's text.
    [[nodiscard]] const std::string& Reason() const { return FReason; }
    /// The errno value, or 0 when the reason is not the operating system's.
    [[nodiscard]] int ErrorNumber() const { return FErrorNumber; }

private:
    std::string FFileName;
    std::string FReason;
    int FErrorNumber;
};

/// Writes one file safely (see the file's description): the bytes become the file only at Commit.
/// Not copyable. One thread at a time.
class TFileWriter {
public:
    /// Opens the temporary file (or the special file itself). Throws EFileError.
    explicit TFileWriter(std::string Path);
    /// Without Commit: the temporary file is removed and the target left as it was.
    ~TFileWriter();
    TFileWriter(const TFileWriter&) = delete;
    TFileWriter& operator=(const TFileWriter&) = delete;

    /** @{ */
    /// Appends bytes (buffered). Throws EFileError at the first failure.
    void Write(const void* Data, std::size_t Size);
    void Write(std::string_view Text) { Write(Text.data(), Text.size()); }
    /** @} */
    /// As Write, for C libraries that call back and cannot take an exception: false on failure;
    /// the failure is kept and Commit raises it.
    bool TryWrite(const void* Data, std::size_t Size) noexcept;
    /// Flushes, syncs and renames the temporary file over the target (a special file: flushes and
    /// closes it). Throws EFileError; the target is then unchanged (a stream keeps what it got).
    void Commit();

    /// The path as the caller gave it.
    [[nodiscard]] const std::string& Path() const { return FPath; }
    /// True when the target is a special file written directly.
    [[nodiscard]] bool Streaming() const { return FStreaming; }
    /// The failure TryWrite met, as an exception; nothing when there was none.
    [[noreturn]] void RaiseFailure() const;
    /// True once TryWrite has failed.
    [[nodiscard]] bool Failed() const { return FError != 0; }

private:
    bool Flush() noexcept;
    void Discard() noexcept;

    std::string FPath;    // as given, for messages
    std::string FTarget;  // the file written: Path with every symlink followed
    std::string FTemp;    // the temporary file; empty when streaming
    int FHandle = -1;
    bool FStreaming = false;
    int FError = 0;  // errno of the first failed write
    std::vector<char> FBuffer;
};

/// Writes Data to Path through a TFileWriter.
void WriteWholeFile(const std::string& Path, std::string_view Data);

/// Reads a regular file whole. Refuses, with EFileError naming the file: a directory, a device, a
/// FIFO or a socket ("not a regular file (a FIFO)"; opening never blocks) and a file of more than
/// Limit bytes (also one that grows past it while being read).
[[nodiscard]] std::string ReadWholeFile(const std::string& Path, std::uint64_t Limit);

}  // namespace vyr::host
