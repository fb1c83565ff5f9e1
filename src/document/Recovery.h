#pragma once

#include <sys/types.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

class CTAVDoc;

// Recovery copies of drawings with unsaved changes. Each run of the program keeps its copies
// in a folder of its own under one base folder, guarded by a lock that the system releases
// when the process ends however it ends; a folder whose lock can be taken belongs to a run
// that ended abnormally.
//
// A recovery file is a header followed by the drawing's document file bytes, little-endian:
//   0  8  "TAVRECOV"
//   8  4  format version (kRecoveryFormatVersion)
//  12  4  title length T
//  16  4  path length P
//  20  8  document length L
//  28  4  CRC-32 of the document bytes
//  32  T  title (UTF-8), then P bytes of the path (UTF-8), then L bytes of the document.
// The file is exactly 32 + T + P + L bytes long.

inline constexpr uint32_t kRecoveryFormatVersion = 1;
inline constexpr char kRecoveryExtension[] = ".tavrec";
inline constexpr size_t kRecoveryHeaderSize = 32;

// What a recovery file says of the drawing it holds.
struct SRecoveryInfo {
    // The drawing's title when it was written ("TAV1", "plac.tav").
    std::string title;
    // The user's file, empty for a drawing never saved.
    std::string path;
};

enum class ERecoveryCheck {
    Ok,
    // Truncated, wrong lengths, bad checksum, or not a recovery file at all.
    Corrupt,
    // Written by a program with another recovery format.
    OtherVersion,
    // Could not be read (error filled in).
    Unreadable,
};

// CRC-32 (ISO-HDLC, as zlib) of data.
uint32_t RecoveryCrc32(std::span<const uint8_t> data);

// The 32 + T + P bytes that go before document.
std::vector<uint8_t> MakeRecoveryHeader(const SRecoveryInfo& info,
                                        std::span<const uint8_t> document);

// Writes the recovery file atomically: on any failure (error filled in) the previous file at
// path is intact and no temporary file is left.
bool WriteRecoveryFile(const std::string& path, const SRecoveryInfo& info,
                       std::span<const uint8_t> document, std::string& error);

// Reads the header only and checks the file's length against it.
ERecoveryCheck ReadRecoveryHeader(const std::string& path, SRecoveryInfo& info, std::string& error);

// Reads the whole file and checks the document bytes against the checksum; document is filled
// only when Ok.
ERecoveryCheck ReadRecoveryFile(const std::string& path, SRecoveryInfo& info,
                                std::vector<uint8_t>& document, std::string& error);

// The recovery files (*.tavrec) directly in dir, sorted by name; empty when dir is missing.
std::vector<std::string> ListRecoveryFiles(const std::string& dir);

// Moves a bad recovery file into base/set-aside under a free name made of its run folder's
// and its own name, so that it is never offered again but can still be looked at. Returns the
// new path, or "" (error filled in) when it could not be moved.
std::string SetRecoveryFileAside(const std::string& base, const std::string& path,
                                 std::string& error);

// The folder of this run, locked while the run lives.
class CRecoveryRun {
public:
    CRecoveryRun() = default;
    // Releases the lock; the folder stays (RemoveAll removes it).
    ~CRecoveryRun();
    CRecoveryRun(const CRecoveryRun&) = delete;
    CRecoveryRun& operator=(const CRecoveryRun&) = delete;

    // Creates base (and its parents) and a locked run folder in it. The folder is made and
    // locked under a hidden name and renamed afterwards, so another run never sees it
    // unlocked. False (error filled in) when that fails.
    bool Create(const std::string& base, std::string& error);
    bool IsOpen() const { return m_lockFd >= 0; }
    const std::string& Dir() const { return m_dir; }
    // The recovery file of the drawing with the given number in this run.
    std::string FileFor(int docNumber) const;
    // Removes the folder with everything in it and releases the lock (normal end of the run).
    void RemoveAll();

private:
    std::string m_dir;
    int m_lockFd = -1;
};

// The folder of a run that ended abnormally, locked by this process while it is handled so
// that two programs starting together never both take it.
class CAbandonedRun {
public:
    CAbandonedRun(std::string dir, int lockFd) : m_dir(std::move(dir)), m_lockFd(lockFd) {}
    ~CAbandonedRun();
    CAbandonedRun(CAbandonedRun&& other) noexcept;
    CAbandonedRun& operator=(CAbandonedRun&&) = delete;
    CAbandonedRun(const CAbandonedRun&) = delete;

    const std::string& Dir() const { return m_dir; }
    std::vector<std::string> Files() const { return ListRecoveryFiles(m_dir); }
    // Removes the folder once no recovery file is left in it; files of other kinds are left
    // alone and keep it.
    void RemoveIfEmpty();

private:
    std::string m_dir;
    int m_lockFd = -1;
};

// The run folders under base whose run has ended without removing them, locked for this
// process. Runs still alive (this one included) are not listed.
std::vector<CAbandonedRun> ClaimAbandonedRuns(const std::string& base);

// Writes and removes recovery files on a thread of its own, in the order asked, so that the
// user's work never waits for the disk. A write still waiting when the same path is written
// or removed again is dropped.
//
// Serializing a drawing of a million entities takes longer than the interface may stop, so a
// snapshot is written by a copy of the process (fork): the copy sees the drawing as it was at
// that moment whatever happens to it afterwards, serializes and writes it and ends; the
// writer thread waits for it.
class CRecoveryWriter {
public:
    // Called on the writer's thread after each write: the path, whether it succeeded, and
    // the reason when not.
    using DoneFn = std::function<void(const std::string& path, bool ok, const std::string& error)>;

    explicit CRecoveryWriter(DoneFn done = {});
    // Ends the copies still writing and drops waiting writes (their files are about to go with
    // the run's folder), does the removals asked, then ends the thread.
    ~CRecoveryWriter();
    CRecoveryWriter(const CRecoveryWriter&) = delete;
    CRecoveryWriter& operator=(const CRecoveryWriter&) = delete;

    void Write(const std::string& path, SRecoveryInfo info, std::vector<uint8_t> document);
    // Writes doc as it is now; the caller waits only for the fork. When no process can be made,
    // the bytes are made here and written as by Write.
    void WriteSnapshot(const std::string& path, const SRecoveryInfo& info, CTAVDoc& doc);
    // True while a write of path waits or runs.
    bool IsPending(const std::string& path);
    void Remove(const std::string& path);
    // Returns when everything asked so far is done.
    void Wait();

private:
    struct SJob {
        std::string path;
        bool remove = false;
        SRecoveryInfo info;
        std::vector<uint8_t> document;
        // A snapshot process writing path, and the pipe its error text comes through.
        pid_t pid = -1;
        int errorFd = -1;
    };
    void Finish(SJob& job);
    void Run();
    void Push(SJob job);

    DoneFn m_done;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<SJob> m_jobs;
    bool m_working = false;
    std::string m_currentPath;
    pid_t m_currentPid = -1;
    bool m_stop = false;
    std::thread m_thread;
};

// What a recovery turn does with one drawing.
enum class ERecoveryAction { None, Write, Remove };

// The drawing's state at a recovery turn against what was last written for it. A busy drawing
// waits for the next turn; an unmodified one needs no copy; a copy is written only when the
// drawing changed since the last one.
ERecoveryAction DecideRecovery(bool modified, bool busy, bool hasFile, uint64_t changeCount,
                               uint64_t writtenChangeCount);
