#include "midilib/cp932.h"

#include <array>

#include "midilib/utf8.h"

namespace {

#include "midilib/cp932_table.inc"

constexpr uint8_t kFirstTrail = 0x40;
constexpr uint8_t kLastTrail = 0xFC;

// The column of a trail byte in a row of kPairs, -1 for a byte that trails
// no character (0x7F is never one).
int TrailColumn(uint8_t byTrail) {
  if (byTrail < kFirstTrail || byTrail > kLastTrail || byTrail == 0x7F) return -1;
  return byTrail < 0x7F ? byTrail - kFirstTrail : byTrail - kFirstTrail - 1;
}

uint8_t TrailOfColumn(int nColumn) {
  return static_cast<uint8_t>(nColumn < 0x7F - kFirstTrail ? kFirstTrail + nColumn
                                                           : kFirstTrail + nColumn + 1);
}

// The Shift-JIS bytes of every BMP character above ASCII: a lead byte and
// a trail byte, a single byte as 0x00NN, 0 for none. Made once from the
// table, on the first call.
class EncodeTable {
 public:
  EncodeTable() {
    for (uint32_t b = 0x80; b < 0x100; ++b) {
      if (kSingleBytes[b - 0x80] != 0) m_forms[kSingleBytes[b - 0x80]] = static_cast<uint16_t>(b);
    }
    // Where a character has several pairs, Windows writes the lowest,
    // except that IBM's rows 0xFA-0xFC come before NEC's copy of them in
    // rows 0xED-0xEE: those two rows go last, and the first pair stays.
    for (int nPass = 0; nPass < 2; ++nPass) {
      for (uint32_t nLead = 0x81; nLead < 0x100; ++nLead) {
        bool bNecCopy = nLead == 0xED || nLead == 0xEE;
        if (bNecCopy != (nPass == 1) || kLeadRows[nLead - 0x80] == 0) continue;
        const uint16_t* pRow = kPairs[kLeadRows[nLead - 0x80] - 1];
        for (int nColumn = 0; nColumn < kTrailColumns; ++nColumn) {
          uint16_t c = pRow[nColumn];
          if (c != 0 && m_forms[c] == 0) {
            m_forms[c] = static_cast<uint16_t>(nLead << 8 | TrailOfColumn(nColumn));
          }
        }
      }
    }
  }

  uint16_t FormOf(char32_t c) const { return c < m_forms.size() ? m_forms[c] : 0; }

 private:
  static constexpr int kTrailColumns = sizeof(kPairs[0]) / sizeof(kPairs[0][0]);
  std::array<uint16_t, 0x10000> m_forms{};
};

}  // namespace

size_t DecodeShiftJisChar(const uint8_t* p, size_t n, char32_t* pChar) {
  uint8_t b = p[0];
  if (b < 0x80) {
    *pChar = b;
    return 1;
  }
  if (kSingleBytes[b - 0x80] != 0) {
    *pChar = kSingleBytes[b - 0x80];
    return 1;
  }
  if (n < 2 || kLeadRows[b - 0x80] == 0) return 0;
  int nColumn = TrailColumn(p[1]);
  if (nColumn < 0) return 0;
  char32_t c = kPairs[kLeadRows[b - 0x80] - 1][nColumn];
  if (c == 0) return 0;
  *pChar = c;
  return 2;
}

size_t EncodeShiftJisChar(char32_t c, uint8_t pBytes[2]) {
  if (c < 0x80) {
    pBytes[0] = static_cast<uint8_t>(c);
    return 1;
  }
  static const EncodeTable table;
  uint16_t nForm = table.FormOf(c);
  if (nForm == 0) return 0;
  if (nForm < 0x100) {
    pBytes[0] = static_cast<uint8_t>(nForm);
    return 1;
  }
  pBytes[0] = static_cast<uint8_t>(nForm >> 8);
  pBytes[1] = static_cast<uint8_t>(nForm);
  return 2;
}

bool Utf8ToShiftJis(const char* pText, size_t nLength, std::string* pOut) {
  pOut->clear();
  const uint8_t* p = reinterpret_cast<const uint8_t*>(pText);
  for (size_t i = 0; i < nLength;) {
    char32_t c;
    size_t nRead = DecodeUtf8Char(p + i, nLength - i, &c);
    uint8_t bytes[2];
    size_t nWritten = nRead == 0 ? 0 : EncodeShiftJisChar(c, bytes);
    if (nWritten == 0) return false;
    pOut->append(reinterpret_cast<const char*>(bytes), nWritten);
    i += nRead;
  }
  return true;
}
