#include <iconv.h>

#include "midilib/code_converter.h"

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

}  // namespace

CodeConverter::CodeConverter(CodeDirection eDirection) : m_eDirection(eDirection) {
  iconv_t cd = eDirection == CodeDirection::kShiftJisToUtf8 ? iconv_open("UTF-8", "CP932")
                                                           : iconv_open("CP932", "UTF-8");
  if (cd != kNoConverter) m_pHandle = cd;
}

CodeConverter::~CodeConverter() {
  if (m_pHandle != nullptr) iconv_close(static_cast<iconv_t>(m_pHandle));
}

bool CodeConverter::IsOpen() const { return m_pHandle != nullptr; }

int CodeConverter::Convert(const char** ppIn, size_t* pnIn, char** ppOut, size_t* pnOut) {
  if (m_pHandle == nullptr) return 0;
  // iconv never writes through its input pointer.
  char** ppInput = const_cast<char**>(ppIn);
  return iconv(static_cast<iconv_t>(m_pHandle), ppInput, pnIn, ppOut, pnOut) ==
                 static_cast<size_t>(-1)
             ? -1
             : 0;
}

void CodeConverter::Reset() {
  if (m_pHandle != nullptr) iconv(static_cast<iconv_t>(m_pHandle), nullptr, nullptr, nullptr, nullptr);
}
