// Files dropped on a native window of the Win32 back end as Explorer drops
// them, for the tests of that back end: kept apart from the platform
// layer's headers, as <windows.h> must be (frontends/win32/win32_native.h
// says why).
#ifndef SONOMOT_TESTS_NATIVE_DROP_H_
#define SONOMOT_TESTS_NATIVE_DROP_H_

#include <string>
#include <vector>

// Posts WM_DROPFILES to the console of the native dialog pNativeDialog
// (CWin32BackEnd::FindNativeWindow's handle), with an HDROP of the files'
// UTF-16 names. Returns false if the dialog has no console, the console
// doesn't take dropped files (DragAcceptFiles) or the message can't be
// posted.
bool PostNativeDrop(void* pNativeDialog, const std::vector<std::u16string>& files);

#endif  // SONOMOT_TESTS_NATIVE_DROP_H_
