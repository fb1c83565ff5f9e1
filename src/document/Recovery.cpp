#include "document/Recovery.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "document/AtomicFile.h"
#include "document/TAVDoc.h"

namespace {

constexpr char kMagic[8] = {'T', 'A', 'V', 'R', 'E', 'C', 'O', 'V'};
constexpr char kLockName[] = "lock";
constexpr char kRunPrefix[] = "run-";
constexpr char kAsideFolder[] = "set-aside";
// Titles and paths longer than this are not ours.
constexpr uint32_t kMaxText = 65536;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}

// Made by the compiler: a snapshot process must not meet a half-made table (or the lock
// guarding one) left by a thread of its parent.
constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void Put64(std::vector<uint8_t>& out, uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

uint64_t Get(const uint8_t* p, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

std::string Reason(const char* what) {
    return std::string(what) + std::strerror(errno) + ".";
}

// Reads exactly size bytes; false at a read error or an early end.
bool ReadFully(int fd, uint8_t* out, size_t size) {
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::read(fd, out + done, size - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

struct SHeader {
    uint32_t version = 0;
    uint32_t titleLength = 0;
    uint32_t pathLength = 0;
    uint64_t documentLength = 0;
    uint32_t crc = 0;
};

// Reads and checks the header and the texts; fd is left at the document bytes.
ERecoveryCheck ReadHeaderFrom(int fd, SHeader& h, SRecoveryInfo& info, std::string& error) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = Reason("Can not read the file: ");
        return ERecoveryCheck::Unreadable;
    }
    const uint64_t size = static_cast<uint64_t>(st.st_size);
    uint8_t raw[kRecoveryHeaderSize];
    if (size < kRecoveryHeaderSize || !ReadFully(fd, raw, sizeof raw) ||
        std::memcmp(raw, kMagic, sizeof kMagic) != 0) {
        error = "Not a recovery file.";
        return ERecoveryCheck::Corrupt;
    }
    h.version = static_cast<uint32_t>(Get(raw + 8, 4));
    if (h.version != kRecoveryFormatVersion) {
        error = "Recovery file format " + std::to_string(h.version) + ".";
        return ERecoveryCheck::OtherVersion;
    }
    h.titleLength = static_cast<uint32_t>(Get(raw + 12, 4));
    h.pathLength = static_cast<uint32_t>(Get(raw + 16, 4));
    h.documentLength = Get(raw + 20, 8);
    h.crc = static_cast<uint32_t>(Get(raw + 28, 4));
    // The texts are bounded first, so their sum cannot overflow.
    const uint64_t rest = size - kRecoveryHeaderSize;
    if (h.titleLength > kMaxText || h.pathLength > kMaxText ||
        uint64_t{h.titleLength} + h.pathLength > rest ||
        h.documentLength != rest - h.titleLength - h.pathLength) {
        error = "The recovery file is incomplete or too long.";
        return ERecoveryCheck::Corrupt;
    }
    std::string text(h.titleLength + h.pathLength, '\0');
    if (!ReadFully(fd, reinterpret_cast<uint8_t*>(text.data()), text.size())) {
        error = Reason("Can not read the file: ");
        return ERecoveryCheck::Unreadable;
    }
    info.title = text.substr(0, h.titleLength);
    info.path = text.substr(h.titleLength);
    return ERecoveryCheck::Ok;
}

class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    ~CFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    int Get() const { return m_fd; }

private:
    int m_fd;
};

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string DirName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool MakeDirs(const std::string& dir) {
    std::string part;
    size_t pos = 0;
    while (pos != std::string::npos) {
        pos = dir.find('/', pos + 1);
        part = dir.substr(0, pos);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return false;
        }
    }
    struct stat st;
    return ::stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names in dir (without "." and ".."), sorted.
std::vector<std::string> Names(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
        return names;
    }
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

bool EndsWith(const std::string& s, const char* tail) {
    const size_t n = std::strlen(tail);
    return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Opens dir/lock and takes it without waiting; -1 when it is held elsewhere or cannot be
// opened.
int TakeLock(const std::string& dir) {
    const std::string path = dir + "/" + kLockName;
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void RemoveTree(const std::string& dir) {
    for (const std::string& name : Names(dir)) {
        const std::string path = dir + "/" + name;
        struct stat st;
        if (::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
            RemoveTree(path);
        } else {
            ::unlink(path.c_str());
        }
    }
    ::rmdir(dir.c_str());
}

}  // namespace

uint32_t RecoveryCrc32(std::span<const uint8_t> data) {
    uint32_t c = 0xFFFFFFFFu;
    for (uint8_t b : data) {
        c = kCrcTable[(c ^ b) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> MakeRecoveryHeader(const SRecoveryInfo& info,
                                        std::span<const uint8_t> document) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    Put32(out, kRecoveryFormatVersion);
    Put32(out, static_cast<uint32_t>(info.title.size()));
    Put32(out, static_cast<uint32_t>(info.path.size()));
    Put64(out, document.size());
    Put32(out, RecoveryCrc32(document));
    out.insert(out.end(), info.title.begin(), info.title.end());
    out.insert(out.end(), info.path.begin(), info.path.end());
    return out;
}

bool WriteRecoveryFile(const std::string& path, const SRecoveryInfo& info,
                       std::span<const uint8_t> document, std::string& error) {
    if (info.title.size() > kMaxText || info.path.size() > kMaxText) {
        error = "The drawing's name is too long.";
        return false;
    }
    const std::vector<uint8_t> header = MakeRecoveryHeader(info, document);
    CAtomicFile file;
    if (!file.Open(path, error) || !file.Write(header.data(), header.size(), error) ||
        !file.Write(document.data(), document.size(), error) || !file.Commit(error)) {
        file.Discard();
        return false;
    }
    return true;
}

ERecoveryCheck ReadRecoveryHeader(const std::string& path, SRecoveryInfo& info,
                                  std::string& error) {
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        error = Reason("Can not open the file: ");
        return ERecoveryCheck::Unreadable;
    }
    SHeader h;
    return ReadHeaderFrom(fd.Get(), h, info, error);
}

ERecoveryCheck ReadRecoveryFile(const std::string& path, SRecoveryInfo& info,
                                std::vector<uint8_t>& document, std::string& error) {
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        error = Reason("Can not open the file: ");
        return ERecoveryCheck::Unreadable;
    }
    SHeader h;
    const ERecoveryCheck check = ReadHeaderFrom(fd.Get(), h, info, error);
    if (check != ERecoveryCheck::Ok) {
        return check;
    }
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(h.documentLength);
    } catch (const std::bad_alloc&) {
        error = "Not enough memory to read the document.";
        return ERecoveryCheck::Unreadable;
    }
    if (!ReadFully(fd.Get(), bytes.data(), bytes.size())) {
        error = Reason("Can not read the file: ");
        return ERecoveryCheck::Unreadable;
    }
    if (RecoveryCrc32(bytes) != h.crc) {
        error = "The recovery file is damaged (checksum).";
        return ERecoveryCheck::Corrupt;
    }
    document = std::move(bytes);
    return ERecoveryCheck::Ok;
}

std::vector<std::string> ListRecoveryFiles(const std::string& dir) {
    std::vector<std::string> files;
    for (const std::string& name : Names(dir)) {
        if (EndsWith(name, kRecoveryExtension)) {
            files.push_back(dir + "/" + name);
        }
    }
    return files;
}

std::string SetRecoveryFileAside(const std::string& base, const std::string& path,
                                 std::string& error) {
    const std::string aside = base + "/" + kAsideFolder;
    if (!MakeDirs(aside)) {
        error = Reason("Can not create the folder: ");
        return {};
    }
    const std::string stem = BaseName(DirName(path)) + "-" + BaseName(path);
    for (int n = 0; n < 1000; ++n) {
        const std::string target =
            aside + "/" + stem + (n == 0 ? std::string() : "." + std::to_string(n)) + ".bad";
        struct stat st;
        if (::lstat(target.c_str(), &st) == 0) {
            continue;
        }
        if (::rename(path.c_str(), target.c_str()) != 0) {
            error = Reason("Can not move the file: ");
            return {};
        }
        return target;
    }
    error = "Too many files set aside.";
    return {};
}

// ---------------------------------------------------------------------------------------------
// Run folders

CRecoveryRun::~CRecoveryRun() {
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

bool CRecoveryRun::Create(const std::string& base, std::string& error) {
    if (!MakeDirs(base)) {
        error = Reason("Can not create the folder: ");
        return false;
    }
    std::string tmpl = base + "/.new-XXXXXX";
    if (::mkdtemp(tmpl.data()) == nullptr) {
        error = Reason("Can not create the folder: ");
        return false;
    }
    const int fd = TakeLock(tmpl);
    if (fd < 0) {
        error = Reason("Can not lock the folder: ");
        ::rmdir(tmpl.c_str());
        return false;
    }
    // The hidden name is unique, so its tail makes the run's name unique too.
    const std::string dir =
        base + "/" + kRunPrefix + std::to_string(::getpid()) + "-" + tmpl.substr(tmpl.size() - 6);
    if (::rename(tmpl.c_str(), dir.c_str()) != 0) {
        error = Reason("Can not create the folder: ");
        ::close(fd);
        RemoveTree(tmpl);
        return false;
    }
    m_dir = dir;
    m_lockFd = fd;
    return true;
}

std::string CRecoveryRun::FileFor(int docNumber) const {
    return m_dir + "/" + std::to_string(docNumber) + kRecoveryExtension;
}

void CRecoveryRun::RemoveAll() {
    if (m_lockFd < 0) {
        return;
    }
    RemoveTree(m_dir);
    ::close(m_lockFd);
    m_lockFd = -1;
}

CAbandonedRun::~CAbandonedRun() {
    if (m_lockFd >= 0) {
        ::close(m_lockFd);
    }
}

CAbandonedRun::CAbandonedRun(CAbandonedRun&& other) noexcept
    : m_dir(std::move(other.m_dir)), m_lockFd(other.m_lockFd) {
    other.m_lockFd = -1;
}

void CAbandonedRun::RemoveIfEmpty() {
    for (const std::string& name : Names(m_dir)) {
        if (name != kLockName) {
            return;
        }
    }
    // The lock file goes while it is still held, so no other run can take the folder between.
    ::unlink((m_dir + "/" + kLockName).c_str());
    ::rmdir(m_dir.c_str());
}

std::vector<CAbandonedRun> ClaimAbandonedRuns(const std::string& base) {
    std::vector<CAbandonedRun> runs;
    for (const std::string& name : Names(base)) {
        if (name.rfind(kRunPrefix, 0) != 0) {
            continue;
        }
        const std::string dir = base + "/" + name;
        struct stat st;
        if (::lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            continue;
        }
        const int fd = TakeLock(dir);
        if (fd >= 0) {
            runs.emplace_back(dir, fd);
        }
    }
    return runs;
}

// ---------------------------------------------------------------------------------------------
// Writer thread

CRecoveryWriter::CRecoveryWriter(DoneFn done) : m_done(std::move(done)) {
    m_thread = std::thread([this] { Run(); });
}

CRecoveryWriter::~CRecoveryWriter() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        if (m_currentPid > 0) {
            ::kill(m_currentPid, SIGKILL);
        }
        for (const SJob& j : m_jobs) {
            if (j.pid > 0) {
                ::kill(j.pid, SIGKILL);
            }
        }
    }
    m_wake.notify_one();
    m_thread.join();
}

void CRecoveryWriter::Push(SJob job) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // A waiting write of the same file is out of date (a running snapshot is still waited
        // for).
        std::erase_if(
            m_jobs, [&job](const SJob& j) { return !j.remove && j.pid < 0 && j.path == job.path; });
        m_jobs.push_back(std::move(job));
    }
    m_wake.notify_one();
}

void CRecoveryWriter::Write(const std::string& path, SRecoveryInfo info,
                            std::vector<uint8_t> document) {
    Push(SJob{path, false, std::move(info), std::move(document)});
}

void CRecoveryWriter::WriteSnapshot(const std::string& path, const SRecoveryInfo& info,
                                    CTAVDoc& doc) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) == 0) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            // The copy: only this thread lives here; it touches no lock another thread may
            // have held but the allocator's, which the C library makes safe across fork.
            ::close(fds[0]);
            std::string error;
            bool ok = false;
            try {
                const std::vector<uint8_t> bytes = doc.SaveToBytes();
                ok = WriteRecoveryFile(path, info, bytes, error);
            } catch (const std::exception& e) {
                error = e.what();
            }
            if (!ok && ::write(fds[1], error.data(), error.size()) < 0) {
                ok = false;
            }
            ::_exit(ok ? 0 : 1);
        }
        ::close(fds[1]);
        if (pid > 0) {
            SJob job{path, false, info, {}};
            job.pid = pid;
            job.errorFd = fds[0];
            Push(std::move(job));
            return;
        }
        ::close(fds[0]);
    }
    Write(path, info, doc.SaveToBytes());
}

bool CRecoveryWriter::IsPending(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return (m_working && m_currentPath == path) ||
           std::any_of(m_jobs.begin(), m_jobs.end(),
                       [&path](const SJob& j) { return !j.remove && j.path == path; });
}

void CRecoveryWriter::Remove(const std::string& path) {
    Push(SJob{path, true, {}, {}});
}

void CRecoveryWriter::Wait() {
    std::unique_lock<std::mutex> lock(m_mutex);
    m_idle.wait(lock, [this] { return m_jobs.empty() && !m_working; });
}

void CRecoveryWriter::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || !m_jobs.empty(); });
        if (m_jobs.empty()) {
            return;
        }
        SJob job = std::move(m_jobs.front());
        m_jobs.pop_front();
        if (m_stop && !job.remove && job.pid < 0) {
            continue;
        }
        m_working = true;
        m_currentPath = job.path;
        m_currentPid = job.pid;
        lock.unlock();
        Finish(job);
        lock.lock();
        m_working = false;
        m_currentPid = -1;
        if (m_jobs.empty()) {
            m_idle.notify_all();
        }
    }
}

void CRecoveryWriter::Finish(SJob& job) {
    if (job.remove) {
        ::unlink(job.path.c_str());
        return;
    }
    std::string error;
    bool ok = false;
    if (job.pid > 0) {
        char buffer[512];
        ssize_t n = 0;
        while ((n = ::read(job.errorFd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)) {
            error.append(buffer, static_cast<size_t>(std::max<ssize_t>(n, 0)));
        }
        ::close(job.errorFd);
        int status = 0;
        pid_t reaped = -1;
        while ((reaped = ::waitpid(job.pid, &status, 0)) < 0 && errno == EINTR) {
        }
        // Reaped elsewhere: the copy reports its failures through the pipe.
        ok = reaped == job.pid ? WIFEXITED(status) && WEXITSTATUS(status) == 0 : error.empty();
        if (!ok && error.empty()) {
            error = "The copy was not finished.";
        }
    } else {
        ok = WriteRecoveryFile(job.path, job.info, job.document, error);
        job.document = {};
    }
    if (m_done) {
        m_done(job.path, ok, error);
    }
}

ERecoveryAction DecideRecovery(bool modified, bool busy, bool hasFile, uint64_t changeCount,
                               uint64_t writtenChangeCount) {
    if (!modified) {
        return hasFile ? ERecoveryAction::Remove : ERecoveryAction::None;
    }
    if (busy || (hasFile && changeCount == writtenChangeCount)) {
        return ERecoveryAction::None;
    }
    return ERecoveryAction::Write;
}
