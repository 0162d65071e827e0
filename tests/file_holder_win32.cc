#include "tests/file_holder_win32.h"

#include <windows.h>

#include <gtest/gtest.h>

FileHolder::FileHolder(const std::string& strPath, Sharing sharing)
    : m_hFile(CreateFileA(strPath.c_str(), GENERIC_READ,
                          sharing == Sharing::kNothing ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE,
                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {
  EXPECT_NE(INVALID_HANDLE_VALUE, m_hFile) << strPath << ": error " << GetLastError();
}

FileHolder::~FileHolder() {
  if (m_hFile != INVALID_HANDLE_VALUE) CloseHandle(m_hFile);
}
