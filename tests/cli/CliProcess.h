// Runs the built kestrel-cli as a child process with its standard streams
// captured in files.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

struct CliResult {
    int nExit = -1;
    std::string strOut;
    std::string strErr;
};

class CCliProcess {
public:
    // Starts kestrel-cli with the arguments in folder cwd; its standard input
    // is a pipe that the test writes to and closes.
    CCliProcess(const std::vector<std::string>& vecArgs, const std::filesystem::path& cwd) {
        m_outPath = cwd / ".cli-stdout";
        m_errPath = cwd / ".cli-stderr";
        ::signal(SIGPIPE, SIG_IGN);  // the child may exit before reading its input
        int anPipe[2] = {-1, -1};
        if (::pipe(anPipe) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(anPipe[0], STDIN_FILENO);
            ::close(anPipe[0]);
            ::close(anPipe[1]);
            const int nOut = ::open(m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int nErr = ::open(m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(nOut, STDOUT_FILENO);
            ::dup2(nErr, STDERR_FILENO);
            if (::chdir(cwd.c_str()) != 0) {
                ::_exit(126);
            }
            std::vector<char*> vecArgv;
            std::string strProgram = KESTREL_CLI_PATH;
            vecArgv.push_back(strProgram.data());
            std::vector<std::string> vecCopy = vecArgs;
            for (std::string& strArg : vecCopy) {
                vecArgv.push_back(strArg.data());
            }
            vecArgv.push_back(nullptr);
            ::execv(KESTREL_CLI_PATH, vecArgv.data());
            ::_exit(127);
        }
        ::close(anPipe[0]);
        m_nStdin = anPipe[1];
    }

    ~CCliProcess() { CloseInput(); }

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
        if (m_pid > 0 && ::waitpid(m_pid, &nStatus, 0) == m_pid && WIFEXITED(nStatus)) {
            result.nExit = WEXITSTATUS(nStatus);
        }
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
    std::filesystem::path m_outPath;
    std::filesystem::path m_errPath;
};

// Runs to the end with the given standard input.
inline CliResult RunCli(const std::vector<std::string>& vecArgs, const std::filesystem::path& cwd,
                        const std::string& strInput = {}) {
    CCliProcess process(vecArgs, cwd);
    process.Input(strInput);
    return process.Finish();
}
