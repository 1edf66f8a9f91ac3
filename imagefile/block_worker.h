// CBlockWorker: moves blocks of a file on a second thread while the coding thread works on
// another block: the next block is read ahead while this one is used, and a filled block is
// written while the next one fills. Two buffers of its own; one transfer in flight at a time.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/types.h"

class CBlockWorker {
public:
    // Moves nBytes between pBlock and the file at nOffset, reading or writing; on the worker
    // thread, never while the coding thread moves anything itself.
    using Transfer = std::function<bool(BYTE* pBlock, ULONGLONG nOffset, UINT nBytes, bool bWrite)>;

    CBlockWorker(Transfer transfer, std::size_t nBlockBytes);
    // Waits for the transfer in flight and ends the thread.
    ~CBlockWorker();
    CBlockWorker(const CBlockWorker&) = delete;
    CBlockWorker& operator=(const CBlockWorker&) = delete;

    // The block at nOffset: the one read ahead when it is that block, else read now; NULL when
    // the read failed.
    BYTE* Read(ULONGLONG nOffset, UINT nBytes);
    // Starts reading the block at nOffset into the buffer not in use.
    void ReadAhead(ULONGLONG nOffset, UINT nBytes);

    // The buffer to fill first.
    BYTE* FirstBuffer() { return m_buffers[m_nCurrent].data(); }
    // Hands the buffer in use, filled, to be written at nOffset and returns the other one, once
    // what it held is written.
    BYTE* WriteBehind(ULONGLONG nOffset, UINT nBytes);
    // Waits for the writes; false when any failed.
    bool Finish();

private:
    struct Job {
        bool bActive = false;
        bool bDone = false;
        bool bWrite = false;
        int nBuffer = 0;
        ULONGLONG nOffset = 0;
        UINT nBytes = 0;
        bool bSucceeded = true;
    };

    void Run();
    // Waits for the transfer in flight; whether it succeeded (true when there was none).
    bool WaitForJob(std::unique_lock<std::mutex>& lock);
    void Start(std::unique_lock<std::mutex>& lock, bool bWrite, int nBuffer, ULONGLONG nOffset,
               UINT nBytes);

    Transfer m_transfer;
    std::vector<BYTE> m_buffers[2];
    int m_nCurrent = 0;
    bool m_bWritesFailed = false;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Job m_job;
    bool m_bStop = false;
    std::thread m_thread;
};
