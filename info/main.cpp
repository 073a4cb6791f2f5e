// kestrel-info [options] PATH...
// Shows what is inside VELA files: sources for the Lark/Wren generations and
// Heron files as Kestrel writes them. Folders are searched breadth-first,
// as the converter searches them. Nothing is written beside the inputs; the
// only file written is the one named by --roll.
// Exit status: 0 every file was read and is valid (with --check: passes),
// 1 anything else, 2 bad usage.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>
#include <exception>
#include <iostream>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "EngineVersion.h"
#include "FileDescription.h"
#include "FileRead.h"
#include "FileScan.h"
#include "JsonReport.h"
#include "PianoRoll.h"
#include "RunFiles.h"
#include "TextReport.h"
#include "WholeFileWrite.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace {

constexpr int kExitAllGood = 0;
constexpr int kExitFailures = 1;
constexpr int kExitUsage = 2;

int Run(int argc, char** argv) {
    CLI::App app{"Shows what is inside VELA files: Lark/Wren sources and the Heron files Kestrel writes.\n"
                 "Folders are searched breadth-first through all their subfolders for .mmf files.",
                 "kestrel-info"};
    std::vector<std::string> vecPaths;
    bool bEvents = false;
    bool bJson = false;
    bool bCheck = false;
    std::string strRoll;
    app.add_option("PATH", vecPaths, "Files and folders to look at")->required();
    app.add_flag("--events", bEvents, "List every event, one per line, instead of the summary");
    app.add_flag("--json", bJson, "Print one JSON document (schema in the README) instead of text");
    app.add_flag("--check", bCheck,
                 "Check Heron files for structural faults; print OK/NG per file (exit 1 if any fails)");
    const CLI::Option* pRoll =
        app.add_option("--roll", strRoll, "Draw the notes of the one named file as an SVG piano roll")
            ->option_text("FILE.svg");
    app.footer("Exit status: 0 every file read and valid (with --check: every file passes), 1 otherwise, "
               "2 bad usage.");
    app.allow_windows_style_options(false);  // a path may begin with '/'
    app.set_version_flag("--version",
                         std::string("kestrel-info ") + KESTREL_VERSION + " (engine " + kEngineVersion + ")");
    try {
        app.parse(argc, argv);
        if (pRoll->count() > 0 && strRoll.empty()) {
            throw CLI::ValidationError("--roll", "needs a file name, not an empty one");
        }
    } catch (const CLI::ParseError& e) {
        const int nCode = app.exit(e);
        return nCode == 0 ? kExitAllGood : kExitUsage;
    }

    CInfoPlatform platform;
    const CScanResult scan = ScanPaths(platform, vecPaths);
    bool bAllGood = scan.vecErrors.empty();
    for (const std::string& strError : scan.vecErrors) {
        std::fprintf(stderr, "kestrel-info: cannot read %s\n", strError.c_str());
    }
    // The drawing never takes the place of an input, named or found.
    CRunFiles inputs;
    if (!strRoll.empty()) {
        for (const std::string& strPath : vecPaths) {
            inputs.AddInput(strPath);
        }
        for (const std::string& strPath : scan.vecFiles) {
            inputs.AddInput(strPath);
        }
        if (const RunFile* pFile = inputs.FileAt(platform, strRoll)) {
            std::fprintf(stderr, "kestrel-info: --roll would overwrite %s\n", DescribeRunFile(*pFile).c_str());
            return kExitUsage;
        }
        if (scan.vecFiles.size() != 1) {
            std::fprintf(stderr, "kestrel-info: --roll draws one file; %zu were named or found\n",
                         scan.vecFiles.size());
            return kExitUsage;
        }
    }

    fileinfo::CDescribeOptions describe;
    describe.bEvents = bEvents;
    describe.bNotes = !strRoll.empty();
    fileinfo::CJsonOptions json;
    json.bEvents = bEvents;
    json.bCheck = bCheck;

    std::size_t nItems = 0;
    for (const std::string& strPath : scan.vecFiles) {
        fileinfo::CFileDescription d;
        std::string strError;
        if (!DescribePath(platform, strPath, describe, d, strError)) {
            std::fprintf(stderr, "kestrel-info: cannot read %s: %s\n", strPath.c_str(), strError.c_str());
            bAllGood = false;
            continue;
        }
        bAllGood = bAllGood && (bCheck ? fileinfo::PassesCheck(d) : d.bValid);
        if (bJson) {
            fileinfo::WriteJsonItem(std::cout, d, json, nItems);
        } else if (bCheck) {
            fileinfo::WriteCheck(std::cout, d);
        } else if (bEvents) {
            fileinfo::WriteEvents(std::cout, d);
        } else {
            if (nItems != 0) {
                std::cout << "\n";
            }
            fileinfo::WriteSummary(std::cout, d);
        }
        ++nItems;
        if (!strRoll.empty()) {
            std::ostringstream svg;
            fileinfo::WritePianoRoll(svg, d);
            const std::string strSvg = svg.str();
            strError = WriteWholeFile(platform, strRoll, reinterpret_cast<const std::uint8_t*>(strSvg.data()),
                                      strSvg.size(), inputs);
            if (!strError.empty()) {
                std::fprintf(stderr, "kestrel-info: cannot write %s: %s\n", strRoll.c_str(), strError.c_str());
                bAllGood = false;
            }
        }
        if (!std::cout) {
            break;  // standard output is closed: nobody reads the rest
        }
    }
    if (bJson) {
        fileinfo::EndJson(std::cout, nItems);
    }
    std::cout.flush();
    if (!std::cout) {
        std::fprintf(stderr, "kestrel-info: cannot write to standard output\n");
        return kExitFailures;
    }
    return bAllGood ? kExitAllGood : kExitFailures;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef SIGPIPE
    // A closed pipe ("| head") makes writes fail instead of ending the
    // program without a word: the listing stops with a message and status 1.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
    // The same bytes as on POSIX: no CR put before each LF.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    ::_setmode(::_fileno(stderr), _O_BINARY);
#endif
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "kestrel-info: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kestrel-info: %s\n", e.what());
    }
    return kExitFailures;
}
