// CreateProcessA and CloseHandle on POSIX.
//
// A program is started through an intermediate child: the intermediate
// starts the program's process and exits at once, and the caller reaps the
// intermediate right away. The program is thereby re-parented away from the
// caller, so the caller never waits for it, never leaves a zombie behind,
// and never has to touch the process-wide SIGCHLD disposition (which GLib's
// child watching relies on).
//
// Both children share the caller's memory and run on a stack of their own
// (clone with CLONE_VM | CLONE_VFORK, as posix_spawn does), and each parent
// sleeps until its child has called exec or exited. Nothing of the caller's
// address space is copied, so starting a program costs the same whatever
// the caller's size; a forked copy of a launcher with a browser engine
// inside costs milliseconds in page tables alone, twice. Because the memory
// is shared, the children report back by writing into one record of the
// caller's, and do only async-signal-safe calls on data prepared before: the
// intermediate records the program's process id, the program's process the
// error of a step that failed. No error recorded means the exec succeeded.
#include "win32/ProcessThreadsApi.h"

#include "win32/ErrHandlingApi.h"
#include "win32/Utf8.h"
#include "win32/WinError.h"

#include <climits>
#include <cstdlib>
#include <csignal>
#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// ---------------------------------------------------------------------------
// Handles.

// What a process or thread handle stands for. The process is not a child of
// ours, so there is nothing to wait on or free beyond this record; no
// descriptor is kept open for it.
struct HandleRecord {
    enum class Kind { Process, Thread };
    Kind kind;
    DWORD id;
};

// The open handles. Handles are handed out and given back on the GUI
// thread, like every other call of the program.
std::set<HandleRecord*>& OpenHandles()
{
    static std::set<HandleRecord*> handles;
    return handles;
}

HANDLE OpenHandle(HandleRecord::Kind kind, DWORD id)
{
    HandleRecord* record = new HandleRecord{kind, id};
    OpenHandles().insert(record);
    return record;
}

// ---------------------------------------------------------------------------
// Errors.

DWORD ErrorFromErrno(int error)
{
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
    case ELOOP: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case ENOEXEC:
    case EINVAL:
    case ELIBBAD: return ERROR_BAD_EXE_FORMAT;
    case ENOMEM:
    case EAGAIN: return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG:
    case E2BIG: return ERROR_FILENAME_EXCED_RANGE;
    default: return ERROR_INVALID_FUNCTION;
    }
}

// A current directory that cannot be entered is a bad directory, not a
// missing program; only a refusal keeps its own code.
DWORD DirectoryErrorFromErrno(int error)
{
    return error == EACCES || error == EPERM ? static_cast<DWORD>(ERROR_ACCESS_DENIED)
                                              : static_cast<DWORD>(ERROR_DIRECTORY);
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// ---------------------------------------------------------------------------
// The command line.

// Splits a command line into the program token and the argument vector
// { token, the exact bytes after the single separator space }. A quoted
// token runs to the next quotation mark (or to the end when there is none);
// an unquoted one runs to the first space.
std::vector<std::string> SplitCommandLine(const char* line)
{
    std::string token;
    const char* rest = nullptr;
    if (line[0] == '"') {
        const char* close = std::strchr(line + 1, '"');
        if (close == nullptr) {
            token.assign(line + 1);
            rest = line + std::strlen(line);
        } else {
            token.assign(line + 1, close);
            rest = close + 1;
        }
    } else {
        const char* space = std::strchr(line, ' ');
        if (space == nullptr) space = line + std::strlen(line);
        token.assign(line, space);
        rest = space;
    }
    std::vector<std::string> argv{token};
    if (*rest != '\0') {
        if (*rest == ' ') ++rest;
        argv.emplace_back(rest);
    }
    return argv;
}

// ---------------------------------------------------------------------------
// Finding the program.

std::string CurrentDirectory()
{
    std::vector<char> buffer(256);
    for (;;) {
        if (::getcwd(buffer.data(), buffer.size()) != nullptr) return buffer.data();
        if (errno != ERANGE) return {};
        buffer.resize(buffer.size() * 2);
    }
}

std::string ExecutableDirectory()
{
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) return {};
        if (static_cast<std::size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(length));
            const std::size_t slash = path.rfind('/');
            return slash == std::string::npos ? std::string() : path.substr(0, slash == 0 ? 1 : slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool DirectoryExists(const std::string& path)
{
    struct stat status {};
    return ::stat(path.empty() ? "/" : path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

std::string Join(const std::string& directory, const std::string& name)
{
    if (!directory.empty() && directory.back() == '/') return directory + name;
    return directory + "/" + name;
}

// Makes a path absolute against the caller's current directory, so that it
// still names the same file after the new process enters another directory.
// Returns an empty string when the current directory is unknown.
std::string Absolute(const std::string& path, const std::string& currentDirectory)
{
    if (!path.empty() && path[0] == '/') return path;
    if (currentDirectory.empty()) return {};
    return Join(currentDirectory, path);
}

// The directories a bare program name is searched in, in order: the
// directory of the caller's executable, then the absolute entries of PATH.
// The current directory is never searched, and neither is an empty or
// relative PATH entry (which would mean the current directory, or a folder
// below it): a program planted in whatever folder the caller was started
// from (an unpacked archive, the home folder) must never run in place of
// the one that belongs beside it.
std::vector<std::string> SearchDirectories()
{
    std::vector<std::string> directories;
    const std::string executableDirectory = ExecutableDirectory();
    if (!executableDirectory.empty()) directories.push_back(executableDirectory);

    std::string path;
    if (const char* value = ::getenv("PATH")) {
        path = value;
    } else {
        // Without PATH, the system's default search path stands in, as for
        // every other program started without one.
        const std::size_t length = ::confstr(_CS_PATH, nullptr, 0);
        if (length > 0) {
            std::vector<char> buffer(length);
            ::confstr(_CS_PATH, buffer.data(), buffer.size());
            path = buffer.data();
        }
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t colon = path.find(':', start);
        const std::string entry = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!entry.empty() && entry[0] == '/') directories.push_back(entry);
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return directories;
}

// Finds the file to execute for a program token. Returns ERROR_SUCCESS and
// the absolute path, or the error to report.
DWORD FindProgram(const std::string& token, const std::string& currentDirectory, std::string& path)
{
    // A token with a slash is a path the caller chose itself, not a name
    // to search for.
    if (token.find('/') != std::string::npos) {
        path = Absolute(token, currentDirectory);
        return path.empty() ? static_cast<DWORD>(ERROR_PATH_NOT_FOUND) : static_cast<DWORD>(ERROR_SUCCESS);
    }
    bool sawNonExecutable = false;
    for (const std::string& directory : SearchDirectories()) {
        const std::string candidate = Join(directory, token);
        struct stat status {};
        if (::stat(candidate.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) continue;
        if (::faccessat(AT_FDCWD, candidate.c_str(), X_OK, AT_EACCESS) == 0) {
            path = candidate;
            return ERROR_SUCCESS;
        }
        sawNonExecutable = true;
    }
    // A file that is there but may not be run is a refusal, not an absence.
    return sawNonExecutable ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND;
}

// ---------------------------------------------------------------------------
// The environment block.

// Reads a "A=B\0C=D\0\0" block (bytes, or UTF-16 units when `unicode`) into
// its entries. Returns false when a UTF-16 entry is malformed.
bool ReadEnvironmentBlock(const void* block, bool unicode, std::vector<std::string>& entries)
{
    if (unicode) {
        const char16_t* p = static_cast<const char16_t*>(block);
        while (*p != u'\0') {
            // UTF-8 is the encoding of the system's environment; an entry
            // with an unpaired surrogate has no exact form in it.
            std::optional<std::string> entry = quarrow::Utf16ToUtf8Exact(std::u16string_view(p));
            if (!entry) return false;
            entries.push_back(std::move(*entry));
            while (*p != u'\0') ++p;
            ++p;
        }
    } else {
        const char* p = static_cast<const char*>(block);
        while (*p != '\0') {
            entries.emplace_back(p);
            p += std::strlen(p) + 1;
        }
    }
    return true;
}

std::vector<char*> PointerVector(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// ---------------------------------------------------------------------------
// Starting the process.

// Everything the program's process needs, prepared before starting it.
struct LaunchPlan {
    const char* path;
    char* const* argv;
    char* const* envp;
    const char* directory;  // Null to stay in the caller's directory.
    int highestDescriptor;  // The highest open descriptor, to mark when close_range is missing.
    sigset_t emptyMask;
};

// What the children write back into the caller's memory. Each parent reads
// it only after its child has let go of the shared memory (exec or exit),
// which the kernel orders for it.
enum class LaunchStep : int { None, StartFailed, DirectoryFailed, ExecFailed };
struct LaunchRecord {
    const LaunchPlan* plan = nullptr;
    void* programStack = nullptr;  // The top of the program's process's stack.
    pid_t program = -1;
    LaunchStep failedStep = LaunchStep::None;
    int error = 0;
};

// The children run on these stacks, not on the caller's, which stays
// untouched beneath the caller's sleeping frame. Both are far larger than
// the few system calls need; untouched pages cost nothing.
constexpr std::size_t kChildStackSize = 256 * 1024;

// The children run in the caller's memory without being threads of it, so
// the address sanitizer's bookkeeping of stack frames must stay out of them.
#if defined(__clang__) || defined(__GNUC__)
#define QUARROW_CHILD_CODE __attribute__((no_sanitize_address))
#else
#define QUARROW_CHILD_CODE
#endif

// Runs in the program's process, before exec: async-signal-safe calls on
// prepared data only. Never returns.
QUARROW_CHILD_CODE int ExecuteProgram(void* argument)
{
    LaunchRecord& record = *static_cast<LaunchRecord*>(argument);
    const LaunchPlan& plan = *record.plan;

    // The session of its own is the new console: the program is no longer
    // tied to the caller's terminal or process group.
    ::setsid();

    // Start from default signal dispositions; whatever the caller ignores
    // or handles is its own business. This process has its own copy of the
    // dispositions (no CLONE_SIGHAND), so the caller's stay as they were.
    // Signals that cannot be changed or are reserved just fail here.
    for (int sig = 1; sig < NSIG; ++sig) {
        if (sig == SIGKILL || sig == SIGSTOP) continue;
        struct sigaction action {};
        action.sa_handler = SIG_DFL;
        ::sigaction(sig, &action, nullptr);
    }

    // Standard input, output and error are passed on. A closed one is
    // replaced by the null device, so that the program's first own file
    // does not land on it. A close-on-exec one is not the caller's standard
    // stream but a private file of the caller's that landed there because
    // the caller was started with that stream closed (a display or browser
    // socket, say); it is replaced by the null device too instead of being
    // handed on. The descriptor table is this process's own copy.
    for (int fd = 0; fd <= 2; ++fd) {
        const int flags = ::fcntl(fd, F_GETFD);
        if (flags < 0) {
            ::open("/dev/null", O_RDWR);
        } else if ((flags & FD_CLOEXEC) != 0) {
            // The null device opens on the lowest free descriptor, which
            // may be a closed one above this one; it is dealt with in its
            // own turn once this copy has been closed again.
            const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
            if (null >= 0 && null != fd) {
                ::dup2(null, fd);
                ::close(null);
            }
        }
    }
    // Nothing else is passed on. Without close_range, only the
    // descriptors up to the highest that was open before the start are
    // marked, not every number up to the open-file limit (which may be a
    // million).
    if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
        for (int fd = 3; fd <= plan.highestDescriptor; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }

    if (plan.directory != nullptr && ::chdir(plan.directory) != 0) {
        record.error = errno;
        record.failedStep = LaunchStep::DirectoryFailed;
        ::_exit(127);
    }
    ::sigprocmask(SIG_SETMASK, &plan.emptyMask, nullptr);
    ::execve(plan.path, plan.argv, plan.envp);
    record.error = errno;
    record.failedStep = LaunchStep::ExecFailed;
    ::_exit(127);
}

// Runs in the intermediate child: starts the program's process, sleeps
// until it has called exec or exited, records its id and exits, so that
// the program is re-parented. Never returns.
QUARROW_CHILD_CODE int StartProgram(void* argument)
{
    LaunchRecord& record = *static_cast<LaunchRecord*>(argument);
    const pid_t program = ::clone(&ExecuteProgram, record.programStack, CLONE_VM | CLONE_VFORK | SIGCHLD, &record);
    if (program < 0) {
        record.error = errno;
        record.failedStep = LaunchStep::StartFailed;
    } else {
        record.program = program;
    }
    ::_exit(0);
}

// The highest descriptor open now, read from /proc/self/fd (the
// directory's own descriptor counts too, which does no harm). Where that
// cannot be read, the open-file limit stands in.
int HighestOpenDescriptor()
{
    if (DIR* directory = ::opendir("/proc/self/fd")) {
        int highest = 2;
        while (const dirent* entry = ::readdir(directory)) {
            char* end = nullptr;
            const long fd = std::strtol(entry->d_name, &end, 10);
            if (end != entry->d_name && *end == '\0' && fd > highest && fd <= INT_MAX) highest = static_cast<int>(fd);
        }
        ::closedir(directory);
        return highest;
    }
    struct rlimit limit {};
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur <= INT_MAX) {
        return static_cast<int>(limit.rlim_cur) - 1;
    }
    return 65535;
}

// Starts the planned program. Returns ERROR_SUCCESS and its process id, or
// the error to report.
DWORD Launch(const LaunchPlan& plan, pid_t& processId)
{
    // One mapping holds both stacks, each above a guard page, so that an
    // overflow faults instead of writing into the caller's memory.
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t slot = page + kChildStackSize;
    void* stacks = ::mmap(nullptr, 2 * slot, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (stacks == MAP_FAILED) return ErrorFromErrno(errno);
    char* base = static_cast<char*>(stacks);
    ::mprotect(base, page, PROT_NONE);
    ::mprotect(base + slot, page, PROT_NONE);
    // Stacks grow down: each child starts at the top of its slot.
    void* intermediateStack = base + slot;
    LaunchRecord record;
    record.plan = &plan;
    record.programStack = base + 2 * slot;

    // No signal handler of the caller may run in a child: the children
    // share the caller's memory, and the program resets the dispositions
    // before it lets signals in.
    sigset_t all;
    sigset_t previous;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &previous);
    const pid_t intermediate = ::clone(&StartProgram, intermediateStack, CLONE_VM | CLONE_VFORK | SIGCHLD, &record);
    const int startError = errno;
    ::pthread_sigmask(SIG_SETMASK, &previous, nullptr);

    if (intermediate < 0) {
        ::munmap(stacks, 2 * slot);
        return ErrorFromErrno(startError);
    }
    // The intermediate has exited (that is what woke this thread); reap it.
    // Someone else reaping every child (or SIGCHLD being ignored) shows as
    // ECHILD, which is just as good.
    int status = 0;
    while (::waitpid(intermediate, &status, 0) < 0 && errno == EINTR) {
    }
    ::munmap(stacks, 2 * slot);

    switch (record.failedStep) {
    case LaunchStep::None: break;
    case LaunchStep::StartFailed:
    case LaunchStep::ExecFailed: return ErrorFromErrno(record.error);
    case LaunchStep::DirectoryFailed: return DirectoryErrorFromErrno(record.error);
    }
    // The intermediate died before it could say anything.
    if (record.program <= 0) return ERROR_INVALID_FUNCTION;
    processId = record.program;
    return ERROR_SUCCESS;
}

// Creation flags that have a meaning here. The console and process-group
// flags all come down to the session of its own that every program gets;
// error modes and jobs do not exist here.
constexpr DWORD kSupportedCreationFlags = CREATE_NEW_CONSOLE | DETACHED_PROCESS | CREATE_NO_WINDOW |
                                          CREATE_NEW_PROCESS_GROUP | CREATE_UNICODE_ENVIRONMENT |
                                          NORMAL_PRIORITY_CLASS | CREATE_DEFAULT_ERROR_MODE |
                                          CREATE_BREAKAWAY_FROM_JOB;

}  // namespace

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
    // There are no security descriptors, and no handle of the layer is
    // inheritable: descriptors beyond standard error never pass.
    UNREFERENCED_PARAMETER(processAttributes);
    UNREFERENCED_PARAMETER(threadAttributes);
    UNREFERENCED_PARAMETER(inheritHandles);

    if (startupInfo == nullptr || processInformation == nullptr) return Fail(ERROR_INVALID_PARAMETER);
    if ((creationFlags & CREATE_NEW_CONSOLE) != 0 && (creationFlags & DETACHED_PROCESS) != 0) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if ((creationFlags & ~kSupportedCreationFlags) != 0) return Fail(ERROR_NOT_SUPPORTED);
    if ((startupInfo->dwFlags & STARTF_USESTDHANDLES) != 0) return Fail(ERROR_NOT_SUPPORTED);

    const bool hasCommandLine = commandLine != nullptr && commandLine[0] != '\0';
    const std::string callerDirectory = CurrentDirectory();
    std::vector<std::string> arguments;
    std::string path;
    if (applicationName == nullptr) {
        if (!hasCommandLine) return Fail(ERROR_INVALID_PARAMETER);
        arguments = SplitCommandLine(commandLine);
        if (arguments[0].empty()) return Fail(ERROR_INVALID_NAME);
        const DWORD error = FindProgram(arguments[0], callerDirectory, path);
        if (error != ERROR_SUCCESS) return Fail(error);
    } else {
        // A named application is run as given; the command line, if any,
        // only supplies the argument vector.
        if (applicationName[0] == '\0') return Fail(ERROR_INVALID_NAME);
        path = Absolute(applicationName, callerDirectory);
        if (path.empty()) return Fail(ERROR_PATH_NOT_FOUND);
        arguments = hasCommandLine ? SplitCommandLine(commandLine) : std::vector<std::string>{applicationName};
    }

    std::vector<std::string> environmentEntries;
    if (environment != nullptr &&
        !ReadEnvironmentBlock(environment, (creationFlags & CREATE_UNICODE_ENVIRONMENT) != 0, environmentEntries)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    std::vector<char*> argv = PointerVector(arguments);
    std::vector<char*> envp = PointerVector(environmentEntries);

    LaunchPlan plan{};
    plan.path = path.c_str();
    plan.argv = argv.data();
    plan.envp = environment != nullptr ? envp.data() : environ;
    plan.directory = currentDirectory;
    plan.highestDescriptor = HighestOpenDescriptor();
    ::sigemptyset(&plan.emptyMask);

    pid_t processId = -1;
    const DWORD error = Launch(plan, processId);
    if (error == ERROR_FILE_NOT_FOUND && !DirectoryExists(path.substr(0, path.rfind('/')))) {
        // The system says "no such file" for a missing directory on the way
        // too; the caller learns which it was.
        return Fail(ERROR_PATH_NOT_FOUND);
    }
    if (error != ERROR_SUCCESS) return Fail(error);

    // The main thread of a new process has the process's own id.
    const DWORD id = static_cast<DWORD>(processId);
    processInformation->hProcess = OpenHandle(HandleRecord::Kind::Process, id);
    processInformation->hThread = OpenHandle(HandleRecord::Kind::Thread, id);
    processInformation->dwProcessId = id;
    processInformation->dwThreadId = id;
    return TRUE;
}

BOOL CloseHandle(HANDLE handle)
{
    auto& handles = OpenHandles();
    const auto found = handles.find(static_cast<HandleRecord*>(handle));
    if (found == handles.end()) return Fail(ERROR_INVALID_HANDLE);
    delete *found;
    handles.erase(found);
    return TRUE;
}

DWORD GetCurrentThreadId() { return static_cast<DWORD>(::gettid()); }
