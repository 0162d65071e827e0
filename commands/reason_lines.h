// The console lines that tell a person typing at the console why a command
// failed: the reason in parentheses, as scripts read it on standard error,
// cut at blanks into lines of at most 64 columns (the console's width) with
// each further line indented by one blank.
#ifndef SONOMOT_COMMANDS_REASON_LINES_H_
#define SONOMOT_COMMANDS_REASON_LINES_H_

#include <cstddef>
#include <string>
#include <vector>

// Columns a reason line takes at most.
constexpr size_t kReasonColumns = 64;

// "(" strReason ")" as lines of at most kReasonColumns columns, measured by
// what each character shows (console/display_width.h); a word longer than
// a line is cut between characters. REQUIRES: strReason is UTF-8 without
// line breaks.
std::vector<std::string> ReasonLines(const std::string& strReason);

#endif  // SONOMOT_COMMANDS_REASON_LINES_H_
