// Runs the built kestrel-cli as a child process with its standard streams
// captured in files.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

struct CliResult {
    int nExit = -1;    // exit status; -1 when the process ended by a signal
    int nSignal = 0;   // the signal that ended it, 0 when it exited
    long long nCpuMicroseconds = 0;  // user and system time of the process
    std::string strOut;
    std::string strErr;
};

// How the child is set up besides its arguments.
struct CliOptions {
    enum class EStdout {
        File,        // captured in a file (strOut)
        Pipe,        // a pipe the test reads from (ReadOutput, CloseOutput)
        ClosedPipe,  // a pipe whose reading end is already closed
    };
    EStdout eStdout = EStdout::File;
    bool bDropPrivileges = false;       // run as nobody when the test runs as root
    std::uint64_t nAddressSpace = 0;    // RLIMIT_AS in bytes; 0 leaves it
    std::uint64_t nFileSize = 0;        // RLIMIT_FSIZE in bytes (writes beyond fail, as on a full disk); 0 leaves it
};

class CCliProcess {
public:
    // Starts kestrel-cli with the arguments in folder cwd; its standard input
    // is a pipe that the test writes to and closes.
    CCliProcess(const std::vector<std::string>& vecArgs, const std::filesystem::path& cwd,
                const CliOptions& options = {}) {
        m_outPath = cwd / ".cli-stdout";
        m_errPath = cwd / ".cli-stderr";
        ::signal(SIGPIPE, SIG_IGN);  // the child may exit before reading its input
        int anPipe[2] = {-1, -1};
        int anOut[2] = {-1, -1};
        if (::pipe(anPipe) != 0 || (options.eStdout != CliOptions::EStdout::File && ::pipe(anOut) != 0)) {
            return;
        }
        std::vector<std::string> vecCommand = {KESTREL_CLI_PATH};
        vecCommand.insert(vecCommand.end(), vecArgs.begin(), vecArgs.end());
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(anPipe[0], STDIN_FILENO);
            ::close(anPipe[0]);
            ::close(anPipe[1]);
            const int nOut = anOut[1] >= 0 ? anOut[1] : ::open(m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int nErr = ::open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(nOut, STDOUT_FILENO);
            ::dup2(nErr, STDERR_FILENO);
            if (anOut[0] >= 0) {
                ::close(anOut[0]);
            }
            // As a shell starts it: a closed pipe kills unless the program
            // says otherwise.
            ::signal(SIGPIPE, SIG_DFL);
            if (options.nAddressSpace != 0) {
                const struct rlimit limit = {options.nAddressSpace, options.nAddressSpace};
                ::setrlimit(RLIMIT_AS, &limit);
            }
            if (options.nFileSize != 0) {
                const struct rlimit limit = {options.nFileSize, options.nFileSize};
                ::setrlimit(RLIMIT_FSIZE, &limit);
                ::signal(SIGXFSZ, SIG_IGN);
            }
            if (::chdir(cwd.c_str()) != 0) {
                ::_exit(126);
            }
            if (options.bDropPrivileges && ::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
                ::_exit(125);
            }
            std::vector<char*> vecArgv;
            for (std::string& strArg : vecCommand) {
                vecArgv.push_back(strArg.data());
            }
            vecArgv.push_back(nullptr);
            ::execv(KESTREL_CLI_PATH, vecArgv.data());
            ::_exit(127);
        }
        ::close(anPipe[0]);
        m_nStdin = anPipe[1];
        if (anOut[1] >= 0) {
            ::close(anOut[1]);
            m_nStdout = anOut[0];
            if (options.eStdout == CliOptions::EStdout::ClosedPipe) {
                CloseOutput();
            }
        }
    }

    ~CCliProcess() {
        CloseInput();
        CloseOutput();
    }

    pid_t Pid() const { return m_pid; }

    // Reads standard output (Pipe) up to and including the first line end.
    std::string ReadOutputLine() {
        std::string strLine;
        char ch = 0;
        while (m_nStdout >= 0 && ::read(m_nStdout, &ch, 1) == 1) {
            strLine += ch;
            if (ch == '\n') {
                break;
            }
        }
        return strLine;
    }

    void CloseOutput() {
        if (m_nStdout >= 0) {
            ::close(m_nStdout);
            m_nStdout = -1;
        }
    }

    void Input(const std::string& strText) {
        std::size_t nDone = 0;
        while (nDone < strText.size()) {
            const ssize_t n = ::write(m_nStdin, strText.data() + nDone, strText.size() - nDone);
            if (n <= 0) {
                break;
            }
            nDone += static_cast<std::size_t>(n);
        }
    }

    void CloseInput() {
        if (m_nStdin >= 0) {
            ::close(m_nStdin);
            m_nStdin = -1;
        }
    }

    // Waits (at most 20 s) until standard error contains strText.
    bool WaitForError(const std::string& strText) {
        for (int i = 0; i < 2000; ++i) {
            if (ReadFile(m_errPath).find(strText) != std::string::npos) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    void Signal(int nSignal) { ::kill(m_pid, nSignal); }

    CliResult Finish() {
        CloseInput();
        CliResult result;
        int nStatus = 0;
        struct rusage usage {};
        if (m_pid > 0 && ::wait4(m_pid, &nStatus, 0, &usage) == m_pid) {
            result.nCpuMicroseconds = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL +
                                      usage.ru_utime.tv_usec + usage.ru_stime.tv_usec;
            if (WIFEXITED(nStatus)) {
                result.nExit = WEXITSTATUS(nStatus);
            } else if (WIFSIGNALED(nStatus)) {
                result.nSignal = WTERMSIG(nStatus);
            }
        }
        CloseOutput();
        result.strOut = ReadFile(m_outPath);
        result.strErr = ReadFile(m_errPath);
        std::filesystem::remove(m_outPath);
        std::filesystem::remove(m_errPath);
        return result;
    }

    static std::string ReadFile(const std::filesystem::path& path) {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

private:
    pid_t m_pid = -1;
    int m_nStdin = -1;
    int m_nStdout = -1;
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
};

// Runs to the end with the given standard input.
inline CliResult RunCli(const std::vector<std::string>& vecArgs, const std::filesystem::path& cwd,
                        const std::string& strInput = {}, const CliOptions& options = {}) {
    CCliProcess process(vecArgs, cwd, options);
    process.Input(strInput);
    return process.Finish();
}
