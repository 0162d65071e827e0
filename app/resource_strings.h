// The program's string table.
#ifndef SONOMOT_APP_RESOURCE_STRINGS_H_
#define SONOMOT_APP_RESOURCE_STRINGS_H_

#include "platform/win_types.h"

// Copies string nID into pszBuffer (room for cchBuffer bytes with the
// terminating zero; a longer string is cut) and returns the number of bytes
// copied; 0 and an empty buffer when there is no such string.
int LoadStringA(HINSTANCE hInstance, UINT nID, char* pszBuffer, int cchBuffer);

#endif  // SONOMOT_APP_RESOURCE_STRINGS_H_
