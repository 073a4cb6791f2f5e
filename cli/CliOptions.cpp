#include "CliOptions.h"

#include <CLI/CLI.hpp>
#include <algorithm>

#include "EngineVersion.h"

namespace {

constexpr int kGoOn = -1;
constexpr int kExitDone = 0;
constexpr int kExitUsage = 2;

}  // namespace

int ParseCliOptions(int argc, char** argv, CCliOptions& options) {
    CLI::App app{"Converts VELA files for the Lark and Wren sound chips into files for the Heron chip.\n"
                 "Outputs keep their names and go to OUTPUT in the folder of the first path (or of --base),\n"
                 "mirroring the subfolders of the inputs.",
                 "kestrel-cli"};
    std::string strShard;
    // Options as on every system: a path that starts with '/' is no option.
    app.allow_windows_style_options(false);
    app.add_option("PATH", options.m_vecPaths,
                   "Files and folders to convert (folders with all their subfolders); needed unless --files-from");
    app.add_option("--files-from", options.m_strFilesFrom,
                   "Also convert the paths listed in FILE (- for standard input), one a line, after the PATHs")
        ->option_text("FILE");
    app.add_flag("-0,--null", options.m_bNullSeparated,
                 "The --files-from list is NUL-separated (find -print0), for names with line breaks");
    app.add_option("--overwrite", options.m_strOverwrite,
                   "What to do with existing outputs: ask (default on a terminal), all, skip (default otherwise)")
        ->check(CLI::IsMember({"ask", "all", "skip"}));
    app.add_option("-o,--output", options.m_strOutput, "Put the mirrored output tree below DIR instead of OUTPUT")
        ->option_text("DIR");
    app.add_option("--base", options.m_strBase,
                   "Mirror the inputs below DIR (outputs in DIR/OUTPUT), not below the first path's folder")
        ->option_text("DIR");
    app.add_option("--shard", strShard, "Convert only the entries at positions K, K+N, K+2N, ... of the list (0 <= K < N)")
        ->option_text("K/N")
        ->check(CLI::Validator(
            [](const std::string& strValue) {
                ShardChoice shard;
                return ParseShard(strValue, shard) ? std::string() : "expected " + ShardRule() + ", not " + strValue;
            },
            "K/N"));
    app.add_option("--report", options.m_strReport, "Save the result rows as CSV")->option_text("FILE.csv");
    app.add_flag("--no-header", options.m_bNoHeader,
                 "Leave the header line out of the --report CSV (reports of parts then concatenate)");
    CLI::Option* pJobs =
        app.add_option("-j,--jobs", options.m_nJobs,
                       "Convert N files at a time, rows still in list order (default: one per core; with "
                       "--overwrite=ask always 1)")
            ->option_text("N")
            ->check(CLI::Range(1, 256));
    app.add_flag("-q,--quiet", options.m_bQuiet, "Print no rows, counts or progress");
    app.footer("Exit status: 0 every file converted, 1 a file failed or was not reached, 2 bad usage.");
    app.set_version_flag("--version",
                         std::string("kestrel-cli ") + KESTREL_VERSION + " (engine " + kEngineVersion + ")");
    try {
        app.parse(argc, argv);
        if (options.m_vecPaths.empty() && options.m_strFilesFrom.empty()) {
            throw CLI::RequiredError("PATH or --files-from");
        }
        if (options.m_strFilesFrom == "-" && options.m_strOverwrite == "ask") {
            throw CLI::ValidationError("--overwrite=ask",
                                       "answers cannot come from standard input while --files-from - reads it");
        }
    } catch (const CLI::ParseError& e) {
        return app.exit(e) == 0 ? kExitDone : kExitUsage;
    }
    if (!strShard.empty()) {
        ParseShard(strShard, options.m_shard);
    }
    options.m_bJobsGiven = pJobs->count() > 0;
    return kGoOn;
}

int DefaultedJobs(const CCliOptions& options, bool bAsk, int nCores) {
    if (options.m_bJobsGiven) {
        return options.m_nJobs;
    }
    return bAsk ? 1 : std::clamp(nCores, 1, 256);
}
