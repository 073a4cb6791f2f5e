// kestrel-cli [options] PATH...
// Converts the named files and folders exactly as a drop of them on the
// window would: folders searched breadth-first, the base folder taken from the
// first path, outputs in a mirrored tree below the base folder's OUTPUT.
// Exit status: 0 every file converted, 1 anything failed or was left out,
// 2 bad usage.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "BatchRun.h"
#include "BatchState.h"
#include "CliObserver.h"
#include "CliPlatform.h"
#include "CommandLinePaths.h"
#include "Console.h"
#include "CsvReport.h"
#include "EngineVersion.h"
#include "InputCollection.h"
#include "SignalStop.h"

namespace {

constexpr int kExitAllConverted = 0;
constexpr int kExitFailures = 1;
constexpr int kExitUsage = 2;

int RunCommandLine(int argc, char** argv) {
    CLI::App app{"Converts VELA files for the Lark and Wren sound chips into files for the Heron chip.\n"
                 "Outputs keep their names and go to OUTPUT in the folder of the first PATH,\n"
                 "mirroring the subfolders of the inputs.",
                 "kestrel-cli"};
    std::vector<std::string> vecPaths;
    std::string strOverwrite;
    std::string strOutput;
    std::string strReport;
    bool bQuiet = false;
    int nJobs = 1;
    // Options as on every system: a path that starts with '/' is no option.
    app.allow_windows_style_options(false);
    app.add_option("PATH", vecPaths, "Files and folders to convert (folders with all their subfolders)")->required();
    app.add_option("--overwrite", strOverwrite,
                   "What to do with existing outputs: ask (default on a terminal), all, skip (default otherwise)")
        ->check(CLI::IsMember({"ask", "all", "skip"}));
    app.add_option("-o,--output", strOutput, "Put the mirrored output tree below DIR instead of OUTPUT")
        ->option_text("DIR");
    app.add_option("--report", strReport, "Save the result rows as CSV")->option_text("FILE.csv");
    app.add_option("-j,--jobs", nJobs,
                   "Convert N files at a time (rows stay in list order; needs --overwrite=all or skip)")
        ->option_text("N")
        ->check(CLI::Range(1, 256));
    app.add_flag("-q,--quiet", bQuiet, "Print no rows, counts or progress");
    app.footer("Exit status: 0 every file converted, 1 a file failed or was not reached, 2 bad usage.");
    app.set_version_flag("--version",
                         std::string("kestrel-cli ") + KESTREL_VERSION + " (engine " + kEngineVersion + ")");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int nCode = app.exit(e);
        return nCode == 0 ? kExitAllConverted : kExitUsage;
    }

    EOverwritePolicy ePolicy = InputIsTerminal() ? EOverwritePolicy::Ask : EOverwritePolicy::Skip;
    if (strOverwrite == "ask") {
        ePolicy = EOverwritePolicy::Ask;
    } else if (strOverwrite == "all") {
        ePolicy = EOverwritePolicy::All;
    } else if (strOverwrite == "skip") {
        ePolicy = EOverwritePolicy::Skip;
    }

    g_strAppDir = CurrentFolderPath();
    g_strOutputRoot.clear();
    if (!strOutput.empty()) {
        g_strOutputRoot = FullPath(strOutput);
        if (!PrepareOutputFolder(g_strOutputRoot)) {
            return kExitUsage;
        }
    }
    for (std::string& strPath : vecPaths) {
        strPath = FullPath(strPath);
    }

    CCliObserver observer(stdout, stderr, bQuiet, !bQuiet && ErrorShowsProgressBar());
    CCliPlatform platform(ePolicy, [&observer] { observer.ClearBar(); });

    // A closed standard output (a pager quit, "| head") must not end the
    // run: writes then fail, and the rows stop.
    PrepareStandardStreams();
    InstallStopHandler();
    CollectDroppedFiles(platform, vecPaths);
    if (StopRequested()) {
        g_bConverting.store(0);
    }
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
        const std::string strError = WriteCsvReport(platform, FullPath(strReport), observer.Rows());
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
