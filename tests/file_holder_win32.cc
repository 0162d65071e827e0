#include "tests/file_holder_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

FileHolder::FileHolder(const std::string& strPath)
    : m_hFile(CreateFileA(strPath.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr)) {
  EXPECT_NE(INVALID_HANDLE_VALUE, m_hFile) << strPath << ": error " << GetLastError();
}

FileHolder::~FileHolder() {
  if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
}
