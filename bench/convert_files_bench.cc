// The one-line conversion's cost in the number of files: N small MIDI
// files converted by one run (sonomot-console -d OUT FILE...), beside N
// runs of one file each (sonomot-console -o OUT FILE), the cost a run adds
// for each file against the cost of starting the program for it.
//   convert_files_bench [--before DIR] [--before-max N] [--runs N] [counts...]
//                                      (default 100 1000 2000 10000)
// The programs are taken from the folder of this executable; --before
// names the build folder (bin/) of an earlier sonomot-console, whose one
// run is timed on the same files for counts up to --before-max (default
// 2000: an earlier build may take minutes there). --runs gives the number
// of one-file runs (default: the largest count). Every run checks that
// each file was converted. Files and outputs go to a scratch folder under
// the system's temporary folder; the runs use no saved settings.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Runs args with standard output and error to /dev/null; true when it
// ended with status 0.
bool RunQuietly(const std::vector<std::string>& args) {
  pid_t pid = fork();
  if (pid == 0) {
    int nNull = open("/dev/null", O_RDWR);
    if (nNull < 0) _exit(126);
    dup2(nNull, 0);
    dup2(nNull, 1);
    dup2(nNull, 2);
    std::vector<char*> argv;
    for (const std::string& s : args) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int nStatus = 0;
  waitpid(pid, &nStatus, 0);
  return WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

// A piano file of a bar: format 0, 480 ticks per quarter, four notes and
// the pedal, 70 bytes.
std::string SmallPiece() {
  const unsigned char track[] = {
      0x00, 0xB0, 64,   127,  0x00, 0x90, 60,   80,   0x83, 0x60, 0x80, 60,   0,
      0x00, 0x90, 64,   80,   0x83, 0x60, 0x80, 64,   0,    0x00, 0x90, 67,   80,
      0x83, 0x60, 0x80, 67,   0,    0x00, 0x90, 72,   80,   0x83, 0x60, 0x80, 72,
      0,    0x00, 0xB0, 64,   0,    0x00, 0xFF, 0x2F, 0x00};
  std::string file("MThd\0\0\0\x06\0\0\0\x01\x01\xE0MTrk\0\0\0", 21);
  file += static_cast<char>(sizeof track);
  file.append(reinterpret_cast<const char*>(track), sizeof track);
  return file;
}

// Removes and makes the folder again, empty.
void Fresh(const std::string& strFolder) {
  std::filesystem::remove_all(strFolder);
  std::filesystem::create_directories(strFolder);
}

bool AllConverted(const std::string& strOut, long nFiles) {
  long nCount = 0;
  for (const auto& entry : std::filesystem::directory_iterator(strOut)) {
    if (entry.path().extension() == ".vmd" && entry.file_size() > 54) ++nCount;
  }
  return nCount == nFiles;
}

// Seconds for one run converting the first nFiles inputs into strOut; a
// negative value when a file was not converted.
double TimeOneRun(const std::string& strConsole, const std::vector<std::string>& inputs,
                  long nFiles, const std::string& strOut) {
  Fresh(strOut);
  std::vector<std::string> args = {strConsole, "-d", strOut};
  args.insert(args.end(), inputs.begin(), inputs.begin() + nFiles);
  sync();
  double fStart = Now();
  bool bOk = RunQuietly(args);
  double fSeconds = Now() - fStart;
  return bOk && AllConverted(strOut, nFiles) ? fSeconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> counts;
  std::string strBefore;
  long nBeforeMax = 2000;
  long nRuns = -1;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
      strBefore = argv[++i];
    } else if (strcmp(argv[i], "--before-max") == 0 && i + 1 < argc) {
      nBeforeMax = atol(argv[++i]);
    } else if (strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
      nRuns = atol(argv[++i]);
    } else if (atol(argv[i]) > 0) {
      counts.push_back(atol(argv[i]));
    } else {
      fprintf(stderr,
              "usage: convert_files_bench [--before DIR] [--before-max N] [--runs N] "
              "[counts...]\n");
      return 64;
    }
  }
  if (counts.empty()) counts = {100, 1000, 2000, 10000};
  long nLargest = *std::max_element(counts.begin(), counts.end());
  if (nRuns < 0) nRuns = nLargest;

  std::string strBin = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  std::string strConsole = strBin + "/sonomot-console";
  std::string strBeforeConsole = strBefore.empty() ? "" : strBefore + "/sonomot-console";
  for (const std::string& strProgram : {strConsole, strBeforeConsole}) {
    if (!strProgram.empty() && access(strProgram.c_str(), X_OK) != 0) {
      fprintf(stderr, "%s is not built\n", strProgram.c_str());
      return 1;
    }
  }
  std::string strScratch =
      std::filesystem::temp_directory_path().string() + "/sonomot-convert-bench";
  Fresh(strScratch + "/in");
  setenv("XDG_CONFIG_HOME", (strScratch + "/no-config-home").c_str(), 1);

  // The inputs, named by relative paths as a shell's wildcard gives them.
  if (chdir(strScratch.c_str()) != 0) {
    perror(strScratch.c_str());
    return 1;
  }
  std::string piece = SmallPiece();
  std::vector<std::string> inputs;
  for (long i = 0; i < nLargest; ++i) {
    char szName[32];
    snprintf(szName, sizeof szName, "in/f%05ld.mid", i);
    std::ofstream(szName, std::ios::binary) << piece;
    inputs.push_back(szName);
  }

  printf("%7s | %9s %9s", "files", "one run", "per file");
  if (!strBefore.empty()) printf(" | %9s %9s %7s", "before", "per file", "/after");
  printf("\n");
  bool bAllOk = true;
  for (long nFiles : counts) {
    double fAfter = TimeOneRun(strConsole, inputs, nFiles, "out");
    bAllOk = bAllOk && fAfter >= 0;
    printf("%7ld | %8.3fs %7.3fms", nFiles, fAfter, fAfter * 1000 / nFiles);
    if (!strBefore.empty() && nFiles <= nBeforeMax) {
      double fBefore = TimeOneRun(strBeforeConsole, inputs, nFiles, "out");
      bAllOk = bAllOk && fBefore >= 0;
      printf(" | %8.3fs %7.3fms %7.1f", fBefore, fBefore * 1000 / nFiles, fBefore / fAfter);
    }
    printf("\n");
    fflush(stdout);
  }

  // One file a run, as make(1) runs it for each motion out of date.
  Fresh("out");
  sync();
  double fStart = Now();
  bool bRunsOk = true;
  for (long i = 0; i < nRuns; ++i) {
    const std::string& input = inputs[static_cast<size_t>(i % nLargest)];
    std::string output = "out/" + std::filesystem::path(input).stem().string() + ".vmd";
    bRunsOk = RunQuietly({strConsole, "-o", output, input}) && bRunsOk;
  }
  double fRuns = Now() - fStart;
  bRunsOk = bRunsOk && AllConverted("out", std::min(nRuns, nLargest));
  bAllOk = bAllOk && bRunsOk;
  printf("%7ld runs of one file: %.3fs, %.3fms a file%s\n", nRuns, fRuns, fRuns * 1000 / nRuns,
         bRunsOk ? "" : " (a run failed)");
  std::filesystem::remove_all(strScratch);
  return bAllOk ? 0 : 1;
}
