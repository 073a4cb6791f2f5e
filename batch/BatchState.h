// The file list of a batch and the process-wide run state shared by the
// collection, the worker loop and the windows (or the command line).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "FileOutcome.h"

// One input file of the batch.
struct FileItem {
    std::string strPath;          // full input path as collected; never changed afterwards
    std::int8_t nResult = 0;      // low byte of the job's result code; valid once the entry was processed
    std::string strResult;        // result text; empty until processed, stays empty after a cancel
    std::string strDetail;        // why an NG result came about, in plain words; empty for OK
    EFileOutcome eOutcome = EFileOutcome::Pending;  // what became of it; strResult is its text
};

// Records what became of the entry (its outcome and the outcome's result
// text) and returns the outcome's result code.
int SetOutcome(FileItem& item, EFileOutcome eOutcome, int nConverterResult = 0);

// Values of g_nOverwriteMode.
inline constexpr int kOverwriteAsk = 0;     // ask before overwriting an existing output
inline constexpr int kOverwriteAll = 1;     // overwrite every existing output of this run
inline constexpr int kOverwriteCancel = 2;  // cancelled at the question: stop before the next entry

// The entries of the current batch, in processing order. Rebuilt by
// CollectDroppedFiles; not resized while a run is active.
extern std::vector<FileItem> g_vecFileItems;

// Overwrite decision of the current run (kOverwrite...). Reset by RunBatch,
// raised only by the per-file job.
extern std::atomic<int> g_nOverwriteMode;

// Base folder of the current batch, without a trailing separator. Fixed by the
// first collected path; read by MakeOutputDir during the run.
extern std::string g_strBaseDir;

// Root of the output tree. Empty (the default): g_strBaseDir + separator +
// "OUTPUT". The command line sets it for its --output option. Read-only while
// a run is active.
extern std::string g_strOutputRoot;

// The program's folder without a trailing separator: the base folder of a
// first path that has no separator, and the current folder restored at the
// end of every run.
extern std::string g_strAppDir;

// 1 from the start of a collection until the worker leaves its loop. Clearing
// it from another thread (the Stop button, Ctrl-C) is the stop request, which
// the worker honours between entries. Lock-free, so a signal handler may
// clear it.
extern std::atomic<int> g_bConverting;
static_assert(std::atomic<int>::is_always_lock_free, "the stop request is written by a signal handler");
