// Runs the built kestrel-info as a child process with its output captured.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct CInfoResult {
    int nExit = -1;    // -1 when the run ended by a signal (nSignal) or was ended
    int nSignal = 0;
    std::string strOut;
    std::string strErr;
};

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs kestrel-info with the arguments in folder cwd; the captured streams
// go to files in strCaptureDir (outside the folders a test looks at). A run
// still going after a minute is ended (nExit -1). bClosedOutput: standard
// output is a pipe whose reading end is closed, and a closed pipe kills
// unless the program says otherwise, as when a shell starts it.
// nAddressSpace, when not 0, limits the child's memory (RLIMIT_AS) to that
// many bytes.
inline CInfoResult RunInfoWith(const std::vector<std::string>& vecArgs, const std::filesystem::path& cwd,
                               const std::filesystem::path& captureDir, bool bClosedOutput,
                               std::uint64_t nAddressSpace) {
    const std::filesystem::path outPath = captureDir / "info-stdout";
    const std::filesystem::path errPath = captureDir / "info-stderr";
    CInfoResult result;
    int anPipe[2] = {-1, -1};
    if (bClosedOutput) {
        if (::pipe(anPipe) != 0) {
            return result;
        }
        ::close(anPipe[0]);  // nobody will ever read
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::signal(SIGPIPE, SIG_DFL);
        const int nOut = bClosedOutput ? anPipe[1] : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int nErr = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(nOut, STDOUT_FILENO);
        ::dup2(nErr, STDERR_FILENO);
        if (::chdir(cwd.c_str()) != 0) {
            ::_exit(126);
        }
        ::alarm(60);  // a run that blocks fails instead of holding up the suite
        if (nAddressSpace != 0) {
            const struct rlimit limit = {nAddressSpace, nAddressSpace};
            ::setrlimit(RLIMIT_AS, &limit);
        }
        std::vector<std::string> vecCopy = vecArgs;
        std::string strProgram = KESTREL_INFO_PATH;
        std::vector<char*> vecArgv{strProgram.data()};
        for (std::string& strArg : vecCopy) {
            vecArgv.push_back(strArg.data());
        }
        vecArgv.push_back(nullptr);
        ::execv(KESTREL_INFO_PATH, vecArgv.data());
        ::_exit(127);
    }
    if (bClosedOutput) {
        ::close(anPipe[1]);
    }
    int nStatus = 0;
    if (pid > 0 && ::waitpid(pid, &nStatus, 0) == pid) {
        if (WIFEXITED(nStatus)) {
            result.nExit = WEXITSTATUS(nStatus);
        } else if (WIFSIGNALED(nStatus)) {
            result.nSignal = WTERMSIG(nStatus);
        }
    }
    result.strOut = bClosedOutput ? std::string() : ReadText(outPath);
    result.strErr = ReadText(errPath);
    return result;
}

inline CInfoResult RunInfo(const std::vector<std::string>& vecArgs, const std::filesystem::path& cwd,
                           const std::filesystem::path& captureDir, bool bClosedOutput = false) {
    return RunInfoWith(vecArgs, cwd, captureDir, bClosedOutput, 0);
}

// The same under a memory limit of nAddressSpace bytes.
inline CInfoResult RunInfoLimited(const std::vector<std::string>& vecArgs, const std::filesystem::path& cwd,
                                  const std::filesystem::path& captureDir, std::uint64_t nAddressSpace) {
    return RunInfoWith(vecArgs, cwd, captureDir, false, nAddressSpace);
}
