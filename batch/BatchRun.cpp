#include "BatchRun.h"

#include <thread>

#include "BatchState.h"
#include "ConvertFile.h"
#include "IPlatform.h"
#include "InputCollection.h"
#include "PathText.h"

void RunBatch(IPlatform& platform, IBatchObserver& observer) {
    g_nOverwriteMode.store(kOverwriteAsk);
    const int nTotal = static_cast<int>(g_vecFileItems.size());
    observer.OnProgressInit(nTotal);
    observer.OnProgressButton(true);
    observer.OnCounts(0, 0, nTotal);

    for (int i = 0; i < nTotal; ++i) {
        if (g_bConverting.load() == 0 || g_nOverwriteMode.load() == kOverwriteCancel) {
            break;
        }
        observer.OnProgressStep(i);
        ProcessFileItem(platform, observer, i);
        std::this_thread::yield();
    }

    g_bConverting.store(0);
    observer.OnControlsEnable(true);
    observer.OnProgressButton(false);
    platform.ChangeFolder(g_strAppDir);
    observer.OnFinished();
}

void ProcessFileItem(IPlatform& platform, IBatchObserver& observer, int nIndex) {
    ConvertEntry(platform, nIndex);
    ReportEntry(platform, observer, nIndex);
}

void ConvertEntry(IPlatform& platform, int nIndex) {
    FileItem& item = g_vecFileItems[static_cast<std::size_t>(nIndex)];
    const std::string strOutDir = MakeOutputDir(platform, item.strPath);
    const int nResult = ConvertFileItem(platform, item, strOutDir);
    // Only the low byte is kept; only the value 1 means "converted".
    item.nResult = static_cast<std::int8_t>(static_cast<std::uint8_t>(nResult & 0xFF));
}

void ReportEntry(const IPlatform& platform, IBatchObserver& observer, int nIndex) {
    // Counted afresh from the stored codes, so converted + errors is always
    // the number of entries processed.
    int nConverted = 0;
    for (int i = 0; i <= nIndex; ++i) {
        if (g_vecFileItems[static_cast<std::size_t>(i)].nResult == 1) {
            ++nConverted;
        }
    }
    const int nErrors = nIndex + 1 - nConverted;

    const FileItem& item = g_vecFileItems[static_cast<std::size_t>(nIndex)];
    if (g_nOverwriteMode.load() != kOverwriteCancel) {
        observer.OnRow(FileNameOf(platform, item.strPath), item.strResult, item.strPath);
    }
    observer.OnCounts(nConverted, nErrors, static_cast<int>(g_vecFileItems.size()));
}
