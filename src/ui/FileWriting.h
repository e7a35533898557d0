#pragma once

#include <cstdint>
#include <span>
#include <string>

#include <sys/types.h>

// The one way every writer puts a file in place, so that nothing is lost: the
// bytes go to a temporary file in the target's folder, every write and the
// close are checked and the data is flushed to the disk before the file takes
// the target's name. Nothing is ever written through a link, and no picture a
// run reads is ever replaced by what it writes. No Qt here: the command-line
// renderer uses it too.
namespace avatrix::ui {

struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
    friend auto operator<=>(const FileIdentity&, const FileIdentity&) = default;
};

// The file `path` names, following links as a reader would; false when there
// is none.
bool IdentifyFile(const std::string& path, FileIdentity& identity);

enum class WriteOutcome {
    Written,
    Exists,       // something has the name and replacing was not asked for
    Link,         // the name is a symbolic link: refused, whatever it points to
    SameAsInput,  // the name is one of `inputs`
    Failed,       // the system said no; `error` holds its errno
};

struct FileWrite {
    WriteOutcome outcome = WriteOutcome::Failed;
    int error = 0;
    bool ok() const { return outcome == WriteOutcome::Written; }
};

// Writes `bytes` under `path`. With `replace` an existing file is replaced in
// one step; without, the file is put in place only if the name is still free
// at that moment, so nothing that exists is touched. On any failure the
// temporary file is removed and whatever had the name keeps its bytes.
// `inputs` must be sorted. The file's bytes are always on the disk before it
// takes the name; with `syncFolder` false, making the name itself lasting is
// left to the caller (SyncFolder once after many files), and a crash before
// that can lose the new name, never leave a cut file under it.
FileWrite WriteFileSafely(const std::string& path, std::span<const std::uint8_t> bytes,
                          bool replace, std::span<const FileIdentity> inputs = {},
                          bool syncFolder = true);

// Flushes the folder `path` itself (its names) to the disk; the system's
// errno, or 0.
int SyncFolder(const std::string& path);

// The system's words for `error` (strerror's text), safe from any thread.
std::string SystemReason(int error);

}  // namespace avatrix::ui
