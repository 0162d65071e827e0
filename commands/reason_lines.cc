#include "commands/reason_lines.h"

#include "console/display_width.h"

std::vector<std::string> ReasonLines(const std::string& strReason) {
  return WrapToWidth("(" + strReason + ")", kReasonColumns, 1);
}
