#include "run_program.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace test {

#if defined(_WIN32)
namespace {

struct Handle {
    HANDLE h;
    ~Handle() {
        if (h != INVALID_HANDLE_VALUE && h != nullptr) CloseHandle(h);
    }
};

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& stdinPath, const std::string& workingDir) {
    TempDir dir;
    std::string outPath = dir / "stdout", errPath = dir / "stderr";
    Run run{-1, {}, {}};
    {
        Handle in{Inheritable(stdinPath.empty() ? "NUL" : stdinPath, GENERIC_READ, OPEN_EXISTING)};
        Handle out{Inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS)};
        Handle err{Inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS)};
        std::string line = "\"" + program + "\"";
        for (const std::string& arg : args) line += " \"" + arg + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = in.h;
        startup.hStdOutput = out.h;
        startup.hStdError = err.h;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            workingDir.empty() ? nullptr : workingDir.c_str(), &startup,
                            &process)) {
            ADD_FAILURE() << "cannot start " << program << " (error " << GetLastError() << ")";
            return run;
        }
        Handle thread{process.hThread}, child{process.hProcess};
        WaitForSingleObject(child.h, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(child.h, &code);
        run.exitCode = static_cast<int>(code);
    }
    run.out = ReadBytes(outPath);
    run.err = ReadBytes(errPath);
    return run;
}

#else

namespace {

// The child's pid, or 0 when it cannot be started.
pid_t Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::string& in, const std::string& out, const std::string& err,
            const std::string& workingDir) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!workingDir.empty()) posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t child = 0;
    int started = posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (started == 0) return child;
    ADD_FAILURE() << "cannot start " << program;
    return 0;
}

}  // namespace

Run RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& stdinPath, const std::string& workingDir) {
    TempDir dir;
    std::string outPath = dir / "stdout", errPath = dir / "stderr";
    pid_t child = Spawn(program, args, stdinPath.empty() ? "/dev/null" : stdinPath, outPath,
                        errPath, workingDir);
    Run run{-1, {}, {}};
    if (child == 0) return run;
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadBytes(outPath);
    run.err = ReadBytes(errPath);
    return run;
}

bool RunKilled(const std::string& program, const std::vector<std::string>& args,
               std::uint32_t delay) {
    pid_t child = Spawn(program, args, "/dev/null", "/dev/null", "/dev/null", {});
    if (child == 0) return false;
    usleep(delay);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFSIGNALED(status);
}

#endif

}  // namespace test
