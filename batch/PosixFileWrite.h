// Writing a whole file on POSIX systems: beside its final place, then put
// there in one step (a link of an unnamed file where the system offers one,
// otherwise a rename of a named temporary file), so that whenever the
// program ends the final name holds the old file, the complete new one, or
// nothing. Devices and pipes are written through instead. The platform
// decides where (links followed, the folder in use); this is how.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "IFileSystem.h"

// Where a file goes: a name in an open folder, or (nFolderFd AT_FDCWD) a
// path whose folder part, with its '/', is strPrefix.
struct CFilePlace {
    int nFolderFd;
    const char* pszName;
    std::string strPrefix;
};

// How far a write has come, for tests that interrupt it.
enum class EWriteStage {
    Created,  // the file is open, nothing written yet
    Written,  // every byte is written, the file not yet in its final place
};

// Whether the bytes go straight into the file (a character device, a named
// pipe) rather than into a new file put in its place.
bool IsWrittenThrough(const struct stat& st);
// Why a path that is neither a regular file nor written through is refused.
int NotReplaceableError(const struct stat& st);

// Writes the bytes into the device or pipe at place, in place.
WriteOutcome WriteThrough(const CFilePlace& place, const std::uint8_t* pData, std::size_t nSize);

// Writes the bytes aside and puts them at place: as a new file (never over
// one that exists by then: Exists), or (bReplace) over the regular file
// there, whose owner and permission bits pOld (when given) are kept. The
// temporary file is held (locked) until it is in place or gone. Unnamed
// files are tried first when bUnnamedFiles.
WriteOutcome PlaceWholeFile(const CFilePlace& place, const std::uint8_t* pData, std::size_t nSize, bool bReplace,
                            const struct stat* pOld, bool bUnnamedFiles,
                            const std::function<void(EWriteStage)>& fnStage);

// Removes the temporary files in the open folder nListFd that ended
// processes left behind: the process in the name has ended and nobody holds
// the file. Closes nListFd.
void RemoveStaleTemporaries(int nListFd);

// Whether the temporary file at place is held by a writer at work.
bool IsTemporaryHeld(const CFilePlace& place);
