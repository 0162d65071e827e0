// midilib_bench [notes...]: times what opening and preparing a file costs
// with our MIDI data library (load, format conversion, time-base conversion
// to 30 frames a second, pairing every note-on of every track) beside
// midicsv printing the same file as CSV to /dev/null, for piano files of
// 10k, 100k and 1M notes (or the counts given). Each measurement runs in a
// fresh process, so its peak memory (maxrss) is its own. Then the cost of
// showing a track name of 48 MB (ASCII, control bytes, Shift-JIS, bytes
// that decode as nothing) as a title, a track name and an event line.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "midilib/MIDIData.h"

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// This process's own peak (VmHWM of its memory map, from exec on), in KiB.
long PeakKiB() {
  long lPeakKiB = 0;
  if (std::FILE* f = std::fopen("/proc/self/status", "r")) {
    char line[256];
    while (std::fgets(line, sizeof(line), f)) {
      if (std::sscanf(line, "VmHWM: %ld", &lPeakKiB) == 1) break;
    }
    std::fclose(f);
  }
  return lPeakKiB;
}

// Child: prepare one file, print "seconds events" on stdout.
int MeasureOne(const char* pszPath) {
  double t0 = Now();
  MIDIData* pData = MIDIData_LoadFromSMF(pszPath);
  if (pData == nullptr) return 1;
  double t1 = Now();
  long nEvents = 0;
  for (MIDITrack* t = MIDIData_GetFirstTrack(pData); t; t = MIDITrack_GetNextTrack(t)) {
    nEvents += MIDITrack_GetNumEvent(t);
  }
  if (MIDIData_GetFormat(pData) == 0 && !MIDIData_SetFormat(pData, 1)) return 1;
  double t2 = Now();
  if (!MIDIData_SetTimeBase(pData, 30, 1)) return 1;
  double t3 = Now();
  long nJoined = 0;
  for (MIDITrack* t = MIDIData_GetFirstTrack(pData); t; t = MIDITrack_GetNextTrack(t)) {
    for (MIDIEvent* e = MIDITrack_GetFirstEvent(t); e; e = MIDIEvent_GetNextEvent(e)) {
      if (MIDIEvent_IsNoteOn(e)) nJoined += MIDIEvent_Combine(e) != 0;
    }
  }
  double t4 = Now();
  long lPeakKiB = PeakKiB();
  std::printf("%.6f %ld %.6f %.6f %.6f %.6f %ld %ld\n", t4 - t0, nEvents, t1 - t0, t2 - t1,
              t3 - t2, t4 - t3, nJoined, lPeakKiB);
  MIDIData_Delete(pData);
  return 0;
}

// The worst cases of pairing, on one key of one track: n note-ons never
// released, and n overlapping note-ons followed by their n releases.
// Prints the seconds of one Combine pass over the track.
std::string OneKeyFile(long n, bool bReleased) {
  std::string track;
  for (long i = 0; i < n; i++) track += std::string("\x01\x90\x3C\x40", 4);
  if (bReleased) {
    for (long i = 0; i < n; i++) track += std::string("\x01\x80\x3C\x00", 4);
  }
  track += std::string("\x00\xFF\x2F\x00", 4);
  std::string file("MThd\0\0\0\x06\0\x01\0\x01\x01\xE0MTrk", 18);
  for (int shift = 24; shift >= 0; shift -= 8) file += static_cast<char>(track.size() >> shift);
  return file + track;
}

void PairingWorstCases(const std::string& dir) {
  std::printf("\npairing on one key (seconds of one Combine pass over the track):\n");
  std::printf("%9s %14s %14s\n", "note-ons", "never released", "all overlap");
  for (long n : {100000L, 1000000L}) {
    double seconds[2];
    for (int released = 0; released < 2; released++) {
      std::string path = dir + "/midilib_bench_onekey.mid";
      std::string bytes = OneKeyFile(n, released != 0);
      std::FILE* f = std::fopen(path.c_str(), "wb");
      if (!f) return;
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
      MIDIData* pData = MIDIData_LoadFromSMF(path.c_str());
      std::remove(path.c_str());
      if (pData == nullptr) return;
      double t0 = Now();
      long nJoined = 0;
      for (MIDIEvent* e = MIDITrack_GetFirstEvent(MIDIData_GetFirstTrack(pData)); e;
           e = MIDIEvent_GetNextEvent(e)) {
        if (MIDIEvent_IsNoteOn(e)) nJoined += MIDIEvent_Combine(e) != 0;
      }
      seconds[released] = Now() - t0;
      if (nJoined != (released ? n : 0)) std::printf("unexpected pairs: %ld\n", nJoined);
      MIDIData_Delete(pData);
    }
    std::printf("%9ld %14.4f %14.4f\n", n, seconds[0], seconds[1]);
  }
}

// The texts of one long track name, as the program asks for them: the
// title (2048 bytes), the track name (256) and the event line (1024). The
// name is nMB megabytes of one kind of text. Prints the seconds of each
// call and the peak memory before and after them.
int MeasureLongText(const char* pszKind, const char* pszDir, long nMB) {
  std::string piece = std::strcmp(pszKind, "ascii") == 0     ? "A"
                      : std::strcmp(pszKind, "control") == 0 ? "\x01"
                      : std::strcmp(pszKind, "sjis") == 0    ? "\x83\x73"
                                                             : "\xFF";
  std::string text;
  text.reserve(static_cast<size_t>(nMB) << 20);
  while (text.size() < (static_cast<size_t>(nMB) << 20)) text += piece;
  std::string track("\x00\xFF\x03", 3);
  for (int shift = 21; shift > 0; shift -= 7) {
    track += static_cast<char>(0x80 | ((text.size() >> shift) & 0x7F));
  }
  track += static_cast<char>(text.size() & 0x7F);
  track += text + std::string("\x00\xFF\x2F\x00", 4);
  std::string().swap(text);
  std::string file("MThd\0\0\0\x06\0\x01\0\x01\x01\xE0MTrk", 18);
  for (int shift = 24; shift >= 0; shift -= 8) file += static_cast<char>(track.size() >> shift);
  file += track;
  std::string().swap(track);
  std::string path = std::string(pszDir) + "/midilib_bench_text.mid";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return 1;
  std::fwrite(file.data(), 1, file.size(), f);
  std::fclose(f);
  std::string().swap(file);
  MIDIData* pData = MIDIData_LoadFromSMF(path.c_str());
  std::remove(path.c_str());
  if (pData == nullptr) return 1;
  long lBeforeKiB = PeakKiB();
  static char sz[2048];
  MIDITrack* pTrack = MIDIData_GetFirstTrack(pData);
  double t0 = Now();
  MIDIData_GetTitle(pData, sz, 2048);
  double t1 = Now();
  MIDITrack_GetName(pTrack, sz, 256);
  double t2 = Now();
  MIDIEvent_ToString(MIDITrack_GetFirstEvent(pTrack), sz, 1024);
  double t3 = Now();
  std::printf("%-8s %4ld %9.4f %9.4f %9.4f %9.1f %9.1f\n", pszKind, nMB, t1 - t0, t2 - t1,
              t3 - t2, lBeforeKiB / 1024.0, PeakKiB() / 1024.0);
  MIDIData_Delete(pData);
  return 0;
}

struct Run {
  double seconds = 0;
  long maxrssKiB = 0;
  std::string out;
  bool ok = false;
};

// Runs argv with stdout to a pipe (or /dev/null), measuring wall time and
// the child's peak memory.
Run Spawn(const std::vector<std::string>& args, bool bCapture) {
  Run run;
  int fds[2];
  if (pipe(fds) != 0) return run;
  double t0 = Now();
  pid_t pid = fork();
  if (pid == 0) {
    if (bCapture) {
      dup2(fds[1], 1);
    } else {
      std::FILE* devnull = std::fopen("/dev/null", "w");
      if (devnull) dup2(fileno(devnull), 1);
    }
    close(fds[0]);
    close(fds[1]);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(fds[1]);
  char buf[512];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof(buf))) > 0) run.out.append(buf, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  struct rusage ru;
  wait4(pid, &status, 0, &ru);
  run.seconds = Now() - t0;
  run.maxrssKiB = ru.ru_maxrss;
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  return run;
}

}  // namespace

// What Open adds to a load since it also asks the library for its verdict
// on the file (MIDIData_CheckSMF reads the file again and walks its
// events): best of five of each, on a piano file of a million notes.
bool CheckBesideLoad(const std::string& generator, const std::string& dir) {
  std::string path = dir + "/midilib_bench_check.mid";
  if (!Spawn({generator, "1000000", path, "1", "1"}, false).ok) return false;
  double load = 0, check = 0;
  for (int i = 0; i < 5; i++) {
    double t0 = Now();
    MIDIData* pData = MIDIData_LoadFromSMF(path.c_str());
    double t1 = Now();
    char szText[256];
    long nVerdict = MIDIData_CheckSMF(path.c_str(), szText, sizeof szText);
    double t2 = Now();
    MIDIData_Delete(pData);
    if (pData == nullptr || nVerdict != MIDIDATA_CHECK_WHOLE) return false;
    if (i == 0 || t1 - t0 < load) load = t1 - t0;
    if (i == 0 || t2 - t1 < check) check = t2 - t1;
  }
  std::remove(path.c_str());
  std::printf("\nOpen's reading verdict beside the load (1M notes, seconds): load %.4f, "
              "check %.4f (%.0f%% more)\n",
              load, check, load > 0 ? 100.0 * check / load : 0.0);
  return true;
}

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--one") == 0) return MeasureOne(argv[2]);
  if (argc == 5 && std::strcmp(argv[1], "--text") == 0) {
    return MeasureLongText(argv[2], argv[3], std::atol(argv[4]));
  }
  std::vector<long> sizes;
  for (int i = 1; i < argc; i++) sizes.push_back(std::atol(argv[i]));
  if (sizes.empty()) sizes = {10000, 100000, 1000000};
  std::string self = std::filesystem::canonical("/proc/self/exe").string();
  std::string generator =
      std::filesystem::canonical("/proc/self/exe").parent_path().string() + "/bench_gen_midi";
  bool bMidicsv = std::system("command -v midicsv >/dev/null 2>&1") == 0;
  std::string dir = std::filesystem::temp_directory_path().string();

  // The empty program's own peak memory, to show what the events cost.
  std::printf("%8s %8s %7s | %7s %7s %7s %7s %7s %7s | %7s %7s | %6s %7s\n", "notes", "events",
              "fileMB", "total s", "load", "format", "time", "pair", "peakMB", "csv s",
              "csvMB", "x csv", "B/event");
  for (bool bFormat0 : {false, true}) {
  std::printf("format %d files\n", bFormat0 ? 0 : 1);
  double prevPerNote = 0;
  for (long nNotes : sizes) {
    std::string path = dir + "/midilib_bench_" + std::to_string(nNotes) + ".mid";
    // Generated by another process, so this one stays small: a forked
    // child's maxrss counts the memory it had from its parent.
    if (!Spawn({generator, std::to_string(nNotes), path, "1", bFormat0 ? "0" : "1"}, false).ok) {
      std::fprintf(stderr, "%s failed\n", generator.c_str());
      return 1;
    }
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return 1;
    double fileMB = st.st_size / 1048576.0;
    // Best of five for time (small files are mostly process start, which
    // varies most on a busy machine); the peak memory is the same each run.
    const int kRuns = 5;
    Run best;
    for (int i = 0; i < kRuns; i++) {
      Run r = Spawn({self, "--one", path}, true);
      if (!r.ok) {
        std::fprintf(stderr, "measuring %s failed\n", path.c_str());
        return 1;
      }
      if (i == 0 || r.seconds < best.seconds) best = r;
    }
    double total, load, format, time, pair;
    long nEvents, nJoined, lPeakKiB;
    std::sscanf(best.out.c_str(), "%lf %ld %lf %lf %lf %lf %ld %ld", &total, &nEvents, &load,
                &format, &time, &pair, &nJoined, &lPeakKiB);
    Run csv;
    if (bMidicsv) {
      for (int i = 0; i < kRuns; i++) {
        Run r = Spawn({"midicsv", path}, false);
        if (i == 0 || r.seconds < csv.seconds) csv = r;
      }
    }
    std::printf("%8ld %8ld %7.2f | %7.3f %7.3f %7.3f %7.3f %7.3f %7.1f | %7.3f %7.1f | %6.2f %7.1f\n",
                nNotes, nEvents, fileMB, best.seconds, load, format, time, pair,
                lPeakKiB / 1024.0, csv.seconds, csv.maxrssKiB / 1024.0,
                csv.seconds > 0 ? best.seconds / csv.seconds : 0.0,
                lPeakKiB * 1024.0 / static_cast<double>(nEvents));
    if (prevPerNote > 0) {
      std::printf("%8s time per note vs previous size: %.2fx\n", "",
                  (best.seconds / nNotes) / prevPerNote);
    }
    prevPerNote = best.seconds / nNotes;
    std::remove(path.c_str());
  }
  }
  PairingWorstCases(dir);
  if (!CheckBesideLoad(generator, dir)) return 1;
  std::printf("\na track name of many MB (seconds of one call; peak MB after loading and\n"
              "after the three calls):\n");
  std::printf("%-8s %4s %9s %9s %9s %9s %9s\n", "text", "MB", "title", "name", "event",
              "peak load", "peak text");
  for (const char* pszKind : {"ascii", "control", "sjis", "invalid"}) {
    Run r = Spawn({self, "--text", pszKind, dir, "48"}, true);
    if (!r.ok) {
      std::fprintf(stderr, "measuring a long %s text failed\n", pszKind);
      return 1;
    }
    std::fputs(r.out.c_str(), stdout);
  }
  std::printf(
      "\ntotal s: a fresh process (start, load, convert, pair, exit); load/format/time/pair:\n"
      "inside it. peakMB: its peak resident memory (VmHWM), midicsv's: maxrss.\n"
      "B/event: our peak memory per event of the file (the process's own few MB\n"
      "included, which is most of it for small files).\n");
  return 0;
}
