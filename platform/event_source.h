// The back-end interface of the message queue.
//
// A back end (terminal, script, Qt) turns its native events (keys, mouse,
// drops, resizes, input lines) into window messages and posts them with
// PostMessageA / PostKeyMessage. The queue calls it in two places:
//
// - GetMessageA, when the queue is empty and no quit is pending, calls
//   WaitForEvents: block until at least one native event has arrived and
//   post what it produced. Returning false is a retrieval error: GetMessageA
//   returns -1 and the loop asks again. Returning true without posting
//   anything is allowed; GetMessageA simply waits again.
// - PeekMessageA calls PollEvents: post what has already arrived, never
//   block.
//
// The Qt back end waits in QCoreApplication::processEvents(WaitForMoreEvents)
// and polls with processEvents() without waiting; its event handlers post.
// The back end is not owned by the queue; remove it before destroying it.
#ifndef SONOMOT_PLATFORM_EVENT_SOURCE_H_
#define SONOMOT_PLATFORM_EVENT_SOURCE_H_

class CEventSource {
 public:
  virtual ~CEventSource() = default;
  virtual bool WaitForEvents() = 0;
  virtual void PollEvents() = 0;
};

// Installs the back end (null: none). Returns the previous one.
CEventSource* SetEventSource(CEventSource* pSource);
CEventSource* GetEventSource();

#endif  // SONOMOT_PLATFORM_EVENT_SOURCE_H_
