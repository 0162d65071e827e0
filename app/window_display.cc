#include "app/window_display.h"

#include <QMessageLogContext>
#include <QString>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "app/exit_status.h"

namespace {

constexpr char kProgram[] = "sonomot";

bool IsSet(const char* pszValue) {
  return pszValue != nullptr && *pszValue != '\0';
}

// The value after a Qt option given as -name or --name, or null.
const char* OptionValue(int argc, char** argv, const char* pszName) {
  for (int i = 1; i + 1 < argc; ++i) {
    std::string_view arg = argv[i];
    if (arg.substr(0, 2) == "--") arg.remove_prefix(1);
    if (arg.size() > 1 && arg[0] == '-' && arg.substr(1) == pszName) {
      return argv[i + 1];
    }
  }
  return nullptr;
}

// A text of a message's context, copied: the plugin that gave it may be
// unloaded before the message is passed on.
struct HeldText {
  explicit HeldText(const char* psz)
      : bNull(psz == nullptr), text(psz != nullptr ? psz : "") {}
  const char* Get() const { return bNull ? nullptr : text.c_str(); }
  bool bNull;
  std::string text;
};

// A message Qt gave while it started, kept to be passed on.
struct HeldMessage {
  QtMsgType type;
  HeldText file;
  int nLine;
  HeldText function;
  HeldText category;
  QString text;
};

QtMessageHandler g_pPreviousHandler = nullptr;
std::vector<HeldMessage> g_heldMessages;

void HoldStartMessage(QtMsgType type, const QMessageLogContext& context,
                      const QString& text) {
  if (type != QtFatalMsg) {
    g_heldMessages.push_back({type, HeldText(context.file), context.line,
                              HeldText(context.function),
                              HeldText(context.category), text});
    return;
  }
  // Qt aborts after a fatal message: end here, as a failed start-up does.
  // The platform's own first complaint says best what went wrong.
  QString reason = g_heldMessages.empty() ? text : g_heldMessages.front().text;
  reason = reason.section(QLatin1Char('\n'), 0, 0).trimmed();
  std::fprintf(stderr, "%s: the window can't be shown: %s\n", kProgram,
               reason.toLocal8Bit().constData());
  std::fflush(stderr);
  std::_Exit(kExitFailure);
}

}  // namespace

std::string FindMissingDisplay(int argc, char** argv,
                               const GetEnvFunction& getEnv) {
  const char* pszPlatform = OptionValue(argc, argv, "platform");
  if (pszPlatform == nullptr) pszPlatform = getEnv("QT_QPA_PLATFORM");
  std::string_view platform = IsSet(pszPlatform) ? pszPlatform : "";
  // Options follow the name after a colon ("xcb:option").
  platform = platform.substr(0, platform.find(':'));
  bool bHasX = IsSet(OptionValue(argc, argv, "display")) ||
               IsSet(getEnv("DISPLAY"));
  if (platform == "xcb" && !bHasX) {
    return "no display to show the window on (DISPLAY is not set)";
  }
  if (platform.empty() && !bHasX && !IsSet(getEnv("WAYLAND_DISPLAY"))) {
    return "no display to show the window on (neither DISPLAY nor "
           "WAYLAND_DISPLAY is set)";
  }
  return std::string();
}

CQtStartGuard::CQtStartGuard() {
  g_heldMessages.clear();
  g_pPreviousHandler = qInstallMessageHandler(HoldStartMessage);
}

CQtStartGuard::~CQtStartGuard() {
  qInstallMessageHandler(g_pPreviousHandler);
  std::vector<HeldMessage> held;
  held.swap(g_heldMessages);
  if (g_pPreviousHandler == nullptr) return;
  for (const HeldMessage& m : held) {
    QMessageLogContext context(m.file.Get(), m.nLine, m.function.Get(),
                               m.category.Get());
    g_pPreviousHandler(m.type, context, m.text);
  }
}

bool CheckWindowDisplay(int argc, char** argv) {
  std::string reason = FindMissingDisplay(
      argc, argv, [](const char* pszName) { return std::getenv(pszName); });
  if (reason.empty()) return true;
  std::fprintf(stderr, "%s: %s\n", kProgram, reason.c_str());
  return false;
}

std::string ReadWindowArguments(int argc, char** argv, std::string* pFile) {
  // Qt's options, as QGuiApplication and its X platform take them.
  static const char* const kWithValue[] = {
      "platform", "platformpluginpath", "platformtheme", "plugin", "qmljsdebugger",
      "qwindowgeometry", "geometry", "qwindowicon", "qwindowtitle", "title", "display",
      "name", "style", "stylesheet", "session", "visual", "ncols", "im", "inputstyle"};
  static const char* const kAlone[] = {"reverse", "widgetcount", "nograb", "dograb",
                                       "sync", "cmap", "testability"};
  pFile->clear();
  bool bPlain = false;
  for (int i = 1; i < argc; ++i) {
    std::string_view arg = argv[i];
    if (!bPlain && arg == "--") {
      bPlain = true;
      continue;
    }
    if (!bPlain && arg.size() > 1 && arg[0] == '-') {
      std::string_view name = arg.substr(arg.substr(0, 2) == "--" ? 2 : 1);
      bool bKnown = false;
      for (const char* psz : kWithValue) {
        if (name == psz && i + 1 < argc) {
          ++i;
          bKnown = true;
        } else if (name.substr(0, name.find('=')) == psz && name.find('=') != name.npos) {
          bKnown = true;
        }
      }
      for (const char* psz : kAlone) bKnown = bKnown || name == psz;
      if (!bKnown) return "unrecognized option '" + std::string(arg) + "'";
      continue;
    }
    if (!pFile->empty()) return "unexpected argument '" + std::string(arg) + "'";
    *pFile = arg;
    if (pFile->empty()) return "an empty FILE name";
  }
  return std::string();
}
