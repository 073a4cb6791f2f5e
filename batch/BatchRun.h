// The worker loop of a batch run and the per-entry step, reporting to an
// observer that the window application and the command line each implement.
#pragma once

#include <string>

#include "FileOutcome.h"

class IFileSystem;
class IPlatform;

// What a front end shows of one entry.
struct ResultRow {
    std::string strFileName;
    std::string strResult;  // the result text of eOutcome
    std::string strPath;    // the input path
    std::string strDetail;  // why an NG result came about; empty for OK (a front end may leave it out)
    EFileOutcome eOutcome = EFileOutcome::Pending;
};

// What happens in a run, in this order:
//   OnRunStarted(N), OnCounts(0, 0, N),
//   for each entry i processed: OnEntryStarted(i), [OnRow(...)], OnCounts(...),
//   OnRunEnded().
// All of them arrive on the thread that runs RunBatch; each front end
// decides how to show them (the dialog posts its window messages).
class IBatchObserver {
public:
    virtual ~IBatchObserver() = default;
    // A run of nTotal entries starts.
    virtual void OnRunStarted(int nTotal) = 0;
    // Entry nIndex is about to be converted.
    virtual void OnEntryStarted(int nIndex) = 0;
    // The result of one entry. Not sent for an entry at which the run was
    // cancelled.
    virtual void OnRow(const ResultRow& row) = 0;
    // The counts so far (the count lines are FormatTotalText(nConverted +
    // nErrors, nTotal), ...).
    virtual void OnCounts(int nConverted, int nErrors, int nTotal) = 0;
    // The run is over: the last entry was reported, or it was stopped or
    // cancelled; g_bConverting is 0 again.
    virtual void OnRunEnded() = 0;
};

// How a run goes about its entries.
struct RunSettings {
    // Entries converted at a time: the calling thread and nJobs - 1 more
    // (nJobs <= 1: one after another on the calling thread).
    int nJobs = 1;
    // Give up the processor after every reported entry, so the dialog's
    // user-interface thread gets to draw the bar while a worker converts a
    // long list. A command line has nothing to draw between entries.
    bool bYieldAfterEachEntry = true;
    // Set the current folder back to g_strAppDir when the run ends, before
    // OnRunEnded: the dialog's rule, which a command line or a page has no
    // use for.
    bool bRestoreProgramFolder = false;
};

// Converts the entries of g_vecFileItems on the calling thread (any thread)
// and on settings.nJobs - 1 threads of its own, and reports each one in list
// order once it and every entry before it are done (the calling thread
// reports between the entries it converts itself). Resets g_nOverwriteMode;
// before each entry starts (is shown on the bar and converted or queued for
// a thread), ends the run when g_bConverting is 0 (stop request) or the run
// was cancelled at the overwrite question (entries already started are
// finished; after a cancel only those before the cancelled entry are
// reported); clears g_bConverting at the end.
// Rows, counts and outputs are the same for any nJobs: entries that write the
// same output are converted in list order. The overwrite question is asked
// by one thread at a time, so with nJobs > 1 give a policy that does not
// depend on the order of questions (overwrite all, or skip).
void RunBatch(IPlatform& platform, IBatchObserver& observer, const RunSettings& settings);
// The dialog's run: nJobs at a time, yielding after every entry, the
// program's folder current again at the end.
void RunBatch(IPlatform& platform, IBatchObserver& observer, int nJobs = 1);

// The counts of a run so far.
struct RunCounts {
    int nConverted = 0;
    int nErrors = 0;
};

struct EntryPlan;
class CMemoryBudget;
class CRunFiles;

// The two halves of the per-entry step. ConvertEntry derives and creates the
// output folder, runs the job and stores the low byte of its result; it
// touches only entry nIndex, g_nOverwriteMode and the file system, so
// entries may be converted in parallel, and nothing it meets (an exhausted
// allocation included) leaves it: such an entry fails with
// kTextConvertError; a failure leaves its detail in the entry. ReportEntry
// adds entry nIndex to the counts, adds its row (unless the run was
// cancelled at it) and reports the counts; it must be called in list order.
// pRunInputs (when given) holds the run's inputs, which no output that is a
// link may lead to.
void ConvertEntry(IPlatform& platform, int nIndex, const EntryPlan& plan, CMemoryBudget* pBudget,
                  const CRunFiles* pRunInputs = nullptr);
void ReportEntry(const IFileSystem& platform, IBatchObserver& observer, int nIndex, RunCounts& counts);
