// CBlockWorker: the worker thread and the hand-overs between it and the coding thread.
#include "imagefile/block_worker.h"

CBlockWorker::CBlockWorker(Transfer transfer, std::size_t nBlockBytes)
    : m_transfer(std::move(transfer)) {
    m_buffers[0].resize(nBlockBytes);
    m_buffers[1].resize(nBlockBytes);
    m_thread = std::thread([this] { Run(); });
}

CBlockWorker::~CBlockWorker() {
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        WaitForJob(lock);
        m_bStop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CBlockWorker::Run() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_bStop || (m_job.bActive && !m_job.bDone); });
        if (m_bStop)
            return;
        const Job job = m_job;
        lock.unlock();
        const bool bSucceeded =
            m_transfer(m_buffers[job.nBuffer].data(), job.nOffset, job.nBytes, job.bWrite);
        lock.lock();
        m_job.bSucceeded = bSucceeded;
        m_job.bDone = true;
        m_changed.notify_all();
    }
}

bool CBlockWorker::WaitForJob(std::unique_lock<std::mutex>& lock) {
    if (!m_job.bActive)
        return true;
    m_changed.wait(lock, [this] { return m_job.bDone; });
    m_job.bActive = false;
    if (m_job.bWrite && !m_job.bSucceeded)
        m_bWritesFailed = true;
    return m_job.bSucceeded;
}

void CBlockWorker::Start(std::unique_lock<std::mutex>& /*lock*/, bool bWrite, int nBuffer,
                         ULONGLONG nOffset, UINT nBytes) {
    m_job = Job{true, false, bWrite, nBuffer, nOffset, nBytes, true};
    m_changed.notify_all();
}

BYTE* CBlockWorker::Read(ULONGLONG nOffset, UINT nBytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    const bool bAhead =
        m_job.bActive && !m_job.bWrite && m_job.nOffset == nOffset && m_job.nBytes == nBytes;
    const int nAheadBuffer = m_job.nBuffer;
    const bool bSucceeded = WaitForJob(lock);
    if (bAhead) {
        m_nCurrent = nAheadBuffer;
        return bSucceeded ? m_buffers[m_nCurrent].data() : nullptr;
    }
    // Not the block read ahead: read it here, with nothing else in flight.
    lock.unlock();
    return m_transfer(m_buffers[m_nCurrent].data(), nOffset, nBytes, false)
               ? m_buffers[m_nCurrent].data()
               : nullptr;
}

void CBlockWorker::ReadAhead(ULONGLONG nOffset, UINT nBytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitForJob(lock);
    Start(lock, false, 1 - m_nCurrent, nOffset, nBytes);
}

BYTE* CBlockWorker::WriteBehind(ULONGLONG nOffset, UINT nBytes) {
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitForJob(lock);
    Start(lock, true, m_nCurrent, nOffset, nBytes);
    m_nCurrent = 1 - m_nCurrent;
    return m_buffers[m_nCurrent].data();
}

bool CBlockWorker::Finish() {
    std::unique_lock<std::mutex> lock(m_mutex);
    WaitForJob(lock);
    return !m_bWritesFailed;
}
