// For the Windows build only, given to every source before its first line
// (-include): motion/output_file.h keeps the program's signal actions in
// members of a POSIX type that Windows lacks. Windows has neither SIGPIPE
// nor SIGXFSZ, so output_file_win32.cc never fills them; the type
// only has to be complete. Goes when that header names no POSIX type.
#ifndef SONOMOT_MOTION_OUTPUT_FILE_TYPES_WIN32_H_
#define SONOMOT_MOTION_OUTPUT_FILE_TYPES_WIN32_H_

struct sigaction {
  int sa_flags;
};

#endif  // SONOMOT_MOTION_OUTPUT_FILE_TYPES_WIN32_H_
