// The export benchmark: whole-process time and peak memory of a scripted
// session (Open, conv pr, track 1, export) on generated piano files of
// growing size, beside the floor program (read, one pass, one write of the
// VMD's size) and midicsv printing the same file as CSV; then the session
// that merges both tracks of the file in midi> (export PATH 0 1), which
// must write the same bytes as the track export.
//   motion_export_bench [notes...]     (default 10000 100000 1000000)
// The programs are taken from the folder of this executable; inputs and
// outputs go to a scratch folder under the system's temporary folder.
// Each program runs three times per size; the fastest run is shown.
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

Run Best(const std::vector<std::string>& args, const char* pszStdin, const char* pszStdout) {
  Run best;
  for (int i = 0; i < 3; ++i) {
    Run run = RunOnce(args, pszStdin, pszStdout);
    if (!run.bOk) return run;
    if (i == 0 || run.fSeconds < best.fSeconds) best = run;
  }
  return best;
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
  for (int i = 1; i < argc; ++i) sizes.push_back(atol(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};

  std::string strBin = std::filesystem::canonical("/proc/self/exe").parent_path().string();
  std::string strConsole = strBin + "/sonomot-console";
  std::string strFloor = strBin + "/motion_export_floor";
  std::string strGenerator = strBin + "/bench_gen_midi";
  if (access(strConsole.c_str(), X_OK) != 0) {
    fprintf(stderr, "%s is not built\n", strConsole.c_str());
    return 1;
  }
  bool bMidicsv = system("command -v midicsv >/dev/null 2>&1") == 0;
  std::string strScratch = std::filesystem::temp_directory_path().string() + "/sonomot-export-bench";
  std::filesystem::create_directories(strScratch);
  // The sessions run with the default settings, whatever the user saved.
  setenv("XDG_CONFIG_HOME", (strScratch + "/no-config-home").c_str(), 1);

  printf("%9s %9s %8s %8s | %8s %7s | %8s %7s | %8s %7s | %6s %6s %7s | %8s %7s\n", "notes",
         "events", "MIDI MB", "VMD MB", "session", "peakMB", "floor", "peakMB", "midicsv",
         "peakMB", "/floor", "/csv", "B/event", "merged", "peakMB");
  struct Row {
    long nNotes;
    long nEvents;
    Run session, floor, csv, merged;
  };
  std::vector<Row> rows;
  for (long nNotes : sizes) {
    std::string strMidi = strScratch + "/piano-" + std::to_string(nNotes) + ".mid";
    std::string strVmd = strScratch + "/piano-" + std::to_string(nNotes) + ".vmd";
    std::string strScript = strScratch + "/session-" + std::to_string(nNotes) + ".txt";
    std::string strMergedVmd = strScratch + "/merged-" + std::to_string(nNotes) + ".vmd";
    std::string strMergedScript = strScratch + "/merged-" + std::to_string(nNotes) + ".txt";
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
    }
    Row row;
    row.nNotes = nNotes;
    row.nEvents = bMidicsv ? CountEvents(strMidi, strScratch) : -1;
    std::filesystem::remove(strVmd);
    std::string strLog = strScratch + "/session.log";
    row.session = Best({strConsole}, strScript.c_str(), strLog.c_str());
    struct stat st;
    if (!row.session.bOk || stat(strVmd.c_str(), &st) != 0) {
      fprintf(stderr, "the session did not export %s; its output is in %s\n", strVmd.c_str(),
              strLog.c_str());
      return 1;
    }
    long nVmdSize = st.st_size;
    std::string strFloorOut = strScratch + "/floor.out";
    row.floor = Best({strFloor, strMidi, strFloorOut, std::to_string(nVmdSize)}, nullptr, nullptr);
    if (bMidicsv) row.csv = Best({"midicsv", strMidi}, nullptr, nullptr);
    std::filesystem::remove(strMergedVmd);
    row.merged = Best({strConsole}, strMergedScript.c_str(), strLog.c_str());
    if (!row.merged.bOk || !SameBytes(strVmd, strMergedVmd)) {
      fprintf(stderr, "the merged export %s is not the track export %s; the output is in %s\n",
              strMergedVmd.c_str(), strVmd.c_str(), strLog.c_str());
      return 1;
    }
    struct stat stMidi;
    stat(strMidi.c_str(), &stMidi);
    printf("%9ld %9ld %8.2f %8.2f | %7.3fs %7.1f | %7.3fs %7.1f | %7.3fs %7.1f | %6.2f %6.2f %7.1f"
           " | %7.3fs %7.1f\n",
           nNotes, row.nEvents, stMidi.st_size / 1e6, nVmdSize / 1e6, row.session.fSeconds,
           row.session.nPeakKiB / 1024.0, row.floor.fSeconds, row.floor.nPeakKiB / 1024.0,
           row.csv.fSeconds, row.csv.nPeakKiB / 1024.0, row.session.fSeconds / row.floor.fSeconds,
           bMidicsv ? row.session.fSeconds / row.csv.fSeconds : 0.0,
           row.nEvents > 0 ? row.session.nPeakKiB * 1024.0 / row.nEvents : 0.0,
           row.merged.fSeconds, row.merged.nPeakKiB / 1024.0);
    fflush(stdout);
    rows.push_back(row);
    std::filesystem::remove(strVmd);
    std::filesystem::remove(strMergedVmd);
    std::filesystem::remove(strFloorOut);
    std::filesystem::remove(strMidi);
  }
  // Growth: how much each tenfold step of notes costs in time.
  for (size_t i = 1; i < rows.size(); ++i) {
    printf("%ld -> %ld notes: time x %.2f for notes x %.1f\n", rows[i - 1].nNotes, rows[i].nNotes,
           rows[i].session.fSeconds / rows[i - 1].session.fSeconds,
           static_cast<double>(rows[i].nNotes) / rows[i - 1].nNotes);
  }
  // The goals, read at the largest size.
  if (!rows.empty()) {
    const Row& last = rows.back();
    auto verdict = [](bool b) { return b ? "met" : "MISSED"; };
    double fFloor = last.session.fSeconds / last.floor.fSeconds;
    printf("at %ld notes: session / floor %.2f (goal <= 1.0: %s)", last.nNotes, fFloor,
           verdict(fFloor <= 1.0));
    if (bMidicsv) {
      double fCsv = last.session.fSeconds / last.csv.fSeconds;
      double fPerEvent = last.session.nPeakKiB * 1024.0 / last.nEvents;
      printf(", session / midicsv %.2f (goal <= 2: %s), peak %.1f bytes per event (goal < 64: %s)",
             fCsv, verdict(fCsv <= 2.0), fPerEvent, verdict(fPerEvent < 64.0));
    }
    printf("\n");
    printf("at %ld notes: merged export of both tracks / track export %.2f in time, %.2f in "
           "peak memory\n",
           last.nNotes, last.merged.fSeconds / last.session.fSeconds,
           static_cast<double>(last.merged.nPeakKiB) / last.session.nPeakKiB);
    if (rows.size() > 1) {
      const Row& before = rows[rows.size() - 2];
      double fGrowth = last.session.fSeconds / before.session.fSeconds;
      double fNotes = static_cast<double>(last.nNotes) / before.nNotes;
      printf("growth: time x %.2f for notes x %.1f (goal: no more than the notes: %s)\n", fGrowth,
             fNotes, verdict(fGrowth <= fNotes));
    }
  }
  if (!bMidicsv) printf("midicsv is not installed: its column is empty\n");
  return 0;
}
