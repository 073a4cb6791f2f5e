// The command line of kestrel-cli read into its settings; nothing is
// touched on disk here.
#pragma once

#include <string>
#include <vector>

#include "Shard.h"

struct CCliOptions {
    std::vector<std::string> m_vecPaths;  // PATH arguments, as given
    std::string m_strFilesFrom;           // --files-from: a list file, "-" for standard input; empty: none
    bool m_bNullSeparated = false;        // -0, --null: the list is NUL-separated
    std::string m_strOverwrite;           // ask, all, skip; empty: the default of the streams
    std::string m_strOutput;              // --output DIR; empty: BASE/OUTPUT
    std::string m_strBase;                // --base DIR; empty: the folder of the first path
    std::string m_strReport;              // --report FILE.csv; empty: none
    bool m_bNoHeader = false;             // --no-header: the report without its header line
    ShardChoice m_shard;                  // --shard K/N; 0/1 keeps every entry
    int m_nJobs = 1;                      // --jobs N, valid when m_bJobsGiven
    bool m_bJobsGiven = false;
    bool m_bQuiet = false;
};

// The exit status when the run is not to go on (--help, --version: 0, after
// printing them; bad usage: 2, after a message on standard error), or -1.
// Needs PATH or --files-from.
int ParseCliOptions(int argc, char** argv, CCliOptions& options);

// How many files a run converts at a time: an explicit --jobs; otherwise one
// per core (nCores), except when questions are asked (bAsk), which come one
// after another in list order. (An explicit N > 1 with questions is cut to
// one by the caller, with a warning.)
int DefaultedJobs(const CCliOptions& options, bool bAsk, int nCores);
