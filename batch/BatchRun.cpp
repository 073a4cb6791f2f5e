#include "BatchRun.h"

#include <algorithm>
#include <thread>

#include "BatchState.h"
#include "BatchTexts.h"
#include "ConvertFile.h"
#include "IPlatform.h"
#include "InputCollection.h"
#include "JobPool.h"
#include "MemoryBudget.h"
#include "PathText.h"
#include "ResultDetail.h"
#include "RunFiles.h"
#include "RunPlan.h"

void RunBatch(IPlatform& platform, IBatchObserver& observer, int nJobs) {
    RunBatch(platform, observer,
             RunSettings{.nJobs = nJobs, .bYieldAfterEachEntry = true, .bRestoreProgramFolder = true});
}

void RunBatch(IPlatform& platform, IBatchObserver& observer, const RunSettings& settings) {
    g_nOverwriteMode.store(kOverwriteAsk);
    const int nTotal = static_cast<int>(g_vecFileItems.size());
    observer.OnRunStarted(nTotal);
    observer.OnCounts(0, 0, nTotal);

    const std::vector<EntryPlan> vecPlan = PlanEntries(platform, g_vecFileItems);
    CMemoryBudget budget(platform.MemoryForJobs());
    const CRunFiles inputs = CRunFiles::OfInputs(g_vecFileItems);
    RunCounts counts;
    {
        // This thread is one of the jobs.
        CJobPool pool(settings.nJobs - 1, nTotal, [&](int nIndex) {
            ConvertEntry(platform, nIndex, vecPlan[static_cast<std::size_t>(nIndex)], &budget, &inputs);
        });
        int nStarted = 0;
        int nReported = 0;
        bool bEnded = false;  // no entry starts any more
        // Whether entry nStarted may start now; ends the run at a stop
        // request or a cancel.
        const auto MayStartNext = [&] {
            if (!bEnded && nStarted < nTotal &&
                (g_bConverting.load() == 0 || g_nOverwriteMode.load() == kOverwriteCancel)) {
                bEnded = true;
            }
            if (bEnded || nStarted == nTotal) {
                return false;
            }
            // An entry whose output touches an earlier one's waits until the
            // run is as far as one job would be: every entry up to that one
            // done (and reported, which comes first here).
            return vecPlan[static_cast<std::size_t>(nStarted)].nAfterEntry < nReported;
        };
        for (;;) {
            bool bCancelled = false;  // no entry is reported any more
            while (nReported < nStarted && pool.IsDone(nReported)) {
                ReportEntry(platform, observer, nReported, counts);
                bCancelled = WasCancelledAt(g_vecFileItems[static_cast<std::size_t>(nReported)]);
                ++nReported;
                if (settings.bYieldAfterEachEntry) {
                    std::this_thread::yield();
                }
                if (bCancelled) {
                    break;
                }
            }
            if (bCancelled) {
                break;
            }
            // The bar shows each entry before it is handed over or converted.
            while (pool.QueueHasRoom() && MayStartNext()) {
                observer.OnEntryStarted(nStarted);
                pool.Queue(nStarted++);
            }
            if (MayStartNext()) {
                observer.OnEntryStarted(nStarted);
                pool.ConvertHere(nStarted++);
            } else if (!pool.ConvertQueuedHere()) {
                if ((bEnded || nStarted == nTotal) && nReported == nStarted) {
                    break;
                }
                pool.WaitForChange();
            }
        }
    }

    g_bConverting.store(0);
    if (settings.bRestoreProgramFolder) {
        platform.ChangeFolder(g_strAppDir);
    }
    observer.OnRunEnded();
}

namespace {

// Ends the use of the entry's output folder however the job ends.
class CFolderUse {
public:
    explicit CFolderUse(IPlatform& platform) : m_platform(platform) {}
    ~CFolderUse() { m_platform.EndFolderUse(); }
    CFolderUse(const CFolderUse&) = delete;
    CFolderUse& operator=(const CFolderUse&) = delete;

private:
    IPlatform& m_platform;
};

}  // namespace

void ConvertEntry(IPlatform& platform, int nIndex, const EntryPlan& plan, CMemoryBudget* pBudget,
                  const CRunFiles* pRunInputs) {
    FileItem& item = g_vecFileItems[static_cast<std::size_t>(nIndex)];
    int nResult = ResultCode(EFileOutcome::OutOfMemory);
    try {
        if (plan.bOutputIsAnInput) {
            // Writing it would destroy an input of this run.
            nResult = SetOutcome(item, EFileOutcome::OutputOpenError);
            const bool bItself =
                platform.PathKey(OutputPathOf(platform, item.strPath)) == platform.PathKey(item.strPath);
            SetDetail(item, bItself ? kDetailOutputIsInput : kDetailOutputIsOtherInput);
        } else {
            const CFolderUse use(platform);
            const std::string strOutDir = MakeOutputDir(platform, item.strPath);
            nResult = ConvertFileItem(platform, item, strOutDir, pBudget, pRunInputs);
        }
    } catch (...) {
        // Out of memory outside the conversion itself (paths, texts): this
        // entry fails, the run goes on.
        nResult = ResultCode(EFileOutcome::OutOfMemory);
        try {
            SetOutcome(item, EFileOutcome::OutOfMemory);
        } catch (...) {
            item.eOutcome = EFileOutcome::OutOfMemory;
            item.strResult.clear();
        }
        SetDetail(item, kDetailOutOfMemory);
    }
    // Only the low byte is kept; only the value 1 means "converted".
    item.nResult = static_cast<std::int8_t>(static_cast<std::uint8_t>(nResult & 0xFF));
}

void ReportEntry(const IFileSystem& platform, IBatchObserver& observer, int nIndex, RunCounts& counts) {
    // Running counts, one entry at a time in list order: the same figures as
    // a recount of the stored codes, without going over the list again.
    const FileItem& item = g_vecFileItems[static_cast<std::size_t>(nIndex)];
    if (item.nResult == 1) {
        ++counts.nConverted;
    } else {
        ++counts.nErrors;
    }
    if (!WasCancelledAt(item)) {
        observer.OnRow(ResultRow{FileNameOf(platform, item.strPath), item.strResult, item.strPath, item.strDetail,
                                 item.eOutcome});
    }
    observer.OnCounts(counts.nConverted, counts.nErrors, static_cast<int>(g_vecFileItems.size()));
}
