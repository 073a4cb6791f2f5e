// The worker loop of a batch run and the per-entry step, reporting to an
// observer that the window application and the command line each implement.
#pragma once

#include <string>

class IPlatform;

// Notifications of a run, in this order:
//   OnProgressInit(N), OnProgressButton(true), OnCounts(0, 0, N),
//   for each entry i processed: OnProgressStep(i), [OnRow(...)], OnCounts(...),
//   OnControlsEnable(true), OnProgressButton(false),
//   (the current folder is set back to g_strAppDir), OnFinished().
// All of them arrive on the thread that runs RunBatch. A window application
// posts them to its user-interface thread (WM_PROGRESS_INIT, ...); the row,
// count and finished notifications may also be handled synchronously.
class IBatchObserver {
public:
    virtual ~IBatchObserver() = default;
    // The bar's range becomes 0..nTotal, its position 0.
    virtual void OnProgressInit(int nTotal) = 0;
    // The progress button reads "Stop" while converting, "Ok" afterwards.
    virtual void OnProgressButton(bool bConverting) = 0;
    // Entry nIndex is about to be converted: the bar's position is nIndex + 1.
    virtual void OnProgressStep(int nIndex) = 0;
    // One result row: the file name, the result text and the input path. Not
    // sent for an entry at which the run was cancelled.
    virtual void OnRow(const std::string& strFileName, const std::string& strResult,
                       const std::string& strPath) = 0;
    // The three count lines (FormatTotalText(nConverted + nErrors, nTotal), ...).
    virtual void OnCounts(int nConverted, int nErrors, int nTotal) = 0;
    // The main window's ways out are enabled again.
    virtual void OnControlsEnable(bool bEnable) = 0;
    // Show kTextFinished (caption kTextFinishedCaption) and wait for the user.
    virtual void OnFinished() = 0;
};

// Converts the entries of g_vecFileItems in order on the calling thread (any
// thread). Resets g_nOverwriteMode; before each entry leaves the loop when
// g_bConverting is 0 (stop request) or the run was cancelled at the overwrite
// question; clears g_bConverting at the end.
void RunBatch(IPlatform& platform, IBatchObserver& observer);

// Converts entry nIndex (output folder, job, stored result) and reports it
// (row unless cancelled, counts).
void ProcessFileItem(IPlatform& platform, IBatchObserver& observer, int nIndex);

// The two halves of ProcessFileItem. ConvertEntry touches only entry nIndex,
// g_nOverwriteMode and the file system, so entries may be converted in
// parallel; ReportEntry must then be called in list order once entries
// 0..nIndex are converted.
void ConvertEntry(IPlatform& platform, int nIndex);
void ReportEntry(const IPlatform& platform, IBatchObserver& observer, int nIndex);
