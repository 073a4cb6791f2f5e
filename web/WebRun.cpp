// The page's way into the batch: the worker script fills the in-memory tree
// with the picked files (their bytes stay in the browser until read), names
// the dropped items, and runs the batch exactly as kestrel-cli does. Rows,
// counts and the end go back to the script through the functions that the
// worker defines on self.kestrelSink.
#include <emscripten.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"
#include "BatchTexts.h"
#include "EntryDetails.h"
#include "IPlatform.h"
#include "InputCollection.h"
#include "MemoryPlatform.h"
#include "OutputCheck.h"
#include "RunPlan.h"

// clang-format off
EM_JS(void, JsOnInit, (int nTotal), { self.kestrelSink.init(nTotal); });
EM_JS(void, JsOnStep, (int nIndex), { self.kestrelSink.step(nIndex); });
EM_JS(void, JsOnRow, (const char* pName, const char* pResult, const char* pPath, const char* pDetail, int nOk), {
    self.kestrelSink.row(UTF8ToString(pName), UTF8ToString(pResult), UTF8ToString(pPath), UTF8ToString(pDetail),
                         nOk !== 0);
});
EM_JS(void, JsOnCounts, (int nConverted, int nErrors, int nTotal, const char* pTotal, const char* pConvert,
                         const char* pError), {
    self.kestrelSink.counts(nConverted, nErrors, nTotal, UTF8ToString(pTotal), UTF8ToString(pConvert),
                            UTF8ToString(pError));
});
EM_JS(void, JsOnFinished, (const char* pText), { self.kestrelSink.finished(UTF8ToString(pText)); });
// An output the run has just written, for the structural check that runs
// beside the conversion.
EM_JS(void, JsOnOutput, (const char* pPath, const std::uint8_t* pData, double dSize), {
    self.kestrelSink.output(UTF8ToString(pPath), pData, dSize);
});
// The picked files reach the worker in batches while the batch converts.
// Each question is tried at once first: waiting (stepping out to the event
// loop and back into the run) costs more than a small file, so it is done
// only when the file has not arrived or its bytes are still being read.
// Sizes: the size, -1 for a failure, -2 for "not yet".
EM_JS(double, JsSizeNow, (std::uint32_t nSource), { return self.kestrelSink.sizeNow(nSource); });
EM_ASYNC_JS(double, JsSizeLater, (std::uint32_t nSource), { return await self.kestrelSink.sizeLater(nSource); });
// Reads: 0 done, 1 not yet, 2 failed.
EM_JS(int, JsReadNow, (std::uint32_t nSource, std::uint8_t* pBuffer, double dSize), {
    return self.kestrelSink.readNow(nSource, pBuffer, dSize);
});
EM_ASYNC_JS(int, JsReadLater, (std::uint32_t nSource, std::uint8_t* pBuffer, double dSize), {
    return await self.kestrelSink.readLater(nSource, pBuffer, dSize);
});
// Why the last size or read failed (allocated here, freed by the caller).
EM_JS(char*, JsLastFailure, (), { return allocateUTF8(self.kestrelSink.lastFailure || 'unknown failure'); });
// Whether the page asked to stop (seen by the worker whenever it was back in
// its event loop, while waiting for a file, say).
EM_JS(int, JsStopRequested, (), { return self.kestrelSink.stopRequested() ? 1 : 0; });
// Lets the worker see its messages (a stop request); 1 when stopping.
EM_ASYNC_JS(int, JsYield, (), { return await self.kestrelSink.yieldToEvents(); });
// clang-format on

namespace {

// Between entries the worker returns to its event loop now and then, so that
// a stop request reaches it; not after every entry, which would cost more
// than the small files themselves.
constexpr double kYieldEveryMs = 30.0;

CMemoryPlatform& Platform() {
    static CMemoryPlatform s_platform;
    return s_platform;
}

class CWebObserver : public IBatchObserver {
public:
    void OnRunStarted(int nTotal) override {
        m_dLastYield = emscripten_get_now();
        JsOnInit(nTotal);
    }
    void OnEntryStarted(int nIndex) override {
        JsOnStep(nIndex);
        if (JsStopRequested() != 0) {
            g_bConverting.store(0);
            return;
        }
        const double dNow = emscripten_get_now();
        if (dNow - m_dLastYield >= kYieldEveryMs) {
            if (JsYield() != 0) {
                g_bConverting.store(0);
            }
            m_dLastYield = emscripten_get_now();
        }
    }
    void OnRow(const ResultRow& row) override {
        JsOnRow(row.strFileName.c_str(), row.strResult.c_str(), row.strPath.c_str(), row.strDetail.c_str(),
                IsConverted(row.eOutcome) ? 1 : 0);
        if (IsConverted(row.eOutcome)) {
            const std::string strOutput = OutputPathOf(Platform(), row.strPath);
            const std::vector<std::uint8_t>* pData = Platform().Contents(strOutput);
            if (pData != nullptr) {
                JsOnOutput(strOutput.c_str(), pData->data(), static_cast<double>(pData->size()));
            }
        }
    }
    void OnCounts(int nConverted, int nErrors, int nTotal) override {
        JsOnCounts(nConverted, nErrors, nTotal, FormatTotalText(nConverted + nErrors, nTotal).c_str(),
                   FormatConvertText(nConverted).c_str(), FormatErrorText(nErrors).c_str());
    }
    void OnRunEnded() override { JsOnFinished(kTextFinished); }

private:
    double m_dLastYield = 0.0;
};

std::vector<std::string>& DroppedPaths() {
    static std::vector<std::string> s_vecPaths;
    return s_vecPaths;
}

// Text handed to the script; valid until the next call.
const char* Hand(std::string strText) {
    static std::string s_strHanded;
    s_strHanded = std::move(strText);
    return s_strHanded.c_str();
}

std::string LastFailure() {
    char* pFailure = JsLastFailure();
    if (pFailure == nullptr) {
        return "unknown failure";
    }
    std::string strFailure = pFailure;
    std::free(pFailure);
    return strFailure;
}

// The files the user picked or dropped, as the worker holds them.
class CPickedFiles : public IOutsideFiles {
public:
    bool SizeOf(std::uint32_t nSource, std::uint64_t& nSize, std::string& strFailure) override {
        double dSize = JsSizeNow(nSource);
        if (dSize == -2.0) {
            dSize = JsSizeLater(nSource);
        }
        if (dSize < 0.0) {
            strFailure = LastFailure();
            return false;
        }
        nSize = static_cast<std::uint64_t>(dSize);
        return true;
    }
    std::string Read(std::uint32_t nSource, std::uint8_t* pBuffer, std::uint64_t nSize) override {
        const double dSize = static_cast<double>(nSize);
        int nState = JsReadNow(nSource, pBuffer, dSize);
        if (nState == 1) {
            nState = JsReadLater(nSource, pBuffer, dSize);
        }
        return nState == 0 ? std::string() : LastFailure();
    }
};

CPickedFiles& PickedFiles() {
    static CPickedFiles s_files;
    return s_files;
}

const std::string kOutputRoot = "/OUTPUT";

COutputCheck& CheckTally() {
    static COutputCheck s_check;
    return s_check;
}

CEntryDetails& OpenedDetails() {
    static CEntryDetails s_details;
    return s_details;
}

std::vector<std::string>& OutputFolders() {
    static std::vector<std::string> s_vecFolders;
    return s_vecFolders;
}

}  // namespace

extern "C" {

// A new run: forgets the last tree, its outputs and its dropped items.
EMSCRIPTEN_KEEPALIVE void kestrel_clear() {
    Platform().Clear();
    Platform().SetOutsideFiles(&PickedFiles());
    DroppedPaths().clear();
    g_vecFileItems.clear();
    OpenedDetails() = {};
}

EMSCRIPTEN_KEEPALIVE int kestrel_add_folder(const char* pPath) {
    return Platform().AddFolder(pPath) ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int kestrel_add_input(const char* pPath, std::uint32_t nSource) {
    return Platform().AddOutsideInput(pPath, nSource) ? 1 : 0;
}

// One dropped (or picked) item, in drop order: a file or a top folder.
EMSCRIPTEN_KEEPALIVE void kestrel_add_dropped(const char* pPath) {
    DroppedPaths().emplace_back(pPath);
}

// Collects the dropped items into the file list, as a drop on the window
// does. Returns the number of entries.
EMSCRIPTEN_KEEPALIVE int kestrel_collect() {
    g_strAppDir = "/";
    g_strOutputRoot.clear();
    CollectDroppedFiles(Platform(), DroppedPaths());
    return static_cast<int>(g_vecFileItems.size());
}

// The input path of entry nIndex (so that the worker can read ahead in list
// order).
EMSCRIPTEN_KEEPALIVE const char* kestrel_entry_path(int nIndex) {
    return Hand(nIndex >= 0 && static_cast<std::size_t>(nIndex) < g_vecFileItems.size()
                    ? g_vecFileItems[static_cast<std::size_t>(nIndex)].strPath
                    : std::string());
}

// Converts the collected entries, one job, as kestrel-cli does by default.
EMSCRIPTEN_KEEPALIVE void kestrel_convert() {
    CWebObserver observer;
    RunBatch(Platform(), observer, RunSettings{.nJobs = 1, .bYieldAfterEachEntry = true});
}

// The folders of the OUTPUT tree after a run: counted (and listed) by the
// first call, named one by one by the second.
EMSCRIPTEN_KEEPALIVE int kestrel_output_folder_count() {
    OutputFolders() = Platform().FoldersBelow(kOutputRoot);
    return static_cast<int>(OutputFolders().size());
}
EMSCRIPTEN_KEEPALIVE const char* kestrel_output_folder(int nIndex) {
    const std::vector<std::string>& vecFolders = OutputFolders();
    return nIndex >= 0 && static_cast<std::size_t>(nIndex) < vecFolders.size()
               ? vecFolders[static_cast<std::size_t>(nIndex)].c_str()
               : "";
}

// The written files as one table for the zip: per file the address of its
// path (NUL-terminated), of its bytes, and their count. Valid until the tree
// changes.
EMSCRIPTEN_KEEPALIVE const std::uint32_t* kestrel_output_table(int* pCount) {
    static std::vector<std::uint32_t> s_vecTable;
    s_vecTable.clear();
    for (const std::string& strPath : Platform().WrittenFiles()) {
        const std::vector<std::uint8_t>* pData = Platform().Contents(strPath);
        if (pData != nullptr) {
            s_vecTable.push_back(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(strPath.c_str())));
            s_vecTable.push_back(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(pData->data())));
            s_vecTable.push_back(static_cast<std::uint32_t>(pData->size()));
        }
    }
    *pCount = static_cast<int>(s_vecTable.size() / 3);
    return s_vecTable.data();
}
// The bytes of a file of the tree (pointer and size); null for none.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* kestrel_file_data(const char* pPath) {
    const std::vector<std::uint8_t>* pData = Platform().Contents(pPath);
    return pData != nullptr ? pData->data() : nullptr;
}
EMSCRIPTEN_KEEPALIVE double kestrel_file_size(const char* pPath) {
    const std::vector<std::uint8_t>* pData = Platform().Contents(pPath);
    return pData != nullptr ? static_cast<double>(pData->size()) : -1.0;
}
// The output file that entry nIndex wrote in this run, or "" when it wrote
// none (an NG row, or an output kept from earlier in the run).
EMSCRIPTEN_KEEPALIVE const char* kestrel_entry_output(int nIndex) {
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= g_vecFileItems.size()) {
        return Hand({});
    }
    const FileItem& item = g_vecFileItems[static_cast<std::size_t>(nIndex)];
    if (!IsConverted(item.eOutcome)) {
        return Hand({});
    }
    return Hand(OutputPathOf(Platform(), item.strPath));
}

// The details panel of entry nIndex of the last run, from its input's
// bytes as the worker read them again; the texts are then fetched one by
// one, valid until the next call. Returns 0 for no such entry.
EMSCRIPTEN_KEEPALIVE int kestrel_describe_entry(int nIndex, const std::uint8_t* pBytes, double dSize) {
    if (nIndex < 0 || static_cast<std::size_t>(nIndex) >= g_vecFileItems.size()) {
        OpenedDetails() = {};
        return 0;
    }
    OpenedDetails() = DescribeEntry(Platform(), g_vecFileItems[static_cast<std::size_t>(nIndex)], pBytes,
                                    static_cast<std::size_t>(dSize));
    return 1;
}
EMSCRIPTEN_KEEPALIVE const char* kestrel_details_summary() { return OpenedDetails().strSummary.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* kestrel_details_roll() { return OpenedDetails().strRoll.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* kestrel_details_check() { return OpenedDetails().strCheck.c_str(); }

// The status line on the structural check of every output the run wrote.
EMSCRIPTEN_KEEPALIVE const char* kestrel_check_outputs() {
    return Hand(OutputCheckLine(CheckWrittenOutputs(Platform())));
}

// The same check in a second worker, output by output while the run goes
// on (so that it costs the run next to nothing where a second core is
// free): a new tally, one output, the status line of the tally.
EMSCRIPTEN_KEEPALIVE void kestrel_check_reset() {
    CheckTally() = {};
}
EMSCRIPTEN_KEEPALIVE void kestrel_check_output(const char* pPath, const std::uint8_t* pData, double dSize) {
    CheckOutput(CheckTally(), pPath, pData, static_cast<std::size_t>(dSize));
}
EMSCRIPTEN_KEEPALIVE const char* kestrel_check_line() {
    return Hand(OutputCheckLine(CheckTally()));
}

}  // extern "C"
