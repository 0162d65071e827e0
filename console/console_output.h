// ConsoleOutput: the console's output interface over its EditBuffer.
//
// Everything the program says goes through here: output is appended at the
// very end of the text whatever is selected, and the console is kept near 80
// lines by deleting at most one first line per write. The prompt is the
// program's mode; setting it shows nothing until the console next writes it.
//
// The console window (CShellEditImpl) derives from this class; the script
// front end and the tests use it directly.
#ifndef SONOMOT_CONSOLE_CONSOLE_OUTPUT_H_
#define SONOMOT_CONSOLE_CONSOLE_OUTPUT_H_

#include <functional>
#include <string>
#include <string_view>

class EditBuffer;

class ConsoleOutput {
 public:
  // The line limit kept by TrimLines.
  static constexpr int kMaxLines = 80;
  // m_szPrompt's size: at most 63 characters and the terminating zero.
  static constexpr int kPromptSize = 64;

  // *pBuffer must stay alive while this object is in use; null makes an
  // inert console whose writes have no effect (a control not taken over).
  explicit ConsoleOutput(EditBuffer* pBuffer = nullptr);
  virtual ~ConsoleOutput() = default;

  ConsoleOutput(const ConsoleOutput&) = delete;
  ConsoleOutput& operator=(const ConsoleOutput&) = delete;

  // Appends pszText exactly as passed at the end of the text, leaves nothing
  // selected and the caret at the end, then applies the line limit.
  ConsoleOutput& WriteText(const char* pszText);
  // Formats like printf into a buffer as large as the text needs, appends
  // CR LF and writes it with WriteText. Nothing is ever cut.
  void WriteLine(const char* pszFormat, ...)
      __attribute__((format(printf, 2, 3)));
  // Keeps at most the first 63 bytes of pszText (null is ""); shows nothing.
  void SetPrompt(const char* pszText);
  // A copy of the current prompt.
  std::string GetPrompt() const { return m_szPrompt; }
  // Deletes the first line with its CR LF if the text holds more than 80
  // lines; at most one line per call. Drawing is suspended meanwhile.
  void TrimLines();

  // The buffer written to, or null.
  EditBuffer* GetEditBuffer() const { return m_pBuffer; }
  void SetEditBuffer(EditBuffer* pBuffer) { m_pBuffer = pBuffer; }

  // Called with every text WriteText appends, before the line limit is
  // applied (the script front end copies it to standard output).
  using WriteListener = std::function<void(std::string_view)>;
  void SetWriteListener(WriteListener listener) {
    m_writeListener = std::move(listener);
  }

 protected:
  char m_szPrompt[kPromptSize] = "root>";

 private:
  EditBuffer* m_pBuffer;
  WriteListener m_writeListener;
};

#endif  // SONOMOT_CONSOLE_CONSOLE_OUTPUT_H_
