// The exit statuses of both programs, in the shell's terms.
//
// The loop still ends with the dialog's own codes (1 for OK, 2 for Cancel);
// the programs turn them into these: a shell script, make or set -e reads
// 0 as success and anything else as failure.
#ifndef SONOMOT_APP_EXIT_STATUS_H_
#define SONOMOT_APP_EXIT_STATUS_H_

// The session ended normally (exit, the end of the input, the close box,
// Escape) and, in a script, every command succeeded; or --help/--version.
constexpr int kExitOk = 0;
// A scripted command or a conversion failed, the program could not start
// (the library, the terminal, the display), or standard output could not
// be written. The reason is on standard error.
constexpr int kExitFailure = 1;
// The command line is wrong (EX_USAGE).
constexpr int kExitUsage = 64;

#endif  // SONOMOT_APP_EXIT_STATUS_H_
