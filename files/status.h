// Status: how a step of the command core or the files floor failed, or
// that it didn't.
//
// A failure carries the program's own words (what could not be done, as
// the user is told it) and, apart, the system's reason when the system
// gave one ("No such file or directory"), so a caller can print the
// message on the console and the reason where reasons go, or join them.
// Success carries neither.
#ifndef SONOMOT_FILES_STATUS_H_
#define SONOMOT_FILES_STATUS_H_

#include <string>
#include <utility>

class Status {
 public:
  static Status Ok() { return Status(); }
  // REQUIRES: strMessage is not empty.
  static Status Failed(std::string strMessage, std::string strReason = {}) {
    Status status;
    status.m_strMessage = std::move(strMessage);
    status.m_strReason = std::move(strReason);
    return status;
  }

  bool IsOk() const { return m_strMessage.empty(); }
  const std::string& Message() const { return m_strMessage; }
  // Empty when the system gave none.
  const std::string& Reason() const { return m_strReason; }
  // "message (reason)", or the message alone when there is no reason.
  std::string Joined() const {
    return m_strReason.empty() ? m_strMessage
                               : m_strMessage + " (" + m_strReason + ")";
  }

 private:
  Status() = default;
  std::string m_strMessage;
  std::string m_strReason;
};

#endif  // SONOMOT_FILES_STATUS_H_
