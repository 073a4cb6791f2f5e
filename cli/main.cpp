// kestrel-cli [options] [PATH...] [--files-from FILE]
// Converts the named files and folders exactly as a drop of them on the
// window would: folders searched breadth-first, the base folder taken from the
// first path (or --base), outputs in a mirrored tree below the base folder's
// OUTPUT. --shard and --base let several copies share one batch.
// Exit status: 0 every file converted, 1 anything failed or was left out,
// 2 bad usage.
#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"
#include "CliObserver.h"
#include "CliOptions.h"
#include "CliPlatform.h"
#include "CommandLinePaths.h"
#include "Console.h"
#include "CsvReport.h"
#include "InputCollection.h"
#include "PathList.h"
#include "PathText.h"
#include "RunFiles.h"
#include "Shard.h"
#include "SignalStop.h"

namespace {

constexpr int kExitAllConverted = 0;
constexpr int kExitFailures = 1;
constexpr int kExitUsage = 2;

int RunCommandLine(int argc, char** argv) {
    CCliOptions options;
    const int nParsed = ParseCliOptions(argc, argv, options);
    if (nParsed >= 0) {
        return nParsed;
    }

    // A list on standard input leaves no one there to answer questions.
    EOverwritePolicy ePolicy =
        InputIsTerminal() && options.m_strFilesFrom != "-" ? EOverwritePolicy::Ask : EOverwritePolicy::Skip;
    if (options.m_strOverwrite == "ask") {
        ePolicy = EOverwritePolicy::Ask;
    } else if (options.m_strOverwrite == "all") {
        ePolicy = EOverwritePolicy::All;
    } else if (options.m_strOverwrite == "skip") {
        ePolicy = EOverwritePolicy::Skip;
    }

    g_strAppDir = CurrentFolderPath();
    g_strOutputRoot.clear();
    if (!options.m_strOutput.empty()) {
        g_strOutputRoot = FullPath(options.m_strOutput);
        if (!PrepareOutputFolder(g_strOutputRoot)) {
            return kExitUsage;
        }
    }
    std::string strBase;
    bool bBaseFixed = !options.m_strBase.empty();
    if (bBaseFixed && !PrepareBaseFolder(FullPath(options.m_strBase), strBase)) {
        return kExitUsage;
    }
    // The list's paths come after those of the command line, in list order.
    std::vector<std::string> vecPaths;
    for (const std::string& strPath : options.m_vecPaths) {
        vecPaths.push_back(FullPath(strPath));
    }
    std::vector<std::string> vecMissing;  // list entries found nowhere, as the list spells them
    std::string strFirstMissing;          // the full path of the first path, when it is one of them
    if (!options.m_strFilesFrom.empty()) {
        std::string strList;
        const std::string strError = ReadPathList(options.m_strFilesFrom, strList);
        if (!strError.empty()) {
            std::fprintf(stderr, "kestrel-cli: cannot read the list %s: %s\n", options.m_strFilesFrom.c_str(),
                         strError.c_str());
            return kExitUsage;
        }
        for (std::string& strListed : SplitPathList(strList, options.m_bNullSeparated)) {
            std::string strFull = FullPath(strListed);
            if (!PathIsMissing(strFull)) {
                vecPaths.push_back(std::move(strFull));
                continue;
            }
            if (vecPaths.empty() && vecMissing.empty()) {
                strFirstMissing = std::move(strFull);
            }
            vecMissing.push_back(std::move(strListed));
        }
    }

    const bool bQuiet = options.m_bQuiet;
    CCliObserver observer(stdout, stderr, bQuiet, !bQuiet && ErrorShowsProgressBar());
    CCliPlatform platform(ePolicy, [&observer] { observer.ClearBar(); });

    // A closed standard output (a pager quit, "| head") must not end the
    // run: writes then fail, and the rows stop.
    PrepareStandardStreams();
    InstallStopHandler();
    // Missing entries are left out, but a missing first path still fixes the
    // base folder, so the other outputs land where they would anyway.
    if (!bBaseFixed && !strFirstMissing.empty() && !FolderOf(platform, strFirstMissing).empty()) {
        strBase = FolderOf(platform, strFirstMissing);
        bBaseFixed = true;
    }
    const std::string strList =
        options.m_strFilesFrom == "-" ? "the list on standard input" : "the list " + EscapeRowField(options.m_strFilesFrom);
    for (const std::string& strListed : vecMissing) {
        // (A NUL-separated list may hold any byte.)
        platform.ShowNotice(EscapeRowField(strListed) + " does not exist (named in " + strList + ")");
    }
    CollectDroppedFiles(platform, vecPaths);
    if (bBaseFixed) {
        // Every part of a split batch mirrors into the same tree (--base);
        // a missing first path keeps its place.
        g_strBaseDir = strBase;
    }
    KeepShardEntries(g_vecFileItems, options.m_shard);
    // The report never takes the place of an input or an output of the run.
    const std::string& strReport = options.m_strReport;
    CRunFiles runFiles;
    if (!strReport.empty()) {
        runFiles = CRunFiles::OfBatch(platform, g_vecFileItems);
        if (const RunFile* pFile = runFiles.FileAt(platform, FullPath(strReport))) {
            std::fprintf(stderr, "kestrel-cli: --report %s would overwrite %s\n", strReport.c_str(),
                         DescribeRunFile(*pFile).c_str());
            return kExitUsage;
        }
    }
    if (StopRequested()) {
        g_bConverting.store(0);
    }
    int nJobs = DefaultedJobs(options, ePolicy == EOverwritePolicy::Ask,
                              static_cast<int>(std::thread::hardware_concurrency()));
    if (nJobs > 1 && ePolicy == EOverwritePolicy::Ask) {
        // Questions must come in list order, one entry after another.
        std::fprintf(stderr, "kestrel-cli: --jobs needs --overwrite=all or skip; converting one file at a time\n");
        nJobs = 1;
    }
    RunBatch(platform, observer, RunSettings{.nJobs = nJobs, .bYieldAfterEachEntry = false});

    const int nTotal = static_cast<int>(g_vecFileItems.size());
    const int nProcessed = observer.Converted() + observer.Errors();
    if (nProcessed < nTotal) {
        std::fprintf(stderr, "kestrel-cli: stopped after %d of %d files\n", nProcessed, nTotal);
    }
    bool bReportSaved = true;
    if (!strReport.empty()) {
        const std::string strError =
            WriteCsvReport(platform, FullPath(strReport), observer.Rows(), !options.m_bNoHeader, runFiles);
        bReportSaved = strError.empty();
        if (!bReportSaved) {
            std::fprintf(stderr, "kestrel-cli: cannot write the report %s: %s (an earlier report is kept)\n",
                         strReport.c_str(), strError.c_str());
        }
    }
    if (observer.OutputCut()) {
        std::fprintf(stderr, "kestrel-cli: standard output was closed; the rows after that were not printed\n");
    }
    const bool bAllConverted = nProcessed == nTotal && observer.Errors() == 0 && platform.NoticeCount() == 0 &&
                               bReportSaved && !observer.OutputCut();
    return bAllConverted ? kExitAllConverted : kExitFailures;
}

}  // namespace

int main(int argc, char** argv) {
    // Nothing may leave main: whatever escapes ends the program with a
    // message and the failure status, never with an abort.
    try {
        return RunCommandLine(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrel-cli: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "kestrel-cli: unexpected failure\n");
    }
    return kExitFailures;
}
