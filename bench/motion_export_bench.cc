// The export benchmark: whole-process time and peak memory of a scripted
// session (Open, conv pr, track 1, export) on generated piano files of
// growing size, beside the floor program (read, one pass, the VMD's size
// streamed from one reused 1 MiB buffer; once more with an fsync, as the
// export puts a new file on the disk before naming it) and midicsv
// printing the same file as CSV; then the session that merges both tracks
// of the file in midi> (export PATH 0 1), which must write the same bytes
// as the track export, so its time is its time per keyframe too; the
// session with motion steps, set beside the classic one (time and peak
// memory); and a session that only opens the file, the reading set beside
// midicsv's.
//   motion_export_bench [--before DIR] [--rounds N] [notes...]
//                                      (default 10000 100000 1000000)
// The programs are taken from the folder of this executable; --before
// names the build folder (bin/) of an earlier sonomot-console, whose
// session runs in the same rounds, so both builds meet the same machine.
// Inputs and outputs go to a scratch folder under the system's temporary
// folder. Each size runs N rounds (default 5) of every program one after
// the other, each round in an order of its own (shuffled, the same from
// run to run); every run starts after a sync. A figure is the median over the rounds, a ratio the median
// of the rounds' ratios (each pair ran in the same round), a peak the
// largest.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <numeric>
#include <random>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Run {
  double fSeconds = 0;
  long nPeakKiB = 0;
  bool bOk = false;
};

double Now() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Runs argv with stdin and stdout redirected (null: /dev/null), and
// measures it from fork to exit.
Run RunOnce(const std::vector<std::string>& args, const char* pszStdin, const char* pszStdout) {
  Run run;
  // Every run starts with nothing left to write back: a program that left
  // hundreds of MB unwritten would otherwise slow down whichever runs next.
  sync();
  double fStart = Now();
  pid_t pid = fork();
  if (pid == 0) {
    int nIn = open(pszStdin ? pszStdin : "/dev/null", O_RDONLY);
    int nOut = open(pszStdout ? pszStdout : "/dev/null", O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (nIn < 0 || nOut < 0) _exit(126);
    dup2(nIn, 0);
    dup2(nOut, 1);
    std::vector<char*> argv;
    for (const std::string& s : args) argv.push_back(const_cast<char*>(s.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  int nStatus = 0;
  rusage usage;
  wait4(pid, &nStatus, 0, &usage);
  run.fSeconds = Now() - fStart;
  run.nPeakKiB = usage.ru_maxrss;
  run.bOk = WIFEXITED(nStatus) && WEXITSTATUS(nStatus) <= 2;
  return run;
}

void PutBE(std::string* p, uint32_t n, int nBytes) {
  for (int i = nBytes - 1; i >= 0; --i) p->push_back(static_cast<char>(n >> (8 * i)));
}

void PutVarLen(std::string* p, uint32_t n) {
  char a[5];
  int i = 0;
  a[i++] = static_cast<char>(n & 0x7F);
  while (n >>= 7) a[i++] = static_cast<char>(0x80 | (n & 0x7F));
  while (i > 0) p->push_back(a[--i]);
}

// Our own piano file, used when the MIDI library's generator is not built:
// format 1, 480 ticks per quarter, a tempo map with a change halfway, and
// one track of nNotes notes on channel 0 (chords of overlapping notes over
// the piano's range) with a sustain pedal change every 16 notes.
bool GeneratePiano(long nNotes, const std::string& strPath) {
  std::string tempo;
  PutVarLen(&tempo, 0);
  tempo += "\xFF\x51\x03";
  PutBE(&tempo, 500000, 3);
  PutVarLen(&tempo, static_cast<uint32_t>(nNotes / 2 * 120));
  tempo += "\xFF\x51\x03";
  PutBE(&tempo, 400000, 3);
  PutVarLen(&tempo, 0);
  tempo += std::string("\xFF\x2F\x00", 3);

  struct Pending {
    uint64_t nTime;
    int nKey;
  };
  std::vector<Pending> releases;  // kept small: notes last under a beat
  std::string notes;
  uint64_t nNow = 0, nLast = 0;
  uint32_t nSeed = 12345;
  auto put = [&](uint64_t nTime, std::string event) {
    PutVarLen(&notes, static_cast<uint32_t>(nTime - nLast));
    nLast = nTime;
    notes += event;
  };
  auto flushUntil = [&](uint64_t nTime) {
    for (;;) {
      size_t nFirst = releases.size();
      for (size_t i = 0; i < releases.size(); ++i) {
        if (releases[i].nTime <= nTime && (nFirst == releases.size() || releases[i].nTime < releases[nFirst].nTime)) nFirst = i;
      }
      if (nFirst == releases.size()) return;
      put(releases[nFirst].nTime, std::string{'\x80', static_cast<char>(releases[nFirst].nKey), '\x40'});
      releases.erase(releases.begin() + static_cast<long>(nFirst));
    }
  };
  for (long i = 0; i < nNotes; ++i) {
    nSeed = nSeed * 1103515245u + 12345u;
    if (i % 3 == 0) nNow += 120;  // three notes per chord, a chord per eighth
    flushUntil(nNow);
    if (i % 16 == 0) put(nNow, std::string{'\xB0', 64, static_cast<char>((i / 16) % 2 ? 0 : 127)});
    int nKey = 21 + static_cast<int>((nSeed >> 16) % 88);
    put(nNow, std::string{'\x90', static_cast<char>(nKey), '\x50'});
    releases.push_back({nNow + 60 + (nSeed >> 8) % 300, nKey});
  }
  flushUntil(UINT64_MAX);
  PutVarLen(&notes, 0);
  notes += std::string("\xFF\x2F\x00", 3);

  std::string file = "MThd";
  PutBE(&file, 6, 4);
  PutBE(&file, 1, 2);
  PutBE(&file, 2, 2);
  PutBE(&file, 480, 2);
  for (const std::string* pTrack : {&tempo, &notes}) {
    file += "MTrk";
    PutBE(&file, static_cast<uint32_t>(pTrack->size()), 4);
    file += *pTrack;
  }
  std::ofstream out(strPath, std::ios::binary);
  out << file;
  return static_cast<bool>(out);
}

// Events in the file, counted from midicsv's lines: every line but the
// header, the track starts and the end of file is one event.
long CountEvents(const std::string& strMidi, const std::string& strScratch) {
  std::string strCsv = strScratch + "/count.csv";
  if (!RunOnce({"midicsv", strMidi}, nullptr, strCsv.c_str()).bOk) return -1;
  std::ifstream in(strCsv);
  std::string line;
  long nEvents = 0;
  while (std::getline(in, line)) {
    if (line.find(", Header,") != std::string::npos || line.find("Start_track") != std::string::npos ||
        line.find("End_of_file") != std::string::npos) {
      continue;
    }
    ++nEvents;
  }
  std::filesystem::remove(strCsv);
  return nEvents;
}

bool SameBytes(const std::string& strA, const std::string& strB) {
  std::ifstream a(strA, std::ios::binary), b(strB, std::ios::binary);
  if (!a || !b) return false;
  return std::equal(std::istreambuf_iterator<char>(a), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(b), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> sizes;
  std::string strBefore;
  int nRounds = 5;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--before") == 0 && i + 1 < argc) {
      strBefore = argv[++i];
    } else if (strcmp(argv[i], "--rounds") == 0 && i + 1 < argc) {
      nRounds = std::max(1, atoi(argv[++i]));
    } else {
      sizes.push_back(atol(argv[i]));
    }
  }
  if (sizes.empty()) sizes = {10000, 100000, 1000000};

  std::string strBin = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  std::string strConsole = strBin + "/sonomot-console";
  std::string strFloor = strBin + "/motion_export_floor";
  std::string strGenerator = strBin + "/bench_gen_midi";
  std::string strBeforeConsole = strBefore.empty() ? "" : strBefore + "/sonomot-console";
  for (const std::string& strProgram : {strConsole, strBeforeConsole}) {
    if (!strProgram.empty() && access(strProgram.c_str(), X_OK) != 0) {
      fprintf(stderr, "%s is not built\n", strProgram.c_str());
      return 1;
    }
  }
  bool bMidicsv = system("command -v midicsv >/dev/null 2>&1") == 0;
  std::string strScratch = std::filesystem::temp_directory_path().string() + "/sonomot-export-bench";
  std::filesystem::create_directories(strScratch);
  // The sessions run with the default settings, whatever the user saved.
  setenv("XDG_CONFIG_HOME", (strScratch + "/no-config-home").c_str(), 1);

  printf("%d rounds a size; times are medians, ratios medians of paired rounds\n", nRounds);
  printf("%9s %9s %7s %7s | %7s %6s %6s %6s %6s %7s | %7s %6s | %7s %7s | %7s | %7s %6s",
         "notes", "events", "MIDI MB", "VMD MB", "session", "peakMB", "/floor", "/fsync", "/csv",
         "B/event", "merged", "/track", "floor", "+fsync", "midicsv", "Open", "/csv");
  if (!strBefore.empty()) printf(" | %7s %6s %6s %6s %7s", "before", "peakMB", "/floor", "/csv", "B/event");
  printf(" | %7s %6s %8s %7s", "steps", "peakMB", "/classic", "B/event");
  printf("\n");
  struct Row {
    long nNotes = 0;
    long nEvents = 0;
    double fSession = 0, fMerged = 0, fFloor = 0, fFloorSync = 0, fCsv = 0, fBefore = 0;
    double fSteps = 0, fStepsPerClassic = 0;
    double fOpen = 0, fOpenPerCsv = 0;
    double fPerFloor = 0, fPerFloorSync = 0, fPerCsv = 0, fMergedPerTrack = 0;
    double fBeforePerFloor = 0, fBeforePerCsv = 0;
    long nSessionKiB = 0, nBeforeKiB = 0, nStepsKiB = 0;
  };
  auto median = [](std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n == 0 ? 0.0 : n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  };
  std::vector<Row> rows;
  for (long nNotes : sizes) {
    std::string strMidi = strScratch + "/piano-" + std::to_string(nNotes) + ".mid";
    std::string strVmd = strScratch + "/piano-" + std::to_string(nNotes) + ".vmd";
    std::string strScript = strScratch + "/session-" + std::to_string(nNotes) + ".txt";
    std::string strMergedVmd = strScratch + "/merged-" + std::to_string(nNotes) + ".vmd";
    std::string strMergedScript = strScratch + "/merged-" + std::to_string(nNotes) + ".txt";
    std::string strBeforeVmd = strScratch + "/before-" + std::to_string(nNotes) + ".vmd";
    std::string strBeforeScript = strScratch + "/before-" + std::to_string(nNotes) + ".txt";
    std::string strOpenScript = strScratch + "/open-" + std::to_string(nNotes) + ".txt";
    std::string strStepsVmd = strScratch + "/steps-" + std::to_string(nNotes) + ".vmd";
    std::string strStepsScript = strScratch + "/steps-" + std::to_string(nNotes) + ".txt";
    bool bGenerated = access(strGenerator.c_str(), X_OK) == 0
                          ? RunOnce({strGenerator, std::to_string(nNotes), strMidi}, nullptr, nullptr).bOk
                          : GeneratePiano(nNotes, strMidi);
    if (!bGenerated) {
      fprintf(stderr, "could not generate %s\n", strMidi.c_str());
      return 1;
    }
    {
      std::ofstream script(strScript);
      script << "Open " << strMidi << "\nconv pr\ntrack 1\nexport " << strVmd << "\n";
      std::ofstream merged(strMergedScript);
      merged << "Open " << strMidi << "\nconv pr\nexport " << strMergedVmd << " 0 1\n";
      std::ofstream before(strBeforeScript);
      before << "Open " << strMidi << "\nconv pr\ntrack 1\nexport " << strBeforeVmd << "\n";
      std::ofstream open(strOpenScript);
      open << "Open " << strMidi << "\n";
      std::ofstream steps(strStepsScript);
      steps << "Conf\nmotion steps\nOpen " << strMidi << "\nconv pr\ntrack 1\nexport " << strStepsVmd
            << "\n";
    }
    Row row;
    row.nNotes = nNotes;
    row.nEvents = bMidicsv ? CountEvents(strMidi, strScratch) : -1;
    std::filesystem::remove(strVmd);
    std::filesystem::remove(strMergedVmd);
    std::filesystem::remove(strBeforeVmd);
    std::filesystem::remove(strStepsVmd);
    std::string strLog = strScratch + "/session.log";
    std::string strFloorOut = strScratch + "/floor.out";
    std::vector<double> session, merged, floor, floorSync, csv, before;
    std::vector<double> perFloor, perFloorSync, perCsv, mergedPerTrack, beforePerFloor, beforePerCsv;
    std::vector<double> open, openPerCsv;
    std::vector<double> steps, stepsPerClassic;
    long nVmdSize = 0;
    // One export first, untimed, for the size the floors write.
    {
      struct stat st;
      if (!RunOnce({strConsole}, strScript.c_str(), strLog.c_str()).bOk ||
          stat(strVmd.c_str(), &st) != 0) {
        fprintf(stderr, "the session did not export %s; its output is in %s\n", strVmd.c_str(),
                strLog.c_str());
        return 1;
      }
      nVmdSize = st.st_size;
    }
    enum { kSession, kFloor, kFloorSync, kMerged, kCsv, kBefore, kOpen, kSteps, kPrograms };
    std::mt19937 order(static_cast<uint32_t>(nNotes));
    for (int nRound = 0; nRound < nRounds; ++nRound) {
      // Every program replaces its output of the round before, as a user
      // exporting again would. What a program leaves the file system to do
      // (freeing the blocks of the output it replaced, sending them back to
      // the disk) goes on into the next run, so each round takes its own
      // order: no program always follows the same one.
      int anOrder[kPrograms];
      std::iota(anOrder, anOrder + kPrograms, 0);
      std::shuffle(anOrder, anOrder + kPrograms, order);
      Run runs[kPrograms];
      for (int nProgram : anOrder) {
        switch (nProgram) {
          case kSession:
            runs[nProgram] = RunOnce({strConsole}, strScript.c_str(), strLog.c_str());
            break;
          case kFloor:
            runs[nProgram] =
                RunOnce({strFloor, strMidi, strFloorOut, std::to_string(nVmdSize)}, nullptr, nullptr);
            break;
          case kFloorSync:
            runs[nProgram] = RunOnce({strFloor, "--fsync", strMidi, strFloorOut, std::to_string(nVmdSize)},
                                     nullptr, nullptr);
            break;
          case kMerged:
            runs[nProgram] = RunOnce({strConsole}, strMergedScript.c_str(), strLog.c_str());
            break;
          case kOpen:
            runs[nProgram] = RunOnce({strConsole}, strOpenScript.c_str(), strLog.c_str());
            break;
          case kSteps:
            runs[nProgram] = RunOnce({strConsole}, strStepsScript.c_str(), strLog.c_str());
            break;
          case kCsv:
            if (bMidicsv) runs[nProgram] = RunOnce({"midicsv", strMidi}, nullptr, nullptr);
            break;
          case kBefore:
            if (!strBefore.empty()) {
              runs[nProgram] = RunOnce({strBeforeConsole}, strBeforeScript.c_str(), strLog.c_str());
            }
            break;
        }
      }
      const Run& runSession = runs[kSession];
      const Run& runFloor = runs[kFloor];
      const Run& runFloorSync = runs[kFloorSync];
      const Run& runMerged = runs[kMerged];
      const Run& runCsv = runs[kCsv];
      if (!runSession.bOk) {
        fprintf(stderr, "the session failed; its output is in %s\n", strLog.c_str());
        return 1;
      }
      if (!runMerged.bOk || !SameBytes(strVmd, strMergedVmd)) {
        fprintf(stderr, "the merged export %s is not the track export %s\n", strMergedVmd.c_str(),
                strVmd.c_str());
        return 1;
      }
      session.push_back(runSession.fSeconds);
      merged.push_back(runMerged.fSeconds);
      floor.push_back(runFloor.fSeconds);
      floorSync.push_back(runFloorSync.fSeconds);
      perFloor.push_back(runSession.fSeconds / runFloor.fSeconds);
      perFloorSync.push_back(runSession.fSeconds / runFloorSync.fSeconds);
      mergedPerTrack.push_back(runMerged.fSeconds / runSession.fSeconds);
      row.nSessionKiB = std::max(row.nSessionKiB, runSession.nPeakKiB);
      if (!runs[kOpen].bOk) {
        fprintf(stderr, "the session that only opens the file failed; its output is in %s\n",
                strLog.c_str());
        return 1;
      }
      open.push_back(runs[kOpen].fSeconds);
      struct stat stSteps;
      if (!runs[kSteps].bOk || stat(strStepsVmd.c_str(), &stSteps) != 0) {
        fprintf(stderr, "the session with motion steps did not export %s; its output is in %s\n",
                strStepsVmd.c_str(), strLog.c_str());
        return 1;
      }
      steps.push_back(runs[kSteps].fSeconds);
      stepsPerClassic.push_back(runs[kSteps].fSeconds / runSession.fSeconds);
      row.nStepsKiB = std::max(row.nStepsKiB, runs[kSteps].nPeakKiB);
      if (bMidicsv) {
        csv.push_back(runCsv.fSeconds);
        perCsv.push_back(runSession.fSeconds / runCsv.fSeconds);
        openPerCsv.push_back(runs[kOpen].fSeconds / runCsv.fSeconds);
      }
      if (!strBefore.empty()) {
        const Run& runBefore = runs[kBefore];
        if (!runBefore.bOk || !SameBytes(strVmd, strBeforeVmd)) {
          fprintf(stderr, "the earlier build's export %s is not this one's %s\n",
                  strBeforeVmd.c_str(), strVmd.c_str());
          return 1;
        }
        before.push_back(runBefore.fSeconds);
        beforePerFloor.push_back(runBefore.fSeconds / runFloor.fSeconds);
        if (bMidicsv) beforePerCsv.push_back(runBefore.fSeconds / runCsv.fSeconds);
        row.nBeforeKiB = std::max(row.nBeforeKiB, runBefore.nPeakKiB);
      }
    }
    row.fSession = median(session);
    row.fMerged = median(merged);
    row.fFloor = median(floor);
    row.fFloorSync = median(floorSync);
    row.fCsv = median(csv);
    row.fBefore = median(before);
    row.fPerFloor = median(perFloor);
    row.fPerFloorSync = median(perFloorSync);
    row.fPerCsv = median(perCsv);
    row.fMergedPerTrack = median(mergedPerTrack);
    row.fBeforePerFloor = median(beforePerFloor);
    row.fBeforePerCsv = median(beforePerCsv);
    row.fOpen = median(open);
    row.fOpenPerCsv = median(openPerCsv);
    row.fSteps = median(steps);
    row.fStepsPerClassic = median(stepsPerClassic);
    struct stat stMidi;
    stat(strMidi.c_str(), &stMidi);
    auto perEvent = [&row](long nKiB) { return row.nEvents > 0 ? nKiB * 1024.0 / row.nEvents : 0.0; };
    printf("%9ld %9ld %7.2f %7.2f | %6.3fs %6.1f %6.2f %6.2f %6.2f %7.1f | %6.3fs %6.2f | %6.3fs "
           "%6.3fs | %6.3fs | %6.3fs %6.2f",
           nNotes, row.nEvents, stMidi.st_size / 1e6, nVmdSize / 1e6, row.fSession,
           row.nSessionKiB / 1024.0, row.fPerFloor, row.fPerFloorSync, row.fPerCsv,
           perEvent(row.nSessionKiB), row.fMerged, row.fMergedPerTrack, row.fFloor,
           row.fFloorSync, row.fCsv, row.fOpen, row.fOpenPerCsv);
    if (!strBefore.empty()) {
      printf(" | %6.3fs %6.1f %6.2f %6.2f %7.1f", row.fBefore, row.nBeforeKiB / 1024.0,
             row.fBeforePerFloor, row.fBeforePerCsv, perEvent(row.nBeforeKiB));
    }
    printf(" | %6.3fs %6.1f %8.2f %7.1f", row.fSteps, row.nStepsKiB / 1024.0, row.fStepsPerClassic,
           perEvent(row.nStepsKiB));
    printf("\n");
    fflush(stdout);
    rows.push_back(row);
    for (const std::string& strOut :
         {strVmd, strMergedVmd, strBeforeVmd, strStepsVmd, strFloorOut, strMidi}) {
      std::filesystem::remove(strOut);
    }
  }
  // Growth: how much each tenfold step of notes costs in time.
  for (size_t i = 1; i < rows.size(); ++i) {
    printf("%ld -> %ld notes: time x %.2f for notes x %.1f\n", rows[i - 1].nNotes, rows[i].nNotes,
           rows[i].fSession / rows[i - 1].fSession,
           static_cast<double>(rows[i].nNotes) / rows[i - 1].nNotes);
  }
  // The goals, read at the largest size.
  if (!rows.empty()) {
    const Row& last = rows.back();
    auto verdict = [](bool b) { return b ? "met" : "MISSED"; };
    printf("at %ld notes: session / floor %.2f (goal <= 1.25: %s; / the floor with its fsync %.2f)",
           last.nNotes, last.fPerFloor, verdict(last.fPerFloor <= 1.25), last.fPerFloorSync);
    if (bMidicsv) {
      double fPerEvent = last.nSessionKiB * 1024.0 / last.nEvents;
      printf(", peak %.1f bytes per event (goal <= 32: %s)", fPerEvent, verdict(fPerEvent <= 32.0));
      // midicsv reads and prints; it writes no motion and puts nothing on
      // the disk. Its parse is set beside the session's reading, and the
      // floor beside it shows what writing the motion alone costs.
      printf("; Open alone / midicsv %.2f (goal for the reading <= 1.0: %s); session / midicsv "
             "%.2f, floor / midicsv %.2f",
             last.fOpenPerCsv, verdict(last.fOpenPerCsv <= 1.0), last.fPerCsv,
             last.fCsv > 0 ? last.fFloor / last.fCsv : 0.0);
    }
    printf("\n");
    printf("at %ld notes: the session with motion steps / classic %.2f (goal <= 1.1: %s)",
           last.nNotes, last.fStepsPerClassic, verdict(last.fStepsPerClassic <= 1.1));
    if (bMidicsv) {
      double fPerEvent = last.nStepsKiB * 1024.0 / last.nEvents;
      printf(", its peak %.1f bytes per event (goal < 32: %s)", fPerEvent, verdict(fPerEvent < 32.0));
    }
    printf("\n");
    printf("at %ld notes: merged export of both tracks / track export %.2f per keyframe written "
           "(goal <= 1.0: %s)\n",
           last.nNotes, last.fMergedPerTrack, verdict(last.fMergedPerTrack <= 1.0));
    if (rows.size() > 1) {
      const Row& before = rows[rows.size() - 2];
      double fGrowth = last.fSession / before.fSession;
      double fNotes = static_cast<double>(last.nNotes) / before.nNotes;
      printf("growth: time x %.2f for notes x %.1f (goal: no more than the notes: %s)\n", fGrowth,
             fNotes, verdict(fGrowth <= fNotes));
    }
  }
  if (!bMidicsv) printf("midicsv is not installed: its column is empty\n");
  return 0;
}
