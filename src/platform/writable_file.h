#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A file the operator keeps (an AVI file, a snapshot), written in steps and patched in place
// before it is committed. Nothing of it shows under its final name until Close succeeds.

namespace ostrel {

// The outcome of one file operation: nErrno is 0 on success, else the errno value of the
// failure (ENOSPC, EFBIG, EIO, EACCES, EBADF for a file already closed or failed, EINVAL for a
// seek past the end).
struct FileStatus {
    int nErrno = 0;

    bool Ok() const { return nErrno == 0; }
    // The system's text for the failure ("No space left on device"); empty on success.
    std::string Text() const;
};

// Who may read a file the program makes new. A rewrite keeps the mode (and, where it can, the
// owner) of the file it replaces whichever is asked, so an operator's chmod stands.
enum class FileAccess : uint8_t {
    Shared,  // 0666 less the umask: pictures, AVI files, the program's own data
    Private, // 0600 whatever the umask: files that hold recorder addresses or logins
};

// One file being written, from one thread at a time (any thread; it keeps no global state).
// The bytes go to a temporary file beside the final name. Close commits them: it makes them
// durable and renames the temporary over the final name. A file destroyed without a successful
// Close removes its temporary and leaves whatever was under the final name untouched.
//
// The first failure sticks: the temporary is removed at once and every later call fails with
// the same errno, so a caller may check only Close's result. After a successful Close every
// call fails with EBADF. Nothing throws.
class WritableFile {
public:
    virtual ~WritableFile() = default;

    // Writes all nBytes at the current position, which moves past them; writing inside what
    // was written before overwrites it (a patch). Fails with the errno of the write (ENOSPC,
    // EFBIG, EIO) or EBADF once the file is closed or has failed; nothing is said about how
    // many of the bytes reached the file then.
    virtual FileStatus Write(const uint8_t* pData, size_t nBytes) = 0;
    // Moves to nOffset bytes from the start. The offset may be at most the file's size (the
    // furthest any write has reached): a seek past it fails with EINVAL and changes nothing, but
    // does not count as the file's failure. EBADF once the file is closed or has failed.
    virtual FileStatus Seek(uint64_t nOffset) = 0;
    // The current position in bytes from the start.
    virtual uint64_t Position() const = 0;
    // The furthest any write has reached, in bytes.
    virtual uint64_t Size() const = 0;
    // Reads back up to nBytes written at nOffset into pData (a second pass over the file, e.g.
    // to move an index to the front); *pnRead gets how many, fewer only at the end. The
    // position does not move. A read error is the file's failure, as a write's is.
    virtual FileStatus ReadAt(uint64_t nOffset, uint8_t* pData, size_t nBytes, size_t* pnRead) = 0;
    // Commits the file: flushes it to the disk and renames it over the final name, replacing a
    // previous file of that name, whose mode (and owner, where allowed) it takes. On failure
    // (the errno of the flush or the rename, EISDIR when a folder has the final name, EBADF
    // when already closed or failed) the temporary is removed and the final name keeps what it
    // had.
    virtual FileStatus Close() = 0;
    // Commits the file as Close does, but under strFinalPath (in the folder the file was opened
    // in), and never over an existing file: when that name is taken the result is EEXIST and
    // the file stays open and whole, to be committed under another name. A file system that
    // cannot refuse to replace (no such rename, no hard links) never costs the file.
    virtual FileStatus CloseAs(const std::string& strFinalPath) = 0;
};

} // namespace ostrel
