// WriteBehind: the bytes of an export, handed to an OutputFile in buffers
// of 1 MiB that a thread of its own writes, so that the next buffer is
// filled while the last one is written.
//
// Writing a buffer (and, for a new file, starting its way to the disk)
// costs the system more than making its records costs us; on two cores
// the making now hides behind the writing. There are two buffers: one
// being filled, one being written. Buffers are
// written in the order they are sent; after the first failed write the
// rest are dropped, and Failed tells the filler to stop early.
//
// Where no thread can be started, every buffer is written when it is
// sent, as before there was a thread.
#ifndef SONOMOT_FILES_WRITE_BEHIND_H_
#define SONOMOT_FILES_WRITE_BEHIND_H_

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

class OutputFile;

class WriteBehind {
 public:
  static constexpr size_t kBufferSize = size_t{1} << 20;

  // Throws std::bad_alloc when the buffers can't be had.
  explicit WriteBehind(OutputFile* pOutput);
  ~WriteBehind();  // waits for the buffer being written
  WriteBehind(const WriteBehind&) = delete;
  WriteBehind& operator=(const WriteBehind&) = delete;

  // The buffer to fill, kBufferSize bytes.
  uint8_t* GetBuffer() const { return m_apBuffer[m_nSent % 2].get(); }
  // Hands the first n bytes of the buffer to be written and makes the
  // other one the buffer to fill, once its bytes are written.
  void Send(size_t n);
  // Waits until every buffer sent is written. False when a write failed;
  // errno then holds its reason.
  bool Finish();
  // A write has failed: what is sent from now on is not written.
  bool Failed() const { return m_bFailed.load(std::memory_order_relaxed); }

 private:
  void Run();
  // Writes one buffer, noting the first failure and its reason.
  void WriteOne(const uint8_t* p, size_t n);

  OutputFile* m_pOutput;  // not owned
  std::unique_ptr<uint8_t[]> m_apBuffer[2];
  std::thread m_writer;
  // Shared with the writer, under m_mutex: the buffers sent and written
  // (counts; buffer i is m_apBuffer[i % 2]), each one's length, and
  // whether the writer is to end once it has written all that was sent.
  std::mutex m_mutex;
  std::condition_variable m_sentOne, m_wroteOne;
  uint64_t m_nSent = 0;
  uint64_t m_nWritten = 0;
  size_t m_anLength[2] = {};
  bool m_bEnd = false;
  std::atomic<bool> m_bFailed{false};
  int m_nError = 0;  // the first failed write's errno; read after the writer ended
};

#endif  // SONOMOT_FILES_WRITE_BEHIND_H_
