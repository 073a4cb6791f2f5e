// Observer that writes every notification as one line of text, and a helper
// that puts the process-wide batch state back to its start values.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"

class CRecordingObserver : public IBatchObserver {
public:
    // The run's events in the words of the dialog's window messages, which
    // a run's start and end each stand for several of.
    void OnRunStarted(int nTotal) override {
        Add("init " + std::to_string(nTotal));
        Add("button Stop");
    }
    void OnEntryStarted(int nIndex) override {
        Add("step " + std::to_string(nIndex));
        if (m_fnOnStep) {
            m_fnOnStep(nIndex);
        }
    }
    void OnRow(const ResultRow& row) override {
        Add("row " + row.strFileName + "|" + row.strResult + "|" + row.strPath);
        m_vecDetails.push_back(row.strDetail);
        m_vecOutcomes.push_back(row.eOutcome);
    }
    void OnCounts(int nConverted, int nErrors, int nTotal) override {
        Add("counts " + std::to_string(nConverted) + " " + std::to_string(nErrors) + " " + std::to_string(nTotal));
    }
    void OnRunEnded() override {
        Add("enable");
        Add("button Ok");
        Add("finished");
    }

    std::vector<std::string> m_vecEvents;
    std::vector<std::string> m_vecDetails;  // the detail of each row, in row order
    std::vector<EFileOutcome> m_vecOutcomes;  // the outcome of each row, in row order
    // Called after each step notification (to press Stop, for instance).
    std::function<void(int)> m_fnOnStep;

    std::vector<std::string> Rows() const {
        std::vector<std::string> vecRows;
        for (const std::string& strEvent : m_vecEvents) {
            if (strEvent.rfind("row ", 0) == 0) {
                vecRows.push_back(strEvent.substr(4));
            }
        }
        return vecRows;
    }

private:
    void Add(const std::string& strEvent) { m_vecEvents.push_back(strEvent); }
};

inline void ResetBatchState(const std::string& strAppDir) {
    g_vecFileItems.clear();
    g_nOverwriteMode.store(kOverwriteAsk);
    g_strBaseDir.clear();
    g_strOutputRoot.clear();
    g_strAppDir = strAppDir;
    g_bConverting.store(0);
}
