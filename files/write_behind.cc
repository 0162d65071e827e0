#include "files/write_behind.h"

#include <errno.h>

#include <system_error>

#include "files/output_file.h"

WriteBehind::WriteBehind(OutputFile* pOutput) : m_pOutput(pOutput) {
  m_apBuffer[0].reset(new uint8_t[kBufferSize]);
  m_apBuffer[1].reset(new uint8_t[kBufferSize]);
  try {
    m_writer = std::thread(&WriteBehind::Run, this);
  } catch (const std::system_error&) {
    // No thread: Send writes each buffer itself.
  }
}

WriteBehind::~WriteBehind() { Finish(); }

void WriteBehind::WriteOne(const uint8_t* p, size_t n) {
  if (m_bFailed.load(std::memory_order_relaxed)) return;
  if (!m_pOutput->Write(p, n)) {
    m_nError = errno;
    m_bFailed.store(true, std::memory_order_relaxed);
  }
}

void WriteBehind::Send(size_t n) {
  if (!m_writer.joinable()) {
    WriteOne(m_apBuffer[m_nSent % 2].get(), n);
    ++m_nSent;
    return;
  }
  std::unique_lock<std::mutex> lock(m_mutex);
  m_anLength[m_nSent % 2] = n;
  ++m_nSent;
  m_sentOne.notify_one();
  // The next buffer to fill is the one sent before this one: wait until
  // it is written.
  m_wroteOne.wait(lock, [this] { return m_nSent - m_nWritten < 2; });
}

void WriteBehind::Run() {
  std::unique_lock<std::mutex> lock(m_mutex);
  for (;;) {
    m_sentOne.wait(lock, [this] { return m_bEnd || m_nWritten < m_nSent; });
    if (m_nWritten == m_nSent) return;  // told to end, and all is written
    size_t nIndex = m_nWritten % 2;
    size_t n = m_anLength[nIndex];
    lock.unlock();
    WriteOne(m_apBuffer[nIndex].get(), n);
    lock.lock();
    ++m_nWritten;
    m_wroteOne.notify_one();
  }
}

bool WriteBehind::Finish() {
  if (m_writer.joinable()) {
    {
      std::lock_guard<std::mutex> lock(m_mutex);
      m_bEnd = true;
    }
    m_sentOne.notify_one();
    m_writer.join();
  }
  if (!m_bFailed.load(std::memory_order_relaxed)) return true;
  errno = m_nError;
  return false;
}
