// Turning dropped paths into the file list, and the mirrored output folders.
#pragma once

#include <string>
#include <vector>

class IFileSystem;
class IPlatform;
struct FileItem;

// Starts a batch: empties g_vecFileItems, sets g_bConverting to 1, fixes
// g_strBaseDir from the first path (its folder; g_strAppDir when it has no
// separator; a later path while the folder came out empty) and collects the
// paths in order. A folder, or a path whose
// attributes cannot be read, is scanned with CollectFolder; anything else
// becomes one entry whatever its extension. Paths are full paths, as a drop
// delivers them. Returns the number of folders that could not be listed
// (each was reported with one notice).
//
// The window's own part of a drop (clearing the result list, refusing
// further drops) is up to the caller.
int CollectDroppedFiles(IPlatform& platform, const std::vector<std::string>& vecPaths);

// Appends every file below strFolder to g_vecFileItems, breadth-first: the
// folder's own files, then those of its subfolders in listing order, then of
// their subfolders, and so on. Every non-folder entry is taken (hidden ones
// too), except the temporary files of outputs being written (IsTemporaryName
// and IFileSystem::IsTemporaryInUse).
// Linked folders are entered, but no folder is listed twice, so links that
// form loops end the scan all the same. A folder that cannot be listed
// yields one notice (folder + kTextNoAccessTail) and no entries. Returns the
// number of such notices.
int CollectFolder(IPlatform& platform, const std::string& strFolder);
// The same walk into any list, touching nothing of the batch's state and
// showing nothing (so kestrel-info scans folders exactly as the converter
// does). Returns the folders that could not be listed, in the order met.
std::vector<std::string> CollectFolderInto(IFileSystem& platform, const std::string& strFolder,
                                           std::vector<FileItem>& vecItems);

// The output folder for an input path, without a trailing separator, after
// creating every missing level (failures ignored: they surface as the job's
// output open error). Inputs in the base folder B or below it (B\x\y) go to
// <root>\x\y, where <root> is g_strOutputRoot or B\OUTPUT; every other input
// goes straight into <root>. "Below" needs a separator right after B:
// C:\music is not below C:\m. The folder is the one in use
// (IFileSystem::UseFolder) until the caller ends its use.
std::string MakeOutputDir(IFileSystem& platform, const std::string& strInputPath);
// The same folder, worked out from the text alone: nothing is created.
std::string OutputDirOf(const IFileSystem& platform, const std::string& strInputPath);
