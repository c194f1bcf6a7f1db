#include "tests/fault/fault_harness.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <iterator>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace fault {

std::vector<std::uint8_t> FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path.string() + ": cannot be read");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

FolderSnapshot Snapshot(const fs::path& folder) {
    FolderSnapshot files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        // A symbolic link is recorded as its target text: following it would
        // read the source twice under two names.
        if (entry.is_symlink()) {
            const std::string target = fs::read_symlink(entry.path()).string();
            files[fs::relative(entry.path(), folder).string()] =
                std::vector<std::uint8_t>(target.begin(), target.end());
        } else if (entry.is_regular_file()) {
            files[fs::relative(entry.path(), folder).string()] = FileBytes(entry.path());
        }
    }
    return files;
}

std::string Differences(const FolderSnapshot& before, const FolderSnapshot& after) {
    std::string lines;
    for (const auto& [name, bytes] : before) {
        const auto now = after.find(name);
        if (now == after.end())
            lines += "removed: " + name + "\n";
        else if (now->second != bytes)
            lines += "changed: " + name + "\n";
    }
    for (const auto& [name, bytes] : after)
        if (before.count(name) == 0)
            lines += "added: " + name + "\n";
    return lines;
}

namespace {

class CaptureFolder {
public:
    CaptureFolder() {
        std::string pattern = (fs::temp_directory_path() / "veltrano-fault-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error(pattern + ": " + std::strerror(errno));
        m_path = pattern;
    }
    ~CaptureFolder() {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    CaptureFolder(const CaptureFolder&) = delete;
    CaptureFolder& operator=(const CaptureFolder&) = delete;
    std::string operator/(const char* name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

std::string ReadText(const std::string& path) {
    const std::vector<std::uint8_t> bytes = FileBytes(path);
    return {bytes.begin(), bytes.end()};
}

// In the child: why a condition could not be set, or empty.
std::string ApplyConditions(const ChildConditions& conditions) {
    if (conditions.fileSizeLimit > 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = static_cast<rlim_t>(conditions.fileSizeLimit);
        const rlimit fsize{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &fsize) != 0)
            return std::string("setrlimit: ") + std::strerror(errno);
    }
    // Seccomp filters make one system call fail for the child and what it runs.
    auto install = [](std::vector<sock_filter> filter) -> std::string {
        const sock_fprog program{static_cast<unsigned short>(filter.size()), filter.data()};
        if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
            return std::string("seccomp: ") + std::strerror(errno);
        return {};
    };
    constexpr unsigned kNr = offsetof(seccomp_data, nr);
    if (conditions.noUnnamedFiles) {
        // openat with every O_TMPFILE bit in its flags
        const std::string error = install({
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kNr),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 3),
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
            BPF_STMT(BPF_ALU | BPF_AND | BPF_K, __O_TMPFILE),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __O_TMPFILE, 1, 0),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        });
        if (!error.empty())
            return error;
    }
    // AddressSanitizer wants its runtime first; the preloaded close() is
    // plain and harmless before it.
    if (conditions.closeFails && (setenv("LD_PRELOAD", VELTRANO_FAIL_CLOSE_LIBRARY, 1) != 0 ||
                                  setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1) != 0))
        return std::string("setenv: ") + std::strerror(errno);
    if (conditions.largeAllocationsFail || conditions.threadAllocationsFail) {
#ifdef __SANITIZE_ADDRESS__
        return "AddressSanitizer's allocator cannot be replaced";
#endif
        if (setenv("LD_PRELOAD", VELTRANO_FAIL_ALLOC_LIBRARY, 1) != 0 ||
            (conditions.threadAllocationsFail &&
             setenv("VELTRANO_FAIL_ALLOC_THREADS", "1", 1) != 0))
            return std::string("setenv: ") + std::strerror(errno);
    }
    if (!conditions.slowOutputReadsMark.empty() &&
        (setenv("LD_PRELOAD", VELTRANO_SLOW_READS_LIBRARY, 1) != 0 ||
         setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1) != 0 ||
         setenv("VELTRANO_SLOW_READS_STARTED", conditions.slowOutputReadsMark.c_str(), 1) != 0))
        return std::string("setenv: ") + std::strerror(errno);
    if (!conditions.readOnlyFolder.empty()) {
        const char* folder = conditions.readOnlyFolder.c_str();
        // Private first, so the read-only view never reaches the parent.
        if (unshare(CLONE_NEWNS) != 0)
            return std::string("unshare: ") + std::strerror(errno);
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("making mounts private: ") + std::strerror(errno);
        if (mount(folder, folder, nullptr, MS_BIND, nullptr) != 0)
            return std::string("bind mount: ") + std::strerror(errno);
        if (mount(nullptr, folder, nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
            return std::string("read-only remount: ") + std::strerror(errno);
    }
    return {};
}

} // namespace

ChildResult RunInChild(const ChildConditions& conditions, const std::function<int()>& body) {
    CaptureFolder capture;
    const std::string outPath = capture / "stdout";
    const std::string errPath = capture / "stderr";
    int setupPipe[2];
    if (pipe2(setupPipe, O_CLOEXEC) != 0)
        throw std::runtime_error(std::string("pipe: ") + std::strerror(errno));

    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        throw std::runtime_error(std::string("fork: ") + std::strerror(errno));
    if (child == 0) {
        close(setupPipe[0]);
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        std::string setup;
        if (out < 0 || err < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(err, STDERR_FILENO) < 0)
            setup = std::string("capturing output: ") + std::strerror(errno);
        if (setup.empty())
            setup = ApplyConditions(conditions);
        if (!setup.empty()) {
            (void)!write(setupPipe[1], setup.data(), setup.size());
            _exit(127);
        }
        const int code = body();
        std::cout.flush();
        std::cerr.flush();
        std::fflush(nullptr);
        _exit(code);
    }
    close(setupPipe[1]);
    ChildResult result;
    char buffer[256];
    for (ssize_t got; (got = read(setupPipe[0], buffer, sizeof buffer)) > 0;)
        result.setupError.append(buffer, static_cast<std::size_t>(got));
    close(setupPipe[0]);
    int status = 0;
    if (waitpid(child, &status, 0) != child)
        throw std::runtime_error(std::string("waitpid: ") + std::strerror(errno));
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = ReadText(outPath);
    result.err = ReadText(errPath);
    return result;
}

pid_t StartConvert(std::vector<std::string> args, const fs::path& workDir) {
    args.insert(args.begin(), VELTRANO_CONVERT_BINARY);
    const pid_t pid = fork();
    if (pid != 0)
        return pid;
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int devNull = open("/dev/null", O_RDONLY);
    if (chdir(workDir.c_str()) == 0 && devNull >= 0 && dup2(devNull, STDIN_FILENO) >= 0)
        execv(argv[0], argv.data());
    std::perror(argv[0]);
    _exit(126);
}

bool WaitForOutput(pid_t pid, const fs::path& dir, int count) {
    const fs::path fds = "/proc/" + std::to_string(pid) + "/fd";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    // Polled closely: a loaded machine may give the conversion only a short
    // time between two looks.
    while (std::chrono::steady_clock::now() < deadline) {
        std::error_code ec;
        int open = 0;
        for (const auto& fd : fs::directory_iterator(fds, ec)) {
            const std::string target = fs::read_symlink(fd.path(), ec).string();
            if (!ec && target.rfind(dir.string(), 0) == 0 &&
                target.find(".264") == std::string::npos && ++open == count)
                return true;
        }
        if (ec && ec != std::errc::no_such_file_or_directory)
            return false;
        usleep(100);
    }
    return false;
}

int ShellStatus(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int ShellStatusAndPeak(pid_t pid, long* peakKiB) {
    const std::string proc = "/proc/" + std::to_string(pid);
    int status = 0;
    *peakKiB = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        std::error_code ec;
        if (fs::read_symlink(proc + "/exe", ec) == fs::path(VELTRANO_CONVERT_BINARY)) {
            std::ifstream in(proc + "/status");
            for (std::string line; std::getline(in, line);)
                if (line.rfind("VmHWM:", 0) == 0)
                    *peakKiB = std::max(*peakKiB, std::stol(line.substr(6)));
        }
        usleep(1000);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int ShellStatusWithin(pid_t pid, int seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(1000);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

bool WaitForFile(pid_t pid, const fs::path& path) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline && kill(pid, 0) == 0) {
        if (fs::exists(path))
            return true;
        usleep(1000);
    }
    return false;
}

ChildResult RunConvert(const std::vector<std::string>& args, const fs::path& workDir,
                       const ChildConditions& conditions) {
    return RunInChild(conditions, [&] { return ShellStatus(StartConvert(args, workDir)); });
}

bool UnderAddressSanitizer() {
#ifdef __SANITIZE_ADDRESS__
    return true;
#else
    return false;
#endif
}

} // namespace fault
